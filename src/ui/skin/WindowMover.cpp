#include "ui/skin/WindowMover.h"

#include <QMouseEvent>
#include <QWidget>
#include <QWindow>

void TWindowMover::Attach(QWidget* picture)
{
    picture->installEventFilter(new TWindowMover(picture));
}

bool TWindowMover::eventFilter(QObject* watched, QEvent* event)
{
    auto* picture = static_cast<QWidget*>(watched);
    QWidget* window = picture->window();
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        auto* press = static_cast<QMouseEvent*>(event);
        if (press->button() != Qt::LeftButton)
            break;
        QWindow* handle = window->windowHandle();
        if (handle != nullptr && handle->startSystemMove())
            return false;
        Dragging = true;
        GrabOffset = press->globalPosition().toPoint() - window->frameGeometry().topLeft();
        break;
    }
    case QEvent::MouseMove:
        if (Dragging) {
            auto* move = static_cast<QMouseEvent*>(event);
            window->move(move->globalPosition().toPoint() - GrabOffset);
        }
        break;
    case QEvent::MouseButtonRelease:
        Dragging = false;
        break;
    default:
        break;
    }
    return false;
}
