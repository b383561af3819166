#include "platform/paths.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <optional>
#include <system_error>
#include <vector>

#include "common/data_paths.h"

// Where an installed game's data lies, relative to its executable's folder (set by the
// build from the install layout).
#ifndef TERRAVIK_DATA_FROM_BIN
#define TERRAVIK_DATA_FROM_BIN "../share/terravik"
#endif

namespace tv {
namespace fs = std::filesystem;

namespace {

std::string Slashes(std::string_view path) {
    std::string s(path);
    std::replace(s.begin(), s.end(), '\\', '/');
    return s;
}

bool EqualNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    }
    return true;
}

// The data root and the mod folders over it, each with forward slashes and one trailing '/'.
struct DataLayers {
    std::string root;
    std::vector<std::string> mods;  // the last one wins
};
const DataLayers* g_layers = nullptr;

std::string FolderPrefix(std::string_view folder) {
    std::string s = Slashes(folder);
    if (!s.empty() && s.back() != '/') s += '/';
    return s;
}

// The path relative to the layer it is spelled under (the longest matching folder), or
// nothing when it lies outside them all.
std::optional<std::string> LayeredRelative(const DataLayers& layers, const std::string& direct) {
    size_t best = 0;
    bool found = false;
    auto consider = [&](const std::string& prefix) {
        if (!prefix.empty() && prefix.size() >= best && direct.size() > prefix.size() &&
            direct.compare(0, prefix.size(), prefix) == 0) {
            best = prefix.size();
            found = true;
        }
    };
    consider(layers.root);
    for (const std::string& mod : layers.mods) consider(mod);
    if (!found) return std::nullopt;
    return direct.substr(best);
}

// The case-insensitive walk: the path on disk, or the slash-converted spelling when a
// component has no match.
std::string ResolveOnDisk(const std::string& direct) {
    std::error_code ec;
    if (direct.empty() || fs::exists(direct, ec)) return direct;

    // Walk the components, keeping each one that exists as spelled and otherwise taking the
    // first directory entry that matches it ignoring case.
    bool absolute = direct.front() == '/';
    std::string current = absolute ? "/" : "";
    size_t pos = absolute ? 1 : 0;
    while (pos <= direct.size()) {
        size_t next = direct.find('/', pos);
        if (next == std::string::npos) next = direct.size();
        std::string part = direct.substr(pos, next - pos);
        pos = next + 1;
        if (part.empty() || part == ".") continue;
        std::string candidate = current + part;
        if (part != ".." && !fs::exists(candidate, ec)) {
            fs::path dir = current.empty() ? fs::path(".") : fs::path(current);
            std::vector<std::string> matches;
            for (const auto& entry : fs::directory_iterator(dir, ec)) {
                std::string name = entry.path().filename().string();
                if (EqualNoCase(name, part)) matches.push_back(name);
            }
            if (matches.empty()) return direct;
            std::sort(matches.begin(), matches.end());
            candidate = current + matches.front();
        }
        current = candidate;
        if (pos <= direct.size()) current += '/';
    }
    return current;
}

}  // namespace

std::string ResolvePath(std::string_view path) {
    std::string direct = Slashes(path);
    if (const DataLayers* layers = g_layers) {
        if (const std::optional<std::string> relative = LayeredRelative(*layers, direct)) {
            std::error_code ec;
            for (auto mod = layers->mods.rbegin(); mod != layers->mods.rend(); ++mod) {
                std::string inMod = ResolveOnDisk(*mod + *relative);
                if (fs::exists(inMod, ec)) return inMod;
            }
            return ResolveOnDisk(layers->root + *relative);
        }
    }
    return ResolveOnDisk(direct);
}

ScopedDataMods::ScopedDataMods(std::string_view root, const std::vector<std::string>& mods) {
    if (mods.empty()) return;
    static DataLayers layers;  // outlives every loader thread of the run
    layers.root = FolderPrefix(root);
    layers.mods.clear();
    for (const std::string& m : mods) layers.mods.push_back(FolderPrefix(m));
    g_layers = &layers;
    installed_ = true;
}

ScopedDataMods::~ScopedDataMods() {
    if (installed_) g_layers = nullptr;
}

std::string DataRootForExecutable(std::string_view executablePath) {
    auto withSlash = [](const fs::path& p) {
        std::string s = p.string();
        if (s.empty() || s.back() != '/') s += '/';
        return s;
    };
    std::error_code ec;
    // Without /proc and without argv[0] nothing says where the executable lies: the data is
    // looked for in the current folder, as a game started from its own folder keeps it.
    if (executablePath.empty()) {
        const fs::path here = fs::current_path(ec);
        return ec ? std::string("./") : withSlash(here);
    }
    fs::path exe = fs::absolute(fs::path(std::string(executablePath)), ec).lexically_normal();
    if (ec) return "./";
    // The game folder of a build keeps the data beside bin/; an installed game keeps it in
    // the shared data folder of its prefix. The one that holds the level wins.
    std::string beside = withSlash(exe.parent_path().parent_path());
    if (fs::exists(ResolvePath(DataPath(beside, paths::kLevel)), ec)) return beside;
    std::string installed = withSlash((exe.parent_path() / TERRAVIK_DATA_FROM_BIN).lexically_normal());
    if (fs::exists(ResolvePath(DataPath(installed, paths::kLevel)), ec)) return installed;
    // Debian's layout for games: the game in /usr/games, its data in /usr/share/games.
    std::string games = withSlash((exe.parent_path() / "../share/games/terravik").lexically_normal());
    if (fs::exists(ResolvePath(DataPath(games, paths::kLevel)), ec)) return games;
    return beside;
}

std::string DataPath(std::string_view root, std::string_view relative) {
    return std::string(root) + Slashes(relative);
}

std::string StateFolderFor(const char* xdgStateHome, const char* home) {
    if (xdgStateHome && xdgStateHome[0] == '/') return std::string(xdgStateHome) + "/terravik";
    if (home && home[0] == '/') return std::string(home) + "/.local/state/terravik";
    return {};
}

}  // namespace tv
