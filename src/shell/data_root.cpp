// Checking a data root before anything opens. No GL.
#include <filesystem>

#include "shell/startup.h"

namespace tv {

Status DataRootProblem(const std::string& root, bool named) {
    // A folder that is there is played whatever it holds: a missing file fails its start-up
    // step, which the log and the continue question report.
    std::error_code ec;
    if (!std::filesystem::is_directory(root, ec))
        return Error("the data folder " + root + " does not exist" + (named ? " (--data-dir)" : ""));
    return {};
}

Status ModFolderProblem(const std::string& folder) {
    std::error_code ec;
    if (std::filesystem::is_directory(folder, ec)) return {};
    if (std::filesystem::exists(folder, ec)) return Error("the mod folder " + folder + " is not a folder");
    return Error("the mod folder " + folder + " does not exist");
}

std::string DataRootPrefix(const std::string& root) {
    return root.empty() || root.back() == '/' ? root : root + '/';
}

}  // namespace tv
