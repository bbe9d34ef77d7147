#include "AccessibleFace.h"
#include "SkinTestHelpers.h"

#include "ui/kit/UChooseRoForm.h"
#include "ui/kit/UWindowMover.h"
#include "ui/shell/FAbout.h"
#include "ui/shell/StartUnit.h"
#include "ui/skin/ImageExButton.h"
#include "ui/skin/SkinResourceUnit.h"

#include <QAccessible>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>

#include <memory>

namespace {

// Mouse events as the window system delivers them. The pointer's screen positions
// are fixed before the drag starts: they do not follow the window while it moves.
void SendMouse(QWidget* widget, QEvent::Type type, const QPoint& global, Qt::MouseButton button,
               Qt::MouseButtons held)
{
    const QPointF local = widget->mapFromGlobal(QPointF(global));
    QMouseEvent event(type, local, local, QPointF(global), button, held, Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &event);
}

void Drag(QWidget* handle, const QPoint& from, const QPoint& to,
          Qt::MouseButton button = Qt::LeftButton)
{
    const QPoint start = handle->mapToGlobal(from);
    const QPoint end = handle->mapToGlobal(to);
    SendMouse(handle, QEvent::MouseButtonPress, start, button, button);
    SendMouse(handle, QEvent::MouseMove, (start + end) / 2, Qt::NoButton, button);
    SendMouse(handle, QEvent::MouseMove, end, Qt::NoButton, button);
    SendMouse(handle, QEvent::MouseButtonRelease, end, button, Qt::NoButton);
}

QPoint ScreenCentre()
{
    return QGuiApplication::primaryScreen()->availableGeometry().center();
}

} // namespace

Q_DECLARE_METATYPE(std::shared_ptr<QWidget>)

class TestShellWindows : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void aboutBoxLayout()
    {
        TAboutBox box;
        QCOMPARE(box.size(), QSize(490, 349));
        QVERIFY(box.windowFlags() & Qt::FramelessWindowHint);
        QVERIFY(SameImage(box.Image1->Picture(), LoadJpgPicture(QStringLiteral("About"))));
        QVERIFY(SameImage(box.OKButton->Picture(), LoadJpgPicture(QStringLiteral("Ok1"))));
        QVERIFY((box.geometry().center() - ScreenCentre()).manhattanLength() <= 2);
    }

    void aboutBoxCloses_data()
    {
        QTest::addColumn<QString>("control");
        QTest::newRow("close picture") << QStringLiteral("SMCLoseBtn");
        QTest::newRow("OK") << QStringLiteral("OKButton");
        QTest::newRow("the picture") << QStringLiteral("Image1");
    }

    void aboutBoxCloses()
    {
        QFETCH(QString, control);
        TAboutBox box;
        box.show();
        QVERIFY(box.isVisible());
        auto* target = box.findChild<TImageEx*>(control);
        QVERIFY(target);
        QTest::mouseClick(target, Qt::LeftButton, {}, QPoint(5, 5));
        QVERIFY(!box.isVisible());
    }

    void aboutBoxIsReadAndClosedWithoutAMouse()
    {
        TAboutBox box;
        QCOMPARE(AccessibleFaces({box.OKButton, box.SMCLoseBtn}),
                 QStringList({QStringLiteral("Button 'OK' [Press,SetFocus] focusable"),
                              QStringLiteral("Button 'Close' [Press,SetFocus] focusable")}));
        QCOMPARE(TabOrder(&box),
                 QStringList({QStringLiteral("OKButton"), QStringLiteral("SMCLoseBtn")}));
        box.show();
        box.SMCLoseBtn->setFocus();
        QTest::keyClick(box.SMCLoseBtn, Qt::Key_Space);
        QVERIFY(!box.isVisible());
        box.show();
        QAccessible::queryAccessibleInterface(box.SMCLoseBtn)
            ->actionInterface()
            ->doAction(QAccessibleActionInterface::pressAction());
        QTRY_VERIFY(!box.isVisible());
    }

    void aboutBoxButtonsHover()
    {
        TAboutBox box;
        SendEnter(box.OKButton);
        QVERIFY(SameImage(box.OKButton->Picture(), LoadJpgPicture(QStringLiteral("Ok2"))));
        SendLeave(box.OKButton);
        QVERIFY(SameImage(box.OKButton->Picture(), LoadJpgPicture(QStringLiteral("Ok1"))));
        SendEnter(box.SMCLoseBtn);
        QVERIFY(
            SameImage(box.SMCLoseBtn->Picture(), LoadJpgPicture(QStringLiteral("SMCLoseBtn2"))));
    }

    void draggingTheAboutPictureMovesTheBoxAndKeepsItOpen()
    {
        TAboutBox box;
        box.show();
        const QPoint start = box.pos();
        Drag(box.Image1, QPoint(100, 100), QPoint(160, 140));
        QCOMPARE(box.pos(), start + QPoint(60, 40));
        QVERIFY(box.isVisible());
    }

    void splashWindow()
    {
        TStartForm splash;
        QCOMPARE(splash.size(), QSize(450, 250));
        const Qt::WindowFlags flags = splash.windowFlags();
        QVERIFY(flags & Qt::FramelessWindowHint);
        QVERIFY(flags & Qt::WindowStaysOnTopHint);
        QVERIFY(SameImage(splash.Image1->Picture(), LoadJpgPicture(QStringLiteral("Splash"))));
        QVERIFY((splash.geometry().center() - ScreenCentre()).manhattanLength() <= 2);

        splash.ShowNow();
        QVERIFY(splash.isVisible());
        // No behaviour of its own: a click does not close it.
        QTest::mouseClick(splash.Image1, Qt::LeftButton, {}, QPoint(10, 10));
        QVERIFY(splash.isVisible());
    }

    void everyControlHasAnAccessibleName_data()
    {
        QTest::addColumn<std::shared_ptr<QWidget>>("window");
        QTest::newRow("about box") << std::shared_ptr<QWidget>(new TAboutBox);
        QTest::newRow("splash") << std::shared_ptr<QWidget>(new TStartForm);
        QTest::newRow("folder chooser") << std::shared_ptr<QWidget>(new TChooseRoForm);
    }

    void everyControlHasAnAccessibleName()
    {
        QFETCH(std::shared_ptr<QWidget>, window);
        const auto controls = window->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
        QVERIFY(!controls.isEmpty());
        for (QWidget* control : controls) {
            QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(control);
            QVERIFY(accessible);
            QVERIFY2(!accessible->text(QAccessible::Name).isEmpty(),
                     qPrintable(control->objectName()));
        }
        if (auto* close = window->findChild<QWidget*>(QStringLiteral("SMCLoseBtn")))
            QCOMPARE(close->accessibleName(), QStringLiteral("Close"));
    }

    void moverFollowsALeftDrag()
    {
        QWidget window(nullptr, Qt::FramelessWindowHint);
        window.resize(200, 100);
        auto* handle = new TImageEx(&window);
        handle->setGeometry(0, 0, 200, 30);
        TWindowMover::Attach(handle);
        QSignalSpy clicked(handle, &TImageEx::OnClick);
        window.show();
        window.move(100, 100);

        Drag(handle, QPoint(10, 10), QPoint(50, 40));
        QCOMPARE(window.pos(), QPoint(140, 130));
        QCOMPARE(clicked.count(), 0);

        // A press and release on the spot is a click and moves nothing.
        Drag(handle, QPoint(10, 10), QPoint(11, 10));
        QCOMPARE(window.pos(), QPoint(140, 130));
        QCOMPARE(clicked.count(), 1);

        // Other buttons do not move the window.
        Drag(handle, QPoint(10, 10), QPoint(80, 80), Qt::RightButton);
        QCOMPARE(window.pos(), QPoint(140, 130));
    }
};

QTEST_MAIN(TestShellWindows)
#include "tst_shellwindows.moc"
