#include "common/WholeIo.h"

#include <cerrno>
#include <unistd.h>

namespace WholeIo {

bool WriteAll(int fd, const char* data, qint64 size)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size_t(size));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += n;
        size -= n;
    }
    return true;
}

bool ReadAll(int fd, char* data, qint64 size, bool* shortened)
{
    while (size > 0) {
        const ssize_t n = ::read(fd, data, size_t(size));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (n == 0) {
            // The file became shorter than it was when the read began.
            errno = EIO;
            if (shortened != nullptr)
                *shortened = true;
            return false;
        }
        data += n;
        size -= n;
    }
    return true;
}

} // namespace WholeIo
