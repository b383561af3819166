#include "shell/startup.h"

#include <epoxy/gl.h>
#include <GL/glu.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <optional>
#include <stdexcept>

#include "common/data_paths.h"
#include "common/report.h"
#include "audio/sound_backend.h"
#include "math/vector_math.h"
#include "platform/paths.h"
#include "render/gl/gpu_store.h"
#include "render/image_prefetch.h"

namespace tv {
namespace {

// A start-up step that failed: one stderr line with the step, then the reason (a loader's
// reason names the file, the byte offset and the field), and the step's False line in the log.
void ReportFailedStep(Game& game, const char* step, const Error& error, const char* falseLine) {
    Report(error.InStep(step), [&](std::string_view line) { LogWrite(game.GameLog, line); }, falseLine);
}

// Runs one guarded step: every exception becomes the step's False line and clears InitOK.
// Writing the log never throws: a log that cannot be written moves away, the step stands.
template <class Step>
void Guarded(Game& game, const char* stepName, const char* okLine, const char* falseLine, Step&& step) {
    try {
        step();
        LogWrite(game.GameLog, okLine);
    } catch (const std::exception& ex) {
        game.InitOK = false;
        ReportFailedStep(game, stepName, AsError(ex), falseLine);
    } catch (...) {
        game.InitOK = false;
        ReportFailedStep(game, stepName, Error("unknown error"), falseLine);
    }
}

// The guarded phases that draw or load GL objects fail outright without a context.
void RequireGl(const Game& game) {
    if (!game.GLReady && !game.Headless) throw Error("no OpenGL rendering context");
}

// The data root: --data-dir when given, else the parent of the executable's folder.
void FindDataRoot(Game& game) {
    if (!game.dataDirOverride.empty()) {
        game.ProgramDir = game.dataDirOverride;
        if (game.ProgramDir.back() != '/') game.ProgramDir += '/';
    } else {
        game.ProgramDir = DataRootForExecutable(game.executablePath);
    }
}

void SetCameraPlanes(Game& game) {
    game.Camera.Pitch = 0.0f;
    game.Camera.Far = 1000.0f;
    game.Camera.Near = 0.1f;
}

void CheckVertexBuffers(Game& game) {
    const char* ext = nullptr;
    if (game.GLReady) ext = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
    game.VBOSupported = ext && std::strstr(ext, "GL_ARB_vertex_buffer_object");
    LogWrite(game.GameLog, game.VBOSupported ? "Поддержка VBO ОК"
                                             : "Поддержка VBO False -*- автоматическией переход на glDrawArrays");
}

void FitViewportToWindow(Game& game) {
    game.ScreenWidth = game.platform.window->Width();
    game.ScreenHeight = game.platform.window->Height();
    if (game.GLReady) SetViewportAndProjection(game);
}

void InitInputDevices(Game& game) {
    int keyboard = game.platform.input->InitKeyboard();
    LogWrite(game.GameLog, keyboard < 0 ? "иницилизация Клавиатуры False" : "иницилизация Клавиатуры ОК");
    int mouse = game.platform.input->InitMouse();
    LogWrite(game.GameLog, mouse < 0 ? "иницилизация Мыши False" : "иницилизация Мыши ОК");
}

void CreateGameLandscape(Game& game) {
    RequireGl(game);
    CreateLandscape(game.world, game.ProgramDir, game.VBOSupported, game.platform.loading, game.random,
                    *game.platform.clock, game.Gpu.get(), nullptr, &game.Budget);
    game.WorldReady = true;
}

void CreatePhysics(Game& game) {
    game.world.physics.CreatePhysicsWorld();
    game.WorldReady = true;
}

void PlaceSun(Game& game) {
    game.SunPos = {1000.0f, 1000.0f, 500.0f};
    game.SunDir = {game.SunPos.x, game.SunPos.y, 0.0f};
    VecSetLength(game.SunDir, 1.0f);
}

void InitSunFlare(Game& game) {
    RequireGl(game);
    game.Flare.FlareInit(game.Gpu.get(), game.ProgramDir, game.ScreenWidth, game.ScreenHeight, game.SunPos.x,
                         game.SunPos.y, game.SunPos.z);
}

void StartClock(Game& game) {
    game.CurTick = game.platform.clock->TickCount();
    game.PrevTick = game.CurTick;
}

void OpenMusic(Game& game) {
    // Headless, the music plays silent by intent (no device is opened).
    if (game.Headless) game.musicDevice.initialised = true;
    if (game.Headless || OpenMusicDevice(game.musicDevice)) {
        LogWrite(game.GameLog, "Движок ogg иницилизирован ОК");
    } else {
        // The audio layer has said so on stderr once ("no audio device: playing silent").
        LogWrite(game.GameLog, "Движок ogg иницилизирован False");
        game.InitOK = false;
    }
    const std::string musicFile = DataPath(game.ProgramDir, paths::kMusic);
    game.Music = std::make_unique<TOGG>(game.musicDevice, musicFile);
    // With no device the "no audio device" line has already said why there is no music.
    if (!game.Music->loaded() && game.musicDevice.initialised)
        ReportFailedStep(game, "music",
                         Error(ResolvePath(musicFile), game.Music->load_status().error().reason()),
                         "Load file ogg False");
    else
        LogWrite(game.GameLog, game.Music->loaded() ? "Load file ogg OK" : "Load file ogg False");
    game.Music->SetVolume(game.settings.MusicPercent());  // the player's music volume
}

void InitSoundEffects(Game& game) {
    const bool ok = game.Headless
                        ? InitSound(game.Mixer, *game.platform.clock,
                                    MakeSilentSoundBackend(kSoundChannelCount, *game.platform.clock))
                        : InitSound(game.Mixer, *game.platform.clock);
    if (ok) {
        LogWrite(game.GameLog, "Движок звука иницилизирован ОК");
        SetEffectsVolume(game.Mixer, game.settings.EffectsPercent());  // the player's effects volume
    } else {
        // As for the music: the one "no audio device" line names this failure.
        LogWrite(game.GameLog, "Движок звука иницилизирован False");
        game.InitOK = false;
    }
}

// The game keeps the ids the mixer hands out; loading in this order keeps them 1, 2, 3.
void LoadSoundSamples(Game& game) {
    game.Sounds.Explosion = LoadSample(game.Mixer, DataPath(game.ProgramDir, paths::kExplosionSound));
    game.Sounds.Laser = LoadSample(game.Mixer, DataPath(game.ProgramDir, paths::kLaserSound));
    game.Sounds.Cannon = LoadSample(game.Mixer, DataPath(game.ProgramDir, paths::kCannonSound));
}

void StartMusic(Game& game) { game.Music->Play(true); }

void LoadTurret(Game& game) {
    RequireGl(game);
    InitTurret(game.Turel, game.ProgramDir, game.VBOSupported, game.platform.loading, game.Gpu.get());
}

// The turret's cannon shells: an empty pool with its sprites, handed to whatever turret the
// turret's loading left (even one that failed half-way), hitting that turret's targets.
void ArmTurretWithShells(Game& game) {
    game.TurelShells.Init();
    if (game.Gpu) game.TurelShells.LoadTextures(game.Gpu.get(), game.ProgramDir);
    game.TurelShells.Owner = game.Turel.get();
    if (game.Turel) game.Turel->Bullets = &game.TurelShells;
}

void LoadSky(Game& game) {
    RequireGl(game);
    InitSky(game.Sky, game.ProgramDir, game.VBOSupported, game.platform.loading, game.Gpu.get());
}

// The turret's position; where the turret failed to load, the place it would have stood.
Vec3 TurretPosition(const Game& game) { return game.Turel ? game.Turel->Position : Vec3{500.0f, 500.0f, 0.0f}; }

void AnchorCameraOnTurret(Game& game) {
    const Vec3 turretPosition = TurretPosition(game);
    game.Camera.Anchor = turretPosition;
    game.Camera.Anchor2 = turretPosition;
}

// The aircraft attack a point 50 units above the turret, and the turret's laser and radar
// see them.
void CreateAircraftSystem(Game& game) {
    RequireGl(game);
    ModelLoadContext context;
    context.DataRoot = game.ProgramDir;
    context.VBOSupported = game.VBOSupported;
    context.Progress = game.platform.loading;
    context.Gpu = game.Gpu.get();
    game.Planes = TPlanes_System::Create(context, game.world.particles.Systems);
    const Vec3 turretPosition = TurretPosition(game);
    game.Planes->Target = {turretPosition.x, turretPosition.y, turretPosition.z + 50.0f};
    if (game.Turel) game.Turel->Targets = game.Planes.get();
}

void SpawnStartWave(Game& game) {
    if (!game.Planes) throw Error("no aircraft system");
    game.Planes->SpawnWave(game.random, true);
}

void LoadHudFont(Game& game) {
    if (game.Gpu) game.FontTexture = game.Gpu->NewTexture(DataPath(game.ProgramDir, paths::kFontTexture)).id();
}

void CloseLoadingWindow(Game& game) {
    if (game.platform.loading) game.platform.loading->Close();
}

}  // namespace

void InitOpenGL(Game& game) {
    if (game.Headless) return;  // nothing to draw into, by intent: the step counts as done
    game.GLReady = game.platform.window->MakeGLCurrent();
    // Carrying on without a context would crash at the first GL call, so this step fails.
    if (!game.GLReady) throw Error("no OpenGL rendering context");
    glClearColor(0.3f, 0.3f, 0.3f, 1.0f);
    glShadeModel(GL_SMOOTH);
    glClearDepth(1.0);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
    // The renderer's objects live as long as the context; what the models' shared textures
    // decode is charged to the start-up's budget.
    if (!game.Gpu) game.Gpu = std::make_shared<GpuStore>();
    game.Gpu->SetBudget(&game.Budget);
}

void InitLighting() {
    glEnable(GL_COLOR_MATERIAL);
    glColorMaterial(GL_FRONT, GL_DIFFUSE);
    glEnable(GL_LIGHT0);
}

void SetViewportAndProjection(const Game& game) {
    glViewport(0, 0, game.ScreenWidth, game.ScreenHeight);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(45.0, static_cast<double>(game.ScreenWidth) / static_cast<double>(game.ScreenHeight),
                   game.Camera.Near, game.Camera.Far);
    glMatrixMode(GL_MODELVIEW);
}

namespace {
// The images the start-up loads after the landscape whose names do not depend on the level or
// the models, in the order it needs them.
std::vector<std::string> FixedStartupImages(const std::string& root) {
    std::vector<std::string> files;
    for (int i = 0; i < paths::kFlareCount; ++i)
        files.push_back(root + std::string(paths::kFlarePrefix) + std::to_string(i) + ".jpg");
    for (std::string_view p : {paths::kSightTexture, paths::kRadarTexture, paths::kEnemyFire, paths::kEnemyFire1})
        files.push_back(DataPath(root, p));
    for (std::string_view p : paths::kExplosionTextures) files.push_back(DataPath(root, p));
    for (std::string_view p : {paths::kSkyTexture, paths::kSu25Texture, paths::kStealthTexture,
                               paths::kFighterTexture, paths::kFlame, paths::kFontTexture})
        files.push_back(DataPath(root, p));
    return files;
}
}  // namespace

void InitGame(Game& game) {
    game.InitOK = true;
    FindDataRoot(game);
    // A read-only data folder (an installed game) keeps its log in the player's state folder.
    const Status logOpened =
        LogOpenWithFallback(game.GameLog, DataPath(game.ProgramDir, paths::kLogFile),
                            StateLogPathFor(std::getenv("XDG_STATE_HOME"), std::getenv("HOME")));
    if (!logOpened.ok()) Report(logOpened.error());
    SetCameraPlanes(game);
    Guarded(game, "OpenGL", "иницилизация opengl ОК", "иницилизация opengl False", [&] { InitOpenGL(game); });
    CheckVertexBuffers(game);
    FitViewportToWindow(game);
    if (game.GLReady) InitLighting();
    InitInputDevices(game);
    Guarded(game, "image library", "иницилизация Davil ОК", "иницилизация Davil False",
            [&] { game.Images = std::make_unique<ImageLibrary>(); });
    // Decodes the fixed images on a second thread while the landscape loads, and decodes each
    // shared image once for the whole start-up.
    std::optional<ImagePrefetch> prefetch;
    std::optional<ScopedImagePrefetch> prefetchInstalled;
    if (game.Images && !game.Headless) {  // headless, no image is read
        prefetch.emplace(FixedStartupImages(game.ProgramDir));
        prefetchInstalled.emplace(*prefetch);
    }
    Guarded(game, "landscape", "Ландщафт создан ОК", "Ландщафт создан False",
            [&] { CreateGameLandscape(game); });
    Guarded(game, "physics", "ODE иницилизирован ОК", "ODE иницилизирован False",
            [&] { CreatePhysics(game); });
    PlaceSun(game);
    Guarded(game, "sun flare", "Солнечные блики иницилизированы ОК", "Солнечные блики иницилизированы False",
            [&] { InitSunFlare(game); });
    StartClock(game);
    OpenMusic(game);
    InitSoundEffects(game);
    LoadSoundSamples(game);
    StartMusic(game);
    Guarded(game, "turret", "Турель иницилизирована  ОК", "Турель иницилизирована False",
            [&] { LoadTurret(game); });
    ArmTurretWithShells(game);
    Guarded(game, "sky", "Небо иницилизировано  ОК", "Небо иницилизировано  False", [&] { LoadSky(game); });
    AnchorCameraOnTurret(game);
    Guarded(game, "aircraft system", "Система самолетов иницилизирована  ОК",
            "Система самолетов иницилизирована  False", [&] { CreateAircraftSystem(game); });
    Guarded(game, "aircraft", "Самолеты иницилизированы  ОК", "Самолеты иницилизированы False",
            [&] { SpawnStartWave(game); });
    LoadHudFont(game);
    CloseLoadingWindow(game);
    LogClose(game.GameLog);
}

}  // namespace tv
