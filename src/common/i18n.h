#pragma once
// The player's language. Every text a player sees is written in the code in Russian, as the
// game has always shown it, and passed through Tr(); in Russian Tr() gives it back unchanged,
// in another language the translation from that language's catalogue (the Russian text where
// the catalogue has none). Texts are UTF-8 both ways. The log file never goes through Tr().
//
// Catalogues are compiled message catalogues (.mo files, domain "terravik") that the game
// reads itself, so the player's LANG, LC_ALL and LANGUAGE and the locales installed on the
// machine play no part: the game's own setting alone decides the language.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace tv {

enum class Language : uint8_t { Russian, English };

// Chooses the language of every later Tr(). Russian until this is called. The first time a
// language is chosen its catalogue is read from the folders SetLocaleDirs named; a catalogue
// that cannot be read costs one stderr line, and the texts stay Russian.
void SetLanguage(Language language);

// The text in the chosen language. The pointer stays valid for the whole run.
const char* Tr(const char* russian);

// Marks a text kept as data (a button's caption) for the catalogues; Tr() translates it where
// it is drawn.
constexpr const char* TrNoop(const char* russian) { return russian; }

// The folders SetLanguage looks in, in order, for <dir>/<code>/LC_MESSAGES/terravik.mo.
// Other folders than before mean Russian until the next SetLanguage, which reads anew.
void SetLocaleDirs(std::vector<std::string> dirs);

// The locale folders for an executable: share/locale beside its bin/ folder (the build's game
// folder, and an installed prefix), then the installed locale folder as seen from bin/ when
// that is elsewhere. Empty for an empty path.
std::vector<std::string> LocaleDirsForExecutable(std::string_view executablePath);

// A compiled catalogue's translations, msgid -> msgstr (UTF-8, as stored).
class MessageCatalogue {
public:
    // Reads .mo bytes in either byte order; false with `error` saying what is wrong when the
    // bytes are not a catalogue (every offset is checked against the size). Entries with an
    // empty msgid (the header) or an empty translation are left out; of a plural entry only
    // the singular is kept.
    bool Parse(std::string_view bytes, std::string& error);
    // The translation of `msgid`, or null.
    const char* Find(std::string_view msgid) const;
    size_t Size() const { return entries_.size(); }

private:
    struct Hash {
        using is_transparent = void;
        size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
    };
    std::unordered_map<std::string, std::string, Hash, std::equal_to<>> entries_;
};

// The largest catalogue file read: a few hundred game texts make a few kilobytes.
inline constexpr uint64_t kMaxCatalogueBytes = 16u << 20;

}  // namespace tv
