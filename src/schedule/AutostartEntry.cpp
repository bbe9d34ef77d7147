#include "schedule/AutostartEntry.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

namespace {

// Characters that make an Exec argument need quotes (the desktop entry rules).
bool NeedsQuotes(const QString& path)
{
    static const QString Reserved = QStringLiteral(" \t\"'\\><~|&;$*?#()`");
    return std::any_of(path.begin(), path.end(), [](QChar c) { return Reserved.contains(c); });
}

QString ExecValue(const QString& executable)
{
    if (!NeedsQuotes(executable))
        return executable;
    QString quoted;
    for (QChar c : executable) {
        if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') ||
            c == QLatin1Char('\\'))
            quoted += QLatin1Char('\\');
        quoted += c;
    }
    // In a desktop file's string value a backslash is itself escaped.
    quoted.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

// The Exec value with its quotes and escapes undone; empty when it holds more than
// one argument, since the entry must start the executable alone.
QString ExecProgram(const QString& value)
{
    QString text = value;
    text.replace(QStringLiteral("\\\\"), QStringLiteral("\\"));
    if (!text.startsWith(QLatin1Char('"')))
        return text.contains(QLatin1Char(' ')) ? QString() : text;
    QString program;
    for (qsizetype at = 1; at < text.size(); ++at) {
        if (text[at] == QLatin1Char('\\') && at + 1 < text.size())
            program += text[++at];
        else if (text[at] == QLatin1Char('"'))
            return at + 1 == text.size() ? program : QString();
        else
            program += text[at];
    }
    return QString(); // no closing quote
}

} // namespace

namespace AutostartEntry {

QString Path(const QString& executable)
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/autostart/") + QFileInfo(executable).fileName() +
           QStringLiteral(".desktop");
}

bool IsOn(const QString& executable)
{
    QFile file(Path(executable));
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return false;
    bool inEntry = false;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (line.startsWith(QLatin1Char('[')))
            inEntry = line == QStringLiteral("[Desktop Entry]");
        else if (inEntry && line.startsWith(QStringLiteral("Exec=")))
            return ExecProgram(line.mid(5)) == executable;
    }
    return false;
}

bool Set(const QString& executable, bool on)
{
    const QString path = Path(executable);
    if (!on)
        return !QFileInfo::exists(path) || QFile::remove(path);
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        return false;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text))
        return false;
    const QString entry = QStringLiteral("[Desktop Entry]\n"
                                         "Type=Application\n"
                                         "Name=Brenvale\n"
                                         "Comment=Keeps pairs of folder trees in step\n"
                                         "Exec=%1\n"
                                         "Terminal=false\n")
                              .arg(ExecValue(executable));
    file.write(entry.toUtf8());
    return file.commit();
}

} // namespace AutostartEntry
