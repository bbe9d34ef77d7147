#pragma once

#include <QString>
#include <QStringList>

// Keeps two runs of Brenvale (pages or runners of one user) from writing into
// the same folder tree at once. A run holds a lock file naming its roots in the
// user's runtime folder; a root equal to, inside or around a root that a live
// run holds is refused. A lock of a run that ended without releasing it (a
// crash) is free again, since the system drops the holder's file lock.
class TRunLock
{
public:
    TRunLock() = default;
    TRunLock(const TRunLock&) = delete;
    TRunLock& operator=(const TRunLock&) = delete;
    ~TRunLock() { Release(); }

    // Takes the lock for the roots; false when another run holds one of them or
    // the lock cannot be made, with BusyPath naming the root that is in use.
    [[nodiscard]] bool Take(const QStringList& roots);
    void Release();

    QString BusyPath;

    // The folder of the lock files: $XDG_RUNTIME_DIR/brenvale, else a folder of
    // the user's own in the temporary folder.
    static QString LockFolder();
    // True when the two folders are one tree: the same, or one inside the other.
    static bool SameTree(const QString& a, const QString& b);

private:
    int Fd = -1;
    QString FilePath;
};
