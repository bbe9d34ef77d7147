#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QtGlobal>

#include <string>
#include <vector>

class QSocketNotifier;

// Watches every folder of a job's two trees through the kernel's file-change
// notification (inotify) and tells, once, when the trees changed and then
// stayed quiet for QuietMs: a burst of a thousand changes makes one Quiet.
//
// Folders made below a watched one are watched as they come; "__Save__" and
// the program's own folders are not watched, nor is anything behind a link.
// The system limits the watches of a user (fs.inotify.max_user_watches): a
// tree that needs more gives LimitReached, and nothing is watched then.
//
// Paused, the watch keeps counting changes but waits: Resume starts the quiet
// time again when any came meanwhile (a run's own copies among them).
//
// Memory: per folder, its parent, the place of its name in one shared buffer
// and the name's bytes; the watch descriptors the kernel gives are small
// consecutive numbers, so they index the folders directly.
class TTreeWatch : public QObject
{
    Q_OBJECT

public:
    explicit TTreeWatch(QObject* parent = nullptr);
    ~TTreeWatch() override;
    TTreeWatch(const TTreeWatch&) = delete;
    TTreeWatch& operator=(const TTreeWatch&) = delete;

    // Watches the folders of the trees below the roots. False, with nothing
    // watched, when the system's limit was reached (LimitReached told it) or
    // the notification could not be set up (Error says why).
    bool Start(const QStringList& roots);
    void Stop();
    bool IsWatching() const { return Fd >= 0; }

    void Pause();
    void Resume();

    // Quiet time after the last change.
    int QuietMs = 5000;
    // Test seam: the most folders to watch, as if the system allowed no more;
    // 0: the system's limit alone.
    qint64 WatchLimit = 0;

    qint64 WatchedFolders() const { return Watched; }
    // Changes seen since Start.
    qint64 Changes() const { return ChangeCount; }
    QString Error;

    // The system's limit on watches per user; -1 when unknown.
    static qint64 SystemLimit();
    // What the log says when the limit is reached.
    static QString LimitText(qint64 limit);

Q_SIGNALS:
    void Quiet();
    void LimitReached(qint64 limit);

private:
    struct TFolder
    {
        int Parent = -1;
        quint32 NameOffset = 0;
        quint32 NameLength = 0;
        bool Live = false;
    };

    bool AddTree(const std::string& path, int parent, const char* name);
    bool AddWatch(const std::string& path, int parent, const char* name, int& wd);
    std::string PathOf(int wd) const;
    void ReadEvents();
    void Changed();
    void Fail(const QString& reason);

    int Fd = -1;
    QSocketNotifier* Notifier = nullptr;
    QTimer QuietTimer;
    std::vector<TFolder> Folders;
    std::string Names;
    qint64 Watched = 0;
    qint64 ChangeCount = 0;
    bool Paused = false;
    bool ChangedWhilePaused = false;
};
