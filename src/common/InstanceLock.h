#pragma once

#include <QString>

// Keeps a second Brenvale away from a data folder that a running one uses: each
// program writes the job list it read at start back at its exit, so a second one
// would silently undo the first one's changes. The running program holds an
// exclusive lock (flock) on "brenvale.lock" in the data folder until it ends. The
// system drops the lock with the process, after a crash too, so the file left
// behind never keeps the program from starting.
class TInstanceLock
{
public:
    enum class TResult
    {
        // This program holds the folder now.
        Taken,
        // Another program holds it.
        Busy,
        // The lock file cannot be made (a folder that cannot be written, where no
        // job list can be written either): nothing to protect.
        Unavailable
    };

    TInstanceLock() = default;
    TInstanceLock(const TInstanceLock&) = delete;
    TInstanceLock& operator=(const TInstanceLock&) = delete;
    ~TInstanceLock() { Release(); }

    // Takes the lock of the folder, without waiting.
    TResult Take(const QString& folder);
    void Release();

    static QString LockFilePath(const QString& folder);

private:
    int Fd = -1;
};
