#pragma once

#include "engine/SyncState.h"

#include <QtGlobal>

#include <set>
#include <string>
#include <vector>

class TFileAttri;

// Reads the record of the last sync against a new comparison tree, in one walk
// down the tree, folder by folder: each folder of the record is looked up once
// and each file among the folder's entries.
//
// It marks every file pair that has an entry with what changed since the last
// sync (TFileAttri::SinceSync, SyncMark bits): a side whose size or exact time
// differs from its entry changed; a side where the file is gone while the other
// still has it deleted it; both sides changed (and differ now), or one changed
// and the other deleted, is a conflict. A pair without an entry is met for the
// first time and carries no mark.
//
// Then it brings the record up to date with what the analysis found: the pairs
// in step (the same state, equal sizes, no conflict) take their values of now;
// the entries of the other pairs stay as they were, until a sync puts them in
// step; the entries of files gone from both sides go. Nothing is concluded
// where a side could not be listed: there the marks stay off and the entries
// stay as they were.
class TSyncVerdicts
{
public:
    // What the marks counted.
    struct TCounts
    {
        qint32 Recorded = 0;
        qint32 ChangedLeft = 0;
        qint32 ChangedRight = 0;
        qint32 DeletedLeft = 0;
        qint32 DeletedRight = 0;
        qint32 Conflicts = 0;
    };

    // absenceIsDeletion: a file absent from one side is not there. Where the
    // job's filters may leave a file out on one side only (time or size
    // ranges), absence proves nothing, and no deletion is concluded.
    TSyncVerdicts(TSyncState& record, bool absenceIsDeletion);

    // Marks the tree, counts the marks and updates the record.
    void Apply(TFileAttri& root);

    // A pair in conflict or deleted on a side, for the logs: its path below
    // the roots (UTF-8, "/" between names) and its marks.
    struct TMarked
    {
        std::string Path;
        quint8 Marks = 0;
    };

    const TCounts& Counts() const { return Totals; }
    // The conflicts and deletions, in the order of the tree.
    std::vector<TMarked> TakeMarked() { return std::move(Marked); }
    // The record changed: it has to be written again.
    bool Changed() const { return RecordChanged; }

private:
    void ApplyFolder(TFileAttri& folder, std::string& path, bool unreadable);
    quint8 Judge(const TFileAttri& file, const TSyncState::TSides* entry) const;
    void Count(quint8 marks);
    void DropUnmatched(TSyncState::TFolder& folder, const std::vector<bool>& matched);
    void AddEntries(qint32 index, TSyncState::TFolder& added);
    bool UnderUnreadable(std::string_view path) const;
    void DropFoldersGone();

    TSyncState& Record;
    const bool AbsenceIsDeletion;
    TCounts Totals;
    bool RecordChanged = false;
    // Per folder of the record: met in the tree.
    std::vector<bool> Visited;
    // Folders of the tree not in the record, with the pairs in step found there.
    std::vector<TSyncState::TFolder> NewFolders;
    // Folders of the tree that could not be listed on a side.
    std::set<std::string, std::less<>> Unreadable;
    std::vector<TMarked> Marked;
    std::string Name;
};
