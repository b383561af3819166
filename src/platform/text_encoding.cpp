#include "platform/text_encoding.h"

#include <cstdint>

namespace tv {
namespace {

// Code points of bytes 0x80..0xBF; 0 marks the one unassigned byte (0x98).
// 0xC0..0xFF are U+0410..U+044F in order.
constexpr char16_t kHighHalf[64] = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021,  // 0x80
    0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F,  // 0x88
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 0x90
    0x0000, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F,  // 0x98
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7,  // 0xA0
    0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,  // 0xA8
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7,  // 0xB0
    0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,  // 0xB8
};

char ToCp1251(char32_t cp) {
    if (cp < 0x80) return static_cast<char>(cp);
    if (cp >= 0x0410 && cp <= 0x044F) return static_cast<char>(0xC0 + (cp - 0x0410));
    for (int i = 0; i < 64; ++i) {
        if (kHighHalf[i] != 0 && kHighHalf[i] == cp) return static_cast<char>(0x80 + i);
    }
    return '?';
}

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// The length of the well-formed UTF-8 sequence at the start of `s` (shortest form, no
// surrogates, at most U+10FFFF), or 0; `cp` is its code point.
size_t Utf8SequenceAt(std::string_view s, char32_t& cp) {
    const auto b0 = static_cast<uint8_t>(s[0]);
    if (b0 < 0x80) {
        cp = b0;
        return 1;
    }
    const size_t len = (b0 & 0xE0) == 0xC0 ? 2 : (b0 & 0xF0) == 0xE0 ? 3 : (b0 & 0xF8) == 0xF0 ? 4 : 0;
    if (len == 0 || s.size() < len) return 0;
    cp = b0 & (0x7F >> len);
    for (size_t k = 1; k < len; ++k) {
        const auto c = static_cast<uint8_t>(s[k]);
        if ((c & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (c & 0x3F);
    }
    constexpr char32_t kSmallest[5] = {0, 0, 0x80, 0x800, 0x10000};
    if (cp < kSmallest[len] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
    return len;
}

}  // namespace

std::string EscapeForMessage(std::string_view bytes, size_t maxChars) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    size_t shown = 0;
    while (!bytes.empty() && shown < maxChars) {
        char32_t cp = 0;
        size_t len = Utf8SequenceAt(bytes, cp);
        const bool control = cp < 0x20 || (cp >= 0x7F && cp <= 0x9F);
        if (len == 0 || control) {
            const auto b = static_cast<uint8_t>(bytes[0]);
            out += "\\x";
            out += kHex[b >> 4];
            out += kHex[b & 15];
            len = 1;
        } else {
            out.append(bytes.substr(0, len));
        }
        bytes.remove_prefix(len);
        ++shown;
    }
    if (!bytes.empty()) out += "...";
    return out;
}

std::string Utf8ToCp1251(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    size_t i = 0;
    while (i < utf8.size()) {
        auto b = static_cast<uint8_t>(utf8[i]);
        int extra = b < 0x80 ? 0 : (b & 0xE0) == 0xC0 ? 1 : (b & 0xF0) == 0xE0 ? 2 : (b & 0xF8) == 0xF0 ? 3 : -1;
        if (extra < 0 || (extra > 0 && i + extra >= utf8.size())) {
            out += '?';
            ++i;
            continue;
        }
        char32_t cp = extra == 0 ? b : (b & (0x3F >> extra));
        bool ok = true;
        for (int k = 1; k <= extra; ++k) {
            auto c = static_cast<uint8_t>(utf8[i + k]);
            if ((c & 0xC0) != 0x80) {
                ok = false;
                break;
            }
            cp = (cp << 6) | (c & 0x3F);
        }
        if (!ok) {
            out += '?';
            ++i;
            continue;
        }
        out += ToCp1251(cp);
        i += extra + 1;
    }
    return out;
}

std::string Cp1251ToUtf8(std::string_view cp1251) {
    std::string out;
    out.reserve(cp1251.size() * 2);
    for (char ch : cp1251) {
        auto b = static_cast<uint8_t>(ch);
        char32_t cp = b < 0x80 ? b : b >= 0xC0 ? 0x0410 + (b - 0xC0) : kHighHalf[b - 0x80];
        AppendUtf8(out, cp == 0 ? U'?' : cp);
    }
    return out;
}

}  // namespace tv
