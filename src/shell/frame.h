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

// The scene of one frame in its fixed order, ending with the buffer swap.
void RenderScene(Game& game);
// The world (only while WorldReady).
void DrawWorld(Game& game);
// The three coloured axes at the origin; leaves line width 10 and line smoothing on.
void DrawAxes();

// Pause. BeginPause keeps the picture now on screen and holds the music and every playing
// sound; PausedFrame shows that picture with "Пауза" centred in the HUD's font and colour;
// EndPause lets the sound go on. No game time passes in between: the caller runs no GameFrame
// and keeps the clock still.
void BeginPause(Game& game);
void PausedFrame(Game& game);
void EndPause(Game& game);

// Releases the devices and the rendering context, in that order.
void FormDestroy(Game& game);

}  // namespace tv
