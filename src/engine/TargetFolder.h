#pragma once

#include <string>

// Opens folders below a root without following any symbolic link on the way, so
// that a copy writes only below its root: a link put in place of a folder (or of
// "__Save__") between the analysis and the copy is refused, not written
// through. Uses the kernel's openat2 where it has it, else opens one component
// at a time.
class TTargetFolder
{
public:
    TTargetFolder() = default;
    TTargetFolder(const TTargetFolder&) = delete;
    TTargetFolder& operator=(const TTargetFolder&) = delete;
    ~TTargetFolder();

    // Opens the folder at the relative path below the root descriptor ("" is the
    // root itself), making the missing folders when create is set. False on
    // failure, with errno set: ELOOP when a link is in the way.
    [[nodiscard]] bool Open(int rootFd, const std::string& relative, bool create);
    int Fd() const { return Descriptor; }

private:
    bool OpenResolved(int rootFd, const std::string& relative);
    bool OpenStepwise(int rootFd, const std::string& relative, bool create);
    void Close();

    int Descriptor = -1;
};
