#pragma once
// Little-endian byte buffers for the game's file formats: a reading cursor that reports
// exactly where a file went wrong, and a writer for the tools and the tests' fixtures.

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "common/error.h"

namespace tv {

// Every reader raises a DataError (common/error.h) on truncated or corrupt data: it names the
// file, the byte offset at which the bad field starts, and the field.

// No game file comes near this size; a larger one is refused before anything is allocated.
inline constexpr uint64_t kMaxFileBytes = 256ull << 20;
// No count in a game file comes near this (the largest real lists hold a few thousand items).
inline constexpr uint32_t kMaxCount = 1u << 20;

// Opens a regular file for reading without ever waiting: a FIFO, a device, a socket or a
// directory is refused before anything could block on it. Returns the descriptor
// (close-on-exec, blocking reads), or -1 with `status` holding the failure: the same error
// ReadWholeFile raises (field "file", offset 0), whose reason() is the bare reason.
int OpenRegularFile(const std::string& path, Status& status);
// Reads a whole regular file into memory. Every failure is a DataError (field "file") whose
// message gives the reason: cannot open (missing, permission: the system's words), is a
// directory, not a regular file, larger than kMaxFileBytes, read error, shrank while read.
std::vector<uint8_t> ReadWholeFile(const std::string& path);
// The same for a kind of file that is never large: one over `maxBytes` is refused alike.
std::vector<uint8_t> ReadWholeFile(const std::string& path, uint64_t maxBytes);
// One line on stderr for odd data the loaders tolerate: "terravik: warning: FILE: offset N: FIELD: message".
void WarnData(const std::string& file, size_t offset, const std::string& field, const std::string& message);
// The first NaN or infinity a reader met in a file. The game takes such values as they are
// (they only spoil what they touch), but the file deserves one warning naming the first one.
class NonFiniteNote {
public:
    // Notes `value` read at `offset` as `field`; only the first non-finite one is kept.
    void Check(float value, size_t offset, const char* field) {
        if (!seen_ && !std::isfinite(value)) seen_ = true, offset_ = offset, field_ = field, value_ = value;
    }
    bool Seen() const { return seen_; }
    // One WarnData line for the first non-finite value, if any; at most once.
    void WarnOnce(const std::string& file);

private:
    bool seen_ = false;
    bool warned_ = false;
    size_t offset_ = 0;
    const char* field_ = "";
    float value_ = 0.0f;
};

// Writes bytes to a file, creating or truncating it; raises an Error on failure.
void WriteWholeFile(const std::string& path, const std::vector<uint8_t>& bytes);

// Cursor over a byte buffer. Every read names its field so errors can say which one failed.
class ByteReader {
public:
    ByteReader(const uint8_t* data, size_t size, std::string fileName);
    ByteReader(const std::vector<uint8_t>& bytes, std::string fileName)
        : ByteReader(bytes.data(), bytes.size(), std::move(fileName)) {}

    uint8_t U8(const char* field);
    int32_t I32(const char* field);
    uint32_t U32(const char* field);
    int16_t I16(const char* field);
    uint16_t U16(const char* field);
    float F32(const char* field);
    void Bytes(void* out, size_t n, const char* field);
    void Skip(size_t n, const char* field);
    // int32 length then that many single-byte characters; a length of 0 or less is empty.
    std::string LengthPrefixedString(const char* field);
    // Bytes up to a '/', which ends the string and is consumed.
    std::string SlashTerminatedString(const char* field);
    // A count read from the file that must be >= 0, at most kMaxCount, and whose items
    // (bytesPerItem each, at least) must fit into what is left; stops hostile files from
    // forcing huge allocations.
    int32_t Count(const char* field, size_t bytesPerItem);

    // Warns once (WarnData) about the first NaN or infinity F32 returned, if any.
    void WarnNonFinite() { nonFinite_.WarnOnce(file_); }

    size_t Offset() const { return pos_; }
    size_t Size() const { return size_; }
    size_t Remaining() const { return size_ - pos_; }
    bool AtEnd() const { return pos_ >= size_; }
    void Seek(size_t offset) { pos_ = offset <= size_ ? offset : size_; }
    const uint8_t* Data() const { return data_; }
    const std::string& FileName() const { return file_; }

    [[noreturn]] void Fail(const char* field, const std::string& message) const;
    [[noreturn]] void FailAt(size_t offset, const char* field, const std::string& message) const;

private:
    void Need(size_t n, const char* field) const;
    const uint8_t* data_;
    size_t size_;
    size_t pos_ = 0;
    std::string file_;
    NonFiniteNote nonFinite_;
};

// Appends little-endian values to a growing buffer.
class ByteWriter {
public:
    void U8(uint8_t v) { bytes_.push_back(v); }
    void I32(int32_t v) { U32(static_cast<uint32_t>(v)); }
    void U32(uint32_t v);
    void I16(int16_t v) { U16(static_cast<uint16_t>(v)); }
    void U16(uint16_t v);
    void F32(float v);
    void Bytes(const void* data, size_t n);
    void Text(std::string_view s) { Bytes(s.data(), s.size()); }
    void LengthPrefixedString(std::string_view s);
    void SlashTerminatedString(std::string_view s);

    const std::vector<uint8_t>& Data() const { return bytes_; }
    std::vector<uint8_t>& Data() { return bytes_; }
    size_t Size() const { return bytes_.size(); }

private:
    std::vector<uint8_t> bytes_;
};

}  // namespace tv
