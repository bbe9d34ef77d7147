#pragma once

#include <QAccessible>
#include <QStringList>
#include <QWidget>

// What a screen reader learns of a control, in one line: its role, its name, its
// actions and whether it takes the focus or is disabled. For example
// "Button 'OK' [Press] focusable".
inline QString AccessibleFace(QWidget* control)
{
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(control);
    if (face == nullptr)
        return QStringLiteral("none");
    const QHash<QAccessible::Role, QString> roles = {
        {QAccessible::Button, QStringLiteral("Button")},
        {QAccessible::PageTab, QStringLiteral("PageTab")},
        {QAccessible::ComboBox, QStringLiteral("ComboBox")},
        {QAccessible::CheckBox, QStringLiteral("CheckBox")},
        {QAccessible::SpinBox, QStringLiteral("SpinBox")},
        {QAccessible::Table, QStringLiteral("Table")},
        {QAccessible::Dialog, QStringLiteral("Dialog")},
        {QAccessible::Window, QStringLiteral("Window")},
    };
    QString line = roles.value(face->role(), QString::number(int(face->role()))) +
                   QStringLiteral(" '") + face->text(QAccessible::Name) + QStringLiteral("'");
    if (QAccessibleActionInterface* actions = face->actionInterface())
        line +=
            QStringLiteral(" [") + actions->actionNames().join(QLatin1Char(',')) + QLatin1Char(']');
    if (face->state().focusable)
        line += QStringLiteral(" focusable");
    if (face->state().disabled)
        line += QStringLiteral(" disabled");
    return line;
}

inline QStringList AccessibleFaces(std::initializer_list<QWidget*> controls)
{
    QStringList faces;
    for (QWidget* control : controls)
        faces.append(AccessibleFace(control));
    return faces;
}

// The object names of the controls Tab reaches in a window, in order, from the first.
inline QStringList TabOrder(QWidget* window)
{
    QStringList names;
    for (QWidget* w = window->nextInFocusChain(); w != window; w = w->nextInFocusChain()) {
        if ((w->focusPolicy() & Qt::TabFocus) && w->isVisibleTo(window) && w->isEnabled() &&
            !w->objectName().startsWith(QLatin1String("qt_")))
            names.append(w->objectName());
    }
    return names;
}
