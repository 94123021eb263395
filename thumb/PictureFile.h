#pragma once
// Reading a picture file into memory.

#include <cstdint>
#include <string>
#include <vector>

// The whole file, by its full path. Throws EFOpenError naming that path.
std::vector<uint8_t> ReadPictureFile(const std::string& fileName);
