#pragma once
// terravik-inspect --render FILE.3dk OUT.png [--data-dir DIR]: the model drawn textured from
// three sides (front, side, from above at an angle) into one PNG, headless.

#include <string>

namespace tv::inspect {

// Draws the model at modelPath in a hidden window (SDL's offscreen driver unless another is
// chosen) and writes the three views side by side, each kViewSize pixels square. dataDir ends
// in '/' and holds k_resurs/addition/NOTEXTURE.jpg. Returns an exit code; errors go to stderr.
int RenderPreview(const std::string& modelPath, const std::string& outPng, const std::string& dataDir);

// Parses "--render FILE OUT [--data-dir DIR]" from the command line (argv[1] is "--render").
int RenderCommand(int argc, char** argv, const std::string& defaultDataDir);

inline constexpr int kViewSize = 320;

}  // namespace tv::inspect
