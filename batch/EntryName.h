#pragma once
// The name a picture gets inside the archive.

#include <string>

// The bare file name of a path: the text after its last "/". A JPEG's name is
// kept as it is; any other kind's extension becomes "jpg", or "JPG" where it
// was written in capitals, since the entry holds a JPEG thumbnail.
std::string EntryNameOf(const std::string& path);
