#include "ui/kit/UChooseRoForm.h"

#include "common/PublicFunctionUnit.h"
#include "jobs/UTFolderSource.h"
#include "ui/kit/ModalDialogs.h"
#include "ui/skin/ImageExButton.h"
#include "ui/skin/SkinResourceUnit.h"

#include <QDir>
#include <QFile>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QTreeView>

#include <filesystem>
#include <system_error>

namespace {

// A name for a new folder below a chosen parent: no separator or other reserved
// character, and not one of the two names that stand for existing folders.
bool IsNewFolderName(const QString& name)
{
    return IsValidFileName(name) && name != QLatin1String(".") && name != QLatin1String("..");
}

} // namespace

TChooseRoForm::TChooseRoForm(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint),
      Skin(this, {.Name = QStringLiteral("ChooseRoForm"),
                  .Size = {640, 440},
                  .Picture = QStringLiteral("ChooseRoForm"),
                  .PictureName = QStringLiteral("Image2"),
                  .PictureText = QStringLiteral("Choose a folder"),
                  .MoveByPicture = true,
                  .Caption = QStringLiteral("Choose a folder")}),
      Image2(Skin.Background()), SMCLoseBtn(Skin.AddCloseButton({611, 6})),
      Label_Address(new QLabel(QStringLiteral("Address"), this)), Edit_Address(new QLineEdit(this)),
      strv1(new QTreeView(this)), FolderModel(new QFileSystemModel(this)),
      MakeFolderButton(new TImageExButton(this)), OkButton(new TImageExButton(this)),
      CancelButton(new TImageExButton(this))
{
    BuildControls();
    BuildFolderTree();
}

TChooseRoForm::~TChooseRoForm()
{
    // The model's worker thread asks the icon provider for icons: the model goes first.
    delete FolderModel;
}

bool TChooseRoForm::Browse(TFolderSource& side, QWidget* parent)
{
    if (side.DeviceType != SideDevice::LocalFolder)
        return false;
    TChooseRoForm form(parent);
    form.Source = &side;
    form.exec();
    return form.Chosen;
}

void TChooseRoForm::BuildControls()
{
    Label_Address->setObjectName(QStringLiteral("Label_Address"));
    Label_Address->move(22, 43);
    QFont small = Label_Address->font();
    small.setPixelSize(12);
    Label_Address->setFont(small);
    Label_Address->adjustSize();

    Edit_Address->setObjectName(QStringLiteral("Edit_Address"));
    Edit_Address->setGeometry(73, 41, 541, 19);
    Edit_Address->setAccessibleName(QStringLiteral("Address"));
    Edit_Address->setFrame(false);

    const struct
    {
        TImageExButton* button;
        const char* name;
        const char* pictures;
        const char* caption;
        QRect place;
        void (TChooseRoForm::*click)();
    } buttons[] = {
        {MakeFolderButton,
         "MakeFolderButton",
         "MakeFolderButton",
         "Make New Folder",
         {25, 394, 138, 25},
         &TChooseRoForm::MakeFolderButtonClick},
        {OkButton, "OkButton", "Ok", "OK", {475, 394, 66, 25}, &TChooseRoForm::OkButtonClick},
        {CancelButton,
         "CancelButton",
         "Cancel",
         "Cancel",
         {550, 394, 66, 25},
         &TChooseRoForm::CancelButtonClick},
    };
    for (const auto& b : buttons) {
        b.button->setObjectName(QString::fromLatin1(b.name));
        b.button->setAccessibleName(QString::fromLatin1(b.caption));
        b.button->setGeometry(b.place);
        b.button->setCursor(Qt::PointingHandCursor);
        UseHoverPictures(b.button, QString::fromLatin1(b.pictures));
        connect(b.button, &TImageEx::OnClick, this, b.click);
    }
    Skin.EndTabOrderWith({MakeFolderButton, OkButton, CancelButton});
}

void TChooseRoForm::BuildFolderTree()
{
    // Folders only, hidden ones included (a backup often wants them), from "/" down.
    FolderModel->setFilter(QDir::AllDirs | QDir::Drives | QDir::NoDotAndDotDot | QDir::Hidden);
    FolderModel->setReadOnly(true);
    FolderIcons = std::make_unique<QFileIconProvider>();
    FolderModel->setIconProvider(FolderIcons.get());
    FolderModel->setRootPath(QStringLiteral("/"));

    strv1->setObjectName(QStringLiteral("strv1"));
    strv1->setAccessibleName(QStringLiteral("Folders"));
    strv1->setGeometry(22, 71, 596, 302);
    strv1->setModel(FolderModel);
    strv1->setHeaderHidden(true);
    for (int column = 1; column < FolderModel->columnCount(); ++column)
        strv1->hideColumn(column);
    strv1->setSelectionMode(QAbstractItemView::SingleSelection);
    strv1->setUniformRowHeights(true);
    strv1->setStyleSheet(QStringLiteral("QTreeView#strv1 { border: 1px solid #aab7ca; }"));
    strv1->expand(FolderModel->index(QStringLiteral("/")));
    // The address follows the folder the user selects, by mouse or keys. Not the
    // tree's current folder: the tree makes its first folder current, unselected,
    // when Tab enters it, which must not wipe out a path typed in the address.
    connect(strv1->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this](const QItemSelection& selected) {
                if (!selected.indexes().isEmpty())
                    strv1Change(selected.indexes().constFirst());
            });
}

void TChooseRoForm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    FormShow();
}

void TChooseRoForm::keyPressEvent(QKeyEvent* event)
{
    // Enter confirms the address, from the address, the tree or the dialog itself;
    // on a picture button it presses that button instead (the button takes it).
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        OkButtonClick();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TChooseRoForm::FormShow()
{
    Chosen = false;
    if (!Source || !QFileInfo(Source->FolerAllName).isDir())
        return;
    // When the tree cannot reach the folder the dialog opens with what it shows.
    if (!SelectFolder(Source->FolerAllName))
        return;
    Edit_Address->setText(Source->FolerAllName);
    strv1->setFocus();
}

bool TChooseRoForm::SelectFolder(const QString& path)
{
    const QModelIndex index = FolderModel->index(QDir::cleanPath(path));
    if (!index.isValid())
        return false;
    strv1->setCurrentIndex(index);
    strv1->scrollTo(index);
    return true;
}

void TChooseRoForm::strv1Change(const QModelIndex& current)
{
    if (current.isValid())
        Edit_Address->setText(QDir::toNativeSeparators(FolderModel->filePath(current)));
}

void TChooseRoForm::OkButtonClick()
{
    if (Source) {
        Source->FolerAllName = Edit_Address->text();
        Source->DeviceType = SideDevice::LocalFolder;
    }
    Chosen = true;
    accept();
}

void TChooseRoForm::CancelButtonClick()
{
    reject();
}

void TChooseRoForm::MakeFolderButtonClick()
{
    const QString parent = Edit_Address->text().trimmed();
    // Without an absolute parent the new folder would land wherever the process runs.
    if (parent.isEmpty() || QDir::isRelativePath(parent)) {
        ModalDialogs::Message(this, QMessageBox::Information,
                              QStringLiteral("Please choose the parent folder first."));
        return;
    }
    const std::optional<QString> answer =
        ModalDialogs::AskText(this, QStringLiteral("Enter New Folder Name"),
                              QStringLiteral("Create a new folder \n\n") + parent);
    if (!answer)
        return;
    const QString name = *answer;
    if (!IsNewFolderName(name)) {
        ModalDialogs::Message(
            this, QMessageBox::Information,
            QStringLiteral("The name you entered does not meet the requirement!!"));
        return;
    }
    if (name.trimmed().isEmpty())
        return;
    const QString path = parent.endsWith(QLatin1Char('/'))
                             ? QString(parent + name)
                             : QString(parent + QLatin1Char('/') + name);
    std::error_code error;
    std::filesystem::create_directories(QFile::encodeName(path).toStdString(), error);
    if (error || !QFileInfo(path).isDir()) {
        const QString reason = error ? QString::fromLocal8Bit(error.message().c_str())
                                     : QStringLiteral("a file of that name is in the way");
        ModalDialogs::Message(
            this, QMessageBox::Warning,
            QStringLiteral("The folder \"%1\" cannot be created: %2").arg(path, reason));
        return;
    }
    // The model adds the new folder's node when asked for it by path.
    SelectFolder(path);
    Edit_Address->setText(path);
}
