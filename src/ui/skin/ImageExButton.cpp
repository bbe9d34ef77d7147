#include "ui/skin/ImageExButton.h"

#include "ui/skin/PressablePicture.h"

#include <QEvent>

TImageExButton::TImageExButton(QWidget* parent) : TImageEx(parent)
{
    MakePressable(this);
}

void TImageExButton::SetGroupIndex(int groupIndex)
{
    Group = groupIndex;
    SetPicState(State);
}

void TImageExButton::SetAllowAllSelected(bool allow)
{
    AllowAll = allow;
    SetPicState(State);
}

void TImageExButton::SetPicAutoChange(bool autoChange)
{
    AutoChange = autoChange;
    SetPicState(State);
}

void TImageExButton::SetPicNormal(const QPixmap& picture)
{
    Normal = picture;
    SetPicState(State);
}

void TImageExButton::SetPicSelect(const QPixmap& picture)
{
    Selected = picture;
    SetPicState(State);
}

void TImageExButton::SetPicMouseMove(const QPixmap& picture)
{
    MouseMove = picture;
    SetPicState(State);
}

void TImageExButton::SetPicDisabled(const QPixmap& picture)
{
    Disabled = picture;
}

const QPixmap& TImageExButton::StatePicture(TImageState state) const
{
    switch (state) {
    case TImageState::isMouseMove:
        return MouseMove;
    case TImageState::isSelect:
        return Selected;
    case TImageState::isNormal:
        break;
    }
    return Normal;
}

void TImageExButton::SetPicState(TImageState state)
{
    State = state;
    if (!isEnabled()) {
        if (!Disabled.isNull())
            SetPicture(Disabled);
        return;
    }
    const QPixmap& picture = StatePicture(state);
    if (!picture.isNull())
        SetPicture(picture);
    if (state == TImageState::isSelect && Group > 0)
        ResetGroupSelection();
}

void TImageExButton::ResetGroupSelection()
{
    QWidget* parent = parentWidget();
    if (!parent)
        return;
    const auto siblings = parent->findChildren<TImageExButton*>(Qt::FindDirectChildrenOnly);
    for (TImageExButton* other : siblings) {
        if (other != this && other->Group == Group && !other->AllowAll &&
            other->State == TImageState::isSelect)
            other->SetPicState(TImageState::isNormal);
    }
}

void TImageExButton::Click()
{
    if (AutoChange && ClickChange && State != TImageState::isSelect)
        SetPicState(TImageState::isSelect);
    TImageEx::Click();
}

void TImageExButton::enterEvent(QEnterEvent* event)
{
    if (AutoChange && State != TImageState::isSelect)
        SetPicState(TImageState::isMouseMove);
    TImageEx::enterEvent(event);
}

void TImageExButton::leaveEvent(QEvent* event)
{
    if (AutoChange && State != TImageState::isSelect)
        SetPicState(TImageState::isNormal);
    TImageEx::leaveEvent(event);
}

void TImageExButton::changeEvent(QEvent* event)
{
    TImageEx::changeEvent(event);
    if (event->type() == QEvent::EnabledChange)
        SetPicState(State);
}
