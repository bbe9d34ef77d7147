#pragma once

#include "engine/UResultRow.h"

#include <QPersistentModelIndex>
#include <QPoint>
#include <QTimer>
#include <QTreeView>

#include <vector>

class TResultTreeModel;

// The result tree of a comparison page (VST1): ten columns that the user may
// resize and drag, grid lines, tree lines and expand buttons down to the root row,
// whole-row selection that hides while the tree has no focus. It decides nothing:
// pointer input on the rows goes out as signals that the page hands to its row
// actions. Painting and input look at the visible rows only, so the tree keeps
// pace with any number of rows.
class TResultTreeView : public QTreeView
{
    Q_OBJECT

public:
    // Cell codes of the three picture columns; None for any other place.
    enum CellCode
    {
        None = 0,
        LeftCell = 1,   // L attri
        DirectCell = 2, // Direct
        RightCell = 3   // R attri
    };

    explicit TResultTreeView(QWidget* parent = nullptr);

    // The code of a (logical) column: 4 L attri, 5 Direct, 6 R attri.
    static int CellCodeOf(int column);
    // Designed widths of the ten columns, in logical order.
    static int ColumnWidth(int column);

    // Also accepts other models; the rows are then never reported.
    void setModel(QAbstractItemModel* model) override;
    TResultTreeModel* ResultModel() const { return Rows; }
    // The row under a point of the viewport; null for none.
    TResultRow* RowAt(const QPoint& position) const;
    // Expands every row from the root row down, in one layout of the rows.
    void ExpandAll();
    // The same over turns of the event loop, for trees whose layout in one go
    // would hold the window: the folders in the order they are shown, each laid
    // out below its parent, a slice of time at a time, the first in the next
    // turn. A new set of rows stops it.
    void ExpandInSlices();
    bool IsExpanding() const { return !Unexpanded.empty(); }

Q_SIGNALS:
    // The pointer moved: over a picture cell (cellCode 1 to 3) of the row, or
    // elsewhere over the tree (row null, cellCode 0). Also when it leaves the tree.
    void ImageCellHovered(TResultRow* row, int cellCode);
    // A mouse button went down (any button, double clicks too) on a picture cell,
    // or its key was pressed on the current row. The right button has already
    // selected the row.
    void ImageCellPressed(TResultRow* row, int cellCode, Qt::MouseButton button);
    // The right button was released over the tree while a row is selected, or the
    // menu key was pressed: the row, and the place on the screen for the menu.
    void ContextMenuRequested(TResultRow* row, QPoint globalPos);

protected:
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void drawRow(QPainter* painter, const QStyleOptionViewItem& option,
                 const QModelIndex& index) const override;
    void drawBranches(QPainter* painter, const QRect& rect,
                      const QModelIndex& index) const override;

private:
    struct Cell
    {
        TResultRow* Row = nullptr;
        int Code = None;
    };
    Cell CellAt(const QPoint& position) const;
    static int KeyCellCode(const QKeyEvent& event);
    TResultRow* RowOf(const QModelIndex& index) const;
    void ApplyColumnWidths();
    void ShowPointingHand(bool pointing);
    void ExpandSlice();
    void StopExpanding();
    // Stacks the folders among the children of parent, the first on top.
    void StackFolders(const QModelIndex& parent);

    TResultTreeModel* Rows = nullptr;
    bool PointingHand = false;
    // The folders still to expand, the next one last.
    std::vector<QPersistentModelIndex> Unexpanded;
    QTimer NextSlice;
};
