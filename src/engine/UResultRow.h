#pragma once

#include "engine/UFileStructure.h"

#include <QString>
#include <QtGlobal>

#include <atomic>
#include <memory>
#include <vector>

// Copy directions of a file row.
namespace SyncDirection {
constexpr qint32 None = 0;
constexpr qint32 RightToLeft = 1;
constexpr qint32 LeftToRight = 2;
} // namespace SyncDirection

// Pictures of the comparison page's image list that the rows name.
namespace RowImage {
constexpr qint32 Empty = 0;
constexpr qint32 Folder = 3;
constexpr qint32 Document = 4;
constexpr qint32 CanMove = 6;
constexpr qint32 MovesRight = 8;
constexpr qint32 CouldMoveRight = 10;
constexpr qint32 MovesLeft = 12;
constexpr qint32 CouldMoveLeft = 14;
constexpr qint32 SameContent = 16;
constexpr qint32 DontMove = 18;
constexpr qint32 CannotMove = 20;
constexpr qint32 FolderRight = 22;
constexpr qint32 FolderLeft = 24;
} // namespace RowImage

// The copy direction of a row. The user may change it on the page's thread while
// a sync run reads it from its own, when it reaches the row: a direction chosen
// during a sync takes effect for the rows the run comes to later.
class TRowDirection
{
public:
    TRowDirection(qint32 direction = SyncDirection::None) : Value(qint8(direction)) {}
    TRowDirection(const TRowDirection&) = delete;
    TRowDirection& operator=(const TRowDirection&) = delete;
    TRowDirection& operator=(qint32 direction)
    {
        Value.store(qint8(direction), std::memory_order_relaxed);
        return *this;
    }
    operator qint32() const { return Value.load(std::memory_order_relaxed); }

private:
    std::atomic<qint8> Value;
};

enum class TRowSide
{
    Left,
    Right
};

// The two root folders below which the rows of a result tree lie: a row's
// path on a side is that side's root and the names on the way down to it.
struct TRowRoots
{
    QString Left;
    QString Right;
};

// One row of a comparison page's result tree: the job's root row, a folder or a
// file. A sync run copies exactly the file rows of the tree, each in its Direction.
// A row owns its children.
//
// A page or the runner holds a row for every file an analysis lists, a million
// and more, so a row keeps no text it can derive: its paths are the roots' and
// the names on the way down (PathOn), and its name shares the text of the
// comparison tree's item. The small values are small fields, ordered so that
// the row takes 88 bytes.
class TResultRow
{
public:
    TResultRow() = default;
    TResultRow(const TResultRow&) = delete;
    TResultRow& operator=(const TResultRow&) = delete;

    // Appends a new row with every field zero or empty as the last child.
    TResultRow* AddChild();
    // Removes the last child (with its subtree).
    void RemoveLastChild();
    // Removes the child at the index (with its subtree); the children after it
    // move up by one.
    void RemoveChild(int index);
    // Removes every child, and the counters with them.
    void ClearChildren() { Branch.reset(); }
    // Gives back the room kept for children yet to come, once a folder's rows
    // are all added.
    void FitChildren()
    {
        if (Branch)
            Branch->Children.shrink_to_fit();
    }
    TResultRow* Parent() const { return ParentRow; }
    int ChildCount() const { return Branch ? static_cast<int>(Branch->Children.size()) : 0; }
    TResultRow* Child(int index) const { return Branch->Children[size_t(index)].get(); }
    // What a sync of the rows below a folder would copy each way (the arrows
    // they show); 0 for a row without children.
    qint32 RtoLCount() const { return Branch ? Branch->RtoLCount : 0; }
    qint32 LtoRCount() const { return Branch ? Branch->LtoRCount : 0; }
    void SetCounts(qint32 rightToLeft, qint32 leftToRight);
    // Position among the parent's children (0 for a top-level row).
    int Row() const;
    // The next sibling, or nullptr for the last child.
    TResultRow* NextSibling() const;

    // The names from below the tree's root row (the one without a parent) down
    // to this row, joined by "/"; empty for the root row itself.
    QString RelativePath() const;
    // The row's path below the root folder, as the scan took it: the root's
    // folder prefix and the relative path.
    QString PathBelow(const QString& root) const;
    // The row's path on a side, or empty where its file is absent there.
    QString PathOn(TRowSide side, const TRowRoots& roots) const;
    bool IsOn(TRowSide side) const { return side == TRowSide::Left ? OnLeft : OnRight; }
    void SetOn(TRowSide side, bool present)
    {
        (side == TRowSide::Left ? OnLeft : OnRight) = present;
    }

    QString Name;
    qint64 LeftSize = 0;
    qint64 RightSize = 0;
    qint32 LeftTime = 0;
    qint32 RightTime = 0;
    qint16 ItemImage = 0;
    // An ItemKind code; State is a CompareState code (a folder row's, its own).
    qint8 Kind = ItemKind::File;
    qint8 State = CompareState::Same;
    qint8 LeftAttr = 0;
    qint8 RightAttr = 0;
    // Pictures of the side and middle cells (RowImage).
    qint8 LeftImage = 0;
    qint8 RightImage = 0;
    qint8 DirectImage = 0;
    qint8 HoverCell = 0;
    TRowDirection Direction;
    // SyncMark bits of the pair: what changed since the last sync.
    quint8 SinceSync = 0;
    // The direction the analysis proposes where it is not the one of the
    // state (decided by the last sync, or a deletion carried over); the
    // middle picture's second click returns to it. NoProposal: the state's.
    qint8 Proposed = NoProposal;
    static constexpr qint8 NoProposal = -1;
    // The file is present on the side (as the analysis saw it, or as a sync or
    // the user's deletion left it).
    bool OnLeft = false;
    bool OnRight = false;

private:
    int Index = 0;
    TResultRow* ParentRow = nullptr;
    // What only a folder needs, made with its first child (or counters): most
    // rows are files.
    struct TBranch
    {
        std::vector<std::unique_ptr<TResultRow>> Children;
        qint32 RtoLCount = 0;
        qint32 LtoRCount = 0;
    };
    std::unique_ptr<TBranch> Branch;
};

// Sets the pictures and direction of a file row from its comparison state, or
// from the direction it proposes where it has one.
void ApplyStateDefaults(TResultRow& row);

// Sets the direction of a file row and the pictures that show it: an arrow
// for the side written, a lighter one for a side that may be chosen instead,
// and for no direction the picture of a row that stands still.
void ShowDirection(TResultRow& row, qint32 direction);

// True when a sync in the direction writes nothing on the target side but
// keeps the file there in its "__Save__": the file was deleted on the source
// side since the last sync, and the row carries that deletion over.
bool CarriesDeletion(const TResultRow& row, qint32 direction);

// Makes a root row for a job: folder kind, its name and the folder pictures.
std::unique_ptr<TResultRow> MakeRootRow(const QString& syncName);
