#include "ui/shell/FAbout.h"

#include "ui/shell/UWindowMover.h"
#include "ui/shell/WindowPlacement.h"
#include "ui/skin/ImageExButton.h"
#include "ui/skin/SkinResourceUnit.h"

#include <QPalette>

TAboutBox::TAboutBox(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint), Image1(new TImageEx(this)),
      SMCLoseBtn(new TImageEx(this)), OKButton(new TImageExButton(this))
{
    setObjectName(QStringLiteral("AboutBox"));
    setWindowTitle(QStringLiteral("Brenvale"));
    setFixedSize(490, 349);
    setAutoFillBackground(true);
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    setPalette(white);

    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(0, 0, 490, 349);
    LoadJpgResource(Image1, QStringLiteral("About"));
    // A drag on the picture moves the box; a plain click on it closes the box.
    TWindowMover::Attach(Image1);
    connect(Image1, &TImageEx::OnClick, this, &TAboutBox::Image1Click);

    SMCLoseBtn->setObjectName(QStringLiteral("SMCLoseBtn"));
    SMCLoseBtn->setGeometry(460, 8, 22, 17);
    SMCLoseBtn->setCursor(Qt::PointingHandCursor);
    UseHoverPictures(SMCLoseBtn, QStringLiteral("SMCLoseBtn"));
    connect(SMCLoseBtn, &TImageEx::OnClick, this, &TAboutBox::SMCLoseBtnClick);

    OKButton->setObjectName(QStringLiteral("OKButton"));
    OKButton->setGeometry(359, 252, 66, 25);
    OKButton->setCursor(Qt::PointingHandCursor);
    UseHoverPictures(OKButton, QStringLiteral("Ok"));
    connect(OKButton, &TImageEx::OnClick, this, &TAboutBox::OKButtonClick);

    CenterOnScreen(this);
}

void TAboutBox::SMCLoseBtnClick()
{
    close();
}

void TAboutBox::OKButtonClick()
{
    close();
}

void TAboutBox::Image1Click()
{
    close();
}
