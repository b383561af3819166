// Checking a data root before anything opens. No GL.
#include <filesystem>

#include "common/data_paths.h"
#include "platform/paths.h"
#include "shell/startup.h"

namespace tv {

std::string DataRootProblem(const std::string& root, bool named) {
    std::error_code ec;
    if (named && !std::filesystem::is_directory(root, ec))
        return "the data folder " + root + " does not exist (--data-dir)";
    std::string rootWithSlash = root;
    if (rootWithSlash.empty() || rootWithSlash.back() != '/') rootWithSlash += '/';
    const std::string level = ResolvePath(DataPath(rootWithSlash, paths::kLevel));
    if (!std::filesystem::is_regular_file(level, ec))
        return "no level file in the data folder " + root + " (looked for " + level + ")";
    return {};
}

}  // namespace tv
