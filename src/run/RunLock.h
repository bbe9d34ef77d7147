#pragma once

#include <QString>
#include <QStringList>

#include <vector>

// Keeps two runs of Brenvale from writing into the same folder tree at once. A
// root equal to, inside or around a root that a live run holds is refused.
//
// The locks lie on the trees themselves: a run holds an exclusive advisory
// lock on each root folder and shared ones on every folder above it, so runs
// of other users, or with another environment, see them too. A run also keeps
// a lock file naming its roots in the user's runtime folder, which tells runs
// of the same user about trees whose folders they cannot lock. The system
// drops every lock of a run that ended without releasing it (a crash).
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
    bool LockFolders(const QStringList& roots, const QStringList& canonical);

    int Fd = -1;
    QString FilePath;
    // Descriptors of the locked folders: the roots and the folders above them.
    std::vector<int> FolderFds;
};
