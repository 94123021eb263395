#pragma once
// Shell "open" that always does something: the desktop's program for the
// document; where none takes it, the file manager showing it selected
// (org.freedesktop.FileManager1), else its folder opened; and a word to
// the caller when even that failed.

#include <QDBusConnection>
#include <QObject>
#include <QString>

#include <functional>

class TShellOpen : public QObject {
    Q_OBJECT
public:
    explicit TShellOpen(QObject* parent = nullptr);

    void Open(const QString& path);

    // Nothing could open the document nor show it.
    std::function<void(const QString& path)> OnFailed;
    // Where the file manager is asked; tests give a private bus.
    QDBusConnection Bus;

private:
    // xdg-open, which exits non-zero when nothing opens the target.
    void RunOpener(const QString& target, std::function<void()> onFailure);
    void ShowInFileManager(const QString& path);
    void OpenFolder(const QString& path);
};
