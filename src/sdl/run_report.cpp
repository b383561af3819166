#include "sdl/run_report.h"

#include <SDL2/SDL.h>

#include <cstdio>

#include "common/report.h"
#include "shell/game.h"
#include "shell/main_form.h"
#include "shell/state_dump.h"
#include "world/particles.h"

namespace tv::sdl {
namespace {

// Taken while the program initialises, before main runs: the start of the start-up time.
const SteadyClock::time_point kProgramStart = SteadyClock::now();

}  // namespace

double RunFigures::StartupSeconds() const {
    return startupDone ? std::chrono::duration<double>(*startupDone - kProgramStart).count() : 0.0;
}

std::string SmokeReport(const Game& game, int64_t smokePeak) {
    const T_Particles_System* smoke = game.Planes ? game.Planes->Smoke : nullptr;
    if (!smoke) return {};
    return "smoke particles: peak " + std::to_string(smokePeak) + " of " + std::to_string(smoke->Budget) +
           ", replaced " + std::to_string(smoke->Replaced);
}

std::string VideoOptionsReport(const Game& game) {
    const VideoSettings& video = game.settings.video;
    const char* shadows = video.shadows == ShadowMode::Simple ? "simple" : video.shadows == ShadowMode::Off ? "off" : "full";
    const double scale = game.SceneScaleRefused ? 1.0 : video.renderScale;
    char text[64];
    std::snprintf(text, sizeof text, "shadows=%s render_scale=%g", shadows, scale);
    return text;
}

void PrintRunReport(const RunFigures& figures, const GameStateSnapshot& state, const std::string& smokeReport,
                    const std::string& videoReport) {
    const FrameStats& stats = figures.stats;
    std::printf("%s, state_hash %s\n", stats.Report(figures.WallSeconds()).c_str(), HashHex(StateHash(state)).c_str());
    if (!videoReport.empty()) std::printf("video: %s\n", videoReport.c_str());
    // The same figures in full-screen layers measured in this run, which a busy machine
    // moves far less than it moves milliseconds.
    if (const double layer = figures.YardstickMs(); layer > 0.0)
        std::printf("yardstick %.2f ms per full-screen layer (%.2f before the frames, %.2f after): avg %.2f "
                    "layers, p99 %.2f layers\n",
                    layer, figures.yardstickStartMs, figures.yardstickEndMs, stats.Average() / layer,
                    stats.Percentile(99.0) / layer);
    if (!smokeReport.empty()) std::printf("%s\n", smokeReport.c_str());
    if (!figures.drawParts.empty()) std::printf("%s\n", figures.drawParts.c_str());
    if (const double startup = figures.StartupSeconds(); startup > 0.0)
        std::printf("start-up %.3f s from the program's start to the game's first frame\n", startup);
}

void ShowError(const Error& error, bool interactive) {
    Report(error);
    if (interactive && SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, "Terravik", error.what(), nullptr) != 0)
        Warn(std::string("could not show the message box: ") + SDL_GetError());
}

}  // namespace tv::sdl
