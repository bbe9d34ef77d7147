#include "ui/shell/FAbout.h"

#include "ui/skin/ImageEx.h"
#include "ui/skin/WindowMover.h"

TAboutBox::TAboutBox(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint), Image1(new TImageEx(this)),
      SMCLoseBtn(new TImageEx(this)), OKButton(new TImageExButton(this))
{
    setObjectName(QStringLiteral("AboutBox"));
    setWindowTitle(QStringLiteral("Brenvale"));
    setFixedSize(490, 349);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(0, 0, 490, 349);
    LoadJpgResource(Image1, QStringLiteral("AboutBox"));
    TWindowMover::Attach(Image1);

    SMCLoseBtn->setObjectName(QStringLiteral("SMCLoseBtn"));
    SMCLoseBtn->setGeometry(460, 8, 22, 17);
    SMCLoseBtn->setCursor(Qt::PointingHandCursor);
    ConnectHoverPictures(SMCLoseBtn, QStringLiteral("SMCLoseBtn"));
    connect(SMCLoseBtn, &TImageEx::clicked, this, &QDialog::reject);

    OKButton->setObjectName(QStringLiteral("OKButton"));
    OKButton->setGeometry(359, 252, 66, 25);
    OKButton->setCursor(Qt::PointingHandCursor);
    ConnectHoverPictures(OKButton, QStringLiteral("Ok"));
    connect(OKButton, &TImageEx::clicked, this, &QDialog::accept);
}
