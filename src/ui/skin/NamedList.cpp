#include "ui/skin/NamedList.h"

#include <QAccessibleWidget>
#include <QComboBox>
#include <QPointer>
#include <QTimer>

namespace {

const char NamedProperty[] = "BrenvaleNamedList";

class TNamedListAccessible : public QAccessibleWidget
{
public:
    explicit TNamedListAccessible(QComboBox* list) : QAccessibleWidget(list, QAccessible::ComboBox)
    {
    }

    QComboBox* List() const { return static_cast<QComboBox*>(widget()); }

    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Value)
            return List()->currentText();
        return QAccessibleWidget::text(t);
    }

    QStringList actionNames() const override
    {
        return QStringList{showMenuAction()} + QAccessibleWidget::actionNames();
    }

    // The list opens after the call has returned, as a click would open it.
    void doAction(const QString& actionName) override
    {
        if (actionName != showMenuAction()) {
            QAccessibleWidget::doAction(actionName);
            return;
        }
        QPointer<QComboBox> list = List();
        QTimer::singleShot(0, list, [list] {
            if (list && list->isEnabled())
                list->showPopup();
        });
    }
};

QAccessibleInterface* NamedListInterface(const QString&, QObject* object)
{
    auto* list = qobject_cast<QComboBox*>(object);
    if (list == nullptr || !list->property(NamedProperty).toBool())
        return nullptr;
    return new TNamedListAccessible(list);
}

} // namespace

void NameList(QComboBox* list, const QString& name)
{
    static const bool installed = [] {
        QAccessible::installFactory(NamedListInterface);
        return true;
    }();
    Q_UNUSED(installed);
    list->setProperty(NamedProperty, true);
    list->setAccessibleName(name);
}
