#include "ui/skin/PressablePicture.h"

#include "ui/skin/ImageEx.h"

#include <QAccessibleWidget>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPointer>
#include <QTimer>

namespace {

const char RoleProperty[] = "BrenvalePressableRole";
const char SelectedProperty[] = "BrenvalePressableSelected";

// A left click in the middle of the picture, as the mouse gives it.
void Click(QWidget* picture)
{
    const QPointF centre = QRectF(picture->rect()).center();
    const QPointF global = picture->mapToGlobal(centre);
    QMouseEvent press(QEvent::MouseButtonPress, centre, centre, global, Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(picture, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, centre, centre, global, Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(picture, &release);
}

// Reads the role and the selection from the picture each time, so an interface
// made before MakePressable (or for a picture that is not pressable) is right too.
class TPictureAccessible : public QAccessibleWidget
{
public:
    explicit TPictureAccessible(QWidget* picture) : QAccessibleWidget(picture) {}

    bool Pressable() const { return widget()->property(RoleProperty).isValid(); }

    QAccessible::Role role() const override
    {
        // A picture that does nothing when clicked is shown as one (the
        // direction indicator, the frames), not as an empty filler.
        return Pressable() ? QAccessible::Role(widget()->property(RoleProperty).toInt())
                           : QAccessible::Graphic;
    }

    QAccessible::State state() const override
    {
        QAccessible::State state = QAccessibleWidget::state();
        if (role() == QAccessible::PageTab) {
            state.selectable = true;
            state.selected = widget()->property(SelectedProperty).toBool();
        }
        return state;
    }

    QStringList actionNames() const override
    {
        QStringList names = QAccessibleWidget::actionNames();
        if (Pressable())
            names.prepend(pressAction());
        return names;
    }

    // The press returns at once and the click follows from the event loop: a
    // click that opens a modal dialog would otherwise keep the screen reader's
    // call waiting until the dialog is closed.
    void doAction(const QString& actionName) override
    {
        if (actionName != pressAction() || !Pressable()) {
            QAccessibleWidget::doAction(actionName);
            return;
        }
        if (!widget()->isEnabled())
            return;
        QPointer<QWidget> picture = widget();
        QTimer::singleShot(0, picture, [picture] {
            if (picture && picture->isEnabled())
                Click(picture);
        });
    }
};

QAccessibleInterface* PictureInterface(const QString&, QObject* object)
{
    auto* picture = qobject_cast<TImageEx*>(object);
    return picture ? new TPictureAccessible(picture) : nullptr;
}

// Space and Enter click the picture that has the keyboard focus.
class TKeyClick : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::KeyPress || !static_cast<QWidget*>(watched)->isEnabled())
            return false;
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key != Qt::Key_Space && key != Qt::Key_Return && key != Qt::Key_Enter)
            return false;
        Click(static_cast<QWidget*>(watched));
        return true;
    }
};

} // namespace

void MakePressable(TImageEx* picture, QAccessible::Role role)
{
    static const bool installed = [] {
        QAccessible::installFactory(PictureInterface);
        return true;
    }();
    Q_UNUSED(installed);
    const bool already = picture->property(RoleProperty).isValid();
    picture->setProperty(RoleProperty, int(role));
    if (already)
        return;
    picture->setFocusPolicy(Qt::StrongFocus);
    picture->installEventFilter(new TKeyClick(picture));
}

void SetPressableSelected(TImageEx* picture, bool selected)
{
    if (picture->property(SelectedProperty).toBool() == selected)
        return;
    picture->setProperty(SelectedProperty, selected);
    QAccessible::State changed;
    changed.selected = true;
    QAccessibleStateChangeEvent event(picture, changed);
    QAccessible::updateAccessibility(&event);
}
