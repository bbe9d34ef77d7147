#pragma once

#include "schedule/ScheduleTaskUnit.h"

#include <QString>

#include <optional>

// A crontab held in memory in place of the user's while it lives; a text in
// Fail makes it unreachable with that reason.
struct TMemoryCrontab
{
    QString Text;
    QString Fail;
    TCrontab Previous;

    TMemoryCrontab()
    {
        TCrontab crontab;
        crontab.Read = [this](QString& error) -> std::optional<QString> {
            if (!Fail.isEmpty()) {
                error = Fail;
                return std::nullopt;
            }
            return Text;
        };
        crontab.Write = [this](const QString& text, QString&) {
            Text = text;
            return true;
        };
        Previous = InstallCrontab(crontab);
    }
    ~TMemoryCrontab() { InstallCrontab(Previous); }
    TMemoryCrontab(const TMemoryCrontab&) = delete;
    TMemoryCrontab& operator=(const TMemoryCrontab&) = delete;
};
