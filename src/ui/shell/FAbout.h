#pragma once

#include <QDialog>

class TImageEx;
class TImageExButton;

// The about box: one picture, closed by its close picture or OK. Pressing on the
// picture moves the window (a press moves at once, so the picture itself does
// not close the box).
class TAboutBox : public QDialog
{
    Q_OBJECT

public:
    explicit TAboutBox(QWidget* parent = nullptr);

    TImageEx* Image1;
    TImageEx* SMCLoseBtn;
    TImageExButton* OKButton;
};
