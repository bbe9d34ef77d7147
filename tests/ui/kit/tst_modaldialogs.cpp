#include "ScriptedDialogs.h"

#include <QTest>

using namespace ModalDialogs;

class TestModalDialogs : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void questionsTakeTheQueuedButtonOrEscape()
    {
        TScriptedDialogs dialogs;
        dialogs.Answer(QMessageBox::Yes);
        dialogs.Cancel();
        dialogs.Answer(QMessageBox::Yes);
        QCOMPARE(Question(nullptr, QStringLiteral("Delete the job?")), QMessageBox::Yes);
        QCOMPARE(Question(nullptr, QStringLiteral("Save?"),
                          QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel),
                 QMessageBox::Cancel);
        // A button the box does not offer cannot close it; nor can an empty queue.
        QCOMPARE(Question(nullptr, QStringLiteral("Go on?"), QMessageBox::Ok | QMessageBox::No),
                 QMessageBox::No);
        QCOMPARE(Question(nullptr, QStringLiteral("Again?"), QMessageBox::Yes | QMessageBox::No,
                          QMessageBox::NoButton, QMessageBox::NoIcon),
                 QMessageBox::No);

        QCOMPARE(dialogs.Asked.size(), 4);
        QCOMPARE(dialogs.Asked.last().Icon, QMessageBox::NoIcon);
        const TRequest first = dialogs.Asked.first();
        QCOMPARE(first.Kind, TKind::Question);
        QCOMPARE(first.Caption, QStringLiteral("Brenvale"));
        QCOMPARE(first.Text, QStringLiteral("Delete the job?"));
        QCOMPARE(first.Icon, QMessageBox::Question);
        QCOMPARE(first.Buttons, QMessageBox::Yes | QMessageBox::No);
    }

    void messagesTakeNoAnswer()
    {
        TScriptedDialogs dialogs;
        dialogs.Answer(QStringLiteral("kept"));
        Message(nullptr, QMessageBox::Warning, QStringLiteral("Disk full"));
        QCOMPARE(AskText(nullptr, QStringLiteral("Name"), QStringLiteral("New name:")),
                 std::optional<QString>(QStringLiteral("kept")));
        QCOMPARE(dialogs.Of(TKind::Message).size(), 1);
        QCOMPARE(dialogs.Asked.first().Caption, QStringLiteral("Brenvale"));
        QCOMPARE(dialogs.Asked.first().Icon, QMessageBox::Warning);
    }

    void fileDialogsGiveTheQueuedNamesInTurn()
    {
        TScriptedDialogs dialogs;
        dialogs.Answer(QStringLiteral("/jobs/a.qn"));
        dialogs.Answer(QStringLiteral("/jobs/b.qn"));
        dialogs.Cancel();
        dialogs.Answer(QStringLiteral("/backup"));
        const QString filter = QStringLiteral("Job lists (*.qn)");
        QCOMPARE(OpenFileName(nullptr, QStringLiteral("Open"), QStringLiteral("/jobs"), filter),
                 std::optional<QString>(QStringLiteral("/jobs/a.qn")));
        QCOMPARE(
            SaveFileName(nullptr, QStringLiteral("Save"), QStringLiteral("/jobs/x.qn"), filter),
            std::optional<QString>(QStringLiteral("/jobs/b.qn")));
        QCOMPARE(FolderName(nullptr, QStringLiteral("Folder")), std::nullopt);
        QCOMPARE(FolderName(nullptr, QStringLiteral("Folder"), QStringLiteral("/home")),
                 std::optional<QString>(QStringLiteral("/backup")));
        // With nothing queued the user cancels.
        QCOMPARE(OpenFileName(nullptr, QStringLiteral("Open")), std::nullopt);

        const QList<TRequest> asked = dialogs.Asked;
        QCOMPARE(asked.size(), 5);
        QCOMPARE(asked.at(0).Kind, TKind::OpenFile);
        QCOMPARE(asked.at(1).Kind, TKind::SaveFile);
        QCOMPARE(asked.at(2).Kind, TKind::Folder);
        QCOMPARE(asked.at(1).Caption, QStringLiteral("Save"));
        QCOMPARE(asked.at(1).Path, QStringLiteral("/jobs/x.qn"));
        QCOMPARE(asked.at(1).Filter, filter);
        QCOMPARE(asked.at(3).Path, QStringLiteral("/home"));
    }

    void anInnerScriptHandsBackToTheOuter()
    {
        TScriptedDialogs outer;
        {
            TScriptedDialogs inner;
            Message(nullptr, QMessageBox::Information, QStringLiteral("inner"));
            QCOMPARE(inner.Asked.size(), 1);
        }
        Message(nullptr, QMessageBox::Information, QStringLiteral("outer"));
        QCOMPARE(outer.Asked.size(), 1);
        QCOMPARE(outer.Asked.first().Text, QStringLiteral("outer"));
    }
};

QTEST_MAIN(TestModalDialogs)
#include "tst_modaldialogs.moc"
