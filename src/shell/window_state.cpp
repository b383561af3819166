#include "shell/window_state.h"

#include <charconv>
#include <cstdlib>
#include <filesystem>

#include "common/atomic_file.h"
#include "common/binary_io.h"
#include "platform/paths.h"
#include "shell/settings.h"

namespace tv {

namespace {

// Far larger than any real file, small enough to read whole.
constexpr std::uintmax_t kMaxStateBytes = 4096;
// Window positions further out than this are on no desktop.
constexpr int kMaxPosition = 1 << 20;

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
    return s;
}

bool ParseInt(std::string_view s, int low, int high, int& out) {
    int value = 0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
    if (ec != std::errc() || end != s.data() + s.size() || value < low || value > high) return false;
    out = value;
    return true;
}

// "A<sep>B", both in [low, high].
bool ParsePair(std::string_view s, char sep, int low, int high, int& a, int& b) {
    const size_t at = s.find(sep);
    return at != std::string_view::npos && ParseInt(Trim(s.substr(0, at)), low, high, a) &&
           ParseInt(Trim(s.substr(at + 1)), low, high, b);
}

}  // namespace

std::optional<WindowState> ParseWindowState(std::string_view text, std::string& error) {
    WindowState state;
    bool hasSize = false;
    int lineNumber = 0;
    while (!text.empty()) {
        const size_t end = text.find('\n');
        const std::string_view line = Trim(text.substr(0, end));
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        ++lineNumber;
        if (line.empty() || line.front() == '#') continue;
        const size_t eq = line.find('=');
        const std::string_view key = Trim(line.substr(0, eq == std::string_view::npos ? 0 : eq));
        const std::string_view value = eq == std::string_view::npos ? std::string_view() : Trim(line.substr(eq + 1));
        bool ok = false;
        if (key == "size") {
            ok = ParsePair(value, 'x', 1, kMaxWindowSide, state.width, state.height) &&
                 state.width >= kMinWindowWidth && state.height >= kMinWindowHeight;
            hasSize = ok;
        } else if (key == "position") {
            ok = ParsePair(value, ',', -kMaxPosition, kMaxPosition, state.x, state.y);
            state.hasPosition = ok;
        } else if (key == "display") {
            ok = ParseInt(value, 0, kMaxDisplayIndex, state.display);
        }
        if (!ok) {
            error = "line " + std::to_string(lineNumber) + ": '" + std::string(line) + "' is not a window setting";
            return std::nullopt;
        }
    }
    if (!hasSize) {
        error = "no window size";
        return std::nullopt;
    }
    return state;
}

std::string FormatWindowState(const WindowState& state) {
    std::string text = "# Where the game's window was when it last closed; written by the game.\n";
    text += "size = " + std::to_string(state.width) + "x" + std::to_string(state.height) + "\n";
    if (state.hasPosition) text += "position = " + std::to_string(state.x) + "," + std::to_string(state.y) + "\n";
    text += "display = " + std::to_string(state.display) + "\n";
    return text;
}

std::string WindowStatePathFor(const char* xdgStateHome, const char* home) {
    const std::string folder = StateFolderFor(xdgStateHome, home);
    return folder.empty() ? folder : folder + "/window.ini";
}

std::string DefaultWindowStatePath() {
    return WindowStatePathFor(std::getenv("XDG_STATE_HOME"), std::getenv("HOME"));
}

std::optional<WindowState> LoadWindowState(const std::string& path, std::string& warning) {
    std::error_code ec;
    if (path.empty() || std::filesystem::status(path, ec).type() == std::filesystem::file_type::not_found)
        return std::nullopt;
    std::string error;
    try {
        const std::vector<uint8_t> bytes = ReadWholeFile(path, kMaxStateBytes);
        if (auto state = ParseWindowState(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()),
                                          error))
            return state;
    } catch (const Error& e) {
        error = e.reason();
    }
    warning = "window state " + path + ": " + error + "; ignored";
    return std::nullopt;
}

Status SaveWindowState(const std::string& path, const WindowState& state) {
    std::error_code ec;
    const std::filesystem::path parent = std::filesystem::path(path).parent_path();
    if (!parent.empty()) std::filesystem::create_directories(parent, ec);
    return WriteFileAtomically(path, FormatWindowState(state));
}

}  // namespace tv
