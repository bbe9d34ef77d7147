#pragma once

#include <QString>

class TSyncTaskList;

// The job list file, "tasklist.qn": XML, one element per job below the root.
//
// Nothing is lost by a save: the jobs of a file whose reading stopped at a bad job
// are kept as read and written back after the loaded ones; a file that cannot be
// parsed is kept aside as "tasklist.qn.bad" (numbered when that exists) before the
// new file is written; and the file is replaced in one step (a new file renamed
// over the old one), readable by its owner only, since it holds passwords.
//
// Texts read back exactly as written, blanks included (a list entry ends at a line
// break), except characters that XML cannot hold (most control characters among
// them): a save writes these as U+FFFD and warns on standard error.
//
// Limits: a file that costs more to read than any job list needs is taken as one
// that cannot be parsed, and read only as far as that takes, in time and memory
// that grow with its size alone: a file larger than 16 MiB; elements nested
// deeper than 64 levels; an element with more than 1,000 attributes; an element
// whose own text is longer than 1,048,576 characters; a list (an element's own
// text) of more than 10,000 line breaks, and so entries.

// How a load went. The program's start-up and import report nothing to the user;
// the command-line runner tells an unreadable task list.
struct TTaskListLoad
{
    enum class Outcome
    {
        Loaded,
        Missing,
        Unparsable,
        StoppedAtBadJob
    };
    Outcome Result = Outcome::Missing;
    // The position of the first job that was not loaded (StoppedAtBadJob).
    int BadJob = -1;
    QString Error;
};

// Replaces the contents of the list with the jobs of the file at the path.
[[nodiscard]] TTaskListLoad LoadTaskList(const QString& path, TSyncTaskList& list);
// The same on the process-wide job list.
[[nodiscard]] TTaskListLoad LoadTaskList(const QString& path);

// Writes the list's jobs (those not marked deleted) to the file at the path.
// False, with the reason, when the file could not be written, or when it would not
// read back (a kept job that needs a declaration of the file it came from).
[[nodiscard]] bool SaveTaskList(const TSyncTaskList& list, const QString& path,
                                QString* error = nullptr);
// Writes the process-wide job list to "tasklist.qn" in the data folder.
[[nodiscard]] bool SaveTaskList();
