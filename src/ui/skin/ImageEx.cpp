#include "ui/skin/ImageEx.h"

#include <QDir>
#include <QEnterEvent>
#include <QHash>
#include <QMouseEvent>
#include <QMovie>
#include <QSet>
#include <QTextStream>

namespace {

// Resource paths by lower-case "name.type", read once from the resources.
const QHash<QString, QString>& ResourceIndex()
{
    static const QHash<QString, QString> index = [] {
        QHash<QString, QString> paths;
        const QDir folder(QStringLiteral(":/skin"));
        for (const QString& file : folder.entryList(QDir::Files))
            paths.insert(file.toLower(), folder.filePath(file));
        return paths;
    }();
    return index;
}

QString Extension(const QString& type)
{
    const QString lower = type.toLower();
    return lower == QStringLiteral("jpg") ? QStringLiteral("jpg") : lower;
}

QString FindResource(const QString& name, const QString& type)
{
    const QString key = name.toLower() + QLatin1Char('.') + Extension(type);
    const QString path = ResourceIndex().value(key);
    if (path.isEmpty()) {
        static QSet<QString> told;
        if (!told.contains(key)) {
            told.insert(key);
            QTextStream(stderr) << "Brenvale: no picture named \"" << name << "\" of type " << type
                                << " among the resources\n";
        }
    }
    return path;
}

// A control shows one picture at a time: an animation it showed goes.
void DropMovie(QLabel* control)
{
    if (QMovie* movie = control->movie()) {
        control->clear();
        movie->deleteLater();
    }
}

} // namespace

TImageEx::TImageEx(QWidget* parent) : QLabel(parent) {}

void TImageEx::enterEvent(QEnterEvent* event)
{
    QLabel::enterEvent(event);
    MouseEntered();
    Q_EMIT OnMouseEnter();
}

void TImageEx::leaveEvent(QEvent* event)
{
    QLabel::leaveEvent(event);
    MouseLeft();
    Q_EMIT OnMouseLeave();
}

void TImageEx::mousePressEvent(QMouseEvent* event)
{
    PressedInside = event->button() == Qt::LeftButton;
    Q_EMIT pressed(event);
    QLabel::mousePressEvent(event);
}

void TImageEx::mouseReleaseEvent(QMouseEvent* event)
{
    const bool click = PressedInside && event->button() == Qt::LeftButton &&
                       rect().contains(event->position().toPoint());
    PressedInside = false;
    QLabel::mouseReleaseEvent(event);
    if (click) {
        Clicked();
        Q_EMIT clicked();
    }
}

TImageExButton::TImageExButton(QWidget* parent) : TImageEx(parent) {}

void TImageExButton::SetPicState(TImageState state)
{
    State = state;
    if (!isEnabled()) {
        if (!PicDisabled.isNull())
            setPixmap(PicDisabled);
        return;
    }
    const QPixmap& picture = state == isNormal      ? PicNormal
                             : state == isMouseMove ? PicMouseMove
                                                    : PicSelect;
    if (!picture.isNull())
        setPixmap(picture);
    if (state != isSelect || Group <= 0 || parentWidget() == nullptr)
        return;
    const auto siblings =
        parentWidget()->findChildren<TImageExButton*>(QString(), Qt::FindDirectChildrenOnly);
    for (TImageExButton* other : siblings) {
        if (other != this && other->Group == Group && !other->AllowAll && other->State == isSelect)
            other->SetPicState(isNormal);
    }
}

void TImageExButton::SetPicAutoChange(bool on)
{
    AutoChange = on;
    SetPicState(State);
}

void TImageExButton::SetAllowAllSelected(bool on)
{
    AllowAll = on;
    SetPicState(State);
}

void TImageExButton::SetGroupIndex(int group)
{
    Group = group;
    SetPicState(State);
}

void TImageExButton::SetPicNormal(const QPixmap& picture)
{
    PicNormal = picture;
    SetPicState(State);
}

void TImageExButton::SetPicMouseMove(const QPixmap& picture)
{
    PicMouseMove = picture;
    SetPicState(State);
}

void TImageExButton::SetPicSelect(const QPixmap& picture)
{
    PicSelect = picture;
    SetPicState(State);
}

void TImageExButton::changeEvent(QEvent* event)
{
    TImageEx::changeEvent(event);
    if (event->type() == QEvent::EnabledChange)
        SetPicState(State);
}

void TImageExButton::MouseEntered()
{
    if (AutoChange && State != isSelect)
        SetPicState(isMouseMove);
}

void TImageExButton::MouseLeft()
{
    if (AutoChange && State != isSelect)
        SetPicState(isNormal);
}

void TImageExButton::Clicked()
{
    if (AutoChange && ClickAutoChange && State != isSelect)
        SetPicState(isSelect);
}

bool HasResourcePicture(const QString& name, const QString& type)
{
    return ResourceIndex().contains(name.toLower() + QLatin1Char('.') + Extension(type));
}

QPixmap ResourcePicture(const QString& name, const QString& type)
{
    const QString path = FindResource(name, type);
    return path.isEmpty() ? QPixmap() : QPixmap(path);
}

void LoadJpgResource(TImageEx* control, const QString& name, const QString& type)
{
    if (control == nullptr || control->Tag == 1)
        return;
    const QPixmap picture = ResourcePicture(name, type);
    if (picture.isNull())
        return;
    DropMovie(control);
    control->setPixmap(picture);
}

void LoadGifResource(const QString& name, TImageEx* control)
{
    if (control == nullptr)
        return;
    const QString path = FindResource(name, QStringLiteral("GIF"));
    if (path.isEmpty())
        return;
    DropMovie(control);
    control->clear();
    // The file loops for ever; the movie goes with the control or its next picture.
    auto* movie = new QMovie(path, QByteArray(), control);
    control->setMovie(movie);
    movie->start();
}

QList<QPixmap> ComparisonImageList()
{
    QList<QPixmap> pictures;
    for (int i = 0; i < 25; ++i)
        pictures.append(ResourcePicture(
            QStringLiteral("ImageList%1").arg(i, 2, 10, QLatin1Char('0')), QStringLiteral("PNG")));
    return pictures;
}

void ConnectHoverPictures(TImageEx* control, const QString& base, std::function<bool()> when)
{
    LoadJpgResource(control, base + QLatin1Char('1'));
    QObject::connect(control, &TImageEx::OnMouseEnter, control, [control, base, when] {
        if (!when || when())
            LoadJpgResource(control, base + QLatin1Char('2'));
    });
    QObject::connect(control, &TImageEx::OnMouseLeave, control, [control, base, when] {
        if (!when || when())
            LoadJpgResource(control, base + QLatin1Char('1'));
    });
}
