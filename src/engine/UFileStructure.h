#pragma once

#include <QString>
#include <QtGlobal>

#include <memory>
#include <vector>

class TFileAttri;
using TChildFileAttrilist = std::vector<std::unique_ptr<TFileAttri>>;

// Comparison state codes of TFileAttri::State.
namespace CompareState {
constexpr qint32 NotCompared = -1;
constexpr qint32 Same = 0;
constexpr qint32 LeftOnly = 1;
constexpr qint32 RightOnly = 2;
constexpr qint32 RightNewer = 3;
constexpr qint32 LeftNewer = 4;
} // namespace CompareState

// What an item of the comparison tree, and a row built from it, stands for
// (TFileAttri::Kind, TResultRow::Kind).
namespace ItemKind {
constexpr qint32 File = 0;
constexpr qint32 Folder = 1;
} // namespace ItemKind

// What changed in a file pair since the last sync, as its record tells
// (TFileAttri::SinceSync). A pair without a record (met for the first time)
// and a folder carry none of these.
namespace SyncMark {
// The pair has a record of the last sync.
constexpr quint8 Recorded = 1;
constexpr quint8 ChangedLeft = 2;
constexpr quint8 ChangedRight = 4;
// Gone from this side since the last sync, still present on the other.
constexpr quint8 DeletedLeft = 8;
constexpr quint8 DeletedRight = 16;
// Both sides changed (and differ), or one changed and the other was deleted:
// whichever side wins, the other's edit is lost unless it is kept.
constexpr quint8 Conflict = 32;
} // namespace SyncMark

// Windows-style attribute bits as the scan records them.
namespace FileAttribute {
constexpr qint32 ReadOnly = 1;
constexpr qint32 Hidden = 2;
constexpr qint32 System = 4;
constexpr qint32 Directory = 16;
constexpr qint32 Archive = 32;
} // namespace FileAttribute

// One node of the comparison tree: one item name as seen on both sides, with its
// state and the per-folder counts. A node owns its children.
//
// An analysis of a million files holds a million of these at its peak, so the
// node keeps only what the comparison decides and the rows show: no paths (they
// are the roots' paths and the names on the way down) and small fields for the
// small values. Ordered largest first, it takes 112 bytes.
class TFileAttri
{
public:
    TFileAttri() = default;
    TFileAttri(const TFileAttri&) = delete;
    TFileAttri& operator=(const TFileAttri&) = delete;

    // Appends the child and counts it.
    TFileAttri* AddChild(std::unique_ptr<TFileAttri> child);
    // Drops every child (and their subtrees).
    void ClearChildren();

    QString ItemName;
    TChildFileAttrilist Children;
    qint64 LeftSize = 0;
    qint64 RightSize = 0;
    // Exact last-write times in nanoseconds since the epoch; 0 on a side where
    // the item is absent.
    qint64 LeftExactTime = 0;
    qint64 RightExactTime = 0;
    qint32 ChildCount = 0;
    // Files below that were compared, whatever their state.
    qint32 FileCount = 0;
    // Files below that are left only or right newer.
    qint32 LeftCount = 0;
    // Files below that are right only or left newer.
    qint32 RightCount = 0;
    // Packed times; -1 on a side where the item is absent.
    qint32 LeftTime = -1;
    qint32 RightTime = -1;
    // An ItemKind code.
    qint8 Kind = ItemKind::File;
    qint8 State = CompareState::NotCompared;
    // Attribute bits (FileAttribute); -1 on a side where the item is absent.
    qint8 LeftAttr = -1;
    qint8 RightAttr = -1;
    // This item lies in, or is, a folder that could not be listed completely on
    // one side, so nothing may be copied into or out of it.
    bool SideUnreadable = false;
    // SyncMark bits of a file pair; set once the record of the last sync was
    // read, after the comparison.
    quint8 SinceSync = 0;
};
