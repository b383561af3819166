#pragma once
// --check-data: every file a start-up reads, read by the game's own readers without a window,
// GL or a sound device, so a modder learns about a bad file before playing. No GL.

#include <string>
#include <vector>

namespace tv {

struct DataCheck {
    int files = 0;                      // distinct files read (each file on disk once)
    std::vector<std::string> problems;  // "FILE: reason" per missing or bad file, in reading order
};

// Reads the level and what it names (terrain and its texture, the map models and their
// textures, water textures, emitters and their textures), then every fixed file of the
// start-up (turret and its animation, the sky, the aircraft with wrecks and fragments, the
// interface and effect images, sounds, the music's header). Images are decoded, models read
// whole, sounds parsed. `root` is the data root (ending in '/'); mod folders apply through
// the installed ScopedDataMods. A model the level cannot do without ends the level's walk
// (the game's landscape stops there too). Initialises the image library itself. Never throws.
DataCheck CheckData(const std::string& root);

}  // namespace tv
