#pragma once

#include <QList>
#include <QPixmap>
#include <QString>

class TImageEx;

// The skin's pictures live in the program's resources (the Qt resource system, below
// ":/skin"). Every lookup matches the name without regard to case. A name that does
// not exist is reported once on standard error and changes nothing.

// Resource path of the picture `name` of type `type` ("JPG" or "GIF"), or an empty
// string when there is none. "ok1"/"JPG" finds ":/skin/Ok1.jpg".
QString FindSkinResource(const QString& name, const QString& type);

// Decodes the JPEG picture `name`; a null pixmap (reported) when it is missing.
QPixmap LoadJpgPicture(const QString& name);

// Makes the JPEG resource `name` the displayed picture of `image`. Does nothing when
// the control's Tag is 1. Returns false when the picture was not put in.
bool LoadJpgResource(TImageEx* image, const QString& name,
                     const QString& type = QStringLiteral("JPG"));

// The hover convention: `control` shows "<baseName>1", and "<baseName>2" while the
// pointer is over it.
void UseHoverPictures(TImageEx* control, const QString& baseName);

// Clears the picture of `image` and shows the GIF resource `name` in it as an
// animation that loops until the picture is cleared. Returns false, leaving the
// control as it was, when the resource is missing or cannot be read.
bool LoadGifResource(const QString& name, TImageEx* image);

// The pictures of an image list, in index order: "ImageList1" holds the comparison
// page's 25 pictures of 16 x 16, "iml_button" the page's four direction indicators
// of 55 x 16. Empty (and reported) for an unknown list.
QList<QPixmap> LoadImageListResource(const QString& listName);
