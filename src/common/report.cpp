#include "common/report.h"

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <mutex>

#include <unistd.h>

namespace tv {
namespace {
std::mutex& SinkMutex() {
    static std::mutex m;
    return m;
}
ReportCapture* capture = nullptr;

// What a crash writes: kept in static storage, written by the signal handler with write()
// alone, which is safe there.
char crashLine[4096];
size_t crashLineLength = 0;

extern "C" void OnCrash(int) {
    ssize_t ignored = write(STDERR_FILENO, crashLine, crashLineLength);
    (void)ignored;
    _exit(1);
}

// One line, written whole: threads (the image prefetch, the sound device) report too.
void Line(std::string_view program, std::string_view text) {
    std::string line(program);
    if (!line.empty()) line += ": ";
    line += text;
    line += '\n';
    WriteStderr(line);
}
}  // namespace

void WriteStderr(std::string_view text) {
    std::lock_guard<std::mutex> lock(SinkMutex());
    if (capture) {
        capture->text_ += text;
        return;
    }
    std::fwrite(text.data(), 1, text.size(), stderr);
    std::fflush(stderr);
}

void Report(const Error& error) { Line("terravik", error.what()); }

void Report(const Error& error, const LogLineWriter& log, std::string_view logLine) {
    Report(error);
    if (log) log(logLine);
}

void Warn(std::string_view text) { Line("terravik", text); }

void ReportAs(std::string_view program, const Error& error) { Line(program, error.what()); }

void ReportCrashesWith(std::string_view line) {
    crashLineLength = std::min(line.size(), sizeof crashLine - 1);
    std::memcpy(crashLine, line.data(), crashLineLength);
    if (crashLineLength == 0 || crashLine[crashLineLength - 1] != '\n') crashLine[crashLineLength++] = '\n';
    for (int sig : {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT}) std::signal(sig, OnCrash);
}

ReportCapture::ReportCapture() {
    std::lock_guard<std::mutex> lock(SinkMutex());
    previous_ = capture;
    capture = this;
}

ReportCapture::~ReportCapture() {
    std::lock_guard<std::mutex> lock(SinkMutex());
    capture = previous_;
}

std::string ReportCapture::Text() const {
    std::lock_guard<std::mutex> lock(SinkMutex());
    return text_;
}

}  // namespace tv
