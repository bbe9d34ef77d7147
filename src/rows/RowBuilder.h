#pragma once

#include "engine/UResultRow.h"

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
        All
    };

    // cancel: the flag that stops the building; the job's own when null.
    TRowBuilder(const TSyncTask& task, Mode mode, const std::atomic<bool>* cancel = nullptr);

    // Adds rows for the items of the comparison tree's root below the parent row
    // and sets the counters of the parent and of every folder row to the file
    // rows below them that copy right to left and left to right. Stops at once
    // (with the rows added so far) when the cancel flag is set.
    void BuildRows(TResultRow& parent, const TFileAttri& root);

    // Called for every item, so that a user interface can handle pending events.
    std::function<void()> ProcessEvents;
    // Called for every file row added (the page's progress grows by one).
    std::function<void()> FileRowAdded;
    // Picture of the Item cell of a file row; the plain document when not set.
    std::function<qint32(const QString& name)> FileTypeImage;
    // Each folder's rows as a file manager lists them: folders first, then
    // files, by name. Otherwise in the order of the comparison.
    bool SortByName = false;

private:
    // The paths of a folder on both sides, each with its closing "/".
    struct TFolderPaths
    {
        QString Left;
        QString Right;
    };

    bool IsListed(const TFileAttri& item) const;
    void AddRows(TResultRow& parent, const TFileAttri& folder, const TFolderPaths& paths);
    void AddFileRow(TResultRow& parent, const TFileAttri& item, const TFolderPaths& paths);
    std::vector<const TFileAttri*> ItemsInOrder(const TFileAttri& folder) const;
    void SortItems(std::vector<const TFileAttri*>& items) const;
    static void CountDirections(TResultRow& folder);

    bool IsCancelled() const { return Cancel.load(std::memory_order_relaxed); }

    const TSyncTask& Task;
    Mode BuildMode;
    const std::atomic<bool>& Cancel;
};
