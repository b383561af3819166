#include "shell/log_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace tv {
namespace {

uint32_t At(int h, int m, int s, int ms) { return ((h * 60 + m) * 60 + s) * 1000 + ms; }

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

std::string Scratch(const std::string& name) {
    auto dir = std::filesystem::path(TERRAVIK_TEST_TMP) / name;
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    return dir.string();
}

TEST(LogTimeField, FractionOfTheDayInTheFixedScientificField) {
    EXPECT_EQ(LogTimeField(At(20, 18, 0, 0)), " 8.45833333333333E-0001");
    EXPECT_EQ(LogTimeField(0), " 0.00000000000000E+0000");
    EXPECT_EQ(LogTimeField(At(12, 0, 0, 0)), " 5.00000000000000E-0001");
    EXPECT_EQ(LogTimeField(At(0, 0, 0, 1)), " 1.15740740740741E-0008");
    EXPECT_EQ(LogTimeField(At(23, 59, 59, 999)), " 9.99999988425926E-0001");
    EXPECT_EQ(LogTimeField(At(2, 24, 0, 0)), " 1.00000000000000E-0001");
    for (uint32_t ms : {0u, 1u, 999u, 86399999u, At(7, 3, 9, 5)}) {
        EXPECT_EQ(LogTimeField(ms).size(), 23u) << ms;
    }
    EXPECT_EQ(FormatLogNumber(-0.25), "-2.50000000000000E-0001");
}

TEST(LogFile, LinesAreCp1251WithCrLfAndATimeStamp) {
    std::string path = Scratch("log_lines") + "/Log_File.txt";
    TLogFile log;
    log.msOfDay = [] { return At(20, 18, 0, 0); };
    LogOpen(log, path);
    ASSERT_TRUE(log.Opened);
    LogWrite(log, "иницилизация opengl ОК");
    LogWrite(log, "Load file ogg OK");
    LogClose(log);
    EXPECT_FALSE(log.Opened);
    LogWrite(log, "after close");  // skipped silently

    const std::string expected = std::string(" 8.45833333333333E-0001--") +
                                 "\xE8\xED\xE8\xF6\xE8\xEB\xE8\xE7\xE0\xF6\xE8\xFF opengl \xCE\xCA\r\n" +
                                 " 8.45833333333333E-0001--Load file ogg OK\r\n";
    EXPECT_EQ(ReadAll(path), expected);
}

TEST(LogFile, ASecondStartOverwritesThePreviousLog) {
    std::string path = Scratch("log_overwrite") + "/Log_File.txt";
    for (int run = 0; run < 2; ++run) {
        TLogFile log;
        log.msOfDay = [] { return 0u; };
        LogOpen(log, path);
        LogWrite(log, run == 0 ? "first run, a long line" : "second");
        LogClose(log);
    }
    EXPECT_EQ(ReadAll(path), " 0.00000000000000E+0000--second\r\n");
}

TEST(LogFile, AnUncreatableFileLeavesNoLogAndNoError) {
    std::string dir = Scratch("log_uncreatable");
    // A directory where the file should be cannot be opened for writing, even by root.
    std::filesystem::create_directory(dir + "/Log_File.txt");
    TLogFile log;
    LogOpen(log, dir + "/Log_File.txt");
    EXPECT_FALSE(log.Opened);
    EXPECT_NO_THROW(LogWrite(log, "ignored"));
    EXPECT_NO_THROW(LogClose(log));

    LogOpen(log, dir + "/missing-folder/Log_File.txt");
    EXPECT_FALSE(log.Opened);
}

TEST(LogFile, AnUnwritableDataFolderSendsTheLogToTheStateFolder) {
    EXPECT_EQ(StateLogPathFor("/s", "/h"), "/s/terravik/Log_File.txt");
    EXPECT_EQ(StateLogPathFor(nullptr, "/h"), "/h/.local/state/terravik/Log_File.txt");
    EXPECT_EQ(StateLogPathFor("", "/h"), "/h/.local/state/terravik/Log_File.txt");
    EXPECT_EQ(StateLogPathFor("relative", "/h"), "/h/.local/state/terravik/Log_File.txt");
    EXPECT_EQ(StateLogPathFor(nullptr, nullptr), "");

    std::string dir = Scratch("log_fallback");
    std::filesystem::create_directory(dir + "/Log_File.txt");  // not openable, even by root
    const std::string fallback = dir + "/state/terravik/Log_File.txt";
    TLogFile log;
    log.msOfDay = [] { return 0u; };
    std::string note = LogOpenWithFallback(log, dir + "/Log_File.txt", fallback).Message();
    ASSERT_TRUE(log.Opened);
    EXPECT_EQ(log.Path, fallback);
    EXPECT_NE(note.find(fallback), std::string::npos) << note;
    LogWrite(log, "ok");
    LogClose(log);
    EXPECT_EQ(ReadAll(fallback), " 0.00000000000000E+0000--ok\r\n");
    EXPECT_EQ(log.Path, fallback);  // still known after closing, for the question's hint

    // A writable data folder keeps the log and says nothing.
    EXPECT_EQ(LogOpenWithFallback(log, dir + "/state/Log_File.txt", fallback).Message(), "");
    EXPECT_EQ(log.Path, dir + "/state/Log_File.txt");
    LogClose(log);

    // Neither place works: no log, and the player hears about it.
    std::ofstream(dir + "/a-file") << "x";  // no folder can be made under a file
    note = LogOpenWithFallback(log, dir + "/Log_File.txt", dir + "/a-file/x/Log_File.txt").Message();
    EXPECT_FALSE(log.Opened);
    EXPECT_TRUE(log.Path.empty());
    EXPECT_NE(note.find("without it"), std::string::npos) << note;
}

// A full disk under the data folder: the log moves to the fallback with every line so far,
// or, with no fallback that works, goes quiet; one stderr line each time, and nothing throws.
TEST(LogFile, AFailedWriteMovesTheLogToTheFallbackOrDropsIt) {
    struct stat st {};
    if (stat("/dev/full", &st) != 0) GTEST_SKIP() << "no /dev/full";
    std::string dir = Scratch("log_full");
    std::filesystem::create_symlink("/dev/full", dir + "/Log_File.txt");
    const std::string fallback = dir + "/state/terravik/Log_File.txt";
    TLogFile log;
    log.msOfDay = [] { return 0u; };
    EXPECT_EQ(LogOpenWithFallback(log, dir + "/Log_File.txt", fallback).Message(), "");  // the open works
    testing::internal::CaptureStderr();
    EXPECT_NO_THROW(LogWrite(log, "one"));
    EXPECT_NO_THROW(LogWrite(log, "two"));
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(err, "terravik: cannot write the log " + dir +
                       "/Log_File.txt (No space left on device); it goes to " + fallback + "\n");
    EXPECT_EQ(log.Path, fallback);
    LogClose(log);
    EXPECT_EQ(ReadAll(fallback), " 0.00000000000000E+0000--one\r\n 0.00000000000000E+0000--two\r\n");

    // No fallback: the log is dropped, once, and the path is forgotten.
    LogOpen(log, "/dev/full");
    testing::internal::CaptureStderr();
    EXPECT_NO_THROW(LogWrite(log, "lost"));
    EXPECT_NO_THROW(LogWrite(log, "lost too"));
    err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(err,
              "terravik: cannot write the log /dev/full (No space left on device); playing without it\n");
    EXPECT_FALSE(log.Opened);
    EXPECT_TRUE(log.Path.empty());
}

}  // namespace
}  // namespace tv
