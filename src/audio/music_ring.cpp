#include "audio/music_ring.h"

#include <algorithm>
#include <cstring>

#include "audio/music_output.h"

namespace tv {

void MusicRing::Reset() {
    writeSegment_ = playSegment_ = queued_ = 0;
    playedSegments_ = 0;
}

void MusicRing::Refill(PcmSource& source, MusicOutput& output, bool looping, bool& finished) {
    const size_t played = std::min<size_t>(output.TakePlayedSegments(), queued_);
    queued_ -= static_cast<uint32_t>(played);
    playSegment_ = static_cast<uint32_t>((playSegment_ + played) % kSegments);
    playedSegments_ += played;
    while (queued_ < kSegments) {
        uint8_t* segment = bytes_.data() + writeSegment_ * kSegmentBytes;
        Fill(segment, kSegmentBytes, source, looping, finished);
        if (!output.QueueSegment(segment, kSegmentBytes)) break;
        writeSegment_ = (writeSegment_ + 1) % kSegments;
        ++queued_;
    }
}

void MusicRing::Fill(uint8_t* dst, size_t bytes, PcmSource& source, bool looping, bool& finished) {
    size_t filled = 0;
    bool rewoundWithoutData = false;  // a stream that gives nothing even from its start
    while (filled < bytes) {
        const size_t got = source.Read(dst + filled, bytes - filled);
        if (got > 0) {
            filled += got;
            rewoundWithoutData = false;
            continue;
        }
        if (looping && !rewoundWithoutData && source.Rewind()) {
            rewoundWithoutData = true;
            continue;
        }
        std::memset(dst + filled, 0, bytes - filled);
        if (!looping) finished = true;
        break;
    }
}

uint32_t MusicRing::PlayCursor(MusicOutput& output) const {
    if (queued_ == 0) return playSegment_ * kSegmentBytes;
    return (playSegment_ * kSegmentBytes + std::min(output.BytesIntoQueue(), queued_ * kSegmentBytes)) % kBytes;
}

uint64_t MusicRing::PlayedBytes(MusicOutput& output) const {
    const uint32_t into = queued_ == 0 ? 0 : std::min(output.BytesIntoQueue(), queued_ * kSegmentBytes);
    return playedSegments_ * kSegmentBytes + into;
}

}  // namespace tv
