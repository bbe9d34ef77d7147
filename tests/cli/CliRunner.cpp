#include "CliRunner.h"

#include <QFile>
#include <QJsonDocument>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <QTest>

#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

QStringList CliResult::OutLines() const
{
    return Out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

QJsonObject CliResult::Json() const
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(Out.toUtf8(), &error);
    if (error.error != QJsonParseError::NoError || !document.isObject()) {
        QTest::qFail(qPrintable(QStringLiteral("not a JSON object: ") + error.errorString() +
                                QStringLiteral("\n") + Out),
                     __FILE__, __LINE__);
        return {};
    }
    return document.object();
}

QString CliRunner::Program()
{
    return QStringLiteral(BRENVALE_CLI_PATH);
}

CliResult CliRunner::Run(const QStringList& arguments, bool asNobody,
                         const QStringList& extraEnvironment)
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("C"));
    environment.insert(QStringLiteral("LANG"), QStringLiteral("C"));
    // The records of the last syncs go to a folder of the test's own (one
    // that belongs to nobody for runs as nobody), unless the test names a data
    // folder.
    static QTemporaryDir home;
    static QTemporaryDir nobodysHome;
    if (asNobody && ::chown(QFile::encodeName(nobodysHome.path()).constData(), 65534, 65534) != 0)
        QTest::qFail("cannot give nobody a data folder", __FILE__, __LINE__);
    environment.insert(QStringLiteral("BRENVALE_HOME"), (asNobody ? nobodysHome : home).path());
    for (const QString& setting : extraEnvironment)
        environment.insert(setting.section(QLatin1Char('='), 0, 0),
                           setting.section(QLatin1Char('='), 1));
    process.setProcessEnvironment(environment);
    if (asNobody) {
        process.start(QStringLiteral("setpriv"),
                      QStringList{QStringLiteral("--reuid=65534"), QStringLiteral("--regid=65534"),
                                  QStringLiteral("--clear-groups"), Program()} +
                          arguments);
    } else {
        process.start(Program(), arguments);
    }
    CliResult result;
    if (!process.waitForFinished(300000) || process.exitStatus() != QProcess::NormalExit) {
        result.Err = QString::fromUtf8(process.readAllStandardError());
        return result;
    }
    result.Code = process.exitCode();
    result.Out = QString::fromUtf8(process.readAllStandardOutput());
    result.Err = QString::fromUtf8(process.readAllStandardError());
    return result;
}

bool CliRunner::GiveToNobody(const QString& path)
{
    namespace fs = std::filesystem;
    const fs::path root(path.toStdString());
    std::error_code error;
    if (::chown(root.c_str(), 65534, 65534) != 0)
        return false;
    for (auto it = fs::recursive_directory_iterator(root, error);
         !error && it != fs::recursive_directory_iterator(); it.increment(error)) {
        if (::lchown(it->path().c_str(), 65534, 65534) != 0)
            return false;
    }
    // The temporary folders above are root's and closed to others.
    for (fs::path up = root.parent_path(); up != up.root_path(); up = up.parent_path()) {
        struct stat st;
        if (::stat(up.c_str(), &st) != 0)
            return false;
        if ((st.st_mode & S_IXOTH) == 0 && ::chmod(up.c_str(), st.st_mode | S_IXOTH) != 0)
            return false;
    }
    return !error;
}

bool CliRunner::IsRoot()
{
    return ::geteuid() == 0;
}
