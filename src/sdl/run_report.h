#pragma once
// What a timed run (--frames), a replay or a timedemo measure, and the report printed after
// the run: the frame times, the yardstick layer, the smoke particles, the start-up time.

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

#include "common/error.h"
#include "shell/run_options.h"

namespace tv {
struct Game;
struct GameStateSnapshot;
}

namespace tv::sdl {

using SteadyClock = std::chrono::steady_clock;

struct RunFigures {
    FrameStats stats;
    bool counting = true;            // frames go into stats
    double yardstickStartMs = 0.0;   // one full-screen layer before the counted frames; 0 if not
    double yardstickEndMs = 0.0;     // and after them
    int64_t smokePeak = 0;           // the most smoke particles alive after a frame
    std::string drawParts;           // --draw-parts: the parts' line, taken after the last frame
    std::optional<SteadyClock::time_point> startupDone;
    std::optional<SteadyClock::time_point> firstFrame;
    SteadyClock::time_point lastFrameEnd{};

    // The mean of the yardstick's two measurements (the one taken when only one was); 0 when
    // not measured.
    double YardstickMs() const {
        return yardstickEndMs > 0.0 ? (yardstickStartMs + yardstickEndMs) / 2.0 : yardstickStartMs;
    }
    // From the program's start to the end of the start-up, when the game's first frame can run
    // (zero before that). The yardstick's measurement after it does not count.
    double StartupSeconds() const;
    double WallSeconds() const {
        return firstFrame ? std::chrono::duration<double>(lastFrameEnd - *firstFrame).count() : 0.0;
    }
};

// The most smoke particles alive after a frame, and how many the budget cut short; empty
// without a smoke system.
std::string SmokeReport(const Game& game, int64_t smokePeak);

// The graphics options the frames were drawn with, as "shadows=simple render_scale=0.5": the
// settings at the end of the run, render_scale 1 when the offscreen target could not be had.
std::string VideoOptionsReport(const Game& game);

// The figures on stdout: frame times, state hash, the graphics options (a line of their own,
// "video: ...", when given), yardstick, smoke, start-up.
void PrintRunReport(const RunFigures& figures, const GameStateSnapshot& state, const std::string& smokeReport,
                    const std::string& videoReport = {});

// One line on stderr, and a message box too when a player is there to close it.
void ShowError(const Error& error, bool interactive);

}  // namespace tv::sdl
