#include "common/DataFolder.h"
#include "common/InstanceLock.h"
#include "common/PublicFunctionUnit.h"
#include "common/QuitSignals.h"
#include "jobs/TaskListFile.h"
#include "jobs/UTSyncTask.h"
#include "ui/kit/ModalDialogs.h"
#include "ui/shell/StartUnit.h"
#include "ui/shell/UQuillonFom.h"
#include "ui/shell/UpdateMessages.h"
#include "update/DMUnit.h"

#include <QApplication>
#include <QDialog>
#include <QIcon>
#include <QSessionManager>
#include <QTextStream>

#include <memory>

namespace {

const QString AlreadyRunning = QStringLiteral("Brenvale is already running.");

// On a display the user sees a message box. The offscreen and minimal platforms
// show no window to anyone, and a box there would wait for a click that never
// comes, so the text goes to standard error only; it goes there in every case.
void TellAlreadyRunning()
{
    QTextStream(stderr) << AlreadyRunning << '\n';
    const QString platform = QGuiApplication::platformName();
    if (platform != QStringLiteral("offscreen") && platform != QStringLiteral("minimal"))
        ModalDialogs::Message(nullptr, QMessageBox::Information, AlreadyRunning);
}

} // namespace

// Start-up, in this order: the quit signals, the single-instance lock, the
// settings, the splash, the update check's message boxes, the data module (which
// checks for an update when the options ask it to), the job list from
// "tasklist.qn", the main window, then the message loop. The main window's
// destruction writes the job list back. Command-line arguments (a scheduled start
// passes "-Scan") change nothing.
int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Brenvale"));
    QGuiApplication::setDesktopFileName(QStringLiteral("example.brenvale.Brenvale"));

    // A request to end (SIGTERM, SIGINT, SIGHUP, the end of the session) closes the
    // main window as its close button does; one that comes during start-up ends
    // the program as soon as the window is made.
    std::unique_ptr<TQuillonFom> QuillonFom;
    TQuitSignals quitSignals;
    QObject::connect(&quitSignals, &TQuitSignals::QuitRequested, [&QuillonFom] {
        if (QuillonFom) {
            QuillonFom->RequestClose();
            return;
        }
        // Before the window: a box open now (a second start's) is closed, and
        // the program ends as when the user closed it.
        if (auto* box = qobject_cast<QDialog*>(QApplication::activeModalWidget()))
            box->reject();
    });
    QObject::connect(&app, &QGuiApplication::commitDataRequest, [&QuillonFom](QSessionManager&) {
        // The session may end the program before the window is destroyed.
        (void)SaveTaskList();
        if (QuillonFom)
            QuillonFom->RequestClose();
    });

    // One program per data folder, checked before anything is written.
    TInstanceLock instance;
    if (instance.Take(DataFolder::Path()) == TInstanceLock::TResult::Busy) {
        TellAlreadyRunning();
        return 1;
    }

    LoadRegistrySettings();
    auto StartForm = std::make_unique<TStartForm>();
    StartForm->ShowNow();
    QApplication::setApplicationDisplayName(QStringLiteral("Brenvale"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/skin/icon/brenvale.png")));
    // The quiet check at start-up may ask its question: the boxes come first.
    InstallUpdateMessages();
    auto dataModule = std::make_unique<TDM>();
    CreateTaskList();
    // A missing or unreadable file leaves the list empty; the window shows no job.
    (void)LoadTaskList(DataFolder::TaskListPath());
    StartForm.reset();

    QuillonFom = std::make_unique<TQuillonFom>();
    QuillonFom->show();
    if (!quitSignals.Requested())
        app.exec();
    QuillonFom.reset();
    dataModule.reset();
    return 0;
}
