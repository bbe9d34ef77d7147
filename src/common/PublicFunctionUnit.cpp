#include "common/PublicFunctionUnit.h"

#include <QSettings>
#include <QStandardPaths>

#include <pwd.h>
#include <unistd.h>

#include <vector>

TMyRegistryInfo MyRegistryInfo;

namespace {

// A stored whole number; false for anything else (text, an empty value).
bool ReadInteger(const QVariant& stored, qint32& value)
{
    bool ok = false;
    const int number = stored.toString().trimmed().toInt(&ok);
    if (ok)
        value = number;
    return ok;
}

} // namespace

QString SettingsFilePath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/Brenvale/Brenvale.conf");
}

void LoadRegistrySettings()
{
    QSettings settings(SettingsFilePath(), QSettings::IniFormat);
    TMyRegistryInfo info;

    // Each value in its order: read it when stored, else take and store the default.
    const QString checkUpdate = QStringLiteral("CheckUpdate");
    if (settings.contains(checkUpdate)) {
        qint32 value = 0;
        info.CheckUpdate = ReadInteger(settings.value(checkUpdate), value) && value != 0;
    } else {
        settings.setValue(checkUpdate, 0);
    }
    auto text = [&](const QString& name, const QString& fallback) {
        if (settings.contains(name))
            return settings.value(name).toString();
        settings.setValue(name, fallback);
        return fallback;
    };
    info.HelpURL =
        text(QStringLiteral("HelpURL"), QStringLiteral("https://brenvale.example/help/"));
    info.HomePage = text(QStringLiteral("HomePage"), QStringLiteral("https://brenvale.example/"));
    auto number = [&](const QString& name, qint32 fallback) {
        qint32 value = fallback;
        if (!settings.contains(name))
            settings.setValue(name, fallback);
        else if (!ReadInteger(settings.value(name), value))
            value = fallback;
        return value;
    };
    info.len_up = number(QStringLiteral("len_up"), 1);
    info.len_down = number(QStringLiteral("len_down"), 6);
    settings.sync();
    MyRegistryInfo = info;
}

QString GetLogonUserName()
{
    long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(size > 0 ? size_t(size) : 16384);
    struct passwd entry;
    struct passwd* found = nullptr;
    if (::getpwuid_r(::geteuid(), &entry, buffer.data(), buffer.size(), &found) != 0 ||
        found == nullptr)
        return {};
    return QString::fromLocal8Bit(found->pw_name);
}

QDateTime ParseDateTimeText(const QString& text)
{
    // Positions counted from 0: month 0-1, day 3-4, year 6-9, hour 11-12, minute 14-15.
    auto field = [&](qsizetype start, qsizetype length, int& value) {
        if (text.size() < start + length)
            return false;
        value = 0;
        for (qsizetype i = start; i < start + length; ++i) {
            const char16_t c = text.at(i).unicode();
            if (c < u'0' || c > u'9')
                return false;
            value = value * 10 + int(c - u'0');
        }
        return true;
    };
    int month = 0, day = 0, year = 0, hour = 0, minute = 0;
    if (!field(0, 2, month) || !field(3, 2, day) || !field(6, 4, year) || !field(11, 2, hour) ||
        !field(14, 2, minute))
        return {};
    const QDate date(year, month, day);
    const QTime time(hour, minute);
    if (!date.isValid() || !time.isValid())
        return {};
    return QDateTime(date, time);
}

bool IsValidFileName(const QString& name)
{
    static const char forbidden[] = {'\\', '/', ':', '*', '?', '>', '<', '|'};
    for (char c : forbidden) {
        if (name.contains(QLatin1Char(c)))
            return false;
    }
    return true;
}
