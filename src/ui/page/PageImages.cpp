#include "ui/page/PageImages.h"

#include "ui/skin/SkinResourceUnit.h"

#include <QMimeDatabase>
#include <QMimeType>

namespace {

// What each built-in picture shows; a hover look reads as its picture.
const char* const BuiltInTexts[TPageImages::BuiltInCount] = {
    "",
    "question mark",
    "warning",
    "folder",
    "document",
    "can move",
    "can move",
    "moves to the right",
    "moves to the right",
    "could move to the right",
    "could move to the right",
    "moves to the left",
    "moves to the left",
    "could move to the left",
    "could move to the left",
    "same content",
    "same content",
    "don't move",
    "don't move",
    "cannot move",
    "cannot move",
    "folder to the right",
    "folder to the right",
    "folder to the left",
    "folder to the left",
};

} // namespace

TPageImages::TPageImages(IconLoader loader)
    : Loader(loader ? std::move(loader) : IconLoader(&TPageImages::LoadFileTypeIcon))
{
    Pictures = LoadImageListResource(QStringLiteral("ImageList1"));
    // The list starts with the built-in pictures whatever the resource held, so
    // that the file types always start at BuiltInCount.
    Pictures.resize(BuiltInCount);
    Icons.reserve(MaxCount);
    for (int i = 0; i < BuiltInCount; ++i)
        Icons.append(i == 0 || Pictures[i].isNull() ? QIcon() : QIcon(Pictures[i]));
}

int TPageImages::FileTypeImage(const QString& fileName)
{
    const qsizetype dot = fileName.lastIndexOf(QLatin1Char('.'));
    const QString extension = dot < 0 ? fileName : fileName.mid(dot);
    const auto known = ExtensionImages.constFind(extension);
    if (known != ExtensionImages.constEnd())
        return known.value();
    if (Count() >= MaxCount)
        return 4;
    const QIcon icon = Loader(extension);
    const QPixmap picture = icon.isNull() ? QPixmap() : icon.pixmap(QSize(16, 16));
    if (picture.isNull()) {
        // Asking the icon theme again for every such file would cost seconds in a
        // tree of many files of a type the theme does not know.
        ExtensionImages.insert(extension, 4);
        return 4;
    }
    const int index = Count();
    Pictures.append(picture);
    Icons.append(QIcon(picture));
    Extensions.append(extension);
    ExtensionImages.insert(extension, index);
    return index;
}

QIcon TPageImages::Icon(int index) const
{
    return index > 0 && index < Count() ? Icons[index] : QIcon();
}

QPixmap TPageImages::Pixmap(int index) const
{
    return index > 0 && index < Count() ? Pictures[index] : QPixmap();
}

QString TPageImages::PictureText(int index) const
{
    if (index <= 0 || index >= Count())
        return QString();
    if (index < BuiltInCount)
        return QString::fromLatin1(BuiltInTexts[index]);
    return Extensions[index - BuiltInCount] + QStringLiteral(" file");
}

QIcon TPageImages::LoadFileTypeIcon(const QString& extension)
{
    const QString key = extension.trimmed();
    if (key.isEmpty())
        return QIcon();
    // The database matches patterns like "*.txt" against whole file names, which
    // an extension alone (".txt") is not; a name without a dot ("Makefile") is
    // matched as it is.
    const QString name = key.startsWith(QLatin1Char('.')) ? QStringLiteral("file") + key : key;
    const QMimeDatabase database;
    const QList<QMimeType> types = database.mimeTypesForFileName(name);
    if (types.isEmpty())
        return QIcon();
    const QMimeType& type = types.first();
    QIcon icon = QIcon::fromTheme(type.iconName());
    if (icon.isNull())
        icon = QIcon::fromTheme(type.genericIconName());
    return icon;
}
