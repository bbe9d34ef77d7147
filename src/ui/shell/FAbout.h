#pragma once

#include "ui/kit/SkinnedWindow.h"

#include <QDialog>

class TImageEx;
class TImageExButton;

// The about box: Brenvale's artwork in a borderless window with three ways to close
// it: the close picture, OK and a click on the artwork.
class TAboutBox : public QDialog
{
    Q_OBJECT

public:
    explicit TAboutBox(QWidget* parent = nullptr);

private:
    TSkinnedWindow Skin;

public:
    TImageEx* Image1;
    TImageEx* SMCLoseBtn;
    TImageExButton* OKButton;
};
