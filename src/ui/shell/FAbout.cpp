#include "ui/shell/FAbout.h"

#include "ui/skin/ImageExButton.h"
#include "ui/skin/SkinResourceUnit.h"

TAboutBox::TAboutBox(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint),
      Skin(this, {.Name = QStringLiteral("AboutBox"),
                  .Size = {490, 349},
                  .Picture = QStringLiteral("About"),
                  .PictureName = QStringLiteral("Image1"),
                  .PictureText = QStringLiteral("Brenvale"),
                  .MoveByPicture = true}),
      Image1(Skin.Background()), SMCLoseBtn(Skin.AddCloseButton({460, 8})),
      OKButton(new TImageExButton(this))
{
    // A drag on the picture moves the box; a plain click on it closes the box.
    connect(Image1, &TImageEx::OnClick, this, &QWidget::close);

    OKButton->setObjectName(QStringLiteral("OKButton"));
    OKButton->setAccessibleName(QStringLiteral("OK"));
    OKButton->setGeometry(359, 252, 66, 25);
    OKButton->setCursor(Qt::PointingHandCursor);
    UseHoverPictures(OKButton, QStringLiteral("Ok"));
    connect(OKButton, &TImageEx::OnClick, this, &QWidget::close);
    Skin.EndTabOrderWith({OKButton});
}
