#pragma once

#include "ui/kit/SkinnedWindow.h"

#include <QDialog>

#include <memory>

class QFileIconProvider;
class QFileSystemModel;
class QLabel;
class QLineEdit;
class QModelIndex;
class QTreeView;
class TFolderSource;
class TImageEx;
class TImageExButton;

// The folder chooser: a modal, borderless dialog in which the user picks a local
// folder for one side of a job, or makes a new folder first. It edits the job side
// it is given in place: OK stores the address field's text in the side. Its input
// box and messages go through ModalDialogs.
class TChooseRoForm : public QDialog
{
    Q_OBJECT

public:
    explicit TChooseRoForm(QWidget* parent = nullptr);
    ~TChooseRoForm() override;

    // The calling protocol of every Browse button: for a local folder side
    // (SideDevice::LocalFolder), shows the chooser modally on it and returns true
    // when the user chose a folder (the side then holds it). Any other side:
    // nothing is shown, false.
    static bool Browse(TFolderSource& side, QWidget* parent = nullptr);

    // The side being edited; not owned. Set before the dialog is shown.
    TFolderSource* Source = nullptr;
    // True once the user confirmed a folder with OK.
    bool Chosen = false;

private:
    TSkinnedWindow Skin;

public:
    TImageEx* Image2;
    TImageEx* SMCLoseBtn;
    QLabel* Label_Address;
    QLineEdit* Edit_Address;
    QTreeView* strv1;
    QFileSystemModel* FolderModel;
    TImageExButton* MakeFolderButton;
    TImageExButton* OkButton;
    TImageExButton* CancelButton;

    void FormShow();
    void OkButtonClick();
    void CancelButtonClick();
    void MakeFolderButtonClick();

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void BuildControls();
    void BuildFolderTree();
    void strv1Change(const QModelIndex& current);
    // Moves the tree's selection to an existing folder; false when the tree has no
    // node for it.
    bool SelectFolder(const QString& path);

    // The desktop's folder icons, with the style's icons where the desktop has none.
    std::unique_ptr<QFileIconProvider> FolderIcons;
};
