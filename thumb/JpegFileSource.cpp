#include "JpegFileSource.h"

#include "PictureFile.h"

#include <cstdlib>

#include <jerror.h>

namespace {

TJpegFileSource& SourceOf(j_decompress_ptr info)
{
    return *reinterpret_cast<TJpegFileSource*>(info->src);
}

void InitSource(j_decompress_ptr) {}

// Runs inside libjpeg: an exception is kept, and libjpeg left by its error exit.
size_t ReadPiece(TJpegFileSource& source) noexcept
{
    try {
        return source.File->Read(source.Buffer, TJpegFileSource::PieceBytes);
    } catch (...) {
        source.Failure = std::current_exception();
        return 0;
    }
}

boolean FillInputBuffer(j_decompress_ptr info)
{
    TJpegFileSource& source = SourceOf(info);
    size_t got = ReadPiece(source);
    if (source.Failure) {
        info->err->msg_code = JpegReadFailed;
        info->err->error_exit(reinterpret_cast<j_common_ptr>(info));
    }
    if (got == 0) {
        if (source.StartOfFile)
            ERREXIT(info, JERR_INPUT_EMPTY);
        WARNMS(info, JWRN_JPEG_EOF);
        source.Buffer[0] = 0xFF;
        source.Buffer[1] = JPEG_EOI;
        got = 2;
    }
    source.StartOfFile = false;
    source.Manager.next_input_byte = source.Buffer;
    source.Manager.bytes_in_buffer = got;
    return TRUE;
}

void SkipInputData(j_decompress_ptr info, long count)
{
    jpeg_source_mgr& manager = SourceOf(info).Manager;
    if (count <= 0)
        return;
    auto left = static_cast<size_t>(count);
    while (left > manager.bytes_in_buffer) {
        left -= manager.bytes_in_buffer;
        FillInputBuffer(info);
    }
    manager.next_input_byte += left;
    manager.bytes_in_buffer -= left;
}

void TermSource(j_decompress_ptr) {}

}  // namespace

void ReadJpegFrom(jpeg_decompress_struct& info, TJpegFileSource& source, TPictureFile& file)
{
    source.File = &file;
    source.StartOfFile = true;
    source.Failure = nullptr;
    source.Manager.init_source = InitSource;
    source.Manager.fill_input_buffer = FillInputBuffer;
    source.Manager.skip_input_data = SkipInputData;
    source.Manager.resync_to_restart = jpeg_resync_to_restart;
    source.Manager.term_source = TermSource;
    source.Manager.bytes_in_buffer = 0;
    source.Manager.next_input_byte = nullptr;
    info.src = &source.Manager;
}
