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
    std::string message = "Unknown exception";
    try {
        throw;
    } catch (const std::exception& e) {
        message = e.what();
    } catch (...) {
    }
    if (auto* application = qobject_cast<TApplication*>(QCoreApplication::instance()))
        application->ShowException(message);
    else
        qWarning("%s", MessageBoxText(message).c_str());
}

void TApplication::ShowException(const std::string& message)
{
    FPending.append(QString::fromStdString(MessageBoxText(message)));
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
        const QString text = FPending.takeFirst();
        if (ShowMessage)
            ShowMessage(text);
    }
}

void ShowCriticalMessage(const QString& text)
{
    QMessageBox box(QMessageBox::Critical, QApplication::applicationName(), text, QMessageBox::Ok);
    box.exec();
}
