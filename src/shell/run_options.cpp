#include "shell/run_options.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <numeric>

#include "shell/settings.h"

namespace tv {
namespace {

bool ParseInt(const std::string& s, int64_t& out, int64_t min) {
    const char* end = s.data() + s.size();
    auto [ptr, ec] = std::from_chars(s.data(), end, out);
    return ec == std::errc() && ptr == end && out >= min;
}

}  // namespace

std::string UsageText() {
    return "Usage: terravik [options]\n"
           "  --help              show this text\n"
           "  --version           show the version\n"
           "  --data-dir DIR      read the data from DIR instead of the folder above bin/\n"
           "  --mod DIR           lay the mod folder DIR over the data (repeatable: a later\n"
           "                      one wins; after the settings' [data] mods)\n"
           "  --check-data        read every file the game uses (mods included), print one\n"
           "                      line per bad or missing file and exit (1 if any)\n"
           "  --windowed WxH      a normal window of that size instead of full screen\n"
           "                      (640x480 to 16384x16384)\n"
           "  --autostart         press the start button as soon as the window is shown\n"
           "  --frames N          close after N frames and print frame-time figures\n"
           "  --frame-ms N        every frame lasts exactly N ms (repeatable runs)\n"
           "  --draw-parts        with --frames: report the drawing's time part by part (each part\n"
           "                      is waited for, so the frame times are not a timedemo's)\n"
           "  --screenshot FILE   write the last frame as PNG before closing\n"
           "  --dump-state FILE   write the game state as JSON after the last frame\n"
           "  --record FILE       write the player's input, frame by frame, to FILE\n"
           "  --replay FILE       play FILE's input back instead of the keyboard and mouse\n"
           "  --config FILE       read the settings from FILE instead of\n"
           "                      $XDG_CONFIG_HOME/terravik/settings.ini\n"
           "  --write-config      write the default settings to that file and exit\n"
           "  --waves N           press \"Еще 50\" N times right after the start-up\n"
           "  --headless          no window, no OpenGL, no sound device: run --replay FILE, or\n"
           "                      --frames N --frame-ms M (it presses the start button itself)\n";
}

Status ParseRunOptions(const std::vector<std::string>& args, RunOptions& o) {
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto value = [&](std::string& out) -> bool {
            if (i + 1 >= args.size()) return false;
            out = args[++i];
            return true;
        };
        std::string v;
        if (a == "--help" || a == "-h") {
            o.help = true;
        } else if (a == "--version") {
            o.version = true;
        } else if (a == "--headless") {
            o.headless = true;
        } else if (a == "--autostart") {
            o.autostart = true;
        } else if (a == "--data-dir") {
            if (!value(o.dataDir) || o.dataDir.empty()) return Error("--data-dir needs a folder");
        } else if (a == "--mod") {
            if (!value(v) || v.empty()) return Error("--mod needs a folder");
            o.mods.push_back(v);
        } else if (a == "--check-data") {
            o.checkData = true;
        } else if (a == "--screenshot") {
            if (!value(o.screenshot) || o.screenshot.empty()) return Error("--screenshot needs a file name");
        } else if (a == "--draw-parts") {
            o.drawParts = true;
        } else if (a == "--frames") {
            if (!value(v) || !ParseInt(v, o.frames, 0))
                return Error("--frames needs a whole number of at least 0");
        } else if (a == "--frame-ms") {
            if (!value(v) || !ParseInt(v, o.frameMs, 0) || o.frameMs > 60000)
                return Error("--frame-ms needs a whole number from 0 to 60000");
        } else if (a == "--waves") {
            if (!value(v) || !ParseInt(v, o.waves, 0) || o.waves > kMaxWaves)
                return Error("--waves needs a whole number from 0 to " + std::to_string(kMaxWaves));
        } else if (a == "--windowed") {
            size_t x = std::string::npos;
            int64_t w = 0, h = 0;
            if (value(v)) x = v.find_first_of("xX");
            if (x == std::string::npos || !ParseInt(v.substr(0, x), w, kMinWindowWidth) ||
                !ParseInt(v.substr(x + 1), h, kMinWindowHeight) || w > kMaxWindowSide || h > kMaxWindowSide)
                return Error("--windowed needs a size like 1024x768, from " +
                             std::to_string(kMinWindowWidth) + "x" + std::to_string(kMinWindowHeight) + " to " +
                             std::to_string(kMaxWindowSide) + "x" + std::to_string(kMaxWindowSide));
            o.windowedWidth = static_cast<int>(w);
            o.windowedHeight = static_cast<int>(h);
        } else if (a == "--dump-state") {
            if (!value(o.dumpState) || o.dumpState.empty()) return Error("--dump-state needs a file name");
        } else if (a == "--record") {
            if (!value(o.record) || o.record.empty()) return Error("--record needs a file name");
        } else if (a == "--replay") {
            if (!value(o.replay) || o.replay.empty()) return Error("--replay needs a file name");
        // The settings file.
        } else if (a == "--config") {
            if (!value(o.configFile) || o.configFile.empty()) return Error("--config needs a file name");
        } else if (a == "--write-config") {
            o.writeConfig = true;
        } else {
            return Error("unknown option: " + a);
        }
    }
    // A replay brings its own frame times and its own clicks.
    // With --record it writes what it plays, in the current format with fresh checkpoints.
    if (!o.replay.empty() && (o.frameMs >= 0 || o.autostart))
        return Error(
            "--replay takes its frame times and clicks from the recording: no --frame-ms or --autostart");
    if (o.headless) {
        if (!o.screenshot.empty()) return Error("--headless draws no picture: no --screenshot");
        if (o.replay.empty() && (o.frames < 0 || o.frameMs < 0))
            return Error("--headless runs --replay FILE, or --frames N with --frame-ms M");
        o.autostart = o.autostart || o.replay.empty();  // nobody is there to press "Старт"
    }
    if (o.frames == 0 && !o.autostart) return Error("--frames 0 needs --autostart");
    if (o.drawParts && (o.frames <= 0 || o.headless)) return Error("--draw-parts needs --frames N drawn in a window");
    return {};
}

std::vector<std::string> ModFolders(const std::string& settingsMods,
                                    const std::vector<std::string>& commandLine) {
    std::vector<std::string> mods;
    size_t start = 0;
    while (start <= settingsMods.size()) {
        size_t end = settingsMods.find(':', start);
        if (end == std::string::npos) end = settingsMods.size();
        if (end > start) mods.push_back(settingsMods.substr(start, end - start));
        start = end + 1;
    }
    mods.insert(mods.end(), commandLine.begin(), commandLine.end());
    return mods;
}

double FrameStats::Percentile(double percent) const {
    if (frameMs_.empty()) return 0.0;
    std::vector<double> sorted = frameMs_;
    std::sort(sorted.begin(), sorted.end());
    // Nearest rank: the ceil(p/100 * n)-th smallest value.
    double rank = std::ceil(percent / 100.0 * static_cast<double>(sorted.size()));
    size_t index = rank < 1.0 ? 0 : static_cast<size_t>(rank) - 1;
    return sorted[std::min(index, sorted.size() - 1)];
}

double FrameStats::Average() const {
    if (frameMs_.empty()) return 0.0;
    return std::accumulate(frameMs_.begin(), frameMs_.end(), 0.0) / static_cast<double>(frameMs_.size());
}

std::string FrameStats::Report(double wallSeconds) const {
    double avg = Average(), mn = 0, mx = 0;
    if (!frameMs_.empty()) {
        auto [lo, hi] = std::minmax_element(frameMs_.begin(), frameMs_.end());
        mn = *lo;
        mx = *hi;
    }
    char buf[256];
    std::snprintf(buf, sizeof buf, "%zu frames in %.2f s: avg %.2f ms, min %.2f ms, max %.2f ms, p99 %.2f ms",
                  frameMs_.size(), wallSeconds, avg, mn, mx, Percentile(99.0));
    return buf;
}

}  // namespace tv
