#include "ui/shell/SkinnedWindow.h"

#include "ui/shell/UWindowMover.h"
#include "ui/shell/WindowPlacement.h"
#include "ui/skin/ImageEx.h"
#include "ui/skin/SkinResourceUnit.h"

#include <QPalette>
#include <QPoint>
#include <QRect>
#include <QWidget>

TSkinnedWindow::TSkinnedWindow(QWidget* window, const TLook& look)
    : Window(window), Picture(new TImageEx(window))
{
    window->setObjectName(look.Name);
    window->setWindowTitle(QStringLiteral("Brenvale"));
    window->setFixedSize(look.Size);
    // The ground shows wherever a picture does not cover the window.
    window->setAutoFillBackground(true);
    QPalette white = window->palette();
    white.setColor(QPalette::Window, Qt::white);
    window->setPalette(white);

    Picture->setObjectName(look.PictureName);
    Picture->setAccessibleName(look.PictureText);
    Picture->setGeometry(QRect(QPoint(0, 0), look.Size));
    LoadJpgResource(Picture, look.Picture);
    if (look.MoveByPicture)
        MoveBy(Picture);

    CenterOnScreen(window);
}

void TSkinnedWindow::MoveBy(QWidget* handle)
{
    TWindowMover::Attach(handle);
}

TImageEx* TSkinnedWindow::AddCloseButton(const QPoint& topLeft)
{
    auto* button = new TImageEx(Window);
    button->setObjectName(QStringLiteral("SMCLoseBtn"));
    button->setAccessibleName(QStringLiteral("Close"));
    button->setGeometry(QRect(topLeft, QSize(22, 17)));
    button->setCursor(Qt::PointingHandCursor);
    UseHoverPictures(button, QStringLiteral("SMCLoseBtn"));
    // QDialog answers a close with reject(), as it does the Escape key.
    QObject::connect(button, &TImageEx::OnClick, Window, &QWidget::close);
    return button;
}
