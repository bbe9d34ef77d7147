#pragma once

#include "ui/kit/SkinnedWindow.h"

#include <QWidget>

class TImageEx;

// The splash window shown while Brenvale starts: a borderless picture of 450 x 250,
// always on top, in the middle of the screen. Start-up creates it, calls ShowNow
// and destroys it when the main window is about to appear:
//
//     auto StartForm = std::make_unique<TStartForm>();
//     StartForm->ShowNow();
//     ... slow start-up work ...
//     StartForm.reset();
class TStartForm : public QWidget
{
    Q_OBJECT

public:
    explicit TStartForm(QWidget* parent = nullptr);

    // Shows the window without waiting and paints it at once, so that it is on the
    // screen before anything slow happens.
    void ShowNow();

private:
    TSkinnedWindow Skin;

public:
    TImageEx* Image1;
};
