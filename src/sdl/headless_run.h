#pragma once
// The game without a window: no SDL video, no OpenGL context, no audio device. The frames run
// their step alone in the main loop's order (clicks, the recorded input, the clock), so a
// replay reaches the same states, checkpoints and state_hash as in a window, only faster.

#include <string>

#include "shell/replay.h"
#include "shell/run_options.h"
#include "shell/settings.h"

namespace tv::sdl {

// Runs --headless: plays `replay` (null: --frames N with --frame-ms, pressing "Старт" itself),
// then writes --dump-state and prints the frames line with the state hash. Returns the exit
// status: 0, 1 when a file could not be written or a start-up step threw, 3 when the replay
// missed a checkpoint.
int RunHeadless(const RunOptions& options, const InputRecording* replay, const Settings& settings,
                const std::string& executablePath);

}  // namespace tv::sdl
