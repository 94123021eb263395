#include "FileListEntry.h"

#include "Errors.h"

#include <QFile>
#include <QListWidgetItem>
#include <QUrl>

#include <cstdio>

namespace {

constexpr int kPathRole = Qt::UserRole;
constexpr int kItemHeight = 16;

} // namespace

QListWidgetItem* NewFileListItem(const std::string& path)
{
    auto* item = new QListWidgetItem(DisplayName(path));
    item->setData(kPathRole, QByteArray::fromStdString(path));
    item->setSizeHint(QSize(0, kItemHeight));
    return item;
}

std::string FileListPath(const QListWidgetItem& item)
{
    const QVariant bytes = item.data(kPathRole);
    if (bytes.isValid())
        return bytes.toByteArray().toStdString();
    return QFile::encodeName(item.text()).toStdString();
}

QString DisplayName(const std::string& path)
{
    return QFile::decodeName(QByteArray::fromStdString(path));
}

std::string LocalPathOfUrl(const QUrl& url)
{
    // A URL naming a host is a network path, which toLocalFile() spells out.
    if (!url.host().isEmpty())
        return QFile::encodeName(url.toLocalFile()).toStdString();
    return QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1()).toStdString();
}

QString BareName(const std::string& path)
{
    return DisplayName(path.substr(path.find_last_of('/') + 1));
}

Exception ListIndexError(int index)
{
    char message[64];
    std::snprintf(message, sizeof message, "List index out of bounds (%d)", index);
    return Exception(message);
}
