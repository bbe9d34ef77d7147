#include "ui/shell/StartUnit.h"

#include "ui/skin/ImageEx.h"

#include <QApplication>
#include <QScreen>

TStartForm::TStartForm(QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      Image1(new TImageEx(this))
{
    setObjectName(QStringLiteral("StartForm"));
    setFixedSize(450, 250);
    setAutoFillBackground(true);
    setPalette(QPalette(Qt::white));
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(0, 0, 450, 250);
    LoadJpgResource(Image1, QStringLiteral("StartForm"));
}

void TStartForm::ShowNow()
{
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    show();
    raise();
    repaint();
    QApplication::processEvents();
}
