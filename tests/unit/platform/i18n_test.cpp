// The player's language: the compiled English catalogue the build lays into the game folder,
// catalogue files in either byte order, broken ones refused, and a missing one.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "common/i18n.h"

namespace tv::test {
namespace {

// A catalogue file of `entries` (msgid, msgstr), sorted as msgfmt writes them, without a hash table.
std::string MoBytes(std::vector<std::pair<std::string, std::string>> entries, bool bigEndian) {
    std::sort(entries.begin(), entries.end());
    std::string out;
    const auto word = [&](uint32_t v) {
        for (int k = 0; k < 4; ++k) out += static_cast<char>(v >> (bigEndian ? 24 - 8 * k : 8 * k));
    };
    const uint32_t n = static_cast<uint32_t>(entries.size());
    uint32_t text = 28 + 16 * n;
    word(0x950412de), word(0), word(n), word(28), word(28 + 8 * n), word(0), word(0);
    std::string strings;
    for (int table = 0; table < 2; ++table)
        for (const auto& e : entries) {
            const std::string& s = table == 0 ? e.first : e.second;
            word(static_cast<uint32_t>(s.size())), word(text + static_cast<uint32_t>(strings.size()));
            strings += s + '\0';
        }
    return out + strings;
}

TEST(Language, EnglishFromTheGameFoldersCatalogueRussianUntouched) {
    const char* start = "Старт";
    EXPECT_EQ(Tr(start), start);  // Russian until a language is chosen

    // A folder without the catalogue is passed over; a missing one in every folder is one
    // stderr line and the Russian texts.
    SetLocaleDirs({TERRAVIK_TEST_TMP "/no-such-locale"});
    testing::internal::CaptureStderr();
    SetLanguage(Language::English);
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(Tr(start), start);
    EXPECT_NE(said.find("terravik: no English texts"), std::string::npos) << said;
    EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;

    SetLocaleDirs({TERRAVIK_TEST_TMP "/no-such-locale", TERRAVIK_GAME_DIR "/share/locale"});
    SetLanguage(Language::English);
    EXPECT_STREQ(Tr(start), "Start");
    EXPECT_STREQ(Tr("Пауза"), "Pause");
    EXPECT_STREQ(Tr("C" "нарядов"), "Shells");  // the label's Latin C is part of its key
    const char* unknown = "Нет такого текста";
    EXPECT_EQ(Tr(unknown), unknown);
    const char* english = Tr(start);
    SetLanguage(Language::Russian);
    EXPECT_EQ(Tr(start), start);
    SetLanguage(Language::English);
    EXPECT_EQ(Tr(start), english);  // read once; every pointer handed out stays valid
    SetLanguage(Language::Russian);

    EXPECT_EQ(LocaleDirsForExecutable("/opt/tv/bin/terravik").front(), "/opt/tv/share/locale");
    EXPECT_TRUE(LocaleDirsForExecutable("").empty());
}

TEST(Language, CatalogueFilesInEitherByteOrderAndBrokenOnesRefused) {
    const std::vector<std::pair<std::string, std::string>> entries = {
        {"", "Content-Type: text/plain; charset=UTF-8\n"}, {"Да", "Yes"}, {"Нет", ""}, {"Пауза", "Pause"}};
    for (bool bigEndian : {false, true}) {
        MessageCatalogue c;
        std::string error;
        ASSERT_TRUE(c.Parse(MoBytes(entries, bigEndian), error)) << error;
        EXPECT_EQ(c.Size(), 2u);  // neither the header nor an untranslated text
        EXPECT_STREQ(c.Find("Да"), "Yes");
        EXPECT_EQ(c.Find("Нет"), nullptr);
    }

    const std::string good = MoBytes(entries, false);
    const auto broken = [&](size_t at, uint32_t value) {
        std::string b = good;
        std::memcpy(&b[at], &value, 4);
        return b;
    };
    struct Case {
        const char* what;
        std::string bytes;
    } cases[] = {
        {"short", good.substr(0, 27)},
        {"magic", broken(0, 0x12345678)},
        {"revision", broken(4, 2u << 16)},
        {"count", broken(8, 0x20000000)},
        {"table", broken(16, static_cast<uint32_t>(good.size()) - 8)},
        {"string offset", broken(28 + 8 + 4, static_cast<uint32_t>(good.size()))},
        {"string length", broken(28 + 8 * 4 + 8, 0xFFFFFFFF)},
    };
    for (const Case& k : cases) {
        MessageCatalogue c;
        std::string error;
        EXPECT_FALSE(c.Parse(k.bytes, error)) << k.what;
        EXPECT_FALSE(error.empty()) << k.what;
        EXPECT_EQ(c.Size(), 0u) << k.what;
    }
}

}  // namespace
}  // namespace tv::test
