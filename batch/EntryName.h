#pragma once
// The name a picture gets inside the archive.

#include <string>

// The bare file name of a path: the text after its last "/", extension and
// letter case unchanged.
std::string EntryNameOf(const std::string& path);
