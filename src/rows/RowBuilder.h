#pragma once

#include "engine/UResultRow.h"

#include <QSet>
#include <QString>
#include <QtGlobal>

#include <atomic>
#include <functional>
#include <vector>

class TFileAttri;
class TSyncTask;

// Builds result rows from a comparison tree, as the comparison page and the
// command-line runner show them.
class TRowBuilder
{
public:
    enum class Mode
    {
        Changes,
        All,
        // The pairs both sides changed since the last sync.
        Conflicts,
        // The files whose copy failed in the last sync (FailedPaths).
        Errors
    };

    // cancel: the flag that stops the building; the job's own when null.
    TRowBuilder(const TSyncTask& task, Mode mode, const std::atomic<bool>* cancel = nullptr);

    // Adds rows for the items of the comparison tree's root below the parent row
    // and sets the counters of the parent and of every folder row to the file
    // rows below them that copy right to left and left to right. Stops at once
    // (with the rows added so far) when the cancel flag is set.
    void BuildRows(TResultRow& parent, const TFileAttri& root);
    // The same for a caller that hands the tree over and reads it no more:
    // each folder of the tree gives up its items as soon as their rows are
    // made, so that the rows take the room the tree leaves instead of as much
    // again. The root's counts stay.
    void BuildRowsGivingUp(TResultRow& parent, TFileAttri& root);

    // Called for every item, so that a user interface can handle pending events.
    std::function<void()> ProcessEvents;
    // Called for every file row added (the page's progress grows by one).
    std::function<void()> FileRowAdded;
    // Picture of the Item cell of a file row; the plain document when not set.
    std::function<qint32(const QString& name)> FileTypeImage;
    // Each folder's rows as a file manager lists them: folders first, then
    // files, by name. Otherwise in the order of the comparison.
    bool SortByName = false;
    // The files whose copy failed in the last sync, by the path of either side;
    // the rows of Mode::Errors. Not owned.
    const QSet<QString>* FailedPaths = nullptr;

    // The direction the pair's marks of the last sync give it under the job's
    // options, where it differs from the state's (TResultRow::Proposed):
    // with deciding by the last sync (Conflicts = 1) a conflict gets none and a
    // side that alone changed wins; a job synced when its files change
    // (WatchSync = 1) also gives a conflict none; with carrying deletions over
    // (IsDeleteFile = 1) a file deleted on one side is taken from the other.
    static qint8 Propose(const TSyncTask& task, const TFileAttri& item);

private:
    // The paths of a folder on both sides, each with its closing "/".
    struct TFolderPaths
    {
        QString Left;
        QString Right;
    };

    bool IsListed(const TFileAttri& item, qint8 proposed, const TFolderPaths& paths) const;
    bool GoesJobsWay(const TFileAttri& item, qint8 proposed) const;
    void AddRows(TResultRow& parent, const TFileAttri& folder, const TFolderPaths& paths);
    // Set by BuildRowsGivingUp: the tree walked is the caller's own, not const.
    bool GivingUp = false;
    void AddFileRow(TResultRow& parent, const TFileAttri& item, qint8 proposed);
    std::vector<const TFileAttri*> ItemsInOrder(const TFileAttri& folder) const;
    void SortItems(std::vector<const TFileAttri*>& items) const;
    static void CountDirections(TResultRow& folder);

    bool IsCancelled() const { return Cancel.load(std::memory_order_relaxed); }

    const TSyncTask& Task;
    Mode BuildMode;
    const std::atomic<bool>& Cancel;
};
