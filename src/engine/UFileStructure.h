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

// Windows-style attribute bits as the scan records them.
namespace FileAttribute {
constexpr qint32 ReadOnly = 1;
constexpr qint32 Hidden = 2;
constexpr qint32 System = 4;
constexpr qint32 Directory = 16;
constexpr qint32 Archive = 32;
} // namespace FileAttribute

// One node of a file tree. In a scan tree it describes one item of one side; in
// the comparison tree one item name as seen on both sides, with its state and the
// per-folder counts. A node owns its children.
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

    // The fields are ordered so that no padding lies between them: an analysis
    // of a million files holds two million nodes at its peak.

    // Comparison role.
    qint32 Kind = 0;
    qint32 State = CompareState::NotCompared;
    QString ItemName;
    // Scan role: files below that passed the filters. Comparison role: files
    // below that were compared, whatever their state.
    qint32 FileCount = 0;
    // Files below in state 1 or 3.
    qint32 LeftCount = 0;
    // Files below in state 2 or 4.
    qint32 RightCount = 0;
    qint32 LeftTime = -1;
    qint64 LeftSize = 0;
    QString LeftPath;
    qint32 LeftAttr = -1;
    qint32 RightTime = -1;
    qint64 RightSize = 0;
    QString RightPath;
    qint32 RightAttr = -1;
    // Comparison role: this item lies in, or is, a folder that could not be
    // listed completely on one side, so nothing may be copied into or out of it.
    bool SideUnreadable = false;

    // Scan role.
    bool Matched = false;
    // Scan role: the folder could not be listed (or not completely), or is a
    // link to a folder, which is never entered. Its children are not the truth.
    bool Unreadable = false;
    QString FileName;
    QString FullPath;
    qint64 FileSize = 0;
    qint32 FileTime = 0;
    qint32 FileAttr = 0;
    qint32 IsFolder = 0;

    // Both roles.
    qint32 ChildCount = 0;
    TChildFileAttrilist Children;
};
