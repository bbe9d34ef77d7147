#include "ui/shell/StartUnit.h"

#include <QCoreApplication>

TStartForm::TStartForm(QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      Skin(this, {.Name = QStringLiteral("StartForm"),
                  .Size = {450, 250},
                  .Picture = QStringLiteral("Splash"),
                  .PictureName = QStringLiteral("Image1"),
                  .PictureText = QStringLiteral("Brenvale")}),
      Image1(Skin.Background())
{
}

void TStartForm::ShowNow()
{
    show();
    raise();
    repaint();
    QCoreApplication::processEvents();
}
