#include "jobs/UTSyncTask.h"

#include <QDir>

std::unique_ptr<TSyncTaskList> SyncTaskList;

void CreateTaskList()
{
    SyncTaskList = std::make_unique<TSyncTaskList>();
}

namespace {

// A root as a run uses it. An empty (or blank) path stays as it is, so that the
// folder check still refuses it.
QString RunRoot(const QString& path)
{
    const QString trimmed = TrimBlanksAndControls(path);
    if (trimmed.isEmpty())
        return path;
    return QDir::cleanPath(QDir::current().absoluteFilePath(trimmed));
}

} // namespace

std::unique_ptr<TSyncTask> TSyncTask::Snapshot() const
{
    std::unique_ptr<TSyncTask> copy(new TSyncTask(*this));
    copy->LFolder.FolerAllName = RunRoot(LFolder.FolerAllName);
    copy->RFolder.FolerAllName = RunRoot(RFolder.FolerAllName);
    return copy;
}

std::unique_ptr<TSyncTask> NewLocalJob(const QString& name, const QString& leftFolder,
                                       const QString& rightFolder)
{
    auto job = std::make_unique<TSyncTask>();
    job->SyncName = name;
    job->LFolder.DeviceType = SideDevice::LocalFolder;
    job->LFolder.FolerAllName = leftFolder;
    job->RFolder.DeviceType = SideDevice::LocalFolder;
    job->RFolder.FolerAllName = rightFolder;
    job->ListState = JobListState::Added;
    return job;
}

QString TrimBlanksAndControls(const QString& text)
{
    qsizetype first = 0;
    qsizetype last = text.size();
    while (first < last && text.at(first).unicode() <= 32)
        ++first;
    while (last > first && text.at(last - 1).unicode() <= 32)
        --last;
    if (first == 0 && last == text.size())
        return text;
    return text.mid(first, last - first);
}

TSyncTask* TSyncTaskList::TaskByIndex(int position) const
{
    if (position < 0 || position >= Count())
        return nullptr;
    return Items[static_cast<size_t>(position)].Task.get();
}

QString TSyncTaskList::KeyByIndex(int position) const
{
    if (position < 0 || position >= Count())
        return {};
    return Items[static_cast<size_t>(position)].Key;
}

void TSyncTaskList::AddToList(std::unique_ptr<TSyncTask> job)
{
    job->ListState = JobListState::Added;
    AppendLoaded(std::move(job));
}

void TSyncTaskList::AppendLoaded(std::unique_ptr<TSyncTask> job)
{
    QString key = job->SyncID;
    Items.push_back(Entry{std::move(key), std::move(job)});
}

void TSyncTaskList::MarkDeleted(int position)
{
    if (TSyncTask* job = TaskByIndex(position))
        job->ListState = JobListState::Deleted;
}

bool TSyncTaskList::TaskNameExists(const QString& name) const
{
    const QString wanted = TrimBlanksAndControls(name);
    for (const Entry& entry : Items) {
        if (TrimBlanksAndControls(entry.Task->SyncName) == wanted)
            return true;
    }
    return false;
}
