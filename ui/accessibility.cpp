#include "ui/accessibility.h"

#include "ui/main_window.h"

#include <QAccessible>
#include <QAccessibleWidget>

namespace tagwell {

namespace {

QAccessibleInterface* accessibleForm(const QString& className, QObject* object)
{
    if (className != QLatin1StringView(Form1::staticMetaObject.className()) || !object->isWidgetType())
        return nullptr;
    return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::Window);
}

} // namespace

void announceFormsAsWindows()
{
    static const bool installed = [] {
        QAccessible::installFactory(accessibleForm);
        return true;
    }();
    Q_UNUSED(installed);
}

} // namespace tagwell
