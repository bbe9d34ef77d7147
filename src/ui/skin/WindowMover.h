#pragma once

#include <QObject>
#include <QPoint>

class QWidget;

// Moves a borderless window while the left mouse button is held on one of its
// pictures (background or header): the window system moves it where it can;
// elsewhere the window follows the pointer.
class TWindowMover : public QObject
{
    Q_OBJECT

public:
    // Makes a press on the picture move the picture's window.
    static void Attach(QWidget* picture);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    explicit TWindowMover(QObject* parent) : QObject(parent) {}
    bool Dragging = false;
    QPoint GrabOffset;
};
