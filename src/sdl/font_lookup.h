#pragma once
// The font the windows write their captions in: a scalable sans face with Latin and Cyrillic
// letters. fontconfig's best matches come first, then the copy of DejaVu Sans the game ships in
// its data (fonts/DejaVuSans.ttf). Every candidate is read and opened before it is chosen, so a
// missing, unreadable or broken file is never handed to the text renderers; when none will do,
// the caller falls back to what it has built in.

#include <cstdint>
#include <string>
#include <vector>

namespace tv::sdl {

// The game's own fallback font, relative to the data root.
inline constexpr const char* kShippedFont = "fonts/DejaVuSans.ttf";
// No font file the game would choose is near this; a larger one is skipped unread.
inline constexpr uint64_t kMaxFontFileBytes = 64ull * 1024 * 1024;

enum class FontWidth {
    Normal,
    Condensed,  // preferred where installed; a normal-width face is a fine substitute
};

struct UiFont {
    std::string path;            // empty when no usable font was found
    int faceIndex = 0;           // the face within a collection file
    std::vector<uint8_t> bytes;  // the whole file, already checked
    bool Found() const { return !bytes.empty(); }
};

// The data root whose shipped font ends the search. The program sets it once, before any window
// opens; until then only fontconfig is asked.
void SetFontDataRoot(const std::string& dataRoot);

// Files fontconfig offers for a sans face covering Latin and Cyrillic, best first, each with
// its face index. Empty when fontconfig knows no such font (or cannot start).
struct FontCandidate {
    std::string path;
    int faceIndex = 0;
};
std::vector<FontCandidate> FontconfigCandidates(FontWidth width);

// Reads `path` whole and checks that it is a TrueType or OpenType face both text renderers can
// draw with, and that it has glyphs for Latin and Cyrillic letters. False (and `out` untouched)
// for anything else: missing, unreadable, a directory, too large, truncated, another format.
bool LoadUiFontFile(const std::string& path, int faceIndex, UiFont& out);

// fontconfig's candidates, then the shipped font under the data root set above: the first that
// loads. Not found when none does.
UiFont FindUiFont(FontWidth width);

}  // namespace tv::sdl
