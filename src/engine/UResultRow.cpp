#include "engine/UResultRow.h"

#include "engine/UFileOper.h"

#include <algorithm>

// A million rows and more: every byte of a row counts a megabyte.
static_assert(sizeof(void*) != 8 || sizeof(TResultRow) <= 88);

TResultRow* TResultRow::AddChild()
{
    if (!Branch)
        Branch = std::make_unique<TBranch>();
    std::vector<std::unique_ptr<TResultRow>>& children = Branch->Children;
    std::unique_ptr<TResultRow>& child = children.emplace_back(std::make_unique<TResultRow>());
    child->ParentRow = this;
    child->Index = int(children.size()) - 1;
    return child.get();
}

void TResultRow::RemoveLastChild()
{
    if (ChildCount() > 0)
        Branch->Children.pop_back();
}

void TResultRow::SetCounts(qint32 rightToLeft, qint32 leftToRight)
{
    if (!Branch)
        Branch = std::make_unique<TBranch>();
    Branch->RtoLCount = rightToLeft;
    Branch->LtoRCount = leftToRight;
}

void TResultRow::RemoveChild(int index)
{
    if (index < 0 || index >= ChildCount())
        return;
    std::vector<std::unique_ptr<TResultRow>>& children = Branch->Children;
    children.erase(children.begin() + index);
    for (size_t i = size_t(index); i < children.size(); ++i)
        children[i]->Index = int(i);
}

int TResultRow::Row() const
{
    return Index;
}

TResultRow* TResultRow::NextSibling() const
{
    if (ParentRow == nullptr)
        return nullptr;
    const int next = Row() + 1;
    return next < ParentRow->ChildCount() ? ParentRow->Child(next) : nullptr;
}

QString TResultRow::RelativePath() const
{
    // Measured from this row up to (not including) the root row, then written
    // from its end back to its start into one text of the right size.
    qsizetype length = -1;
    for (const TResultRow* row = this; row->ParentRow != nullptr; row = row->ParentRow)
        length += row->Name.size() + 1;
    if (length < 0)
        return {};
    QString path(length, Qt::Uninitialized);
    QChar* end = path.data() + length;
    for (const TResultRow* row = this; row->ParentRow != nullptr; row = row->ParentRow) {
        end -= row->Name.size();
        std::copy_n(row->Name.constData(), row->Name.size(), end);
        if (end != path.data())
            *--end = QLatin1Char('/');
    }
    return path;
}

QString TResultRow::PathBelow(const QString& root) const
{
    return QStringView(SyncPath::FolderPrefix(root)) + RelativePath();
}

QString TResultRow::PathOn(TRowSide side, const TRowRoots& roots) const
{
    if (!IsOn(side))
        return {};
    return PathBelow(side == TRowSide::Left ? roots.Left : roots.Right);
}

void ApplyStateDefaults(TResultRow& row)
{
    struct Defaults
    {
        qint32 Left, Right, Direction, Direct;
    };
    static constexpr Defaults table[] = {
        {RowImage::Empty, RowImage::Empty, SyncDirection::None, RowImage::SameContent},
        {RowImage::CannotMove, RowImage::MovesRight, SyncDirection::LeftToRight, RowImage::CanMove},
        {RowImage::MovesLeft, RowImage::CannotMove, SyncDirection::RightToLeft, RowImage::CanMove},
        {RowImage::MovesLeft, RowImage::CouldMoveRight, SyncDirection::RightToLeft,
         RowImage::CanMove},
        {RowImage::CouldMoveLeft, RowImage::MovesRight, SyncDirection::LeftToRight,
         RowImage::CanMove},
    };
    if (row.State < CompareState::Same || row.State > CompareState::LeftNewer)
        return;
    const Defaults& d = table[row.State];
    row.LeftImage = d.Left;
    row.RightImage = d.Right;
    row.Direction = d.Direction;
    row.DirectImage = d.Direct;
    // A proposal never copies from a side without the file, unless it
    // carries a deletion over.
    const bool fromAbsent =
        (row.Proposed == SyncDirection::LeftToRight && row.State == CompareState::RightOnly) ||
        (row.Proposed == SyncDirection::RightToLeft && row.State == CompareState::LeftOnly);
    if (row.Proposed != TResultRow::NoProposal &&
        (!fromAbsent || CarriesDeletion(row, row.Proposed)))
        ShowDirection(row, row.Proposed);
}

void ShowDirection(TResultRow& row, qint32 direction)
{
    // A side where the file is absent cannot be copied from, unless what it
    // gives is its deletion.
    const bool leftSource =
        row.State != CompareState::RightOnly || CarriesDeletion(row, SyncDirection::LeftToRight);
    const bool rightSource =
        row.State != CompareState::LeftOnly || CarriesDeletion(row, SyncDirection::RightToLeft);
    row.Direction = direction;
    row.DirectImage = RowImage::CanMove;
    switch (direction) {
    case SyncDirection::LeftToRight:
        row.RightImage = RowImage::MovesRight;
        row.LeftImage = rightSource ? RowImage::CouldMoveLeft : RowImage::CannotMove;
        break;
    case SyncDirection::RightToLeft:
        row.LeftImage = RowImage::MovesLeft;
        row.RightImage = leftSource ? RowImage::CouldMoveRight : RowImage::CannotMove;
        break;
    default:
        row.Direction = SyncDirection::None;
        row.LeftImage = rightSource ? RowImage::CouldMoveLeft : RowImage::CannotMove;
        row.RightImage = leftSource ? RowImage::CouldMoveRight : RowImage::CannotMove;
        row.DirectImage = RowImage::DontMove;
        break;
    }
}

bool CarriesDeletion(const TResultRow& row, qint32 direction)
{
    if (row.Proposed != direction)
        return false;
    if (direction == SyncDirection::LeftToRight)
        return row.State == CompareState::RightOnly && (row.SinceSync & SyncMark::DeletedLeft);
    if (direction == SyncDirection::RightToLeft)
        return row.State == CompareState::LeftOnly && (row.SinceSync & SyncMark::DeletedRight);
    return false;
}

std::unique_ptr<TResultRow> MakeRootRow(const QString& syncName)
{
    auto root = std::make_unique<TResultRow>();
    root->Kind = ItemKind::Folder;
    root->Name = syncName;
    root->ItemImage = RowImage::CanMove;
    root->LeftImage = RowImage::FolderLeft;
    root->RightImage = RowImage::FolderRight;
    root->DirectImage = RowImage::CanMove;
    return root;
}
