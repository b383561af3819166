#pragma once
// The player's settings file: a plain INI file of six sections ([video], [interface], [input],
// [audio], [keys], [data]) read once at start-up. Nothing in it can stop the game from starting: a line that
// cannot be used is reported on stderr (file, line, key) and the default stays. Key bindings
// are kept as SDL key names; the SDL side checks and maps them. A '#' or ';' after a space or
// tab starts a comment, at the start of a line, after a section line or after a value.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "common/i18n.h"
#include "platform/input.h"

#include "common/error.h"

namespace tv {

struct RunOptions;

// How aircraft shadows are drawn: once per mesh layer as the game always has, once per
// aircraft, or not at all.
enum class ShadowMode : uint8_t { Full, Simple, Off };

struct VideoSettings {
    bool fullscreen = true;
    int width = 1280;  // the windowed size, pixels
    int height = 800;
    bool vsync = true;
    int maxFps = 0;  // zero: no cap
    ShadowMode shadows = ShadowMode::Full;
    double renderScale = 1.0;  // the 3D scene's resolution against the window's, 0.25..1
    int display = 0;           // the monitor full screen uses, counted from 0
};

struct InterfaceSettings {
    Language language = Language::Russian;
    double uiScale = 0;  // buttons, HUD and menus; 0: from the display's DPI
};

// Where extra data comes from besides the game's own folder.
struct DataSettings {
    std::string mods;  // mod folders separated by ':', a later one winning
};

struct InputSettings {
    double mouseSensitivity = 1.0;  // multiplies the turn rate per mouse count
    bool invertY = false;
    double controllerSensitivity = 1.0;  // multiplies the turn rate of the right stick
};

struct AudioSettings {
    int masterVolume = 100;  // percent, 0..100
    int effectsVolume = 100;
    int musicVolume = 100;
    bool pauseOnFocusLoss = false;
};

// No two actions share a key (ParseSettings sees to it); an empty name is no key.
struct KeySettings {
    std::string cannon = "1";
    std::string laser = "2";
    std::string moreAircraft = "N";
    std::string pause = "P";
    std::string screenshot = "F12";
    std::string fullscreen = "F11";
    std::string freePointer = "Tab";
    std::string quit = "Escape";
    std::string options = "F10";
};

// What a [keys] setting does: a key the game itself reads on every frame, or a key around the
// game that the main loop handles.
enum class KeyAction : uint8_t {
    Cannon,
    Laser,
    Quit,
    MoreAircraft,
    Pause,
    Screenshot,
    Fullscreen,
    FreePointer,
    Options
};

struct KeyActionSetting {
    KeyAction action;
    const char* name;  // in the file
    std::string KeySettings::*key;
    int gameCode;  // the game's key code (kKey1, ...) for a key the game reads; 0 for the others
};

// Every [keys] setting, in the order they claim a key that two of them name: the game's own
// keys first, then the shortcuts around the game. The game's keys cannot give way to a
// shortcut: the game reads its key on every frame whatever a shortcut does with the same press.
inline constexpr KeyActionSetting kKeyActions[] = {
    {KeyAction::Cannon, "cannon", &KeySettings::cannon, kKey1},
    {KeyAction::Laser, "laser", &KeySettings::laser, kKey2},
    {KeyAction::Quit, "quit", &KeySettings::quit, kKeyEscape},
    {KeyAction::MoreAircraft, "more_aircraft", &KeySettings::moreAircraft, 0},
    {KeyAction::Pause, "pause", &KeySettings::pause, 0},
    {KeyAction::Screenshot, "screenshot", &KeySettings::screenshot, 0},
    {KeyAction::Fullscreen, "fullscreen", &KeySettings::fullscreen, 0},
    {KeyAction::FreePointer, "free_pointer", &KeySettings::freePointer, 0},
    {KeyAction::Options, "options", &KeySettings::options, 0},
};

struct Settings {
    VideoSettings video;
    InterfaceSettings interface;
    InputSettings input;
    AudioSettings audio;
    KeySettings keys;
    DataSettings data;

    // The music's volume in percent: master x music.
    int MusicPercent() const { return (audio.masterVolume * audio.musicVolume + 50) / 100; }
    // The sound effects' volume in percent: master x effects.
    int EffectsPercent() const { return (audio.masterVolume * audio.effectsVolume + 50) / 100; }
};

// The name of an action in the file ("cannon", ...).
const char* KeyActionName(KeyAction action);

// An action that lost its key to an earlier one: it went back to its default key, or to none
// when that is taken too.
struct KeyClash {
    KeyAction loser;
    KeyAction keeper;
    std::string warning;  // names the key and both actions, for the file's warning line
};

// Gives every key to one action at most, the first of kKeyActions naming it keeping it (names
// compare without regard to case); the others are moved as KeyClash says, and listed.
std::vector<KeyClash> ResolveKeyClashes(KeySettings& keys);

// Value limits, shared by the parser, --windowed and the man page's numbers.
inline constexpr int kMinWindowWidth = 640;
inline constexpr int kMinWindowHeight = 480;
inline constexpr int kMaxWindowSide = 16384;
inline constexpr int kMaxFpsLimit = 1000;
inline constexpr double kMinSensitivity = 0.01;
inline constexpr double kMaxSensitivity = 100.0;
inline constexpr double kMinRenderScale = 0.25;
inline constexpr double kMinUiScale = 1.0;
inline constexpr double kMaxUiScale = 3.0;
inline constexpr int kMaxDisplayIndex = 63;
// A settings file larger than this is not read (it cannot be a real one).
inline constexpr size_t kMaxSettingsBytes = 1 << 20;

// True when a key binding names a key the platform knows. Absent: every non-empty name passes.
using KeyNameCheck = std::function<bool(const std::string& name)>;

// Parses the text of a settings file. Every line that is not used adds one warning of the
// form "FILE:LINE: ..." naming the key (or the section) and what was wrong; the value keeps
// its default. A key given twice takes its last good value. A key that two [keys] actions
// name goes to the first of cannon, laser, quit, more_aircraft, pause, screenshot,
// fullscreen, free_pointer, options; the other action goes back to its default key, or has none when
// that is taken too, with one warning naming the key and both actions.
Settings ParseSettings(std::string_view text, const std::string& fileName, std::vector<std::string>& warnings,
                       const KeyNameCheck& isKeyName = {});

// Reads and parses a settings file. A missing file gives the defaults; it warns only when
// `mustExist` (a file named on the command line). An unreadable or oversized file warns and
// gives the defaults.
Settings LoadSettingsFile(const std::string& path, bool mustExist, std::vector<std::string>& warnings,
                          const KeyNameCheck& isKeyName = {});

// The file's text for these settings, every key present, with a comment on each.
std::string FormatSettings(const Settings& settings);

// The text of a settings file with the keys whose values differ between `before` and `after`
// set to the values of `after`. Everything else stays byte for byte: comments, blank lines,
// unknown keys and sections, the order of the lines, their endings and each value's trailing
// comment. A changed key the file does not give is added after the last key of its section, or
// in a new section at the end.
std::string UpdateSettingsText(std::string_view text, const Settings& before, const Settings& after);

// Writes the player's changes (the keys differing between `before` and `after`) into the
// settings file at `path` as UpdateSettingsText does, whole or not at all; a missing file
// becomes the defaults' commented file with the changes in it. Empty on success, else the reason.
Status SaveSettingsChanges(const std::string& path, const Settings& before, const Settings& after);

// $XDG_CONFIG_HOME/terravik/settings.ini, or $HOME/.config/terravik/settings.ini when the
// variable is unset, empty or relative (as the base-directory rules ask). Empty when neither
// gives an absolute folder. The arguments are the variables' values (null when unset).
std::string SettingsPathFor(const char* xdgConfigHome, const char* home);
std::string DefaultSettingsPath();  // the same from the environment
// The settings file a run uses: --config's, or else the default one (empty when there is none).
std::string SettingsPathOf(const RunOptions& options);

// Writes FormatSettings(defaults) to path, creating its folders. Refuses to replace an
// existing file. Ok, or the error saying why not.
Status WriteDefaultSettings(const std::string& path);

// The command line wins over the file: --windowed WxH is a window of that size, and timed runs (--frames,
// --frame-ms) drop vsync and the cap so their figures stay comparable between machines and settings.
void ApplyCommandLine(Settings& settings, const RunOptions& options);

}  // namespace tv
