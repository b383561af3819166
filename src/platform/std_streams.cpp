#include "platform/std_streams.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

namespace tv {

bool ReopenClosedStdStreams() {
    bool ok = true;
    for (int fd = 0; fd <= 2; ++fd) {
        if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
        // open() returns the lowest free number, which is fd itself when the lower ones are
        // open; dup2 covers the rest. Not close-on-exec: children inherit standard streams.
        const int got = ::open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY);
        if (got < 0) {
            ok = false;
            continue;
        }
        if (got != fd) {
            if (::dup2(got, fd) < 0) ok = false;
            ::close(got);
        }
    }
    return ok;
}

}  // namespace tv
