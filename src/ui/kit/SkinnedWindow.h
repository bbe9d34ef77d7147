#pragma once

#include <QSize>
#include <QString>

#include <initializer_list>

class QPoint;
class QWidget;
class TImageEx;

// Dresses one of Brenvale's borderless windows in its skin: caption "Brenvale", a
// fixed size on a white ground, one skin picture filling the window, an optional
// close picture, and the window in the middle of its screen. The window passes its
// own flags (borderless, on top, ...) to its base class, keeps the helper as its
// first member and builds its other controls after it, so they lie on the picture:
//
//     TAboutBox::TAboutBox(QWidget* parent)
//         : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint),
//           Skin(this, {.Name = ..., .Size = {490, 349}, .Picture = ..., ...}),
//           Image1(Skin.Background()), SMCLoseBtn(Skin.AddCloseButton({460, 8}))
class TSkinnedWindow
{
public:
    struct TLook
    {
        // The window's object name.
        QString Name;
        // The window's fixed size, which the picture fills.
        QSize Size;
        // The JPEG skin resource of the background and the object name of its control.
        QString Picture;
        QString PictureName;
        // What the picture says, for screen readers.
        QString PictureText;
        // A drag on the background moves the window.
        bool MoveByPicture = false;
        // What screen readers call the window: the caption it shows. Empty: its
        // title, "Brenvale".
        QString Caption = {};
    };

    TSkinnedWindow(QWidget* window, const TLook& look);
    TSkinnedWindow(const TSkinnedWindow&) = delete;
    TSkinnedWindow& operator=(const TSkinnedWindow&) = delete;

    TImageEx* Background() const { return Picture; }

    // A drag on `handle`, a header picture say, moves the window.
    void MoveBy(QWidget* handle);

    // The close picture, 22 x 17, with its top left corner at `topLeft`. A click on it
    // (or Space or Enter while it has the focus) closes the window; a dialog is rejected.
    TImageEx* AddCloseButton(const QPoint& topLeft);

    // Puts `controls` at the end of the window's Tab order, in the given order, and
    // the close picture after them: Tab then runs through a window's fields first
    // and its buttons last, whatever order they were made in.
    void EndTabOrderWith(std::initializer_list<QWidget*> controls);

private:
    QWidget* Window;
    TImageEx* Picture;
    TImageEx* CloseButton = nullptr;
};
