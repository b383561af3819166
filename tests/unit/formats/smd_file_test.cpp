#include "models/smd_file.h"

#include <gtest/gtest.h>

#include <limits>

#include "common/binary_io.h"

namespace tv {
namespace {

std::vector<uint8_t> Bytes(const std::string& s) {
    return {s.begin(), s.end()};
}

TEST(SmdText, ParseFloatDefaultAcceptsOnlyPlainDecimals) {
    struct Case {
        const char* text;
        float expected;
    };
    const Case cases[] = {
        {"1.5", 1.5f},    {"1,5", 1.5f},        {"  1.5  ", 1.5f}, {"-0.25", -0.25f},
        {"+3", 3.0f},     {"1 000.5", 1000.5f}, {"42", 42.0f},     {"\t7.25\r", 7.25f},
        {"1e-5", -9.0f},  {"3-", -9.0f},        {"1.0 5", -9.0f},  {"1.2.3", -9.0f},
        {"1.2,3", -9.0f}, {"abc", -9.0f},       {"", 0.0f},        {".5", 0.5f},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ParseFloatDefault(c.text, -9.0f), c.expected) << '"' << c.text << '"';
}

TEST(SmdText, NthWordSplitsOnlyOnTheSeparators) {
    EXPECT_EQ(NthWord("0  1   2 3", " ", 1), "0");
    EXPECT_EQ(NthWord("0  1   2 3", " ", 3), "2");
    EXPECT_EQ(NthWord("  lead trail  ", " ", 2), "trail");
    EXPECT_EQ(NthWord("a b", " ", 3), "");
    EXPECT_EQ(NthWord("a b", " ", 0), "");
    EXPECT_EQ(NthWord("a\tb c", " ", 1), "a\tb");  // a tab is part of a word
    EXPECT_EQ(NthWord("a,b;c", ",;", 3), "c");
    EXPECT_EQ(NthWord("whole text", "", 1), "whole text");
    EXPECT_EQ(NthWord("whole text", "", 2), "");
}

TEST(SmdFile, SkeletonBlockRules) {
    const std::string text =
        "version 1\r\n"
        "nodes\r\n"
        "0 \"root\" -1\r\n"
        "time 3\r\n"  // inside nodes: not a frame
        "end\r\n"
        "skeleton\r\n"
        "time 7\r\n"
        "0   1   2  3   0.1  0.2   0.3\r\n"
        "5 -4,5 0 0 0 0 1.5\r\n"  // id out of order: still bone 1
        "time 2\r\n"
        "0\t1\t2\t3\t0.1\t0.2\t0.3\r\n"
        "end\r\n"
        "triangles\r\n"
        "time 9\r\n"
        "0 9 9 9 9 9 9\r\n";
    const SmdAnimation a = ReadSmd(Bytes(text), "a.smd");
    ASSERT_EQ(a.frames.size(), 2u);
    ASSERT_EQ(a.frames[0].bones.size(), 2u);
    const SmdBonePose& b0 = a.frames[0].bones[0];
    EXPECT_EQ(b0.position.x, 1.0f);
    EXPECT_EQ(b0.position.z, 3.0f);
    EXPECT_EQ(b0.rotation.x, 0.1f);
    EXPECT_EQ(b0.rotation.z, 0.3f);
    const Quaternion q = EulerToQuaternion(b0.rotation);
    EXPECT_EQ(b0.quaternion.x, q.x);
    EXPECT_EQ(b0.quaternion.w, q.w);
    EXPECT_EQ(a.frames[0].bones[1].position.x, -4.5f);
    EXPECT_EQ(a.frames[0].bones[1].rotation.z, 1.5f);
    // Tabs do not separate words: everything after the first word reads as 0.
    ASSERT_EQ(a.frames[1].bones.size(), 1u);
    EXPECT_EQ(a.frames[1].bones[0].position.x, 0.0f);
    EXPECT_EQ(a.frames[1].bones[0].rotation.z, 0.0f);
}

TEST(SmdFile, EndOfFileEndsTheBlockAndMissingPartsAreErrors) {
    EXPECT_EQ(ReadSmd(Bytes("skeleton\ntime 0\n0 1 2 3 0 0 0"), "a.smd").frames[0].bones[0].position.z, 3.0f);
    EXPECT_TRUE(ReadSmd(Bytes("skeleton\nend\n"), "a.smd").frames.empty());
    try {
        ReadSmd(Bytes("version 1\nnodes\nend\n"), "n.smd");
        ADD_FAILURE() << "no skeleton accepted";
    } catch (const DataError& e) {
        EXPECT_EQ(e.field(), "skeleton");
    }
    try {
        ReadSmd(Bytes("skeleton\n0 1 2 3 0 0 0\ntime 0\nend\n"), "b.smd");
        ADD_FAILURE() << "bone line before time accepted";
    } catch (const DataError& e) {
        EXPECT_EQ(e.offset(), 9u);
    }
    // "skeleton" must be the whole line.
    EXPECT_THROW(ReadSmd(Bytes(" skeleton\ntime 0\nend\n"), "c.smd"), DataError);

    // A number too long for a float is infinity, taken as it is; the file warns once, at the first.
    const std::string huge(40, '9');
    testing::internal::CaptureStderr();
    const SmdAnimation a =
        ReadSmd(Bytes("skeleton\ntime 0\n0 1 " + huge + " 0 -" + huge + " 0 0\n1 " + huge + " 0 0 0 0 0\n"), "d.smd");
    ReadSmd(Bytes("skeleton\ntime 0\n0 1 2 3 0 0 0\n"), "clean.smd");
    EXPECT_EQ(a.frames[0].bones[0].position.y, std::numeric_limits<float>::infinity());
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "terravik: warning: d.smd: offset 16: bone position y: is infinity (taken as it is; the first such "
              "value of the file)\n");
}

TEST(SmdFile, WrittenFramesReadBack) {
    SmdAnimation a;
    for (int f = 0; f < 3; ++f) {
        SmdFrame frame;
        for (int b = 0; b < 4; ++b) {
            SmdBonePose p;
            p.position = {b * 1.5f, -f * 0.25f, 4.8f};
            p.rotation = {0.001f * f, -1.5707964f, 3.1415927f * b};
            frame.bones.push_back(p);
        }
        a.frames.push_back(frame);
    }
    const std::vector<uint8_t> bytes = WriteSmd(a, {-1, 0, 1, 1});
    const std::string text(bytes.begin(), bytes.end());
    EXPECT_EQ(text.rfind("version 1\nnodes\n0 \"bone0\" -1\n1 \"bone1\" 0\n", 0), 0u);
    EXPECT_EQ(text.find("e-"), std::string::npos);  // no exponents, which the reader refuses
    EXPECT_EQ(text.find("e+"), std::string::npos);
    const SmdAnimation back = ReadSmd(bytes, "w.smd");
    ASSERT_EQ(back.frames.size(), 3u);
    for (int f = 0; f < 3; ++f) {
        ASSERT_EQ(back.frames[f].bones.size(), 4u);
        for (int b = 0; b < 4; ++b) {
            const SmdBonePose& x = a.frames[f].bones[b];
            const SmdBonePose& y = back.frames[f].bones[b];
            EXPECT_NEAR(y.position.x, x.position.x, 1e-6);
            EXPECT_NEAR(y.position.y, x.position.y, 1e-6);
            EXPECT_NEAR(y.position.z, x.position.z, 1e-6);
            EXPECT_NEAR(y.rotation.x, x.rotation.x, 1e-6);
            EXPECT_NEAR(y.rotation.y, x.rotation.y, 1e-6);
            EXPECT_NEAR(y.rotation.z, x.rotation.z, 1e-6);
        }
    }
}

}  // namespace
}  // namespace tv
