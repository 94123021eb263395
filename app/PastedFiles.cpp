#include "PastedFiles.h"

#include "FileListEntry.h"
#include "PictureKinds.h"

#include <QByteArrayList>
#include <QFile>
#include <QMimeData>
#include <QStringList>
#include <QUrl>

#include <sys/stat.h>

namespace {

bool Exists(const std::string& path)
{
    struct stat status {};
    return ::stat(path.c_str(), &status) == 0;
}

// Lines of a URL list; "#" lines are comments, and the GNOME form's first
// line ("copy" or "cut") is no URL.
std::vector<std::string> PathsOfUrlLines(const QByteArray& block)
{
    std::vector<std::string> paths;
    for (QByteArray line : block.split('\n')) {
        line = line.trimmed();
        if (line.isEmpty() || line.startsWith('#') || line == "copy" || line == "cut")
            continue;
        const QUrl url = QUrl::fromEncoded(line);
        if (url.isLocalFile())
            paths.push_back(LocalPathOfUrl(url));
    }
    return paths;
}

// Every line an absolute path or a file URL, or nothing: a paragraph of text
// with one path-like line in it is no list of files.
std::vector<std::string> PathsOfPlainText(const QString& text)
{
    std::vector<std::string> paths;
    for (const QString& raw : text.split(QLatin1Char('\n'))) {
        const QString line = raw.trimmed();
        if (line.isEmpty())
            continue;
        if (line.startsWith(QLatin1Char('/')))
            paths.push_back(QFile::encodeName(line).toStdString());
        else if (const QUrl url(line); line.startsWith(QLatin1String("file://")) && url.isLocalFile())
            paths.push_back(LocalPathOfUrl(url));
        else
            return {};
    }
    return paths;
}

std::vector<std::string> Existing(std::vector<std::string> paths)
{
    std::erase_if(paths, [](const std::string& path) { return !Exists(path); });
    return paths;
}

} // namespace

std::vector<std::string> PastedPaths(const QMimeData* data)
{
    if (!data)
        return {};
    const char* const urlForms[] = {"x-special/gnome-copied-files", "x-special/mate-copied-files",
                                    "application/x-kde4-urilist", "text/uri-list"};
    for (const char* form : urlForms)
        if (data->hasFormat(QLatin1String(form)))
            if (auto paths = Existing(PathsOfUrlLines(data->data(QLatin1String(form)))); !paths.empty())
                return paths;
    if (data->hasText())
        return Existing(PathsOfPlainText(data->text()));
    return {};
}

QString PictureFilterPatterns()
{
    QStringList patterns;
    for (const std::string& extension : PictureExtensions()) {
        patterns << QStringLiteral("*.") + QString::fromStdString(extension);
        patterns << QStringLiteral("*.") + QString::fromStdString(extension).toUpper();
    }
    return patterns.join(QLatin1Char(' '));
}
