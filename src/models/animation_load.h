#pragma once
// SMD skeleton frames into a model's animation.

#include <string>

#include "models/model.h"

namespace tv {

// Fills `animation` with the frames of the ".smd" file at `path`: per frame, per bone line in
// line order, the rotation, its quaternion and the position. Raises DataError if the file is
// missing or has no skeleton block (see smd_file.h). The frames replace what was there.
void LoadSmdFrames(TAnimacia& animation, const std::string& path);

// Grows the model's Animations by one and loads the file into it; returns the new index. On
// failure the model is left without the new element.
int32_t AddSmdAnimation(TModel& model, const std::string& path);

}  // namespace tv
