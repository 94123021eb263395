// The program entry: application, title, main window, hidden preview window,
// message loop.

#include "TApplication.h"
#include "ThumbnailRecipe.h"
#include "drag1.h"
#include "drag2.h"

#include <QScreen>

int main(int argc, char** argv)
{
    TApplication application(argc, argv);
    QApplication::setApplicationName("Plinkavorte");
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        SetDisplayBitsPerPixel(screen->depth());

    TForm1 form1;
    TForm2 form2;
    form1.SetPreviewWindow(&form2);
    form1.show();
    return application.exec();
}
