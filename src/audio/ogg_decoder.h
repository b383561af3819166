#pragma once
// An Ogg Vorbis file decoded to 16-bit PCM through libvorbisfile, reading the file through
// the decoder's custom callbacks (TStream owns the file).

#include <memory>
#include <string>
#include <vector>

#include "audio/music_ring.h"
#include "common/error.h"

namespace tv {

// The music's file: read-only, shared for reading; handle -1 when closed.
class TStream {
public:
    explicit TStream(const std::string& path);  // opens only an existing regular file
    ~TStream();
    // Why the file did not open (the system's words in its reason()); ok when it is open.
    const Status& open_status() const { return openStatus_; }
    TStream(const TStream&) = delete;
    TStream& operator=(const TStream&) = delete;

    bool is_open() const { return handle_ != -1; }
    size_t read(void* buffer, size_t count);  // bytes read; 0 on an error
    bool set_position(int64_t offset);        // absolute, from the start
    int64_t position() const;                 // -1 on an error
    int64_t size() const;                     // -1 on an error

private:
    int handle_ = -1;
    Status openStatus_;
};

class OggDecoder final : public PcmSource {
public:
    // Null when the file is missing or not Ogg Vorbis; `status`, when given, then says which
    // (a reason() of "cannot open: <reason>" or "not a readable Ogg Vorbis file").
    static std::unique_ptr<OggDecoder> Open(const std::string& path, Status* status = nullptr);
    // The same from bytes in memory (the decoder keeps them); null when not Ogg Vorbis.
    static std::unique_ptr<OggDecoder> OpenMemory(std::vector<uint8_t> bytes);
    ~OggDecoder() override;

    int Channels() const { return channels_; }
    int Rate() const { return rate_; }
    size_t Read(uint8_t* dst, size_t bytes) override;
    bool Rewind() override;

    struct MemoryStream;  // what the in-memory callbacks read from

private:
    OggDecoder() = default;
    struct State;
    std::unique_ptr<TStream> stream_;
    std::unique_ptr<MemoryStream> memory_;
    std::unique_ptr<State> state_;
    int channels_ = 0;
    int rate_ = 0;
};

}  // namespace tv
