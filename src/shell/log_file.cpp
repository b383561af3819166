#include "shell/log_file.h"

#include <cstdlib>
#include <filesystem>
#include <stdexcept>

#include "platform/clock.h"
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
    log.file = std::fopen(path.c_str(), "wb");
    log.Opened = log.file != nullptr;
    log.Path = log.Opened ? path : std::string();
}

std::string StateLogPathFor(const char* xdgStateHome, const char* home) {
    if (xdgStateHome && xdgStateHome[0] == '/') return std::string(xdgStateHome) + "/terravik/Log_File.txt";
    if (home && home[0] == '/') return std::string(home) + "/.local/state/terravik/Log_File.txt";
    return {};
}

std::string LogOpenWithFallback(TLogFile& log, const std::string& path, const std::string& fallback) {
    LogOpen(log, path);
    if (log.Opened) return {};
    if (!fallback.empty()) {
        std::error_code ec;
        std::filesystem::create_directories(std::filesystem::path(fallback).parent_path(), ec);
        LogOpen(log, fallback);
        if (log.Opened) return "cannot write the log " + path + "; it goes to " + fallback;
    }
    return "cannot write the log " + path + (fallback.empty() ? "" : " or " + fallback) +
           "; playing without it";
}

void LogWrite(TLogFile& log, std::string_view text) {
    if (!log.Opened) return;
    std::string line = FormatLogLine(log.msOfDay(), text);
    if (std::fwrite(line.data(), 1, line.size(), log.file) != line.size() || std::fflush(log.file) != 0) {
        throw std::runtime_error("log file write failed");
    }
}

void LogClose(TLogFile& log) {
    if (!log.Opened) return;
    std::fclose(log.file);
    log.file = nullptr;
    log.Opened = false;
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
