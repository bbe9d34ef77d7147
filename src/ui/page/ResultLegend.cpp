#include "ui/page/ResultLegend.h"

#include "ui/page/PageImages.h"

#include <QFont>
#include <QLabel>
#include <QPalette>

namespace {

struct TPictureEntry
{
    int X;
    int Image;
};

struct TLabelEntry
{
    int X;
    const char* Text;
};

constexpr TPictureEntry Pictures[] = {
    {12, 12}, {30, 8}, {150, 14}, {168, 10}, {320, 20}, {467, 18}, {544, 6}, {615, 16},
};

constexpr TLabelEntry Labels[] = {
    {48, "Move To Left(Right) "},
    {192, "Can Move To Left(Right)"},
    {338, "Can't Move To Left(Right)"},
    {484, "Don't Move"},
    {560, "Can Move"},
    {634, "The Same Comtent"},
};

constexpr int PictureSize = 16;

} // namespace

TResultLegend::TResultLegend(const TPageImages& images, QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("Panel8"));
    setAccessibleName(QStringLiteral("Legend"));
    setFixedHeight(StripHeight);
    setAutoFillBackground(true);
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    setPalette(white);

    for (const TPictureEntry& entry : Pictures) {
        auto* picture = new QLabel(this);
        picture->setPixmap(images.Pixmap(entry.Image));
        picture->setAccessibleName(images.PictureText(entry.Image));
        picture->setGeometry(entry.X, (StripHeight - PictureSize) / 2, PictureSize, PictureSize);
    }
    const QFont labelFont(QStringLiteral("Arial"), 8);
    for (const TLabelEntry& entry : Labels) {
        const QString text = QString::fromLatin1(entry.Text);
        auto* label = new QLabel(text, this);
        label->setFont(labelFont);
        label->setAccessibleName(text);
        label->setAttribute(Qt::WA_TranslucentBackground);
        label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        label->setGeometry(entry.X, 0, label->sizeHint().width(), StripHeight);
    }
}
