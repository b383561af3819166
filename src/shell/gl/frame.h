#pragma once
// The idle-driven frame: timing, the frame-rate caption, input, the scene in its fixed order,
// and the shutdown.

#include "shell/game.h"

namespace tv {

// One frame; nothing at all while the window is inactive (minimised).
void GameFrame(Game& game);
// Runs GameFrame and reports that more idle time is wanted.
void ApplicationEvents1Idle(Game& game, bool& done);
void ApplicationEvents1Minimize(Game& game);
void ApplicationEvents1Restore(Game& game);
void FormActivate(Game& game);

// One frame after its input: StepWorld, then DrawFrame.
void RenderScene(Game& game);
// Every change the frame makes to the game, for FrameTime ms, with the input ProcessInput
// read, in the game's order of effects: the camera and its view planes, the turret (turning,
// laser, shells), the aircraft (steering, firing, separation, collisions, crashes), the level's
// objects (water kicks, emitters), the dying aircraft with their explosions and smoke, the
// engine flames, the smoke, the aircraft's shots, the fragments, the HUD's values and the
// sound listener. No GL: it runs without a window.
void StepWorld(Game& game);
// The picture of what StepWorld left, in its fixed order, ending with the buffer swap. It
// draws no random number, plays no sound and moves nothing of the game; what it changes is
// the GL state and the drawing's own scratch (the saved modelview, the lens flare's fade, which
// reads the depth buffer back).
void DrawFrame(Game& game);
// DrawFrame without the swap: the picture is left in the back buffer.
void ComposeFrame(Game& game);
// The HUD's numbers (life, shells, kills, enemies left) as the frame's step left them.
void TakeHudValues(Game& game);
// The world (only while WorldReady).
void DrawWorld(Game& game);
// The three coloured axes at the origin; leaves line width 10 and line smoothing on.
void DrawAxes();

// Pause. BeginPause keeps the picture now on screen (drawn again from the game's state) and
// holds the music and every playing sound; PausedFrame shows that picture with "Пауза"
// centred in the HUD's font and colour; EndPause lets the sound go on. No game time passes in between: the caller runs no GameFrame
// and keeps the clock still.
void BeginPause(Game& game);
void PausedFrame(Game& game);
void EndPause(Game& game);

// Releases the devices and the rendering context, in that order.
void FormDestroy(Game& game);

}  // namespace tv
