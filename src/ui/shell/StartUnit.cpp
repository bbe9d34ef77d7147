#include "ui/shell/StartUnit.h"

#include "ui/shell/WindowPlacement.h"
#include "ui/skin/ImageEx.h"
#include "ui/skin/SkinResourceUnit.h"

#include <QPalette>

#include <QCoreApplication>

TStartForm::TStartForm(QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      Image1(new TImageEx(this))
{
    setObjectName(QStringLiteral("StartForm"));
    setWindowTitle(QStringLiteral("Brenvale"));
    setFixedSize(450, 250);
    setAutoFillBackground(true);
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    setPalette(white);

    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(0, 0, 450, 250);
    LoadJpgResource(Image1, QStringLiteral("Splash"));

    CenterOnScreen(this);
}

void TStartForm::ShowNow()
{
    show();
    raise();
    repaint();
    QCoreApplication::processEvents();
}
