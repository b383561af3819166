#include "sdl/sdl_app.h"

#include <SDL2/SDL.h>
#include <backends/imgui_impl_sdl.h>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "common/atomic_file.h"
#include "platform/paths.h"
#include "sdl/font_lookup.h"
#include "sdl/headless_run.h"
#include "sdl/sdl_clock.h"
#include "sdl/loading_window_sdl.h"
#include "sdl/sdl_input.h"
#include "sdl/sdl_main_window.h"
#include "render/yardstick.h"
#include "world/particles.h"
#include "shell/frame.h"
#include "shell/main_form.h"
#include "shell/replay.h"
#include "shell/run_options.h"
#include "shell/state_dump.h"
#include "shell/screenshot_path.h"
#include "shell/settings.h"
#include "shell/startup.h"

namespace tv::sdl {
namespace {

using SteadyClock = std::chrono::steady_clock;
// Taken while the program initialises, before main runs: the start of the start-up time.
const SteadyClock::time_point kProgramStart = SteadyClock::now();

// While nothing moves (the title screen, the start-up question) the loop waits this long for
// an event before drawing again, so the caption's frame count still ticks over.
constexpr int kIdleWaitMs = 100;

std::string ExecutablePath(const char* argv0) {
    std::error_code ec;
    auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (!ec) return exe.string();
    return std::filesystem::absolute(argv0, ec).string();
}

class MainLoop {
public:
    // `replay` (may be null) supplies the input instead of the devices; `recorder` (may be
    // null, open) receives the input as it is played. A replay or a recording needs stepClock;
    // `systemClock` is the clock when the game runs on the system's time (held while paused).
    MainLoop(const RunOptions& options, SdlMainWindow& window, Clock& clock, StepClock* stepClock,
             SdlClock* systemClock, const InputRecording* replay, RecordingWriter* recorder)
        : options_(options), window_(window), stepClock_(stepClock), systemClock_(systemClock), replay_(replay),
          recorder_(recorder) {
        game_.platform.clock = &clock;
        // A replay that records writes what it plays (with fresh checkpoints).
        recording_ = replay_ ? &replayRecordingInput_ : &recordingInput_;
        game_.platform.input = recorder_ ? static_cast<InputDevices*>(recording_)
                               : replay_ ? static_cast<InputDevices*>(&replayInput_)
                                         : static_cast<InputDevices*>(&input_);
        game_.platform.window = &window;
        game_.platform.loading = &loadingWindow_;
        game_.dataDirOverride = options.dataDir;
        window.SetForm(&game_.form);
        // With --autostart the run's frames are those after the start-up.
        counting_ = !options.autostart;
        // The captured pointer reads its counts from pointer motion re-centred by SDL rather
        // than from raw device input, which misses synthetic pointers (remote desktops, input
        // tools) on X11. SDL_MOUSE_RELATIVE_MODE_WARP in the environment still decides.
        SDL_SetHintWithPriority(SDL_HINT_MOUSE_RELATIVE_MODE_WARP, "1", SDL_HINT_DEFAULT);
        // Controllers are optional: without the subsystem the game plays on mouse and keys.
        if (SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER) != 0)
            std::fprintf(stderr, "terravik: no game controllers: %s\n", SDL_GetError());
    }
    ~MainLoop() {
        if (SDL_GetRelativeMouseMode()) SDL_SetRelativeMouseMode(SDL_FALSE);
    }

    Game& game() { return game_; }
    const FrameStats& stats() const { return stats_; }
    // Every frame the loop ran, the title screen's too (the timing stats may start later).
    int64_t FramesRun() const { return framesRun_; }
    // The mean of the yardstick's two measurements (the one taken when only one was); 0 when
    // not measured.
    double YardstickMs() const {
        return yardstickEndMs_ > 0.0 ? (yardstickStartMs_ + yardstickEndMs_) / 2.0 : yardstickStartMs_;
    }
    double YardstickStartMs() const { return yardstickStartMs_; }
    double YardstickEndMs() const { return yardstickEndMs_; }
    // The most smoke particles alive after a frame, and how many the budget cut short.
    std::string SmokeReport() const {
        const T_Particles_System* smoke = game_.Planes ? game_.Planes->Smoke : nullptr;
        if (!smoke) return {};
        return "smoke particles: peak " + std::to_string(smokePeak_) + " of " + std::to_string(smoke->Budget) +
               ", replaced " + std::to_string(smoke->Replaced);
    }
    // From the program's start to the end of the start-up, when the game's first frame can run
    // (zero before that). The yardstick's measurement after it does not count.
    double StartupSeconds() const {
        return startupDone_ ? std::chrono::duration<double>(*startupDone_ - kProgramStart).count() : 0.0;
    }
    double WallSeconds() const {
        return firstFrame_ ? std::chrono::duration<double>(lastFrameEnd_ - *firstFrame_).count() : 0.0;
    }

    // Runs until the window closes. Returns false if an unguarded step raised.
    bool Run() {
        ApplyInputSettings();
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
            const bool startupClick = pendingClick_ == kButton3 && !counting_;
            if (!RunButtonClicks()) return false;
            if (window_.CloseRequested()) break;  // "Нет"
            if (startupClick) AfterStartup();
            if (game_.form.FActive == 0) continue;
            if (game_.Paused) {
                ShowPausedFrame();
                continue;
            }
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
                UpdatePointerCapture();
            }

            // The screenshot reads back only the frame it keeps: the last of a --frames run,
            // or every frame when nothing says which will be last.
            const bool lastFrame = counting_ && options_.frames > 0 &&
                                   static_cast<int64_t>(stats_.Count()) + 1 >= options_.frames;
            // A screenshot key pressed since the last frame wants this one too.
            window_.SetCaptureFrames(screenshotPending_ ||
                                     (!options_.screenshot.empty() && (options_.frames < 0 || lastFrame)));

            auto start = SteadyClock::now();
            if (counting_ && !firstFrame_) firstFrame_ = start;
            const uint32_t frameMs = replayed ? replayed->frameMs : NextFrameMs(start);
            if (stepClock_) stepClock_->Advance(frameMs);
            bool done = true;
            ApplicationEvents1Idle(game_, done);
            ++framesRun_;
            if (!window_.TakePresented()) window_.PresentControlsOnly();
            WriteScreenshotIfAsked();
            lastFrameEnd_ = SteadyClock::now();
            if (counting_) stats_.Add(std::chrono::duration<double, std::milli>(lastFrameEnd_ - start).count());
            if (recorder_) {
                InputFrame& recorded = recording_->Frame();
                recorded.frameMs = frameMs;
                recorder_->Write(recorded);
                recorded = InputFrame{};
                recorder_->WriteCheckpointIfDue(framesRun_, [&] { return StateHash(TakeSnapshot(game_, framesRun_)); });
            }
            divergence_ = checkpoints_.Check(framesRun_, [&] { return StateHash(TakeSnapshot(game_, framesRun_)); });
            if (!divergence_.empty()) {
                window_.Close();  // the rest of the replay would only repeat the difference
                break;
            }
            if (game_.Planes && game_.Planes->Smoke)
                smokePeak_ = std::max<int64_t>(smokePeak_, game_.Planes->Smoke->Count);

            if (autostartPending) {
                autostartPending = false;
                pendingClick_ = kButton3;
            }
            if (lastFrame) {
                if (yardstickStartMs_ > 0.0 && GameRunning()) yardstickEndMs_ = MeasureYardstick();
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
        TrackState();
    }

    // Keeps the input in step with where the player is: a new state drops the keys latched in
    // the old one. A state an event changed (a pause key) begins at that event, so the events
    // queued behind it still count; one a click changed begins once its start-up is over.
    // The controller's focus follows the buttons that are shown.
    void TrackState(bool byEvent = true) {
        input_.SetState(StateOf(game_), byEvent);
        window_.SetFocusedButton(pad_.Focused(game_.form));
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
        if (recorder_) recording_->Frame().messages.push_back(m);
        try {
            SendWindowMessage(game_, m);
        } catch (const std::exception& ex) {
            error_ = ex.what();
            return false;
        }
        TrackState(false);  // a click may have started the game or answered the question
        return true;
    }

    // How long the frame starting at `start` lasts on the game's clock. A recording without a
    // fixed frame time steps the clock by the wall clock's whole milliseconds, so the replay
    // can step it the same way.
    uint32_t NextFrameMs(SteadyClock::time_point start) {
        if (options_.frameMs >= 0) return static_cast<uint32_t>(options_.frameMs);
        if (!wallOrigin_) wallOrigin_ = start;
        const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(start - *wallOrigin_).count();
        // Time spent paused is not the game's: it was added to wallMsGiven_ on resuming.
        const uint32_t ms = static_cast<uint32_t>(elapsed - wallMsGiven_);
        wallMsGiven_ = elapsed;
        return ms;
    }

    bool GameRunning() const { return game_.InitOK && game_.GLReady; }

    // Right after the autostart's start-up: the counted frames begin, --waves presses
    // "Еще 50", and a --frames run measures its yardstick layer.
    void AfterStartup() {
        if (GameRunning()) startupDone_ = SteadyClock::now();
        counting_ = true;
        if (options_.waves > 0 && GameRunning()) {
            for (int64_t w = 0; w < options_.waves; ++w) ClickButton(game_, kButton4);
        }
        if (options_.frames > 0 && GameRunning()) yardstickStartMs_ = MeasureYardstick();
    }

    // One full-screen layer's cost now. Measured before the first counted frame and again
    // after the last, outside both frames' times: on a shared machine one moment's figure can
    // be a fifth off the run's.
    double MeasureYardstick() {
        LayerYardstick yardstick;
        const double ms = yardstick.MeasureMs(game_.ScreenWidth, game_.ScreenHeight);
        yardstick.Release();
        return ms;
    }

    // Once the start-up is over (its loading window gone), the main window takes the focus
    // back, so aiming starts without a click.
    void FocusWhenPlayStarts() {
        const bool running = GameRunning();
        if (running && !wasRunning_ && !replay_) {
            SDL_RaiseWindow(window_.Handle());
            SDL_SetWindowInputFocus(window_.Handle());
            wantCapture_ = true;
        }
        wasRunning_ = running;
    }

    void HandleEvent(const SDL_Event& e) {
        // The loading window's own events are not the main window's business.
        const Uint32 mainId = SDL_GetWindowID(window_.Handle());
        if ((e.type == SDL_WINDOWEVENT && e.window.windowID != mainId) ||
            ((e.type == SDL_MOUSEBUTTONDOWN || e.type == SDL_MOUSEBUTTONUP) && e.button.windowID != mainId) ||
            (e.type == SDL_MOUSEMOTION && e.motion.windowID != mainId))
            return;
        if (input_.Stale(e)) return;  // pressed in a state that is over
        ImGui_ImplSDL2_ProcessEvent(&e);
        TrackState();
        // A replay's input comes from the recording; the real devices only close the window.
        if (replay_ && (e.type == SDL_MOUSEMOTION || e.type == SDL_MOUSEBUTTONDOWN || e.type == SDL_MOUSEBUTTONUP ||
                        e.type == SDL_KEYDOWN || e.type == SDL_MOUSEWHEEL || e.type == SDL_CONTROLLERBUTTONDOWN ||
                        e.type == SDL_CONTROLLERAXISMOTION))
            return;
        switch (e.type) {
            case SDL_QUIT: window_.Close(); break;
            case SDL_WINDOWEVENT:
                switch (e.window.event) {
                    case SDL_WINDOWEVENT_CLOSE: window_.Close(); break;
                    case SDL_WINDOWEVENT_MINIMIZED: ApplicationEvents1Minimize(game_); break;
                    case SDL_WINDOWEVENT_RESTORED: ApplicationEvents1Restore(game_); break;
                    case SDL_WINDOWEVENT_FOCUS_GAINED:
                        FormActivate(game_);
                        wantCapture_ = true;  // back in the game, aiming goes on
                        break;
                    case SDL_WINDOWEVENT_FOCUS_LOST:
                        // The pointer goes back to the desktop until the window has the focus again.
                        wantCapture_ = false;
                        if (game_.settings.audio.pauseOnFocusLoss) SetPaused(true);
                        break;
                    case SDL_WINDOWEVENT_SIZE_CHANGED: FormResize(game_); break;
                    default: break;
                }
                break;
            case SDL_MOUSEMOTION:
                // Relative counts: only a captured pointer aims (SdlInput drops the rest).
                input_.AddMotion(e.motion.xrel, e.motion.yrel);
                break;
            case SDL_MOUSEBUTTONDOWN: {
                // A captured pointer is hidden: its clicks are the game's, never a button's.
                const bool captured = SDL_GetRelativeMouseMode();
                FormButtonId hit = captured ? kFormButtonCount : ButtonAt(game_.form, e.button.x, e.button.y);
                if (e.button.button == SDL_BUTTON_LEFT && hit != kFormButtonCount) {
                    pressedButton_ = hit;  // the press belongs to the button, not the window
                } else if (hit == kFormButtonCount && !captured && GameRunning()) {
                    // A click into the view takes the pointer back (not while paused); it does
                    // not fire.
                    if (!game_.Paused) wantCapture_ = true;
                    swallowUp_ = true;
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
                } else if (swallowUp_) {
                    swallowUp_ = false;
                } else {
                    Deliver({WindowMessageKind::MouseUp, 0});
                }
                break;
            case SDL_KEYDOWN:
                if (HandleWindowKey(e.key)) break;
                // Where no frame reads the game's keys, the quit key quits at once.
                if (input_.State() != FormState::Playing && !e.key.repeat &&
                    input_.CodeOf(e.key.keysym.scancode) == kKeyEscape) {
                    window_.Close();
                    break;
                }
                input_.LatchKey(e.key.keysym.scancode);
                if (!e.key.repeat) HandleShortcut(e.key.keysym.sym);
                break;
            case SDL_CONTROLLERDEVICEADDED: input_.OpenController(e.cdevice.which); break;
            case SDL_CONTROLLERDEVICEREMOVED: input_.CloseController(e.cdevice.which); break;
            case SDL_CONTROLLERBUTTONDOWN:
            case SDL_CONTROLLERAXISMOTION:
                Act(pad_.Handle(e, game_.form, input_.State(), GameRunning()));
                if (e.type == SDL_CONTROLLERAXISMOTION && e.caxis.axis == SDL_CONTROLLER_AXIS_TRIGGERRIGHT)
                    HandleTrigger(e.caxis.value);
                window_.SetFocusedButton(pad_.Focused(game_.form));
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

    // The player's sensitivity and keys. The scaled counts are what a recording keeps, so a
    // replay never depends on the replaying player's settings.
    void ApplyInputSettings() {
        const Settings& s = game_.settings;
        input_.SetMouseScale(s.input.mouseSensitivity, s.input.invertY);
        input_.SetStickScale(s.input.controllerSensitivity);
        keyMore_ = SDL_GetKeyFromName(s.keys.moreAircraft.c_str());
        keyPause_ = SDL_GetKeyFromName(s.keys.pause.c_str());
        keyScreenshot_ = SDL_GetKeyFromName(s.keys.screenshot.c_str());
        keyFreePointer_ = SDL_GetKeyFromName(s.keys.freePointer.c_str());
        auto bind = [&](uint8_t code, const std::string& name) {
            const SDL_Keycode key = SDL_GetKeyFromName(name.c_str());
            if (key != SDLK_UNKNOWN) input_.BindGameKey(code, SDL_GetScancodeFromKey(key));
        };
        bind(kKey1, s.keys.cannon);
        bind(kKey2, s.keys.laser);
        bind(kKeyEscape, s.keys.quit);
    }

    // The keys around the game: more aircraft, pause, screenshot, free the pointer.
    void HandleShortcut(SDL_Keycode key) {
        if (key == SDLK_UNKNOWN) return;
        if (key == keyScreenshot_) AskScreenshot();
        if (!GameRunning()) return;
        if (key == keyMore_) ClickMoreAircraft();
        if (key == keyPause_) SetPaused(!game_.Paused);
        if (key == keyFreePointer_ && !game_.Paused) {
            wantCapture_ = !wantCapture_;
            UpdatePointerCapture();  // the next click already meets the pointer as it is now
        }
    }

    // Does what a controller event asked. Its clicks wait for the loop like the mouse's, so
    // they are delivered and recorded the same way.
    void Act(const PadAction& action) {
        switch (action.kind) {
            case PadAction::kClick:
                if (pendingClick_ == kFormButtonCount) pendingClick_ = static_cast<FormButtonId>(action.arg);
                break;
            case PadAction::kKey: input_.LatchCode(static_cast<uint8_t>(action.arg)); break;
            case PadAction::kPause: SetPaused(!game_.Paused); break;
            case PadAction::kQuit: window_.Close(); break;
            case PadAction::kNone: break;
        }
    }

    // The right trigger presses and releases fire as the left mouse button does on the view.
    void HandleTrigger(int16_t value) {
        const bool held = value >= kTriggerFires * 32767.0;
        if (held == triggerHeld_ || game_.Paused) return;
        triggerHeld_ = held;
        if (held) Deliver({WindowMessageKind::MouseDown, static_cast<int32_t>(MouseButton::Left)});
        else Deliver({WindowMessageKind::MouseUp, 0});
    }

    // "Еще 50" from its key: the button's click, recorded like the mouse's.
    void ClickMoreAircraft() {
        const FormButton& more = game_.form.buttons[kButton4];
        if (more.visible && pendingClick_ == kFormButtonCount) pendingClick_ = kButton4;
    }

    // Pausing stops the game's clock, frees the pointer and holds the sound; no frame runs
    // (so nothing is recorded) until the game goes on.
    void SetPaused(bool paused) {
        if (paused == game_.Paused || replay_) return;
        if (paused) {
            BeginPause(game_);
            pauseStart_ = SteadyClock::now();
        } else {
            EndPause(game_);
            wallMsGiven_ += std::chrono::duration_cast<std::chrono::milliseconds>(SteadyClock::now() - pauseStart_).count();
            input_.DropMotion();
        }
        if (systemClock_) systemClock_->Hold(paused);
        TrackState();
        UpdatePointerCapture();
    }

    // The paused picture, then a wait for the next event instead of a busy loop.
    void ShowPausedFrame() {
        UpdatePointerCapture();
        PausedFrame(game_);
        if (!window_.TakePresented()) window_.PresentControlsOnly();
        WriteScreenshotIfAsked();
        SDL_WaitEventTimeout(nullptr, 50);
    }

    // The pointer is captured (hidden, confined, every count turns the view) while the game runs
    // unpaused in the focused window and the player has not freed it.
    void UpdatePointerCapture() {
        FocusWhenPlayStarts();
        const bool focused = (SDL_GetWindowFlags(window_.Handle()) & SDL_WINDOW_INPUT_FOCUS) != 0;
        const bool capture = GameRunning() && !replay_ && !game_.Paused && wantCapture_ && focused &&
                             pressedButton_ == kFormButtonCount;
        if (capture != static_cast<bool>(SDL_GetRelativeMouseMode())) {
            if (SDL_SetRelativeMouseMode(capture ? SDL_TRUE : SDL_FALSE) != 0 && capture) {
                // No relative mode here: aim with the free pointer rather than not at all.
                input_.SetAiming(true);
                return;
            }
            // The first motion after capturing only tells SDL where the pointer is: make that
            // one a warp to the middle, not the player's first move.
            if (capture) SDL_WarpMouseInWindow(window_.Handle(), window_.Width() / 2, window_.Height() / 2);
        }
        if (capture && !input_.Aiming()) input_.DropMotion();
        input_.SetAiming(capture);
    }

    void AskScreenshot() {
        screenshotPending_ = true;
        window_.SetCaptureFrames(true);
    }

    // Writes the frame just presented when the screenshot key asked for it.
    void WriteScreenshotIfAsked() {
        if (!screenshotPending_) return;
        screenshotPending_ = false;
        const std::string path = ScreenshotPath(ScreenshotFolder(), std::time(nullptr));
        if (window_.WriteLastFrame(path)) std::fprintf(stderr, "terravik: screenshot %s\n", path.c_str());
        else std::fprintf(stderr, "terravik: could not write the screenshot %s\n", path.c_str());
    }

public:
    std::string error_;
    std::string divergence_;  // the first checkpoint the replay missed, if any

private:
    const RunOptions& options_;
    SdlMainWindow& window_;
    StepClock* stepClock_;
    SdlClock* systemClock_;
    const InputRecording* replay_;
    RecordingWriter* recorder_;
    size_t replayNext_ = 0;      // the next recorded frame to play
    std::optional<SteadyClock::time_point> startupDone_;
    std::optional<SteadyClock::time_point> wallOrigin_;  // the first frame's start, for NextFrameMs
    int64_t wallMsGiven_ = 0;    // wall-clock ms handed to the game's clock while recording
    SdlInput input_;
    PadControls pad_;
    RecordingInput recordingInput_{input_};
    ReplayInput replayInput_;
    RecordingInput replayRecordingInput_{replayInput_};
    RecordingInput* recording_ = nullptr;  // what a recording run notes the reads in
    CheckpointChecker checkpoints_{replay_ ? &replay_->checkpoints : nullptr};
    SdlLoadingWindow loadingWindow_;
    Game game_;
    FrameStats stats_;
    bool counting_ = true;      // frames go into stats_
    double yardstickStartMs_ = 0.0;  // one full-screen layer before the counted frames; 0 if not
    double yardstickEndMs_ = 0.0;    // and after them
    int64_t smokePeak_ = 0;
    std::optional<SteadyClock::time_point> firstFrame_;
    SteadyClock::time_point lastFrameEnd_{};
    FormButtonId pressedButton_ = kFormButtonCount;
    FormButtonId pendingClick_ = kFormButtonCount;
    bool wasRunning_ = false;   // the game was running at the last capture update
    bool wantCapture_ = true;   // the player has not freed the pointer (Tab) or lost the focus
    bool swallowUp_ = false;    // the click that captured the pointer is not the game's
    bool triggerHeld_ = false;  // the controller's right trigger is past its firing point
    bool screenshotPending_ = false;
    int64_t framesRun_ = 0;
    SteadyClock::time_point pauseStart_{};
    SDL_Keycode keyMore_ = SDLK_UNKNOWN;
    SDL_Keycode keyPause_ = SDLK_UNKNOWN;
    SDL_Keycode keyScreenshot_ = SDLK_UNKNOWN;
    SDL_Keycode keyFreePointer_ = SDLK_UNKNOWN;
};

// The window's icon, relative to the data root (the build draws it there).
constexpr const char* kIconFile = "terravik.png";
// WM_CLASS, as dist/org.terravik.Terravik.desktop names it in StartupWMClass.
constexpr const char* kWindowClass = "terravik";

// One line on stderr, and a message box too when a player is there to close it.
void ShowError(const std::string& text, bool interactive) {
    std::fprintf(stderr, "terravik: %s\n", text.c_str());
    if (interactive && SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, "Terravik", text.c_str(), nullptr) != 0)
        std::fprintf(stderr, "terravik: could not show the message box: %s\n", SDL_GetError());
}

// Reads and parses a recording; false with `error` when it cannot.
bool LoadRecording(const std::string& path, InputRecording& out, std::string& error) {
    return ReadRecordingFile(path, out, error);
}

// Whole or not at all: empty on success, else "cannot write PATH: reason".
std::string WriteTextFile(const std::string& path, const std::string& text) {
    return WriteFileAtomically(path, text);
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
    std::string iconPath;
    {
        const std::string root =
            options.dataDir.empty() ? DataRootForExecutable(ExecutablePath(argv[0])) : options.dataDir;
        std::string problem = DataRootProblem(root, !options.dataDir.empty());
        if (!problem.empty()) {
            // Started from a desktop there is no terminal to read: the box says it too.
            ShowError(problem, interactive);
            return 2;
        }
        SetFontDataRoot(root);
        iconPath = (std::filesystem::path(root) / kIconFile).string();
    }

    // Headless: no video system, no window, no context, no sound device.
    if (options.headless)
        return RunHeadless(options, options.replay.empty() ? nullptr : &replay, LoadPlayerSettings(options),
                           ExecutablePath(argv[0]));

    // The window's class is the desktop entry's StartupWMClass, whatever the executable is
    // called; the environment still decides when it names one.
    setenv("SDL_VIDEO_X11_WMCLASS", kWindowClass, 0);
    setenv("SDL_VIDEO_WAYLAND_WMCLASS", kWindowClass, 0);
    if (SDL_Init(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0) {
        ShowError(std::string("cannot start the video system: ") + SDL_GetError(), interactive);
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
        // A data set without the icon keeps the window manager's default one; only a file that
        // is there but will not load is worth a line.
        std::error_code noIcon;
        if (!window.SetIcon(iconPath) && std::filesystem::exists(iconPath, noIcon))
            std::fprintf(stderr, "terravik: the window icon %s is not a PNG the game can read\n", iconPath.c_str());
        if (!options.replay.empty() && (window.Width() != replay.width || window.Height() != replay.height)) {
            ShowError("the replay needs a " + std::to_string(replay.width) + "x" + std::to_string(replay.height) +
                          " window, got " + std::to_string(window.Width()) + "x" + std::to_string(window.Height()),
                      false);
            SDL_Quit();
            return 1;
        }
        RecordingWriter recorder;
        if (!options.record.empty() && !recorder.Open(options.record, window.Width(), window.Height())) {
            ShowError(recorder.Error(), interactive);
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
                                               fixedStep ? nullptr : &systemClock,
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
        const GameStateSnapshot state = TakeSnapshot(loop->game(), loop->FramesRun());
        if (const std::string failed = options.dumpState.empty()
                                           ? std::string()
                                           : WriteTextFile(options.dumpState, StateJson(state) + "\n");
            !failed.empty()) {
            std::fprintf(stderr, "terravik: %s\n", failed.c_str());
            status = 1;
        }
        const std::string smokeReport = loop->SmokeReport();  // the aircraft go with FormDestroy
        FormDestroy(loop->game());
        if (options.frames >= 0 || !options.replay.empty()) {
            const FrameStats& stats = loop->stats();
            std::printf("%s, state_hash %s\n", stats.Report(loop->WallSeconds()).c_str(),
                        HashHex(StateHash(state)).c_str());
            // The same figures in full-screen layers measured in this run, which a busy machine
            // moves far less than it moves milliseconds.
            if (const double layer = loop->YardstickMs(); layer > 0.0)
                std::printf("yardstick %.2f ms per full-screen layer (%.2f before the frames, %.2f after): avg %.2f "
                            "layers, p99 %.2f layers\n",
                            layer, loop->YardstickStartMs(), loop->YardstickEndMs(), stats.Average() / layer,
                            stats.Percentile(99.0) / layer);
            if (!smokeReport.empty()) std::printf("%s\n", smokeReport.c_str());
            if (const double startup = loop->StartupSeconds(); startup > 0.0)
                std::printf("start-up %.3f s from the program's start to the game's first frame\n", startup);
        }
        if (!ok) {
            ShowError(loop->error_, interactive);
            status = 1;
        }
        if (!loop->divergence_.empty()) {
            std::fprintf(stderr, "terravik: %s\n", loop->divergence_.c_str());
            status = 3;
        }
    }
    SDL_Quit();
    return status;
}

}  // namespace tv::sdl
