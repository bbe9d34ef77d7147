// Shows the about box, the splash, the folder chooser and a sheet of every skin
// picture, and writes each of them as a PNG file into the folder given as the first
// argument. The chooser opens on the folder given as the second argument
// (default /usr/share). Run it on a display, for example:
//
//     xvfb-run -a -s "-screen 0 1280x800x24" build/tests/ui/skin/skin_screenshots docs/screenshots

#include "Screenshots.h"
#include "SkinTestHelpers.h"

#include "jobs/UTFolderSource.h"
#include "ui/kit/UChooseRoForm.h"
#include "ui/shell/FAbout.h"
#include "ui/shell/StartUnit.h"
#include "ui/skin/ImageExButton.h"
#include "ui/skin/SkinResourceUnit.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QGridLayout>
#include <QLabel>
#include <QTextStream>
#include <QTreeView>

namespace {

TImageEx* Picture(QWidget* parent, const QString& name)
{
    auto* image = new TImageEx(parent);
    image->SetAutoSize(true);
    LoadJpgResource(image, name);
    image->setFixedSize(image->size());
    return image;
}

// Every hover pair side by side (normal, pointer over it), then the image lists.
QWidget* Gallery()
{
    auto* sheet = new QWidget;
    sheet->setAutoFillBackground(true);
    QPalette palette = sheet->palette();
    palette.setColor(QPalette::Window, QColor(236, 239, 243));
    sheet->setPalette(palette);
    auto* grid = new QGridLayout(sheet);
    grid->setHorizontalSpacing(10);
    grid->setVerticalSpacing(4);
    int row = 0;
    int column = 0;
    for (const char* pair : SkinHoverPairs) {
        const QString base = QString::fromLatin1(pair);
        grid->addWidget(new QLabel(base, sheet), row, column * 4);
        grid->addWidget(Picture(sheet, base + QLatin1Char('1')), row, column * 4 + 1);
        grid->addWidget(Picture(sheet, base + QLatin1Char('2')), row, column * 4 + 2);
        if (++column == 2) {
            column = 0;
            ++row;
        }
    }
    ++row;
    auto* icons = new QWidget(sheet);
    auto* line = new QHBoxLayout(icons);
    line->addWidget(new QLabel(QStringLiteral("ImageList1 (0-24)"), icons));
    for (const QPixmap& icon : LoadImageListResource(QStringLiteral("ImageList1"))) {
        auto* label = new QLabel(icons);
        label->setPixmap(icon.scaled(32, 32, Qt::KeepAspectRatio, Qt::FastTransformation));
        line->addWidget(label);
    }
    for (const QPixmap& indicator : LoadImageListResource(QStringLiteral("iml_button"))) {
        auto* label = new QLabel(icons);
        label->setPixmap(indicator);
        line->addWidget(label);
    }
    auto* busy = new TImageEx(icons);
    busy->setFixedSize(32, 32);
    LoadGifResource(QStringLiteral("LODING"), busy);
    line->addWidget(busy);
    line->addStretch();
    grid->addWidget(icons, row, 0, 1, 8);
    return sheet;
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Brenvale"));
    const QStringList arguments = QApplication::arguments();
    if (arguments.size() < 2) {
        QTextStream(stderr) << "usage: skin_screenshots <folder> [chooser folder]\n";
        return 2;
    }
    const QString folder = arguments.at(1);
    QDir().mkpath(folder);
    bool ok = true;

    TAboutBox about;
    about.show();
    ok = SaveScreenshot(&about, folder, QStringLiteral("about-box.png")) && ok;
    about.close();

    TStartForm splash;
    splash.ShowNow();
    ok = SaveScreenshot(&splash, folder, QStringLiteral("splash.png")) && ok;
    splash.close();

    TFolderSource side;
    side.DeviceType = SideDevice::LocalFolder;
    side.FolerAllName = arguments.size() > 2 ? arguments.at(2) : QStringLiteral("/usr/share");
    TChooseRoForm chooser;
    chooser.Source = &side;
    chooser.show();
    Settle(1500);
    chooser.strv1->scrollTo(chooser.strv1->currentIndex(), QAbstractItemView::PositionAtCenter);
    ok = SaveScreenshot(&chooser, folder, QStringLiteral("folder-chooser.png")) && ok;
    chooser.close();

    std::unique_ptr<QWidget> gallery(Gallery());
    gallery->show();
    ok = SaveScreenshot(gallery.get(), folder, QStringLiteral("skin-gallery.png")) && ok;
    return ok ? 0 : 1;
}
