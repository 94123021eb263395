// The program entry: application, title, main window, hidden preview window,
// message loop.

#include "TApplication.h"
#include "ThumbnailRecipe.h"
#include "MainWindow.h"
#include "PreviewWindow.h"
#include "RememberedSettings.h"
#include "Translations.h"

#include <QFile>
#include <QFileInfo>
#include <QMetaObject>
#include <QScreen>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#ifndef PLK_VERSION
#define PLK_VERSION "0.0.0"
#endif

namespace {

constexpr const char* HelpText =
    "Usage: plinkavorte [PATH...]\n"
    "\n"
    "Opens the Plinkavorte window, which turns photographs (JPEG, HEIC, AVIF,\n"
    "PNG, WebP, TIFF, camera RAW) into a ZIP archive of JPEG thumbnails.\n"
    "The PATHs (pictures or folders) go onto its\n"
    "list as if they were dropped there.\n"
    "\n"
    "      --reset-settings  start from the default settings; the window\n"
    "                        remembers its settings in\n"
    "                        ~/.config/plinkavorte/plinkavorte.conf\n"
    "  -h, --help            show this help and exit\n"
    "  -V, --version         show the version and exit\n"
    "\n"
    "Qt's own options, such as -platform NAME or -style NAME, are taken too.\n"
    "The same work without a window: plinkavorte-batch --help.\n";

// 1 when the text reached the output; -1, said on stderr, when the output
// is full or closed.
int WriteOut(const char* text)
{
    if (std::fputs(text, stdout) >= 0 && std::fflush(stdout) == 0)
        return 1;
    std::fprintf(stderr, "plinkavorte: write error: %s\n", std::strerror(errno));
    return -1;
}

// --help and --version are answered before Qt starts, so they work without
// a display; 0 when neither is asked for. "--" ends the options.
int AnswerInformationOption(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        if (std::strcmp(arg, "--") == 0)
            return 0;
        if (std::strcmp(arg, "-h") == 0 || std::strcmp(arg, "--help") == 0)
            return WriteOut(HelpText);
        if (std::strcmp(arg, "-V") == 0 || std::strcmp(arg, "--version") == 0)
            return WriteOut((std::string("plinkavorte ") + PLK_VERSION + "\n").c_str());
    }
    return 0;
}

// Takes --reset-settings out of the arguments, so it is not taken for a path.
bool TakeResetOption(int& argc, char** argv)
{
    bool found = false;
    int kept = 1;
    bool options = true;
    for (int i = 1; i < argc; ++i) {
        if (options && std::strcmp(argv[i], "--") == 0)
            options = false;
        if (options && std::strcmp(argv[i], "--reset-settings") == 0) {
            found = true;
            continue;
        }
        argv[kept++] = argv[i];
    }
    argc = kept;
    argv[argc] = nullptr;
    return found;
}

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
    if (const int answered = AnswerInformationOption(argc, argv))
        return answered > 0 ? 0 : 1;
    const bool reset = TakeResetOption(argc, argv);
    TApplication application(argc, argv);
    QApplication::setApplicationName("Plinkavorte");
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        SetDisplayBitsPerPixel(screen->depth());
    const TTranslations translations;

    TMainWindow mainWindow;
    TPreviewWindow previewWindow;
    mainWindow.SetPreviewWindow(&previewWindow);
    const TRememberedSettings settings(TRememberedSettings::DefaultFile());
    if (reset)
        settings.Forget();
    settings.Load(mainWindow, previewWindow);
    // Saved once the window is closed, before the windows go.
    QObject::connect(&application, &QCoreApplication::aboutToQuit, [&] {
        if (!settings.Save(mainWindow, previewWindow))
            std::fprintf(stderr, "plinkavorte: the settings could not be saved in %s\n",
                         qPrintable(TRememberedSettings::DefaultFile()));
    });
    mainWindow.show();
    const std::vector<std::string> paths = StartupPaths();
    if (!paths.empty())
        QMetaObject::invokeMethod(&mainWindow, [&mainWindow, paths] { Guarded([&] { mainWindow.DropPaths(paths); }); }, Qt::QueuedConnection);
    return application.exec();
}
