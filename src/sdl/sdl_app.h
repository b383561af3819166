#pragma once
// The program: parses the command line, opens the main window and runs the idle-driven loop.

namespace tv::sdl {

// Returns the process exit code.
int RunGame(int argc, char** argv);

}  // namespace tv::sdl
