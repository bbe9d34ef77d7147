#pragma once

#include <QHash>
#include <QIcon>
#include <QList>
#include <QPixmap>
#include <QString>
#include <QStringList>

#include <functional>

// The comparison page's image list: the 25 built-in pictures of 16 x 16 and the
// file-type icons added while rows are built, at most 100 pictures in all. Index 0
// is the empty picture; every odd index from 5 to 23 is the hover look (with a
// shadow) of the picture after it, so a hovered cell's index of 0 becomes -1. Both
// 0 and -1 mean no picture.
class TPageImages
{
public:
    static constexpr int BuiltInCount = 25;
    static constexpr int MaxCount = 100;

    // Finds the icon of a file type by its extension; a null icon for none.
    using IconLoader = std::function<QIcon(const QString& extension)>;

    // loader: where file-type icons come from; LoadFileTypeIcon when not given.
    explicit TPageImages(IconLoader loader = {});

    // Pictures in the list, built-in ones included.
    int Count() const { return int(Pictures.size()); }
    // The extensions whose icon was added, in the order added: the extension at
    // position i has the picture BuiltInCount + i.
    const QStringList& FileTypeExtensions() const { return Extensions; }

    // The picture of a file's Item cell. The extension is the name from its last
    // "." on (a name without one is taken whole) and is compared exactly. A known
    // extension has its own picture; a new one gets the icon of its type as a new
    // picture while the list has room; any other file the plain document (4).
    // An extension without an icon is looked up once and then gets the document.
    int FileTypeImage(const QString& fileName);

    // The picture at the index as an icon; null for no picture (0, -1) and for
    // indices outside the list. Cheap: every call shares one icon.
    QIcon Icon(int index) const;
    QPixmap Pixmap(int index) const;
    // What the picture at the index shows, in words, for the accessible names of
    // the picture cells; empty for no picture.
    QString PictureText(int index) const;

    // The icon of the file type of an extension (blanks around it ignored), from
    // the desktop's icon theme: the theme's icon for the type's MIME type, found
    // by the extension, else its generic icon. Null when the type is unknown or
    // the theme has neither.
    static QIcon LoadFileTypeIcon(const QString& extension);

private:
    IconLoader Loader;
    QList<QPixmap> Pictures;
    QList<QIcon> Icons;
    QStringList Extensions;
    // Extension to picture index, for the lookup of every file.
    QHash<QString, int> ExtensionImages;
};
