// Recorded input (text format, the recording and replaying devices) and the state snapshot's
// hash and JSON.

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <limits>

#include "fakes.h"
#include "platform/text_encoding.h"
#include "shell/controls.h"
#include "shell/replay.h"
#include "shell/run_options.h"
#include "shell/state_dump.h"

namespace tv::test {
namespace {

// The outcome as a bool, its message (empty when it worked) in `error`.
bool Parsed(const Status& status, std::string& error) {
    error = status.Message();
    return status.ok();
}

TEST(Recording, FramesSurviveTheTextFormat) {
    InputRecording rec;
    InputFrame busy;
    busy.frameMs = 4000000;  // the start-up's long frame
    busy.messages = {{WindowMessageKind::Click, kButton4}, {WindowMessageKind::MouseDown, 2},
                     {WindowMessageKind::MouseUp, 0},      {WindowMessageKind::WheelDown, 0},
                     {WindowMessageKind::WheelUp, 0},      {WindowMessageKind::Click, kButton7}};
    busy.mouse.lX = -2147483647 - 1;
    busy.mouse.lY = 17;
    busy.mouse.lZ = -120;
    busy.mouse.rgbButtons[0] = kDown;
    busy.mouse.rgbButtons[3] = 1;
    busy.keys = {{0, 5}, {kKeyEscape, kDown}, {kKey2, 0x81}, {255, kDown}};
    InputFrame idle;
    idle.frameMs = 16;

    const std::string text = FormatRecordingHeader(1024, 768) + "# a comment\n\n" + FormatInputFrame(busy) +
                             FormatInputFrame(idle) + FormatInputFrame(busy);
    std::string error;
    ASSERT_TRUE(Parsed(ParseRecording(text, rec), error)) << error;
    EXPECT_EQ(rec.width, 1024);
    EXPECT_EQ(rec.height, 768);
    ASSERT_EQ(rec.frames.size(), 3u);
    for (size_t i : {0u, 2u}) {
        const InputFrame& f = rec.frames[i];
        EXPECT_EQ(f.frameMs, busy.frameMs);
        EXPECT_EQ(f.messages, busy.messages);
        EXPECT_EQ(f.mouse.lX, busy.mouse.lX);
        EXPECT_EQ(f.mouse.lY, 17);
        EXPECT_EQ(f.mouse.lZ, -120);
        for (int b = 0; b < 4; ++b) EXPECT_EQ(f.mouse.rgbButtons[b], busy.mouse.rgbButtons[b]);
        EXPECT_EQ(f.keys, busy.keys);
    }
    EXPECT_TRUE(rec.frames[1].messages.empty());
    EXPECT_EQ(rec.frames[1].mouse.lX, 0);
    EXPECT_TRUE(rec.frames[1].keys.empty());
}

TEST(Recording, CheckpointsSurviveTheTextAndTheFirstMismatchIsReported) {
    std::string text = FormatRecordingHeader(800, 600);
    InputFrame f;
    f.frameMs = 16;
    for (int64_t n = 1; n <= 130; ++n) {
        text += FormatInputFrame(f);
        if (n % kCheckpointFrames == 0) text += FormatCheckpoint({n, 0xfedcba9876543210ull + static_cast<uint64_t>(n)});
    }
    InputRecording rec;
    std::string error;
    ASSERT_TRUE(Parsed(ParseRecording(text, rec), error)) << error;
    EXPECT_EQ(rec.version, 2);
    EXPECT_EQ(rec.frames.size(), 130u);
    const std::vector<ReplayCheckpoint> expected = {{60, 0xfedcba987654324cull}, {120, 0xfedcba9876543288ull}};
    EXPECT_EQ(rec.checkpoints, expected);
    EXPECT_NE(text.find("\nhash 60 fedcba987654324c\n"), std::string::npos);

    CheckpointChecker checker(&rec.checkpoints);
    int hashed = 0;
    for (int64_t n = 1; n < 120; ++n)
        EXPECT_EQ(
            checker.Check(n, [&] { return ++hashed, 0xfedcba9876543210ull + static_cast<uint64_t>(n); }).Message(),
            "");
    EXPECT_EQ(hashed, 1);  // only at frame 60
    EXPECT_EQ(checker.Check(120, [] { return uint64_t{0x1f}; }).Message(),
              "replay diverged at frame 120: expected fedcba9876543288, got 000000000000001f");
    // A version-1 file has no checkpoints and nothing to compare.
    ASSERT_TRUE(Parsed(ParseRecording("terravik-input 1\nwindow 800 600\nf 16\n", rec), error)) << error;
    EXPECT_TRUE(rec.checkpoints.empty());
    EXPECT_EQ(CheckpointChecker(&rec.checkpoints).Check(1, [] { return uint64_t{1}; }).Message(), "");
}

TEST(Recording, MalformedTextIsRefusedNamingTheLine) {
    const std::string head = "terravik-input 1\nwindow 1024 768\n";
    const std::string head2 = "terravik-input 2\nwindow 1024 768\n";
    struct Case {
        std::string text;
        std::string line;
    };
    for (const Case& c : std::vector<Case>{{"", "header"},
                                           {"hello\n", "line 1"},
                                           {"terravik-input 3\nwindow 1 1\n", "line 1"},
                                           {"terravik-input 0\nwindow 1 1\n", "line 1"},
                                           // Checkpoints: version 2 only, after the frame they
                                           // name, once per frame, 16 hex digits.
                                           {head + "f 16\nhash 1 0123456789abcdef\n", "line 4"},
                                           {head2 + "hash 1 0123456789abcdef\n", "line 3"},
                                           {head2 + "f 16\nhash 2 0123456789abcdef\n", "line 4"},
                                           {head2 + "f 16\nhash 1 0123456789abcdef\nhash 1 0123456789abcdef\n", "line 5"},
                                           {head2 + "f 16\nhash 1 0123456789abcde\n", "line 4"},
                                           {head2 + "f 16\nhash 1 0123456789abcdeg\n", "line 4"},
                                           {head2 + "f 16\nhash 1\n", "line 4"},
                                           {"terravik-input 1\nf 16\n", "line 2"},
                                           {"terravik-input 1\nwindow 0 768\n", "line 2"},
                                           {head + "f\n", "line 3"},
                                           {head + "f -1\n", "line 3"},
                                           {head + "f 16 m 1 2 3 0 0 0\n", "line 3"},
                                           {head + "f 16 m 1 2 3 0 0 0 256\n", "line 3"},
                                           {head + "f 16 k 256\n", "line 3"},
                                           {head + "f 16 k 3=x\n", "line 3"},
                                           {head + "f 16 z\n", "line 3"},
                                           {head + "f 16\nclick label\n", "line 4"},
                                           {head + "down left right\n", "line 3"},
                                           {head + "wheel sideways\n", "line 3"},
                                           {head + "jump\n", "line 3"},
                                           // Terminal controls and a long binary word are
                                           // echoed escaped and cut short.
                                           {head + "\x1b[2J\x07\xff\n", "line 3"},
                                           {head + "f 16 k " + std::string(5000, '\x01') + "\n", "line 3"}}) {
        InputRecording rec;
        std::string error;
        EXPECT_FALSE(Parsed(ParseRecording(c.text, rec), error)) << c.text;
        EXPECT_NE(error.find(c.line), std::string::npos) << c.text << " -> " << error;
        EXPECT_EQ(EscapeForMessage(error, error.size()), error) << "raw bytes in: " << error;
        EXPECT_LT(error.size(), 300u);
    }
}

TEST(Recording, CostIsBoundedByTheTextAndRefusedPastTheCaps) {
    const std::string head = "terravik-input 1\nwindow 1024 768\n";
    std::string error;
    // Every frame line costs a few times its bytes, not an InputFrame of its own.
    std::string text = head;
    for (int i = 0; i < 100000; ++i) text += i % 3 ? "f 16\n" : "up\nf 4 k 1 2\n";
    InputRecording rec;
    ASSERT_TRUE(Parsed(ParseRecording(text, rec), error)) << error;
    ASSERT_EQ(rec.frames.size(), 100000u);
    EXPECT_LE(rec.frames.StoredBytes(), 8 * text.size());
    EXPECT_EQ(rec.frames[99999].keys.size(), 2u);
    EXPECT_EQ(rec.frames[99999].messages.size(), 1u);
    EXPECT_TRUE(rec.frames[99998].keys.empty());

    // Past the storage cap, refused at the line that passes it.
    const size_t framesToCap = kMaxRecordingStoredBytes / 28;
    std::string huge = head;
    huge.reserve(huge.size() + 4 * (framesToCap + 10));
    for (size_t i = 0; i < framesToCap + 10; ++i) huge += "f 0\n";
    EXPECT_FALSE(Parsed(ParseRecording(huge, rec), error));
    EXPECT_NE(error.find("line " + std::to_string(3 + framesToCap)), std::string::npos) << error;
    EXPECT_NE(error.find("MB of input"), std::string::npos) << error;

    // "click more" as often as --waves allows, and no more.
    std::string clicks = head;
    for (int64_t i = 0; i < kMaxWaves; ++i) clicks += "click more\n";
    EXPECT_TRUE(Parsed(ParseRecording(clicks + "f 16\n", rec), error)) << error;
    EXPECT_FALSE(Parsed(ParseRecording(clicks + "f 16\nclick more\n", rec), error));
    EXPECT_NE(error.find("line " + std::to_string(kMaxWaves + 4)), std::string::npos) << error;

    // The window within the settings' range.
    for (const char* window : {"window 16385 768", "window 1024 16385", "window 639 480", "window 640 479"}) {
        EXPECT_FALSE(Parsed(ParseRecording(std::string("terravik-input 1\n") + window + "\n", rec), error))
            << window;
        EXPECT_NE(error.find("line 2"), std::string::npos) << error;
    }
    EXPECT_TRUE(Parsed(ParseRecording("terravik-input 1\nwindow 640 480\n", rec), error)) << error;
}

// The file is read a piece at a time: lines across its pieces parse as the whole text does,
// and the caps refuse at the same line; what is no regular file is refused without a wait.
TEST(Recording, FileIsReadAsAStreamWithTheSameCaps) {
    namespace fs = std::filesystem;
    const fs::path dir = fs::path(TERRAVIK_TEST_TMP) / "recording-stream";
    fs::remove_all(dir);
    fs::create_directories(dir);
    auto write = [&](const std::string& name, const std::string& text) {
        std::ofstream(dir / name, std::ios::binary) << text;
        return (dir / name).string();
    };
    std::string text = FormatRecordingHeader(1024, 768);
    for (int i = 0; i < 30000; ++i) text += i % 3 ? "f 16\n" : "click start\nf 4 m 1 -2 3 0 128 0 0 k 1 200=7\n";
    text += "hash 30000 00000000000000ab";  // the last line without its '\n'
    InputRecording fromText, fromFile;
    std::string error;
    ASSERT_TRUE(Parsed(ParseRecording(text, fromText), error)) << error;
    ASSERT_TRUE(Parsed(ReadRecordingFile(write("many.rec", text), fromFile), error)) << error;
    ASSERT_EQ(fromFile.frames.size(), fromText.frames.size());
    for (size_t i : {size_t{0}, size_t{1}, size_t{12345}, size_t{29999}}) {
        EXPECT_EQ(fromFile.frames[i].frameMs, fromText.frames[i].frameMs);
        EXPECT_EQ(fromFile.frames[i].messages, fromText.frames[i].messages);
        EXPECT_EQ(fromFile.frames[i].keys, fromText.frames[i].keys);
        EXPECT_EQ(fromFile.frames[i].mouse.lY, fromText.frames[i].mouse.lY);
    }
    EXPECT_EQ(fromFile.checkpoints, fromText.checkpoints);

    const size_t framesToCap = kMaxRecordingStoredBytes / 28;
    std::string huge = "terravik-input 1\nwindow 1024 768\n";
    for (size_t i = 0; i < framesToCap + 10; ++i) huge += "f 0\n";
    EXPECT_FALSE(Parsed(ReadRecordingFile(write("huge.rec", huge), fromFile), error));
    EXPECT_NE(error.find("huge.rec: line " + std::to_string(3 + framesToCap) + ": "), std::string::npos) << error;

    // One endless line is refused once it passes the longest a line may be.
    EXPECT_FALSE(Parsed(ReadRecordingFile(write("long.rec", "terravik-input 1\nwindow 1024 768\nf 1 k" +
                                                        std::string(kMaxRecordingLineBytes * 3, ' ')),
                                   fromFile), error));
    EXPECT_NE(error.find("line 3: longer than"), std::string::npos) << error;

    ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0600), 0);
    EXPECT_FALSE(Parsed(ReadRecordingFile((dir / "fifo").string(), fromFile), error));
    EXPECT_NE(error.find("not a regular file"), std::string::npos) << error;
    EXPECT_FALSE(Parsed(ReadRecordingFile(dir.string(), fromFile), error));
    EXPECT_NE(error.find("is a directory"), std::string::npos) << error;
    EXPECT_FALSE(Parsed(ReadRecordingFile((dir / "missing.rec").string(), fromFile), error));
    fs::remove_all(dir);
}

TEST(Recording, ReplayedReadsTurnTheCameraAsTheRecordedOnesDid) {
    // Record three frames of reads from the (fake) devices, then play them into a fresh game.
    FakeGame live;
    RecordingInput recorder(live.input);
    live.game.platform.input = &recorder;
    recorder.InitKeyboard();
    recorder.InitMouse();
    std::vector<InputFrame> frames;
    const int moves[3][2] = {{25, -40}, {0, 0}, {-300, 7}};
    for (auto [dx, dy] : moves) {
        live.input.next.lX = dx;
        live.input.next.lY = dy;
        live.input.keys.fill(0);
        live.input.keys[kKey2] = kDown;
        ProcessInput(live.game);
        frames.push_back(recorder.Frame());
        recorder.Frame() = InputFrame{};
    }
    // A failed read records zeros, which is what the game then works with.
    live.input.mouseReadFails = true;
    live.input.next.lX = 99;
    ProcessInput(live.game);
    frames.push_back(recorder.Frame());
    EXPECT_EQ(frames.back().mouse.lX, 0);

    std::string text = FormatRecordingHeader(640, 480);
    for (const InputFrame& f : frames) text += FormatInputFrame(f);
    InputRecording rec;
    std::string error;
    ASSERT_TRUE(Parsed(ParseRecording(text, rec), error)) << error;

    FakeGame replayed;
    ReplayInput replay;
    replayed.game.platform.input = &replay;
    replay.InitKeyboard();
    replay.InitMouse();
    for (size_t i = 0; i < rec.frames.size(); ++i) {
        replay.SetFrame(&rec.frames[i]);
        ProcessInput(replayed.game);
        EXPECT_EQ(replayed.game.keys[kKey2], kDown);
    }
    EXPECT_NE(live.game.Camera.Yaw, 0.0f);
    EXPECT_EQ(replayed.game.Camera.Yaw, live.game.Camera.Yaw);
    EXPECT_EQ(replayed.game.Camera.Pitch, live.game.Camera.Pitch);
}

GameStateSnapshot SampleState() {
    GameStateSnapshot s;
    s.frame = 300;
    s.tick = 3604800;
    s.kills = 2;
    s.turret = TurretSnapshot{45.0f, -10.0f, 990.5f, 14998, 0.25f, 2, 1};
    AircraftSnapshot a;
    a.kind = 1;
    a.position = {1.0f, 2.0f, 3.0f};
    a.hitPoints = 0.5f;
    a.state = 1;
    s.aircraft = {a, a};
    s.aircraft[1].kind = 4;
    s.turretShells = 3;
    s.particles = {10, 0};
    s.randomSeed = 12345;
    return s;
}

TEST(StateHash, EveryPartOfTheStateCounts) {
    const GameStateSnapshot base = SampleState();
    const uint64_t h = StateHash(base);
    EXPECT_EQ(StateHash(SampleState()), h);
    std::vector<GameStateSnapshot> changed(9, base);
    changed[0].frame += 1;
    changed[1].turret->laserPower = std::nextafter(0.25f, 1.0f);  // the least bit of a float
    changed[2].turret.reset();
    std::swap(changed[3].aircraft[0], changed[3].aircraft[1]);  // list order
    changed[4].aircraft[1].waypoint.z = 1.0f;
    changed[5].particles = {0, 10};
    changed[6].particles.push_back(0);
    changed[7].randomSeed += 1;
    changed[8].aircraft[0].reload = -0.0f;  // bit patterns, not values
    for (size_t i = 0; i < changed.size(); ++i) EXPECT_NE(StateHash(changed[i]), h) << "change " << i;
    EXPECT_EQ(HashHex(0x00ab0000000000cdull), "00ab0000000000cd");
}

TEST(StateJson, HoldsTheFieldsAndWritesNonFiniteAsNull) {
    GameStateSnapshot s = SampleState();
    s.aircraft[0].position.x = std::numeric_limits<float>::quiet_NaN();
    s.aircraft[0].speed = 0.1f;
    const std::string json = StateJson(s);
    for (const char* field :
         {"{\"frame\":300,\"tick\":3604800,\"kills\":2,\"turret\":{\"yaw\":45,\"pitch\":-10,\"life\":990.5,"
          "\"shells\":14998,\"laser_power\":0.25,\"weapon\":2,\"laser_on\":1},\"aircraft\":[{\"kind\":1,",
          "\"position\":[null,2,3]", "\"speed\":0.100000001", "\"hit_points\":0.5", "\"prev_state\":0",
          "\"waypoint\":[0,0,0]", "\"reload\":0}", "{\"kind\":4,",
          "],\"turret_shells\":3,\"aircraft_shots\":0,\"fragments\":0,\"particles\":[10,0],\"random_seed\":12345,"})
        EXPECT_NE(json.find(field), std::string::npos) << field << " in " << json;
    EXPECT_NE(json.find("\"state_hash\":\"" + HashHex(StateHash(s)) + "\"}"), std::string::npos);

    s.turret.reset();
    s.aircraft.clear();
    EXPECT_NE(StateJson(s).find("\"turret\":null,\"aircraft\":[],"), std::string::npos);
}

}  // namespace
}  // namespace tv::test
