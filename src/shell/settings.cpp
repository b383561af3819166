#include "shell/settings.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <system_error>

#include "common/atomic_file.h"
#include "common/binary_io.h"
#include "platform/text_encoding.h"
#include "shell/run_options.h"

namespace tv {
namespace fs = std::filesystem;
namespace {

// Choice: one of the names in `choices` ('|' between them), kept as its index in a uint8_t.
// Scale: "auto" (kept as 0) or a number from lo to hi. Text: any single-line text.
enum class Kind { Bool, Int, Real, Key, Choice, Scale, Text };

// One key of the file: where it lives in Settings, its limits and its comment.
struct Entry {
    const char* section;
    const char* key;
    Kind kind;
    void* target;
    double lo = 0, hi = 0;
    const char* comment = "";
    const char* choices = "";
};

// The names of a Choice entry.
std::vector<std::string_view> Choices(const Entry& e) {
    std::vector<std::string_view> out;
    std::string_view all = e.choices;
    while (!all.empty()) {
        const size_t bar = all.find('|');
        out.push_back(all.substr(0, bar));
        all.remove_prefix(bar == std::string_view::npos ? all.size() : bar + 1);
    }
    return out;
}

std::vector<Entry> Entries(Settings& s) {
    return {
        {"video", "fullscreen", Kind::Bool, &s.video.fullscreen, 0, 0,
         "true: full screen; false: a window of width x height"},
        {"video", "width", Kind::Int, &s.video.width, kMinWindowWidth, kMaxWindowSide,
         "windowed size in pixels"},
        {"video", "height", Kind::Int, &s.video.height, kMinWindowHeight, kMaxWindowSide, ""},
        {"video", "vsync", Kind::Bool, &s.video.vsync, 0, 0, "wait for the display's refresh"},
        {"video", "max_fps", Kind::Int, &s.video.maxFps, 0, kMaxFpsLimit, "frame cap; 0 = none"},
        {"video", "shadows", Kind::Choice, &s.video.shadows, 0, 0,
         "aircraft shadows: full, simple (one per aircraft, for slow machines) or off", "full|simple|off"},
        {"video", "render_scale", Kind::Real, &s.video.renderScale, kMinRenderScale, 1.0,
         "0.25 to 1: the 3D scene drawn at this fraction of the window's resolution"},
        {"video", "display", Kind::Int, &s.video.display, 0, kMaxDisplayIndex,
         "the monitor full screen uses, counted from 0"},
        {"interface", "language", Kind::Choice, &s.interface.language, 0, 0, "ru or en", "ru|en"},
        {"interface", "ui_scale", Kind::Scale, &s.interface.uiScale, kMinUiScale, kMaxUiScale,
         "auto (from the display's DPI) or 1.0 to 3.0"},
        {"input", "mouse_sensitivity", Kind::Real, &s.input.mouseSensitivity, kMinSensitivity,
         kMaxSensitivity, "multiplies the turn per mouse count"},
        {"input", "invert_y", Kind::Bool, &s.input.invertY, 0, 0,
         "true: moving the mouse forward looks down"},
        {"input", "controller_sensitivity", Kind::Real, &s.input.controllerSensitivity, kMinSensitivity,
         kMaxSensitivity, "multiplies the turn of the right stick"},
        {"audio", "master_volume", Kind::Int, &s.audio.masterVolume, 0, 100,
         "percent, 0 to 100; the master volume scales the other two"},
        {"audio", "effects_volume", Kind::Int, &s.audio.effectsVolume, 0, 100, ""},
        {"audio", "music_volume", Kind::Int, &s.audio.musicVolume, 0, 100, ""},
        {"audio", "pause_on_focus_loss", Kind::Bool, &s.audio.pauseOnFocusLoss, 0, 0,
         "pause when the window loses the focus"},
        {"keys", "cannon", Kind::Key, &s.keys.cannon, 0, 0, "key names as SDL spells them"},
        {"keys", "laser", Kind::Key, &s.keys.laser},
        {"keys", "more_aircraft", Kind::Key, &s.keys.moreAircraft},
        {"keys", "pause", Kind::Key, &s.keys.pause},
        {"keys", "screenshot", Kind::Key, &s.keys.screenshot},
        {"keys", "fullscreen", Kind::Key, &s.keys.fullscreen},
        {"keys", "free_pointer", Kind::Key, &s.keys.freePointer},
        {"keys", "quit", Kind::Key, &s.keys.quit},
        {"keys", "options", Kind::Key, &s.keys.options},
        {"data", "mods", Kind::Text, &s.data.mods, 0, 0,
         "mod folders read before the game's data, separated by ':'; a later one wins"},
    };
}

std::string_view Trim(std::string_view s) {
    size_t b = s.find_first_not_of(" \t\r");
    if (b == std::string_view::npos) return {};
    size_t e = s.find_last_not_of(" \t\r");
    return s.substr(b, e - b + 1);
}

std::string Lower(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return out;
}

// The text before a comment that follows a value or a section line. A '#' or ';' starts one
// when a space or tab comes before it; the value's own first character never does (so
// "pause = ;" binds the semicolon key), nor the '#' of the key name "Keypad #".
std::string_view StripComment(std::string_view text) {
    for (size_t i = 1; i < text.size(); ++i) {
        if ((text[i] != '#' && text[i] != ';') || (text[i - 1] != ' ' && text[i - 1] != '\t')) continue;
        if (text[i] == '#' && Lower(Trim(text.substr(0, i))) == "keypad") continue;
        return Trim(text.substr(0, i));
    }
    return text;
}

// File text echoed in a warning, quoted, control bytes and broken UTF-8 escaped.
// The section a "[name]" line opens, lowered; nothing when the line has no ']' or more than a
// comment after it.
std::optional<std::string> SectionName(std::string_view line) {
    const size_t close = line.find(']');
    if (close == std::string_view::npos) return std::nullopt;
    const std::string_view after = Trim(line.substr(close + 1));
    if (!after.empty() && after.front() != '#' && after.front() != ';') return std::nullopt;
    return Lower(Trim(line.substr(1, close - 1)));
}

std::string Quote(std::string_view text) {
    return "\"" + EscapeForMessage(text) + "\"";
}

bool ParseBool(std::string_view v, bool& out) {
    std::string l = Lower(v);
    const bool yes = l == "true" || l == "yes" || l == "on" || l == "1";
    const bool no = l == "false" || l == "no" || l == "off" || l == "0";
    if (yes || no) out = yes;
    return yes || no;
}

// The value as the file should spell it, for the default shown in a warning.
std::string Show(const Entry& e) {
    char buf[64];
    switch (e.kind) {
        case Kind::Bool:
            return *static_cast<bool*>(e.target) ? "true" : "false";
        case Kind::Int:
            return std::to_string(*static_cast<int*>(e.target));
        case Kind::Real:
            std::snprintf(buf, sizeof buf, "%.17g", *static_cast<double*>(e.target));
            // The shortest spelling that reads back exactly, with a point so it reads as a number
            // with a fraction.
            for (int digits = 1; digits < 17; ++digits) {
                char shorter[64];
                std::snprintf(shorter, sizeof shorter, "%.*g", digits, *static_cast<double*>(e.target));
                if (std::strtod(shorter, nullptr) == *static_cast<double*>(e.target)) {
                    std::snprintf(buf, sizeof buf, "%s", shorter);
                    break;
                }
            }
            if (!std::strpbrk(buf, ".en")) std::snprintf(buf + std::strlen(buf), 4, ".0");
            return buf;
        case Kind::Key:
        case Kind::Text:
            return *static_cast<std::string*>(e.target);
        case Kind::Choice: {
            const std::vector<std::string_view> names = Choices(e);
            const size_t i = *static_cast<uint8_t*>(e.target);
            return i < names.size() ? std::string(names[i]) : std::string();
        }
        case Kind::Scale:
            if (*static_cast<double*>(e.target) == 0) return "auto";
            return Show(Entry{e.section, e.key, Kind::Real, e.target});
    }
    return {};
}

// Stores the value when it is good; otherwise returns what the value should have been.
std::string Assign(const Entry& e, std::string_view v, const KeyNameCheck& isKeyName) {
    char range[96];
    switch (e.kind) {
        case Kind::Bool: {
            bool b = false;
            if (!ParseBool(v, b)) return "not true or false";
            *static_cast<bool*>(e.target) = b;
            return {};
        }
        case Kind::Int: {
            long long n = 0;
            auto [ptr, ec] = std::from_chars(v.data(), v.data() + v.size(), n);
            std::snprintf(range, sizeof range, "not a whole number from %.0f to %.0f", e.lo, e.hi);
            if (ec != std::errc() || ptr != v.data() + v.size() || n < e.lo || n > e.hi) return range;
            *static_cast<int*>(e.target) = static_cast<int>(n);
            return {};
        }
        case Kind::Real: {
            double d = 0;
            auto [ptr, ec] = std::from_chars(v.data(), v.data() + v.size(), d);
            std::snprintf(range, sizeof range, "not a number from %g to %g", e.lo, e.hi);
            if (ec != std::errc() || ptr != v.data() + v.size() || !std::isfinite(d) || d < e.lo || d > e.hi)
                return range;
            *static_cast<double*>(e.target) = d;
            return {};
        }
        case Kind::Key: {
            if (v.empty() || v.size() > 64) return "not a key name";
            std::string name(v);
            if (isKeyName && !isKeyName(name)) return "not a key name";
            *static_cast<std::string*>(e.target) = name;
            return {};
        }
        case Kind::Choice: {
            const std::vector<std::string_view> names = Choices(e);
            const std::string lower = Lower(v);
            for (size_t i = 0; i < names.size(); ++i)
                if (lower == names[i]) {
                    *static_cast<uint8_t*>(e.target) = static_cast<uint8_t>(i);
                    return {};
                }
            std::string allowed;
            for (std::string_view n : names) allowed += (allowed.empty() ? "" : ", ") + std::string(n);
            return "not one of " + allowed;
        }
        case Kind::Scale:
            if (Lower(v) == "auto") {
                *static_cast<double*>(e.target) = 0;
                return {};
            }
            if (Assign(Entry{e.section, e.key, Kind::Real, e.target, e.lo, e.hi}, v, {}).empty()) return {};
            std::snprintf(range, sizeof range, "not auto or a number from %g to %g", e.lo, e.hi);
            return range;
        case Kind::Text:
            if (v.size() > 4096) return "longer than 4096 bytes";
            *static_cast<std::string*>(e.target) = std::string(v);
            return {};
    }
    return "unusable";
}

}  // namespace

// Gives every key to one action at most. An action whose key an earlier action has taken goes
// back to its default key, or has none ("") when that is taken too; each losing action is
// reported once. Names compare as SDL compares them, without regard to case.
// A game key left with none stays, for the SDL side, on its default key, which an earlier game
// key then holds: it reads as that key's action, so nothing presses two actions at once.
std::vector<KeyClash> ResolveKeyClashes(KeySettings& keys) {
    const KeySettings defaults;
    std::vector<KeyClash> clashes;
    std::vector<std::pair<std::string, const KeyActionSetting*>> taken;  // lower-case key name, its action
    auto holder = [&](const std::string& name) -> const KeyActionSetting* {
        for (const auto& [key, action] : taken)
            if (key == Lower(name)) return action;
        return nullptr;
    };
    for (const KeyActionSetting& a : kKeyActions) {
        std::string& name = keys.*a.key;
        if (name.empty()) continue;  // no key clashes with nothing
        const KeyActionSetting* keeper = holder(name);
        if (!keeper) {
            taken.emplace_back(Lower(name), &a);
            continue;
        }
        const std::string& fallback = defaults.*a.key;
        const KeyActionSetting* fallbackHolder = holder(fallback);
        clashes.push_back(
            {a.action, keeper->action,
             "[keys] key " + Quote(name) + " is bound to both " + keeper->name + " and " + a.name + "; " +
                 keeper->name + " keeps it and " + a.name +
                 (fallbackHolder
                      ? " has no key (its default " + fallback + " is " + fallbackHolder->name + "'s)"
                      : " goes back to " + fallback)});
        name = fallbackHolder ? std::string() : fallback;
        if (!fallbackHolder) taken.emplace_back(Lower(name), &a);
    }
    return clashes;
}

Settings ParseSettings(std::string_view text, const std::string& fileName, std::vector<std::string>& warnings,
                       const KeyNameCheck& isKeyName) {
    Settings s;
    std::vector<Entry> entries = Entries(s);
    if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);  // editors' UTF-8 mark

    std::string section;
    bool sectionKnown = false;
    int lineNo = 0;
    std::vector<int> lineOf(entries.size(), 0);  // where each key got its value; 0: the default
    auto warnAt = [&](int line, const std::string& what) {
        warnings.push_back(fileName + (line > 0 ? ":" + std::to_string(line) : std::string()) + ": " + what);
    };
    auto warn = [&](const std::string& what) { warnAt(lineNo, what); };
    while (!text.empty()) {
        size_t nl = text.find('\n');
        std::string_view line = Trim(text.substr(0, nl));
        text.remove_prefix(nl == std::string_view::npos ? text.size() : nl + 1);
        ++lineNo;
        if (line.empty() || line.front() == ';' || line.front() == '#') continue;

        if (line.front() == '[') {
            std::optional<std::string> name = SectionName(line);
            if (!name) {
                warn("a section line must end in ']' (a comment may follow it)");
                section.clear();
                sectionKnown = false;
                continue;
            }
            section = std::move(*name);
            sectionKnown = section == "video" || section == "interface" || section == "input" ||
                           section == "audio" || section == "keys" || section == "data";
            if (!sectionKnown)
                warn("unknown section [" + EscapeForMessage(section) + "]; its keys are ignored");
            continue;
        }
        size_t eq = line.find('=');
        if (eq == std::string_view::npos) {
            warn(Quote(StripComment(line)) + " is not a key = value line");
            continue;
        }
        std::string key = Lower(Trim(line.substr(0, eq)));
        std::string_view value = StripComment(Trim(line.substr(eq + 1)));
        if (key.empty()) {
            warn("a line with no key before '='");
            continue;
        }
        if (section.empty()) {
            warn("key " + Quote(key) + " before any section; ignored");
            continue;
        }
        if (!sectionKnown) {
            warn("key " + Quote(key) + " in unknown section [" + EscapeForMessage(section) + "]; ignored");
            continue;
        }
        const Entry* entry = nullptr;
        for (const Entry& e : entries)
            if (section == e.section && key == e.key) entry = &e;
        if (!entry) {
            warn("unknown key " + Quote(key) + " in [" + section + "]; ignored");
            continue;
        }
        const size_t index = static_cast<size_t>(entry - entries.data());
        std::string problem = Assign(*entry, value, isKeyName);
        lineOf[index] = problem.empty() ? lineNo : 0;
        if (!problem.empty()) {
            // The default, not an earlier good value: the line simply does not count.
            Settings fresh;
            std::string def = Show(Entries(fresh)[index]);
            warn("[" + section + "] " + key + " = " + Quote(value) + " is " + problem + "; using " + def);
            Assign(*entry, def, {});
        }
    }

    auto keyLine = [&](KeyAction action) {
        const char* name = KeyActionName(action);
        for (size_t i = 0; i < entries.size(); ++i)
            if (std::string_view(entries[i].section) == "keys" && std::string_view(entries[i].key) == name)
                return lineOf[i];
        return 0;
    };
    for (const KeyClash& clash : ResolveKeyClashes(s.keys)) {
        const int line = keyLine(clash.loser);
        warnAt(line > 0 ? line : keyLine(clash.keeper), clash.warning);
    }
    return s;
}

Settings LoadSettingsFile(const std::string& path, bool mustExist, std::vector<std::string>& warnings,
                          const KeyNameCheck& isKeyName) {
    std::error_code ec;
    fs::file_status st = fs::status(path, ec);
    if (!fs::exists(st)) {
        if (mustExist) warnings.push_back(path + ": no such file; using the default settings");
        return {};
    }
    if (!fs::is_regular_file(st)) {
        warnings.push_back(path + ": not a file; using the default settings");
        return {};
    }
    uintmax_t size = fs::file_size(path, ec);
    if (ec || size > kMaxSettingsBytes) {
        warnings.push_back(path + ": larger than a settings file can be; using the default settings");
        return {};
    }
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    if (!in || !(text << in.rdbuf())) {
        // An empty file reads nothing and is simply all defaults.
        if (size == 0 && in) return {};
        warnings.push_back(path + ": cannot be read; using the default settings");
        return {};
    }
    return ParseSettings(text.str(), path, warnings, isKeyName);
}

std::string FormatSettings(const Settings& settings) {
    Settings copy = settings;
    std::string out = "; Terravik settings. A missing key keeps its default.\n";
    const char* section = "";
    for (const Entry& e : Entries(copy)) {
        if (std::string_view(section) != e.section) {
            section = e.section;
            out += std::string("\n[") + section + "]\n";
        }
        if (*e.comment) out += std::string("; ") + e.comment + "\n";
        out += std::string(e.key) + " = " + Show(e) + "\n";
    }
    return out;
}

const char* KeyActionName(KeyAction action) {
    for (const KeyActionSetting& a : kKeyActions)
        if (a.action == action) return a.name;
    return "";
}

namespace {

// A settings file's lines, each with its own ending, and the ending a line added takes (the
// file's first).
struct TextLine {
    std::string body, end;
};
struct TextLines {
    std::string bom;
    std::vector<TextLine> lines;
    std::string eol = "\n";
};

TextLines SplitLines(std::string_view text) {
    TextLines out;
    if (text.substr(0, 3) == "\xEF\xBB\xBF") {
        out.bom = text.substr(0, 3);
        text.remove_prefix(3);
    }
    while (!text.empty()) {
        const size_t nl = text.find('\n');
        std::string_view body = text.substr(0, nl);
        std::string end = nl == std::string_view::npos ? "" : "\n";
        if (!end.empty() && !body.empty() && body.back() == '\r') {
            body.remove_suffix(1);
            end = "\r\n";
        }
        out.lines.push_back({std::string(body), end});
        text.remove_prefix(nl == std::string_view::npos ? text.size() : nl + 1);
    }
    for (const TextLine& l : out.lines)
        if (!l.end.empty()) {
            out.eol = l.end;
            break;
        }
    return out;
}

// Replaces each changed key's value where the file gives it (every time it does), its spacing
// and comment kept, and marks the keys the file gives in `seen`. Returns, per section, the line
// after its last key: where a key the file lacks goes.
std::vector<std::pair<std::string, size_t>> ReplaceValues(std::vector<TextLine>& lines, const std::vector<Entry>& fresh,
                                                          const std::vector<bool>& changed, std::vector<bool>& seen) {
    std::vector<std::pair<std::string, size_t>> sectionEnd;
    std::string section;
    for (size_t n = 0; n < lines.size(); ++n) {
        std::string& body = lines[n].body;
        const std::string_view line = Trim(body);
        if (line.empty() || line.front() == ';' || line.front() == '#') continue;
        if (line.front() == '[') {
            // As the reader does: a section line with more than a comment after it is no section.
            section = SectionName(line).value_or("");
            if (!section.empty()) sectionEnd.emplace_back(section, n + 1);
            continue;
        }
        const size_t eq = body.find('=');
        if (eq == std::string::npos || section.empty()) continue;
        sectionEnd.back().second = n + 1;
        const std::string key = Lower(Trim(std::string_view(body).substr(0, eq)));
        for (size_t i = 0; i < fresh.size(); ++i) {
            if (section != fresh[i].section || key != fresh[i].key) continue;
            seen[i] = true;
            if (!changed[i]) break;
            const std::string_view rest = std::string_view(body).substr(eq + 1);
            const size_t lead = std::min(rest.find_first_not_of(" \t"), rest.size());
            const size_t from = eq + 1 + lead;
            const size_t length = StripComment(Trim(rest)).size();
            const std::string value = (lead == rest.size() && lead == 0 ? " " : "") + Show(fresh[i]);
            body.replace(from, length, value);
            break;
        }
    }
    return sectionEnd;
}

// Keys the file does not give: at the end of their section's last block, or in a new section
// at the end of the file (returned, to be appended).
std::string AddMissingKeys(TextLines& file, std::vector<std::pair<std::string, size_t>>& sectionEnd,
                           const std::vector<Entry>& fresh, const std::vector<bool>& changed,
                           const std::vector<bool>& seen) {
    for (size_t i = fresh.size(); i-- > 0;) {
        if (!changed[i] || seen[i]) continue;
        const std::string entry = std::string(fresh[i].key) + " = " + Show(fresh[i]);
        auto at = std::find_if(sectionEnd.rbegin(), sectionEnd.rend(),
                               [&](const auto& s) { return s.first == fresh[i].section; });
        if (at == sectionEnd.rend()) continue;
        file.lines.insert(file.lines.begin() + static_cast<std::ptrdiff_t>(at->second), TextLine{entry, file.eol});
        for (auto& s : sectionEnd)
            if (s.second >= at->second && &s != &*at) ++s.second;
    }
    std::string tail;
    const char* tailSection = "";
    for (size_t i = 0; i < fresh.size(); ++i) {
        if (!changed[i] || seen[i]) continue;
        const bool known = std::any_of(sectionEnd.begin(), sectionEnd.end(),
                                       [&](const auto& s) { return s.first == fresh[i].section; });
        if (known) continue;
        if (std::string_view(tailSection) != fresh[i].section) {
            tailSection = fresh[i].section;
            tail += file.eol + "[" + tailSection + "]" + file.eol;
        }
        tail += std::string(fresh[i].key) + " = " + Show(fresh[i]) + file.eol;
    }
    return tail;
}

}  // namespace

std::string UpdateSettingsText(std::string_view text, const Settings& before, const Settings& after) {
    Settings was = before, now = after;
    const std::vector<Entry> old = Entries(was), fresh = Entries(now);
    std::vector<bool> changed(fresh.size()), seen(fresh.size(), false);
    bool any = false;
    for (size_t i = 0; i < fresh.size(); ++i) any |= changed[i] = Show(old[i]) != Show(fresh[i]);
    if (!any) return std::string(text);

    TextLines file = SplitLines(text);
    std::vector<std::pair<std::string, size_t>> sectionEnd = ReplaceValues(file.lines, fresh, changed, seen);
    const std::string tail = AddMissingKeys(file, sectionEnd, fresh, changed, seen);

    std::string out = file.bom;
    for (const TextLine& l : file.lines) out += l.body + l.end;
    if (!tail.empty() && !file.lines.empty() && file.lines.back().end.empty()) out += file.eol;
    return out + (file.lines.empty() && !tail.empty() ? tail.substr(file.eol.size()) : tail);
}

Status SaveSettingsChanges(const std::string& path, const Settings& before, const Settings& after) {
    if (path.empty()) return Error("no settings folder: set HOME or XDG_CONFIG_HOME, or give --config FILE");
    std::error_code ec;
    // No file yet: the whole commented file of the defaults, with the player's changes in it.
    std::string text = FormatSettings(Settings{});
    if (fs::exists(path, ec)) {
        try {
            const std::vector<uint8_t> bytes = ReadWholeFile(path, kMaxSettingsBytes);
            text.assign(bytes.begin(), bytes.end());
        } catch (const Error& e) {
            return Error(path, "cannot read: " + e.reason());
        }
    } else {
        const fs::path parent = fs::path(path).parent_path();
        if (!parent.empty()) fs::create_directories(parent, ec);
        if (ec) return Error(parent.string(), "cannot create: " + ec.message());
    }
    return WriteFileAtomically(path, UpdateSettingsText(text, before, after));
}

std::string SettingsPathFor(const char* xdgConfigHome, const char* home) {
    std::string base;
    if (xdgConfigHome && xdgConfigHome[0] == '/') {
        base = xdgConfigHome;
    } else if (home && home[0] == '/') {
        base = std::string(home) + "/.config";
    } else {
        return {};
    }
    if (base.back() != '/') base += '/';
    return base + "terravik/settings.ini";
}

std::string DefaultSettingsPath() {
    return SettingsPathFor(std::getenv("XDG_CONFIG_HOME"), std::getenv("HOME"));
}

std::string SettingsPathOf(const RunOptions& options) {
    return options.configFile.empty() ? DefaultSettingsPath() : options.configFile;
}

Status WriteDefaultSettings(const std::string& path) {
    if (path.empty()) return Error("no settings folder: set HOME or XDG_CONFIG_HOME, or give --config FILE");
    std::error_code ec;
    if (fs::exists(fs::symlink_status(path, ec)))
        return Error(path + " already exists; remove it first to write the defaults");
    fs::path parent = fs::path(path).parent_path();
    if (!parent.empty()) fs::create_directories(parent, ec);
    if (ec) return Error("cannot create " + parent.string() + ": " + ec.message());
    // Written whole or not at all: a full disk leaves no empty settings file behind.
    return WriteFileAtomically(path, FormatSettings(Settings{}));
}

void ApplyCommandLine(Settings& settings, const RunOptions& options) {
    if (options.windowedWidth > 0 && options.windowedHeight > 0) {
        settings.video.fullscreen = false;
        settings.video.width = options.windowedWidth;
        settings.video.height = options.windowedHeight;
    }
    if (options.frames >= 0 || options.frameMs >= 0 || !options.replay.empty()) {
        settings.video.vsync = false;
        settings.video.maxFps = 0;
    }
}

}  // namespace tv
