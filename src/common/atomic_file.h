#pragma once
// Files written whole or not at all: the bytes go to a temporary file beside the target
// ("NAME.tmp-XXXXXX", same folder, so the same file system) and are renamed over it only
// after every byte was written, flushed, synced and closed. A failure (a full disk, a file
// size limit, a folder that forbids the rename) removes the temporary and leaves whatever
// file was at the target as it was.

#include <cstdio>
#include <string>
#include <string_view>

#include "common/error.h"

namespace tv {

// A file written in pieces and put in place at the end (a recording, an encoded picture).
class AtomicFile {
public:
    AtomicFile() = default;
    ~AtomicFile();  // an uncommitted temporary is removed
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    // Creates the temporary beside `path` (mode 0666 less the umask); false with status().
    bool Open(const std::string& path);
    bool IsOpen() const { return file_ != nullptr; }
    // The stream onto the temporary, for stdio writers; null when not open. A failed write
    // through it leaves the stream's error flag, which Commit refuses.
    std::FILE* Stream() const { return file_; }
    // Appends to the temporary (buffered); false once any write has failed.
    bool Write(std::string_view bytes);
    // Pushes what is buffered to the temporary; false once any write has failed.
    bool Flush();
    // Flushes, syncs, closes and renames the temporary over the target. False with status()
    // when any of it failed; the temporary is then gone and the target untouched.
    bool Commit();
    // Closes and removes the temporary; the target is untouched.
    void Discard();
    // "cannot write PATH: reason" after a failure; ok before one.
    Status status() const { return error_.empty() ? Status() : Status(Error(error_)); }

private:
    bool Fail(const std::string& reason);
    std::FILE* file_ = nullptr;
    int writeErrno_ = 0;  // the first failed write's reason
    std::string path_;
    std::string temporary_;
    std::string error_;
};

// Writes `bytes` as the whole of `path` through AtomicFile. Ok, or the error ("cannot write
// PATH: reason").
Status WriteFileAtomically(const std::string& path, std::string_view bytes);

}  // namespace tv
