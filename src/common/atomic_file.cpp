#include "common/atomic_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <random>

namespace tv {

AtomicFile::~AtomicFile() { Discard(); }

bool AtomicFile::Fail(const std::string& reason) {
    Discard();
    error_ = "cannot write " + path_ + ": " + reason;
    return false;
}

bool AtomicFile::Open(const std::string& path) {
    Discard();
    path_ = path;
    error_.clear();
    writeErrno_ = 0;
    // Not mkstemp: its 0600 would become the finished file's mode; O_EXCL with a random name
    // gets the mode a plain create would have.
    static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    std::minstd_rand pick(static_cast<unsigned>(std::random_device{}()) ^
                          static_cast<unsigned>(std::chrono::steady_clock::now().time_since_epoch().count()));
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string name = path + ".tmp-";
        for (int i = 0; i < 6; ++i) name += kLetters[pick() % (sizeof kLetters - 1)];
        const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
        if (fd < 0) {
            if (errno == EEXIST) continue;
            return Fail(std::strerror(errno));
        }
        file_ = ::fdopen(fd, "wb");
        if (!file_) {
            const std::string reason = std::strerror(errno);
            ::close(fd);
            temporary_ = name;  // removed by Fail
            return Fail(reason);
        }
        temporary_ = name;
        return true;
    }
    return Fail("no free temporary name");
}

bool AtomicFile::Write(std::string_view bytes) {
    if (!file_) return false;
    if (writeErrno_ == 0 && !bytes.empty() &&
        std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size())
        writeErrno_ = errno ? errno : EIO;
    return writeErrno_ == 0;
}

bool AtomicFile::Flush() {
    if (!file_) return false;
    if (writeErrno_ == 0 && std::fflush(file_) != 0) writeErrno_ = errno ? errno : EIO;
    return writeErrno_ == 0;
}

bool AtomicFile::Commit() {
    if (!file_) return error_.empty() ? Fail("not open") : false;
    if (!Flush() || std::ferror(file_)) return Fail(std::strerror(writeErrno_ ? writeErrno_ : EIO));
    if (::fsync(::fileno(file_)) != 0) return Fail(std::strerror(errno));
    const int closed = std::fclose(file_);
    file_ = nullptr;
    if (closed != 0) return Fail(std::strerror(errno));
    if (::rename(temporary_.c_str(), path_.c_str()) != 0) return Fail(std::strerror(errno));
    temporary_.clear();
    return true;
}

void AtomicFile::Discard() {
    if (file_) {
        std::fclose(file_);
        file_ = nullptr;
    }
    if (!temporary_.empty()) {
        ::unlink(temporary_.c_str());
        temporary_.clear();
    }
}

Status WriteFileAtomically(const std::string& path, std::string_view bytes) {
    AtomicFile file;
    if (!file.Open(path)) return file.status();
    file.Write(bytes);
    if (!file.Commit()) return file.status();
    return {};
}

}  // namespace tv
