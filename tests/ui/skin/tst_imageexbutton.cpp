#include "SkinTestHelpers.h"

#include "ui/skin/ImageExButton.h"

#include <QSignalSpy>
#include <QTest>

Q_DECLARE_METATYPE(TImageState)

namespace {

const QColor NormalColour(Qt::white);
const QColor MoveColour(Qt::yellow);
const QColor SelectColour(Qt::blue);
const QColor DisabledColour(Qt::gray);

// A button with a distinct picture for every state, following pointer and clicks.
void Dress(TImageExButton& button, bool autoChange = true, bool clickChange = true)
{
    button.resize(20, 10);
    button.SetPicNormal(Solid(NormalColour));
    button.SetPicMouseMove(Solid(MoveColour));
    button.SetPicSelect(Solid(SelectColour));
    button.SetPicAutoChange(autoChange);
    button.SetClickAutoChange(clickChange);
}

void Click(QWidget* widget)
{
    QTest::mouseClick(widget, Qt::LeftButton, {}, QPoint(2, 2));
}

} // namespace

class TestImageExButton : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void withoutAutoChangeThePointerChangesNothing()
    {
        TImageExButton button;
        Dress(button, false, true);
        QSignalSpy entered(&button, &TImageEx::OnMouseEnter);
        QSignalSpy clicked(&button, &TImageEx::OnClick);

        SendEnter(&button);
        QCOMPARE(button.PicState(), TImageState::isNormal);
        QCOMPARE(Corner(button.Picture()), NormalColour);
        Click(&button);
        QCOMPARE(button.PicState(), TImageState::isNormal);
        // The events themselves still reach the window.
        QCOMPARE(entered.count(), 1);
        QCOMPARE(clicked.count(), 1);
    }

    void stateFollowsThePointerBeforeTheEventsRun()
    {
        TImageExButton button;
        Dress(button);
        QList<TImageState> seenByHandlers;
        connect(&button, &TImageEx::OnMouseEnter, this,
                [&] { seenByHandlers.append(button.PicState()); });
        connect(&button, &TImageEx::OnMouseLeave, this,
                [&] { seenByHandlers.append(button.PicState()); });

        SendEnter(&button);
        QCOMPARE(button.PicState(), TImageState::isMouseMove);
        QCOMPARE(Corner(button.Picture()), MoveColour);
        SendLeave(&button);
        QCOMPARE(button.PicState(), TImageState::isNormal);
        QCOMPARE(Corner(button.Picture()), NormalColour);
        QCOMPARE(seenByHandlers,
                 (QList<TImageState>{TImageState::isMouseMove, TImageState::isNormal}));
    }

    void clickSelectsOnlyWithBothFlags_data()
    {
        QTest::addColumn<bool>("autoChange");
        QTest::addColumn<bool>("clickChange");
        QTest::addColumn<TImageState>("after");
        QTest::newRow("both") << true << true << TImageState::isSelect;
        QTest::newRow("pointer only") << true << false << TImageState::isMouseMove;
        QTest::newRow("click only") << false << true << TImageState::isNormal;
    }

    void clickSelectsOnlyWithBothFlags()
    {
        QFETCH(bool, autoChange);
        QFETCH(bool, clickChange);
        QFETCH(TImageState, after);
        TImageExButton button;
        Dress(button, autoChange, clickChange);
        TImageState stateAtClick = TImageState::isNormal;
        connect(&button, &TImageEx::OnClick, this, [&] { stateAtClick = button.PicState(); });

        SendEnter(&button);
        Click(&button);
        QCOMPARE(button.PicState(), after);
        QCOMPARE(stateAtClick, after);
    }

    void selectedButtonIgnoresThePointer()
    {
        TImageExButton button;
        Dress(button);
        Click(&button);
        SendLeave(&button);
        SendEnter(&button);
        QCOMPARE(button.PicState(), TImageState::isSelect);
        QCOMPARE(Corner(button.Picture()), SelectColour);
    }

    void clickNeedsPressAndReleaseInside()
    {
        TImageExButton button;
        Dress(button);
        QSignalSpy clicked(&button, &TImageEx::OnClick);
        QSignalSpy pressed(&button, &TImageEx::OnMouseDown);

        QTest::mousePress(&button, Qt::LeftButton, {}, QPoint(2, 2));
        QTest::mouseRelease(&button, Qt::LeftButton, {}, QPoint(40, 2));
        QTest::mouseClick(&button, Qt::RightButton, {}, QPoint(2, 2));
        QCOMPARE(clicked.count(), 0);
        QCOMPARE(button.PicState(), TImageState::isNormal);
        QCOMPARE(pressed.count(), 2);
        QCOMPARE(pressed.at(1).at(0).value<Qt::MouseButton>(), Qt::RightButton);

        Click(&button);
        QCOMPARE(clicked.count(), 1);
    }

    void groupKeepsOneSelected_data()
    {
        QTest::addColumn<int>("firstGroup");
        QTest::addColumn<int>("secondGroup");
        QTest::addColumn<bool>("firstAllowsAll");
        QTest::addColumn<bool>("sameParent");
        QTest::addColumn<TImageState>("firstAfter");
        QTest::newRow("same group") << 1 << 1 << false << true << TImageState::isNormal;
        QTest::newRow("allow all selected") << 1 << 1 << true << true << TImageState::isSelect;
        QTest::newRow("group 0") << 0 << 0 << false << true << TImageState::isSelect;
        QTest::newRow("negative group") << -1 << -1 << false << true << TImageState::isSelect;
        QTest::newRow("other group") << 1 << 2 << false << true << TImageState::isSelect;
        QTest::newRow("other parent") << 1 << 1 << false << false << TImageState::isSelect;
    }

    void groupKeepsOneSelected()
    {
        QFETCH(int, firstGroup);
        QFETCH(int, secondGroup);
        QFETCH(bool, firstAllowsAll);
        QFETCH(bool, sameParent);
        QFETCH(TImageState, firstAfter);
        QWidget panel;
        QWidget otherPanel;
        auto* first = new TImageExButton(&panel);
        auto* second = new TImageExButton(sameParent ? &panel : &otherPanel);
        Dress(*first);
        Dress(*second);
        first->SetGroupIndex(firstGroup);
        first->SetAllowAllSelected(firstAllowsAll);
        second->SetGroupIndex(secondGroup);

        Click(first);
        QCOMPARE(first->PicState(), TImageState::isSelect);
        Click(second);
        QCOMPARE(second->PicState(), TImageState::isSelect);
        QCOMPARE(first->PicState(), firstAfter);
        QCOMPARE(Corner(first->Picture()),
                 firstAfter == TImageState::isSelect ? SelectColour : NormalColour);
    }

    void selectingInCodeAlsoResetsTheGroup()
    {
        QWidget panel;
        auto* first = new TImageExButton(&panel);
        auto* second = new TImageExButton(&panel);
        auto* third = new TImageExButton(&panel);
        for (TImageExButton* button : {first, second, third}) {
            Dress(*button, false, false);
            button->SetGroupIndex(3);
        }
        first->SetPicState(TImageState::isSelect);
        second->SetPicState(TImageState::isMouseMove);
        third->SetPicState(TImageState::isSelect);
        QCOMPARE(first->PicState(), TImageState::isNormal);
        // Only selected members are reset.
        QCOMPARE(second->PicState(), TImageState::isMouseMove);
    }

    void disabledPictureShowsAtOnce()
    {
        TImageExButton button;
        Dress(button);
        SendEnter(&button);
        button.SetPicDisabled(Solid(DisabledColour));
        // Setting the disabled picture alone does not show it.
        QCOMPARE(Corner(button.Picture()), MoveColour);

        button.setEnabled(false);
        QCOMPARE(Corner(button.Picture()), DisabledColour);
        QCOMPARE(button.PicState(), TImageState::isMouseMove);
        button.SetPicState(TImageState::isSelect);
        QCOMPARE(Corner(button.Picture()), DisabledColour);

        button.setEnabled(true);
        QCOMPARE(Corner(button.Picture()), SelectColour);
    }

    void disabledParentShowsTheDisabledPicture()
    {
        QWidget panel;
        auto* button = new TImageExButton(&panel);
        Dress(*button);
        button->SetPicDisabled(Solid(DisabledColour));
        panel.setEnabled(false);
        QCOMPARE(Corner(button->Picture()), DisabledColour);
        panel.setEnabled(true);
        QCOMPARE(Corner(button->Picture()), NormalColour);
    }

    void withoutDisabledPictureDisablingKeepsThePicture()
    {
        TImageExButton button;
        Dress(button);
        button.setEnabled(false);
        QCOMPARE(Corner(button.Picture()), NormalColour);
        button.SetPicNormal(Solid(Qt::green));
        QCOMPARE(Corner(button.Picture()), NormalColour);
    }

    void emptyStatePictureKeepsTheDisplay()
    {
        TImageExButton button;
        button.SetPicNormal(Solid(NormalColour));
        button.SetPicAutoChange(true);
        SendEnter(&button);
        QCOMPARE(button.PicState(), TImageState::isMouseMove);
        QCOMPARE(Corner(button.Picture()), NormalColour);
    }

    void settingPropertiesRedrawsTheState()
    {
        TImageExButton button;
        Dress(button, false, false);
        button.SetPicState(TImageState::isSelect);
        button.SetPicSelect(Solid(Qt::red));
        QCOMPARE(Corner(button.Picture()), QColor(Qt::red));

        // A picture put in from outside (as LoadJpgResource does) stays until the
        // state is applied again by one of the properties.
        button.SetPicture(Solid(Qt::black));
        button.SetClickAutoChange(true);
        QCOMPARE(Corner(button.Picture()), QColor(Qt::black));
        button.SetGroupIndex(0);
        QCOMPARE(Corner(button.Picture()), QColor(Qt::red));
        button.SetPicture(Solid(Qt::black));
        button.SetAllowAllSelected(true);
        QCOMPARE(Corner(button.Picture()), QColor(Qt::red));
        button.SetPicture(Solid(Qt::black));
        button.SetPicAutoChange(true);
        QCOMPARE(Corner(button.Picture()), QColor(Qt::red));
    }

    void imageControlStretchesAndSizesToItsPicture()
    {
        TImageEx image;
        image.resize(40, 20);
        image.SetPicture(Solid(Qt::red, 4, 4));
        image.SetStretch(true);
        QImage drawn = image.grab().toImage();
        QCOMPARE(drawn.pixelColor(39, 19), QColor(Qt::red));
        image.SetStretch(false);
        drawn = image.grab().toImage();
        QVERIFY(drawn.pixelColor(39, 19) != QColor(Qt::red));
        QCOMPARE(drawn.pixelColor(3, 3), QColor(Qt::red));

        image.SetAutoSize(true);
        QCOMPARE(image.size(), QSize(4, 4));
        image.SetPicture(Solid(Qt::blue, 12, 6));
        QCOMPARE(image.size(), QSize(12, 6));
    }
};

QTEST_MAIN(TestImageExButton)
#include "tst_imageexbutton.moc"
