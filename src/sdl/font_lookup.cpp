#include "sdl/font_lookup.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_FONT_FORMATS_H

#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>

#include "platform/paths.h"

namespace tv::sdl {
namespace {

// One letter of each alphabet the captions use: "Старт", "Еще 50", "Прогресс", the log's paths.
constexpr uint32_t kLatinProbe = 'A';
constexpr uint32_t kCyrillicProbe = 0x0416;  // Ж
// fontconfig sorts every font it knows; the first few that cover both alphabets are plenty.
constexpr size_t kMaxCandidates = 8;

std::string& DataRoot() {
    static std::string root;
    return root;
}

template <typename T, void (*Destroy)(T*)>
struct Deleter {
    void operator()(T* p) const {
        if (p) Destroy(p);
    }
};
using ConfigPtr = std::unique_ptr<FcConfig, Deleter<FcConfig, FcConfigDestroy>>;
using PatternPtr = std::unique_ptr<FcPattern, Deleter<FcPattern, FcPatternDestroy>>;
using FontSetPtr = std::unique_ptr<FcFontSet, Deleter<FcFontSet, FcFontSetDestroy>>;
using LangSetPtr = std::unique_ptr<FcLangSet, Deleter<FcLangSet, FcLangSetDestroy>>;

bool ReadWhole(const std::string& path, std::vector<uint8_t>& bytes) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) return false;
    const uint64_t size = std::filesystem::file_size(path, ec);
    if (ec || size == 0 || size > kMaxFontFileBytes) return false;
    std::ifstream in(path, std::ios::binary);
    bytes.resize(static_cast<size_t>(size));
    if (!in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(size))) return false;
    return true;
}

// Both renderers read TrueType outlines, and OpenType's CFF ones; bitmap and Type 1 fonts no.
bool UsableFace(const std::vector<uint8_t>& bytes, int faceIndex) {
    FT_Library library = nullptr;
    if (FT_Init_FreeType(&library) != 0) return false;
    bool usable = false;
    FT_Face face = nullptr;
    if (FT_New_Memory_Face(library, bytes.data(), static_cast<FT_Long>(bytes.size()), faceIndex, &face) ==
        0) {
        const char* format = FT_Get_Font_Format(face);
        usable = FT_IS_SCALABLE(face) && format &&
                 (std::strcmp(format, "TrueType") == 0 || std::strcmp(format, "CFF") == 0) &&
                 FT_Get_Char_Index(face, kLatinProbe) != 0 && FT_Get_Char_Index(face, kCyrillicProbe) != 0;
        FT_Done_Face(face);
    }
    FT_Done_FreeType(library);
    return usable;
}

}  // namespace

void SetFontDataRoot(const std::string& dataRoot) {
    DataRoot() = dataRoot;
}

std::vector<FontCandidate> FontconfigCandidates(FontWidth width) {
    std::vector<FontCandidate> found;
    // A configuration of our own, loaded now: fontconfig's shared one would keep whatever font
    // list it read first for the rest of the process.
    ConfigPtr config(FcInitLoadConfigAndFonts());
    if (!config) return found;
    PatternPtr pattern(FcNameParse(reinterpret_cast<const FcChar8*>("sans-serif")));
    LangSetPtr languages(FcLangSetCreate());
    if (!pattern || !languages) return found;
    FcLangSetAdd(languages.get(), reinterpret_cast<const FcChar8*>("ru"));
    FcLangSetAdd(languages.get(), reinterpret_cast<const FcChar8*>("en"));
    FcPatternAddLangSet(pattern.get(), FC_LANG, languages.get());
    FcPatternAddBool(pattern.get(), FC_SCALABLE, FcTrue);
    if (width == FontWidth::Condensed) FcPatternAddInteger(pattern.get(), FC_WIDTH, FC_WIDTH_CONDENSED);
    FcConfigSubstitute(config.get(), pattern.get(), FcMatchPattern);
    FcDefaultSubstitute(pattern.get());
    FcResult result = FcResultNoMatch;
    FontSetPtr sorted(FcFontSort(config.get(), pattern.get(), FcTrue, nullptr, &result));
    if (!sorted) return found;
    for (int i = 0; i < sorted->nfont && found.size() < kMaxCandidates; ++i) {
        FcPattern* font = sorted->fonts[i];
        FcChar8* file = nullptr;
        FcCharSet* chars = nullptr;
        FcBool scalable = FcFalse;
        int index = 0;
        if (FcPatternGetString(font, FC_FILE, 0, &file) != FcResultMatch) continue;
        // The sort ranks by closeness, not by what a font can draw: a font without Cyrillic
        // may still come first.
        if (FcPatternGetCharSet(font, FC_CHARSET, 0, &chars) != FcResultMatch ||
            !FcCharSetHasChar(chars, kLatinProbe) || !FcCharSetHasChar(chars, kCyrillicProbe))
            continue;
        if (FcPatternGetBool(font, FC_SCALABLE, 0, &scalable) == FcResultMatch && !scalable) continue;
        if (FcPatternGetInteger(font, FC_INDEX, 0, &index) != FcResultMatch) index = 0;
        found.push_back({reinterpret_cast<const char*>(file), index & 0xFFFF});  // the low bits are the face
    }
    return found;
}

bool LoadUiFontFile(const std::string& path, int faceIndex, UiFont& out) {
    std::vector<uint8_t> bytes;
    if (!ReadWhole(path, bytes) || !UsableFace(bytes, faceIndex)) return false;
    out.path = path;
    out.faceIndex = faceIndex;
    out.bytes = std::move(bytes);
    return true;
}

UiFont FindUiFont(FontWidth width) {
    UiFont font;
    for (const FontCandidate& c : FontconfigCandidates(width)) {
        if (LoadUiFontFile(c.path, c.faceIndex, font)) return font;
    }
    if (!DataRoot().empty())
        LoadUiFontFile(ResolvePath((std::filesystem::path(DataRoot()) / kShippedFont).string()), 0, font);
    return font;
}

}  // namespace tv::sdl
