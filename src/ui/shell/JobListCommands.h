#pragma once

class TQuillonFom;

// The commands of the main window that change the job list or carry it to and
// from a file: add a job, edit or delete the current job, export and import the
// list. Each asks the user through dialogs over the window, changes the job list,
// writes it to "tasklist.qn" at once and leaves showing the change to the window.
class TJobListCommands
{
public:
    explicit TJobListCommands(TQuillonFom& window);

    // The job editor for a new job; a confirmed job gets its tab, made current.
    void AddJob();
    // The job editor for the current job; its page takes the changes.
    void EditCurrentJob();
    // After the user's yes, the current job is marked deleted and its tab hidden.
    void DeleteCurrentJob();
    // The job list as it is now, deleted jobs left out, goes to the chosen file.
    void ExportJobList();
    // The chosen file replaces the job list, and every page and tab with it.
    void ImportJobList();

    // The job list goes to its file after every change of it, and again at the
    // end, so that a crash or a power cut loses no job the user made. Failures
    // stay silent for the user, as every reading and writing of the list.
    void SaveJobList();

private:
    TQuillonFom& Window;
};
