#pragma once
// Byte-level helpers the archive's reading, planning and writing share.

#include "MemoryStream.h"
#include "ZipRecords.h"

#include <cstdint>
#include <string>

// Where swap files of large tails go: the archive's temp folder when it
// exists, else the system's.
std::string SwapDirectoryFor(const std::string& tempDirectory);

// The first four bytes of the stream, little-endian.
uint32_t ReadMagic(TStream& stream);
void WriteMagic(TStream& stream, uint32_t value);

// The file handle behind an archive's stream.
int ArchiveHandle(TStream& stream);

// The bytes an entry takes in the file: local header, data, descriptor.
int64_t StoredSize(const TZipItem& item);
