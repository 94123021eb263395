#include "AboutText.h"

#include "LibraryVersions.h"

#include <QCoreApplication>
#include <QStringList>

#include <zlib.h>

#ifndef PLK_VERSION
#define PLK_VERSION "0.0.0"
#endif

QString AboutText()
{
    QStringList libraries;
    libraries << QStringLiteral("Qt %1").arg(QString::fromLatin1(qVersion()));
    libraries << QStringLiteral("zlib %1").arg(QString::fromLatin1(zlibVersion()));
    for (const TLibraryVersion& library : PictureLibraryVersions())
        libraries << QString::fromStdString(library.Name + " " + library.Version);
    return QStringLiteral("<h3>Plinkavorte %1</h3><p>%2</p><p>%3</p><p>%4<br>%5</p>")
        .arg(QStringLiteral(PLK_VERSION),
             QCoreApplication::translate("AboutText", "Turns photographs into a ZIP archive of JPEG thumbnails."),
             QCoreApplication::translate("AboutText", "Copyright 2026 The Plinkavorte developers. No licence has been granted for this program: "
                "all rights are reserved by its developers."),
             QCoreApplication::translate("AboutText", "Made with:"), libraries.join(QStringLiteral(", ")).toHtmlEscaped());
}
