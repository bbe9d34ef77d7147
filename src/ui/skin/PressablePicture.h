#pragma once

#include <QAccessible>

class TImageEx;

// A picture that acts when clicked (a skinned button, a job tab) made usable
// without a mouse: Tab reaches it, Space or Enter clicks it, and screen readers
// see it in the given role with a press action that clicks it. Call it right
// after making the picture, before anything asks for its accessible interface.
void MakePressable(TImageEx* picture, QAccessible::Role role = QAccessible::Button);

// Whether a pressable picture is the selected one of its group (the current job
// tab), as screen readers see it.
void SetPressableSelected(TImageEx* picture, bool selected);
