#pragma once
// The controls polled once per frame.

#include "shell/game.h"

namespace tv {

// Mouse look, then the keyboard: Escape closes the window. A failed read costs that frame's
// input and re-acquires the device.
void ProcessInput(Game& game);

}  // namespace tv
