#pragma once

#include <QAbstractItemModel>
#include <QBrush>
#include <QLocale>

class TPageImages;
class TResultRow;

// The result rows of a comparison page as an item model of ten columns. The model
// shows the rows in place: an index's internal pointer is its row, and the row's
// own position among its siblings is the index's row, so every lookup is O(1)
// whatever the size of the tree. The job's root row is the one top-level row.
//
// The rows are borrowed. Whoever changes the tree tells the model: SetRoot before
// a root row is dropped or its rows are rebuilt, RowChanged or SubtreeChanged
// after fields changed, RemoveRow to take a row out.
class TResultTreeModel : public QAbstractItemModel
{
    Q_OBJECT

public:
    explicit TResultTreeModel(TPageImages& images, QObject* parent = nullptr);

    // Shows the tree below root; null shows no rows. childrenShown false shows
    // the root row alone: rows may then be added below it, and removed, without
    // telling the model, until the next SetRoot shows them. Resets the model.
    void SetRoot(TResultRow* root, bool childrenShown = true);
    TResultRow* Root() const { return RootRow; }

    // The row of an index; null for the invalid index.
    TResultRow* RowOf(const QModelIndex& index) const;
    // The index of a shown row in the column; invalid for null.
    QModelIndex IndexOf(const TResultRow* row, int column = 0) const;

    // The fields of the row changed: its cells are drawn anew.
    void RowChanged(const TResultRow* row);
    // The fields of the rows below the row changed (a click on a folder's picture
    // cell changes every file below it).
    void SubtreeChanged(const TResultRow* row);
    // Takes the row out of the tree and destroys it with its rows. False, with
    // nothing changed, for null, the root row and a row not shown.
    bool RemoveRow(TResultRow* row);

    // The header's hint of a column; empty for the three picture columns.
    static QString HeaderHint(int column);

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    QModelIndex sibling(int row, int column, const QModelIndex& index) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    bool hasChildren(const QModelIndex& parent = {}) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    int ImageOf(const TResultRow& row, int column) const;
    QVariant Background(int column) const;

    TPageImages& Images;
    TResultRow* RootRow = nullptr;
    bool ChildrenShown = true;
    const QLocale Locale;
    const QBrush White;
    const QBrush LightGreen;
    const QBrush LightYellow;
};
