#include "audio/wav_file.h"

#include <gtest/gtest.h>

#include "common/binary_io.h"

namespace tv {
namespace {

WaveFile Sample() {
    WaveFile w;
    w.Channels = 2;
    w.Rate = 22050;
    w.Bits = 16;
    for (int i = 0; i < 40; ++i) w.Samples.push_back(static_cast<uint8_t>(i * 7));
    return w;
}

TEST(WaveFile, RoundTripComputesAlignmentAndRate) {
    const std::vector<uint8_t> bytes = WriteWave(Sample());
    EXPECT_EQ(bytes.size(), 44u + 40);
    const WaveFile w = ReadWave(bytes, "s.wav");
    EXPECT_EQ(w.FormatTag, 1);
    EXPECT_EQ(w.Channels, 2);
    EXPECT_EQ(w.Rate, 22050u);
    EXPECT_EQ(w.Bits, 16);
    EXPECT_EQ(w.BlockAlign, 4);
    EXPECT_EQ(w.BytesPerSecond, 88200u);
    EXPECT_EQ(w.Samples, Sample().Samples);
}

// A file with an 18-byte fmt chunk plus a "fact" chunk, chunk id "DATA" in capitals, and
// wrong alignment/rate fields that the reader must replace.
std::vector<uint8_t> LongFormat(uint16_t bits) {
    ByteWriter b;
    b.Text("RIFF");
    b.U32(0);
    b.Text("WAVEfmt ");
    b.U32(18);
    b.U16(1);
    b.U16(1);
    b.U32(8000);
    b.U32(12345);  // wrong byte rate
    b.U16(9);      // wrong alignment
    b.U16(bits);
    b.U16(0);
    b.Text("fact");
    b.U32(4);
    b.U32(3);
    b.Text("DATA");
    b.U32(6);
    for (int i = 1; i <= 6; ++i) b.U8(static_cast<uint8_t>(i));
    return b.Data();
}

TEST(WaveFile, LongerFormatChunkAndCapitalData) {
    const WaveFile w = ReadWave(LongFormat(16), "l.wav");
    EXPECT_EQ(w.BlockAlign, 2);
    EXPECT_EQ(w.BytesPerSecond, 16000u);
    EXPECT_EQ(w.Samples, (std::vector<uint8_t>{1, 2, 3, 4, 5, 6}));
}

TEST(WaveFile, RejectedFiles) {
    auto field = [](std::vector<uint8_t> bytes) {
        try {
            ReadWave(bytes, "x.wav");
        } catch (const DataError& e) {
            return e.field();
        }
        return std::string("accepted");
    };
    std::vector<uint8_t> good = WriteWave(Sample());
    std::vector<uint8_t> b = good;
    b[0] = 'X';
    EXPECT_EQ(field(b), "RIFF");
    b = good;
    b[10] = 'X';
    EXPECT_EQ(field(b), "WAVE");
    EXPECT_EQ(field(LongFormat(4)), "bits per sample");
    b = good;
    b[37] = 'X';  // "dXta": no data window anywhere
    EXPECT_EQ(field(b), "data");
    b = good;
    b.pop_back();  // shorter than its data size
    EXPECT_EQ(field(b), "data size");
    EXPECT_EQ(field({'R', 'I', 'F', 'F'}), "WAVE");
    EXPECT_EQ(field(std::vector<uint8_t>(good.begin(), good.begin() + 26)), "samples per second");
}

}  // namespace
}  // namespace tv
