// Writes that fail half-way (a full disk, here a file size limit; a rename the folder refuses):
// nothing is left behind and a file already there survives. Each write runs in a child
// process with RLIMIT_FSIZE, past which every write fails with EFBIG as it would with ENOSPC.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>

#include "common/atomic_file.h"
#include "render/png_file.h"
#include "shell/replay.h"
#include "shell/settings.h"

namespace tv {
namespace {

namespace fs = std::filesystem;

// True when `write` reported its failure (returned true) in a child allowed `limit` bytes a file.
bool FailsUnderFileLimit(rlim_t limit, const std::function<bool()>& write) {
    const pid_t child = ::fork();
    if (child == 0) {
        ::signal(SIGXFSZ, SIG_IGN);  // a write past the limit then fails instead of killing
        const rlimit lim{limit, limit};
        ::setrlimit(RLIMIT_FSIZE, &lim);
        ::_exit(write() ? 0 : 1);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

std::string ReadAll(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

std::vector<std::string> Names(const fs::path& dir) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

TEST(AtomicWrites, AFailedWriteLeavesNothingAndKeepsTheOldFile) {
    const fs::path dir = fs::path(TERRAVIK_TEST_TMP) / "atomic-writes";
    fs::remove_all(dir);
    fs::create_directories(dir);
    for (const char* name : {"state.json", "run.rec", "shot.png"}) std::ofstream(dir / name) << "old";
    const std::string big(64 * 1024, 'x');

    // The state dump's writer: the error names the file and the reason.
    EXPECT_TRUE(FailsUnderFileLimit(4096, [&] {
        const std::string error = WriteFileAtomically((dir / "state.json").string(), big).Message();
        return error == "cannot write " + (dir / "state.json").string() + ": File too large";
    }));
    // A recording stops reaching the disk part-way through the run.
    EXPECT_TRUE(FailsUnderFileLimit(4096, [&] {
        RecordingWriter w;
        if (!w.Open((dir / "run.rec").string(), 1024, 768)) return false;
        InputFrame frame;
        frame.frameMs = 16;
        for (int i = 0; i < 1000; ++i) w.Write(frame);
        return !w.Close() && w.status().Message().find("File too large") != std::string::npos;
    }));
    // A screenshot of noise, which no compression brings under the limit.
    EXPECT_TRUE(FailsUnderFileLimit(4096, [&] {
        std::vector<uint8_t> noise(128 * 128 * 4);
        uint32_t x = 12345;
        for (uint8_t& b : noise) b = static_cast<uint8_t>((x = x * 1103515245u + 12345u) >> 24);
        return !WriteRgbaPng((dir / "shot.png").string(), 128, 128, noise.data(), RowOrder::TopDown);
    }));
    // --write-config into a new folder.
    EXPECT_TRUE(FailsUnderFileLimit(64, [&] {
        return !WriteDefaultSettings((dir / "cfg/settings.ini").string()).ok();
    }));
    // A rename the target refuses (a folder of that name is there).
    fs::create_directories(dir / "taken" / "inside");
    EXPECT_NE(WriteFileAtomically((dir / "taken").string(), "new").Message(), "");

    for (const char* name : {"state.json", "run.rec", "shot.png"})
        EXPECT_TRUE(ReadAll(dir / name) == "old") << name << " was not kept";
    EXPECT_EQ(Names(dir), (std::vector<std::string>{"cfg", "run.rec", "shot.png", "state.json", "taken"}));
    EXPECT_TRUE(fs::is_empty(dir / "cfg"));
    EXPECT_EQ(Names(dir / "taken"), std::vector<std::string>{"inside"});

    // Without the limit the same writes replace the old files whole.
    EXPECT_EQ(WriteFileAtomically((dir / "state.json").string(), big).Message(), "");
    EXPECT_EQ(ReadAll(dir / "state.json"), big);
    RecordingWriter w;
    ASSERT_TRUE(w.Open((dir / "run.rec").string(), 1024, 768));
    EXPECT_TRUE(w.Close()) << w.status().Message();
    EXPECT_EQ(ReadAll(dir / "run.rec"), FormatRecordingHeader(1024, 768));
    EXPECT_EQ(Names(dir), (std::vector<std::string>{"cfg", "run.rec", "shot.png", "state.json", "taken"}));
}

}  // namespace
}  // namespace tv
