#pragma once
// Files a file manager put on the clipboard, as local paths in their order:
// text/uri-list, the GNOME and MATE "copied files" form, KDE's URL list, or
// plain text whose every line is an absolute path or a file URL. Paths that
// do not exist are left out; an empty list when nothing fits.

#include <string>
#include <vector>

class QMimeData;

std::vector<std::string> PastedPaths(const QMimeData* data);

// The patterns of every picture extension, for a file chooser's filter.
class QString;
QString PictureFilterPatterns();
