#pragma once
// Log_File.txt: one line per start-up step, recreated on every start, written only while the
// start-up runs. Lines are Windows-1251 text ended by CR LF:
//   <23-character time of day as a fraction of a day>--<message>

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <string_view>

#include "common/error.h"
namespace tv {

struct TLogFile {
    bool Opened = false;
    std::string Path;  // where the log was last opened (kept after closing); empty if it failed

    std::FILE* file = nullptr;
    std::string fallback;  // where the log moves when a write fails; empty: nowhere
    std::string written;   // the lines written so far, to carry over when it moves
    // Source of the time of day in milliseconds since midnight; the local clock by default.
    std::function<uint32_t()> msOfDay;

    TLogFile();
    ~TLogFile();
    TLogFile(const TLogFile&) = delete;
    TLogFile& operator=(const TLogFile&) = delete;
};

// Creates or truncates the file (following a symbolic link, opening a device; a FIFO no one
// reads is not waited for). A file that cannot be created leaves Opened false, silently.
void LogOpen(TLogFile& log, const std::string& path);
// $XDG_STATE_HOME/terravik/Log_File.txt, or $HOME/.local/state/terravik/Log_File.txt when the
// variable is unset, empty or relative. Empty when neither gives an absolute folder. The
// arguments are the variables' values (null when unset).
std::string StateLogPathFor(const char* xdgStateHome, const char* home);

// Opens the log at `path`; when that cannot be created (a read-only data folder), at
// `fallback` instead, creating its folders. Ok when `path` opened; else the error whose
// message the player should be told: where the log went instead, or that there is none.
// `fallback` is kept for a write that fails later (a full disk).
Status LogOpenWithFallback(TLogFile& log, const std::string& path, const std::string& fallback);

// Writes one line if Opened; `text` is UTF-8 and is stored as Windows-1251. Never throws: when
// the write fails the log moves to the fallback LogOpenWithFallback kept (with every line
// written so far), or is closed when there is none or that fails too; either way one line
// on stderr says so. Path is then the fallback's, or empty.
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
