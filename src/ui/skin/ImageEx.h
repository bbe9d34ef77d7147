#pragma once

#include <QLabel>
#include <QPixmap>
#include <QString>

#include <functional>

class QMovie;

// A picture control that tells when the pointer enters or leaves it and when it
// is clicked (pressed and released over it).
class TImageEx : public QLabel
{
    Q_OBJECT

public:
    explicit TImageEx(QWidget* parent = nullptr);

    // 1: LoadJpgResource leaves this control's picture alone (the main window's
    // maximise button while the window is maximised).
    int Tag = 0;

Q_SIGNALS:
    void OnMouseEnter();
    void OnMouseLeave();
    void clicked();
    void pressed(QMouseEvent* event);

protected:
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

    // Hooks of the button below, run before the signals.
    virtual void MouseEntered() {}
    virtual void MouseLeft() {}
    virtual void Clicked() {}

private:
    bool PressedInside = false;
};

// A picture button with three looks (normal, pointer over it, selected) and a
// look while disabled. Buttons of one group (same parent, same GroupIndex > 0)
// keep one selected member, unless a member allows all to be selected.
class TImageExButton : public TImageEx
{
    Q_OBJECT

public:
    enum TImageState
    {
        isNormal,
        isMouseMove,
        isSelect
    };

    explicit TImageExButton(QWidget* parent = nullptr);

    QString TagText;

    TImageState PicState() const { return State; }
    void SetPicState(TImageState state);
    bool PicAutoChange() const { return AutoChange; }
    void SetPicAutoChange(bool on);
    bool AllowAllSelected() const { return AllowAll; }
    void SetAllowAllSelected(bool on);
    int GroupIndex() const { return Group; }
    void SetGroupIndex(int group);
    bool ClickAutoChange = false;

    void SetPicNormal(const QPixmap& picture);
    void SetPicMouseMove(const QPixmap& picture);
    void SetPicSelect(const QPixmap& picture);
    void SetPicDisabled(const QPixmap& picture) { PicDisabled = picture; }

    QPixmap PicNormal;
    QPixmap PicMouseMove;
    QPixmap PicSelect;
    QPixmap PicDisabled;

protected:
    void changeEvent(QEvent* event) override;
    void MouseEntered() override;
    void MouseLeft() override;
    void Clicked() override;

private:
    TImageState State = isNormal;
    bool AutoChange = false;
    bool AllowAll = false;
    int Group = 0;
};

// Shows the named picture of the program's resources in the control (names
// without regard to case). Does nothing to a control whose Tag is 1. A name that
// does not exist leaves the control as it was and is told once on standard error.
void LoadJpgResource(TImageEx* control, const QString& name,
                     const QString& type = QStringLiteral("JPG"));
// Shows the named animation ("LODING") in the control, looping.
void LoadGifResource(const QString& name, TImageEx* control);
// The named picture, or a null pixmap (told once on standard error).
QPixmap ResourcePicture(const QString& name, const QString& type = QStringLiteral("JPG"));
// True when a picture of that name and type is among the resources.
bool HasResourcePicture(const QString& name, const QString& type = QStringLiteral("JPG"));
// The hover convention: shows base + "1", and base + "2" while the pointer is over
// the control. `when` (optional) tells whether the control follows the pointer now.
void ConnectHoverPictures(TImageEx* control, const QString& base, std::function<bool()> when = {});
// The 25 sixteen-pixel pictures of the comparison page, in index order.
QList<QPixmap> ComparisonImageList();
