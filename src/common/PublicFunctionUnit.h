#pragma once

#include <QDateTime>
#include <QString>
#include <QtGlobal>

// Public helpers and the settings record, shared by the windows and the engine.
// They need no widgets and are built into the core library.

// The settings, filled once at start by LoadRegistrySettings.
class TMyRegistryInfo
{
public:
    bool CheckUpdate = false;
    QString HelpURL;
    QString HomePage;
    qint32 len_up = 0;
    qint32 len_down = 0;
};

extern TMyRegistryInfo MyRegistryInfo;

// The program's built-in version, from the project version of the build.
constexpr char BuiltInVersion[] = BRENVALE_VERSION;

// The settings file: $XDG_CONFIG_HOME/Brenvale/Brenvale.conf, in INI format. Every
// part of the program that keeps a setting opens it here.
QString SettingsFilePath();

// Fills MyRegistryInfo from the settings file ($XDG_CONFIG_HOME/Brenvale/Brenvale.conf)
// and writes the default of each missing value; an existing value is never
// rewritten. A value of an unexpected kind (CheckUpdate=yes) reads as its default
// and stays as it is stored.
void LoadRegistrySettings();

// The login name of the effective user; empty when the system does not know it.
QString GetLogonUserName();

// Reads a date and time laid out as "MM-DD-YYYY hh:mm" by character positions (any
// separators). Text that is no valid date and time gives an invalid QDateTime.
QDateTime ParseDateTimeText(const QString& text);

// False when the name holds one of \ / : * ? > < |; true otherwise, also when empty.
bool IsValidFileName(const QString& name);
