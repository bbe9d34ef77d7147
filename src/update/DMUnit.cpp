#include "update/DMUnit.h"

#include "common/DataFolder.h"
#include "common/PublicFunctionUnit.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFile>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QProcess>
#include <QSaveFile>
#include <QSettings>

TDM* DM = nullptr;

namespace {

const QString DefaultUpdateServer = QStringLiteral("http://update.brenvale.example");
const QString UpdateFilePath = QStringLiteral("/update/Brenvale/Update.ini");

TUpdatePrompts DefaultPrompts()
{
    TUpdatePrompts prompts;
    prompts.AskToUpdate = [] { return false; };
    prompts.TellUpToDate = [] {};
    prompts.TellDownloadFailed = [] {};
    prompts.Busy = [](bool) {};
    prompts.StartUpdater = [](const QString& program) {
        return QProcess::startDetached(program, {});
    };
    prompts.Terminate = [] {
        // Queued, so that a request during start-up ends the loop as soon as it runs.
        QMetaObject::invokeMethod(QCoreApplication::instance(), &QCoreApplication::quit,
                                  Qt::QueuedConnection);
    };
    return prompts;
}

TUpdatePrompts& Prompts()
{
    static TUpdatePrompts prompts = DefaultPrompts();
    return prompts;
}

} // namespace

bool IsNewerVersion(const QString& latest, const QString& installed)
{
    // QByteArray compares its bytes as unsigned values.
    return latest.toUtf8() > installed.toUtf8();
}

TDM::TDM(QObject* parent) : QObject(parent)
{
    setObjectName(QStringLiteral("DM"));
    DM = this;
    if (MyRegistryInfo.CheckUpdate)
        CheckForUpdate(false);
}

TDM::~TDM()
{
    if (DM == this)
        DM = nullptr;
}

TUpdatePrompts TDM::InstallPrompts(TUpdatePrompts prompts)
{
    TUpdatePrompts defaults = DefaultPrompts();
    // A part left out keeps its default, so a window need give only its own.
    if (!prompts.AskToUpdate)
        prompts.AskToUpdate = defaults.AskToUpdate;
    if (!prompts.TellUpToDate)
        prompts.TellUpToDate = defaults.TellUpToDate;
    if (!prompts.TellDownloadFailed)
        prompts.TellDownloadFailed = defaults.TellDownloadFailed;
    if (!prompts.Busy)
        prompts.Busy = defaults.Busy;
    if (!prompts.StartUpdater)
        prompts.StartUpdater = defaults.StartUpdater;
    if (!prompts.Terminate)
        prompts.Terminate = defaults.Terminate;
    std::swap(prompts, Prompts());
    return prompts;
}

QString TDM::UpdateServer()
{
    QSettings settings(SettingsFilePath(), QSettings::IniFormat);
    QString server = settings.value(QStringLiteral("UpdateServer")).toString().trimmed();
    if (server.isEmpty())
        server = DefaultUpdateServer;
    while (server.endsWith(QLatin1Char('/')))
        server.chop(1);
    return server;
}

void TDM::CheckForUpdate(bool report)
{
    bool downloaded = false;
    const bool newer = IsNewerVersionAvailable(report, &downloaded);
    if (!downloaded)
        return;
    if (newer) {
        if (Prompts().AskToUpdate()) {
            // The program ends whether or not the updater could be started.
            (void)Prompts().StartUpdater(QCoreApplication::applicationDirPath() +
                                         QStringLiteral("/Update"));
            Prompts().Terminate();
        }
    } else if (report) {
        Prompts().TellUpToDate();
    }
}

bool TDM::IsNewerVersionAvailable(bool report, bool* downloaded)
{
    const QString localFile = DataFolder::Path() + QStringLiteral("/Update.ini");
    const bool fetched = DownloadUpdateFile(UpdateServer() + UpdateFilePath, localFile, report);
    if (downloaded)
        *downloaded = fetched;
    if (!fetched)
        return false;
    const QSettings description(localFile, QSettings::IniFormat);
    const QString latest = description.value(QStringLiteral("Version/Ver")).toString();
    return IsNewerVersion(latest, GetInstalledVersion());
}

bool TDM::DownloadUpdateFile(const QString& url, const QString& fileName, bool report)
{
    Prompts().Busy(true);
    QByteArray body;
    bool ok = false;
    {
        QNetworkAccessManager http;
        http.setProxy(QNetworkProxy::NoProxy);
        http.setTransferTimeout(ReadTimeoutMs);
        QNetworkRequest request{QUrl(url)};
        request.setRawHeader("Accept", "text/html, */*");
        request.setRawHeader("User-Agent", "Mozilla/3.0 (compatible; Indy Library)");
        QNetworkReply* reply = http.get(request);
        bool tooLarge = false;
        QEventLoop wait;
        connect(reply, &QNetworkReply::readyRead, &wait, [&] {
            body += reply->readAll();
            if (body.size() > MaxUpdateFileSize) {
                tooLarge = true;
                reply->abort();
            }
        });
        connect(reply, &QNetworkReply::finished, &wait, &QEventLoop::quit);
        if (!reply->isFinished())
            wait.exec(QEventLoop::ExcludeUserInputEvents);
        if (!tooLarge && reply->isOpen())
            body += reply->readAll();
        ok = !tooLarge && reply->error() == QNetworkReply::NoError &&
             body.size() <= MaxUpdateFileSize;
        delete reply;
    }
    // The local copy holds what came, and nothing of an older check: a failed
    // download leaves no copy at all rather than an empty or stale one.
    if (ok) {
        QSaveFile file(fileName);
        if (file.open(QIODevice::WriteOnly)) {
            file.write(body);
            (void)file.commit(); // a copy that cannot be written is read back as no version
        }
    } else {
        QFile::remove(fileName);
    }
    Prompts().Busy(false);
    if (!ok && report)
        Prompts().TellDownloadFailed();
    return ok;
}

QString TDM::GetInstalledVersion()
{
    QSettings settings(SettingsFilePath(), QSettings::IniFormat);
    QString version = settings.value(QStringLiteral("Version")).toString();
    if (version.isEmpty()) {
        version = QString::fromLatin1(BuiltInVersion);
        settings.setValue(QStringLiteral("Version"), version);
        settings.sync();
    }
    return version;
}

// The class's meta-object code is built into this file's object rather than the
// library's shared one, so that a program that does not use the update check
// (the runner) links neither it nor the network library.
#include "moc_DMUnit.cpp"
