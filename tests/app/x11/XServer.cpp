#include "XServer.h"

#include <QDeadlineTimer>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QThread>

namespace {

QString Run(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.start(program, arguments);
    process.waitForFinished(10000);
    return QString::fromUtf8(process.readAllStandardOutput());
}

} // namespace

QList<WId> StackingOrder()
{
    const QString output = Run("xprop", {"-root", "_NET_CLIENT_LIST_STACKING"});
    QList<WId> windows;
    static const QRegularExpression id("0x[0-9a-fA-F]+");
    for (auto match = id.globalMatch(output.section('#', 1)); match.hasNext();)
        windows << match.next().captured().toULongLong(nullptr, 16);
    return windows;
}

int StackingPlace(const QWidget* window)
{
    return static_cast<int>(StackingOrder().indexOf(window->winId()));
}

QString ShownTitle(const QWidget* window)
{
    const QString output = Run("xprop", {"-id", QString::number(window->winId()), "_NET_WM_NAME"});
    const int start = output.indexOf('"');
    return start < 0 ? QString() : output.mid(start + 1, output.lastIndexOf('"') - start - 1);
}

bool XdoTool(const QStringList& arguments)
{
    return QProcess::execute("xdotool", arguments) == 0;
}

TWindowManager::TWindowManager()
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("HOME", FHome.path());
    environment.insert("XDG_CONFIG_HOME", FHome.filePath("config"));
    environment.insert("XDG_CACHE_HOME", FHome.filePath("cache"));
    FProcess.setProcessEnvironment(environment);
    FProcess.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    FProcess.start("openbox", {"--sm-disable"});
    if (!FProcess.waitForStarted(5000))
        return;
    const QDeadlineTimer deadline(10000);
    while (!deadline.hasExpired() && !FReady) {
        FReady = Run("xprop", {"-root", "_NET_SUPPORTING_WM_CHECK"}).contains("window id");
        if (!FReady)
            QThread::msleep(50);
    }
}

TWindowManager::~TWindowManager()
{
    FProcess.terminate();
    if (!FProcess.waitForFinished(5000))
        FProcess.kill();
}
