#pragma once
// The Game context: every single instance and every piece of state the game shares lives
// here, owned by whoever runs the main window and passed by reference. A test can build a
// fresh Game with fake platform ports. Subsystems add their members below their heading.

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "audio/music_stream.h"
#include "common/i18n.h"
#include "audio/sound_effects.h"
#include "combat/planes.h"
#include "combat/bullets.h"
#include "combat/turret.h"
#include "math/frustum.h"
#include "math/random.h"
#include "math/vec3.h"
#include "platform/loading_progress.h"
#include "models/sky.h"
#include "platform/clock.h"
#include "platform/input.h"
#include "platform/window.h"
#include "render/image_decode.h"
#include "shell/camera.h"
#include "shell/hud.h"
#include "shell/lens_flare.h"
#include "shell/log_file.h"
#include "shell/settings.h"
#include "world/world_state.h"

namespace tv {

class GpuStore;
class DrawParts;

// The platform as the game sees it. Not owned; all must outlive the Game.
struct PlatformPorts {
    Clock* clock = nullptr;
    InputDevices* input = nullptr;
    MainWindowPort* window = nullptr;
    LoadingProgress* loading = nullptr;  // the loading window (TForm2); may be absent
};

// The main window's controls, in the order of their ids below.
enum FormButtonId { kButton3, kButton4, kButton5, kButton6, kButton7, kFormButtonCount };

struct FormButton {
    const char* caption;  // UTF-8, Russian: drawn through Tr()
    int left, top, width, height;  // pixels in the window
    bool visible;
    bool clickable;  // Button5 only serves as a label
};

// State of the main window (TForm1) that the frame loop uses.
struct TForm1 {
    int32_t FActive = 0;  // frames run while non-zero
    int32_t FFrameCount = 0;
    int32_t FFPS = 0;
    uint32_t FLastFPSTick = 0;
    double uiScale = 1.0;  // the buttons' design rectangles and captions, the HUD: times this
    std::array<FormButton, kFormButtonCount> buttons = {{
        {TrNoop("Старт"), 760, 24, 75, 25, true, true},
        {TrNoop("Еще 50"), 760, 56, 75, 25, false, true},
        {TrNoop("Иницилизация прошла сошибками, продолжить ?"), 264, 136, 273, 25, false, false},
        {TrNoop("Да"), 312, 168, 75, 25, false, true},
        {TrNoop("Нет"), 392, 168, 75, 25, false, true},
    }};
};

// Sample ids as LoadSample returned them; -1 for a sample that did not load (it stays silent).
struct GameSounds {
    int32_t Explosion = -1;
    int32_t Laser = -1;
    int32_t Cannon = -1;
};

struct Game {
    PlatformPorts platform;
    TForm1 form;

    // Start-up.
    std::string executablePath;   // the running executable, for the data root
    std::string dataDirOverride;  // non-empty: the data root given on the command line
    std::string ProgramDir;       // the data root, ending in '/'
    Settings settings;            // the player's settings file, the command line applied
    bool InitOK = false;          // no guarded start-up step has failed
    bool WorldReady = false;      // the world drawing step runs
    bool VBOSupported = false;
    bool GLReady = false;         // a rendering context is current; no GL call without it
    bool Headless = false;        // no window, no GL, no audio device: frames step and never draw

    // Window and frame timing.
    int32_t ScreenWidth = 0;
    int32_t ScreenHeight = 0;
    uint32_t FrameTime = 0;  // ms, CurTick - PrevTick of the current frame
    uint32_t PrevTick = 0;
    uint32_t CurTick = 0;
    double SavedModelview[16] = {};  // the modelview right after the camera is placed
    Frustum frustum;

    // Camera and controls.
    TCamera Camera;
    float WheelZoom = 0.0f;
    bool FireHeld = false;
    int32_t FireChannel = 0;
    bool FireSoundOn = false;
    MouseState mouse;
    KeyboardState keys{};

    // Pause: no frame runs; the last picture stays on screen under "Пауза".
    bool Paused = false;
    std::vector<uint8_t> PausedPicture;  // RGBA rows bottom-up, PausedWidth x PausedHeight
    int32_t PausedWidth = 0;
    int32_t PausedHeight = 0;

    // World constants set by the start-up.
    Vec3 SunPos;
    Vec3 SunDir;

    GameRandom random;
    TLogFile GameLog;
    uint32_t FontTexture = 0;  // texture id of the HUD font strip, 256 glyphs in code-page order
    // The renderer's GPU objects (render/gl/gpu_store.h): every texture, buffer and program of
    // the run, the ids above and in the records below naming them. Made when the GL context
    // is; a run without one (headless) never makes it. Released before the context goes.
    std::shared_ptr<GpuStore> Gpu;
    DrawParts* DrawTimes = nullptr;  // --draw-parts: where the drawing's time goes (not owned)
    StartupBudget Budget;  // what the loaders have made, 1 GB at most
    HudValues Hud;             // kills, enemies, life, shells as the HUD prints them
    TFlare Flare;              // the sun's lens flare
    bool SceneScaleRefused = false;  // the driver could not give the scene a smaller target

    // Subsystems join here (terrain, map objects, sky, turret, aircraft, sound, music...).
    WorldState world;  // terrain, map objects, physics world, particle systems
    TSky Sky;          // the sky sphere, drawn first every frame around the eye
    std::unique_ptr<TTurel> Turel;  // the player's turret; absent until its start-up step
    T_Bullets_System_Turel TurelShells;  // the turret's cannon shells, armed by the turret's step
    std::unique_ptr<TPlanes_System> Planes;  // the enemy aircraft; absent until its start-up step
    MusicDevice musicDevice;        // the music's own output device
    std::unique_ptr<TOGG> Music;    // the background music; absent until its start-up step
    SoundMixer Mixer;               // sound effects
    GameSounds Sounds;              // the mixer's ids of the game's samples
    std::unique_ptr<ImageLibrary> Images;  // the image decoder, from its start-up step on
};

}  // namespace tv
