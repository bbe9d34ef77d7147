#pragma once

#include <QMessageBox>
#include <QString>

#include <optional>

class QWidget;

// Every message box, input box and file dialog that Brenvale's windows show goes
// through these functions. They show Qt's own dialogs, unless another TDialogs is
// installed: tests install one that answers in place of the user and keeps what
// was asked (tests/support/ScriptedDialogs.h), so no modal loop ever runs there.
namespace ModalDialogs {

enum class TKind
{
    Message,
    Question,
    Text,
    OpenFile,
    SaveFile,
    Folder
};

// What a window asks.
struct TRequest
{
    TKind Kind = TKind::Message;
    QString Caption;
    // The message, or the input box's prompt.
    QString Text;
    // The input box's starting text, or where a file dialog opens.
    QString Path;
    // The file dialog's name filter.
    QString Filter;
    // Message boxes only.
    QMessageBox::Icon Icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons Buttons = QMessageBox::Ok;
    QMessageBox::StandardButton DefaultButton = QMessageBox::NoButton;
};

// The user's answer: the button that closed a message box, or the text, file or
// folder given; no text when the user cancelled.
struct TAnswer
{
    QMessageBox::StandardButton Button = QMessageBox::NoButton;
    std::optional<QString> Text;
};

class TDialogs
{
public:
    virtual ~TDialogs() = default;
    virtual TAnswer Ask(QWidget* parent, const TRequest& request) = 0;
};

// Puts `dialogs` (not owned) in place of Qt's dialogs, or Qt's back for nullptr.
// Returns the ones replaced.
TDialogs* Install(TDialogs* dialogs);

// A message box with an OK button, captioned "Brenvale".
void Message(QWidget* parent, QMessageBox::Icon icon, const QString& text);

// A question captioned "Brenvale", with the question mark unless another icon (or
// none) is given; the button the user chose, or the escape button when the user
// closed the box.
QMessageBox::StandardButton
Question(QWidget* parent, const QString& text,
         QMessageBox::StandardButtons buttons = QMessageBox::Yes | QMessageBox::No,
         QMessageBox::StandardButton defaultButton = QMessageBox::NoButton,
         QMessageBox::Icon icon = QMessageBox::Question);

// A line of text; nothing when cancelled.
std::optional<QString> AskText(QWidget* parent, const QString& caption, const QString& prompt,
                               const QString& text = QString());

// An existing file to open, a file name to save under (`path` may suggest one) and
// an existing folder; nothing when cancelled.
std::optional<QString> OpenFileName(QWidget* parent, const QString& caption,
                                    const QString& path = QString(),
                                    const QString& filter = QString());
std::optional<QString> SaveFileName(QWidget* parent, const QString& caption,
                                    const QString& path = QString(),
                                    const QString& filter = QString());
std::optional<QString> FolderName(QWidget* parent, const QString& caption,
                                  const QString& path = QString());

} // namespace ModalDialogs
