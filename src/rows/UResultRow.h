#pragma once

#include <QString>
#include <QtGlobal>

#include <atomic>
#include <functional>
#include <memory>
#include <vector>

class TFileAttri;
class TSyncTask;

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

    qint32 Kind = 0;
    qint32 State = 0;
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

private:
    TResultRow* ParentRow = nullptr;
    int Index = 0;
    std::vector<std::unique_ptr<TResultRow>> Children;
};

// Sets the pictures and direction of a file row from its comparison state.
void ApplyStateDefaults(TResultRow& row);

// Makes a root row for a job: folder kind, its name and the folder pictures.
std::unique_ptr<TResultRow> MakeRootRow(const QString& syncName);

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
