#include "ui/kit/SkinnedWindow.h"

#include "ui/kit/UWindowMover.h"
#include "ui/kit/WindowPlacement.h"
#include "ui/skin/ImageEx.h"
#include "ui/skin/PressablePicture.h"
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
    if (!look.Caption.isEmpty())
        window->setAccessibleName(look.Caption);
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
    MakePressable(button);
    button->setObjectName(QStringLiteral("SMCLoseBtn"));
    button->setAccessibleName(QStringLiteral("Close"));
    button->setGeometry(QRect(topLeft, QSize(22, 17)));
    button->setCursor(Qt::PointingHandCursor);
    UseHoverPictures(button, QStringLiteral("SMCLoseBtn"));
    // QDialog answers a close with reject(), as it does the Escape key.
    QObject::connect(button, &TImageEx::OnClick, Window, &QWidget::close);
    CloseButton = button;
    return button;
}

void TSkinnedWindow::EndTabOrderWith(std::initializer_list<QWidget*> controls)
{
    // Each control goes in front of a stand-in at the end of the chain: Qt does not
    // move a widget behind the last one of a window's chain.
    QWidget end(Window);
    end.setFocusPolicy(Qt::TabFocus);
    // Qt orders no widget after one that takes no focus (a label made last).
    const auto putLast = [&end, this](QWidget* control) {
        if (control == nullptr)
            return;
        QWidget* before = end.previousInFocusChain();
        while (before != Window && before->focusPolicy() == Qt::NoFocus)
            before = before->previousInFocusChain();
        QWidget::setTabOrder(before, control);
    };
    for (QWidget* control : controls)
        putLast(control);
    putLast(CloseButton);
}
