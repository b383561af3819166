#include "sdl/sdl_app.h"

#include <SDL2/SDL.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "common/atomic_file.h"
#include "common/i18n.h"
#include "common/report.h"
#include "platform/paths.h"
#include "sdl/font_lookup.h"
#include "sdl/headless_run.h"
#include "sdl/main_loop.h"
#include "sdl/run_report.h"
#include "sdl/sdl_clock.h"
#include "sdl/sdl_main_window.h"
#include "shell/check_data.h"
#include "shell/gl/frame.h"
#include "shell/main_form.h"
#include "shell/replay.h"
#include "shell/run_options.h"
#include "shell/settings.h"
#include "shell/window_state.h"
#include "shell/startup.h"
#include "shell/state_dump.h"

namespace tv::sdl {
namespace {

std::string ExecutablePath(const char* argv0) {
    std::error_code ec;
    auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (!ec) return exe.string();
    return std::filesystem::absolute(argv0, ec).string();
}


// The window's icon, relative to the data root (the build draws it there).
constexpr const char* kIconFile = "terravik.png";
// WM_CLASS, as dist/org.terravik.Terravik.desktop names it in StartupWMClass.
constexpr const char* kWindowClass = "terravik";

// Reads and parses a recording; the error when it cannot.
Status LoadRecording(const std::string& path, InputRecording& out) { return ReadRecordingFile(path, out); }

// Whole or not at all: ok, or "cannot write PATH: reason".
Status WriteTextFile(const std::string& path, const std::string& text) {
    return WriteFileAtomically(path, text);
}

// The settings file (a missing default file is no news), every warning on stderr, and the
// command line over it. Key names are checked against SDL's own names here.
Settings LoadPlayerSettings(const RunOptions& options) {
    const bool named = !options.configFile.empty();
    const std::string path = SettingsPathOf(options);
    std::vector<std::string> warnings;
    Settings settings;
    if (!path.empty()) {
        settings = LoadSettingsFile(path, named, warnings, [](const std::string& name) {
            return SDL_GetKeyFromName(name.c_str()) != SDLK_UNKNOWN;
        });
    }
    for (const std::string& w : warnings) Warn(w);
    ApplyCommandLine(settings, options);
    return settings;
}

// The options that answer without a game (a bad command line, --help, --version,
// --write-config): their exit code, or nothing when the game is to run.
std::optional<int> ParseCommandLine(int argc, char** argv, RunOptions& options) {
    std::vector<std::string> args(argv + 1, argv + argc);
    const Status parsed = ParseRunOptions(args, options);
    if (!parsed.ok()) {
        Report(parsed.error());
        WriteStderr(UsageText());
        return 2;
    }
    if (options.help) {
        std::printf("%s", UsageText().c_str());
        return 0;
    }
    if (options.version) {
        std::printf("terravik %s\n", TERRAVIK_VERSION);
        return 0;
    }
    if (options.writeConfig) {
        const std::string path = SettingsPathOf(options);
        const Status written = WriteDefaultSettings(path);
        if (!written.ok()) {
            Report(written.error());
            return 1;
        }
        std::printf("wrote the default settings to %s\n", path.c_str());
        return 0;
    }
    return std::nullopt;
}

// Loads the replay, if one is asked for; false when it cannot be played.
bool LoadReplay(RunOptions& options, InputRecording& replay) {
    if (options.replay.empty()) return true;
    if (const Status loaded = LoadRecording(options.replay, replay); !loaded.ok()) {
        ShowError(loaded.error(), false);
        return false;
    }
    // The window the recording was played in, unless told otherwise.
    if (options.windowedWidth == 0) {
        options.windowedWidth = replay.width;
        options.windowedHeight = replay.height;
    }
    return true;
}

// A data folder that is not there is the player's to fix, before any window opens. The
// data root, or nothing when the folder will not do.
std::optional<std::string> FindDataRoot(const RunOptions& options, const char* argv0, bool interactive) {
    const std::string root = options.dataDir.empty() ? DataRootForExecutable(ExecutablePath(argv0)) : options.dataDir;
    const Status problem = DataRootProblem(root, !options.dataDir.empty());
    if (!problem.ok()) {
        // Started from a desktop there is no terminal to read: the box says it too.
        ShowError(problem.error(), interactive);
        return std::nullopt;
    }
    SetFontDataRoot(root);
    return root;
}

// The mod folders over the data: the settings file's, then the command line's. Only the
// `mods` key is taken here; the settings' warnings come when the game loads them.
std::optional<std::vector<std::string>> FindMods(const RunOptions& options, bool interactive) {
    const bool named = !options.configFile.empty();
    const std::string path = SettingsPathOf(options);
    std::string settingsMods;
    if (!path.empty()) {
        std::vector<std::string> later;
        const auto anyKey = [](const std::string&) { return true; };
        settingsMods = LoadSettingsFile(path, named, later, anyKey).data.mods;
    }
    std::vector<std::string> mods = ModFolders(settingsMods, options.mods);
    for (const std::string& mod : mods) {
        if (const Status problem = ModFolderProblem(mod); !problem.ok()) {
            ShowError(problem.error(), interactive);
            return std::nullopt;
        }
    }
    if (!mods.empty()) {
        std::string line;
        for (const std::string& mod : mods) line += (line.empty() ? "" : ", ") + mod;
        Warn("mods: " + line);
    }
    return mods;
}

// --check-data: one line per bad file on stderr, the count on stdout; 1 when any is bad.
int RunCheckData(const std::string& root) {
    const DataCheck check = CheckData(root);
    for (const std::string& problem : check.problems)
        Warn("check-data: " + problem);
    std::printf("check-data: %d files, %zu bad\n", check.files, check.problems.size());
    return check.problems.empty() ? 0 : 1;
}

// Only a plain run remembers its window: timed runs, replays, tests and a window size given
// on the command line must open the same window whatever the last run left.
bool RemembersWindow(const RunOptions& options) {
    return options.windowedWidth == 0 && options.frames < 0 && options.frameMs < 0 && options.replay.empty() &&
           !options.autostart && !options.headless;
}

// The window the last plain run left, if it is to be used; a bad file is one stderr line.
std::optional<WindowState> RememberedWindow(const std::string& path) {
    std::string warning;
    std::optional<WindowState> state = LoadWindowState(path, warning);
    if (!warning.empty()) Warn(warning);
    return state;
}

// The monitor full screen fills: the settings' display, or when they leave it at 0 the one
// the last run used; one that is not there is display 0, with one stderr line.
int FullscreenDisplay(const Settings& settings, const std::optional<WindowState>& remembered) {
    int display = settings.video.display;
    if (display == 0 && remembered) display = remembered->display;
    const int count = SDL_GetNumVideoDisplays();
    if (display > 0 && display >= count) {
        Warn("display " + std::to_string(display) + " does not exist (" + std::to_string(count) +
             " found); full screen uses display 0");
        display = 0;
    }
    return display;
}

// True when a window at this place and size would show on some monitor.
bool OnSomeDisplay(const WindowState& state) {
    const SDL_Rect window{state.x, state.y, state.width, state.height};
    for (int i = 0; i < SDL_GetNumVideoDisplays(); ++i) {
        SDL_Rect bounds;
        if (SDL_GetDisplayBounds(i, &bounds) == 0 && SDL_HasIntersection(&window, &bounds)) return true;
    }
    return false;
}

// Opens the main window as the settings ask, where the last plain run left it when
// `remembered`; an error (and SDL shut down) when it cannot open or does not fit the replay.
std::unique_ptr<SdlMainWindow> OpenMainWindow(const Settings& settings, const RunOptions& options,
                                              const InputRecording& replay, const std::string& iconPath,
                                              bool interactive, const std::optional<WindowState>& remembered) {
    const int width = remembered ? remembered->width : settings.video.width;
    const int height = remembered ? remembered->height : settings.video.height;
    auto window = std::make_unique<SdlMainWindow>(settings.video.fullscreen, width, height,
                                                  FullscreenDisplay(settings, remembered));
    if (!window->Ok()) {
        ShowError(Error("cannot open the main window: " + window->status().Message()), interactive);
        SDL_Quit();
        return nullptr;
    }
    window->SetVsync(settings.video.vsync);
    if (remembered && remembered->hasPosition && OnSomeDisplay(*remembered))
        window->PlaceWindowed(remembered->x, remembered->y);
    // A data set without the icon keeps the window manager's default one; only a file that
    // is there but will not load is worth a line.
    std::error_code noIcon;
    if (!window->SetIcon(iconPath) && std::filesystem::exists(iconPath, noIcon))
        Warn("the window icon " + iconPath + " is not a PNG the game can read");
    if (!options.replay.empty() && (window->Width() != replay.width || window->Height() != replay.height)) {
        ShowError(Error("the replay needs a " + std::to_string(replay.width) + "x" +
                        std::to_string(replay.height) + " window, got " + std::to_string(window->Width()) + "x" +
                        std::to_string(window->Height())),
                  false);
        SDL_Quit();
        return nullptr;
    }
    return window;
}

// After the loop: the outputs asked for, the figures of a timed run or a replay, and the
// run's exit code.
int ReportRun(const RunOptions& options, SdlMainWindow& window, RecordingWriter& recorder, MainLoop& loop, bool ok,
              bool interactive) {
    int status = 0;
    if (!options.screenshot.empty() && !window.WriteLastFrame(options.screenshot)) {
        Report(Error("could not write " + options.screenshot));
        status = 1;
    }
    if (!recorder.Close()) {
        Report(recorder.status().error());
        status = 1;
    }
    const GameStateSnapshot state = TakeSnapshot(loop.game(), loop.FramesRun());
    if (const Status written =
            options.dumpState.empty() ? Status() : WriteTextFile(options.dumpState, StateJson(state) + "\n");
        !written.ok()) {
        Report(written.error());
        status = 1;
    }
    const std::string smokeReport = loop.SmokeReport();  // the aircraft go with FormDestroy
    const std::string videoReport = VideoOptionsReport(loop.game());
    FormDestroy(loop.game());
    if (options.frames >= 0 || !options.replay.empty())
        PrintRunReport(loop.figures(), state, smokeReport, videoReport);
    if (!ok) {
        ShowError(loop.error_.error(), interactive);
        status = 1;
    }
    if (!loop.divergence_.ok()) {
        Report(loop.divergence_.error());
        status = 3;
    }
    return status;
}

// The game in its window, from the video system's start to its end.
int RunWindowed(const RunOptions& options, const InputRecording& replay, const std::string& iconPath,
                const char* argv0, bool interactive) {
    // The window's class is the desktop entry's StartupWMClass, whatever the executable is
    // called; the environment still decides when it names one.
    setenv("SDL_VIDEO_X11_WMCLASS", kWindowClass, 0);
    setenv("SDL_VIDEO_WAYLAND_WMCLASS", kWindowClass, 0);
    if (SDL_Init(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0) {
        ShowError(Error(std::string("cannot start the video system: ") + SDL_GetError()), interactive);
        return 1;
    }
    Settings settings = LoadPlayerSettings(options);
    const std::string windowStatePath = RemembersWindow(options) ? DefaultWindowStatePath() : std::string();
    const std::optional<WindowState> remembered =
        windowStatePath.empty() ? std::nullopt : RememberedWindow(windowStatePath);
    int status = 0;
    {
        std::unique_ptr<SdlMainWindow> window =
            OpenMainWindow(settings, options, replay, iconPath, interactive, remembered);
        if (!window) return 1;
        RecordingWriter recorder;
        if (!options.record.empty() && !recorder.Open(options.record, window->Width(), window->Height())) {
            ShowError(recorder.status().error(), interactive);
            SDL_Quit();
            return 1;
        }
        SdlClock systemClock;
        StepClock stepClock;
        // A fixed-step run starts as if the machine had been up for an hour, so the first frame
        // already updates the caption as it does on a real clock, and every run repeats exactly.
        stepClock.SetTicks(3600000);
        // Recording and replaying step the clock too, by the frame times they write and read.
        bool fixedStep = options.frameMs >= 0 || !options.record.empty() || !options.replay.empty();
        Clock& clock = fixedStep ? static_cast<Clock&>(stepClock) : systemClock;
        auto loop = std::make_unique<MainLoop>(options, *window, clock, fixedStep ? &stepClock : nullptr,
                                               fixedStep ? nullptr : &systemClock,
                                               options.replay.empty() ? nullptr : &replay,
                                               options.record.empty() ? nullptr : &recorder);
        loop->game().executablePath = ExecutablePath(argv0);
        loop->game().settings = settings;
        SetLocaleDirs(LocaleDirsForExecutable(ExecutablePath(argv0)));
        loop->ApplyInterfaceSettings();

        bool ok = loop->Run();
        if (!windowStatePath.empty()) {
            if (const Status saved = SaveWindowState(windowStatePath, window->Placement()); !saved.ok())
                Warn("the window's place is not remembered: " + saved.Message());
        }
        status = ReportRun(options, *window, recorder, *loop, ok, interactive);
    }
    SDL_Quit();
    return status;
}

}  // namespace

int RunGame(int argc, char** argv) {
    RunOptions options;
    if (const std::optional<int> answered = ParseCommandLine(argc, argv, options)) return *answered;
    // Demos, tests and replays must never stop at a message box.
    const bool interactive =
        options.frames < 0 && !options.autostart && options.replay.empty() && !options.checkData;
    InputRecording replay;
    if (!LoadReplay(options, replay)) return 1;
    const std::optional<std::string> root = FindDataRoot(options, argv[0], interactive);
    if (!root) return 2;
    const std::optional<std::vector<std::string>> mods = FindMods(options, interactive);
    if (!mods) return 2;
    const ScopedDataMods layered(*root, *mods);
    if (options.checkData) return RunCheckData(DataRootPrefix(*root));
    const std::string iconPath = ResolvePath(DataPath(DataRootPrefix(*root), kIconFile));

    // Headless: no video system, no window, no context, no sound device.
    if (options.headless)
        return RunHeadless(options, options.replay.empty() ? nullptr : &replay, LoadPlayerSettings(options),
                           ExecutablePath(argv[0]));
    return RunWindowed(options, replay, iconPath, argv[0], interactive);
}

}  // namespace tv::sdl
