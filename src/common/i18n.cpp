#include "common/i18n.h"

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>

#include "common/binary_io.h"
#include "common/report.h"

namespace tv {
namespace fs = std::filesystem;

namespace {

constexpr uint32_t kMoMagic = 0x950412de;
constexpr const char* kDomain = "terravik";

uint32_t Word(std::string_view bytes, size_t at, bool swapped) {
    const auto b = [&](size_t k) { return static_cast<uint32_t>(static_cast<uint8_t>(bytes[at + k])); };
    return swapped ? (b(0) << 24 | b(1) << 16 | b(2) << 8 | b(3)) : (b(3) << 24 | b(2) << 16 | b(1) << 8 | b(0));
}

const char* Code(Language language) {
    switch (language) {
        case Language::English: return "en";
        case Language::Russian: break;
    }
    return "ru";
}

const char* Name(Language language) { return language == Language::English ? "English" : "Russian"; }

// Catalogues once read stay for the whole run, so a text Tr() handed out never dangles: new
// locale folders only retire the catalogues read from the old ones.
struct Catalogues {
    std::mutex mutex;
    std::vector<std::string> dirs;
    std::map<Language, std::unique_ptr<MessageCatalogue>> loaded;  // from `dirs`
    std::vector<std::unique_ptr<MessageCatalogue>> retired;
    std::atomic<const MessageCatalogue*> current{nullptr};
};

Catalogues& State() {
    static Catalogues state;
    return state;
}

// The file's bytes, or an error: only a regular file of a catalogue's size is read.
bool ReadCatalogueFile(const fs::path& path, std::string& bytes, std::string& error) {
    std::error_code ec;
    if (!fs::exists(path, ec)) {
        error = "missing";
        return false;
    }
    try {
        const std::vector<uint8_t> read = ReadWholeFile(path.string(), kMaxCatalogueBytes);
        bytes.assign(read.begin(), read.end());
        return true;
    } catch (const Error& e) {
        error = e.reason();
        return false;
    }
}

// The catalogue of `language` from the first folder that has one; an empty catalogue (and
// one stderr line) when none will do.
std::unique_ptr<MessageCatalogue> LoadCatalogue(Language language, const std::vector<std::string>& dirs) {
    auto catalogue = std::make_unique<MessageCatalogue>();
    std::string tried;
    for (const std::string& dir : dirs) {
        const fs::path path = fs::path(dir) / Code(language) / "LC_MESSAGES" / (std::string(kDomain) + ".mo");
        std::string bytes, error;
        if (ReadCatalogueFile(path, bytes, error) && catalogue->Parse(bytes, error)) return catalogue;
        *catalogue = MessageCatalogue();
        tried += (tried.empty() ? "" : "; ") + path.string() + ": " + error;
    }
    if (tried.empty()) tried = "no locale folder known";
    Warn(std::string("no ") + Name(language) + " texts (" + tried + "): the texts stay Russian");
    return catalogue;
}

}  // namespace

bool MessageCatalogue::Parse(std::string_view bytes, std::string& error) {
    entries_.clear();
    if (bytes.size() < 28) {
        error = "shorter than a catalogue's header";
        return false;
    }
    bool swapped = false;
    if (Word(bytes, 0, false) != kMoMagic) {
        swapped = true;
        if (Word(bytes, 0, true) != kMoMagic) {
            error = "not a message catalogue (magic)";
            return false;
        }
    }
    if (Word(bytes, 4, swapped) >> 16 > 1) {
        error = "unknown catalogue revision";
        return false;
    }
    const uint64_t count = Word(bytes, 8, swapped);
    const uint64_t originals = Word(bytes, 12, swapped);
    const uint64_t translations = Word(bytes, 16, swapped);
    if (originals + count * 8 > bytes.size() || translations + count * 8 > bytes.size()) {
        error = "string tables past the end (count " + std::to_string(count) + ")";
        return false;
    }
    // The text of table entry i; false when it lies outside the file.
    const auto text = [&](uint64_t table, uint64_t i, std::string_view& out) {
        const uint64_t length = Word(bytes, table + i * 8, swapped);
        const uint64_t offset = Word(bytes, table + i * 8 + 4, swapped);
        if (offset + length > bytes.size()) return false;
        out = bytes.substr(offset, length);
        out = out.substr(0, out.find('\0'));  // a plural entry's singular
        return true;
    };
    for (uint64_t i = 0; i < count; ++i) {
        std::string_view id, str;
        if (!text(originals, i, id) || !text(translations, i, str)) {
            error = "string " + std::to_string(i) + " past the end";
            entries_.clear();
            return false;
        }
        if (id.empty() || str.empty()) continue;
        entries_.emplace(std::string(id), std::string(str));
    }
    return true;
}

const char* MessageCatalogue::Find(std::string_view msgid) const {
    const auto it = entries_.find(msgid);
    return it == entries_.end() ? nullptr : it->second.c_str();
}

void SetLocaleDirs(std::vector<std::string> dirs) {
    Catalogues& state = State();
    std::lock_guard lock(state.mutex);
    if (dirs == state.dirs) return;
    state.dirs = std::move(dirs);
    for (auto& [language, catalogue] : state.loaded) state.retired.push_back(std::move(catalogue));
    state.loaded.clear();
    state.current = nullptr;  // Russian until SetLanguage reads from the new folders
}

std::vector<std::string> LocaleDirsForExecutable(std::string_view executablePath) {
    if (executablePath.empty()) return {};
    std::error_code ec;
    const fs::path exe = fs::absolute(fs::path(std::string(executablePath)), ec).lexically_normal();
    if (ec) return {};
    const fs::path bin = exe.parent_path();
    std::vector<std::string> dirs = {(bin.parent_path() / "share" / "locale").string()};
#ifdef TERRAVIK_LOCALE_FROM_BIN
    const std::string installed = (bin / TERRAVIK_LOCALE_FROM_BIN).lexically_normal().string();
    if (installed != dirs.front()) dirs.push_back(installed);
#endif
    return dirs;
}

void SetLanguage(Language language) {
    Catalogues& state = State();
    std::lock_guard lock(state.mutex);
    if (language == Language::Russian) {
        state.current = nullptr;
        return;
    }
    std::unique_ptr<MessageCatalogue>& catalogue = state.loaded[language];
    if (!catalogue) catalogue = LoadCatalogue(language, state.dirs);
    state.current = catalogue.get();
}

const char* Tr(const char* russian) {
    const MessageCatalogue* catalogue = State().current.load(std::memory_order_acquire);
    if (!catalogue || !russian) return russian;
    const char* translated = catalogue->Find(russian);
    return translated ? translated : russian;
}

}  // namespace tv
