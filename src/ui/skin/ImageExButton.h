#pragma once

#include "ui/skin/ImageEx.h"

#include <QString>

enum class TImageState
{
    isNormal,
    isMouseMove,
    isSelect
};

// An image control that works as a button with three state pictures: normal,
// pointer over it and selected, plus a picture for the disabled control. Buttons
// of one parent that share a GroupIndex above 0 keep one selected member.
class TImageExButton : public TImageEx
{
    Q_OBJECT

public:
    explicit TImageExButton(QWidget* parent = nullptr);

    // Free text for the windows; the control does not use it.
    QString TagText;

    int GroupIndex() const { return Group; }
    void SetGroupIndex(int groupIndex);
    // A selected button that allows all selected stays selected when another
    // button of its group is selected.
    bool AllowAllSelected() const { return AllowAll; }
    void SetAllowAllSelected(bool allow);

    TImageState PicState() const { return State; }
    // Stores the state and shows its picture (or the disabled picture while the
    // control is disabled). Selecting resets the other selected buttons of the group.
    void SetPicState(TImageState state);

    const QPixmap& PicNormal() const { return Normal; }
    void SetPicNormal(const QPixmap& picture);
    const QPixmap& PicSelect() const { return Selected; }
    void SetPicSelect(const QPixmap& picture);
    const QPixmap& PicMouseMove() const { return MouseMove; }
    void SetPicMouseMove(const QPixmap& picture);
    // Only stored: the picture shows at the next state change or enabled change.
    const QPixmap& PicDisabled() const { return Disabled; }
    void SetPicDisabled(const QPixmap& picture);

    // The state follows the pointer (normal / pointer over it).
    bool PicAutoChange() const { return AutoChange; }
    void SetPicAutoChange(bool autoChange);
    // Together with PicAutoChange: a click selects the button.
    bool ClickAutoChange() const { return ClickChange; }
    void SetClickAutoChange(bool clickChange) { ClickChange = clickChange; }

protected:
    void Click() override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    const QPixmap& StatePicture(TImageState state) const;
    void ResetGroupSelection();

    QPixmap MouseMove;
    QPixmap Normal;
    QPixmap Selected;
    QPixmap Disabled;
    TImageState State = TImageState::isNormal;
    bool AutoChange = false;
    bool AllowAll = false;
    int Group = 0;
    bool ClickChange = false;
};
