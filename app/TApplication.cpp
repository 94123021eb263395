#include "TApplication.h"

#include "Accessibility.h"
#include "CoreMessages.h"
#include "ErrorText.h"
#include "Errors.h"

#include <QIcon>
#include <QDialog>
#include <QGridLayout>
#include <QMessageBox>
#include <QSpacerItem>
#include <QStringList>
#include <QStyle>
#include <QMetaObject>

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv), ShowMessage(ShowCriticalMessage)
{
    setApplicationName("Plinkavorte");
    // Window lists show "Files 3/10 — Plinkavorte"; the captions stay as set.
    setApplicationDisplayName("Plinkavorte");
    // Ties the windows to the menu entry, so task bars show its name and icon.
    setDesktopFileName("plinkavorte");
    setWindowIcon(QIcon(":/plinkavorte.png"));
    InstallAccessibleRoles();
}

bool TApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        ShowCurrentException();
    }
    return true;
}

void ShowCurrentException(const QString& file)
{
    std::string message = "Unknown exception", reason;
    try {
        throw;
    } catch (const Exception& e) {
        message = e.what();
        reason = e.Reason();
    } catch (const std::exception& e) {
        message = e.what();
    } catch (...) {
    }
    if (auto* application = qobject_cast<TApplication*>(QCoreApplication::instance()))
        application->ShowException(message, reason, file);
    else
        qWarning("%s", MessageBoxText(message).c_str());
}

void TApplication::ShowException(const std::string& message, const std::string& reason, const QString& file)
{
    QStringList below;
    // The layers below write English; the box speaks the window's language.
    if (!reason.empty())
        below << QString::fromStdString(MessageBoxText(CoreReasonText(reason).toStdString()));
    if (!file.isEmpty())
        below << file;
    FPending.append({QString::fromStdString(MessageBoxText(CoreMessageText(message).toStdString())), below.join('\n')});
    // Not from inside notify: the failing handler's widgets may be mid-event.
    QMetaObject::invokeMethod(this, [this] { ShowPending(); }, Qt::QueuedConnection);
}

void TApplication::ShowPending()
{
    // A box already open shows the rest after it is closed, never nested.
    if (FShowing)
        return;
    FShowing = true;
    struct TReset {
        bool& Flag;
        ~TReset() { Flag = false; }
    } reset{FShowing};
    while (!FPending.isEmpty()) {
        const TPendingMessage message = FPending.takeFirst();
        if (ShowMessage)
            ShowMessage(message.Text, message.Informative);
    }
}

QWidget* DialogOwner(QWidget* fallback)
{
    for (QWidget* window : QApplication::topLevelWidgets())
        if (window->isVisible() && (window->windowFlags() & Qt::WindowStaysOnTopHint) &&
            !qobject_cast<QDialog*>(window))
            return window;
    if (QWidget* active = QApplication::activeWindow())
        return active;
    return fallback;
}

void ShowCriticalMessage(const QString& text, const QString& informative)
{
    QMessageBox box(QMessageBox::Critical, QApplication::applicationName(), text, QMessageBox::Ok, DialogOwner());
    box.setInformativeText(informative);
    WidenForTitle(box);
    box.exec();
}

void WidenForTitle(QMessageBox& box)
{
    // Room for the title, the window manager's icon and three buttons; a
    // message box sizes itself by its text alone.
    const int title = box.fontMetrics().horizontalAdvance(box.windowTitle());
    const int wanted = title + 4 * box.style()->pixelMetric(QStyle::PM_TitleBarHeight) + 40;
    if (auto* grid = qobject_cast<QGridLayout*>(box.layout()))
        grid->addItem(new QSpacerItem(wanted, 0, QSizePolicy::Minimum, QSizePolicy::Fixed), grid->rowCount(), 0, 1,
                      grid->columnCount());
}
