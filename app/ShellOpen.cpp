#include "ShellOpen.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QFileInfo>
#include <QProcess>
#include <QUrl>

namespace {

constexpr int kFileManagerTimeoutMs = 5000;

} // namespace

TShellOpen::TShellOpen(QObject* parent) : QObject(parent), Bus(QDBusConnection::sessionBus()) {}

void TShellOpen::Open(const QString& path)
{
    RunOpener(path, [this, path] { ShowInFileManager(path); });
}

void TShellOpen::RunOpener(const QString& target, std::function<void()> onFailure)
{
    // Owned by this object, released when it ends. The opener may wait for
    // the program it started; the shell between is all that goes when the
    // window closes first, so that program stays.
    auto* process = new QProcess(this);
    process->setStandardInputFile(QProcess::nullDevice());
    process->setStandardOutputFile(QProcess::nullDevice());
    process->setStandardErrorFile(QProcess::nullDevice());
    connect(process, &QProcess::finished, this, [process, onFailure](int code, QProcess::ExitStatus status) {
        process->deleteLater();
        if (status != QProcess::NormalExit || code != 0)
            onFailure();
    });
    connect(process, &QProcess::errorOccurred, this, [process, onFailure](QProcess::ProcessError error) {
        if (error != QProcess::FailedToStart)
            return;
        process->deleteLater();
        onFailure();
    });
    process->start("/bin/sh", {"-c", "xdg-open \"$1\"; exit $?", "sh", target});
}

void TShellOpen::ShowInFileManager(const QString& path)
{
    if (!Bus.isConnected()) {
        OpenFolder(path);
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall("org.freedesktop.FileManager1", "/org/freedesktop/FileManager1",
                                                       "org.freedesktop.FileManager1", "ShowItems");
    call << QStringList{QUrl::fromLocalFile(path).toString()} << QString();
    auto* watcher = new QDBusPendingCallWatcher(Bus.asyncCall(call, kFileManagerTimeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, path](QDBusPendingCallWatcher* answer) {
        answer->deleteLater();
        if (answer->isError())
            OpenFolder(path);
    });
}

void TShellOpen::OpenFolder(const QString& path)
{
    RunOpener(QFileInfo(path).absolutePath(), [this, path] {
        if (OnFailed)
            OnFailed(path);
    });
}
