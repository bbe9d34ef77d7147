#pragma once

#include "schedule/MountWatch.h"

#include <QFileSystemWatcher>
#include <QObject>
#include <QString>
#include <QTimer>

// Tells when both folders of a job have become reachable after at least one
// was not: a drive, a card or a share mounted, or a folder made. Mounts come
// from the kernel's mount table; a folder made is seen in the nearest folder
// above a missing one that exists. Once both are there it waits SettleMs, for
// a mount to settle, and looks again before it tells: a drive that went away
// meanwhile tells nothing. While both stay reachable nothing more is told; a
// side that goes away and comes back tells again.
class TConnectTrigger : public QObject
{
    Q_OBJECT

public:
    explicit TConnectTrigger(QObject* parent = nullptr);

    // Starts watching the two folders; what is reachable now counts as known.
    void Watch(const QString& left, const QString& right);
    void Stop();
    bool IsWatching() const { return Active; }

    int SettleMs = 3000;

    static bool IsReachable(const QString& folder);

Q_SIGNALS:
    void Connected();

private:
    void Look();
    void Settled();
    bool BothReachable() const;
    void WatchAbove();

    TMountWatch Mounts;
    QFileSystemWatcher Above;
    QTimer Settle;
    QString Left;
    QString Right;
    bool Reachable = false;
    bool Active = false;
};
