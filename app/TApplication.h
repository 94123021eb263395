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
    // a library's reason, where there is one, goes below it.
    void ShowException(const std::string& message, const std::string& reason = {});

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

// The default message box: critical icon, OK, titled with the application title.
void ShowCriticalMessage(const QString& text, const QString& informative);

// Hands the exception being handled to the application's message box.
void ShowCurrentException();

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
