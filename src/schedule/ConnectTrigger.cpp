#include "schedule/ConnectTrigger.h"

#include "jobs/UTSyncTask.h"

#include <QDir>
#include <QFileInfo>

TConnectTrigger::TConnectTrigger(QObject* parent) : QObject(parent)
{
    Settle.setSingleShot(true);
    connect(&Mounts, &TMountWatch::MountsChanged, this, &TConnectTrigger::Look);
    connect(&Above, &QFileSystemWatcher::directoryChanged, this, &TConnectTrigger::Look);
    connect(&Settle, &QTimer::timeout, this, &TConnectTrigger::Settled);
}

bool TConnectTrigger::IsReachable(const QString& folder)
{
    const QString path = TrimBlanksAndControls(folder);
    return !path.isEmpty() && QFileInfo(path).isDir();
}

void TConnectTrigger::Watch(const QString& left, const QString& right)
{
    Left = left;
    Right = right;
    Active = true;
    Reachable = BothReachable();
    WatchAbove();
}

void TConnectTrigger::Stop()
{
    Active = false;
    Settle.stop();
    if (!Above.directories().isEmpty())
        Above.removePaths(Above.directories());
}

bool TConnectTrigger::BothReachable() const
{
    return IsReachable(Left) && IsReachable(Right);
}

void TConnectTrigger::Look()
{
    if (!Active)
        return;
    const bool now = BothReachable();
    if (now && !Reachable && !Settle.isActive())
        Settle.start(SettleMs);
    if (!now) {
        Reachable = false;
        Settle.stop();
    }
    WatchAbove();
}

void TConnectTrigger::Settled()
{
    if (!Active || !BothReachable())
        return;
    Reachable = true;
    WatchAbove();
    Q_EMIT Connected();
}

// The nearest existing folder above each missing side, where it will appear.
void TConnectTrigger::WatchAbove()
{
    QStringList wanted;
    for (const QString& side : {Left, Right}) {
        const QString path = TrimBlanksAndControls(side);
        if (path.isEmpty() || IsReachable(path))
            continue;
        QString above = QDir::cleanPath(QDir(path).absolutePath());
        while (!QFileInfo(above).isDir() && above != QStringLiteral("/"))
            above = QFileInfo(above).path();
        wanted.append(above);
    }
    const QStringList watched = Above.directories();
    for (const QString& folder : watched) {
        if (!wanted.contains(folder))
            Above.removePath(folder);
    }
    for (const QString& folder : wanted) {
        if (!watched.contains(folder))
            Above.addPath(folder);
    }
}
