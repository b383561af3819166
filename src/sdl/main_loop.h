#pragma once
// The idle-driven loop of the main window: events, pause, the frames, pacing, screenshots.

#include <SDL2/SDL.h>

#include <cstdint>
#include <optional>
#include <string>

#include "render/gl/draw_parts.h"
#include "sdl/input_map.h"
#include "sdl/loading_window_sdl.h"
#include "sdl/options_menu.h"
#include "sdl/pointer_capture.h"
#include "sdl/run_mode.h"
#include "sdl/run_report.h"
#include "sdl/sdl_clock.h"
#include "sdl/sdl_input.h"
#include "sdl/sdl_main_window.h"
#include "shell/game.h"
#include "shell/run_options.h"

namespace tv::sdl {

class MainLoop {
public:
    // `replay` (may be null) supplies the input instead of the devices; `recorder` (may be
    // null, open) receives the input as it is played. A replay or a recording needs stepClock;
    // `systemClock` is the clock when the game runs on the system's time (held while paused).
    MainLoop(const RunOptions& options, SdlMainWindow& window, Clock& clock, StepClock* stepClock,
             SdlClock* systemClock, const InputRecording* replay, RecordingWriter* recorder);
    ~MainLoop();

    Game& game() { return game_; }
    SdlLoadingWindow& loadingWindow() { return loadingWindow_; }
    const RunFigures& figures() const { return figures_; }
    // Every frame the loop ran, the title screen's too (the timing stats may start later).
    int64_t FramesRun() const { return framesRun_; }
    std::string SmokeReport() const { return sdl::SmokeReport(game_, figures_.smokePeak); }

    // Runs until the window closes. Returns false if an unguarded step raised.
    bool Run();
    // One event from SDL's queue, as Run handles it.
    void HandleEvent(const SDL_Event& e);
    // Puts the settings' sensitivity and keys into effect (Run does it first).
    void ApplyInputSettings();
    // Puts the settings' language and interface scale (on `auto`, the one the window's display
    // asks for) into the buttons, the HUD, the menus and the loading window.
    void ApplyInterfaceSettings();
    const OptionsMenu& Menu() const { return menu_; }

    Status error_;  // why the loop stopped early, when it did
    Status divergence_;  // the first checkpoint the replay missed, if any

private:
    enum class Step { Next, Stop, Failed };
    Step ReplayStep(const InputFrame*& replayed);
    Step RunFrame(const InputFrame* replayed, bool& autostartPending);
    void PlaceButtons();
    void TrackState(bool byEvent = true);
    void Pace(SteadyClock::time_point start);
    bool HandleWindowKey(const SDL_KeyboardEvent& key);
    bool RunButtonClicks();
    bool Deliver(const WindowMessage& m);
    uint32_t NextFrameMs(SteadyClock::time_point start);
    bool GameRunning() const { return game_.InitOK && game_.GLReady; }
    void AfterStartup();
    double MeasureYardstick();
    bool ForOtherWindow(const SDL_Event& e) const;
    bool HandleMenuEvent(const SDL_Event& e);
    void OpenMenu();
    void MenuClosed();
    void ApplyChangedSettings();
    void HandleWindowEvent(const SDL_WindowEvent& e);
    void HandleMouseDown(const SDL_MouseButtonEvent& e);
    void HandleMouseUp(const SDL_MouseButtonEvent& e);
    void HandleKeyDown(const SDL_KeyboardEvent& e);
    void HandlePad(const SDL_Event& e);
    void HandleShortcut(SDL_Keycode key);
    void Act(const PadAction& action);
    void HandleTrigger(int16_t value);
    void ClickMoreAircraft();
    void SetPaused(bool paused);
    void ShowPausedFrame();
    void UpdatePointerCapture();
    void AskScreenshot();
    void WriteScreenshotIfAsked();

    const RunOptions& options_;
    SdlMainWindow& window_;
    StepClock* stepClock_;
    SdlClock* systemClock_;
    SdlInput input_;
    PadControls pad_;
    InputMap keys_;
    RunMode mode_;
    PointerCapture capture_;
    SdlLoadingWindow loadingWindow_;
    Game game_;
    RunFigures figures_;
    DrawParts drawParts_;  // --draw-parts: the counted frames' drawing, part by part
    std::optional<SteadyClock::time_point> wallOrigin_;  // the first frame's start, for NextFrameMs
    int64_t wallMsGiven_ = 0;    // wall-clock ms handed to the game's clock while recording
    FormButtonId pressedButton_ = kFormButtonCount;
    FormButtonId pendingClick_ = kFormButtonCount;
    bool swallowUp_ = false;    // the click that captured the pointer is not the game's
    bool triggerHeld_ = false;  // the controller's right trigger is past its firing point
    bool screenshotPending_ = false;
    int64_t framesRun_ = 0;
    SteadyClock::time_point pauseStart_{};
    OptionsMenu menu_;
    bool menuPaused_ = false;  // the menu paused the game, and goes on with it when it closes
    int menuStickX_ = 0;       // the left stick's direction in the menu, per axis
    int menuStickY_ = 0;
    bool interfaceChanged_ = false;  // the menu changed the language or the interface scale
    Settings applied_;         // the settings as last applied to the window, input and sound
};

}  // namespace tv::sdl
