// Shows the skinned windows one by one and saves a picture of each into the
// folder given as argument. Run it under a display (or xvfb-run).
#include "jobs/UTFolderSource.h"
#include "ui/shell/FAbout.h"
#include "ui/shell/StartUnit.h"
#include "ui/shell/UChooseRoForm.h"

#include <QApplication>
#include <QDebug>
#include <QDir>
#include <QScreen>
#include <QScrollBar>
#include <QThread>
#include <QTreeView>

namespace {

bool Save(QWidget& window, const QString& path)
{
    window.show();
    for (int i = 0; i < 60; ++i) {
        QApplication::processEvents();
        QThread::msleep(20);
    }
    // What the screen shows, as a user sees it.
    const QRect area = window.frameGeometry();
    return window.screen()
        ->grabWindow(0, area.x(), area.y(), area.width(), area.height())
        .save(path);
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
    QDir().mkpath(folder);
    TStartForm splash;
    bool ok = Save(splash, folder + QStringLiteral("/splash.png"));
    splash.hide();
    TAboutBox about;
    ok = Save(about, folder + QStringLiteral("/about.png")) && ok;
    about.hide();
    TFolderSource side;
    side.DeviceType = 1;
    side.FolerAllName = QStringLiteral("/usr/share");
    TChooseRoForm chooser;
    chooser.Source = &side;
    ok = Save(chooser, folder + QStringLiteral("/chooser.png")) && ok;
    if (qEnvironmentVariableIsSet("SCREENSHOT_DEBUG"))
        qWarning() << chooser.strv1->verticalScrollBar()->value()
                   << chooser.strv1->visualRect(chooser.strv1->currentIndex())
                   << chooser.strv1->currentIndex().data().toString();
    return ok ? 0 : 1;
}
