#include "ui/kit/UWindowMover.h"

#include <QApplication>
#include <QMouseEvent>
#include <QWidget>
#include <QWindow>

TWindowMover::TWindowMover(QWidget* handle) : QObject(handle), Handle(handle)
{
    handle->installEventFilter(this);
}

TWindowMover* TWindowMover::Attach(QWidget* handle)
{
    return new TWindowMover(handle);
}

bool TWindowMover::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != Handle)
        return false;
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton)
            return MousePressed(mouse->globalPosition().toPoint());
        return false;
    }
    case QEvent::MouseMove: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->buttons() & Qt::LeftButton)
            return MouseMoved(mouse->globalPosition().toPoint());
        return false;
    }
    case QEvent::MouseButtonRelease:
        if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton)
            return MouseReleased();
        return false;
    default:
        return false;
    }
}

bool TWindowMover::MousePressed(const QPoint& global)
{
    Phase = TPhase::Pressed;
    PressGlobal = global;
    WindowStart = Handle->window()->pos();
    // The picture still sees the press (its mouse-down and click handling).
    return false;
}

bool TWindowMover::MouseMoved(const QPoint& global)
{
    switch (Phase) {
    case TPhase::Idle:
        return false;
    case TPhase::Pressed:
        if ((global - PressGlobal).manhattanLength() < QApplication::startDragDistance())
            return false;
        StartMove();
        if (Phase == TPhase::ManualMove)
            Handle->window()->move(WindowStart + (global - PressGlobal));
        return true;
    case TPhase::SystemMove:
        return true;
    case TPhase::ManualMove:
        Handle->window()->move(WindowStart + (global - PressGlobal));
        return true;
    }
    return false;
}

bool TWindowMover::MouseReleased()
{
    const bool moved = Phase == TPhase::SystemMove || Phase == TPhase::ManualMove;
    Phase = TPhase::Idle;
    // After a move the release is no click on the picture.
    return moved;
}

void TWindowMover::StartMove()
{
    QWindow* window = Handle->window()->windowHandle();
    if (window && window->startSystemMove()) {
        Phase = TPhase::SystemMove;
        return;
    }
    Phase = TPhase::ManualMove;
}
