#pragma once
// Data paths as the game spells them (backslashes, the mixed case of files copied from
// Windows) mapped onto the Linux file system.

#include <string>
#include <string_view>

namespace tv {

// Backslashes become '/'. If the exact path does not exist, each component is matched
// case-insensitively against the directory's entries (the first match in sorted order wins).
// Returns the path to open: the matched one, or the slash-converted one when nothing matches.
std::string ResolvePath(std::string_view path);

// The data root for an executable, ending in '/': the parent of the executable's folder when
// the level file is there (the build's game folder), else the installed data folder beside
// the executable's prefix (<prefix>/share/terravik for <prefix>/bin) when the level is there,
// else the parent of the executable's folder. An empty path (no /proc, no argv[0]) gives the
// current folder. Never throws.
std::string DataRootForExecutable(std::string_view executablePath);

// root + relative, where root ends in '/' (or is empty) and relative may use backslashes.
std::string DataPath(std::string_view root, std::string_view relative);

}  // namespace tv
