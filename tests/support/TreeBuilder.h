#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QTemporaryDir>

// Builds described folder trees in temporary folders for the tests.
class TreeBuilder
{
public:
    explicit TreeBuilder(const QString& root) : Root(root) {}

    const QString& root() const { return Root; }
    QString path(const QString& relative) const;

    // Writes a file (creating its folders) and, when given, sets its modification
    // time. Fails the calling test through QTest when anything goes wrong.
    bool file(const QString& relative, const QByteArray& content,
              const QDateTime& modified = QDateTime());
    bool folder(const QString& relative);
    bool setTime(const QString& relative, const QDateTime& modified);
    bool setMode(const QString& relative, unsigned mode);
    QByteArray read(const QString& relative) const;
    bool exists(const QString& relative) const;

private:
    QString Root;
};

// A fixed local time at an even second, the resolution of packed file times.
QDateTime LocalTime(int year, int month, int day, int hour = 12, int minute = 0, int second = 0);

// Runs a command line as an unprivileged user (nobody) when the tests run as root,
// so that permission checks apply; returns true when setpriv is available.
bool CanDropPrivileges();
