#include "ui/skin/ImageEx.h"

#include <QEnterEvent>
#include <QMovie>
#include <QTest>
#include <QWidget>

namespace {

QPixmap Filled(const QColor& colour)
{
    QPixmap picture(8, 8);
    picture.fill(colour);
    return picture;
}

QColor ShownColour(const QLabel& label)
{
    return label.pixmap().toImage().pixelColor(1, 1);
}

void Enter(QWidget* widget)
{
    QEnterEvent event(QPointF(1, 1), QPointF(1, 1), QPointF(1, 1));
    QApplication::sendEvent(widget, &event);
}

void Leave(QWidget* widget)
{
    QEvent event(QEvent::Leave);
    QApplication::sendEvent(widget, &event);
}

TImageExButton* MakeButton(QWidget* parent)
{
    auto* button = new TImageExButton(parent);
    button->resize(8, 8);
    button->SetPicNormal(Filled(Qt::white));
    button->SetPicMouseMove(Filled(Qt::blue));
    button->SetPicSelect(Filled(Qt::red));
    return button;
}

} // namespace

class TestImageEx : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void buttonFollowsThePointerOnlyWhenAsked()
    {
        QWidget panel;
        TImageExButton* button = MakeButton(&panel);
        QCOMPARE(ShownColour(*button), QColor(Qt::white));
        int entered = 0;
        connect(button, &TImageEx::OnMouseEnter, this, [&] { ++entered; });
        Enter(button);
        QCOMPARE(button->PicState(), TImageExButton::isNormal);
        QCOMPARE(entered, 1);

        button->SetPicAutoChange(true);
        Enter(button);
        QCOMPARE(button->PicState(), TImageExButton::isMouseMove);
        QCOMPARE(ShownColour(*button), QColor(Qt::blue));
        Leave(button);
        QCOMPARE(button->PicState(), TImageExButton::isNormal);
        QCOMPARE(ShownColour(*button), QColor(Qt::white));

        // A click selects only with ClickAutoChange too; a selected button keeps
        // its look when the pointer comes and goes.
        QTest::mouseClick(button, Qt::LeftButton);
        QCOMPARE(button->PicState(), TImageExButton::isNormal);
        button->ClickAutoChange = true;
        QTest::mouseClick(button, Qt::LeftButton);
        QCOMPARE(button->PicState(), TImageExButton::isSelect);
        Leave(button);
        Enter(button);
        QCOMPARE(button->PicState(), TImageExButton::isSelect);
        QCOMPARE(ShownColour(*button), QColor(Qt::red));
    }

    void groupsKeepOneSelectedMember()
    {
        QWidget panel, otherPanel;
        TImageExButton* first = MakeButton(&panel);
        TImageExButton* second = MakeButton(&panel);
        TImageExButton* elsewhere = MakeButton(&otherPanel);
        for (TImageExButton* b : {first, second, elsewhere}) {
            b->SetPicAutoChange(true);
            b->ClickAutoChange = true;
            b->SetGroupIndex(1);
        }
        QTest::mouseClick(first, Qt::LeftButton);
        QTest::mouseClick(elsewhere, Qt::LeftButton);
        QTest::mouseClick(second, Qt::LeftButton);
        QCOMPARE(first->PicState(), TImageExButton::isNormal);
        QCOMPARE(second->PicState(), TImageExButton::isSelect);
        QCOMPARE(elsewhere->PicState(), TImageExButton::isSelect);

        first->SetAllowAllSelected(true);
        QTest::mouseClick(first, Qt::LeftButton);
        second->SetPicState(TImageExButton::isNormal);
        QTest::mouseClick(second, Qt::LeftButton);
        QCOMPARE(first->PicState(), TImageExButton::isSelect);
        QCOMPARE(second->PicState(), TImageExButton::isSelect);

        // Group 0 is no group.
        first->SetAllowAllSelected(false);
        first->SetGroupIndex(0);
        second->SetGroupIndex(0);
        first->SetPicState(TImageExButton::isSelect);
        second->SetPicState(TImageExButton::isSelect);
        QCOMPARE(first->PicState(), TImageExButton::isSelect);
    }

    void disabledPicture()
    {
        QWidget panel;
        TImageExButton* button = MakeButton(&panel);
        button->SetPicDisabled(Filled(Qt::gray));
        QCOMPARE(ShownColour(*button), QColor(Qt::white));
        button->setEnabled(false);
        QCOMPARE(ShownColour(*button), QColor(Qt::gray));
        button->SetPicState(TImageExButton::isSelect);
        QCOMPARE(ShownColour(*button), QColor(Qt::gray));
        button->setEnabled(true);
        QCOMPARE(ShownColour(*button), QColor(Qt::red));
    }

    void resourcesByNameWithoutRegardToCase()
    {
        TImageEx image;
        LoadJpgResource(&image, QStringLiteral("ok1"));
        QCOMPARE(image.pixmap().size(), QSize(66, 25));
        const QImage lower = image.pixmap().toImage();
        LoadJpgResource(&image, QStringLiteral("OK1"));
        QCOMPARE(image.pixmap().toImage(), lower);

        // A control whose tag is 1 keeps its picture.
        image.Tag = 1;
        LoadJpgResource(&image, QStringLiteral("StartForm"));
        QCOMPARE(image.pixmap().size(), QSize(66, 25));

        // An unknown name leaves the control as it was.
        image.Tag = 0;
        LoadJpgResource(&image, QStringLiteral("NoSuchPicture"));
        QCOMPARE(image.pixmap().size(), QSize(66, 25));
        QVERIFY(ResourcePicture(QStringLiteral("NoSuchPicture")).isNull());
    }

    void workingAnimationLoops()
    {
        TImageEx image;
        LoadGifResource(QStringLiteral("Loding"), &image);
        QVERIFY(image.movie() != nullptr);
        QVERIFY(image.movie()->isValid());
        QVERIFY(image.movie()->frameCount() > 1);
        QCOMPARE(image.movie()->loopCount(), -1);
        LoadJpgResource(&image, QStringLiteral("Ok1"));
        QVERIFY(image.movie() == nullptr);
    }

    void everyNamedPictureExists_data()
    {
        QTest::addColumn<QString>("name");
        const char* pairs[] = {"jobbutton",
                               "actionbutton",
                               "viewbutton",
                               "toolsbutton",
                               "HelpButton",
                               "MinBtn",
                               "BigBtn",
                               "CloseBtn",
                               "bt_addtask",
                               "ieb",
                               "SMCLoseBtn",
                               "Ok",
                               "Cancel",
                               "MakeFolderButton",
                               "Browse",
                               "BitBtn_Analyze",
                               "BitBtn_Sync",
                               "BitBtn_cancel",
                               "apply",
                               "CheckUpdateBtn",
                               "OSMCLoseBtn",
                               "AddScheduleBtn",
                               "RemoveScheduleBtn",
                               "ClearAllBtn"};
        for (const char* base : pairs) {
            for (const char* look : {"1", "2"}) {
                const QString name = QString::fromLatin1(base) + QString::fromLatin1(look);
                QTest::newRow(name.toLatin1().constData()) << name;
            }
        }
        for (const char* single :
             {"StartForm", "AboutBox", "ChooseRoForm", "CreatTaskForm", "ScheduleManagerForm",
              "OptionFrm", "imgHeader", "HeaderMiddle", "HeaderRight", "TabBack", "FrameLeft",
              "FrameRight", "BottomLeft", "BottomMiddle", "BottomRight"})
            QTest::newRow(single) << QString::fromLatin1(single);
    }

    void everyNamedPictureExists()
    {
        QFETCH(QString, name);
        QVERIFY(HasResourcePicture(name));
        QVERIFY(!ResourcePicture(name).isNull());
    }

    void hoverPairsDiffer()
    {
        for (const char* base : {"Ok", "Cancel", "Browse", "BitBtn_Analyze", "ieb", "SMCLoseBtn"}) {
            const QImage normal =
                ResourcePicture(QString::fromLatin1(base) + QLatin1Char('1')).toImage();
            const QImage hover =
                ResourcePicture(QString::fromLatin1(base) + QLatin1Char('2')).toImage();
            QCOMPARE(normal.size(), hover.size());
            QVERIFY2(normal != hover, base);
        }
        QCOMPARE(ResourcePicture(QStringLiteral("StartForm")).size(), QSize(450, 250));
        QCOMPARE(ResourcePicture(QStringLiteral("AboutBox")).size(), QSize(490, 349));
    }

    void comparisonImageList()
    {
        const QList<QPixmap> pictures = ComparisonImageList();
        QCOMPARE(pictures.size(), 25);
        for (const QPixmap& picture : pictures)
            QCOMPARE(picture.size(), QSize(16, 16));
        // Each hover look differs from its picture.
        for (int i = 5; i < 25; i += 2)
            QVERIFY(pictures[i].toImage() != pictures[i + 1].toImage());
    }
};

QTEST_MAIN(TestImageEx)
#include "tst_imageex.moc"
