#pragma once

#include <QDialog>

class TImageEx;
class TImageExButton;

// The about box: Brenvale's artwork in a borderless window with two ways to close it.
class TAboutBox : public QDialog
{
    Q_OBJECT

public:
    explicit TAboutBox(QWidget* parent = nullptr);

    TImageEx* Image1;
    TImageEx* SMCLoseBtn;
    TImageExButton* OKButton;

private:
    void SMCLoseBtnClick();
    void OKButtonClick();
    void Image1Click();
};
