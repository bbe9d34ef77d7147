#pragma once

#include "ui/kit/ModalDialogs.h"

#include <QList>

// Answers Brenvale's message boxes, input boxes and file dialogs in place of the
// user while it lives, and keeps every request in Asked. Each question, input box
// or file dialog takes the next queued answer; with none queued it is cancelled (a
// question then gets its escape button: Cancel, else No). A message box takes no
// answer.
//
//     TScriptedDialogs dialogs;
//     dialogs.Answer(QStringLiteral("data"));
//     ... press the button that asks ...
//     QCOMPARE(dialogs.Asked.last().Caption, QStringLiteral("Enter New Folder Name"));
class TScriptedDialogs : public ModalDialogs::TDialogs
{
public:
    TScriptedDialogs();
    ~TScriptedDialogs() override;
    TScriptedDialogs(const TScriptedDialogs&) = delete;
    TScriptedDialogs& operator=(const TScriptedDialogs&) = delete;

    // The button that closes the next question.
    void Answer(QMessageBox::StandardButton button);
    // The text, file or folder the next input box or file dialog gives.
    void Answer(const QString& text);
    // The user closes the next question, input box or file dialog.
    void Cancel();

    // The requests of one kind, in the order they came.
    QList<ModalDialogs::TRequest> Of(ModalDialogs::TKind kind) const;

    QList<ModalDialogs::TRequest> Asked;

    ModalDialogs::TAnswer Ask(QWidget* parent, const ModalDialogs::TRequest& request) override;

private:
    QList<ModalDialogs::TAnswer> Answers;
    ModalDialogs::TDialogs* Replaced;
};
