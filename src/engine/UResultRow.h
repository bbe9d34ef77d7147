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
    TRowDirection(qint32 direction = SyncDirection::None) : Value(direction) {}
    TRowDirection(const TRowDirection&) = delete;
    TRowDirection& operator=(const TRowDirection&) = delete;
    TRowDirection& operator=(qint32 direction)
    {
        Value.store(direction, std::memory_order_relaxed);
        return *this;
    }
    operator qint32() const { return Value.load(std::memory_order_relaxed); }

private:
    std::atomic<qint32> Value;
};

// One row of a comparison page's result tree: the job's root row, a folder or a
// file. A sync run copies exactly the file rows of the tree, each in its Direction.
// A row owns its children.
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
    void ClearChildren() { Children.clear(); }
    TResultRow* Parent() const { return ParentRow; }
    int ChildCount() const { return static_cast<int>(Children.size()); }
    TResultRow* Child(int index) const { return Children[size_t(index)].get(); }
    // Position among the parent's children (0 for a top-level row).
    int Row() const;
    // The next sibling, or nullptr for the last child.
    TResultRow* NextSibling() const;

    // An ItemKind code; a file row's State is a CompareState code.
    qint32 Kind = ItemKind::File;
    qint32 State = CompareState::Same;
    QString Name;
    qint32 RightTime = 0;
    qint32 RightAttr = 0;
    qint64 RightSize = 0;
    QString RightPath;
    qint32 RtoLCount = 0;
    qint64 LeftSize = 0;
    qint32 LeftTime = 0;
    qint32 LeftAttr = 0;
    QString LeftPath;
    qint32 LtoRCount = 0;
    qint32 ItemImage = 0;
    TRowDirection Direction;
    qint32 LeftImage = 0;
    qint32 RightImage = 0;
    qint32 DirectImage = 0;
    qint32 HoverCell = 0;
    // SyncMark bits of the pair: what changed since the last sync.
    quint8 SinceSync = 0;
    // The direction the analysis proposes where it is not the one of the
    // state (decided by the last sync, or a deletion carried over); the
    // middle picture's second click returns to it. NoProposal: the state's.
    qint8 Proposed = NoProposal;
    static constexpr qint8 NoProposal = -1;

private:
    TResultRow* ParentRow = nullptr;
    int Index = 0;
    std::vector<std::unique_ptr<TResultRow>> Children;
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
