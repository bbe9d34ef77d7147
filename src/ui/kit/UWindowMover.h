#pragma once

#include <QObject>
#include <QPoint>

class QWidget;

// Moves a borderless window when the user drags one of its pictures (a background
// or header picture) with the left mouse button. The move is handed to the window
// system (Qt's system move); where the platform cannot do that, the window follows
// the pointer itself. A press and release without dragging stays a plain click.
class TWindowMover : public QObject
{
    Q_OBJECT

public:
    // Makes `handle` a handle that moves its window. The mover is a child of the handle.
    static TWindowMover* Attach(QWidget* handle);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    explicit TWindowMover(QWidget* handle);

    enum class TPhase
    {
        Idle,
        Pressed,
        SystemMove,
        ManualMove
    };

    bool MousePressed(const QPoint& global);
    bool MouseMoved(const QPoint& global);
    bool MouseReleased();
    void StartMove();

    QWidget* Handle;
    TPhase Phase = TPhase::Idle;
    QPoint PressGlobal;
    QPoint WindowStart;
};
