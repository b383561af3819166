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

// File text echoed in a message: readable UTF-8 stays, everything a terminal could act on or
// show as garbage becomes \xNN, and a long text is cut at a character, never inside one.
TEST(TextEncoding, EscapeForMessageKeepsUtf8AndEscapesTheRest) {
    EXPECT_EQ(EscapeForMessage("Пауза = F1 ё 😀 \\"), "Пауза = F1 ё 😀 \\");
    EXPECT_EQ(EscapeForMessage("a\tb\x1b[2J\x7f\r"), "a\\x09b\\x1B[2J\\x7F\\x0D");
    EXPECT_EQ(EscapeForMessage(std::string("\0z", 2)), "\\x00z");
    // C1 controls (U+009B is a terminal's CSI), lone and stray bytes, a truncated sequence,
    // an overlong '/', a surrogate, a code point past U+10FFFF.
    EXPECT_EQ(EscapeForMessage("\xC2\x9B" "1m"), "\\xC2\\x9B1m");
    EXPECT_EQ(EscapeForMessage("\xff\xfe\x80"), "\\xFF\\xFE\\x80");
    EXPECT_EQ(EscapeForMessage("ok\xD0"), "ok\\xD0");
    EXPECT_EQ(EscapeForMessage("\xC0\xAF"), "\\xC0\\xAF");
    EXPECT_EQ(EscapeForMessage("\xED\xA0\x80"), "\\xED\\xA0\\x80");
    EXPECT_EQ(EscapeForMessage("\xF4\x90\x80\x80"), "\\xF4\\x90\\x80\\x80");

    EXPECT_EQ(EscapeForMessage("абвгд", 3), "абв...");
    EXPECT_EQ(EscapeForMessage("абв", 3), "абв");
    EXPECT_EQ(EscapeForMessage(std::string(100000, '\x01')).size(), 40u * 4 + 3);
}

}  // namespace
}  // namespace tv
