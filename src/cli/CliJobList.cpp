#include "cli/CliJobList.h"

#include "common/DataFolder.h"
#include "jobs/TaskListFile.h"
#include "jobs/UTSyncTask.h"

namespace CliJobList {

namespace {

bool IsDeleted(const TSyncTask& job)
{
    return job.ListState == JobListState::Deleted;
}

} // namespace

bool Load(const QString& path, QString& error, QString& warning)
{
    const QString file = path.isEmpty() ? DataFolder::TaskListPath() : path;
    CreateTaskList();
    const TTaskListLoad load = LoadTaskList(file);
    switch (load.Result) {
    case TTaskListLoad::Outcome::Loaded:
        return true;
    case TTaskListLoad::Outcome::Missing:
        error = QStringLiteral("no task list at %1").arg(file);
        return false;
    case TTaskListLoad::Outcome::Unparsable:
        error = QStringLiteral("cannot read the task list %1: %2").arg(file, load.Error);
        return false;
    case TTaskListLoad::Outcome::StoppedAtBadJob:
        warning = QStringLiteral("the task list %1 is read only up to job %2 (%3); the jobs "
                                 "from there on are left out")
                      .arg(file)
                      .arg(load.BadJob)
                      .arg(load.Error);
        return true;
    }
    return true;
}

TSyncTask* Find(const QString& text, QString& error)
{
    bool isNumber = false;
    const int position = text.toInt(&isNumber);
    // Only plain digits name a position: "+1" or " 1" are names.
    if (isNumber && !text.isEmpty() && text.front().isDigit() && text.back().isDigit()) {
        TSyncTask* job = SyncTaskList->TaskByIndex(position);
        if (job != nullptr && !IsDeleted(*job))
            return job;
    }
    TSyncTask* found = nullptr;
    for (int i = 0; i < SyncTaskList->Count(); ++i) {
        TSyncTask* job = SyncTaskList->TaskByIndex(i);
        if (IsDeleted(*job) || job->SyncName != text)
            continue;
        if (found != nullptr) {
            error =
                QStringLiteral("more than one job is named \"%1\"; give its position").arg(text);
            return nullptr;
        }
        found = job;
    }
    if (found == nullptr)
        error = QStringLiteral("no job \"%1\" in the task list").arg(text);
    return found;
}

QString DirectionText(qint32 direction)
{
    switch (direction) {
    case 0:
        return QStringLiteral("both ways");
    case 1:
        return QStringLiteral("right to left");
    case 2:
        return QStringLiteral("left to right");
    default:
        return QString::number(direction);
    }
}

} // namespace CliJobList
