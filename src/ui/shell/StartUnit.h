#pragma once

#include <QWidget>

class TImageEx;

// The splash window shown while Brenvale starts: borderless, 450 x 250, always on
// top, centred on the screen, one picture. It goes when it is destroyed.
class TStartForm : public QWidget
{
    Q_OBJECT

public:
    explicit TStartForm(QWidget* parent = nullptr);

    // Shows the window and paints it at once, before the slow part of start-up.
    void ShowNow();

    TImageEx* Image1;
};
