#pragma once

#include <QString>

// Where Brenvale keeps its own files ("tasklist.qn", "Update.ini", the help):
// $BRENVALE_HOME when set, else the executable's folder when it is writable,
// else $XDG_DATA_HOME/Brenvale (created when missing).
namespace DataFolder {

QString Path();
// The job list file in the data folder.
QString TaskListPath();
// The folder of the records of the last syncs, one file per pair of folders.
QString SyncStatePath();

} // namespace DataFolder
