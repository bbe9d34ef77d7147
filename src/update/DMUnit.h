#pragma once

#include <QObject>
#include <QString>

#include <functional>

// What the update check asks of the desktop around it: the user's answers, the busy
// cursor, starting the updater and ending the program. The windows install message
// boxes; without them the check asks nobody and never updates.
struct TUpdatePrompts
{
    // "A newer version ... update now?": true for Yes.
    std::function<bool()> AskToUpdate;
    // Reporting mode only: no newer version, and a failed download.
    std::function<void()> TellUpToDate;
    std::function<void()> TellDownloadFailed;
    // The busy cursor while the description file comes down.
    std::function<void(bool busy)> Busy;
    // Starts the updater detached; false when it could not.
    std::function<bool(const QString& program)> StartUpdater;
    // Ends the program at the next turn of its event loop.
    std::function<void()> Terminate;
};

// The data module: made once at start-up, while the splash is on screen, and
// destroyed at exit. It carries the check for a newer version of Brenvale: it
// fetches "/update/Brenvale/Update.ini" from the update server (the setting
// UpdateServer), compares its [Version] Ver with the installed Version setting and
// offers to start the updater "Update" beside the executable.
class TDM : public QObject
{
    Q_OBJECT

public:
    // Runs the quiet check when MyRegistryInfo.CheckUpdate is on.
    explicit TDM(QObject* parent = nullptr);
    ~TDM() override;

    // The whole check; `report` also tells the user when there is no newer version
    // and when the download failed.
    void CheckForUpdate(bool report);
    // True when the server names a newer version. `downloaded` is false when the
    // description file could not be fetched, and the check then ends.
    bool IsNewerVersionAvailable(bool report, bool* downloaded = nullptr);
    // Stores the body of `url` in `fileName`; false when the request failed for any
    // reason (no server, time-out, an error status, more than 64 KiB).
    bool DownloadUpdateFile(const QString& url, const QString& fileName, bool report);
    // The Version setting; "3.1.125" (and stored) when it is missing or blank.
    static QString GetInstalledVersion();

    // The server the check asks, without a trailing slash.
    static QString UpdateServer();

    // Puts `prompts` in place of the ones in use; returns the ones replaced.
    static TUpdatePrompts InstallPrompts(TUpdatePrompts prompts);

    // How long the download may wait for the server's next bytes; tests wait less.
    int ReadTimeoutMs = 5000;
};

// The one data module of the program while it lives, else nullptr.
extern TDM* DM;

// True when `latest` is greater than `installed` byte by byte (the first differing
// byte decides, unsigned; the longer one wins when one begins the other).
bool IsNewerVersion(const QString& latest, const QString& installed);

// The largest update description the check accepts.
constexpr qint64 MaxUpdateFileSize = 64 * 1024;
