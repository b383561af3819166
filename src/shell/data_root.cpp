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

}  // namespace tv
