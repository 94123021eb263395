#pragma once
// The picture libraries the thumbnails are made with, and their versions as
// the libraries linked in report them.

#include <string>
#include <vector>

struct TLibraryVersion {
    std::string Name;
    std::string Version;
};

std::vector<TLibraryVersion> PictureLibraryVersions();
