#pragma once
// The application object: named, with its icon and menu entry. Its notify
// catches every exception that leaves a handler and shows it in the
// program's message box; the program goes on.

#include <QApplication>
#include <QList>
#include <QString>

#include <functional>

class TApplication : public QApplication {
    Q_OBJECT
public:
    TApplication(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;

    // Queues the message box for an exception's message (the "." rule applied);
    // a library's reason, where there is one, goes below it, and below that
    // the file the failure concerns.
    void ShowException(const std::string& message, const std::string& reason = {}, const QString& file = {});

    // Shows one message with its informative text; tests replace it to capture the texts.
    std::function<void(const QString& text, const QString& informative)> ShowMessage;

private:
    struct TPendingMessage {
        QString Text;
        QString Informative;
    };
    void ShowPending();

    QList<TPendingMessage> FPending;
    bool FShowing = false;
};

// The default message box: critical icon, OK, titled with the application
// title, and wide enough for its title.
void ShowCriticalMessage(const QString& text, const QString& informative);
void WidenForTitle(class QMessageBox& box);

// The window a dialog of the program belongs to: a shown window that stays
// on top (the preview) if there is one, as the window manager keeps a
// dialog above the window it belongs to; else the active window, else
// fallback.
QWidget* DialogOwner(QWidget* fallback = nullptr);

// Hands the exception being handled to the application's message box, with
// the file it concerns, if any.
void ShowCurrentException(const QString& file = {});

// Runs a handler and catches what leaves it before it unwinds through Qt's
// own frames, which are built without exception support and would skip their
// cleanup; notify stays as the backstop for anything else.
template <class F>
void Guarded(F&& handler)
{
    try {
        handler();
    } catch (...) {
        ShowCurrentException();
    }
}
