// The program entry: application, title, main window, hidden preview window,
// message loop.

#include "TApplication.h"
#include "ThumbnailRecipe.h"
#include "MainWindow.h"
#include "PreviewWindow.h"

#include <QFile>
#include <QFileInfo>
#include <QMetaObject>
#include <QScreen>

#include <string>
#include <vector>

namespace {

// Paths handed over by the desktop (a file manager's "open with", or files
// dropped on the launcher) arrive as one drop onto the list.
std::vector<std::string> StartupPaths()
{
    std::vector<std::string> paths;
    const QStringList arguments = QCoreApplication::arguments();
    for (qsizetype i = 1; i < arguments.size(); ++i)
        paths.push_back(QFile::encodeName(QFileInfo(arguments[i]).absoluteFilePath()).toStdString());
    return paths;
}

} // namespace

int main(int argc, char** argv)
{
    TApplication application(argc, argv);
    QApplication::setApplicationName("Plinkavorte");
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        SetDisplayBitsPerPixel(screen->depth());

    TMainWindow mainWindow;
    TPreviewWindow previewWindow;
    mainWindow.SetPreviewWindow(&previewWindow);
    mainWindow.show();
    const std::vector<std::string> paths = StartupPaths();
    if (!paths.empty())
        QMetaObject::invokeMethod(&mainWindow, [&mainWindow, paths] { Guarded([&] { mainWindow.DropPaths(paths); }); }, Qt::QueuedConnection);
    return application.exec();
}
