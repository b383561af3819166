#include "platform/text_encoding.h"

#include <gtest/gtest.h>

namespace tv {
namespace {

TEST(TextEncoding, CyrillicAndTheHighHalfMapToTheirCp1251Bytes) {
    EXPECT_EQ(Utf8ToCp1251("Старт"), "\xD1\xF2\xE0\xF0\xF2");
    EXPECT_EQ(Utf8ToCp1251("Еще 50"), "\xC5\xF9\xE5 50");
    EXPECT_EQ(Utf8ToCp1251("АЯаяЁё"), "\xC0\xDF\xE0\xFF\xA8\xB8");
    EXPECT_EQ(Utf8ToCp1251("№ — € «»"), "\xB9 \x97 \x88 \xAB\xBB");
    EXPECT_EQ(Utf8ToCp1251("Load file ogg OK"), "Load file ogg OK");
}

TEST(TextEncoding, WhatTheCodePageLacksBecomesAQuestionMark) {
    EXPECT_EQ(Utf8ToCp1251("日本"), "??");
    EXPECT_EQ(Utf8ToCp1251("😀x"), "?x");
    // Malformed: a lone continuation byte, a truncated two-byte sequence at the end, a lead
    // byte followed by plain ASCII.
    EXPECT_EQ(Utf8ToCp1251("\x80" "a"), "?a");
    EXPECT_EQ(Utf8ToCp1251("a\xD0"), "a?");
    EXPECT_EQ(Utf8ToCp1251("\xD0" "a"), "?a");
}

TEST(TextEncoding, EveryAssignedByteRoundTrips) {
    std::string all;
    for (int b = 1; b < 256; ++b) {
        if (b != 0x98) all += static_cast<char>(b);
    }
    EXPECT_EQ(Utf8ToCp1251(Cp1251ToUtf8(all)), all);
    EXPECT_EQ(Cp1251ToUtf8("\x98"), "?");
}

}  // namespace
}  // namespace tv
