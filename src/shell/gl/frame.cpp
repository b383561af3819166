#include "shell/gl/frame.h"

#include <epoxy/gl.h>

#include <cstdio>
#include <string>
#include <string_view>
#include <utility>

#include "common/report.h"
#include "platform/text_encoding.h"
#include "render/gl/draw_parts.h"
#include "render/gl/gl_matrices.h"
#include "render/gl/gpu_store.h"
#include "render/gl/offscreen_target.h"
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

// The frame lasts from the previous frame's tick to this one's.
void MeasureFrameTime(Game& game) {
    game.PrevTick = game.CurTick;
    game.CurTick = game.platform.clock->TickCount();
    game.FrameTime = game.CurTick - game.PrevTick;
}

// Counts the frame; once a second the caption shows the frames of that second and the HUD
// takes the count.
void CountFrameForCaption(Game& game) {
    TForm1& form = game.form;
    form.FFrameCount += 1;
    const uint32_t now = game.platform.clock->TickCount();
    if (now >= form.FLastFPSTick + 1000u) {
        game.platform.window->SetCaption("Terravik. " + std::to_string(form.FFrameCount) + " FPS");
        form.FFPS = form.FFrameCount;
        form.FFrameCount = 0;
        form.FLastFPSTick = now;
    }
}

// A fresh frame of width x height pixels, with the modelview reset for the camera.
void ClearFrame(int width, int height) {
    glViewport(0, 0, width, height);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
}

// The camera of this frame at the wheel's zoom, and the planes of its view from the matrices
// GL will be given for it, so everything that culls in the step decides as the picture does.
// The sky follows the eye.
void PlaceCameraForStep(Game& game) {
    game.Camera.Zoom = game.WheelZoom / 10.0f;
    ComputeCameraPlacement(game.Camera);
    float view[16], projection[16];
    CameraViewMatrix(game.Camera, view);
    CameraProjectionMatrix(game.Camera, game.ScreenWidth, game.ScreenHeight, projection);
    game.frustum.CalculateFrom(projection, view);
    game.Sky.X = game.Camera.Eye.x;
    game.Sky.Y = game.Camera.Eye.y;
    game.Sky.Z = game.Camera.Eye.z;
}

// Places the camera the step computed and keeps its modelview: every later pass that draws in
// world space starts again from this matrix.
void PlaceCameraForFrame(Game& game) {
    LookThroughCamera(game.Camera);
    glGetDoublev(GL_MODELVIEW_MATRIX, game.SavedModelview);
}

// The sky is drawn around the eye, unlit, before anything it could hide.
// With a world to draw, the sky goes in behind the ground instead (see DrawWorld), so the sky
// hidden by the terrain is never shaded.
void DrawSkyAroundEye(Game& game) {
    glDisable(GL_LIGHTING);
    if (!game.WorldReady) game.Sky.Draw();
}

// How every scene begins, in the window or in the offscreen target: a cleared frame of
// width x height, the camera, the sky around the eye and the axes.
void OpenScene(Game& game, int width, int height) {
    ClearFrame(width, height);
    PlaceCameraForFrame(game);
    DrawSkyAroundEye(game);
    DrawAxes();
}

// The turret and its shells first, then the aircraft.
void UpdateCombat(Game& game) {
    if (game.Turel) game.Turel->Update(game.FrameTime, &game.world.land);
    if (game.Planes) game.Planes->Update(AircraftFrame(game));
}

// After the turret and the aircraft: the level's objects (water kicks draw from the
// generator), then the dying aircraft, engine flames, smoke, shots and fragments.
void StepWorldEffects(Game& game) {
    if (!game.WorldReady) return;
    StepLevelObjects(game.world, game.frustum, game.Camera.Eye, game.Camera.Target, game.FrameTime, game.random);
    if (game.Planes) game.Planes->Step(AircraftFrame(game));
}


void DrawSunFlare(Game& game, int width, int height) {
    glEnable(GL_TEXTURE_2D);
    game.Flare.FlareDraw({game.FrameTime, game.Camera.Near, game.Camera.Far, width, height});
    glDisable(GL_LIGHTING);
}

// With --draw-parts, the time since the last mark goes to `part`.
void Mark(Game& game, std::string_view part) {
    if (game.DrawTimes) game.DrawTimes->Mark(part);
}

// Shadows go on the terrain before the bodies that cast them.
void DrawWorldUnderSight(Game& game) {
    Mark(game, "clear and sky");
    game.world.land.DrawInView(game.frustum, game.Camera.Eye);
    Mark(game, "terrain");
    // The sky fills what the ground left empty, before anything blends over either.
    game.Sky.DrawBehind();
    Mark(game, "sky behind the terrain");
    if (game.Turel) game.Turel->DrawShadow(game.SunDir);
    if (game.Planes && game.settings.video.shadows != ShadowMode::Off)
        game.Planes->DrawShadows(game.SunDir, &game.frustum,
                                 game.settings.video.shadows == ShadowMode::Simple ? TPlanes_System::ShadowShape::Oval
                                                                                  : TPlanes_System::ShadowShape::Model);
    Mark(game, "shadows");
    if (game.Turel) {
        game.Turel->Draw(game.SavedModelview);
        // The shells the turret fired, with the camera's modelview its draw left current.
        if (game.Turel->Bullets) game.TurelShells.DrawShells();
    }
    Mark(game, "turret");
    if (game.Gpu) DrawLevelObjects(game.world, *game.Gpu);
    Mark(game, "level objects");
    if (game.Planes) game.Planes->Draw(game.SavedModelview, &game.frustum, game.DrawTimes);
}

// Below render scale 1 the scene (sky, world, flare) goes into the offscreen target and is
// stretched over the window; the sight, radar, HUD and buttons then go on at the window's
// resolution. False, and nothing drawn, when the scale is 1 or the target cannot be had (one
// stderr line the first time): the frame is then drawn straight into the window.
bool DrawScaledScene(Game& game) {
    const double scale = game.settings.video.renderScale;
    if (!game.Gpu) return false;
    OffscreenTarget& target = game.Gpu->Part<OffscreenTarget>();
    if (!(scale < 1.0)) {
        target.Release();  // back at full size (the options may change between frames)
        return false;
    }
    if (target.Failed()) return false;
    const int width = ScaledSide(game.ScreenWidth, scale), height = ScaledSide(game.ScreenHeight, scale);
    if (!target.Begin(width, height)) {
        char scaleText[32];
        std::snprintf(scaleText, sizeof scaleText, "%.2f", scale);
        Warn(std::string("render_scale ") + scaleText + " cannot be used (" + target.Error() +
             "); drawing at full resolution");
        game.SceneScaleRefused = true;
        return false;
    }
    OpenScene(game, width, height);
    if (game.WorldReady) DrawWorldUnderSight(game);
    DrawSunFlare(game, width, height);
    Mark(game, "flare");
    // The stretch fills every pixel of the window; only its depth needs clearing.
    target.EndAndStretch(game.ScreenWidth, game.ScreenHeight);
    Mark(game, "stretch");
    glClear(GL_DEPTH_BUFFER_BIT);
    if (game.WorldReady && game.Turel) game.Turel->DrawSight(game.SavedModelview);
    Mark(game, "sight");
    return true;
}

// The radar: centred at a tenth of the window's width and height; its half size is 7.5 % of the width.
void DrawRadar(Game& game) {
    if (!game.Turel) return;
    const float w = static_cast<float>(game.ScreenWidth), h = static_cast<float>(game.ScreenHeight);
    game.Turel->DrawRadar(w / 100.0f * 10.0f, h / 100.0f * 10.0f, w / 100.0f * 7.5f, 200.0f, game.ScreenWidth,
                          game.ScreenHeight);
}

// The HUD's texts in green over the camera's modelview.
void DrawHud(Game& game) {
    glLoadMatrixd(game.SavedModelview);
    glEnable(GL_TEXTURE_2D);
    glColor3f(0.0f, 1.0f, 0.0f);
    PrintHud({game.FontTexture, game.ScreenWidth, game.ScreenHeight, static_cast<float>(game.form.uiScale)},
             game.form.FFPS, game.Hud);
}

// The listener hears from the eye, facing where the camera looks; UpdateSound commits that
// with the frame's other deferred sound changes.
void PlaceListener(Game& game) {
    SetListenerOrientation(game.Mixer, CameraDirection(game.Camera), {0.0f, 0.0f, 1.0f});
    SetListenerPosition(game.Mixer, game.Camera.Eye);
    UpdateSound(game.Mixer);
}

void ReleaseInputDevices(InputDevices* input) {
    if (!input) return;
    if (input->HasKeyboard()) input->ReleaseKeyboard();
    input->ReleaseInputObject();
    if (input->HasMouse()) input->ReleaseMouse();
}

void StopSound(Game& game) {
    game.Music.reset();
    FreeSample(game.Mixer, game.Sounds.Explosion);
    FreeSample(game.Mixer, game.Sounds.Laser);
}

// Objects that own GL names go while the context is still current, then the context itself.
void ReleaseGraphics(Game& game) {
    if (!game.InitOK || !game.GLReady) return;
    if (game.Gpu) game.Gpu->Release();  // every texture, buffer and program the game made
    game.platform.window->DeleteGLContext();
    game.GLReady = false;
}

}  // namespace

// The turret's life and shells, the kills and the enemies left, as this frame left them.
void TakeHudValues(Game& game) {
    if (game.Turel) {
        game.Hud.Life = game.Turel->Life;
        game.Hud.Shells = game.Turel->Shells;
    }
    if (game.Planes) {
        game.Hud.Kills = game.Planes->Kills;
        game.Hud.PlaneCount = game.Planes->PlaneCount;
    }
}

void GameFrame(Game& game) {
    if (game.form.FActive == 0) return;
    MeasureFrameTime(game);
    if (game.InitOK) {
        ProcessInput(game);
        // Without a rendering context there is nothing to draw into; headless, the frame is
        // its step alone.
        if (game.GLReady || game.Headless) StepWorld(game);
        if (game.GLReady) DrawFrame(game);
    }
    CountFrameForCaption(game);
}

void ApplicationEvents1Idle(Game& game, bool& done) {
    GameFrame(game);
    done = false;
}

void ApplicationEvents1Minimize(Game& game) { game.form.FActive = 0; }

void ApplicationEvents1Restore(Game& game) { game.form.FActive = -1; }

void FormActivate(Game& game) { game.form.FActive = -1; }

void RenderScene(Game& game) {
    StepWorld(game);
    DrawFrame(game);
}

void StepWorld(Game& game) {
    PlaceCameraForStep(game);
    UpdateCombat(game);
    StepWorldEffects(game);
    TakeHudValues(game);
    PlaceListener(game);
}

void DrawFrame(Game& game) {
    if (game.DrawTimes) game.DrawTimes->BeginFrame();
    ComposeFrame(game);
    game.platform.window->SwapBuffers();
    Mark(game, "swap");
}

void ComposeFrame(Game& game) {
    if (!DrawScaledScene(game)) {
        OpenScene(game, game.ScreenWidth, game.ScreenHeight);
        DrawWorld(game);
        DrawSunFlare(game, game.ScreenWidth, game.ScreenHeight);
        Mark(game, "flare");
    }
    DrawRadar(game);
    Mark(game, "radar");
    DrawHud(game);
    Mark(game, "HUD");
}

// The sight goes last, over all.
void DrawWorld(Game& game) {
    if (!game.WorldReady) return;
    DrawWorldUnderSight(game);
    if (game.Turel) game.Turel->DrawSight(game.SavedModelview);
    Mark(game, "sight");
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

namespace {
// One stderr line at each end of a pause, with how far the music has played: the two figures
// match when the pause held the music.
void ReportMusicPosition(Game& game, const char* what) {
    if (!game.Music || !game.Music->loaded()) return;
    Warn(std::string(what) + "; music at byte " + std::to_string(game.Music->PlayedBytes()));
}
}  // namespace

void BeginPause(Game& game) {
    if (game.Paused) return;
    game.Paused = true;
    game.PausedPicture.clear();
    if (game.GLReady && game.ScreenWidth > 0 && game.ScreenHeight > 0) {
        game.PausedWidth = game.ScreenWidth;
        game.PausedHeight = game.ScreenHeight;
        game.PausedPicture.resize(static_cast<size_t>(game.PausedWidth) * game.PausedHeight * 4);
        if (game.InitOK) {
            // The last frame drawn again, into the back buffer: after the swap neither buffer
            // is sure to hold it (many X servers and compositors keep no front buffer). The
            // flare's fade is the one thing drawing moves; it must not move twice. Nor is this
            // drawing a frame of --draw-parts.
            const float fade = game.Flare.Brightness;
            DrawParts* const parts = std::exchange(game.DrawTimes, nullptr);
            ComposeFrame(game);
            game.DrawTimes = parts;
            game.Flare.Brightness = fade;
            glReadBuffer(GL_BACK);
        } else {
            glReadBuffer(GL_FRONT);  // nothing of the game to draw: what the window shows
        }
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(0, 0, game.PausedWidth, game.PausedHeight, GL_RGBA, GL_UNSIGNED_BYTE,
                     game.PausedPicture.data());
        glReadBuffer(GL_BACK);
    }
    PauseSounds(game.Mixer, true);
    if (game.Music) game.Music->Pause(true);
    ReportMusicPosition(game, "paused");
}

void PausedFrame(Game& game) {
    if (!game.Paused || !game.GLReady) return;
    glPushAttrib(GL_ALL_ATTRIB_BITS);
    PushIdentityMatrices();
    glViewport(0, 0, game.ScreenWidth, game.ScreenHeight);
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_LIGHTING);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_BLEND);
    glDisable(GL_FOG);
    if (!game.PausedPicture.empty()) {
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
        glPixelZoom(1.0f, 1.0f);
        glRasterPos2f(-1.0f, -1.0f);
        glDrawPixels(game.PausedWidth, game.PausedHeight, GL_RGBA, GL_UNSIGNED_BYTE, game.PausedPicture.data());
    }
    glEnable(GL_TEXTURE_2D);
    glColor3f(0.0f, 1.0f, 0.0f);
    // Glyph i of n spans x - 10 + i*size/2 .. x - 10 + (i+1)*size/2: centre the n glyphs.
    const std::string text = Utf8ToCp1251(Tr("Пауза"));
    const float size = 30.0f * static_cast<float>(game.form.uiScale);
    const float width = text.size() * size / 2.0f;
    const float x = game.ScreenWidth / 2.0f - width / 2.0f + 10.0f - size / 2.0f;
    const float y = game.ScreenHeight / 2.0f - size / 2.0f;
    PrintText({game.FontTexture, game.ScreenWidth, game.ScreenHeight}, text, x, y, size);
    PopMatrices();
    glPopAttrib();
    game.platform.window->SwapBuffers();
}

void EndPause(Game& game) {
    if (!game.Paused) return;
    game.Paused = false;
    game.PausedPicture.clear();
    ReportMusicPosition(game, "going on");
    PauseSounds(game.Mixer, false);
    if (game.Music) game.Music->Pause(false);
}

void FormDestroy(Game& game) {
    ReleaseInputDevices(game.platform.input);
    StopSound(game);
    ReleaseGraphics(game);
}

}  // namespace tv
