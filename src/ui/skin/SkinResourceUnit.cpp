#include "ui/skin/SkinResourceUnit.h"

#include "ui/skin/ImageEx.h"

#include <QDir>
#include <QHash>
#include <QImageReader>
#include <QMovie>
#include <QPixmapCache>
#include <QSet>

#include <memory>

static void InitSkinResources()
{
    // The resources are compiled into a static library; naming them here keeps the
    // linker from dropping them.
    Q_INIT_RESOURCE(skin);
}

namespace {

const QString SkinRoot = QStringLiteral(":/skin");

// Lower-case "name.ext" (or "list") of every entry below ":/skin" -> its resource path.
const QHash<QString, QString>& ResourceIndex()
{
    static const QHash<QString, QString> index = [] {
        InitSkinResources();
        QHash<QString, QString> entries;
        const QDir root(SkinRoot);
        const auto names = root.entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot);
        for (const QString& entry : names)
            entries.insert(entry.toLower(), root.filePath(entry));
        return entries;
    }();
    return index;
}

// Each missing or unreadable resource is told once, not at every pointer move.
void ReportOnce(const QString& what)
{
    static QSet<QString> reported;
    if (reported.contains(what))
        return;
    reported.insert(what);
    qWarning("Brenvale: %s", qUtf8Printable(what));
}

QString Extension(const QString& type)
{
    return type.trimmed().toLower();
}

} // namespace

QString FindSkinResource(const QString& name, const QString& type)
{
    return ResourceIndex().value(name.toLower() + QLatin1Char('.') + Extension(type));
}

QPixmap LoadJpgPicture(const QString& name)
{
    const QString path = FindSkinResource(name, QStringLiteral("JPG"));
    if (path.isEmpty()) {
        ReportOnce(QStringLiteral("the picture resource \"%1\" (JPG) does not exist").arg(name));
        return {};
    }
    QPixmap picture;
    if (QPixmapCache::find(path, &picture))
        return picture;
    QImageReader reader(path, "jpeg");
    const QImage image = reader.read();
    if (image.isNull()) {
        ReportOnce(QStringLiteral("the picture resource \"%1\" cannot be read: %2")
                       .arg(name, reader.errorString()));
        return {};
    }
    picture = QPixmap::fromImage(image);
    QPixmapCache::insert(path, picture);
    return picture;
}

bool LoadJpgResource(TImageEx* image, const QString& name, const QString& type)
{
    if (!image || image->Tag == 1)
        return false;
    if (Extension(type) != QLatin1String("jpg")) {
        ReportOnce(
            QStringLiteral("the picture resource \"%1\" has the type %2, not JPG").arg(name, type));
        return false;
    }
    const QPixmap picture = LoadJpgPicture(name);
    if (picture.isNull())
        return false;
    image->SetPicture(picture);
    return true;
}

void UseHoverPictures(TImageEx* control, const QString& baseName)
{
    const QString normal = baseName + QLatin1Char('1');
    const QString hovered = baseName + QLatin1Char('2');
    LoadJpgResource(control, normal);
    QObject::connect(control, &TImageEx::OnMouseEnter, control,
                     [control, hovered] { LoadJpgResource(control, hovered); });
    QObject::connect(control, &TImageEx::OnMouseLeave, control,
                     [control, normal] { LoadJpgResource(control, normal); });
}

bool LoadGifResource(const QString& name, TImageEx* image)
{
    if (!image)
        return false;
    const QString path = FindSkinResource(name, QStringLiteral("GIF"));
    if (path.isEmpty()) {
        ReportOnce(QStringLiteral("the animation resource \"%1\" (GIF) does not exist").arg(name));
        return false;
    }
    auto movie = std::make_unique<QMovie>(path, QByteArray("gif"));
    if (!movie->isValid()) {
        ReportOnce(QStringLiteral("the animation resource \"%1\" cannot be read: %2")
                       .arg(name, movie->lastErrorString()));
        return false;
    }
    movie->setCacheMode(QMovie::CacheAll);
    // Loop for ever, whatever loop count the file itself carries.
    QMovie* raw = movie.get();
    QObject::connect(raw, &QMovie::finished, raw, &QMovie::start);
    image->ClearPicture();
    image->SetAnimation(std::move(movie));
    return true;
}

QList<QPixmap> LoadImageListResource(const QString& listName)
{
    const QString folder = ResourceIndex().value(listName.toLower());
    if (folder.isEmpty()) {
        ReportOnce(QStringLiteral("the image list resource \"%1\" does not exist").arg(listName));
        return {};
    }
    // The pictures are named by their index with two digits, so the name order is
    // the index order.
    const QDir dir(folder);
    QList<QPixmap> pictures;
    const auto files = dir.entryList({QStringLiteral("*.png")}, QDir::Files, QDir::Name);
    for (const QString& file : files) {
        QPixmap picture(dir.filePath(file), "png");
        if (picture.isNull())
            ReportOnce(QStringLiteral("the image list picture %1 cannot be read").arg(file));
        pictures.append(picture);
    }
    return pictures;
}
