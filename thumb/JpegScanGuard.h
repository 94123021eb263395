#pragma once
// libjpeg's progress hook while a picture is decoded: it gives the picture up
// once the stop says so, and bounds the scans. A multi-scan file makes
// libjpeg go over the whole picture once per scan, however little data each
// scan holds, so a small file of many scans can keep it busy for minutes. The
// guard fails a picture past MaxJpegScans scans (JpegCodec.h), and at once when a scan gives
// coefficients a first pass they already had, which no encoder writes.

#include <cstdint>
#include <cstdio>

#include <jpeglib.h>

class TRenderStop;

struct TJpegScanGuard {
    jpeg_progress_mgr Manager{};
    const TRenderStop* Stop = nullptr;  // asked at every call; gives the picture up
    int CheckedScan = 0;
    // The coefficients of each component that had their first pass.
    uint64_t FirstPassDone[MAX_COMPONENTS] = {};
};

// Hooks the guard into info; it must outlive the decode.
void GuardScans(jpeg_decompress_struct& info, TJpegScanGuard& guard);
