#include "ZipArchiveBytes.h"

#include "FileSystem.h"
#include "FileLayer.h"
#include "SpanStream.h"
#include "TempFiles.h"


std::string SwapDirectoryFor(const std::string& tempDirectory)
{
    std::string dir = (!tempDirectory.empty() && DirectoryExists(tempDirectory)) ? tempDirectory
                                                                                  : SystemTempDirectory();
    if (dir.empty() || dir.back() != '/')
        dir += '/';
    return dir;
}

uint32_t ReadMagic(TStream& stream)
{
    uint8_t b[4] = {0, 0, 0, 0};
    stream.Seek(0, soFromBeginning);
    stream.Read(b, 4);
    return static_cast<uint32_t>(b[0]) | static_cast<uint32_t>(b[1]) << 8 | static_cast<uint32_t>(b[2]) << 16 |
           static_cast<uint32_t>(b[3]) << 24;
}

void WriteMagic(TStream& stream, uint32_t value)
{
    const uint8_t b[4] = {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8),
                          static_cast<uint8_t>(value >> 16), static_cast<uint8_t>(value >> 24)};
    stream.WriteBuffer(b, 4);
}

int ArchiveHandle(TStream& stream)
{
    return static_cast<TSpanStream&>(stream).Handle();
}

int64_t StoredSize(const TZipItem& item)
{
    return item.LocalRecordSize() + static_cast<int64_t>(item.DataSize()) + item.DescriptorSize();
}
