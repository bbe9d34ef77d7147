#include "ScriptedDialogs.h"

using namespace ModalDialogs;

namespace {

// The button Qt's message box returns when the user closes it without choosing.
QMessageBox::StandardButton EscapeButton(QMessageBox::StandardButtons buttons)
{
    for (QMessageBox::StandardButton button : {QMessageBox::Cancel, QMessageBox::No}) {
        if (buttons.testFlag(button))
            return button;
    }
    return QMessageBox::NoButton;
}

} // namespace

TScriptedDialogs::TScriptedDialogs() : Replaced(Install(this)) {}

TScriptedDialogs::~TScriptedDialogs()
{
    Install(Replaced);
}

void TScriptedDialogs::Answer(QMessageBox::StandardButton button)
{
    Answers.append({button, std::nullopt});
}

void TScriptedDialogs::Answer(const QString& text)
{
    Answers.append({QMessageBox::NoButton, text});
}

void TScriptedDialogs::Cancel()
{
    Answers.append(TAnswer());
}

QList<TRequest> TScriptedDialogs::Of(TKind kind) const
{
    QList<TRequest> requests;
    for (const TRequest& request : Asked) {
        if (request.Kind == kind)
            requests.append(request);
    }
    return requests;
}

TAnswer TScriptedDialogs::Ask(QWidget*, const TRequest& request)
{
    Asked.append(request);
    if (request.Kind == TKind::Message)
        return {QMessageBox::Ok, std::nullopt};
    const TAnswer answer = Answers.isEmpty() ? TAnswer() : Answers.takeFirst();
    if (request.Kind != TKind::Question)
        return {QMessageBox::NoButton, answer.Text};
    if (request.Buttons.testFlag(answer.Button))
        return {answer.Button, std::nullopt};
    return {EscapeButton(request.Buttons), std::nullopt};
}
