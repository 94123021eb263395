#pragma once
// The application-wide hint: follows the control under the mouse and reports
// the hint of it or of its nearest ancestor that has one, whenever that text
// changes. Hints live in the "hint" property; the watched window's own
// controls show no tool tips, other windows (stock dialogs) keep theirs.

#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>

class QWidget;

class THintWatcher : public QObject {
    Q_OBJECT
public:
    // window: the one whose controls report to the hint panel; also the parent.
    THintWatcher(QWidget* window, std::function<void(const QString&)> onHint);

    // The widget now under the mouse, nullptr when outside the program.
    void MouseOver(QWidget* widget);
    QString CurrentHint() const { return FHint; }

    static void SetHint(QWidget* widget, const QString& hint);
    static QString HintOf(const QWidget* widget);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* FWindow;
    std::function<void(const QString&)> FOnHint;
    QString FHint;
};
