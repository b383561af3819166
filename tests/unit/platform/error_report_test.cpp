#include "common/error.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "common/binary_io.h"
#include "common/report.h"

namespace tv {
namespace {

// Each way an error names where it happened reads as the messages always have, and keeps
// its parts apart for whoever handles it.
TEST(Error, MessagesNameWhatIsKnown) {
    EXPECT_STREQ(Error("no aircraft system").what(), "no aircraft system");
    EXPECT_EQ(Error("out.png", "cannot create").Message(), "out.png: cannot create");
    const DataError bad("a.3dk", 0, "bone count", "is -1");
    EXPECT_EQ(bad.Message(), "a.3dk: offset 0: bone count: is -1");
    EXPECT_EQ(Error("", 7, "x", "short").Message(), ": offset 7: x: short");  // an unnamed buffer

    const Error inStep = bad.InStep("landscape");
    EXPECT_EQ(inStep.Message(), "start-up step \"landscape\" failed: a.3dk: offset 0: bone count: is -1");
    EXPECT_EQ(inStep.file(), "a.3dk");
    EXPECT_EQ(inStep.field(), "bone count");
    EXPECT_EQ(inStep.reason(), "is -1");
    EXPECT_EQ(Error("no context").InStep("OpenGL").Message(), "start-up step \"OpenGL\" failed: no context");

    // Another exception keeps its text; an Error keeps its parts.
    EXPECT_EQ(AsError(std::logic_error("odd")).Message(), "odd");
    const std::exception& asBase = bad;
    EXPECT_EQ(AsError(asBase).offset(), 0u);
    EXPECT_TRUE(AsError(asBase).hasOffset());
    EXPECT_FALSE(AsError(std::logic_error("odd")).hasOffset());
}

TEST(Error, StatusIsOkOrItsError) {
    const Status ok;
    EXPECT_TRUE(ok.ok());
    EXPECT_EQ(ok.Message(), "");
    EXPECT_EQ(ok.error().Message(), "");  // asked anyway, an empty error rather than a crash
    const Status failed = Error("f", "gone");
    EXPECT_FALSE(failed.ok());
    EXPECT_EQ(failed.Message(), "f: gone");
    EXPECT_EQ(failed.error().file(), "f");
}

// One line per report with the game's prefix (a tool's own, or none); a logged failure writes
// its log line after the stderr line; the readers' warnings come through the same sink.
TEST(Report, LinesGoThroughTheOneSink) {
    ReportCapture capture;
    std::vector<std::string> log;
    Report(Error("gone"));
    const LogLineWriter logLine = [&](std::string_view l) { log.emplace_back(l); };
    Report(Error("x.wav", "short").InStep("sound"), logLine, "False");
    Warn("screenshot s.png");
    ReportAs("terravik-datagen", Error("cannot write d"));
    ReportAs("", DataError("m.3dk", 4, "type", "is 9"));
    WarnData("p.kpr", 8, "colour", "is NaN");
    {
        ReportCapture inner;  // the newest capture takes the lines, then hands back
        Warn("inner");
        EXPECT_EQ(inner.Text(), "terravik: inner\n");
    }
    WriteStderr("usage: x\n");
    EXPECT_EQ(capture.Text(),
              "terravik: gone\n"
              "terravik: start-up step \"sound\" failed: x.wav: short\n"
              "terravik: screenshot s.png\n"
              "terravik-datagen: cannot write d\n"
              "m.3dk: offset 4: type: is 9\n"
              "terravik: warning: p.kpr: offset 8: colour: is NaN\n"
              "usage: x\n");
    EXPECT_EQ(log, std::vector<std::string>{"False"});
}

}  // namespace
}  // namespace tv
