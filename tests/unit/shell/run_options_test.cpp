#include "shell/run_options.h"

#include <gtest/gtest.h>

namespace tv {
namespace {

TEST(RunOptions, AllOptions) {
    RunOptions o;
    EXPECT_EQ(ParseRunOptions({}, o).Message(), "");
    EXPECT_EQ(o.frames, -1);
    EXPECT_EQ(o.frameMs, -1);
    EXPECT_EQ(o.windowedWidth, 0);

    EXPECT_EQ(ParseRunOptions({"--data-dir", "/d", "--windowed", "800x600", "--autostart", "--frames", "600",
                               "--frame-ms", "0", "--screenshot", "out.png", "--waves", "20", "--draw-parts"},
                              o).Message(),
              "");
    EXPECT_EQ(o.dataDir, "/d");
    EXPECT_EQ(o.windowedWidth, 800);
    EXPECT_EQ(o.windowedHeight, 600);
    EXPECT_TRUE(o.autostart);
    EXPECT_EQ(o.frames, 600);
    EXPECT_EQ(o.frameMs, 0);
    EXPECT_EQ(o.screenshot, "out.png");
    EXPECT_EQ(o.waves, 20);
    EXPECT_TRUE(o.drawParts);

    // Start up, dump and leave without a frame.
    RunOptions d;
    EXPECT_EQ(
        ParseRunOptions({"--autostart", "--frames", "0", "--dump-state", "s.json", "--record", "r.txt"}, d).Message(),
        "");
    EXPECT_EQ(d.frames, 0);
    EXPECT_EQ(d.dumpState, "s.json");
    EXPECT_EQ(d.record, "r.txt");

    // Headless: a replay as it is, a timed run that presses "Старт" itself.
    RunOptions h;
    EXPECT_EQ(ParseRunOptions({"--headless", "--replay", "r.txt", "--record", "again.txt"}, h).Message(), "");
    EXPECT_TRUE(h.headless);
    EXPECT_FALSE(h.autostart);
    RunOptions t;
    EXPECT_EQ(ParseRunOptions({"--headless", "--frames", "300", "--frame-ms", "16", "--waves", "2"}, t).Message(),
              "");
    EXPECT_TRUE(t.autostart);
    EXPECT_EQ(t.frames, 300);
}

// The settings' mods come first, so every --mod wins over them, the last one over the rest.
TEST(RunOptions, ModsRepeatAfterTheSettingsMods) {
    RunOptions o;
    EXPECT_TRUE(ParseRunOptions({"--mod", "a", "--check-data", "--mod", "b c"}, o).ok());
    EXPECT_TRUE(o.checkData);
    EXPECT_EQ(ModFolders(":/s/one::two:", o.mods), (std::vector<std::string>{"/s/one", "two", "a", "b c"}));
    EXPECT_EQ(ModFolders("", {}), std::vector<std::string>{});
    EXPECT_FALSE(ParseRunOptions({"--mod"}, o).ok());
    EXPECT_FALSE(ParseRunOptions({"--mod", ""}, o).ok());
}

TEST(RunOptions, BadValuesAreRefusedWithAMessage) {
    for (auto args : std::vector<std::vector<std::string>>{{"--frames"},
                                                           {"--frames", "0"},
                                                           {"--frames", "12x"},
                                                           {"--frame-ms", "-1"},
                                                           {"--windowed", "800"},
                                                           {"--windowed", "0x600"},
                                                           {"--windowed", "800x"},
                                                           {"--windowed", "10x10"},
                                                           {"--windowed", "639x480"},
                                                           {"--windowed", "16385x800"},
                                                           {"--data-dir"},
                                                           {"--waves", "-1"},
                                                           {"--waves", "1001"},
                                                           {"--dump-state"},
                                                           {"--replay", "r.txt", "--frame-ms", "16"},
                                                           {"--replay", "r.txt", "--autostart"},
                                                           {"--headless"},
                                                           {"--headless", "--frames", "10"},
                                                           {"--headless", "--frame-ms", "16"},
                                                           {"--headless", "--replay", "r.txt", "--screenshot", "f.png"},
                                                           {"--draw-parts"},
                                                           {"--headless", "--frames", "9", "--frame-ms", "16", "--draw-parts"},
                                                           {"--fullscreen"}}) {
        RunOptions o;
        EXPECT_NE(ParseRunOptions(args, o).Message(), "") << args[0];
    }
}

TEST(FrameStats, ReportAndNearestRankPercentile) {
    FrameStats s;
    for (int i = 1; i <= 200; ++i) s.Add(i);  // 1..200 ms
    EXPECT_EQ(s.Percentile(99), 198.0);
    EXPECT_EQ(s.Percentile(100), 200.0);
    EXPECT_EQ(s.Report(2.5), "200 frames in 2.50 s: avg 100.50 ms, min 1.00 ms, max 200.00 ms, p99 198.00 ms");

    FrameStats one;
    one.Add(7.25);
    EXPECT_EQ(one.Percentile(99), 7.25);
    EXPECT_EQ(FrameStats().Report(0), "0 frames in 0.00 s: avg 0.00 ms, min 0.00 ms, max 0.00 ms, p99 0.00 ms");
}

}  // namespace
}  // namespace tv
