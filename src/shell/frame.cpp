#include "shell/frame.h"

#include <epoxy/gl.h>

#include <string>

#include "shell/controls.h"

namespace tv {

namespace {

// What the aircraft read from the game this frame.
PlanesFrame AircraftFrame(Game& game) {
    PlanesFrame f;
    f.frameMs = game.FrameTime;
    f.land = game.WorldReady ? &game.world.land : nullptr;
    f.frustum = &game.frustum;
    f.eye = game.Camera.Eye;
    f.farDistance = game.Camera.Far;
    f.turret = game.Turel.get();
    f.random = &game.random;
    f.clock = game.platform.clock;
    f.mixer = &game.Mixer;
    f.explosionSample = game.Sounds.Explosion;
    return f;
}

}  // namespace

void GameFrame(Game& game) {
    TForm1& form = game.form;
    if (form.FActive == 0) return;

    Clock& clock = *game.platform.clock;
    game.PrevTick = game.CurTick;
    game.CurTick = clock.TickCount();
    game.FrameTime = game.CurTick - game.PrevTick;

    if (game.InitOK) {
        ProcessInput(game);
        // Without a rendering context there is nothing to draw into.
        if (game.GLReady) RenderScene(game);
    }

    form.FFrameCount += 1;

    uint32_t now = clock.TickCount();
    if (now >= form.FLastFPSTick + 1000u) {
        game.platform.window->SetCaption("Terravik. " + std::to_string(form.FFrameCount) + " FPS");
        form.FFPS = form.FFrameCount;
        form.FFrameCount = 0;
        form.FLastFPSTick = now;
    }
}

void ApplicationEvents1Idle(Game& game, bool& done) {
    GameFrame(game);
    done = false;
}

void ApplicationEvents1Minimize(Game& game) { game.form.FActive = 0; }

void ApplicationEvents1Restore(Game& game) { game.form.FActive = -1; }

void FormActivate(Game& game) { game.form.FActive = -1; }

void RenderScene(Game& game) {
    glViewport(0, 0, game.ScreenWidth, game.ScreenHeight);  // 1
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);     // 2
    glLoadIdentity();                                       // 3
    game.Camera.Zoom = game.WheelZoom / 10.0f;              // 4
    PlaceCamera(game.Camera);                               // 5
    glGetDoublev(GL_MODELVIEW_MATRIX, game.SavedModelview); // 6
    glDisable(GL_LIGHTING);                                 // 7
    game.Sky.DrawAt(game.Camera.Eye);                      // 8: the sky, around the eye
    DrawAxes();                                             // 9
    game.frustum.Calculate();                               // 10
    if (game.Turel) game.Turel->Update(game.FrameTime, &game.world.land);  // 11
    if (game.Planes) game.Planes->Update(AircraftFrame(game));  // 12
    DrawWorld(game);                                        // 13
    glEnable(GL_TEXTURE_2D);                                // 14
    game.Flare.FlareDraw({game.FrameTime, game.Camera.Near, game.Camera.Far, game.ScreenWidth, game.ScreenHeight});
    glDisable(GL_LIGHTING);
    if (game.Turel) {                                       // 15
        const float w = static_cast<float>(game.ScreenWidth), h = static_cast<float>(game.ScreenHeight);
        game.Turel->DrawRadar(w / 100.0f * 10.0f, h / 100.0f * 10.0f, w / 100.0f * 7.5f, 200.0f, game.ScreenWidth,
                              game.ScreenHeight);
    }
    glLoadMatrixd(game.SavedModelview);                     // 16
    glEnable(GL_TEXTURE_2D);                                // 17
    glColor3f(0.0f, 1.0f, 0.0f);
    if (game.Turel) {  // the turret's life and shells as this frame left them
        game.Hud.Life = game.Turel->Life;
        game.Hud.Shells = game.Turel->Shells;
    }
    if (game.Planes) {  // kills and enemies left, likewise
        game.Hud.Kills = game.Planes->Kills;
        game.Hud.PlaneCount = game.Planes->PlaneCount;
    }
    PrintHud({game.FontTexture.id(), game.ScreenWidth, game.ScreenHeight}, game.form.FFPS, game.Hud);  // 18
    game.platform.window->SwapBuffers();                    // 19
    SetListenerOrientation(game.Mixer, CameraDirection(game.Camera), {0.0f, 0.0f, 1.0f});  // 20
    SetListenerPosition(game.Mixer, game.Camera.Eye);
    UpdateSound(game.Mixer);
}

void DrawWorld(Game& game) {
    if (!game.WorldReady) return;
    game.world.land.Draw(1);  // 1
    if (game.Turel) game.Turel->DrawShadow(game.SunDir);  // 2
    if (game.Planes) game.Planes->DrawShadows(game.SunDir);  // 3
    if (game.Turel) game.Turel->Draw(game.SavedModelview);  // 4
    // 1 terrain, 2 turret shadow, 3 aircraft shadows, 4 turret, 5 map objects, 6 aircraft,
    // 7 sight: each joins here with its subsystem.
    DrawLevelObjects(game.world, game.frustum, game.Camera.Eye, game.Camera.Target, game.FrameTime,  // 5
                     game.random);
    if (game.Planes) game.Planes->Draw(game.SavedModelview, AircraftFrame(game));  // 6
    if (game.Turel) game.Turel->DrawSight(game.SavedModelview);  // 7
}

void DrawAxes() {
    glLineWidth(10.0f);
    glEnable(GL_LINE_SMOOTH);
    glBegin(GL_LINES);
    glColor3f(0.0f, 0.5f, 0.0f);
    glVertex3f(-50.0f, 0.0f, 0.0f);
    glVertex3f(50.0f, 0.0f, 0.0f);
    glColor3f(0.0f, 0.0f, 0.5f);
    glVertex3f(0.0f, -50.0f, 0.0f);
    glVertex3f(0.0f, 50.0f, 0.0f);
    glColor3f(0.5f, 0.0f, 0.0f);
    glVertex3f(0.0f, 0.0f, -50.0f);
    glVertex3f(0.0f, 0.0f, 50.0f);
    glEnd();
    glColor3f(1.0f, 1.0f, 1.0f);
}

void FormDestroy(Game& game) {
    InputDevices* input = game.platform.input;
    if (input) {
        if (input->HasKeyboard()) input->ReleaseKeyboard();  // 1
        input->ReleaseInputObject();                         // 2
        if (input->HasMouse()) input->ReleaseMouse();        // 3
    }
    game.Music.reset();         // 4
    FreeSample(game.Mixer, 1);  // 5
    FreeSample(game.Mixer, 2);
    if (game.InitOK && game.GLReady) {                      // 6
        ReleaseWorldGl(game.world);  // models delete their GL names while the context lives
        if (game.Turel) game.Turel->Targets = nullptr;
        game.Planes.reset();
        ReleaseTurretGl(game.Turel);
        game.TurelShells.ReleaseGl();
        game.Flare.Release();
        game.platform.window->DeleteGLContext();
        game.GLReady = false;
    }
}

}  // namespace tv
