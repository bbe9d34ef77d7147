#include "ui/page/ResultTreeModel.h"

#include "engine/UResultRow.h"
#include "rows/RowText.h"
#include "ui/page/PageImages.h"

#include <QColor>
#include <QIcon>

namespace Column = RowText::Column;

namespace {

const char* const Headers[Column::Count] = {
    "Item",   "L Date",  "L Size",     "RtoL Count", "L attri",
    "Direct", "R attri", "LtoR Count", "R Date",     "R Szie",
};

const char* const Hints[Column::Count] = {
    "All items from the left folders and the right folders will be listed here.",
    "The created time of the file located at the left folders, if the file doesn't exit in the "
    "left folders, it will be displayed as \" not seen before\".",
    "The size of files in the left folders, if the file doesn't exit in the left folders, it "
    "will be displayed as \" not present\".",
    "The numbers of file in every left folder, which will be synched from the right folders to "
    "the left folders.",
    "",
    "",
    "",
    "The numbers of file included in every right folder, which will be synched from the left "
    "folders to the right Folders.",
    "The created time of the file located at the right folders, if the file doesn't exit in the "
    "right folders, it will be displayed as \" not seen before\".",
    "The size of files in the right folders, if the file doesn't exit in the right folders, it "
    "will be displayed as \" not present\".",
};

bool IsPictureColumn(int column)
{
    return column == Column::LeftAttr || column == Column::Direct || column == Column::RightAttr;
}

} // namespace

TResultTreeModel::TResultTreeModel(TPageImages& images, QObject* parent)
    : QAbstractItemModel(parent), Images(images), White(QColor(255, 255, 255)),
      LightGreen(QColor(240, 255, 240)), LightYellow(QColor(255, 255, 240))
{
}

void TResultTreeModel::SetRoot(TResultRow* root, bool childrenShown)
{
    beginResetModel();
    RootRow = root;
    ChildrenShown = childrenShown;
    endResetModel();
}

TResultRow* TResultTreeModel::RowOf(const QModelIndex& index) const
{
    return static_cast<TResultRow*>(index.internalPointer());
}

QModelIndex TResultTreeModel::IndexOf(const TResultRow* row, int column) const
{
    if (row == nullptr || RootRow == nullptr || column < 0 || column >= Column::Count)
        return {};
    auto* shown = const_cast<TResultRow*>(row);
    if (row == RootRow)
        return createIndex(0, column, shown);
    if (!ChildrenShown || row->Parent() == nullptr)
        return {};
    return createIndex(row->Row(), column, shown);
}

void TResultTreeModel::RowChanged(const TResultRow* row)
{
    const QModelIndex first = IndexOf(row);
    if (first.isValid())
        Q_EMIT dataChanged(first, IndexOf(row, Column::Count - 1));
}

void TResultTreeModel::SubtreeChanged(const TResultRow* row)
{
    const QModelIndex parent = IndexOf(row);
    if (!parent.isValid() || row->ChildCount() == 0)
        return;
    const int last = row->ChildCount() - 1;
    Q_EMIT dataChanged(index(0, 0, parent), index(last, Column::Count - 1, parent));
    for (int i = 0; i <= last; ++i) {
        const TResultRow* child = row->Child(i);
        if (child->ChildCount() > 0)
            SubtreeChanged(child);
    }
}

bool TResultTreeModel::RemoveRow(TResultRow* row)
{
    if (row == nullptr || row == RootRow || !IndexOf(row).isValid())
        return false;
    TResultRow* parentRow = row->Parent();
    const int position = row->Row();
    beginRemoveRows(IndexOf(parentRow), position, position);
    parentRow->RemoveChild(position);
    endRemoveRows();
    return true;
}

QString TResultTreeModel::HeaderHint(int column)
{
    if (column < 0 || column >= Column::Count)
        return QString();
    return QString::fromLatin1(Hints[column]);
}

QModelIndex TResultTreeModel::index(int row, int column, const QModelIndex& parent) const
{
    if (row < 0 || column < 0 || column >= Column::Count || row >= rowCount(parent))
        return {};
    if (!parent.isValid())
        return createIndex(0, column, RootRow);
    return createIndex(row, column, RowOf(parent)->Child(row));
}

QModelIndex TResultTreeModel::parent(const QModelIndex& child) const
{
    const TResultRow* row = RowOf(child);
    if (row == nullptr || row == RootRow)
        return {};
    return IndexOf(row->Parent());
}

QModelIndex TResultTreeModel::sibling(int row, int column, const QModelIndex& index) const
{
    // Another cell of the same row: no need to go through the parent.
    if (index.isValid() && row == index.row() && column >= 0 && column < Column::Count)
        return createIndex(row, column, index.internalPointer());
    return QAbstractItemModel::sibling(row, column, index);
}

int TResultTreeModel::rowCount(const QModelIndex& parent) const
{
    if (!parent.isValid())
        return RootRow != nullptr ? 1 : 0;
    if (parent.column() != 0)
        return 0;
    const TResultRow* row = RowOf(parent);
    if (row == RootRow && !ChildrenShown)
        return 0;
    return row->ChildCount();
}

int TResultTreeModel::columnCount(const QModelIndex&) const
{
    // Also without rows, so that the header keeps its sections, their widths and
    // their order from one tree to the next.
    return Column::Count;
}

bool TResultTreeModel::hasChildren(const QModelIndex& parent) const
{
    return rowCount(parent) > 0;
}

Qt::ItemFlags TResultTreeModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    // Lets the view skip asking file rows for children.
    if (RowOf(index)->Kind == ItemKind::File)
        flags |= Qt::ItemNeverHasChildren;
    return flags;
}

int TResultTreeModel::ImageOf(const TResultRow& row, int column) const
{
    switch (column) {
    case Column::Item:
        return row.ItemImage;
    case Column::LeftAttr:
        return row.LeftImage;
    case Column::Direct:
        return row.DirectImage;
    case Column::RightAttr:
        return row.RightImage;
    default:
        return 0;
    }
}

QVariant TResultTreeModel::Background(int column) const
{
    // The colour belongs to the column, so a column that the user drags elsewhere
    // takes it along.
    if (column == Column::Item)
        return White;
    if (column >= Column::LeftDate && column <= Column::RtoLCount)
        return LightGreen;
    if (column >= Column::LtoRCount && column <= Column::RightSize)
        return LightYellow;
    return {};
}

QVariant TResultTreeModel::data(const QModelIndex& index, int role) const
{
    const TResultRow* row = RowOf(index);
    if (row == nullptr)
        return {};
    const int column = index.column();
    switch (role) {
    case Qt::DisplayRole:
        return RowText::CellText(*row, row == RootRow, column, Locale);
    case Qt::DecorationRole: {
        const QIcon icon = Images.Icon(ImageOf(*row, column));
        return icon.isNull() ? QVariant() : QVariant(icon);
    }
    case Qt::BackgroundRole:
        return Background(column);
    case Qt::ForegroundRole:
        // A conflict stands out in red.
        if (column == Column::Item && (row->SinceSync & SyncMark::Conflict))
            return QColor(Qt::red);
        return {};
    case Qt::ToolTipRole:
    case Qt::AccessibleDescriptionRole: {
        const QString text = RowText::SinceSyncText(*row);
        return text.isEmpty() ? QVariant() : QVariant(text);
    }
    case Qt::AccessibleTextRole:
        // The picture cells have no text: they are named after what they show.
        if (IsPictureColumn(column)) {
            const QString text = Images.PictureText(ImageOf(*row, column));
            return text.isEmpty() ? QStringLiteral("no picture") : text;
        }
        return {};
    default:
        return {};
    }
}

QVariant TResultTreeModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= Column::Count)
        return QAbstractItemModel::headerData(section, orientation, role);
    if (role == Qt::DisplayRole)
        return QString::fromLatin1(Headers[section]);
    if (role == Qt::ToolTipRole) {
        const QString hint = HeaderHint(section);
        return hint.isEmpty() ? QVariant() : QVariant(hint);
    }
    return {};
}
