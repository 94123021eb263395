#include "TApplication.h"

#include "ErrorText.h"
#include "Errors.h"

#include <QIcon>
#include <QMessageBox>
#include <QMetaObject>

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv), ShowMessage(ShowCriticalMessage)
{
    setApplicationName("Plinkavorte");
    // Ties the windows to the menu entry, so task bars show its name and icon.
    setDesktopFileName("plinkavorte");
    setWindowIcon(QIcon(":/plinkavorte.png"));
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

void ShowCurrentException()
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
        application->ShowException(message, reason);
    else
        qWarning("%s", MessageBoxText(message).c_str());
}

void TApplication::ShowException(const std::string& message, const std::string& reason)
{
    FPending.append({QString::fromStdString(MessageBoxText(message)),
                     reason.empty() ? QString() : QString::fromStdString(MessageBoxText(reason))});
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

void ShowCriticalMessage(const QString& text, const QString& informative)
{
    QMessageBox box(QMessageBox::Critical, QApplication::applicationName(), text, QMessageBox::Ok);
    box.setInformativeText(informative);
    box.exec();
}
