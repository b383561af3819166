#pragma once
// The one place the game writes to stderr. Every failure and warning the player should see
// goes through here as one line, "terravik: TEXT" (a tool may name itself instead); a failure the
// game also logs writes its log line through the same call. Tests capture the lines with
// ReportCapture.

#include <functional>
#include <string>
#include <string_view>

#include "common/error.h"

namespace tv {

// Writes one line of the game's log (Log_File.txt while the start-up runs).
using LogLineWriter = std::function<void(std::string_view utf8Text)>;

// "terravik: MESSAGE" on stderr.
void Report(const Error& error);
// The same line, then `logLine` in the log.
void Report(const Error& error, const LogLineWriter& log, std::string_view logLine);
// "terravik: TEXT" on stderr, for what is not a failure (a note, a warning, a figure).
void Warn(std::string_view text);
// Text as it is, no prefix and no line end added (the usage text after a command-line error).
void WriteStderr(std::string_view text);

// A tool's own failure: "PROGRAM: MESSAGE", or the message alone when `program` is empty
// (the inspector's "FILE: offset N: FIELD: reason" lines).
void ReportAs(std::string_view program, const Error& error);

// From now on a crash (a fatal signal) writes `line` (a whole line, cut at 4 KB) to stderr
// and ends the process with status 1: for tools whose libraries may crash on a broken file.
void ReportCrashesWith(std::string_view line);

// While one exists, the lines go into it instead of stderr (one at a time; the newest wins).
class ReportCapture {
public:
    ReportCapture();
    ~ReportCapture();
    ReportCapture(const ReportCapture&) = delete;
    ReportCapture& operator=(const ReportCapture&) = delete;
    std::string Text() const;

private:
    friend void WriteStderr(std::string_view text);
    ReportCapture* previous_;
    std::string text_;
};

}  // namespace tv
