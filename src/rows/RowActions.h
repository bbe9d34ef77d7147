#pragma once

#include "engine/UResultRow.h"

#include <QString>
#include <QtGlobal>

// The three image cells of a result row, as the page reports the pointer over
// them; as direction actions on a folder row they keep the same numbers.
namespace ImageCell {
constexpr qint32 None = 0;
constexpr qint32 Left = 1;   // L attri
constexpr qint32 Direct = 2; // Direct
constexpr qint32 Right = 3;  // R attri
} // namespace ImageCell

// Which entries of the row menu are enabled for the row right-clicked.
struct TRowMenu
{
    // "Open Left File", "Open Left Folder", "Delete Left File".
    bool LeftFile = false;
    // "Open Right File", "Open Right Folder", "Delete Right File".
    bool RightFile = false;
    // "Restore the left file", "Open the previous file of left".
    bool LeftBackup = false;
    // "Restore the right file", "Open the previous file of right".
    bool RightBackup = false;
};

// What the user does to the rows of a comparison page with the pointer and the row
// menu, without any widget: the page forwards pointer moves, clicks on image
// cells and menu choices, then repaints, asks its questions and writes its log.
// Everything runs on the page's thread; a sync run may read the rows meanwhile
// (it reads a row's Direction when it reaches the row).
class TRowActions
{
public:
    enum class Deletion
    {
        // The file is in the desktop's trash; the row keeps its other side.
        Deleted,
        // The file is in the trash and the row has no file left: the caller removes
        // the row (TResultRow::RemoveChild), though not while a sync run holds the
        // rows. Until then its Direction is 0, so a sync leaves it alone.
        DeletedRowEmpty,
        // Nothing was changed.
        Failed
    };

    // The pointer is over an image cell (ImageCell) of the row, or elsewhere over
    // the tree (row null or cell None). The cell under the pointer shows its hover
    // look, its picture's index less one. True when a row's pictures changed: the
    // rows to repaint are the hover row from before the call and the one after.
    bool Hover(TResultRow* row, qint32 cell);
    // The row whose image cell shows its hover look, or null.
    TResultRow* HoverRow() const { return Hovered; }
    // The tree was cleared: the hover row is gone, nothing is touched.
    void Forget() { Hovered = nullptr; }
    // The row's pictures were just set anew by something else (a sync that copied
    // it): they are all in their normal look, so the row no longer counts as
    // hovered and is not touched either.
    void Release(const TResultRow& row);

    // A click on an image cell (ImageCell) of a row. A file row changes its
    // direction and pictures; a folder or root row passes the click to every file
    // row below it (ApplyToFolder). The caller ignores clicks while the root row
    // has no children. True when a row changed.
    bool Click(TResultRow& row, qint32 cell);
    // The click of a folder or root row with action 1 (L attri), 2 (Direct) or 3
    // (R attri), applied to each file row below it, also in sub-folders; files
    // with the same content are skipped. The folder's own pictures stay.
    bool ApplyToFolder(TResultRow& folder, qint32 action);

    // The menu entries for a row of a tree below the roots. For a file on both
    // sides it also sets LeftBackupPath and RightBackupPath, which keep their
    // values for any other row.
    TRowMenu MenuFor(const TResultRow& row, const TRowRoots& roots);
    // Where the kept versions of the row last right-clicked lie ("__Save__" below
    // each side's root); empty when its file does not lie below the root.
    QString LeftBackupPath;
    QString RightBackupPath;

    // Moves the file of one side of a file row of a tree below the roots to the
    // desktop's trash; no link may lie on the way down from the side's root.
    // The row then keeps its other side, with that state's defaults.
    [[nodiscard]] Deletion DeleteFile(TResultRow& row, TRowSide side, const TRowRoots& roots);

    // Puts the kept version of one side's file (below its root's "__Save__") back in
    // its place. The version it replaces goes to the desktop's trash; when the
    // trash cannot take it, everything is put back as it was and the restore
    // fails, so that no version is ever lost. On success the row takes the
    // restored file's time, size and attributes, the other side as it is now on
    // the disk, and the state of the two with its defaults. False: nothing was
    // changed.
    [[nodiscard]] bool RestoreFile(TResultRow& row, TRowSide side, const TRowRoots& roots);

private:
    bool ActOnFile(TResultRow& row, qint32 cell);
    // Gives the hovered cell of the row its normal look back before the row is
    // changed, so that no hover look is left behind on a changed picture.
    void Unhover(TResultRow& row);

    TResultRow* Hovered = nullptr;
};
