#pragma once

#include <QColor>
#include <QCoreApplication>
#include <QEnterEvent>
#include <QImage>
#include <QPixmap>
#include <QWidget>

// Pointer entering and leaving a control, as the window system reports them.
inline void SendEnter(QWidget* widget)
{
    const QPointF inside(1, 1);
    QEnterEvent enter(inside, inside, widget->mapToGlobal(inside));
    QCoreApplication::sendEvent(widget, &enter);
}

inline void SendLeave(QWidget* widget)
{
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(widget, &leave);
}

inline QPixmap Solid(const QColor& colour, int width = 8, int height = 8)
{
    QPixmap picture(width, height);
    picture.fill(colour);
    return picture;
}

// The colour of a picture's top left pixel; invalid for no picture.
inline QColor Corner(const QPixmap& picture)
{
    if (picture.isNull())
        return {};
    return picture.toImage().pixelColor(0, 0);
}

inline bool SameImage(const QPixmap& a, const QPixmap& b)
{
    return !a.isNull() && !b.isNull() &&
           a.toImage().convertToFormat(QImage::Format_RGB32) ==
               b.toImage().convertToFormat(QImage::Format_RGB32);
}

// Every control base name whose pictures come in a hover pair ("...1", "...2").
inline const char* const SkinHoverPairs[] = {
    "jobbutton",
    "actionbutton",
    "viewbutton",
    "toolsbutton",
    "HelpButton",
    "MinBtn",
    "BigBtn",
    "CloseBtn",
    "bt_addtask",
    "ieb",
    "SMCLoseBtn",
    "OSMCLoseBtn",
    "Ok",
    "Cancel",
    "apply",
    "MakeFolderButton",
    "CheckUpdateBtn",
    "AddScheduleBtn",
    "RemoveScheduleBtn",
    "ClearAllBtn",
    "Browse",
    "BitBtn_Analyze",
    "BitBtn_Sync",
    "BitBtn_cancel",
};
