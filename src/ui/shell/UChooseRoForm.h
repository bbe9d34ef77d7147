#pragma once

#include <QDialog>
#include <QFileIconProvider>

#include <functional>
#include <optional>

class QFileSystemModel;
class QLabel;
class QLineEdit;
class QTreeView;
class TFolderSource;
class TImageEx;
class TImageExButton;

// The folder chooser: picks a local folder for one side of a job, or makes a new
// folder first. It edits the side it is given in place, and only on OK.
class TChooseRoForm : public QDialog
{
    Q_OBJECT

public:
    explicit TChooseRoForm(QWidget* parent = nullptr);

    // The side being edited; set before the dialog is shown. Not owned.
    TFolderSource* Source = nullptr;
    // True once the user confirmed a folder with OK.
    bool Chosen = false;

    // Questions the dialog asks; tests answer them in place of the real boxes.
    // AskFolderName returns nothing when the user cancels.
    std::function<std::optional<QString>(const QString& caption, const QString& prompt)>
        AskFolderName;
    std::function<void(const QString& text)> ShowMessage;

    TImageEx* Image2;
    TImageEx* SMCLoseBtn;
    QLabel* Label_Address;
    QLineEdit* Edit_Address;
    QTreeView* strv1;
    TImageExButton* MakeFolderButton;
    TImageExButton* OkButton;
    TImageExButton* CancelButton;

public Q_SLOTS:
    void OkButtonClick();
    void CancelButtonClick();
    void MakeFolderButtonClick();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void SelectFolder(const QString& path);
    TImageExButton* MakeButton(const char* name, const QString& pictures, const QRect& place);

    QFileIconProvider Icons;
    QFileSystemModel* Folders;
};
