#pragma once
// The start-up sequence run by the start button. Each step writes its log line; guarded
// steps that fail clear InitOK and the sequence goes on.

#include <string>

#include "common/error.h"
#include "shell/game.h"

namespace tv {

void InitGame(Game& game);

// What keeps a data root from being played, as an error of one line, or ok when the folder
// exists, whatever it holds (no GL: data_root.cpp). `named` says the root came from the
// command line.
Status DataRootProblem(const std::string& root, bool named);
// The same for a mod folder (given in the settings or with --mod).
Status ModFolderProblem(const std::string& folder);
// The data root as the start-up spells it: ending in '/'.
std::string DataRootPrefix(const std::string& root);

// Makes the window's context current, sets the renderer's fixed state (grey clear colour,
// depth test with less-or-equal, smooth shading) and makes the renderer's store (game.Gpu).
// Throws if there is no context. Headless it does nothing: no context, no store.
void InitOpenGL(Game& game);
// Colour material on the diffuse of front faces, light 0 on; lighting itself stays off.
void InitLighting();
// Viewport over the whole window and a 45-degree perspective from the camera's near and far
// planes; leaves the modelview matrix selected.
void SetViewportAndProjection(const Game& game);

}  // namespace tv
