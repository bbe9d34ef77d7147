#include "rows/RowBuilder.h"

#include "rows/NameOrder.h"

#include "engine/UFileOper.h"
#include "engine/UFileStructure.h"
#include "jobs/UTSyncTask.h"

#include <algorithm>
#include <chrono>
#include <thread>

TRowBuilder::TRowBuilder(const TSyncTask& task, Mode mode, const std::atomic<bool>* cancel)
    : Task(task), BuildMode(mode), Cancel(cancel != nullptr ? *cancel : task.Cancelled)
{
}

bool TRowBuilder::IsListed(const TFileAttri& item, qint8 proposed, const TFolderPaths& paths) const
{
    if (item.Kind == ItemKind::Folder) {
        // A quick cut of whole subtrees; a folder left in is still dropped below
        // when no row ends up under it.
        switch (BuildMode) {
        case Mode::Changes:
            return item.LeftCount + item.RightCount != 0;
        case Mode::All:
            return item.FileCount != 0;
        default:
            return true;
        }
    }
    switch (BuildMode) {
    case Mode::Changes:
        if (item.State == CompareState::Same)
            return false;
        break;
    case Mode::Conflicts:
        if ((item.SinceSync & SyncMark::Conflict) == 0)
            return false;
        break;
    case Mode::Errors:
        if (FailedPaths == nullptr || (!FailedPaths->contains(paths.Left + item.ItemName) &&
                                       !FailedPaths->contains(paths.Right + item.ItemName)))
            return false;
        break;
    case Mode::All:
        break;
    }
    return GoesJobsWay(item, proposed);
}

// A one-way job lists only the changes that go its way. Files only: a folder's
// own time changes whenever an entry comes or goes, so it says nothing about
// the files below it. A direction the last sync decided counts for the state's.
bool TRowBuilder::GoesJobsWay(const TFileAttri& item, qint8 proposed) const
{
    if (Task.SyncDirection != 1 && Task.SyncDirection != 2)
        return true;
    if (proposed == SyncDirection::LeftToRight || proposed == SyncDirection::RightToLeft)
        return proposed ==
               (Task.SyncDirection == 2 ? SyncDirection::LeftToRight : SyncDirection::RightToLeft);
    if (Task.SyncDirection == 2 &&
        (item.State == CompareState::RightOnly || item.State == CompareState::RightNewer))
        return false;
    if (Task.SyncDirection == 1 &&
        (item.State == CompareState::LeftOnly || item.State == CompareState::LeftNewer))
        return false;
    return true;
}

qint8 TRowBuilder::Propose(const TSyncTask& task, const TFileAttri& item)
{
    const quint8 marks = item.SinceSync;
    if ((marks & SyncMark::Recorded) == 0 || item.SideUnreadable)
        return TResultRow::NoProposal;
    // A job synced whenever its files change never lets a clock decide a
    // conflict either: it would be copied back and forth.
    if ((marks & SyncMark::Conflict) && (task.Conflicts == 1 || task.WatchSync == 1))
        return SyncDirection::None;
    if (task.Conflicts == 1) {
        const bool left = marks & SyncMark::ChangedLeft;
        const bool right = marks & SyncMark::ChangedRight;
        if (left && !right && item.State == CompareState::RightNewer)
            return SyncDirection::LeftToRight;
        if (right && !left && item.State == CompareState::LeftNewer)
            return SyncDirection::RightToLeft;
    }
    if (task.IsDeleteFile == 1 && (marks & SyncMark::Conflict) == 0) {
        if ((marks & SyncMark::DeletedLeft) && item.State == CompareState::RightOnly)
            return SyncDirection::LeftToRight;
        if ((marks & SyncMark::DeletedRight) && item.State == CompareState::LeftOnly)
            return SyncDirection::RightToLeft;
    }
    return TResultRow::NoProposal;
}

void TRowBuilder::AddFileRow(TResultRow& parent, const TFileAttri& item, qint8 proposed)
{
    TResultRow* row = parent.AddChild();
    row->Kind = ItemKind::File;
    row->Name = item.ItemName;
    row->ItemImage = FileTypeImage ? FileTypeImage(item.ItemName) : RowImage::Document;
    row->State = item.State;
    row->LeftSize = item.LeftSize;
    row->LeftTime = item.LeftTime;
    row->LeftAttr = item.LeftAttr;
    // An item below a one-sided folder carries the folder's one-sided state.
    row->OnLeft = item.State != CompareState::RightOnly;
    row->RightSize = item.RightSize;
    row->RightTime = item.RightTime;
    row->RightAttr = item.RightAttr;
    row->OnRight = item.State != CompareState::LeftOnly;
    if (FileRowAdded)
        FileRowAdded();
    row->DirectImage = RowImage::CanMove;
    row->SinceSync = item.SinceSync;
    row->Proposed = proposed;
    ApplyStateDefaults(*row);
    if (item.SideUnreadable) {
        // A side of this file's folder could not be listed: what it holds there is
        // unknown, so nothing is copied either way.
        row->LeftImage = RowImage::Empty;
        row->RightImage = RowImage::Empty;
        row->Direction = SyncDirection::None;
        row->DirectImage = RowImage::DontMove;
    }
}

// The paths are those the scan took: each root's folder prefix and the names on
// the way down, joined by "/".
void TRowBuilder::BuildRows(TResultRow& parent, const TFileAttri& root)
{
    const TFolderPaths paths{SyncPath::FolderPrefix(Task.LFolder.FolerAllName),
                             SyncPath::FolderPrefix(Task.RFolder.FolerAllName)};
    AddRows(parent, root, paths);
}

void TRowBuilder::BuildRowsGivingUp(TResultRow& parent, TFileAttri& root)
{
    GivingUp = true;
    BuildRows(parent, root);
    GivingUp = false;
    root.ClearChildren();
}

void TRowBuilder::AddRows(TResultRow& parent, const TFileAttri& folder, const TFolderPaths& paths)
{
    for (const TFileAttri* child : ItemsInOrder(folder)) {
        if (IsCancelled())
            break;
        if (ProcessEvents)
            ProcessEvents();
        const TFileAttri& item = *child;
        const qint8 proposed =
            item.Kind == ItemKind::Folder ? TResultRow::NoProposal : Propose(Task, item);
        if (!IsListed(item, proposed, paths))
            continue;
        if (item.Kind != ItemKind::Folder) {
            AddFileRow(parent, item, proposed);
            continue;
        }
        TResultRow* row = parent.AddChild();
        row->Kind = ItemKind::Folder;
        // The folder's own state (its two folders' times); it gives the row no
        // direction.
        row->State = item.State;
        row->Name = item.ItemName;
        row->ItemImage = RowImage::Folder;
        row->LeftImage = RowImage::FolderLeft;
        row->RightImage = RowImage::FolderRight;
        row->DirectImage = RowImage::CanMove;
        const QLatin1Char separator('/');
        AddRows(*row, item,
                TFolderPaths{paths.Left + item.ItemName + separator,
                             paths.Right + item.ItemName + separator});
        if (row->ChildCount() == 0 && !IsCancelled())
            parent.RemoveLastChild();
        // The item belongs to the tree BuildRowsGivingUp was handed, which is
        // not const: its room goes to the rows still to be made.
        if (GivingUp)
            const_cast<TFileAttri&>(item).ClearChildren();
    }
    parent.FitChildren();
    CountDirections(parent);
}

// A folder's counters are those of the rows below it, by the arrow each shows:
// what a sync of the listed rows would copy each way.
void TRowBuilder::CountDirections(TResultRow& folder)
{
    qint32 rightToLeft = 0;
    qint32 leftToRight = 0;
    for (int i = 0; i < folder.ChildCount(); ++i) {
        const TResultRow& child = *folder.Child(i);
        if (child.Kind == ItemKind::Folder) {
            rightToLeft += child.RtoLCount();
            leftToRight += child.LtoRCount();
        } else if (child.Direction == SyncDirection::RightToLeft) {
            ++rightToLeft;
        } else if (child.Direction == SyncDirection::LeftToRight) {
            ++leftToRight;
        }
    }
    folder.SetCounts(rightToLeft, leftToRight);
}

std::vector<const TFileAttri*> TRowBuilder::ItemsInOrder(const TFileAttri& folder) const
{
    std::vector<const TFileAttri*> items;
    items.reserve(folder.Children.size());
    for (const auto& child : folder.Children)
        items.push_back(child.get());
    if (SortByName)
        SortItems(items);
    return items;
}

// Folders first, then files, each by name. A wide folder is sorted on a thread
// of its own while the caller's events go on, so that a window stays answering.
void TRowBuilder::SortItems(std::vector<const TFileAttri*>& items) const
{
    const auto sort = [&items] {
        std::sort(items.begin(), items.end(), [](const TFileAttri* a, const TFileAttri* b) {
            if ((a->Kind == ItemKind::Folder) != (b->Kind == ItemKind::Folder))
                return a->Kind == ItemKind::Folder;
            return NameOrder::Before(a->ItemName, b->ItemName);
        });
    };
    constexpr size_t WideFolder = 20000;
    if (items.size() < WideFolder || !ProcessEvents) {
        sort();
        return;
    }
    std::atomic<bool> sorted = false;
    std::thread sorter([&] {
        sort();
        sorted = true;
    });
    while (!sorted) {
        ProcessEvents();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    sorter.join();
}
