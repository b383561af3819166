#include "shell/startup.h"

#include <epoxy/gl.h>
#include <GL/glu.h>

#include <cmath>
#include <cstring>
#include <stdexcept>

#include "common/data_paths.h"
#include "math/vector_math.h"
#include "platform/paths.h"
#include "render/texture.h"

namespace tv {
namespace {

// Runs one guarded step: every exception becomes the step's False line and clears InitOK.
// The OK line is written inside the guard, so a failing log write counts as the step failing.
template <class Step>
void Guarded(Game& game, const char* okLine, const char* falseLine, Step&& step) {
    try {
        step();
        LogWrite(game.GameLog, okLine);
    } catch (...) {
        game.InitOK = false;
        LogWrite(game.GameLog, falseLine);
    }
}

void StepFindDataRoot(Game& game) {
    if (!game.dataDirOverride.empty()) {
        game.ProgramDir = game.dataDirOverride;
        if (game.ProgramDir.back() != '/') game.ProgramDir += '/';
    } else {
        game.ProgramDir = DataRootForExecutable(game.executablePath);
    }
}

void StepCheckVbo(Game& game) {
    const char* ext = nullptr;
    if (game.GLReady) ext = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
    game.VBOSupported = ext && std::strstr(ext, "GL_ARB_vertex_buffer_object");
    LogWrite(game.GameLog, game.VBOSupported ? "Поддержка VBO ОК"
                                             : "Поддержка VBO False -*- автоматическией переход на glDrawArrays");
}

void StepWindowSize(Game& game) {
    game.ScreenWidth = game.platform.window->Width();
    game.ScreenHeight = game.platform.window->Height();
    if (game.GLReady) SetViewportAndProjection(game);
}

void StepInputDevices(Game& game) {
    int keyboard = game.platform.input->InitKeyboard();
    LogWrite(game.GameLog, keyboard < 0 ? "иницилизация Клавиатуры False" : "иницилизация Клавиатуры ОК");
    int mouse = game.platform.input->InitMouse();
    LogWrite(game.GameLog, mouse < 0 ? "иницилизация Мыши False" : "иницилизация Мыши ОК");
}

void StepSun(Game& game) {
    game.SunPos = {1000.0f, 1000.0f, 500.0f};
    game.SunDir = {game.SunPos.x, game.SunPos.y, 0.0f};
    VecSetLength(game.SunDir, 1.0f);
}

void StepStartClock(Game& game) {
    game.CurTick = game.platform.clock->TickCount();
    game.PrevTick = game.CurTick;
}

void StepMusicAndSound(Game& game) {
    if (OpenMusicDevice(game.musicDevice)) {  // 18
        LogWrite(game.GameLog, "Движок ogg иницилизирован ОК");
    } else {
        LogWrite(game.GameLog, "Движок ogg иницилизирован False");
        game.InitOK = false;
    }
    game.Music = std::make_unique<TOGG>(game.musicDevice, DataPath(game.ProgramDir, paths::kMusic));  // 19
    LogWrite(game.GameLog, game.Music->loaded() ? "Load file ogg OK" : "Load file ogg False");
    if (InitSound(game.Mixer, *game.platform.clock)) {  // 20
        LogWrite(game.GameLog, "Движок звука иницилизирован ОК");
    } else {
        LogWrite(game.GameLog, "Движок звука иницилизирован False");
        game.InitOK = false;
    }
    // 21: in this order, so the ids come out as they always have (1, 2, 3).
    game.Sounds.Explosion = LoadSample(game.Mixer, DataPath(game.ProgramDir, paths::kExplosionSound));
    game.Sounds.Laser = LoadSample(game.Mixer, DataPath(game.ProgramDir, paths::kLaserSound));
    game.Sounds.Cannon = LoadSample(game.Mixer, DataPath(game.ProgramDir, paths::kCannonSound));
    game.Music->Play(true);  // 22
}

// The turret's cannon shells: an empty pool with its sprites, handed to whatever turret the
// turret step left (even one whose step failed half-way), hitting that turret's targets.
void StepTurretShells(Game& game) {
    game.TurelShells.Init();
    if (game.GLReady) game.TurelShells.LoadTextures(game.ProgramDir);
    game.TurelShells.Owner = game.Turel.get();
    if (game.Turel) game.Turel->Bullets = &game.TurelShells;
}

void StepCameraAnchors(Game& game) {
    // The turret's position; where its step failed, the place it would have stood.
    const Vec3 turretPosition = game.Turel ? game.Turel->Position : Vec3{500.0f, 500.0f, 0.0f};
    game.Camera.Anchor = turretPosition;
    game.Camera.Anchor2 = turretPosition;
}

// Step 26 without its log line: the aircraft attack a point 50 units above the turret, and
// the turret's laser and radar see them.
void StepAircraftSystem(Game& game) {
    ModelLoadContext context;
    context.DataRoot = game.ProgramDir;
    context.VBOSupported = game.VBOSupported;
    context.Progress = game.platform.loading;
    game.Planes = TPlanes_System::Create(context, game.world.particles.Systems);
    const Vec3 turretPosition = game.Turel ? game.Turel->Position : Vec3{500.0f, 500.0f, 0.0f};
    game.Planes->Target = {turretPosition.x, turretPosition.y, turretPosition.z + 50.0f};
    if (game.Turel) game.Turel->Targets = game.Planes.get();
}

void StepCloseLoadingWindow(Game& game) {
    if (game.platform.loading) game.platform.loading->Close();
}

}  // namespace

void InitOpenGL(Game& game) {
    game.GLReady = game.platform.window->MakeGLCurrent();
    // Carrying on without a context would crash at the first GL call, so this step fails.
    if (!game.GLReady) throw std::runtime_error("no OpenGL rendering context");
    glClearColor(0.3f, 0.3f, 0.3f, 1.0f);
    glShadeModel(GL_SMOOTH);
    glClearDepth(1.0);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
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

void InitGame(Game& game) {
    game.InitOK = true;                                                    // 1
    StepFindDataRoot(game);                                                // 2
    LogOpen(game.GameLog, DataPath(game.ProgramDir, paths::kLogFile));   // 3
    // 4: the window handle lives in the platform ports.
    game.Camera.Pitch = 0.0f;                                              // 5
    game.Camera.Far = 1000.0f;
    game.Camera.Near = 0.1f;
    Guarded(game, "иницилизация opengl ОК", "иницилизация opengl False",  // 6
            [&] { InitOpenGL(game); });
    StepCheckVbo(game);                                                    // 7
    StepWindowSize(game);                                                  // 8
    if (game.GLReady) InitLighting();                                      // 9
    StepInputDevices(game);                                                // 10, 11
    Guarded(game, "иницилизация Davil ОК", "иницилизация Davil False",    // 12
            [&] { game.Images = std::make_unique<ImageLibrary>(); });
    Guarded(game, "Ландщафт создан ОК", "Ландщафт создан False", [&] {         // 13
        if (!game.GLReady) throw std::runtime_error("no OpenGL rendering context");
        CreateLandscape(game.world, game.ProgramDir, game.VBOSupported, game.platform.loading, game.random,
                        *game.platform.clock);
        game.WorldReady = true;
    });
    Guarded(game, "ODE иницилизирован ОК", "ODE иницилизирован False", [&] {  // 14
        game.world.physics.CreatePhysicsWorld();
        game.WorldReady = true;
    });
    StepSun(game);                                                         // 15
    Guarded(game, "Солнечные блики иницилизированы ОК", "Солнечные блики иницилизированы False", [&] {  // 16
        if (!game.GLReady) throw std::runtime_error("no OpenGL rendering context");
        game.Flare.FlareInit(game.ProgramDir, game.ScreenWidth, game.ScreenHeight, game.SunPos.x, game.SunPos.y,
                             game.SunPos.z);
    });
    StepStartClock(game);                                                  // 17
    StepMusicAndSound(game);                                               // 18-22
    Guarded(game, "Турель иницилизирована  ОК", "Турель иницилизирована False", [&] {  // 23
        if (!game.GLReady) throw std::runtime_error("no OpenGL rendering context");
        InitTurret(game.Turel, game.ProgramDir, game.VBOSupported, game.platform.loading);
    });
    StepTurretShells(game);                                                // 23: its shell pool
    Guarded(game, "Небо иницилизировано  ОК", "Небо иницилизировано  False", [&] {  // 24
        if (!game.GLReady) throw std::runtime_error("no OpenGL rendering context");
        InitSky(game.Sky, game.ProgramDir, game.VBOSupported, game.platform.loading);
    });
    StepCameraAnchors(game);                                               // 25
    Guarded(game, "Система самолетов иницилизирована  ОК", "Система самолетов иницилизирована  False", [&] {  // 26
        if (!game.GLReady) throw std::runtime_error("no OpenGL rendering context");
        StepAircraftSystem(game);
    });
    Guarded(game, "Самолеты иницилизированы  ОК", "Самолеты иницилизированы False", [&] {  // 27
        if (!game.Planes) throw std::runtime_error("no aircraft system");
        game.Planes->SpawnWave(game.random, true);
    });
    if (game.GLReady) game.FontTexture = LoadTexture(DataPath(game.ProgramDir, paths::kFontTexture));  // 28
    StepCloseLoadingWindow(game);                                          // 29
    LogClose(game.GameLog);                                                // 30
}

}  // namespace tv
