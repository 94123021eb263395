#include "JpegDecode.h"

#include <cstdio>
#include <cstdlib>
#include <csetjmp>
#include <jpeglib.h>
#include <stdexcept>

namespace {

struct TErrorManager {
    jpeg_error_mgr Base;
    std::jmp_buf Jump;
};

extern "C" void OnJpegError(j_common_ptr info)
{
    std::longjmp(reinterpret_cast<TErrorManager*>(info->err)->Jump, 1);
}

// Plain C state only between setjmp and longjmp.
bool DecodeInto(const std::vector<uint8_t>& bytes, jpeg_decompress_struct& info, TErrorManager& errors,
                TDecodedJpeg& out)
{
    info.err = jpeg_std_error(&errors.Base);
    errors.Base.error_exit = OnJpegError;
    if (setjmp(errors.Jump)) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, bytes.data(), static_cast<unsigned long>(bytes.size()));
    jpeg_save_markers(&info, JPEG_APP0 + 2, 0xFFFF);
    jpeg_read_header(&info, TRUE);
    JOCTET* icc = nullptr;
    unsigned iccLength = 0;
    if (jpeg_read_icc_profile(&info, &icc, &iccLength)) {
        out.IccProfile.assign(icc, icc + iccLength);
        std::free(icc);
    }
    jpeg_start_decompress(&info);
    out.Width = static_cast<int>(info.output_width);
    out.Height = static_cast<int>(info.output_height);
    out.Components = info.output_components;
    out.Pixels.resize(static_cast<size_t>(out.Width) * out.Height * out.Components);
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = out.Pixels.data() + static_cast<size_t>(info.output_scanline) * out.Width * out.Components;
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return true;
}

} // namespace

TDecodedJpeg DecodeJpeg(const std::vector<uint8_t>& bytes)
{
    if (bytes.empty())
        throw std::runtime_error("no JPEG bytes");
    jpeg_decompress_struct info{};
    TErrorManager errors{};
    TDecodedJpeg out;
    if (!DecodeInto(bytes, info, errors, out))
        throw std::runtime_error("libjpeg could not decode the thumbnail");
    return out;
}
