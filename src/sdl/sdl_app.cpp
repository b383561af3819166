#include "sdl/sdl_app.h"

#include <SDL2/SDL.h>
#include <backends/imgui_impl_sdl.h>

#include <chrono>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/paths.h"
#include "sdl/sdl_clock.h"
#include "sdl/loading_window_sdl.h"
#include "sdl/sdl_input.h"
#include "sdl/sdl_main_window.h"
#include "shell/frame.h"
#include "shell/main_form.h"
#include "shell/replay.h"
#include "shell/run_options.h"
#include "shell/state_dump.h"
#include "shell/settings.h"
#include "shell/startup.h"

namespace tv::sdl {
namespace {

using SteadyClock = std::chrono::steady_clock;

// While the game runs, a pointer that comes this close to the window's edge is put back in
// the middle, so aiming never stops at the edge while the pointer stays free for the buttons.
// Wide enough that one event rarely carries the pointer into the screen's edge (where the
// system would clamp it and lose counts), narrow enough to keep clear of the buttons, the
// nearest of which starts 24 pixels below the top.
constexpr int kEdgeMargin = 20;

// While nothing moves (the title screen, the start-up question) the loop waits this long for
// an event before drawing again, so the caption's frame count still ticks over.
constexpr int kIdleWaitMs = 100;

std::string ExecutablePath(const char* argv0) {
    std::error_code ec;
    auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (!ec) return exe.string();
    return std::filesystem::absolute(argv0, ec).string();
}

// A recording larger than this is not one the game made.
constexpr std::uintmax_t kMaxRecordingBytes = 256u << 20;

class MainLoop {
public:
    // `replay` (may be null) supplies the input instead of the devices; `recorder` (may be
    // null, open) receives the input as it is played. A replay or a recording needs stepClock.
    MainLoop(const RunOptions& options, SdlMainWindow& window, Clock& clock, StepClock* stepClock,
             const InputRecording* replay, RecordingWriter* recorder)
        : options_(options), window_(window), stepClock_(stepClock), replay_(replay), recorder_(recorder) {
        game_.platform.clock = &clock;
        game_.platform.input = replay_ ? static_cast<InputDevices*>(&replayInput_)
                               : recorder_ ? static_cast<InputDevices*>(&recordingInput_)
                                           : static_cast<InputDevices*>(&input_);
        game_.platform.window = &window;
        game_.platform.loading = &loadingWindow_;
        game_.dataDirOverride = options.dataDir;
        window.SetForm(&game_.form);
        window.SetCaptureFrames(!options.screenshot.empty());
        SDL_GetMouseState(&lastX_, &lastY_);
    }

    Game& game() { return game_; }
    const FrameStats& stats() const { return stats_; }
    double WallSeconds() const {
        return firstFrame_ ? std::chrono::duration<double>(lastFrameEnd_ - *firstFrame_).count() : 0.0;
    }

    // Runs until the window closes. Returns false if an unguarded step raised.
    bool Run() {
        SDL_ShowWindow(window_.Handle());
        SDL_RaiseWindow(window_.Handle());
        FormActivate(game_);  // showing the window activates it
        bool autostartPending = options_.autostart;
        if (options_.frames == 0) {
            // Start up and stop before the first frame: the state as the start-up left it.
            if (autostartPending) pendingClick_ = kButton3;
            return RunButtonClicks();
        }
        while (!window_.CloseRequested()) {
            PlaceButtons();
            if (game_.form.FActive == 0) {
                // Minimised: nothing runs until something happens.
                SDL_Event e;
                if (SDL_WaitEvent(&e)) HandleEvent(e);
            }
            SDL_Event e;
            while (SDL_PollEvent(&e)) HandleEvent(e);
            if (window_.CloseRequested()) break;
            if (!RunButtonClicks()) return false;
            if (window_.CloseRequested()) break;  // "Нет"
            if (game_.form.FActive == 0) continue;
            const InputFrame* replayed = nullptr;
            if (replay_) {
                if (replayNext_ >= replay_->frames.size()) {
                    window_.Close();  // the recording is over
                    break;
                }
                replayed = &replay_->frames[replayNext_++];
                for (const WindowMessage& m : replayed->messages)
                    if (!Deliver(m)) return false;
                if (window_.CloseRequested()) break;  // "Нет"
                replayInput_.SetFrame(replayed);
            } else {
                KeepPointerInside();
            }

            auto start = SteadyClock::now();
            if (!firstFrame_) firstFrame_ = start;
            const uint32_t frameMs = replayed ? replayed->frameMs : NextFrameMs(start);
            if (stepClock_) stepClock_->Advance(frameMs);
            bool done = true;
            ApplicationEvents1Idle(game_, done);
            if (!window_.TakePresented()) window_.PresentControlsOnly();
            lastFrameEnd_ = SteadyClock::now();
            stats_.Add(std::chrono::duration<double, std::milli>(lastFrameEnd_ - start).count());
            if (recorder_) {
                InputFrame& recorded = recordingInput_.Frame();
                recorded.frameMs = frameMs;
                recorder_->Write(recorded);
                recorded = InputFrame{};
            }

            if (autostartPending) {
                autostartPending = false;
                pendingClick_ = kButton3;
            }
            if (options_.frames >= 0 && static_cast<int64_t>(stats_.Count()) >= options_.frames) {
                window_.Close();
            }
            Pace(start);
        }
        return true;
    }

private:
    // The buttons follow the window's size, which the player may change at any time.
    void PlaceButtons() {
        int w = 0, h = 0;
        window_.WindowSize(w, h);
        LayoutButtons(game_.form, w, h);
    }

    // Ends a frame that began at `start` no sooner than the player's frame cap allows; on a
    // screen where nothing moves, waits for the player instead of drawing the same picture
    // again. Timed runs and replays never wait.
    void Pace(SteadyClock::time_point start) {
        if (options_.frames >= 0 || replay_) return;
        if (!game_.InitOK && !window_.CloseRequested()) {
            SDL_Event e;
            if (SDL_WaitEventTimeout(&e, kIdleWaitMs)) HandleEvent(e);
            return;
        }
        const int maxFps = game_.settings.video.maxFps;
        if (maxFps > 0) std::this_thread::sleep_until(start + std::chrono::microseconds(1000000 / maxFps));
    }

    // F11 (or the player's key) and Alt+Enter switch between full screen and a window. True
    // when the key was one of them; such a key means nothing to the game.
    bool HandleWindowKey(const SDL_KeyboardEvent& key) {
        if (key.repeat) return false;
        const SDL_Keycode toggle = SDL_GetKeyFromName(game_.settings.keys.fullscreen.c_str());
        const bool altEnter = (key.keysym.sym == SDLK_RETURN || key.keysym.sym == SDLK_KP_ENTER) &&
                              (key.keysym.mod & KMOD_ALT);
        if (!altEnter && (toggle == SDLK_UNKNOWN || key.keysym.sym != toggle)) return false;
        window_.ToggleFullscreen();
        return true;
    }

    // Handlers run between frames, never inside one; an exception here is an unguarded
    // start-up step failing.
    bool RunButtonClicks() {
        if (pendingClick_ == kFormButtonCount) return true;
        FormButtonId id = pendingClick_;
        pendingClick_ = kFormButtonCount;
        return Deliver({WindowMessageKind::Click, id});
    }

    // Hands a window message to the game, noting it first when recording. False when a click
    // ran an unguarded start-up step that raised.
    bool Deliver(const WindowMessage& m) {
        if (recorder_) recordingInput_.Frame().messages.push_back(m);
        try {
            SendWindowMessage(game_, m);
        } catch (const std::exception& ex) {
            error_ = ex.what();
            return false;
        }
        return true;
    }

    // How long the frame starting at `start` lasts on the game's clock. A recording without a
    // fixed frame time steps the clock by the wall clock's whole milliseconds, so the replay
    // can step it the same way.
    uint32_t NextFrameMs(SteadyClock::time_point start) {
        if (options_.frameMs >= 0) return static_cast<uint32_t>(options_.frameMs);
        const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(start - *firstFrame_).count();
        const uint32_t ms = static_cast<uint32_t>(elapsed - wallMsGiven_);
        wallMsGiven_ = elapsed;
        return ms;
    }

    bool GameRunning() const { return game_.InitOK && game_.GLReady; }

    void HandleEvent(const SDL_Event& e) {
        // The loading window's own events are not the main window's business.
        const Uint32 mainId = SDL_GetWindowID(window_.Handle());
        if ((e.type == SDL_WINDOWEVENT && e.window.windowID != mainId) ||
            ((e.type == SDL_MOUSEBUTTONDOWN || e.type == SDL_MOUSEBUTTONUP) && e.button.windowID != mainId) ||
            (e.type == SDL_MOUSEMOTION && e.motion.windowID != mainId))
            return;
        ImGui_ImplSDL2_ProcessEvent(&e);
        // A replay's input comes from the recording; the real devices only close the window.
        if (replay_ && (e.type == SDL_MOUSEMOTION || e.type == SDL_MOUSEBUTTONDOWN || e.type == SDL_MOUSEBUTTONUP ||
                        e.type == SDL_KEYDOWN || e.type == SDL_MOUSEWHEEL))
            return;
        switch (e.type) {
            case SDL_QUIT: window_.Close(); break;
            case SDL_WINDOWEVENT:
                switch (e.window.event) {
                    case SDL_WINDOWEVENT_CLOSE: window_.Close(); break;
                    case SDL_WINDOWEVENT_MINIMIZED: ApplicationEvents1Minimize(game_); break;
                    case SDL_WINDOWEVENT_RESTORED: ApplicationEvents1Restore(game_); break;
                    case SDL_WINDOWEVENT_FOCUS_GAINED: FormActivate(game_); break;
                    case SDL_WINDOWEVENT_SIZE_CHANGED: FormResize(game_); break;
                    default: break;
                }
                break;
            case SDL_MOUSEMOTION:
                // Counts come from the pointer's own positions, so a warp back to the middle
                // (which moves lastX_/lastY_ with it) never reads as movement.
                input_.AddMotion(e.motion.x - lastX_, e.motion.y - lastY_);
                lastX_ = e.motion.x;
                lastY_ = e.motion.y;
                break;
            case SDL_MOUSEBUTTONDOWN: {
                FormButtonId hit = ButtonAt(game_.form, e.button.x, e.button.y);
                if (e.button.button == SDL_BUTTON_LEFT && hit != kFormButtonCount) {
                    pressedButton_ = hit;  // the press belongs to the button, not the window
                } else if (hit == kFormButtonCount) {
                    MouseButton b = e.button.button == SDL_BUTTON_LEFT    ? MouseButton::Left
                                    : e.button.button == SDL_BUTTON_RIGHT ? MouseButton::Right
                                                                          : MouseButton::Middle;
                    Deliver({WindowMessageKind::MouseDown, static_cast<int32_t>(b)});
                }
                break;
            }
            case SDL_MOUSEBUTTONUP:
                if (e.button.button == SDL_BUTTON_LEFT && pressedButton_ != kFormButtonCount) {
                    if (ButtonAt(game_.form, e.button.x, e.button.y) == pressedButton_) pendingClick_ = pressedButton_;
                    pressedButton_ = kFormButtonCount;
                } else {
                    Deliver({WindowMessageKind::MouseUp, 0});
                }
                break;
            case SDL_KEYDOWN:
                if (HandleWindowKey(e.key)) break;
                input_.LatchKey(e.key.keysym.scancode);
                break;
            case SDL_MOUSEWHEEL:
                input_.AddWheel(e.wheel.y);
                // One event is one step, whatever its amount.
                if (e.wheel.y < 0) Deliver({WindowMessageKind::WheelDown, 0});
                if (e.wheel.y > 0) Deliver({WindowMessageKind::WheelUp, 0});
                break;
            default: break;
        }
    }

    void KeepPointerInside() {
        if (!GameRunning() || pressedButton_ != kFormButtonCount) return;
        if (!(SDL_GetWindowFlags(window_.Handle()) & SDL_WINDOW_MOUSE_FOCUS)) return;
        int w = window_.Width(), h = window_.Height();
        if (w <= 4 * kEdgeMargin || h <= 4 * kEdgeMargin) return;
        if (lastX_ >= kEdgeMargin && lastX_ < w - kEdgeMargin && lastY_ >= kEdgeMargin && lastY_ < h - kEdgeMargin)
            return;
        lastX_ = w / 2;
        lastY_ = h / 2;
        SDL_WarpMouseInWindow(window_.Handle(), lastX_, lastY_);
    }

public:
    std::string error_;

private:
    const RunOptions& options_;
    SdlMainWindow& window_;
    StepClock* stepClock_;
    const InputRecording* replay_;
    RecordingWriter* recorder_;
    size_t replayNext_ = 0;      // the next recorded frame to play
    int64_t wallMsGiven_ = 0;    // wall-clock ms handed to the game's clock while recording
    SdlInput input_;
    RecordingInput recordingInput_{input_};
    ReplayInput replayInput_;
    SdlLoadingWindow loadingWindow_;
    Game game_;
    FrameStats stats_;
    std::optional<SteadyClock::time_point> firstFrame_;
    SteadyClock::time_point lastFrameEnd_{};
    FormButtonId pressedButton_ = kFormButtonCount;
    FormButtonId pendingClick_ = kFormButtonCount;
    int lastX_ = 0;
    int lastY_ = 0;
};

void ShowError(const std::string& text, bool interactive) {
    std::fprintf(stderr, "terravik: %s\n", text.c_str());
    if (interactive) SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, "Terravik", text.c_str(), nullptr);
}

// Reads and parses a recording; false with `error` when it cannot.
bool LoadRecording(const std::string& path, InputRecording& out, std::string& error) {
    std::error_code ec;
    const auto size = std::filesystem::file_size(path, ec);
    if (ec || !std::filesystem::is_regular_file(path, ec)) {
        error = "cannot read the recording " + path;
        return false;
    }
    if (size > kMaxRecordingBytes) {
        error = "the recording " + path + " is too large";
        return false;
    }
    std::ifstream in(path, std::ios::binary);
    std::string text(static_cast<size_t>(size), '\0');
    if (!in.read(text.data(), static_cast<std::streamsize>(size))) {
        error = "cannot read the recording " + path;
        return false;
    }
    if (!ParseRecording(text, out, error)) {
        error = path + ": " + error;
        return false;
    }
    return true;
}

bool WriteTextFile(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    out.close();
    return static_cast<bool>(out);
}

// The settings file (a missing default file is no news), every warning on stderr, and the
// command line over it. Key names are checked against SDL's own names here.
Settings LoadPlayerSettings(const RunOptions& options) {
    const bool named = !options.configFile.empty();
    std::string path = named ? options.configFile : DefaultSettingsPath();
    std::vector<std::string> warnings;
    Settings settings;
    if (!path.empty()) {
        settings = LoadSettingsFile(path, named, warnings, [](const std::string& name) {
            return SDL_GetKeyFromName(name.c_str()) != SDLK_UNKNOWN;
        });
    }
    for (const std::string& w : warnings) std::fprintf(stderr, "terravik: %s\n", w.c_str());
    ApplyCommandLine(settings, options);
    return settings;
}

}  // namespace

int RunGame(int argc, char** argv) {
    RunOptions options;
    std::vector<std::string> args(argv + 1, argv + argc);
    std::string bad = ParseRunOptions(args, options);
    if (!bad.empty()) {
        std::fprintf(stderr, "terravik: %s\n%s", bad.c_str(), UsageText().c_str());
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
        std::string path = options.configFile.empty() ? DefaultSettingsPath() : options.configFile;
        std::string failed = WriteDefaultSettings(path);
        if (!failed.empty()) {
            std::fprintf(stderr, "terravik: %s\n", failed.c_str());
            return 1;
        }
        std::printf("wrote the default settings to %s\n", path.c_str());
        return 0;
    }
    // Demos, tests and replays must never stop at a message box.
    const bool interactive = options.frames < 0 && !options.autostart && options.replay.empty();

    InputRecording replay;
    if (!options.replay.empty()) {
        std::string error;
        if (!LoadRecording(options.replay, replay, error)) {
            ShowError(error, false);
            return 1;
        }
        // The window the recording was played in, unless told otherwise.
        if (options.windowedWidth == 0) {
            options.windowedWidth = replay.width;
            options.windowedHeight = replay.height;
        }
    }

    // A data folder that is not there is the player's to fix, before any window opens.
    {
        const std::string root =
            options.dataDir.empty() ? DataRootForExecutable(ExecutablePath(argv[0])) : options.dataDir;
        std::string problem = DataRootProblem(root, !options.dataDir.empty());
        if (!problem.empty()) {
            std::fprintf(stderr, "terravik: %s\n", problem.c_str());
            return 2;
        }
    }

    if (SDL_Init(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0) {
        ShowError(std::string("cannot start the video system: ") + SDL_GetError(), false);
        return 1;
    }
    Settings settings = LoadPlayerSettings(options);
    int status = 0;
    {
        SdlMainWindow window(settings.video.fullscreen, settings.video.width, settings.video.height);
        if (!window.Ok()) {
            ShowError("cannot open the main window: " + window.Error(), interactive);
            SDL_Quit();
            return 1;
        }
        window.SetVsync(settings.video.vsync);
        if (!options.replay.empty() && (window.Width() != replay.width || window.Height() != replay.height)) {
            ShowError("the replay needs a " + std::to_string(replay.width) + "x" + std::to_string(replay.height) +
                          " window, got " + std::to_string(window.Width()) + "x" + std::to_string(window.Height()),
                      false);
            SDL_Quit();
            return 1;
        }
        RecordingWriter recorder;
        if (!options.record.empty() && !recorder.Open(options.record, window.Width(), window.Height())) {
            ShowError(recorder.Error(), false);
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
        auto loop = std::make_unique<MainLoop>(options, window, clock, fixedStep ? &stepClock : nullptr,
                                               options.replay.empty() ? nullptr : &replay,
                                               options.record.empty() ? nullptr : &recorder);
        loop->game().executablePath = ExecutablePath(argv[0]);
        loop->game().settings = settings;

        bool ok = loop->Run();
        if (!options.screenshot.empty() && !window.WriteLastFrame(options.screenshot)) {
            std::fprintf(stderr, "terravik: could not write %s\n", options.screenshot.c_str());
            status = 1;
        }
        if (!recorder.Close()) {
            std::fprintf(stderr, "terravik: %s\n", recorder.Error().c_str());
            status = 1;
        }
        const GameStateSnapshot state = TakeSnapshot(loop->game(), static_cast<int64_t>(loop->stats().Count()));
        if (!options.dumpState.empty() && !WriteTextFile(options.dumpState, StateJson(state) + "\n")) {
            std::fprintf(stderr, "terravik: could not write %s\n", options.dumpState.c_str());
            status = 1;
        }
        FormDestroy(loop->game());
        if (options.frames >= 0 || !options.replay.empty())
            std::printf("%s, state_hash %s\n", loop->stats().Report(loop->WallSeconds()).c_str(),
                        HashHex(StateHash(state)).c_str());
        if (!ok) {
            ShowError(loop->error_, interactive);
            status = 1;
        }
    }
    SDL_Quit();
    return status;
}

}  // namespace tv::sdl
