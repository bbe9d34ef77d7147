#include "ScriptedDialogs.h"

#include "common/PublicFunctionUnit.h"
#include "ui/shell/UpdateMessages.h"
#include "update/DMUnit.h"

#include <QCoreApplication>
#include <QFile>
#include <QSettings>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

namespace {

// A web server on 127.0.0.1 that answers every request with one status and body,
// or, when Silent, never answers. It keeps the last request's head.
class TUpdateServer : public QObject
{
public:
    int Status = 200;
    QByteArray Body;
    bool Silent = false;
    QByteArray Request;
    QTcpServer Server;

    TUpdateServer()
    {
        QVERIFY(Server.listen(QHostAddress::LocalHost));
        connect(&Server, &QTcpServer::newConnection, this, [this] {
            QTcpSocket* socket = Server.nextPendingConnection();
            connect(socket, &QTcpSocket::readyRead, this, [this, socket] {
                Request += socket->readAll();
                if (Silent || !Request.contains("\r\n\r\n"))
                    return;
                socket->write("HTTP/1.1 " + QByteArray::number(Status) +
                              " X\r\nContent-Type: text/plain\r\nContent-Length: " +
                              QByteArray::number(Body.size()) + "\r\nConnection: close\r\n\r\n" +
                              Body);
                socket->disconnectFromHost();
            });
        });
    }
    QString Address() const
    {
        return QStringLiteral("http://127.0.0.1:%1/").arg(Server.serverPort());
    }
};

} // namespace

class TestUpdateCheck : public QObject
{
    Q_OBJECT

    QTemporaryDir Home;
    QStringList Started;
    int Terminated = 0;

    void UseServer(const QString& address)
    {
        QSettings(SettingsFilePath(), QSettings::IniFormat)
            .setValue(QStringLiteral("UpdateServer"), address);
    }

private Q_SLOTS:
    void initTestCase()
    {
        qputenv("XDG_CONFIG_HOME", Home.path().toUtf8());
        qputenv("BRENVALE_HOME", Home.path().toUtf8());
        InstallUpdateMessages();
        TUpdatePrompts prompts = TDM::InstallPrompts({});
        prompts.StartUpdater = [this](const QString& program) {
            Started << program;
            return false; // no updater there: the program ends all the same
        };
        prompts.Terminate = [this] { ++Terminated; };
        TDM::InstallPrompts(prompts);
    }

    void versionsCompareByteByByte_data()
    {
        QTest::addColumn<QString>("latest");
        QTest::addColumn<QString>("installed");
        QTest::addColumn<bool>("newer");
        QTest::newRow("next") << "3.1.126"
                              << "3.1.125" << true;
        QTest::newRow("same") << "3.1.125"
                              << "3.1.125" << false;
        QTest::newRow("characters, not numbers") << "3.1.99"
                                                 << "3.1.125" << true;
        QTest::newRow("100 after 99") << "3.1.100"
                                      << "3.1.99" << false;
        QTest::newRow("longer wins") << "3.1.1250"
                                     << "3.1.125" << true;
        QTest::newRow("empty never") << ""
                                     << "3.1.125" << false;
        QTest::newRow("bytes unsigned") << "3.1.\u00e9"
                                        << "3.1.z" << true;
    }
    void versionsCompareByteByByte()
    {
        QFETCH(QString, latest);
        QFETCH(QString, installed);
        QFETCH(bool, newer);
        QCOMPARE(IsNewerVersion(latest, installed), newer);
    }

    // Each answer of the server in both modes: what the user is told or asked.
    void checkAgainstTheServer_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("installed");
        QTest::addColumn<bool>("report");
        QTest::addColumn<QString>("told"); // the message, "?" for the question, "" for none
        const QString upToDate = QStringLiteral(
            "There are no updates available at this time.\nYour Brenvale is up-to-date.");
        const QString failed = QStringLiteral("Can not download the new version.\nBecause Can not "
                                              "connect Brenvale,Please check the network.");
        const QByteArray next = "[Version]\r\nVer=3.1.126\r\n";
        QTest::newRow("newer, quiet, no Version yet") << 200 << next << "" << false << "?";
        QTest::newRow("newer, reporting") << 200 << next << "3.1.125" << true << "?";
        QTest::newRow("3.1.99 against 3.1.125")
            << 200 << QByteArray("[Version]\nVer=3.1.99\n") << "3.1.125" << false << "?";
        QTest::newRow("same, quiet")
            << 200 << QByteArray("[Version]\nVer=3.1.125\n") << "3.1.125" << false << "";
        QTest::newRow("same, reporting")
            << 200 << QByteArray("[Version]\nVer=3.1.125\n") << "3.1.125" << true << upToDate;
        QTest::newRow("error page, reporting")
            << 404 << QByteArray("<html>[Version]\nVer=9</html>") << "3.1.125" << true << failed;
        QTest::newRow("error page, quiet") << 500 << QByteArray("x") << "3.1.125" << false << "";
        QTest::newRow("no Ver, reporting")
            << 200 << QByteArray("<html/>") << "3.1.125" << true << upToDate;
        QTest::newRow("too large")
            << 200 << next + QByteArray(MaxUpdateFileSize, ';') << "3.1.125" << true << failed;
    }
    void checkAgainstTheServer()
    {
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        QFETCH(QString, installed);
        QFETCH(bool, report);
        QFETCH(QString, told);
        TUpdateServer server;
        server.Status = status;
        server.Body = body;
        UseServer(server.Address());
        QSettings(SettingsFilePath(), QSettings::IniFormat)
            .setValue(QStringLiteral("Version"), installed);
        Started.clear();
        Terminated = 0;

        TScriptedDialogs dialogs;
        dialogs.Answer(QMessageBox::Yes);
        TDM dm;
        dm.CheckForUpdate(report);

        QVERIFY(server.Request.startsWith("GET /update/Brenvale/Update.ini HTTP/1.1\r\n"));
        QVERIFY(server.Request.contains("\r\nAccept: text/html, */*\r\n"));
        QVERIFY(
            server.Request.contains("\r\nUser-Agent: Mozilla/3.0 (compatible; Indy Library)\r\n"));
        QCOMPARE(dialogs.Asked.size(), told.isEmpty() ? 0 : 1);
        if (told == QStringLiteral("?")) {
            QCOMPARE(dialogs.Asked[0].Text,
                     QStringLiteral("A newer version of Brenvale is available. "
                                    "Would you like to update now?"));
            QCOMPARE(Started, QStringList{QCoreApplication::applicationDirPath() +
                                          QStringLiteral("/Update")});
            QCOMPARE(Terminated, 1);
        } else {
            if (!told.isEmpty())
                QCOMPARE(dialogs.Asked[0].Text, told);
            QVERIFY(Started.isEmpty());
        }
        if (!told.isEmpty()) {
            QCOMPARE(dialogs.Asked[0].Caption, QStringLiteral("Brenvale"));
            QCOMPARE(dialogs.Asked[0].Icon, QMessageBox::Information);
        }
        QCOMPARE(TDM::GetInstalledVersion(),
                 installed.isEmpty() ? QStringLiteral("3.1.125") : installed);
        // The local copy holds the answer; a failed download leaves none.
        QFile local(Home.path() + QStringLiteral("/Update.ini"));
        const bool fetched = status == 200 && body.size() <= MaxUpdateFileSize;
        QCOMPARE(local.exists(), fetched);
        if (fetched) {
            QVERIFY(local.open(QIODevice::ReadOnly));
            QCOMPARE(local.readAll(), body);
        }
    }

    void answeringNoKeepsTheProgramRunning()
    {
        TUpdateServer server;
        server.Body = "[Version]\nVer=4.0\n";
        UseServer(server.Address());
        Started.clear();
        Terminated = 0;
        TScriptedDialogs dialogs;
        dialogs.Answer(QMessageBox::No);
        TDM dm;
        dm.CheckForUpdate(false);
        QCOMPARE(dialogs.Asked.size(), 1);
        QVERIFY(Started.isEmpty());
        QCOMPARE(Terminated, 0);
        QVERIFY(QFile::exists(Home.path() + QStringLiteral("/Update.ini")));
    }

    void noServerOrNoAnswer_data()
    {
        QTest::addColumn<bool>("listening");
        QTest::newRow("no server") << false;
        QTest::newRow("server never answers") << true;
    }
    void noServerOrNoAnswer()
    {
        QFETCH(bool, listening);
        TUpdateServer server;
        server.Silent = true;
        UseServer(server.Address());
        if (!listening)
            server.Server.close();
        for (bool report : {false, true}) {
            TScriptedDialogs dialogs;
            QElapsedTimer clock;
            clock.start();
            TDM dm;
            dm.ReadTimeoutMs = 300;
            dm.CheckForUpdate(report);
            QCOMPARE(dialogs.Asked.size(), report ? 1 : 0);
            if (listening) // the read time-out
                QVERIFY(clock.elapsed() >= 270 && clock.elapsed() < 4500);
        }
    }

    void quietCheckAtStartWhenOn()
    {
        TUpdateServer server;
        server.Body = "[Version]\nVer=4.0\n";
        UseServer(server.Address());
        TScriptedDialogs dialogs;
        MyRegistryInfo.CheckUpdate = false;
        {
            TDM dm;
        }
        QVERIFY(dialogs.Asked.isEmpty());
        MyRegistryInfo.CheckUpdate = true;
        {
            TDM dm;
            QCOMPARE(DM, &dm);
        }
        MyRegistryInfo.CheckUpdate = false;
        QCOMPARE(dialogs.Asked.size(), 1);
        QCOMPARE(DM, nullptr);
    }
};

QTEST_MAIN(TestUpdateCheck)
#include "tst_updatecheck.moc"
