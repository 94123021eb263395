#pragma once
// A libjpeg source that reads a picture file in pieces, so a decode holds one
// piece of the file at a time. It behaves as libjpeg's memory source does at
// the edges: an empty file is JERR_INPUT_EMPTY, and past the end a warning and
// an end marker, so a file cut short decodes as far as it goes.

#include <cstdint>
#include <cstdio>
#include <exception>

#include <jpeglib.h>

class TPictureFile;

// A code beside libjpeg's message codes: reading the file threw; the
// exception waits in Failure.
constexpr int JpegReadFailed = -4;

struct TJpegFileSource {
    static constexpr size_t PieceBytes = 64 * 1024;
    jpeg_source_mgr Manager{};
    TPictureFile* File = nullptr;
    bool StartOfFile = true;
    std::exception_ptr Failure;
    JOCTET Buffer[PieceBytes];
};

// Reads info's input from the file's position through source, which must
// outlive the decompressor's use of it.
void ReadJpegFrom(jpeg_decompress_struct& info, TJpegFileSource& source, TPictureFile& file);
