#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QString>
#include <QStringList>

// One finished run of brenvale-cli.
struct CliResult
{
    int Code = -1;
    QString Out;
    QString Err;

    QStringList OutLines() const;
    // Standard output as a JSON object; fails the calling test when it is none.
    QJsonObject Json() const;
};

// Starts brenvale-cli with the C locale, its output on pipes (no terminal).
class CliRunner
{
public:
    static QString Program();

    // Runs to the end; asNobody runs it as the unprivileged user nobody.
    static CliResult Run(const QStringList& arguments, bool asNobody = false,
                         const QStringList& environment = {});

    // Makes the folder and everything below it belong to nobody, and lets nobody
    // pass through the folders above it.
    static bool GiveToNobody(const QString& path);
    static bool IsRoot();
};
