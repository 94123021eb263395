#include "Accessibility.h"

#include "MainWindow.h"
#include "PreviewWindow.h"
#include "TShape.h"

#include <QAccessibleWidget>

namespace {

QAccessibleInterface* RoleFactory(const QString&, QObject* object)
{
    if (qobject_cast<TMainWindow*>(object) || qobject_cast<TPreviewWindow*>(object))
        return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::Window);
    if (auto* swatch = qobject_cast<TShape*>(object))
        return new QAccessibleWidget(swatch, QAccessible::Button);
    return nullptr;
}

} // namespace

void InstallAccessibleRoles()
{
    static bool installed = false;
    if (!installed)
        QAccessible::installFactory(RoleFactory);
    installed = true;
}
