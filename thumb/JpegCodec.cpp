#include "JpegCodec.h"

#include "ExifOrientation.h"
#include "IccProfile.h"
#include "JpegFileSource.h"
#include "JpegMarkers.h"
#include "JpegScanGuard.h"
#include "PictureFile.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include <jpeglib.h>
#include <jerror.h>

// libjpeg reports errors by calling error_exit, which must not return. We leave
// by longjmp back to the entry's setjmp; the functions that call setjmp hold no
// object with a destructor, and nothing here throws while libjpeg is on the stack.

namespace {

// What libjpeg may hold for one picture. Multi-scan files keep every
// coefficient until the end, so a small file claiming 65500 x 65500 would
// otherwise take tens of gigabytes; past this it fails with a JPEG error.
constexpr long DecodeMemoryLimit = JpegPictureMemoryCap;

struct TErrorTrap {
    jpeg_error_mgr Manager;
    std::jmp_buf Jump;
    int Code = 0;
    char Reason[JMSG_LENGTH_MAX] = "";
};

[[noreturn]] void TrapErrorExit(j_common_ptr cinfo)
{
    auto* trap = reinterpret_cast<TErrorTrap*>(cinfo->err);
    trap->Code = cinfo->err->msg_code;
    cinfo->err->format_message(cinfo, trap->Reason);
    std::longjmp(trap->Jump, 1);
}

// libjpeg's text of the error that stopped an entry.
int WithReason(int code, const TErrorTrap& trap, std::string* reason)
{
    if (code != 0 && reason)
        *reason = trap.Reason;
    return code;
}

// Warnings (a file cut short, a bad Huffman code) are no failure of ours,
// except an inconsistent progression: only a crafted file has one, and each
// of its scans may cost a pass over the whole picture.
void OnMessage(j_common_ptr cinfo, int level)
{
    if (level < 0 && cinfo->err->msg_code == JWRN_BOGUS_PROGRESSION)
        cinfo->err->error_exit(cinfo);
}

void IgnoreOutput(j_common_ptr) {}

void InstallTrap(TErrorTrap& trap)
{
    jpeg_std_error(&trap.Manager);
    trap.Manager.error_exit = TrapErrorExit;
    trap.Manager.emit_message = OnMessage;
    trap.Manager.output_message = IgnoreOutput;
}

struct TDecompressor {
    TErrorTrap Trap;
    jpeg_decompress_struct Info{};
    bool Created = false;
    TKeptMarkers Kept;
    TJpegScanGuard Guard;
    std::unique_ptr<TJpegFileSource> Source;
    TDecompressor()
    {
        InstallTrap(Trap);
        Info.err = &Trap.Manager;
    }
    ~TDecompressor() { Destroy(); }
    void Destroy()
    {
        if (Created)
            jpeg_destroy_decompress(&Info);
        Created = false;
    }
};

// An output buffer grown with realloc; libjpeg sees only C calls.
struct TGrowingDestination {
    jpeg_destination_mgr Manager{};
    unsigned char* Buffer = nullptr;
    size_t Capacity = 0;
};

void GrowFailed(j_compress_ptr cinfo)
{
    cinfo->err->msg_code = JERR_OUT_OF_MEMORY;
    cinfo->err->error_exit(reinterpret_cast<j_common_ptr>(cinfo));
}

void InitDestination(j_compress_ptr cinfo)
{
    auto* d = reinterpret_cast<TGrowingDestination*>(cinfo->dest);
    if (!d->Buffer) {
        d->Capacity = 64 * 1024;
        d->Buffer = static_cast<unsigned char*>(std::malloc(d->Capacity));
        if (!d->Buffer)
            GrowFailed(cinfo);
    }
    d->Manager.next_output_byte = d->Buffer;
    d->Manager.free_in_buffer = d->Capacity;
}

boolean EmptyOutputBuffer(j_compress_ptr cinfo)
{
    // libjpeg calls this only with the whole buffer full.
    auto* d = reinterpret_cast<TGrowingDestination*>(cinfo->dest);
    const size_t used = d->Capacity;
    auto* grown = static_cast<unsigned char*>(std::realloc(d->Buffer, used * 2));
    if (!grown)
        GrowFailed(cinfo);
    d->Buffer = grown;
    d->Capacity = used * 2;
    d->Manager.next_output_byte = d->Buffer + used;
    d->Manager.free_in_buffer = d->Capacity - used;
    return TRUE;
}

void TermDestination(j_compress_ptr) {}

struct TCompressor {
    TErrorTrap Trap;
    jpeg_compress_struct Info{};
    TGrowingDestination Destination;
    bool Created = false;
    TCompressor()
    {
        InstallTrap(Trap);
        Info.err = &Trap.Manager;
        Destination.Manager.init_destination = InitDestination;
        Destination.Manager.empty_output_buffer = EmptyOutputBuffer;
        Destination.Manager.term_destination = TermDestination;
    }
    ~TCompressor()
    {
        Destroy();
        std::free(Destination.Buffer);
    }
    void Destroy()
    {
        if (Created)
            jpeg_destroy_compress(&Info);
        Created = false;
    }
    size_t Written() const { return Destination.Capacity - Destination.Manager.free_in_buffer; }
};

// As libjpeg sizes its whole-picture coefficient arrays.
int64_t MultiScanCoefficientBytes(const jpeg_decompress_struct& info)
{
    if (!jpeg_has_multiple_scans(const_cast<j_decompress_ptr>(&info)))
        return 0;
    int64_t bytes = 0;
    for (int c = 0; c < info.num_components; ++c) {
        const jpeg_component_info& comp = info.comp_info[c];
        const auto roundUp = [](int64_t n, int64_t m) { return (n + m - 1) / m * m; };
        bytes += roundUp(comp.width_in_blocks, comp.h_samp_factor) * roundUp(comp.height_in_blocks, comp.v_samp_factor) *
                 static_cast<int64_t>(sizeof(JBLOCK));
    }
    return bytes;
}

// The bytes of a picture in memory, or its file read in pieces.
struct TJpegInput {
    const uint8_t* Data = nullptr;
    size_t Size = 0;
    TPictureFile* File = nullptr;
};

void SetSource(TDecompressor& d, const TJpegInput& input)
{
    if (input.File)
        ReadJpegFrom(d.Info, *d.Source, *input.File);
    else
        jpeg_mem_src(&d.Info, input.Data, static_cast<unsigned long>(input.Size));
}

// Made before the protected region, where nothing may throw.
std::unique_ptr<TDecompressor> NewDecompressor(const TJpegInput& input)
{
    auto d = std::make_unique<TDecompressor>();
    if (input.File) {
        d->Source = std::make_unique<TJpegFileSource>();
        input.File->Rewind();
    }
    return d;
}

// What reading the file threw comes out as it was thrown.
int Finished(TDecompressor& d, int code)
{
    d.Destroy();
    if (code == JpegReadFailed && d.Source && d.Source->Failure)
        std::rethrow_exception(d.Source->Failure);
    return code;
}

int ReadHeaderProtected(TDecompressor& d, const TJpegInput& input, TJpegHeaderInfo& header)
{
    if (setjmp(d.Trap.Jump))
        return d.Trap.Code;
    jpeg_create_decompress(&d.Info);
    d.Created = true;
    SetSource(d, input);
    KeepRecipeMarkers(d.Info, d.Kept);
    jpeg_read_header(&d.Info, TRUE);
    header.Width = static_cast<int32_t>(d.Info.image_width);
    header.Height = static_cast<int32_t>(d.Info.image_height);
    header.Grayscale = d.Info.jpeg_color_space == JCS_GRAYSCALE;
    header.Progressive = jpeg_has_multiple_scans(&d.Info);
    header.Components = d.Info.num_components;
    header.CoefficientBytes = MultiScanCoefficientBytes(d.Info);
    return 0;
}

uint8_t InkToLight(int ink, int black, bool inverted)
{
    // Adobe files store ink inverted: 255 means none.
    const int light = inverted ? ink : 255 - ink;
    const int lightK = inverted ? black : 255 - black;
    return static_cast<uint8_t>((light * lightK + 127) / 255);
}

void CmykRowToBgr(const JSAMPLE* cmyk, int32_t width, bool inverted, uint8_t* bgr)
{
    for (int32_t x = 0; x < width; ++x, cmyk += 4, bgr += 3) {
        bgr[0] = InkToLight(cmyk[2], cmyk[3], inverted);
        bgr[1] = InkToLight(cmyk[1], cmyk[3], inverted);
        bgr[2] = InkToLight(cmyk[0], cmyk[3], inverted);
    }
}

std::vector<TPaletteEntry> PaletteOf(const jpeg_decompress_struct& info)
{
    std::vector<TPaletteEntry> palette(static_cast<size_t>(info.actual_number_of_colors));
    const bool inverted = info.saw_Adobe_marker;
    for (size_t i = 0; i < palette.size(); ++i) {
        auto c = [&](int component) { return static_cast<uint8_t>(info.colormap[component][i]); };
        if (info.out_color_components == 1)
            palette[i] = {c(0), c(0), c(0)};
        else if (info.out_color_components == 4)
            palette[i] = {InkToLight(c(0), c(3), inverted), InkToLight(c(1), c(3), inverted),
                          InkToLight(c(2), c(3), inverted)};
        else
            palette[i] = {c(0), c(1), c(2)};
    }
    return palette;
}

// Kept out of the setjmp frame: the palette vector has a destructor.
void PrepareBitmap(const jpeg_decompress_struct& info, TBitmap& bitmap)
{
    const bool indexed = info.quantize_colors;
    bitmap.ReleasePixels();
    bitmap.SetPixelFormat(indexed ? TPixelFormat::pf8bit : TPixelFormat::pf24bit);
    bitmap.SetSize(static_cast<int32_t>(info.output_width), static_cast<int32_t>(info.output_height));
    bitmap.SetPalette(indexed ? PaletteOf(info) : std::vector<TPaletteEntry>{});
}

void ApplyDecodeOptions(jpeg_decompress_struct& info, const TJpegDecodeOptions& o)
{
    info.scale_num = 1;
    info.scale_denom = static_cast<unsigned>(o.ScaleDenom);
    info.do_block_smoothing = o.Smoothing;
    if (o.ForceGrey)
        info.out_color_space = JCS_GRAYSCALE;
    const bool grey = info.out_color_space == JCS_GRAYSCALE;
    const bool inks = info.out_color_space == JCS_CMYK;
    if (grey || o.Quantise) {
        info.quantize_colors = TRUE;
        info.desired_number_of_colors = 236;
    } else if (!inks) {
        info.out_color_space = JCS_EXT_BGR;  // the bitmap's own byte order
    }
    if (o.BestSpeed) {
        info.dct_method = JDCT_IFAST;
        info.do_fancy_upsampling = FALSE;
        info.two_pass_quantize = FALSE;
        info.dither_mode = JDITHER_ORDERED;
    }
}

int DecodeProtected(TDecompressor& d, const TJpegInput& input, const TJpegDecodeOptions& options, TBitmap& bitmap)
{
    if (setjmp(d.Trap.Jump))
        return d.Trap.Code;
    jpeg_create_decompress(&d.Info);
    d.Created = true;
    d.Info.mem->max_memory_to_use = DecodeMemoryLimit;
    SetSource(d, input);
    d.Guard.Stop = options.Stop;
    GuardScans(d.Info, d.Guard);
    jpeg_read_header(&d.Info, TRUE);
    if (options.ExpectedWidth != 0 &&
        (d.Info.image_width != options.ExpectedWidth || d.Info.image_height != options.ExpectedHeight))
        return JpegFileChanged;
    ApplyDecodeOptions(d.Info, options);
    jpeg_start_decompress(&d.Info);

    const auto width = static_cast<int32_t>(d.Info.output_width);
    const bool inks = !d.Info.quantize_colors && d.Info.out_color_components == 4;
    PrepareBitmap(d.Info, bitmap);
    // Four-component rows are wider than the bitmap's: they land in a pool row first.
    JSAMPARRAY inkRow = inks ? d.Info.mem->alloc_sarray(reinterpret_cast<j_common_ptr>(&d.Info), JPOOL_IMAGE,
                                                        d.Info.output_width * 4, 1)
                             : nullptr;
    while (d.Info.output_scanline < d.Info.output_height) {
        const auto row = static_cast<int32_t>(d.Info.output_scanline);
        JSAMPROW target = inks ? inkRow[0] : bitmap.ScanLine(row);
        if (jpeg_read_scanlines(&d.Info, &target, 1) != 1)
            break;
        if (inks)
            CmykRowToBgr(inkRow[0], width, d.Info.saw_Adobe_marker, bitmap.ScanLine(row));
    }
    jpeg_finish_decompress(&d.Info);
    return 0;
}

int EncodeProtected(TCompressor& c, const TBitmap& bitmap, const TJpegEncodeOptions& options)
{
    if (setjmp(c.Trap.Jump))
        return c.Trap.Code;
    jpeg_create_compress(&c.Info);
    c.Created = true;
    c.Info.dest = &c.Destination.Manager;
    c.Info.image_width = static_cast<JDIMENSION>(bitmap.Width());
    c.Info.image_height = static_cast<JDIMENSION>(bitmap.Height());
    c.Info.input_components = 3;
    c.Info.in_color_space = JCS_EXT_BGR;
    jpeg_set_defaults(&c.Info);
    jpeg_set_quality(&c.Info, options.Quality, TRUE);
    if (options.ForceGrey)
        jpeg_set_colorspace(&c.Info, JCS_GRAYSCALE);
    if (options.Progressive)
        jpeg_simple_progression(&c.Info);
    jpeg_start_compress(&c.Info, TRUE);
    if (!options.IccProfile.empty())
        jpeg_write_icc_profile(&c.Info, options.IccProfile.data(), static_cast<unsigned>(options.IccProfile.size()));
    while (c.Info.next_scanline < c.Info.image_height) {
        // libjpeg only reads input rows, whatever its prototype says.
        auto row = const_cast<JSAMPROW>(bitmap.ScanLine(static_cast<int32_t>(c.Info.next_scanline)));
        jpeg_write_scanlines(&c.Info, &row, 1);
    }
    jpeg_finish_compress(&c.Info);
    return 0;
}

}  // namespace

namespace {

int ReadHeader(const TJpegInput& input, TJpegHeaderInfo& header, std::string* reason)
{
    const std::unique_ptr<TDecompressor> d = NewDecompressor(input);
    const int code = Finished(*d, ReadHeaderProtected(*d, input, header));
    if (code != 0)
        return WithReason(code, d->Trap, reason);
    if (d->Kept.HaveExif)
        header.ExifOrientation = ExifOrientationOf(d->Kept.Exif.data(), d->Kept.Exif.size());
    if (header.Components == 3) {
        std::vector<uint8_t> profile = AssembledIccProfile(d->Kept);
        if (IsWholeRgbProfile(profile.data(), profile.size()))
            header.IccProfile = std::move(profile);
    }
    return 0;
}

int Decode(const TJpegInput& input, const TJpegDecodeOptions& options, TBitmap& bitmap, std::string* reason)
{
    const std::unique_ptr<TDecompressor> d = NewDecompressor(input);
    const int code = Finished(*d, DecodeProtected(*d, input, options, bitmap));
    // Past the memory cap libjpeg speaks of backing store, which tells the user nothing.
    if (code == JERR_NO_BACKING_STORE && reason) {
        *reason = std::to_string(d->Info.image_width) + " x " + std::to_string(d->Info.image_height) +
                  " pixels need more memory than one picture may take";
        return code;
    }
    return WithReason(code, d->Trap, reason);
}

}  // namespace

int ReadJpegHeader(const uint8_t* data, size_t size, TJpegHeaderInfo& header, std::string* reason)
{
    return ReadHeader({data, size, nullptr}, header, reason);
}

int ReadJpegHeader(TPictureFile& file, TJpegHeaderInfo& header, std::string* reason)
{
    return ReadHeader({nullptr, 0, &file}, header, reason);
}

int DecodeJpeg(const uint8_t* data, size_t size, const TJpegDecodeOptions& options, TBitmap& bitmap,
               std::string* reason)
{
    return Decode({data, size, nullptr}, options, bitmap, reason);
}

int DecodeJpeg(TPictureFile& file, const TJpegDecodeOptions& options, TBitmap& bitmap, std::string* reason)
{
    return Decode({nullptr, 0, &file}, options, bitmap, reason);
}

int EncodeJpeg(const TBitmap& bitmap, const TJpegEncodeOptions& options, std::vector<uint8_t>& out,
               std::string* reason)
{
    auto c = std::make_unique<TCompressor>();
    const int code = EncodeProtected(*c, bitmap, options);
    c->Destroy();
    if (code == 0)
        out.assign(c->Destination.Buffer, c->Destination.Buffer + c->Written());
    return WithReason(code, c->Trap, reason);
}
