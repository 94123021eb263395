#include "THintWatcher.h"

#include <QEvent>
#include <QVariant>
#include <QWidget>

namespace {
constexpr const char* kHintProperty = "hint";
}

THintWatcher::THintWatcher(QWidget* window, std::function<void(const QString&)> onHint)
    : QObject(window), FWindow(window), FOnHint(std::move(onHint))
{
}

void THintWatcher::SetHint(QWidget* widget, const QString& hint)
{
    widget->setProperty(kHintProperty, hint);
}

QString THintWatcher::HintOf(const QWidget* widget)
{
    for (; widget; widget = widget->parentWidget()) {
        const QString hint = widget->property(kHintProperty).toString();
        if (!hint.isEmpty())
            return hint;
        if (widget->isWindow())
            break;
    }
    return {};
}

void THintWatcher::MouseOver(QWidget* widget)
{
    const QString hint = HintOf(widget);
    if (hint == FHint)
        return;
    FHint = hint;
    if (FOnHint)
        FOnHint(hint);
}

bool THintWatcher::eventFilter(QObject* watched, QEvent* event)
{
    // Entering a child sends Enter to it; leaving it for its parent sends
    // only Leave, so the parent is then the control under the mouse.
    if (watched->isWidgetType()) {
        auto* widget = static_cast<QWidget*>(watched);
        if (event->type() == QEvent::Enter)
            MouseOver(widget);
        else if (event->type() == QEvent::Leave)
            MouseOver(widget->isWindow() ? nullptr : widget->parentWidget());
        else if (event->type() == QEvent::ToolTip && widget->window() == FWindow)
            return true;   // this window's hints are for the panel only
    }
    return QObject::eventFilter(watched, event);
}
