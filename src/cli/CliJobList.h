#pragma once

#include <QString>

class TSyncTask;

// The runner's view of the task list: read once into the process-wide job list,
// never written. Jobs marked deleted do not exist for the runner.
namespace CliJobList {

// Reads the task list (the data folder's "tasklist.qn" when the path is empty).
// False with the reason when it is missing or cannot be parsed; a list whose
// reading stopped at a bad job loads the jobs before it and gives a warning.
bool Load(const QString& path, QString& error, QString& warning);

// The job that the text names: its position (0, 1, ...) or its exact name. Null
// with the reason when there is none, or when two jobs carry the name.
TSyncTask* Find(const QString& text, QString& error);

// The direction as the jobs command shows it.
QString DirectionText(qint32 direction);

} // namespace CliJobList
