#include "engine/TargetFolder.h"

#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <linux/openat2.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

constexpr int FolderFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;

// Whether the kernel has openat2; cleared at the first ENOSYS.
std::atomic<bool> HaveOpenat2{true};

} // namespace

TTargetFolder::~TTargetFolder()
{
    Close();
}

void TTargetFolder::Close()
{
    if (Descriptor >= 0)
        ::close(Descriptor);
    Descriptor = -1;
}

bool TTargetFolder::Open(int rootFd, const std::string& relative, bool create)
{
    Close();
    if (relative.empty()) {
        Descriptor = ::fcntl(rootFd, F_DUPFD_CLOEXEC, 0);
        return Descriptor >= 0;
    }
    // Mostly the folder exists already: one call resolves the whole path.
    if (HaveOpenat2 && OpenResolved(rootFd, relative))
        return true;
    if (HaveOpenat2 && errno != ENOENT)
        return false;
    return OpenStepwise(rootFd, relative, create);
}

bool TTargetFolder::OpenResolved(int rootFd, const std::string& relative)
{
    open_how how{};
    how.flags = FolderFlags;
    how.resolve = RESOLVE_BENEATH | RESOLVE_NO_SYMLINKS | RESOLVE_NO_MAGICLINKS;
    const long fd = ::syscall(SYS_openat2, rootFd, relative.c_str(), &how, sizeof how);
    if (fd >= 0) {
        Descriptor = int(fd);
        return true;
    }
    if (errno == ENOSYS) {
        HaveOpenat2.store(false);
    } else if (errno == EXDEV) {
        errno = ELOOP; // ".." leading out of the root counts as a link in the way
    } else if (errno == ENOTDIR) {
        // A file, or a link to a folder that O_NOFOLLOW refused on the last step.
        struct stat st;
        if (::fstatat(rootFd, relative.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 &&
            S_ISLNK(st.st_mode))
            errno = ELOOP;
    }
    return false;
}

bool TTargetFolder::OpenStepwise(int rootFd, const std::string& relative, bool create)
{
    int current = ::fcntl(rootFd, F_DUPFD_CLOEXEC, 0);
    if (current < 0)
        return false;
    size_t start = 0;
    while (start < relative.size()) {
        size_t end = relative.find('/', start);
        if (end == std::string::npos)
            end = relative.size();
        const std::string part = relative.substr(start, end - start);
        start = end + 1;
        if (part.empty() || part == ".")
            continue;
        if (part == "..") {
            ::close(current);
            errno = ELOOP;
            return false;
        }
        int next = ::openat(current, part.c_str(), FolderFlags);
        if (next < 0 && errno == ENOENT && create) {
            if (::mkdirat(current, part.c_str(), 0777) != 0 && errno != EEXIST) {
                ::close(current);
                return false;
            }
            next = ::openat(current, part.c_str(), FolderFlags);
        }
        if (next < 0) {
            const int saved = errno;
            struct stat st;
            const bool link = ::fstatat(current, part.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 &&
                              S_ISLNK(st.st_mode);
            ::close(current);
            errno = link ? ELOOP : saved;
            return false;
        }
        ::close(current);
        current = next;
    }
    Descriptor = current;
    return true;
}
