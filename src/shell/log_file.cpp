#include "shell/log_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "common/report.h"
#include "platform/clock.h"
#include "platform/paths.h"
#include "platform/text_encoding.h"

namespace tv {

TLogFile::TLogFile() : msOfDay(LocalMsOfDay) {}

TLogFile::~TLogFile() {
    if (file) std::fclose(file);
}

void LogOpen(TLogFile& log, const std::string& path) {
    if (log.file) {
        std::fclose(log.file);
        log.file = nullptr;
    }
    log.written.clear();
    log.fallback.clear();
    // Not waiting: a FIFO nobody reads fails to open (ENXIO) rather than stopping the start-up.
    // Symbolic links and devices are followed as given (Log_File.txt -> /dev/null turns it off).
    const int fd =
        ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NONBLOCK | O_NOCTTY, 0666);
    if (fd >= 0) {
        const int flags = ::fcntl(fd, F_GETFL);
        if (flags == -1 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0 || !(log.file = ::fdopen(fd, "wb")))
            ::close(fd);
    }
    log.Opened = log.file != nullptr;
    log.Path = log.Opened ? path : std::string();
}

std::string StateLogPathFor(const char* xdgStateHome, const char* home) {
    const std::string folder = StateFolderFor(xdgStateHome, home);
    return folder.empty() ? folder : folder + "/Log_File.txt";
}

namespace {

bool WriteAndFlush(std::FILE* file, const std::string& bytes) {
    return std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size() && std::fflush(file) == 0;
}

void OpenFallback(TLogFile& log, const std::string& fallback) {
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(fallback).parent_path(), ec);
    LogOpen(log, fallback);
}

}  // namespace

Status LogOpenWithFallback(TLogFile& log, const std::string& path, const std::string& fallback) {
    LogOpen(log, path);
    log.fallback = fallback;
    if (log.Opened) return {};
    log.fallback.clear();  // used now, or of no use
    if (!fallback.empty()) {
        OpenFallback(log, fallback);
        if (log.Opened) return Error("cannot write the log " + path + "; it goes to " + fallback);
    }
    return Error("cannot write the log " + path + (fallback.empty() ? "" : " or " + fallback) +
                 "; playing without it");
}

void LogWrite(TLogFile& log, std::string_view text) {
    if (!log.Opened) return;
    const std::string line = FormatLogLine(log.msOfDay(), text);
    if (WriteAndFlush(log.file, line)) {
        log.written += line;
        return;
    }
    // A full disk (or a failing one) costs the log, never the start-up: the lines so far and
    // this one go to the fallback, or nowhere, and stderr says which, once.
    const std::string failed = log.Path;
    const std::string reason = std::strerror(errno);
    const std::string earlier = std::move(log.written);
    const std::string fallback = std::move(log.fallback);
    LogClose(log);
    log.Path.clear();
    std::string note = "cannot write the log " + failed + " (" + reason + ")";
    if (!fallback.empty() && fallback != failed) {
        OpenFallback(log, fallback);
        if (log.Opened && WriteAndFlush(log.file, earlier + line)) {
            log.written = earlier + line;
            Warn(note + "; it goes to " + fallback);
            return;
        }
        LogClose(log);
        log.Path.clear();
        note += " or " + fallback;
    }
    Report(Error(note + "; playing without it"));
}

void LogClose(TLogFile& log) {
    if (!log.Opened) return;
    std::fclose(log.file);
    log.file = nullptr;
    log.Opened = false;
    log.written.clear();
    log.fallback.clear();
}

std::string FormatLogNumber(double value) {
    // printf gives "8.45833333333333E-01"; the field wants four exponent digits and a
    // leading space in place of a plus sign.
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.14E", value < 0 ? -value : value);
    std::string s(buf);
    size_t e = s.find('E');
    std::string mantissa = s.substr(0, e);
    char expSign = s[e + 1];
    int exponent = std::atoi(s.c_str() + e + 2);
    char exp[8];
    std::snprintf(exp, sizeof exp, "%04d", exponent);
    return std::string(value < 0 ? "-" : " ") + mantissa + "E" + expSign + exp;
}

std::string LogTimeField(uint32_t msOfDay) {
    return FormatLogNumber(static_cast<double>(msOfDay) / 86400000.0);
}

std::string FormatLogLine(uint32_t msOfDay, std::string_view utf8Text) {
    return LogTimeField(msOfDay) + "--" + Utf8ToCp1251(utf8Text) + "\r\n";
}

}  // namespace tv
