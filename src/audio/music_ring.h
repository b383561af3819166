#pragma once
// The music's 65,536-byte ring. The output plays it segment by segment; a refill pass decodes
// into every segment played since the last pass and queues it again behind the others, so the
// ring is always full ahead of the play position.

#include <array>
#include <cstddef>
#include <cstdint>

namespace tv {

class MusicOutput;

// Where the ring's PCM comes from.
class PcmSource {
public:
    virtual ~PcmSource() = default;
    // Up to `bytes` bytes of little-endian signed 16-bit PCM; 0 at the end of the stream.
    virtual size_t Read(uint8_t* dst, size_t bytes) = 0;
    // Back to the first sample; false if the stream cannot seek.
    virtual bool Rewind() = 0;
};

class MusicRing {
public:
    static constexpr uint32_t kBytes = 65536;
    static constexpr uint32_t kSegments = 8;
    static constexpr uint32_t kSegmentBytes = kBytes / kSegments;

    // Empty ring, write and play positions at 0 (the output must be stopped too).
    void Reset();

    // One pass: takes back the played segments, fills them from the source and queues them.
    // At the end of the stream a looping ring rewinds the source and fills on without a gap;
    // otherwise it fills with silence and sets `finished`.
    void Refill(PcmSource& source, MusicOutput& output, bool looping, bool& finished);

    // The play position in the ring, 0..kBytes-1.
    uint32_t PlayCursor(MusicOutput& output) const;
    // Bytes played since the last Reset.
    uint64_t PlayedBytes(MusicOutput& output) const;
    uint32_t WritePosition() const { return writeSegment_ * kSegmentBytes; }
    uint32_t QueuedSegments() const { return queued_; }
    const uint8_t* Bytes() const { return bytes_.data(); }

private:
    void Fill(uint8_t* dst, size_t bytes, PcmSource& source, bool looping, bool& finished);

    std::array<uint8_t, kBytes> bytes_{};
    uint32_t writeSegment_ = 0;  // the next segment to write
    uint32_t playSegment_ = 0;   // the oldest queued segment
    uint32_t queued_ = 0;
    uint64_t playedSegments_ = 0;
};

}  // namespace tv
