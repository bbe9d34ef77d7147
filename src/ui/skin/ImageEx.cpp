#include "ui/skin/ImageEx.h"

#include <QMouseEvent>
#include <QMovie>
#include <QPainter>

TImageEx::TImageEx(QWidget* parent) : QWidget(parent) {}

TImageEx::~TImageEx() = default;

void TImageEx::SetPicture(const QPixmap& picture)
{
    StopAnimation();
    DisplayedPicture = picture;
    FitToPicture();
    update();
}

void TImageEx::ClearPicture()
{
    SetPicture(QPixmap());
}

void TImageEx::SetAnimation(std::unique_ptr<QMovie> movie)
{
    StopAnimation();
    DisplayedPicture = QPixmap();
    Movie = std::move(movie);
    if (Movie) {
        connect(Movie.get(), &QMovie::frameChanged, this, [this] { update(); });
        Movie->start();
    }
    update();
}

void TImageEx::StopAnimation()
{
    if (!Movie)
        return;
    Movie->disconnect(this);
    Movie->stop();
    Movie.reset();
}

void TImageEx::SetStretch(bool stretch)
{
    StretchPicture = stretch;
    update();
}

void TImageEx::SetAutoSize(bool autoSize)
{
    AutoSizeToPicture = autoSize;
    FitToPicture();
}

void TImageEx::FitToPicture()
{
    if (AutoSizeToPicture && !DisplayedPicture.isNull())
        resize(DisplayedPicture.deviceIndependentSize().toSize());
}

QSize TImageEx::sizeHint() const
{
    if (!DisplayedPicture.isNull())
        return DisplayedPicture.deviceIndependentSize().toSize();
    return QWidget::sizeHint();
}

void TImageEx::Click()
{
    Q_EMIT OnClick();
}

void TImageEx::paintEvent(QPaintEvent*)
{
    const QPixmap frame = Movie ? Movie->currentPixmap() : DisplayedPicture;
    if (frame.isNull())
        return;
    QPainter painter(this);
    if (StretchPicture)
        painter.drawPixmap(rect(), frame);
    else
        painter.drawPixmap(0, 0, frame);
    // A picture that takes the keyboard focus shows it, as a button does.
    if (hasFocus()) {
        painter.setPen(QPen(palette().color(QPalette::Highlight), 1, Qt::DotLine));
        painter.drawRect(rect().adjusted(1, 1, -2, -2));
    }
}

void TImageEx::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        LeftPressed = true;
    Q_EMIT OnMouseDown(event->button(), event->position().toPoint());
}

void TImageEx::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    const bool clicked = LeftPressed && rect().contains(event->position().toPoint());
    LeftPressed = false;
    if (clicked)
        Click();
}

void TImageEx::enterEvent(QEnterEvent* event)
{
    QWidget::enterEvent(event);
    Q_EMIT OnMouseEnter();
}

void TImageEx::leaveEvent(QEvent* event)
{
    QWidget::leaveEvent(event);
    Q_EMIT OnMouseLeave();
}
