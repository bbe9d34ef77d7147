#include "ui/shell/UpdateMessages.h"

#include "ui/kit/ModalDialogs.h"
#include "update/DMUnit.h"

#include <QApplication>
#include <QCursor>

void InstallUpdateMessages()
{
    TUpdatePrompts prompts;
    prompts.AskToUpdate = [] {
        return ModalDialogs::Question(
                   nullptr,
                   QStringLiteral("A newer version of Brenvale is available. Would you "
                                  "like to update now?"),
                   QMessageBox::Yes | QMessageBox::No, QMessageBox::NoButton,
                   QMessageBox::Information) == QMessageBox::Yes;
    };
    prompts.TellUpToDate = [] {
        ModalDialogs::Message(nullptr, QMessageBox::Information,
                              QStringLiteral("There are no updates available at this time.\n"
                                             "Your Brenvale is up-to-date."));
    };
    prompts.TellDownloadFailed = [] {
        ModalDialogs::Message(nullptr, QMessageBox::Information,
                              QStringLiteral("Can not download the new version.\nBecause Can "
                                             "not connect Brenvale,Please check the network."));
    };
    prompts.Busy = [](bool busy) {
        if (busy)
            QApplication::setOverrideCursor(Qt::WaitCursor);
        else
            QApplication::restoreOverrideCursor();
    };
    (void)TDM::InstallPrompts(prompts);
}
