#include "ui/kit/ModalDialogs.h"

#include <QFileDialog>
#include <QInputDialog>

namespace ModalDialogs {

namespace {

TDialogs* Installed = nullptr;

std::optional<QString> UnlessEmpty(const QString& name)
{
    if (name.isEmpty())
        return std::nullopt;
    return name;
}

TAnswer ShowQtDialog(QWidget* parent, const TRequest& request)
{
    switch (request.Kind) {
    case TKind::Message:
    case TKind::Question: {
        QMessageBox box(request.Icon, request.Caption, request.Text, request.Buttons, parent);
        if (request.DefaultButton != QMessageBox::NoButton)
            box.setDefaultButton(request.DefaultButton);
        // With standard buttons only, exec() returns the standard button chosen.
        return {QMessageBox::StandardButton(box.exec()), std::nullopt};
    }
    case TKind::Text: {
        bool ok = false;
        const QString text = QInputDialog::getText(parent, request.Caption, request.Text,
                                                   QLineEdit::Normal, request.Path, &ok);
        if (!ok)
            return {};
        return {QMessageBox::NoButton, text};
    }
    case TKind::OpenFile:
        return {QMessageBox::NoButton, UnlessEmpty(QFileDialog::getOpenFileName(
                                           parent, request.Caption, request.Path, request.Filter))};
    case TKind::SaveFile:
        return {QMessageBox::NoButton, UnlessEmpty(QFileDialog::getSaveFileName(
                                           parent, request.Caption, request.Path, request.Filter))};
    case TKind::Folder:
        return {QMessageBox::NoButton, UnlessEmpty(QFileDialog::getExistingDirectory(
                                           parent, request.Caption, request.Path))};
    }
    return {};
}

TAnswer Ask(QWidget* parent, const TRequest& request)
{
    return Installed ? Installed->Ask(parent, request) : ShowQtDialog(parent, request);
}

TRequest FileRequest(TKind kind, const QString& caption, const QString& path, const QString& filter)
{
    TRequest request;
    request.Kind = kind;
    request.Caption = caption;
    request.Path = path;
    request.Filter = filter;
    return request;
}

} // namespace

TDialogs* Install(TDialogs* dialogs)
{
    TDialogs* replaced = Installed;
    Installed = dialogs;
    return replaced;
}

void Message(QWidget* parent, QMessageBox::Icon icon, const QString& text)
{
    TRequest request;
    request.Caption = QStringLiteral("Brenvale");
    request.Text = text;
    request.Icon = icon;
    Ask(parent, request);
}

QMessageBox::StandardButton Question(QWidget* parent, const QString& text,
                                     QMessageBox::StandardButtons buttons,
                                     QMessageBox::StandardButton defaultButton,
                                     QMessageBox::Icon icon)
{
    TRequest request;
    request.Kind = TKind::Question;
    request.Caption = QStringLiteral("Brenvale");
    request.Text = text;
    request.Icon = icon;
    request.Buttons = buttons;
    request.DefaultButton = defaultButton;
    return Ask(parent, request).Button;
}

std::optional<QString> AskText(QWidget* parent, const QString& caption, const QString& prompt,
                               const QString& text)
{
    TRequest request;
    request.Kind = TKind::Text;
    request.Caption = caption;
    request.Text = prompt;
    request.Path = text;
    return Ask(parent, request).Text;
}

std::optional<QString> OpenFileName(QWidget* parent, const QString& caption, const QString& path,
                                    const QString& filter)
{
    return Ask(parent, FileRequest(TKind::OpenFile, caption, path, filter)).Text;
}

std::optional<QString> SaveFileName(QWidget* parent, const QString& caption, const QString& path,
                                    const QString& filter)
{
    return Ask(parent, FileRequest(TKind::SaveFile, caption, path, filter)).Text;
}

std::optional<QString> FolderName(QWidget* parent, const QString& caption, const QString& path)
{
    return Ask(parent, FileRequest(TKind::Folder, caption, path, QString())).Text;
}

} // namespace ModalDialogs
