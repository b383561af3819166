#include "audio/ogg_decoder.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vorbis/vorbisfile.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "common/binary_io.h"

namespace tv {

TStream::TStream(const std::string& path) {
    // A missing, unreadable or non-regular music file plays no music; the reason is kept for
    // the player's stderr line.
    handle_ = OpenRegularFile(path, openStatus_);
}

TStream::~TStream() {
    if (handle_ != -1) ::close(handle_);
}

size_t TStream::read(void* buffer, size_t count) {
    if (handle_ == -1) return 0;
    ssize_t n = ::read(handle_, buffer, count);
    return n > 0 ? static_cast<size_t>(n) : 0;
}

bool TStream::set_position(int64_t offset) {
    return handle_ != -1 && offset >= 0 && ::lseek(handle_, offset, SEEK_SET) == offset;
}

int64_t TStream::position() const { return handle_ == -1 ? -1 : ::lseek(handle_, 0, SEEK_CUR); }

int64_t TStream::size() const {
    struct stat st {};
    if (handle_ == -1 || ::fstat(handle_, &st) != 0) return -1;
    return st.st_size;
}

// Bytes in memory read through the same callbacks as a file.
struct OggDecoder::MemoryStream {
    std::vector<uint8_t> bytes;
    size_t pos = 0;
};

struct OggDecoder::State {
    OggVorbis_File file{};
    bool open = false;
};

namespace {

size_t ReadCallback(void* ptr, size_t size, size_t count, void* source) {
    if (size == 0 || count == 0) return 0;
    return static_cast<TStream*>(source)->read(ptr, size * count) / size;
}

int SeekCallback(void* source, ogg_int64_t offset, int whence) {
    auto* stream = static_cast<TStream*>(source);
    int64_t base = 0;
    if (whence == SEEK_CUR) base = stream->position();
    if (whence == SEEK_END) base = stream->size();
    if (base < 0) return -1;
    return stream->set_position(base + offset) ? 0 : -1;
}

int CloseCallback(void*) { return 0; }  // the decoder object owns the file

long TellCallback(void* source) { return static_cast<long>(static_cast<TStream*>(source)->position()); }

size_t MemoryReadCallback(void* ptr, size_t size, size_t count, void* source) {
    auto* m = static_cast<OggDecoder::MemoryStream*>(source);
    if (size == 0 || count == 0) return 0;
    const size_t items = std::min(count, (m->bytes.size() - m->pos) / size);
    if (items == 0) return 0;  // an empty input has no buffer to copy from
    std::memcpy(ptr, m->bytes.data() + m->pos, items * size);
    m->pos += items * size;
    return items;
}

int MemorySeekCallback(void* source, ogg_int64_t offset, int whence) {
    auto* m = static_cast<OggDecoder::MemoryStream*>(source);
    int64_t base = 0;
    if (whence == SEEK_CUR) base = static_cast<int64_t>(m->pos);
    if (whence == SEEK_END) base = static_cast<int64_t>(m->bytes.size());
    if (offset < -base || offset > static_cast<int64_t>(m->bytes.size()) - base) return -1;
    m->pos = static_cast<size_t>(base + offset);
    return 0;
}

long MemoryTellCallback(void* source) { return static_cast<long>(static_cast<OggDecoder::MemoryStream*>(source)->pos); }

}  // namespace

std::unique_ptr<OggDecoder> OggDecoder::Open(const std::string& path, Status* status) {
    auto stream = std::make_unique<TStream>(path);
    if (!stream->is_open()) {
        // The reader says what failed: "cannot open: …", "is a directory".
        if (status) *status = stream->open_status();
        return nullptr;
    }
    const char* notOgg = "not a readable Ogg Vorbis file";
    std::unique_ptr<OggDecoder> d(new OggDecoder());
    d->state_ = std::make_unique<State>();
    const ov_callbacks callbacks{ReadCallback, SeekCallback, CloseCallback, TellCallback};
    if (ov_open_callbacks(stream.get(), &d->state_->file, nullptr, 0, callbacks) < 0) {
        if (status) *status = Error(path, notOgg);
        return nullptr;
    }
    d->state_->open = true;
    d->stream_ = std::move(stream);
    const vorbis_info* info = ov_info(&d->state_->file, -1);
    if (!info) {
        if (status) *status = Error(path, notOgg);
        return nullptr;
    }
    d->channels_ = info->channels;
    d->rate_ = static_cast<int>(info->rate);
    return d;
}

std::unique_ptr<OggDecoder> OggDecoder::OpenMemory(std::vector<uint8_t> bytes) {
    auto memory = std::make_unique<MemoryStream>();
    memory->bytes = std::move(bytes);
    std::unique_ptr<OggDecoder> d(new OggDecoder());
    d->state_ = std::make_unique<State>();
    const ov_callbacks callbacks{MemoryReadCallback, MemorySeekCallback, CloseCallback, MemoryTellCallback};
    if (ov_open_callbacks(memory.get(), &d->state_->file, nullptr, 0, callbacks) < 0) return nullptr;
    d->state_->open = true;
    d->memory_ = std::move(memory);
    const vorbis_info* info = ov_info(&d->state_->file, -1);
    if (!info) return nullptr;
    d->channels_ = info->channels;
    d->rate_ = static_cast<int>(info->rate);
    return d;
}

OggDecoder::~OggDecoder() {
    if (state_ && state_->open) ov_clear(&state_->file);
}

size_t OggDecoder::Read(uint8_t* dst, size_t bytes) {
    // A hole in the data (a lost page) is skipped; any other error ends the stream.
    for (int holes = 0; holes < 16; ++holes) {
        int bitstream = 0;
        const int chunk = static_cast<int>(std::min<size_t>(bytes, 1 << 20));
        long n = ov_read(&state_->file, reinterpret_cast<char*>(dst), chunk, 0, 2, 1, &bitstream);
        if (n == OV_HOLE) continue;
        return n > 0 ? static_cast<size_t>(n) : 0;
    }
    return 0;
}

bool OggDecoder::Rewind() { return ov_pcm_seek(&state_->file, 0) == 0; }

}  // namespace tv
