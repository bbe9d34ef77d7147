#include "ui/page/ResultTreeView.h"

#include "engine/UResultRow.h"
#include "rows/RowText.h"
#include "ui/page/ResultTreeModel.h"

#include <QElapsedTimer>
#include <QFont>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyledItemDelegate>

namespace Column = RowText::Column;

namespace {

constexpr int Widths[Column::Count] = {240, 115, 70, 80, 20, 20, 20, 80, 115, 70};
constexpr int PictureSize = 16;
// The longest a turn of the event loop expands rows for.
constexpr qint64 ExpandSliceMs = 20;
const QColor GridColour(192, 192, 192);
const QColor TreeLineColour(128, 128, 128);

// Draws the cells: a picture cell shows its picture in its middle; no cell shows
// the selection while the tree has no focus.
class TResultCellDelegate : public QStyledItemDelegate
{
public:
    explicit TResultCellDelegate(TResultTreeView* view) : QStyledItemDelegate(view), View(view) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override
    {
        QStyleOptionViewItem cell = option;
        if (!View->hasFocus())
            cell.state &= ~QStyle::State_Selected;
        if (TResultTreeView::CellCodeOf(index.column()) == TResultTreeView::None) {
            QStyledItemDelegate::paint(painter, cell, index);
            return;
        }
        initStyleOption(&cell, index);
        const QIcon picture = cell.icon;
        cell.icon = QIcon();
        cell.features &= ~QStyleOptionViewItem::HasDecoration;
        cell.text.clear();
        View->style()->drawControl(QStyle::CE_ItemViewItem, &cell, painter, View);
        if (picture.isNull())
            return;
        QRect place(0, 0, PictureSize, PictureSize);
        place.moveCenter(cell.rect.center());
        const bool selected = cell.state & QStyle::State_Selected;
        picture.paint(painter, place, Qt::AlignCenter, selected ? QIcon::Selected : QIcon::Normal);
    }

private:
    TResultTreeView* View;
};

} // namespace

TResultTreeView::TResultTreeView(QWidget* parent) : QTreeView(parent)
{
    setObjectName(QStringLiteral("VST1"));
    setAccessibleName(QStringLiteral("Result tree"));
    setFont(QFont(QStringLiteral("MS Sans Serif"), 8));
    setFrameStyle(QFrame::Box | QFrame::Plain);
    setLineWidth(1);
    QPalette white = palette();
    white.setColor(QPalette::Base, Qt::white);
    setPalette(white);

    setItemDelegate(new TResultCellDelegate(this));
    setIconSize(QSize(PictureSize, PictureSize));
    setUniformRowHeights(true);
    setRootIsDecorated(true);
    setItemsExpandable(true);
    setAnimated(false);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setAllColumnsShowFocus(true);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setMouseTracking(true);
    viewport()->setMouseTracking(true);
    NextSlice.setSingleShot(true);
    NextSlice.setInterval(0);
    connect(&NextSlice, &QTimer::timeout, this, &TResultTreeView::ExpandSlice);

    QHeaderView* columns = header();
    columns->setFont(QFont(QStringLiteral("Arial"), 8));
    columns->setSectionsMovable(true);
    // The Item column may be dragged as well; the tree's lines go with it.
    columns->setFirstSectionMovable(true);
    columns->setSectionResizeMode(QHeaderView::Interactive);
    columns->setStretchLastSection(false);
    columns->setMinimumSectionSize(8);
}

int TResultTreeView::CellCodeOf(int column)
{
    switch (column) {
    case Column::LeftAttr:
        return LeftCell;
    case Column::Direct:
        return DirectCell;
    case Column::RightAttr:
        return RightCell;
    default:
        return None;
    }
}

int TResultTreeView::ColumnWidth(int column)
{
    return column >= 0 && column < Column::Count ? Widths[column] : 0;
}

void TResultTreeView::setModel(QAbstractItemModel* model)
{
    StopExpanding();
    if (this->model() != nullptr)
        disconnect(this->model(), &QAbstractItemModel::modelAboutToBeReset, this,
                   &TResultTreeView::StopExpanding);
    QTreeView::setModel(model);
    if (model != nullptr)
        connect(model, &QAbstractItemModel::modelAboutToBeReset, this,
                &TResultTreeView::StopExpanding);
    Rows = qobject_cast<TResultTreeModel*>(model);
    ApplyColumnWidths();
}

void TResultTreeView::ApplyColumnWidths()
{
    QHeaderView* columns = header();
    for (int column = 0; column < Column::Count && column < columns->count(); ++column)
        columns->resizeSection(column, Widths[column]);
}

TResultRow* TResultTreeView::RowOf(const QModelIndex& index) const
{
    return Rows != nullptr && index.isValid() ? Rows->RowOf(index) : nullptr;
}

TResultRow* TResultTreeView::RowAt(const QPoint& position) const
{
    return RowOf(indexAt(position));
}

TResultTreeView::Cell TResultTreeView::CellAt(const QPoint& position) const
{
    const QModelIndex index = indexAt(position);
    const int code = CellCodeOf(index.column());
    TResultRow* row = code != None ? RowOf(index) : nullptr;
    if (row == nullptr)
        return {};
    return {row, code};
}

void TResultTreeView::ExpandAll()
{
    StopExpanding();
    expandAll();
}

void TResultTreeView::ExpandInSlices()
{
    StopExpanding();
    if (model() == nullptr)
        return;
    // The rows laid out as they stand, so that each expansion below lays out
    // only the children it shows.
    executeDelayedItemsLayout();
    StackFolders(rootIndex());
    if (!Unexpanded.empty())
        NextSlice.start();
}

void TResultTreeView::ExpandSlice()
{
    QElapsedTimer slice;
    slice.start();
    while (!Unexpanded.empty() && slice.elapsed() < ExpandSliceMs) {
        const QPersistentModelIndex folder = std::move(Unexpanded.back());
        Unexpanded.pop_back();
        if (!folder.isValid())
            continue;
        expand(folder);
        StackFolders(folder);
    }
    if (!Unexpanded.empty())
        NextSlice.start();
}

void TResultTreeView::StopExpanding()
{
    NextSlice.stop();
    Unexpanded.clear();
}

void TResultTreeView::StackFolders(const QModelIndex& parent)
{
    const QAbstractItemModel* rows = model();
    for (int row = rows->rowCount(parent) - 1; row >= 0; --row) {
        const QModelIndex child = rows->index(row, 0, parent);
        if (rows->hasChildren(child))
            Unexpanded.emplace_back(child);
    }
}

void TResultTreeView::ShowPointingHand(bool pointing)
{
    if (pointing == PointingHand)
        return;
    PointingHand = pointing;
    if (pointing)
        viewport()->setCursor(Qt::PointingHandCursor);
    else
        viewport()->unsetCursor();
}

void TResultTreeView::mouseMoveEvent(QMouseEvent* event)
{
    const Cell cell = CellAt(event->position().toPoint());
    ShowPointingHand(cell.Code != None);
    Q_EMIT ImageCellHovered(cell.Row, cell.Code);
    QTreeView::mouseMoveEvent(event);
}

void TResultTreeView::mousePressEvent(QMouseEvent* event)
{
    QTreeView::mousePressEvent(event);
    const Cell cell = CellAt(event->position().toPoint());
    if (cell.Code != None)
        Q_EMIT ImageCellPressed(cell.Row, cell.Code, event->button());
}

void TResultTreeView::mouseDoubleClickEvent(QMouseEvent* event)
{
    // A quick second click on a picture cell is a click of its own, and does not
    // open or close a folder.
    const Cell cell = CellAt(event->position().toPoint());
    if (cell.Code == None) {
        QTreeView::mouseDoubleClickEvent(event);
        return;
    }
    event->accept();
    Q_EMIT ImageCellPressed(cell.Row, cell.Code, event->button());
}

void TResultTreeView::mouseReleaseEvent(QMouseEvent* event)
{
    QTreeView::mouseReleaseEvent(event);
    if (event->button() != Qt::RightButton || selectionModel() == nullptr)
        return;
    const QModelIndexList selected = selectionModel()->selectedRows();
    TResultRow* row = selected.isEmpty() ? nullptr : RowOf(selected.first());
    if (row != nullptr)
        Q_EMIT ContextMenuRequested(row, event->globalPosition().toPoint());
}

// The keyboard does what the pointer does on the current row: Ctrl+Left and
// Ctrl+Right click its L attri and R attri pictures, Space its Direct picture,
// and the menu key (or Shift+F10) opens its menu.
void TResultTreeView::keyPressEvent(QKeyEvent* event)
{
    TResultRow* row = RowOf(currentIndex());
    const int code = KeyCellCode(*event);
    if (row != nullptr && code != None) {
        event->accept();
        Q_EMIT ImageCellPressed(row, code, Qt::LeftButton);
        return;
    }
    const bool menuKey = event->key() == Qt::Key_Menu ||
                         (event->key() == Qt::Key_F10 && event->modifiers() == Qt::ShiftModifier);
    if (row != nullptr && menuKey) {
        event->accept();
        const QRect place = visualRect(currentIndex());
        Q_EMIT ContextMenuRequested(row, viewport()->mapToGlobal(place.bottomLeft()));
        return;
    }
    QTreeView::keyPressEvent(event);
}

int TResultTreeView::KeyCellCode(const QKeyEvent& event)
{
    const bool control = event.modifiers() == Qt::ControlModifier;
    if (control && event.key() == Qt::Key_Left)
        return LeftCell;
    if (control && event.key() == Qt::Key_Right)
        return RightCell;
    if (event.key() == Qt::Key_Space && event.modifiers() == Qt::NoModifier)
        return DirectCell;
    return None;
}

void TResultTreeView::leaveEvent(QEvent* event)
{
    ShowPointingHand(false);
    Q_EMIT ImageCellHovered(nullptr, None);
    QTreeView::leaveEvent(event);
}

void TResultTreeView::focusInEvent(QFocusEvent* event)
{
    QTreeView::focusInEvent(event);
    viewport()->update();
}

void TResultTreeView::focusOutEvent(QFocusEvent* event)
{
    QTreeView::focusOutEvent(event);
    viewport()->update();
}

void TResultTreeView::drawRow(QPainter* painter, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const
{
    if (hasFocus()) {
        QTreeView::drawRow(painter, option, index);
    } else {
        // The tree draws the selection of the indentation in the highlight colour
        // of the row's palette: without focus there is none to draw.
        QStyleOptionViewItem row = option;
        for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
            row.palette.setBrush(group, QPalette::Highlight, Qt::transparent);
            row.palette.setBrush(group, QPalette::HighlightedText,
                                 option.palette.brush(group, QPalette::Text));
        }
        QTreeView::drawRow(painter, row, index);
    }

    // Grid lines: one under the row, one at the right edge of every column.
    const QHeaderView* columns = header();
    const int top = option.rect.top();
    const int bottom = option.rect.bottom();
    painter->save();
    painter->setPen(GridColour);
    painter->drawLine(-columns->offset(), bottom, columns->length() - columns->offset() - 1,
                      bottom);
    for (int column = 0; column < columns->count(); ++column) {
        if (columns->isSectionHidden(column))
            continue;
        const int right =
            columns->sectionViewportPosition(column) + columns->sectionSize(column) - 1;
        painter->drawLine(right, top, right, bottom);
    }
    painter->restore();
}

void TResultTreeView::drawBranches(QPainter* painter, const QRect& rect,
                                   const QModelIndex& index) const
{
    const TResultRow* row = RowOf(index);
    const int indent = indentation();
    if (row == nullptr || indent <= 0) {
        QTreeView::drawBranches(painter, rect, index);
        return;
    }
    const TResultRow* root = Rows->Root();
    const int levels = rect.width() / indent;
    const int middleY = rect.top() + rect.height() / 2;
    const auto middleX = [&](int level) { return rect.left() + level * indent + indent / 2; };

    painter->save();
    QPen dotted(TreeLineColour, 0, Qt::DotLine);
    painter->setPen(dotted);
    // The row's own level: a line from its parent's line, down to its next sibling.
    const int own = levels - 1;
    const int x = middleX(own);
    if (row != root)
        painter->drawLine(x, rect.top(), x, middleY);
    if (row != root && row->NextSibling() != nullptr)
        painter->drawLine(x, middleY, x, rect.bottom());
    painter->drawLine(x, middleY, rect.left() + (own + 1) * indent - 2, middleY);
    // The levels of the ancestors: a line through the row where an ancestor has a
    // sibling still to come below.
    const TResultRow* ancestor = row->Parent();
    for (int level = own - 1; level >= 0 && ancestor != nullptr && ancestor != root; --level) {
        if (ancestor->NextSibling() != nullptr)
            painter->drawLine(middleX(level), rect.top(), middleX(level), rect.bottom());
        ancestor = ancestor->Parent();
    }

    if (model()->hasChildren(index)) {
        // The expand button: a box with a minus when open, a plus when closed.
        QRect box(0, 0, 9, 9);
        box.moveCenter(QPoint(x, middleY));
        painter->setPen(TreeLineColour);
        painter->setBrush(palette().brush(QPalette::Base));
        painter->drawRect(box.adjusted(0, 0, -1, -1));
        painter->setPen(palette().color(QPalette::Text));
        painter->drawLine(box.left() + 2, middleY, box.right() - 2, middleY);
        if (!isExpanded(index))
            painter->drawLine(x, box.top() + 2, x, box.bottom() - 2);
    }
    painter->restore();
}
