#include "ui/shell/UChooseRoForm.h"

#include "jobs/UTFolderSource.h"
#include "ui/shell/PublicFunctionUnit.h"
#include "ui/skin/ImageEx.h"
#include "ui/skin/WindowMover.h"

#include <QDir>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QTimer>
#include <QTreeView>

TChooseRoForm::TChooseRoForm(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint), Image2(new TImageEx(this)),
      SMCLoseBtn(new TImageEx(this)), Label_Address(new QLabel(QStringLiteral("Address"), this)),
      Edit_Address(new QLineEdit(this)), strv1(new QTreeView(this)),
      Folders(new QFileSystemModel(this))
{
    setObjectName(QStringLiteral("ChooseRoForm"));
    setWindowTitle(QStringLiteral("Brenvale"));
    setFixedSize(640, 440);
    Image2->setObjectName(QStringLiteral("Image2"));
    Image2->setGeometry(0, 0, 640, 440);
    LoadJpgResource(Image2, QStringLiteral("ChooseRoForm"));
    TWindowMover::Attach(Image2);

    SMCLoseBtn->setObjectName(QStringLiteral("SMCLoseBtn"));
    SMCLoseBtn->setGeometry(611, 6, 22, 17);
    SMCLoseBtn->setCursor(Qt::PointingHandCursor);
    ConnectHoverPictures(SMCLoseBtn, QStringLiteral("SMCLoseBtn"));
    connect(SMCLoseBtn, &TImageEx::clicked, this, &TChooseRoForm::CancelButtonClick);

    Label_Address->setObjectName(QStringLiteral("Label_Address"));
    Label_Address->move(22, 43);
    Edit_Address->setObjectName(QStringLiteral("Edit_Address"));
    Edit_Address->setGeometry(73, 41, 541, 19);
    Edit_Address->setFrame(false);

    // Folders only, from the top of the file system.
    Folders->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Hidden);
    Folders->setReadOnly(true);
    Folders->setIconProvider(&Icons);
    Folders->setRootPath(QStringLiteral("/"));
    strv1->setObjectName(QStringLiteral("strv1"));
    strv1->setGeometry(22, 71, 596, 302);
    strv1->setModel(Folders);
    strv1->setUniformRowHeights(true);
    strv1->expand(Folders->index(QStringLiteral("/")));
    for (int column = 1; column < Folders->columnCount(); ++column)
        strv1->hideColumn(column);
    strv1->header()->hide();
    // The model reads folders in the background: once the chosen one's parent has
    // been read, show it again.
    connect(Folders, &QFileSystemModel::directoryLoaded, this, [this] {
        QTimer::singleShot(0, this, [this] {
            if (!strv1->currentIndex().isValid())
                return;
            strv1->doItemsLayout();
            strv1->scrollTo(strv1->currentIndex(), QAbstractItemView::PositionAtCenter);
        });
    });
    connect(strv1->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current) {
                if (current.isValid())
                    Edit_Address->setText(Folders->filePath(current));
            });

    MakeFolderButton =
        MakeButton("MakeFolderButton", QStringLiteral("MakeFolderButton"), {25, 394, 138, 25});
    OkButton = MakeButton("OkButton", QStringLiteral("Ok"), {475, 394, 66, 25});
    CancelButton = MakeButton("CancelButton", QStringLiteral("Cancel"), {550, 394, 66, 25});
    connect(MakeFolderButton, &TImageEx::clicked, this, &TChooseRoForm::MakeFolderButtonClick);
    connect(OkButton, &TImageEx::clicked, this, &TChooseRoForm::OkButtonClick);
    connect(CancelButton, &TImageEx::clicked, this, &TChooseRoForm::CancelButtonClick);

    AskFolderName = [this](const QString& caption, const QString& prompt) {
        bool ok = false;
        const QString name =
            QInputDialog::getText(this, caption, prompt, QLineEdit::Normal, QString(), &ok);
        return ok ? std::optional<QString>(name) : std::nullopt;
    };
    ShowMessage = [this](const QString& text) {
        QMessageBox::information(this, QStringLiteral("Brenvale"), text);
    };
}

TImageExButton* TChooseRoForm::MakeButton(const char* name, const QString& pictures,
                                          const QRect& place)
{
    auto* button = new TImageExButton(this);
    button->setObjectName(QString::fromLatin1(name));
    button->setGeometry(place);
    button->setCursor(Qt::PointingHandCursor);
    ConnectHoverPictures(button, pictures);
    return button;
}

void TChooseRoForm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    Chosen = false;
    if (Source == nullptr)
        return;
    const QString path = Source->FolerAllName;
    if (!path.isEmpty() && QFileInfo(path).isDir()) {
        SelectFolder(path);
        Edit_Address->setText(path);
        strv1->setFocus();
    }
}

void TChooseRoForm::SelectFolder(const QString& path)
{
    const QModelIndex index = Folders->index(QDir::cleanPath(path));
    if (!index.isValid())
        return;
    for (QModelIndex above = index.parent(); above.isValid(); above = above.parent())
        strv1->expand(above);
    strv1->setCurrentIndex(index);
    strv1->scrollTo(index, QAbstractItemView::PositionAtCenter);
}

void TChooseRoForm::OkButtonClick()
{
    if (Source != nullptr) {
        Source->FolerAllName = Edit_Address->text();
        Source->DeviceType = 1;
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
    if (parent.isEmpty()) {
        ShowMessage(QStringLiteral("Please choose the parent folder first."));
        return;
    }
    const std::optional<QString> answer =
        AskFolderName(QStringLiteral("Enter New Folder Name"),
                      QStringLiteral("Create a new folder \n\n") + parent);
    if (!answer)
        return;
    const QString name = *answer;
    if (!IsValidFileName(name)) {
        ShowMessage(QStringLiteral("The name you entered does not meet the requirement!!"));
        return;
    }
    if (name.trimmed().isEmpty())
        return;
    const QString path = parent.endsWith(QLatin1Char('/'))
                             ? QString(parent + name)
                             : QString(parent + QLatin1Char('/') + name);
    if (!QDir().mkpath(path)) {
        ShowMessage(QStringLiteral("Cannot create the folder ") + path);
        return;
    }
    SelectFolder(path);
    Edit_Address->setText(path);
}
