#include "shell/screenshot_path.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace tv {
namespace {

bool IsFolder(const std::string& path) {
    std::error_code ec;
    return !path.empty() && std::filesystem::is_directory(path, ec);
}

// XDG_PICTURES_DIR="$HOME/..." from the user-dirs file; empty when it has no such line.
std::string PicturesFromUserDirs(const std::string& home) {
    const char* config = std::getenv("XDG_CONFIG_HOME");
    std::string base = config && config[0] == '/' ? config : home + "/.config";
    std::ifstream in(base + "/user-dirs.dirs");
    std::string line;
    const std::string key = "XDG_PICTURES_DIR=\"";
    while (std::getline(in, line)) {
        if (line.rfind(key, 0) != 0 || line.size() < key.size() + 1 || line.back() != '"') continue;
        std::string value = line.substr(key.size(), line.size() - key.size() - 1);
        if (value.rfind("$HOME", 0) == 0) value = home + value.substr(5);
        return value;
    }
    return {};
}

}  // namespace

std::string ScreenshotFolder() {
    const char* pictures = std::getenv("XDG_PICTURES_DIR");
    if (pictures && pictures[0] == '/' && IsFolder(pictures)) return pictures;
    const char* home = std::getenv("HOME");
    if (home && home[0] == '/') {
        std::string fromFile = PicturesFromUserDirs(home);
        if (IsFolder(fromFile)) return fromFile;
        if (IsFolder(std::string(home) + "/Pictures")) return std::string(home) + "/Pictures";
    }
    return ".";
}

std::string ScreenshotPath(const std::string& folder, std::time_t when) {
    std::tm local{};
    localtime_r(&when, &local);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
    const std::string stem = folder + "/terravik-" + stamp;
    std::string path = stem + ".png";
    std::error_code ec;
    for (int n = 2; std::filesystem::exists(path, ec) && n < 1000; ++n) path = stem + "-" + std::to_string(n) + ".png";
    return path;
}

}  // namespace tv
