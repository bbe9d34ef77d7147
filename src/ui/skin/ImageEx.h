#pragma once

#include <QPixmap>
#include <QWidget>

#include <memory>

class QMovie;

// A picture shown in a rectangle: the image control of the skinned windows. It
// raises OnClick, OnMouseDown, OnMouseEnter and OnMouseLeave, shows its tool tip as
// the hint, and can show a looping animation instead of its picture.
class TImageEx : public QWidget
{
    Q_OBJECT

public:
    explicit TImageEx(QWidget* parent = nullptr);
    ~TImageEx() override;

    // Free number for the windows. LoadJpgResource leaves a control with tag 1 alone.
    int Tag = 0;

    const QPixmap& Picture() const { return DisplayedPicture; }
    // Shows a copy of the picture; stops a running animation.
    void SetPicture(const QPixmap& picture);
    // Shows nothing; stops a running animation.
    void ClearPicture();

    // Takes over the animation and shows its frames until the picture is set or cleared.
    void SetAnimation(std::unique_ptr<QMovie> movie);
    QMovie* Animation() const { return Movie.get(); }

    // Stretch: the picture fills the control; otherwise it is drawn at its own size
    // from the top left corner.
    bool Stretch() const { return StretchPicture; }
    void SetStretch(bool stretch);
    // AutoSize: the control takes the size of every picture it is given.
    bool AutoSize() const { return AutoSizeToPicture; }
    void SetAutoSize(bool autoSize);

    QSize sizeHint() const override;

Q_SIGNALS:
    void OnClick();
    void OnMouseDown(Qt::MouseButton button, const QPoint& position);
    void OnMouseEnter();
    void OnMouseLeave();

protected:
    // A press and a release of the left button inside the control. Derived controls
    // extend it; the base raises OnClick.
    virtual void Click();

    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    void StopAnimation();
    void FitToPicture();

    QPixmap DisplayedPicture;
    std::unique_ptr<QMovie> Movie;
    bool StretchPicture = false;
    bool AutoSizeToPicture = false;
    bool LeftPressed = false;
};
