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

}  // namespace tv
