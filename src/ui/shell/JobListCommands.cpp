#include "ui/shell/JobListCommands.h"

#include "common/DataFolder.h"
#include "jobs/TaskListFile.h"
#include "jobs/UTSyncTask.h"
#include "ui/editor/UCreatTaskForm.h"
#include "ui/kit/ModalDialogs.h"
#include "ui/shell/UQuillonFom.h"

#include <QTextStream>

#include <optional>
#include <utility>

TJobListCommands::TJobListCommands(TQuillonFom& window) : Window(window) {}

void TJobListCommands::SaveJobList()
{
    QString error;
    if (SyncTaskList && !SaveTaskList(*SyncTaskList, DataFolder::TaskListPath(), &error))
        QTextStream(stderr) << "Brenvale: the job list was not written: " << error << '\n';
}

void TJobListCommands::AddJob()
{
    TCreatTaskForm form(&Window);
    form.TaskIndex = -1;
    form.exec();
    if (!form.Confirmed || form.Task == nullptr)
        return;
    SaveJobList();
    Window.ShowAddedJob(form.Task->SyncName);
}

void TJobListCommands::EditCurrentJob()
{
    const int i = Window.CurrentJobIndex();
    if (i < 0 || i >= Window.JobTabs.size())
        return;
    TCreatTaskForm form(&Window);
    form.TaskIndex = i;
    form.exec();
    if (!form.Confirmed)
        return;
    SaveJobList();
    Window.RebindJobPage(i);
}

void TJobListCommands::DeleteCurrentJob()
{
    const int i = Window.CurrentJobIndex();
    if (i < 0 || i >= Window.JobTabs.size())
        return;
    // The question shows no icon.
    if (ModalDialogs::Question(&Window,
                               QStringLiteral("Are you going to delete ") + Window.TabCaption(i) +
                                   QStringLiteral(" ? "),
                               QMessageBox::Yes | QMessageBox::No, QMessageBox::NoButton,
                               QMessageBox::NoIcon) != QMessageBox::Yes)
        return;
    if (SyncTaskList)
        SyncTaskList->MarkDeleted(i);
    SaveJobList();
    Window.HideDeletedJob(i);
}

void TJobListCommands::ExportJobList()
{
    if (Window.CurrentTab == nullptr || !SyncTaskList)
        return;
    std::optional<QString> chosen = ModalDialogs::SaveFileName(
        &Window, QStringLiteral("Export Task List"), QString(), QStringLiteral("qn (*.qn)"));
    if (!chosen || chosen->isEmpty())
        return;
    QString path = *chosen;
    if (!path.endsWith(QStringLiteral(".qn"), Qt::CaseInsensitive))
        path += QStringLiteral(".qn");
    QString error;
    if (!SaveTaskList(*SyncTaskList, path, &error))
        QTextStream(stderr) << "Brenvale: the task list was not exported: " << error << '\n';
}

// The chosen file is read before anything goes: a file that is no task list leaves
// the jobs as they are.
void TJobListCommands::ImportJobList()
{
    std::optional<QString> chosen = ModalDialogs::OpenFileName(
        &Window, QStringLiteral("Import Task List"), QString(), QStringLiteral("qn (*.qn)"));
    if (!chosen || chosen->isEmpty())
        return;
    TSyncTaskList imported;
    const TTaskListLoad load = LoadTaskList(*chosen, imported);
    if (load.Result == TTaskListLoad::Outcome::Missing ||
        load.Result == TTaskListLoad::Outcome::Unparsable) {
        ModalDialogs::Message(&Window, QMessageBox::Warning,
                              QStringLiteral("The file is not a valid task list!"));
        return;
    }
    Window.RemoveJobPages();
    if (!SyncTaskList)
        CreateTaskList();
    *SyncTaskList = std::move(imported);
    SaveJobList();
    Window.ShowJobPages();
}
