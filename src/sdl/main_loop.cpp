#include "sdl/main_loop.h"

#include <backends/imgui_impl_sdl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <exception>
#include <thread>

#include "audio/music_stream.h"
#include "audio/sound_effects.h"
#include "common/report.h"
#include "platform/paths.h"
#include "render/gl/yardstick.h"
#include "shell/gl/frame.h"
#include "shell/main_form.h"
#include "shell/screenshot_path.h"
#include "shell/startup.h"
#include "shell/state_dump.h"
#include "world/particles.h"

namespace tv::sdl {
namespace {

// While nothing moves (the title screen, the start-up question) the loop waits this long for
// an event before drawing again, so the caption's frame count still ticks over.
constexpr int kIdleWaitMs = 100;

}  // namespace

MainLoop::MainLoop(const RunOptions& options, SdlMainWindow& window, Clock& clock, StepClock* stepClock,
                   SdlClock* systemClock, const InputRecording* replay, RecordingWriter* recorder)
    : options_(options), window_(window), stepClock_(stepClock), systemClock_(systemClock),
      mode_(input_, replay, recorder), capture_(window, input_, replay != nullptr),
      menu_({[this] { ApplyChangedSettings(); },
             [this](const Settings& before, const Settings& after) {
                 return SaveSettingsChanges(SettingsPathOf(options_), before, after);
             },
             [this] { MenuClosed(); }}) {
    game_.platform.clock = &clock;
    game_.platform.input = &mode_.Input();
    game_.platform.window = &window;
    game_.platform.loading = &loadingWindow_;
    game_.dataDirOverride = options.dataDir;
    window.SetForm(&game_.form);
    window.SetOverlay([this] { menu_.Draw(); });
    // With --autostart the run's frames are those after the start-up.
    figures_.counting = !options.autostart;
    // Controllers are optional: without the subsystem the game plays on mouse and keys.
    if (SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER) != 0)
        Warn(std::string("no game controllers: ") + SDL_GetError());
}

MainLoop::~MainLoop() {
    window_.SetOverlay(nullptr);
    capture_.Release();
}

bool MainLoop::Run() {
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
        const bool startupClick = pendingClick_ == kButton3 && !figures_.counting;
        if (!RunButtonClicks()) return false;
        if (window_.CloseRequested()) break;  // "Нет"
        if (startupClick) AfterStartup();
        if (game_.form.FActive == 0) continue;
        if (game_.Paused) {
            ShowPausedFrame();
            continue;
        }
        const InputFrame* replayed = nullptr;
        const Step step = ReplayStep(replayed);
        if (step == Step::Failed) return false;
        if (step == Step::Stop || RunFrame(replayed, autostartPending) == Step::Stop) break;
    }
    return true;
}

// A replay hands the game the next recorded frame's messages and devices; otherwise the
// pointer follows the game's state.
MainLoop::Step MainLoop::ReplayStep(const InputFrame*& replayed) {
    if (!mode_.Replaying()) {
        UpdatePointerCapture();
        return Step::Next;
    }
    replayed = mode_.NextReplayed();
    if (!replayed) {
        window_.Close();  // the recording is over
        return Step::Stop;
    }
    for (const WindowMessage& m : replayed->messages)
        if (!Deliver(m)) return Step::Failed;
    if (window_.CloseRequested()) return Step::Stop;  // "Нет"
    mode_.PlayFrame(replayed);
    return Step::Next;
}

// One frame of the game, timed, recorded and checked; Stop when the replay diverged.
MainLoop::Step MainLoop::RunFrame(const InputFrame* replayed, bool& autostartPending) {
    // The screenshot reads back only the frame it keeps: the last of a --frames run,
    // or every frame when nothing says which will be last.
    const bool lastFrame = figures_.counting && options_.frames > 0 &&
                           static_cast<int64_t>(figures_.stats.Count()) + 1 >= options_.frames;
    // A screenshot key pressed since the last frame wants this one too.
    window_.SetCaptureFrames(screenshotPending_ ||
                             (!options_.screenshot.empty() && (options_.frames < 0 || lastFrame)));

    if (interfaceChanged_) {
        interfaceChanged_ = false;
        ApplyInterfaceSettings();
        PlaceButtons();
    }
    auto start = SteadyClock::now();
    if (figures_.counting && !figures_.firstFrame) figures_.firstFrame = start;
    const uint32_t frameMs = replayed ? replayed->frameMs : NextFrameMs(start);
    if (stepClock_) stepClock_->Advance(frameMs);
    bool done = true;
    game_.DrawTimes = options_.drawParts && figures_.counting ? &drawParts_ : nullptr;
    ApplicationEvents1Idle(game_, done);
    ++framesRun_;
    if (!window_.TakePresented()) window_.PresentControlsOnly();
    WriteScreenshotIfAsked();
    figures_.lastFrameEnd = SteadyClock::now();
    if (figures_.counting)
        figures_.stats.Add(std::chrono::duration<double, std::milli>(figures_.lastFrameEnd - start).count());
    divergence_ = mode_.EndFrame(frameMs, framesRun_, [&] { return StateHash(TakeSnapshot(game_, framesRun_)); });
    if (!divergence_.ok()) {
        window_.Close();  // the rest of the replay would only repeat the difference
        return Step::Stop;
    }
    if (game_.Planes && game_.Planes->Smoke)
        figures_.smokePeak = std::max<int64_t>(figures_.smokePeak, game_.Planes->Smoke->Count);

    if (autostartPending) {
        autostartPending = false;
        pendingClick_ = kButton3;
    }
    if (lastFrame) {
        figures_.drawParts = drawParts_.Report();
        if (figures_.yardstickStartMs > 0.0 && GameRunning()) figures_.yardstickEndMs = MeasureYardstick();
        window_.Close();
    }
    Pace(start);
    return Step::Next;
}

// The buttons follow the window's size, which the player may change at any time.
void MainLoop::PlaceButtons() {
    int w = 0, h = 0;
    window_.WindowSize(w, h);
    LayoutButtons(game_.form, w, h);
    TrackState();
}

// Keeps the input in step with where the player is: a new state drops the keys latched in
// the old one. A state an event changed (a pause key) begins at that event, so the events
// queued behind it still count; one a click changed begins once its start-up is over.
// The controller's focus follows the buttons that are shown.
void MainLoop::TrackState(bool byEvent) {
    input_.SetState(StateOf(game_), byEvent);
    window_.SetFocusedButton(menu_.IsOpen() ? kFormButtonCount : pad_.Focused(game_.form));
}

// Ends a frame that began at `start` no sooner than the player's frame cap allows; on a
// screen where nothing moves, waits for the player instead of drawing the same picture
// again. Timed runs and replays never wait.
void MainLoop::Pace(SteadyClock::time_point start) {
    if (options_.frames >= 0 || mode_.Replaying()) return;
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
bool MainLoop::HandleWindowKey(const SDL_KeyboardEvent& key) {
    if (key.repeat) return false;
    const bool altEnter =
        (key.keysym.sym == SDLK_RETURN || key.keysym.sym == SDLK_KP_ENTER) && (key.keysym.mod & KMOD_ALT);
    if (!altEnter && !keys_.Is(KeyAction::Fullscreen, key.keysym.sym)) return false;
    window_.ToggleFullscreen();
    return true;
}

// Handlers run between frames, never inside one; an exception here is an unguarded
// start-up step failing.
bool MainLoop::RunButtonClicks() {
    if (pendingClick_ == kFormButtonCount) return true;
    FormButtonId id = pendingClick_;
    pendingClick_ = kFormButtonCount;
    return Deliver({WindowMessageKind::Click, id});
}

// Hands a window message to the game, noting it first when recording. False when a click
// ran an unguarded start-up step that raised.
bool MainLoop::Deliver(const WindowMessage& m) {
    mode_.Note(m);
    try {
        SendWindowMessage(game_, m);
    } catch (const std::exception& ex) {
        error_ = AsError(ex);
        return false;
    }
    TrackState(false);  // a click may have started the game or answered the question
    return true;
}

// How long the frame starting at `start` lasts on the game's clock. A recording without a
// fixed frame time steps the clock by the wall clock's whole milliseconds, so the replay
// can step it the same way.
uint32_t MainLoop::NextFrameMs(SteadyClock::time_point start) {
    if (options_.frameMs >= 0) return static_cast<uint32_t>(options_.frameMs);
    if (!wallOrigin_) wallOrigin_ = start;
    const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(start - *wallOrigin_).count();
    // Time spent paused is not the game's: it was added to wallMsGiven_ on resuming.
    const uint32_t ms = static_cast<uint32_t>(elapsed - wallMsGiven_);
    wallMsGiven_ = elapsed;
    return ms;
}

// Right after the autostart's start-up: the counted frames begin, --waves presses
// "Еще 50", and a --frames run measures its yardstick layer.
void MainLoop::AfterStartup() {
    if (GameRunning()) figures_.startupDone = SteadyClock::now();
    figures_.counting = true;
    if (options_.waves > 0 && GameRunning()) {
        for (int64_t w = 0; w < options_.waves; ++w) ClickButton(game_, kButton4);
    }
    if (options_.frames > 0 && GameRunning()) figures_.yardstickStartMs = MeasureYardstick();
}

// One full-screen layer's cost now. Measured before the first counted frame and again
// after the last, outside both frames' times: on a shared machine one moment's figure can
// be a fifth off the run's.
double MainLoop::MeasureYardstick() {
    LayerYardstick yardstick;
    const double ms = yardstick.MeasureMs(game_.ScreenWidth, game_.ScreenHeight);
    yardstick.Release();
    return ms;
}

// The loading window's own events are not the main window's business.
bool MainLoop::ForOtherWindow(const SDL_Event& e) const {
    const Uint32 mainId = SDL_GetWindowID(window_.Handle());
    return (e.type == SDL_WINDOWEVENT && e.window.windowID != mainId) ||
           ((e.type == SDL_MOUSEBUTTONDOWN || e.type == SDL_MOUSEBUTTONUP) && e.button.windowID != mainId) ||
           (e.type == SDL_MOUSEMOTION && e.motion.windowID != mainId);
}

void MainLoop::HandleEvent(const SDL_Event& e) {
    if (ForOtherWindow(e)) return;
    if (input_.Stale(e)) return;  // pressed in a state that is over
    if (HandleMenuEvent(e)) return;
    ImGui_ImplSDL2_ProcessEvent(&e);
    TrackState();
    // A replay's input comes from the recording; the real devices only close the window.
    if (mode_.Replaying() &&
        (e.type == SDL_MOUSEMOTION || e.type == SDL_MOUSEBUTTONDOWN || e.type == SDL_MOUSEBUTTONUP ||
         e.type == SDL_KEYDOWN || e.type == SDL_MOUSEWHEEL || e.type == SDL_CONTROLLERBUTTONDOWN ||
         e.type == SDL_CONTROLLERAXISMOTION))
        return;
    switch (e.type) {
        case SDL_QUIT: window_.Close(); break;
        case SDL_WINDOWEVENT: HandleWindowEvent(e.window); break;
        case SDL_MOUSEMOTION:
            // Relative counts: only a captured pointer aims (SdlInput drops the rest).
            input_.AddMotion(e.motion.xrel, e.motion.yrel);
            break;
        case SDL_MOUSEBUTTONDOWN: HandleMouseDown(e.button); break;
        case SDL_MOUSEBUTTONUP: HandleMouseUp(e.button); break;
        case SDL_KEYDOWN: HandleKeyDown(e.key); break;
        case SDL_CONTROLLERDEVICEADDED: input_.OpenController(e.cdevice.which); break;
        case SDL_CONTROLLERDEVICEREMOVED: input_.CloseController(e.cdevice.which); break;
        case SDL_CONTROLLERBUTTONDOWN:
        case SDL_CONTROLLERAXISMOTION: HandlePad(e); break;
        case SDL_MOUSEWHEEL:
            input_.AddWheel(e.wheel.y);
            // One event is one step, whatever its amount.
            if (e.wheel.y < 0) Deliver({WindowMessageKind::WheelDown, 0});
            if (e.wheel.y > 0) Deliver({WindowMessageKind::WheelUp, 0});
            break;
        default: break;
    }
}

void MainLoop::HandleWindowEvent(const SDL_WindowEvent& e) {
    switch (e.event) {
        case SDL_WINDOWEVENT_CLOSE: window_.Close(); break;
        case SDL_WINDOWEVENT_MINIMIZED: ApplicationEvents1Minimize(game_); break;
        case SDL_WINDOWEVENT_RESTORED: ApplicationEvents1Restore(game_); break;
        case SDL_WINDOWEVENT_FOCUS_GAINED:
            FormActivate(game_);
            capture_.Want(true);  // back in the game, aiming goes on
            break;
        case SDL_WINDOWEVENT_FOCUS_LOST:
            // The pointer goes back to the desktop until the window has the focus again.
            capture_.Want(false);
            if (game_.settings.audio.pauseOnFocusLoss) SetPaused(true);
            break;
        case SDL_WINDOWEVENT_SIZE_CHANGED: FormResize(game_); break;
        default: break;
    }
}

void MainLoop::HandleMouseDown(const SDL_MouseButtonEvent& e) {
    // A captured pointer is hidden: its clicks are the game's, never a button's.
    const bool captured = SDL_GetRelativeMouseMode();
    FormButtonId hit = captured ? kFormButtonCount : ButtonAt(game_.form, e.x, e.y);
    if (e.button == SDL_BUTTON_LEFT && hit != kFormButtonCount) {
        pressedButton_ = hit;  // the press belongs to the button, not the window
    } else if (hit == kFormButtonCount && !captured && GameRunning()) {
        // A click into the view takes the pointer back (not while paused); it does not fire.
        if (!game_.Paused) capture_.Want(true);
        swallowUp_ = true;
    } else if (hit == kFormButtonCount) {
        MouseButton b = e.button == SDL_BUTTON_LEFT    ? MouseButton::Left
                        : e.button == SDL_BUTTON_RIGHT ? MouseButton::Right
                                                       : MouseButton::Middle;
        Deliver({WindowMessageKind::MouseDown, static_cast<int32_t>(b)});
    }
}

void MainLoop::HandleMouseUp(const SDL_MouseButtonEvent& e) {
    if (e.button == SDL_BUTTON_LEFT && pressedButton_ != kFormButtonCount) {
        if (ButtonAt(game_.form, e.x, e.y) == pressedButton_) pendingClick_ = pressedButton_;
        pressedButton_ = kFormButtonCount;
    } else if (swallowUp_) {
        swallowUp_ = false;
    } else {
        Deliver({WindowMessageKind::MouseUp, 0});
    }
}

void MainLoop::HandleKeyDown(const SDL_KeyboardEvent& e) {
    if (HandleWindowKey(e)) return;
    if (!e.repeat && keys_.Is(KeyAction::Options, e.keysym.sym)) {
        OpenMenu();
        return;
    }
    // Where no frame reads the game's keys, the quit key quits at once.
    if (input_.State() != FormState::Playing && !e.repeat && input_.CodeOf(e.keysym.scancode) == kKeyEscape) {
        window_.Close();
        return;
    }
    input_.LatchKey(e.keysym.scancode);
    if (!e.repeat) HandleShortcut(e.keysym.sym);
}

void MainLoop::HandlePad(const SDL_Event& e) {
    Act(pad_.Handle(e, game_.form, input_.State(), GameRunning()));
    if (e.type == SDL_CONTROLLERAXISMOTION && e.caxis.axis == SDL_CONTROLLER_AXIS_TRIGGERRIGHT)
        HandleTrigger(e.caxis.value);
    window_.SetFocusedButton(pad_.Focused(game_.form));
}

// The player's sensitivity and keys. The scaled counts are what a recording keeps, so a
// replay never depends on the replaying player's settings.
void MainLoop::ApplyInputSettings() {
    const Settings& s = game_.settings;
    input_.SetMouseScale(s.input.mouseSensitivity, s.input.invertY);
    input_.SetStickScale(s.input.controllerSensitivity);
    // Keys the menu left on one key act as the file would give them.
    KeySettings keys = s.keys;
    ResolveKeyClashes(keys);
    keys_.Load(keys, input_);
}

// While the menu is open it has every key and controller button; the mouse goes to ImGui
// only, never to the game or the window's buttons. True when the event was the menu's.
bool MainLoop::HandleMenuEvent(const SDL_Event& e) {
    if (!menu_.IsOpen()) return false;
    switch (e.type) {
        case SDL_KEYDOWN:
            if (!e.key.repeat && keys_.Is(KeyAction::Screenshot, e.key.keysym.sym)) AskScreenshot();
            else menu_.OnKey(e.key.keysym);
            return true;
        case SDL_TEXTINPUT:
        case SDL_TEXTEDITING: return true;
        case SDL_CONTROLLERBUTTONDOWN: menu_.OnPad(e.cbutton.button); return true;
        case SDL_CONTROLLERAXISMOTION:
            // Only the trigger's release counts: firing held from before must still end.
            if (e.caxis.axis == SDL_CONTROLLER_AXIS_TRIGGERRIGHT && triggerHeld_)
                HandleTrigger(e.caxis.value);
            // The left stick pushed one way is the d-pad pressed that way.
            if (e.caxis.axis == SDL_CONTROLLER_AXIS_LEFTX || e.caxis.axis == SDL_CONTROLLER_AXIS_LEFTY) {
                const bool x = e.caxis.axis == SDL_CONTROLLER_AXIS_LEFTX;
                int& was = x ? menuStickX_ : menuStickY_;
                const int now = PadControls::StickDirection(e.caxis.value, was);
                if (now != 0 && now != was)
                    menu_.OnPad(x ? (now < 0 ? SDL_CONTROLLER_BUTTON_DPAD_LEFT : SDL_CONTROLLER_BUTTON_DPAD_RIGHT)
                                  : (now < 0 ? SDL_CONTROLLER_BUTTON_DPAD_UP : SDL_CONTROLLER_BUTTON_DPAD_DOWN));
                was = now;
            }
            return true;
        case SDL_MOUSEMOTION:
        case SDL_MOUSEBUTTONDOWN:
        case SDL_MOUSEBUTTONUP:
        case SDL_MOUSEWHEEL:
        case SDL_KEYUP: ImGui_ImplSDL2_ProcessEvent(&e); return true;
        default: return false;
    }
}

// The options menu holds the game as the pause key does (nothing is recorded while it is
// open); it does not open in a replay, whose input is the recording's, nor over the start-up
// question. The music goes on while it is open, so a change of its volume is heard.
void MainLoop::OpenMenu() {
    if (menu_.IsOpen() || mode_.Replaying() || input_.State() == FormState::Question) return;
    if (GameRunning() && !game_.Paused) {
        SetPaused(true);
        menuPaused_ = game_.Paused;
    }
    if (game_.Paused && game_.Music) game_.Music->Pause(false);
    // The window may have been switched by its key since the settings were read.
    game_.settings.video.fullscreen = window_.Fullscreen();
    applied_ = game_.settings;
    menu_.Open(game_.settings);
    pressedButton_ = kFormButtonCount;
    TrackState();
}

void MainLoop::MenuClosed() {
    input_.IgnoreHeldKeys();
    if (menuPaused_) {
        menuPaused_ = false;
        SetPaused(false);
    } else if (game_.Paused && game_.Music) {
        game_.Music->Pause(true);  // back to the pause the menu was opened in
    }
    TrackState();
}

// What the menu changed, applied as far as the game can while it runs: the sound volumes at
// once, the mouse, controller and keys, the window (full screen, size, vsync) through the
// window's own switches; the language and interface scale before the next frame (the menu
// may be drawing now, with the fonts a new scale replaces). The frame cap, shadows and render
// scale are read from the settings as the game goes.
void MainLoop::ApplyChangedSettings() {
    const Settings& s = game_.settings;
    interfaceChanged_ |= s.interface.language != applied_.interface.language ||
                         s.interface.uiScale != applied_.interface.uiScale;
    if (s.MusicPercent() != applied_.MusicPercent() && game_.Music) game_.Music->SetVolume(s.MusicPercent());
    if (s.EffectsPercent() != applied_.EffectsPercent() && game_.Mixer.initialised) {
        SetEffectsVolume(game_.Mixer, s.EffectsPercent());
        game_.Mixer.backend->CommitDeferred();  // not left for the next frame's sound update
    }
    ApplyInputSettings();
    if (s.video.vsync != applied_.video.vsync) window_.SetVsync(s.video.vsync);
    if (s.video.width != applied_.video.width || s.video.height != applied_.video.height)
        window_.SetWindowedSize(s.video.width, s.video.height);
    if (s.video.fullscreen != window_.Fullscreen()) window_.ToggleFullscreen();
    applied_ = s;
}

void MainLoop::ApplyInterfaceSettings() {
    const InterfaceSettings& ui = game_.settings.interface;
    SetLanguage(ui.language);
    const double scale = ui.uiScale > 0 ? ui.uiScale : AutoUiScale(window_.DisplayDpi());
    window_.SetUiScale(scale);
    game_.form.uiScale = scale;
    loadingWindow_.SetScale(scale);
}

// The keys around the game: more aircraft, pause, screenshot, free the pointer.
void MainLoop::HandleShortcut(SDL_Keycode key) {
    if (key == SDLK_UNKNOWN) return;
    if (keys_.Is(KeyAction::Screenshot, key)) AskScreenshot();
    if (!GameRunning()) return;
    if (keys_.Is(KeyAction::MoreAircraft, key)) ClickMoreAircraft();
    if (keys_.Is(KeyAction::Pause, key)) SetPaused(!game_.Paused);
    if (keys_.Is(KeyAction::FreePointer, key) && !game_.Paused) {
        capture_.Want(!capture_.Wanted());
        UpdatePointerCapture();  // the next click already meets the pointer as it is now
    }
}

// Does what a controller event asked. Its clicks wait for the loop like the mouse's, so
// they are delivered and recorded the same way.
void MainLoop::Act(const PadAction& action) {
    switch (action.kind) {
        case PadAction::kClick:
            if (pendingClick_ == kFormButtonCount) pendingClick_ = static_cast<FormButtonId>(action.arg);
            break;
        case PadAction::kKey: input_.LatchCode(static_cast<uint8_t>(action.arg)); break;
        case PadAction::kPause: SetPaused(!game_.Paused); break;
        case PadAction::kOptions: OpenMenu(); break;
        case PadAction::kQuit: window_.Close(); break;
        case PadAction::kNone: break;
    }
}

// The right trigger presses and releases fire as the left mouse button does on the view.
void MainLoop::HandleTrigger(int16_t value) {
    const bool held = value >= kTriggerFires * 32767.0;
    if (held == triggerHeld_ || game_.Paused) return;
    triggerHeld_ = held;
    if (held) Deliver({WindowMessageKind::MouseDown, static_cast<int32_t>(MouseButton::Left)});
    else Deliver({WindowMessageKind::MouseUp, 0});
}

// "Еще 50" from its key: the button's click, recorded like the mouse's.
void MainLoop::ClickMoreAircraft() {
    const FormButton& more = game_.form.buttons[kButton4];
    if (more.visible && pendingClick_ == kFormButtonCount) pendingClick_ = kButton4;
}

// Pausing stops the game's clock, frees the pointer and holds the sound; no frame runs
// (so nothing is recorded) until the game goes on.
void MainLoop::SetPaused(bool paused) {
    if (paused == game_.Paused || mode_.Replaying()) return;
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
void MainLoop::ShowPausedFrame() {
    UpdatePointerCapture();
    PausedFrame(game_);
    if (!window_.TakePresented()) window_.PresentControlsOnly();
    WriteScreenshotIfAsked();
    SDL_WaitEventTimeout(nullptr, 50);
}

void MainLoop::UpdatePointerCapture() {
    capture_.Update(GameRunning(), game_.Paused, pressedButton_ != kFormButtonCount);
}

void MainLoop::AskScreenshot() {
    screenshotPending_ = true;
    window_.SetCaptureFrames(true);
}

// Writes the frame just presented when the screenshot key asked for it.
void MainLoop::WriteScreenshotIfAsked() {
    if (!screenshotPending_) return;
    screenshotPending_ = false;
    const std::string path = ScreenshotPath(ScreenshotFolder(), std::time(nullptr));
    if (window_.WriteLastFrame(path)) Warn("screenshot " + path);
    else Report(Error("could not write the screenshot " + path));
}

}  // namespace tv::sdl
