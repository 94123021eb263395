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

int64_t LocalHeaderSize(const TZipItem& item);
int64_t DescriptorSize(const TZipItem& item);
// The bytes an entry takes in the file, as a rewrite lays it out.
int64_t StoredSize(const TZipItem& item);

// Whether the file holds `expected` at `at`.
bool SameBytes(int handle, int64_t at, TMemoryStream& expected);
