#include "JpegMarkers.h"

#include "IccProfile.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>

#include <jerror.h>

// These run inside libjpeg, which leaves by longjmp on an error: no object
// with a destructor may be alive in them when they fail, and no exception may
// leave them.

namespace {

constexpr size_t ExifHeaderBytes = 6;   // "Exif\0\0"
constexpr size_t IccOverhead = 14;      // "ICC_PROFILE\0", sequence number, count
constexpr size_t MaxIccChunks = 255;    // sequence numbers are one byte, from 1

TKeptMarkers& KeptOf(j_decompress_ptr info)
{
    return *static_cast<TKeptMarkers*>(info->client_data);
}

[[noreturn]] void Fail(j_decompress_ptr info, int code)
{
    info->err->msg_code = code;
    info->err->error_exit(reinterpret_cast<j_common_ptr>(info));
    std::abort();  // error_exit does not return
}

void ReadInto(j_decompress_ptr info, uint8_t* out, size_t n)
{
    jpeg_source_mgr& src = *info->src;
    while (n > 0) {
        // Our sources never suspend; one that did could not resume inside a marker.
        if (src.bytes_in_buffer == 0 && !src.fill_input_buffer(info))
            Fail(info, JERR_CANT_SUSPEND);
        const size_t take = std::min(n, src.bytes_in_buffer);
        std::memcpy(out, src.next_input_byte, take);
        src.next_input_byte += take;
        src.bytes_in_buffer -= take;
        out += take;
        n -= take;
    }
}

// The payload's length; a length word below 2 counts as no payload, as libjpeg reads it.
size_t PayloadLength(j_decompress_ptr info)
{
    uint8_t word[2];
    ReadInto(info, word, 2);
    const size_t length = size_t{word[0]} << 8 | word[1];
    return length >= 2 ? length - 2 : 0;
}

void Skip(j_decompress_ptr info, size_t n)
{
    if (n > 0)
        info->src->skip_input_data(info, static_cast<long>(n));
}

bool Resized(std::vector<uint8_t>& bytes, size_t n) noexcept
{
    try {
        bytes.resize(n);
        return true;
    } catch (...) {
        return false;
    }
}

bool ChunkAdded(TKeptMarkers& kept, int sequence, int count, size_t bytes) noexcept
{
    try {
        kept.IccChunks.push_back({sequence, count, std::vector<uint8_t>(bytes)});
        return true;
    } catch (...) {
        return false;
    }
}

void DropIcc(TKeptMarkers& kept) noexcept
{
    kept.IccRefused = true;
    std::vector<TIccChunk>().swap(kept.IccChunks);
}

boolean KeepFirstExif(j_decompress_ptr info)
{
    TKeptMarkers& kept = KeptOf(info);
    size_t left = PayloadLength(info);
    if (!kept.HaveExif && left >= ExifHeaderBytes) {
        uint8_t head[ExifHeaderBytes];
        ReadInto(info, head, ExifHeaderBytes);
        left -= ExifHeaderBytes;
        if (std::memcmp(head, "Exif\0\0", ExifHeaderBytes) == 0) {
            if (!Resized(kept.Exif, ExifHeaderBytes + left))
                Fail(info, JERR_OUT_OF_MEMORY);
            std::memcpy(kept.Exif.data(), head, ExifHeaderBytes);
            ReadInto(info, kept.Exif.data() + ExifHeaderBytes, left);
            kept.HaveExif = true;
            return TRUE;
        }
    }
    Skip(info, left);
    return TRUE;
}

boolean KeepIccChunk(j_decompress_ptr info)
{
    TKeptMarkers& kept = KeptOf(info);
    size_t left = PayloadLength(info);
    if (left < IccOverhead) {
        Skip(info, left);
        return TRUE;
    }
    uint8_t head[IccOverhead];
    ReadInto(info, head, IccOverhead);
    left -= IccOverhead;
    if (std::memcmp(head, "ICC_PROFILE", 12) != 0) {
        Skip(info, left);
        return TRUE;
    }
    kept.IccBytes += left;
    // Past either bound some chunk is too large or doubled: no profile comes of them.
    if (!kept.IccRefused && (kept.IccBytes > MaxIccProfileBytes || kept.IccChunks.size() == MaxIccChunks))
        DropIcc(kept);
    if (kept.IccRefused) {
        Skip(info, left);
        return TRUE;
    }
    if (!ChunkAdded(kept, head[12], head[13], left))
        Fail(info, JERR_OUT_OF_MEMORY);
    ReadInto(info, kept.IccChunks.back().Bytes.data(), left);
    return TRUE;
}

}  // namespace

void KeepRecipeMarkers(jpeg_decompress_struct& info, TKeptMarkers& kept)
{
    info.client_data = &kept;
    jpeg_set_marker_processor(&info, JPEG_APP0 + 1, KeepFirstExif);
    jpeg_set_marker_processor(&info, JPEG_APP0 + 2, KeepIccChunk);
}

std::vector<uint8_t> AssembledIccProfile(const TKeptMarkers& kept)
{
    if (kept.IccRefused || kept.IccChunks.empty())
        return {};
    const int count = kept.IccChunks.front().Count;
    std::array<const TIccChunk*, MaxIccChunks + 1> bySequence{};
    for (const TIccChunk& chunk : kept.IccChunks) {
        if (chunk.Count != count || chunk.Sequence < 1 || chunk.Sequence > count || bySequence[chunk.Sequence])
            return {};
        bySequence[chunk.Sequence] = &chunk;
    }
    size_t total = 0;
    for (int s = 1; s <= count; ++s) {
        if (!bySequence[s])
            return {};
        total += bySequence[s]->Bytes.size();
    }
    std::vector<uint8_t> profile;
    profile.reserve(total);
    for (int s = 1; s <= count; ++s)
        profile.insert(profile.end(), bySequence[s]->Bytes.begin(), bySequence[s]->Bytes.end());
    return profile;
}
