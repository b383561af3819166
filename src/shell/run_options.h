#pragma once
// The command line (none of it is needed to play) and the frame-time report of --frames.

#include <cstdint>
#include <string>
#include <vector>

#include "common/error.h"

namespace tv {

// The most "Еще 50" presses a run may ask for, on the command line or in a recording: each is
// fifty aircraft, and a thousand is far past any machine's frame rate.
inline constexpr int64_t kMaxWaves = 1000;

struct RunOptions {
    bool help = false;
    bool version = false;
    std::string dataDir;       // empty: the parent of the executable's folder
    std::vector<std::string> mods;  // --mod folders over the data, in order (the last one wins)
    bool checkData = false;    // read every file the game would and report the bad ones, then exit
    int windowedWidth = 0;     // zero: borderless and maximised
    int windowedHeight = 0;
    bool autostart = false;    // press "Старт" once the window is shown
    int64_t frames = -1;       // >= 0: close after this many frames and print the report
    int64_t frameMs = -1;      // >= 0: every frame lasts exactly this long (deterministic run)
    bool drawParts = false;    // report where the counted frames' drawing time goes
    std::string screenshot;    // PNG of the last frame, written before closing
    int64_t waves = 0;         // "Еще 50" pressed this many times right after the start-up (<= kMaxWaves)
    bool headless = false;     // no window, GL, video or audio device: the simulation alone

    // Replays and the state they reproduce.
    std::string dumpState;     // the game state as JSON, written after the last frame
    std::string record;        // the player's input, written frame by frame
    std::string replay;        // input played back instead of the devices
    // The settings file.
    std::string configFile;    // empty: the default settings file
    bool writeConfig = false;  // write the default settings file and exit
};

// Parses argv[1..]. Ok, or an error naming the bad argument.
Status ParseRunOptions(const std::vector<std::string>& args, RunOptions& options);
std::string UsageText();

// The mod folders of a run: the settings file's `[data] mods` (folders separated by ':',
// empty ones skipped), then the command line's, so a later one wins.
std::vector<std::string> ModFolders(const std::string& settingsMods,
                                    const std::vector<std::string>& commandLine);

// Wall-clock durations of the frames of a run, for the one-line report.
class FrameStats {
public:
    void Add(double frameMs) { frameMs_.push_back(frameMs); }
    size_t Count() const { return frameMs_.size(); }
    // "<n> frames in <s> s: avg <a> ms, min <b> ms, max <c> ms, p99 <d> ms"
    std::string Report(double wallSeconds) const;
    // The smallest duration that at least `percent` % of the frames do not exceed.
    double Percentile(double percent) const;
    double Average() const;

private:
    std::vector<double> frameMs_;
};

}  // namespace tv
