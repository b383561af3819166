#pragma once
// Data paths as the game spells them (backslashes, the mixed case of files copied from
// Windows) mapped onto the Linux file system.

#include <string>
#include <string_view>
#include <vector>

namespace tv {

// Backslashes become '/'. If the exact path does not exist, each component is matched
// case-insensitively against the directory's entries (the first match in sorted order wins).
// Returns the path to open: the matched one, or the slash-converted one when nothing matches.
// A path under the data root or a mod folder of the installed DataMods resolves in the mods
// first (the last one first), then in the data root.
std::string ResolvePath(std::string_view path);

// Mod folders laid over the data root for as long as this lives: a data path spelled under
// `root` (or under one of the mods, as a model's textures are named beside it) is looked up
// in each mod, the last one first, by the same rules, and only then in `root`. Paths
// elsewhere, and every path while none is installed, resolve as before. Installed once
// before anything loads and kept for the run: the loaders (a prefetch thread among them)
// read it without a lock. An empty list installs nothing.
class ScopedDataMods {
public:
    ScopedDataMods(std::string_view root, const std::vector<std::string>& mods);
    ~ScopedDataMods();
    ScopedDataMods(const ScopedDataMods&) = delete;
    ScopedDataMods& operator=(const ScopedDataMods&) = delete;

private:
    bool installed_ = false;
};

// The data root for an executable, ending in '/': the parent of the executable's folder when
// the level file is there (the build's game folder), else the installed data folder beside
// the executable's prefix (<prefix>/share/terravik for <prefix>/bin) when the level is there,
// else the parent of the executable's folder. An empty path (no /proc, no argv[0]) gives the
// current folder. Never throws.
std::string DataRootForExecutable(std::string_view executablePath);

// root + relative, where root ends in '/' (or is empty) and relative may use backslashes.
std::string DataPath(std::string_view root, std::string_view relative);

// The folder the game keeps its own files in between runs (the fallback log, the window's
// state): $XDG_STATE_HOME/terravik, or $HOME/.local/state/terravik when the variable is
// unset, empty or relative. Empty when neither gives an absolute folder. The arguments are
// the variables' values (null when unset).
std::string StateFolderFor(const char* xdgStateHome, const char* home);

}  // namespace tv
