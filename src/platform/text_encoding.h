#pragma once
// The game's texts live as UTF-8 in the source and become single-byte Windows-1251 wherever
// bytes matter (the log file, the HUD font's glyph codes).

#include <string>
#include <string_view>

namespace tv {

// Converts UTF-8 to Windows-1251. Characters the code page lacks, and malformed UTF-8
// sequences, become '?'.
std::string Utf8ToCp1251(std::string_view utf8);

// The inverse, for showing single-byte texts in UTF-8 windows. Byte 0x98 (unassigned) maps to '?'.
std::string Cp1251ToUtf8(std::string_view cp1251);

// Bytes read from a file, made safe to echo in a message on a terminal. Printable UTF-8 stays
// as it is (a Cyrillic key name stays readable); control characters (C0, DEL, C1) and bytes
// that are not well-formed UTF-8 become "\xNN", one per byte. At most `maxChars` characters of
// the input are shown (an escaped byte counts as one); a longer text ends in "...".
std::string EscapeForMessage(std::string_view bytes, size_t maxChars = 40);

}  // namespace tv
