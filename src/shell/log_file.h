#pragma once
// Log_File.txt: one line per start-up step, recreated on every start, written only while the
// start-up runs. Lines are Windows-1251 text ended by CR LF:
//   <23-character time of day as a fraction of a day>--<message>

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <string_view>

namespace tv {

struct TLogFile {
    bool Opened = false;
    std::FILE* file = nullptr;
    // Source of the time of day in milliseconds since midnight; the local clock by default.
    std::function<uint32_t()> msOfDay;

    TLogFile();
    ~TLogFile();
    TLogFile(const TLogFile&) = delete;
    TLogFile& operator=(const TLogFile&) = delete;
};

// Creates or truncates the file. A file that cannot be created leaves Opened false, silently.
void LogOpen(TLogFile& log, const std::string& path);
// Writes one line if Opened; `text` is UTF-8 and is stored as Windows-1251.
// Throws std::runtime_error if the write fails.
void LogWrite(TLogFile& log, std::string_view text);
// Closes the file if Opened.
void LogClose(TLogFile& log);

// The time field: fraction of a day in scientific notation, 23 characters:
// sign (space or '-'), digit, '.', 14 digits, 'E', exponent sign, 4 exponent digits.
std::string LogTimeField(uint32_t msOfDay);
std::string FormatLogNumber(double value);
// A whole line as bytes, CR LF included.
std::string FormatLogLine(uint32_t msOfDay, std::string_view utf8Text);

}  // namespace tv
