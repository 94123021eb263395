#pragma once
// A file list line: the path's bytes exactly as the drop or the folder scan
// delivered them, shown decoded. Names that are not valid UTF-8 show
// replacement characters but keep their bytes for the run, the preview and
// the clipboard.

#include <QString>

#include <string>

class Exception;
class QListWidgetItem;
class QUrl;

QListWidgetItem* NewFileListItem(const std::string& path);
// The bytes the line was made from; a line made from text alone gives the
// text's local encoding.
std::string FileListPath(const QListWidgetItem& item);

// The path's text as the window shows it.
QString DisplayName(const std::string& path);
// Its bare file name (after the last "/") as the window shows it.
QString BareName(const std::string& path);
// "List index out of bounds (%d)".
Exception ListIndexError(int index);
// The local file path of a file URL, its percent-encoded bytes decoded as
// they are: QUrl::toLocalFile() would turn bytes that are not UTF-8 into
// replacement characters.
std::string LocalPathOfUrl(const QUrl& url);
