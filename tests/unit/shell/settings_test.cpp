#include "shell/settings.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>

#include "platform/text_encoding.h"
#include "shell/run_options.h"

namespace tv {
namespace {

namespace fs = std::filesystem;

// Every key set to something other than its default, spelled the ways people write INI files:
// odd case and spacing, comments, CR LF line ends and an editor's UTF-8 mark.
constexpr const char* kEveryKey =
    "\xEF\xBB\xBF; my settings\r\n"
    "[Video]\r\n"
    "fullscreen=false\r\n"
    "  Width =  1024\r\n"
    "height = 700\n"
    "vsync = no\n"
    "max_fps = 144\n"
    "shadows = Simple\n"
    "render_scale = 0.5\n"
    "display = 1\n"
    "[interface]\n"
    "language = en\n"
    "ui_scale = 2\n"
    "\n"
    "[input]\n"
    "# aiming\n"
    "mouse_sensitivity = 2.5\n"
    "invert_y = TRUE\n"
    "controller_sensitivity = 0.25\n"
    "[audio]\n"
    "master_volume = 80\n"
    "effects_volume = 0\n"
    "music_volume = 50\n"
    "pause_on_focus_loss = on\n"
    "[keys]\n"
    "cannon = Q\n"
    "laser = E\n"
    "more_aircraft = M\n"
    "pause = Space\n"
    "screenshot = F5\n"
    "fullscreen = F10\n"
    "free_pointer = Left Alt\n"
    "quit = Keypad #\n"
    "options = F9\n"
    "[data]\n"
    "mods = /a/b:c d\n";

void ExpectEveryKeyChanged(const Settings& s) {
    EXPECT_FALSE(s.video.fullscreen);
    EXPECT_EQ(s.video.width, 1024);
    EXPECT_EQ(s.video.height, 700);
    EXPECT_FALSE(s.video.vsync);
    EXPECT_EQ(s.video.maxFps, 144);
    EXPECT_EQ(s.video.shadows, ShadowMode::Simple);
    EXPECT_DOUBLE_EQ(s.video.renderScale, 0.5);
    EXPECT_EQ(s.video.display, 1);
    EXPECT_EQ(s.interface.language, Language::English);
    EXPECT_DOUBLE_EQ(s.interface.uiScale, 2.0);
    EXPECT_DOUBLE_EQ(s.input.mouseSensitivity, 2.5);
    EXPECT_TRUE(s.input.invertY);
    EXPECT_DOUBLE_EQ(s.input.controllerSensitivity, 0.25);
    EXPECT_EQ(s.audio.masterVolume, 80);
    EXPECT_EQ(s.audio.effectsVolume, 0);
    EXPECT_EQ(s.audio.musicVolume, 50);
    EXPECT_TRUE(s.audio.pauseOnFocusLoss);
    EXPECT_EQ(s.keys.cannon, "Q");
    EXPECT_EQ(s.keys.laser, "E");
    EXPECT_EQ(s.keys.moreAircraft, "M");
    EXPECT_EQ(s.keys.pause, "Space");
    EXPECT_EQ(s.keys.screenshot, "F5");
    EXPECT_EQ(s.keys.fullscreen, "F10");
    EXPECT_EQ(s.keys.freePointer, "Left Alt");
    EXPECT_EQ(s.keys.quit, "Keypad #");
    EXPECT_EQ(s.keys.options, "F9");
    EXPECT_EQ(s.data.mods, "/a/b:c d");
    EXPECT_EQ(s.MusicPercent(), 40);
    EXPECT_EQ(s.EffectsPercent(), 0);
}

class SettingsFile : public ::testing::Test {
protected:
    void SetUp() override {
        dir = fs::path(TERRAVIK_TEST_TMP) /
              (std::string("settings_") + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    std::string Write(const std::string& name, const std::string& text) {
        std::ofstream(dir / name, std::ios::binary) << text;
        return (dir / name).string();
    }
    fs::path dir;
};

TEST(Settings, EveryKeyTakesEffectAndTheWrittenFormReadsBack) {
    std::vector<std::string> warnings;
    Settings s = ParseSettings(kEveryKey, "a.ini", warnings);
    EXPECT_TRUE(warnings.empty()) << warnings.front();
    ExpectEveryKeyChanged(s);

    // What --write-config writes must read back unchanged, for defaults and for any values.
    ExpectEveryKeyChanged(ParseSettings(FormatSettings(s), "b.ini", warnings));
    Settings defaults = ParseSettings(FormatSettings(Settings{}), "c.ini", warnings);
    EXPECT_TRUE(warnings.empty());
    EXPECT_TRUE(defaults.video.fullscreen);
    EXPECT_EQ(defaults.video.width, 1280);
    EXPECT_EQ(defaults.video.height, 800);
    EXPECT_EQ(defaults.keys.freePointer, "Tab");
    EXPECT_EQ(defaults.MusicPercent(), 100);
}

TEST(Settings, EachUnusableLineWarnsOnceWithFileLineAndKeyAndKeepsTheDefault) {
    const std::string text =
        "width = 900\n"                   // 1: before any section
        "[video]\n"
        "fullscreen = maybe\n"            // 3: not a boolean
        "width = 320\n"                   // 4: below the smallest window
        "height = 7e2\n"                  // 5: not a whole number
        "max_fps = 60\n"
        "max_fps = -1\n"                  // 7: a bad repeat falls back to the default, not 60
        "colour_depth = 16\n"             // 8: unknown key
        "just some words\n"               // 9: no '='
        "[input\n"                        // 10: broken section line
        "[input]\n"
        "mouse_sensitivity = 0\n"         // 12: out of range
        "controller_sensitivity = nan\n"  // 13: not a number
        "[audio]\n"
        "music_volume = 150\n"            // 15: out of range
        "master_volume = 70\n"            // good, after the bad lines
        "[keys]\n"
        "pause = Pouse\n"                 // 18: not a key name
        "quit =\n"                        // 19: empty
        "[network]\n"                     // 20: unknown section
        "port = 1\n"                      // 21: its key
        "[video]\n"
        "shadows = soft\n"                // 23: not one of the choices
        "[interface]\n"
        "ui_scale = 5\n";                 // 25: neither auto nor in range
    std::vector<std::string> warnings;
    Settings s = ParseSettings(text, "/home/p/settings.ini", warnings,
                               [](const std::string& name) { return name != "Pouse"; });

    const std::vector<std::pair<int, std::string>> expected = {
        {1, "width"},  {3, "fullscreen"}, {4, "width"}, {5, "height"}, {7, "max_fps"}, {8, "colour_depth"},
        {9, "just some words"}, {10, "]"}, {12, "mouse_sensitivity"}, {13, "controller_sensitivity"},
        {15, "music_volume"}, {18, "pause"}, {19, "quit"}, {20, "network"}, {21, "port"},
        {23, "shadows"}, {25, "ui_scale"}};
    ASSERT_EQ(warnings.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        const std::string prefix = "/home/p/settings.ini:" + std::to_string(expected[i].first) + ": ";
        EXPECT_EQ(warnings[i].rfind(prefix, 0), 0u) << warnings[i];
        EXPECT_NE(warnings[i].find(expected[i].second), std::string::npos) << warnings[i];
    }
    EXPECT_NE(warnings[3].find("using 800"), std::string::npos) << warnings[3];

    const Settings defaults;
    EXPECT_EQ(s.video.fullscreen, defaults.video.fullscreen);
    EXPECT_EQ(s.video.width, defaults.video.width);
    EXPECT_EQ(s.video.height, defaults.video.height);
    EXPECT_EQ(s.video.maxFps, 0);
    EXPECT_DOUBLE_EQ(s.input.mouseSensitivity, 1.0);
    EXPECT_DOUBLE_EQ(s.input.controllerSensitivity, 1.0);
    EXPECT_EQ(s.audio.musicVolume, 100);
    EXPECT_EQ(s.audio.masterVolume, 70);
    EXPECT_EQ(s.keys.pause, "P");
    EXPECT_EQ(s.keys.quit, "Escape");
    EXPECT_EQ(s.video.shadows, ShadowMode::Full);
    EXPECT_EQ(s.interface.uiScale, 0);
}

// Comments may follow a value or a section line; a '#' or ';' that is itself the key, or part
// of the name "Keypad #", stays the key.
TEST(Settings, CommentsAfterValuesAndSectionLinesAreSkipped) {
    const std::string text =
        "[video]   ; the window\n"
        "width = 1024        # 640..16384\n"
        "height = 700\t;\n"
        "max_fps = 60#no space before it, so part of the value\n"  // 4: not a number
        "[input] # aiming\n"
        "invert_y = true ; mouse forward looks down\n"
        "[keys]# SDL key names\n"
        "pause = ;\n"
        "cannon = #   # the hash key\n"
        "quit = Keypad #  ; the keypad's hash key\n"
        "[audio] music\n";  // 11: not a comment
    std::vector<std::string> warnings;
    Settings s = ParseSettings(text, "c.ini", warnings);
    ASSERT_EQ(warnings.size(), 2u) << warnings.back();
    EXPECT_EQ(warnings[0].rfind("c.ini:4: [video] max_fps", 0), 0u) << warnings[0];
    EXPECT_EQ(warnings[1].rfind("c.ini:11: ", 0), 0u) << warnings[1];
    EXPECT_EQ(s.video.width, 1024);
    EXPECT_EQ(s.video.height, 700);
    EXPECT_TRUE(s.input.invertY);
    EXPECT_EQ(s.keys.pause, ";");
    EXPECT_EQ(s.keys.cannon, "#");
    EXPECT_EQ(s.keys.quit, "Keypad #");
}

// The README's sample, pasted as it stands into a settings file, is read without a warning
// and gives the values it shows.
TEST_F(SettingsFile, TheReadmeSampleReadsCleanly) {
    std::ifstream readme(std::string(TERRAVIK_SOURCE_DIR) + "/README.md");
    ASSERT_TRUE(readme) << "no README.md in " << TERRAVIK_SOURCE_DIR;
    std::string sample, uncommented, line;
    bool inSample = false;
    while (std::getline(readme, line)) {
        if (line == "    [video]") inSample = true;
        if (inSample && line.rfind("    ", 0) != 0) break;
        if (!inSample) continue;
        sample += line.substr(4) + "\n";
        uncommented += std::regex_replace(line.substr(4), std::regex("\\s+#.*$"), "") + "\n";
    }
    ASSERT_NE(sample.find("[keys]"), std::string::npos) << "the README's settings sample was not found";

    std::vector<std::string> warnings;
    const Settings s = LoadSettingsFile(Write("settings.ini", sample), true, warnings);
    EXPECT_TRUE(warnings.empty()) << warnings.size() << " warnings, the first: " << warnings.front();
    std::vector<std::string> plainWarnings;
    const Settings plain = ParseSettings(uncommented, "plain.ini", plainWarnings);
    ASSERT_TRUE(plainWarnings.empty()) << plainWarnings.front();
    EXPECT_EQ(FormatSettings(s), FormatSettings(plain));
}

// A key two actions name goes to one of them: the game's own keys before the shortcuts, then
// the table's order; the other action goes back to its default key, or has none when that is
// taken as well. One warning per clash names the file, the line, the key and both actions.
TEST(Settings, AKeyNamedTwiceGoesToOneActionWithOneWarning) {
    const std::string text =
        "[keys]\n"
        "pause = 1\n"            // 2: cannon's key; P, its default, is more_aircraft's: no key
        "more_aircraft = p\n"
        "screenshot = q\n"       // 4: laser's, though laser comes later: back to F12
        "laser = Q\n"
        "fullscreen = escape\n"  // 6: quit's: back to F11
        "free_pointer = F12\n";  // 7: screenshot went back to it first: back to Tab
    std::vector<std::string> warnings;
    Settings s = ParseSettings(text, "k.ini", warnings);
    EXPECT_EQ(s.keys.cannon, "1");
    EXPECT_EQ(s.keys.pause, "");
    EXPECT_EQ(s.keys.moreAircraft, "p");
    EXPECT_EQ(s.keys.laser, "Q");
    EXPECT_EQ(s.keys.screenshot, "F12");
    EXPECT_EQ(s.keys.quit, "Escape");
    EXPECT_EQ(s.keys.fullscreen, "F11");
    EXPECT_EQ(s.keys.freePointer, "Tab");
    const std::vector<std::vector<std::string>> expected = {
        {"k.ini:2: ", "\"1\"", "cannon", "pause has no key"},
        {"k.ini:4: ", "\"q\"", "laser", "screenshot goes back to F12"},
        {"k.ini:6: ", "\"escape\"", "quit", "fullscreen goes back to F11"},
        {"k.ini:7: ", "\"F12\"", "screenshot", "free_pointer goes back to Tab"}};
    ASSERT_EQ(warnings.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(warnings[i].rfind(expected[i][0], 0), 0u) << warnings[i];
        for (size_t k = 1; k < expected[i].size(); ++k)
            EXPECT_NE(warnings[i].find(expected[i][k]), std::string::npos) << warnings[i];
    }

    // A game key taken by another game key: laser's own default is cannon's now, so laser has
    // no key (the game then reads that key as the cannon's alone); the warning is on the
    // line of the key that won, since laser's line is not in the file.
    warnings.clear();
    s = ParseSettings("[keys]\ncannon = 2\n", "k.ini", warnings);
    EXPECT_EQ(s.keys.cannon, "2");
    EXPECT_EQ(s.keys.laser, "");
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_EQ(warnings[0].rfind("k.ini:2: ", 0), 0u) << warnings[0];
    EXPECT_NE(warnings[0].find("laser has no key"), std::string::npos) << warnings[0];

    // Resolved again (as the options menu does), the keys left without one clash with nothing.
    KeySettings none;
    none.pause = none.screenshot = "";
    EXPECT_TRUE(ResolveKeyClashes(none).empty());
    EXPECT_EQ(none.screenshot, "");
}

// Bytes echoed from a file in a warning are escaped: a binary file given as the settings
// puts no control byte or broken UTF-8 on the terminal, and readable UTF-8 stays readable.
TEST_F(SettingsFile, BinaryContentIsEscapedInWarnings) {
    std::string binary;
    for (int i = 0; i < 4096; ++i) binary += static_cast<char>((i * 131 + i / 7) & 0xFF);
    binary += "\n[keys]\npause = \xD0\x9F\xD0\xB0\xD1\x83\xD0\xB7\xD0\xB0\x1B[31m\n";
    std::vector<std::string> warnings;
    const Settings s = LoadSettingsFile(Write("binary.ini", binary), true, warnings,
                                        [](const std::string& name) { return name == "P"; });
    ASSERT_FALSE(warnings.empty());
    for (const std::string& w : warnings) {
        EXPECT_EQ(EscapeForMessage(w, w.size()), w) << "raw bytes in a warning";
        EXPECT_LT(w.size(), 400u);
    }
    EXPECT_NE(warnings.back().find("\"Пауза\\x1B[31m\""), std::string::npos) << warnings.back();
    EXPECT_EQ(s.keys.pause, "P");
}

TEST_F(SettingsFile, MissingUnreadableAndOversizedFilesGiveDefaults) {
    std::vector<std::string> warnings;
    const std::string missing = (dir / "none.ini").string();
    LoadSettingsFile(missing, false, warnings);
    EXPECT_TRUE(warnings.empty()) << "the default file need not exist";
    LoadSettingsFile(missing, true, warnings);
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_NE(warnings[0].find(missing), std::string::npos);

    warnings.clear();
    EXPECT_TRUE(LoadSettingsFile(dir.string(), true, warnings).video.fullscreen);  // a folder
    EXPECT_TRUE(LoadSettingsFile(Write("big.ini", std::string(kMaxSettingsBytes + 1, '\n')), false, warnings)
                    .video.fullscreen);
    EXPECT_EQ(warnings.size(), 2u);

    warnings.clear();
    EXPECT_TRUE(LoadSettingsFile(Write("empty.ini", ""), true, warnings).video.vsync);
    ExpectEveryKeyChanged(LoadSettingsFile(Write("all.ini", kEveryKey), true, warnings));
    EXPECT_TRUE(warnings.empty());
}

TEST_F(SettingsFile, WriteDefaultsCreatesTheFolderAndNeverReplacesAFile) {
    const std::string path = (dir / "config" / "terravik" / "settings.ini").string();
    EXPECT_EQ(WriteDefaultSettings(path).Message(), "");
    std::vector<std::string> warnings;
    Settings s = LoadSettingsFile(path, true, warnings);
    EXPECT_TRUE(warnings.empty());
    EXPECT_EQ(s.video.width, 1280);

    std::ofstream(path, std::ios::binary) << kEveryKey;
    EXPECT_NE(WriteDefaultSettings(path).Message(), "");
    ExpectEveryKeyChanged(LoadSettingsFile(path, true, warnings));
    EXPECT_NE(WriteDefaultSettings("").Message(), "");
}

// Saving from the menu touches only the values the player changed: comments, unknown keys,
// blank lines, line ends and order stay byte for byte; a changed key the file lacks joins its
// section, or a new section at the end; the result reads back as the new settings.
TEST_F(SettingsFile, SavingChangesKeepsEverythingElseOfTheFile) {
    const std::string text =
        "\xEF\xBB\xBF; mine\r\n"
        "[video]  # screen\r\n"
        "vsync=true\r\n"
        "max_fps = 60    ; cap\r\n"
        "colour = blue\r\n"
        "max_fps = 30\r\n"
        "[odd]\r\n"
        "master_volume = 5\r\n"
        "\r\n"
        "[audio]\r\n"
        "music_volume =\r\n"
        "; end";
    std::vector<std::string> warnings;
    const Settings before = ParseSettings(text, "s.ini", warnings);
    EXPECT_EQ(UpdateSettingsText(text, before, before), text);

    Settings after = before;
    after.video.vsync = false;
    after.video.maxFps = 144;
    after.audio.musicVolume = 40;
    after.audio.masterVolume = 70;  // not in [audio] yet
    after.keys.pause = "Space";     // no [keys] at all
    after.input.invertY = true;
    const std::string updated = UpdateSettingsText(text, before, after);
    EXPECT_EQ(updated,
              "\xEF\xBB\xBF; mine\r\n"
              "[video]  # screen\r\n"
              "vsync=false\r\n"
              "max_fps = 144    ; cap\r\n"
              "colour = blue\r\n"
              "max_fps = 144\r\n"
              "[odd]\r\n"
              "master_volume = 5\r\n"
              "\r\n"
              "[audio]\r\n"
              "music_volume = 40\r\n"
              "master_volume = 70\r\n"
              "; end\r\n"
              "\r\n[input]\r\ninvert_y = true\r\n"
              "\r\n[keys]\r\npause = Space\r\n");
    warnings.clear();
    EXPECT_EQ(FormatSettings(ParseSettings(updated, "s.ini", warnings)), FormatSettings(after));

    // A line under a section line the reader refuses is not the key's: the key is added anew.
    const std::string junk = "[keys] junk\npause = Q\n";
    Settings keys = ParseSettings(junk, "j.ini", warnings);
    Settings moved = keys;
    moved.keys.pause = "O";
    EXPECT_EQ(UpdateSettingsText(junk, keys, moved), junk + "\n[keys]\npause = O\n");

    // A first save writes the commented defaults with the change in them.
    const std::string path = (dir / "new" / "settings.ini").string();
    EXPECT_TRUE(SaveSettingsChanges(path, before, after).ok());
    warnings.clear();
    const Settings saved = LoadSettingsFile(path, true, warnings);
    EXPECT_TRUE(warnings.empty());
    EXPECT_EQ(saved.audio.musicVolume, 40);
    EXPECT_EQ(saved.video.maxFps, 144);
    EXPECT_EQ(saved.video.width, 1280);
    std::ifstream in(path);
    const std::string written((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(written.rfind("; Terravik settings.", 0), 0u) << written;
}

TEST(Settings, PathFollowsTheBaseDirectoryRules) {
    EXPECT_EQ(SettingsPathFor("/x/conf", "/home/p"), "/x/conf/terravik/settings.ini");
    EXPECT_EQ(SettingsPathFor("/x/conf/", "/home/p"), "/x/conf/terravik/settings.ini");
    EXPECT_EQ(SettingsPathFor(nullptr, "/home/p"), "/home/p/.config/terravik/settings.ini");
    EXPECT_EQ(SettingsPathFor("", "/home/p"), "/home/p/.config/terravik/settings.ini");
    EXPECT_EQ(SettingsPathFor("relative", "/home/p"), "/home/p/.config/terravik/settings.ini");
    EXPECT_EQ(SettingsPathFor(nullptr, nullptr), "");
}

TEST(Settings, TheCommandLineWinsOverTheFile) {
    std::vector<std::string> warnings;
    RunOptions o;
    ASSERT_EQ(ParseRunOptions({"--config", "/tmp/s.ini", "--write-config"}, o).Message(), "");
    EXPECT_EQ(o.configFile, "/tmp/s.ini");
    EXPECT_TRUE(o.writeConfig);
    RunOptions bad;
    EXPECT_NE(ParseRunOptions({"--config"}, bad).Message(), "");

    // Nothing on the command line: the file stands.
    Settings s = ParseSettings(kEveryKey, "a.ini", warnings);
    ApplyCommandLine(s, o);
    ExpectEveryKeyChanged(s);

    // --windowed is a window of that size, a full-screen file gives way too; a size the file
    // refuses is refused on the command line as well, with the limits in the message.
    Settings full;
    RunOptions w;
    ASSERT_EQ(ParseRunOptions({"--windowed", "640x480"}, w).Message(), "");
    ApplyCommandLine(full, w);
    EXPECT_FALSE(full.video.fullscreen);
    EXPECT_EQ(full.video.width, 640);
    EXPECT_EQ(full.video.height, 480);
    EXPECT_TRUE(full.video.vsync);
    for (const char* size : {"10x10", "639x480", "640x479", "16385x600", "800x16385"}) {
        RunOptions small;
        const std::string message = ParseRunOptions({"--windowed", size}, small).Message();
        EXPECT_NE(message.find("640x480"), std::string::npos) << size << ": " << message;
    }

    // Timed runs never wait for the display or a cap.
    for (auto args : std::vector<std::vector<std::string>>{{"--frames", "60"}, {"--frame-ms", "16"}}) {
        RunOptions t;
        ASSERT_EQ(ParseRunOptions(args, t).Message(), "");
        Settings capped = ParseSettings("[video]\nvsync = true\nmax_fps = 30\n", "a.ini", warnings);
        ApplyCommandLine(capped, t);
        EXPECT_FALSE(capped.video.vsync) << args[0];
        EXPECT_EQ(capped.video.maxFps, 0) << args[0];
    }
}

}  // namespace
}  // namespace tv
