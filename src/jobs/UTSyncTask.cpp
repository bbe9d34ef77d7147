#include "jobs/UTSyncTask.h"

std::unique_ptr<TSyncTaskList> SyncTaskList;

void CreateTaskList()
{
    SyncTaskList = std::make_unique<TSyncTaskList>();
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
    job->ListState = 2;
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
        job->ListState = 1;
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
