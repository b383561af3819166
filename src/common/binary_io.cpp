#include "common/binary_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>

#include "common/report.h"

namespace tv {

int OpenRegularFile(const std::string& path, Status& status) {
    std::string why;
    // O_NONBLOCK: opening a FIFO (or a terminal, a tape) for reading may wait forever for the
    // other end; asked not to wait, the open returns and fstat tells what it is.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) {
        status = DataError(path, 0, "file", std::string("cannot open: ") + std::strerror(errno));
        return -1;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        why = std::string("cannot stat: ") + std::strerror(errno);
    } else if (S_ISDIR(st.st_mode)) {
        why = "is a directory";
    } else if (!S_ISREG(st.st_mode)) {
        why = "not a regular file";
    } else {
        // Regular files never block, but the reads after this should not see the flag.
        const int flags = ::fcntl(fd, F_GETFL);
        if (flags != -1 && ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) == 0) return fd;
        why = std::string("cannot open: ") + std::strerror(errno);
    }
    ::close(fd);
    status = DataError(path, 0, "file", why);
    return -1;
}

std::vector<uint8_t> ReadWholeFile(const std::string& path) {
    return ReadWholeFile(path, kMaxFileBytes);
}

std::vector<uint8_t> ReadWholeFile(const std::string& path, uint64_t maxBytes) {
    // POSIX calls rather than streams: every failure (missing, a directory, no permission, a
    // file that vanishes or shrinks while read) comes back as errno and becomes a DataError.
    Status opened;
    const int fd = OpenRegularFile(path, opened);
    if (fd < 0) throw opened.error();
    struct FdCloser {
        int fd;
        ~FdCloser() { ::close(fd); }
    } closer{fd};
    struct stat st {};
    if (::fstat(fd, &st) != 0) throw DataError(path, 0, "file", std::string("cannot stat: ") + std::strerror(errno));
    if (static_cast<uint64_t>(st.st_size) > maxBytes) {
        throw DataError(path, 0, "file",
                        "size " + std::to_string(st.st_size) + " exceeds the " + std::to_string(maxBytes) +
                            (maxBytes == kMaxFileBytes ? " bytes any game file may have" : " bytes such a file may have"));
    }
    std::vector<uint8_t> bytes(static_cast<size_t>(st.st_size));
    size_t got = 0;
    while (got < bytes.size()) {
        const ssize_t n = ::read(fd, bytes.data() + got, bytes.size() - got);
        if (n < 0) {
            if (errno == EINTR) continue;
            throw DataError(path, got, "file", std::string("read error: ") + std::strerror(errno));
        }
        if (n == 0) throw DataError(path, got, "file", "file shrank while being read");
        got += static_cast<size_t>(n);
    }
    return bytes;
}

void WarnData(const std::string& file, size_t offset, const std::string& field, const std::string& message) {
    Warn("warning: " + DataError(file, offset, field, message).Message());
}

void NonFiniteNote::WarnOnce(const std::string& file) {
    if (!seen_ || warned_) return;
    warned_ = true;
    const char* what = std::isnan(value_) ? "NaN" : (value_ > 0 ? "infinity" : "-infinity");
    WarnData(file, offset_, field_, std::string("is ") + what + " (taken as it is; the first such value of the file)");
}

void WriteWholeFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out) throw Error(path, "cannot create");
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw Error(path, "write error");
}

ByteReader::ByteReader(const uint8_t* data, size_t size, std::string fileName)
    : data_(data), size_(size), file_(std::move(fileName)) {}

void ByteReader::Fail(const char* field, const std::string& message) const { FailAt(pos_, field, message); }

void ByteReader::FailAt(size_t offset, const char* field, const std::string& message) const {
    throw DataError(file_, offset, field, message);
}

void ByteReader::Need(size_t n, const char* field) const {
    if (n > size_ - pos_) {
        Fail(field, "needs " + std::to_string(n) + " bytes, only " + std::to_string(size_ - pos_) + " left");
    }
}

uint8_t ByteReader::U8(const char* field) {
    Need(1, field);
    return data_[pos_++];
}

uint32_t ByteReader::U32(const char* field) {
    Need(4, field);
    const uint8_t* p = data_ + pos_;
    pos_ += 4;
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

int32_t ByteReader::I32(const char* field) { return static_cast<int32_t>(U32(field)); }

uint16_t ByteReader::U16(const char* field) {
    Need(2, field);
    const uint8_t* p = data_ + pos_;
    pos_ += 2;
    return static_cast<uint16_t>(p[0] | p[1] << 8);
}

int16_t ByteReader::I16(const char* field) { return static_cast<int16_t>(U16(field)); }

float ByteReader::F32(const char* field) {
    uint32_t bits = U32(field);
    float f;
    std::memcpy(&f, &bits, 4);
    nonFinite_.Check(f, pos_ - 4, field);
    return f;
}

void ByteReader::Bytes(void* out, size_t n, const char* field) {
    Need(n, field);
    if (n == 0) return;  // out may be null then, which memcpy does not allow
    std::memcpy(out, data_ + pos_, n);
    pos_ += n;
}

void ByteReader::Skip(size_t n, const char* field) {
    Need(n, field);
    pos_ += n;
}

std::string ByteReader::LengthPrefixedString(const char* field) {
    size_t start = pos_;
    int32_t n = I32(field);
    if (n <= 0) return {};
    if (static_cast<size_t>(n) > Remaining()) {
        FailAt(start, field, "string length " + std::to_string(n) + " exceeds the " +
                                 std::to_string(Remaining()) + " bytes left");
    }
    std::string s(reinterpret_cast<const char*>(data_ + pos_), static_cast<size_t>(n));
    pos_ += static_cast<size_t>(n);
    return s;
}

std::string ByteReader::SlashTerminatedString(const char* field) {
    size_t start = pos_;
    const void* slash = std::memchr(data_ + pos_, '/', size_ - pos_);
    if (!slash) FailAt(start, field, "no terminating '/' before the end of the file");
    size_t end = static_cast<size_t>(static_cast<const uint8_t*>(slash) - data_);
    std::string s(reinterpret_cast<const char*>(data_ + pos_), end - pos_);
    pos_ = end + 1;
    return s;
}

int32_t ByteReader::Count(const char* field, size_t bytesPerItem) {
    size_t start = pos_;
    int32_t n = I32(field);
    if (n < 0) FailAt(start, field, "negative count " + std::to_string(n));
    if (static_cast<uint32_t>(n) > kMaxCount) {
        FailAt(start, field, "count " + std::to_string(n) + " exceeds the cap of " + std::to_string(kMaxCount));
    }
    if (bytesPerItem > 0 && static_cast<uint64_t>(n) * bytesPerItem > Remaining()) {
        FailAt(start, field,
               "count " + std::to_string(n) + " needs more than the " + std::to_string(Remaining()) +
                   " bytes left");
    }
    return n;
}

void ByteWriter::U32(uint32_t v) {
    for (int i = 0; i < 4; ++i) bytes_.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

void ByteWriter::U16(uint16_t v) {
    bytes_.push_back(static_cast<uint8_t>(v));
    bytes_.push_back(static_cast<uint8_t>(v >> 8));
}

void ByteWriter::F32(float v) {
    uint32_t bits;
    std::memcpy(&bits, &v, 4);
    U32(bits);
}

void ByteWriter::Bytes(const void* data, size_t n) {
    const uint8_t* p = static_cast<const uint8_t*>(data);
    bytes_.insert(bytes_.end(), p, p + n);
}

void ByteWriter::LengthPrefixedString(std::string_view s) {
    I32(static_cast<int32_t>(s.size()));
    Text(s);
}

void ByteWriter::SlashTerminatedString(std::string_view s) {
    Text(s);
    U8('/');
}

}  // namespace tv
