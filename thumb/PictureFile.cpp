#include "PictureFile.h"

#include "FileStream.h"
#include "FullPath.h"

std::vector<uint8_t> ReadPictureFile(const std::string& fileName)
{
    TFileStream file(ExpandFileName(fileName), fmOpenRead | fmShareDenyWrite);
    std::vector<uint8_t> bytes(static_cast<size_t>(file.GetSize()));
    file.ReadBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
    return bytes;
}
