#include "JpegScanGuard.h"

#include "JpegCodec.h"
#include "RenderStop.h"

#include <cstdlib>

#include <jerror.h>

namespace {

[[noreturn]] void Fail(j_decompress_ptr info, int code)
{
    info->err->msg_code = code;
    info->err->error_exit(reinterpret_cast<j_common_ptr>(info));
    std::abort();  // error_exit does not return
}

// The coefficients the scan covers; a sequential scan covers them all.
uint64_t BandOf(const jpeg_decompress_struct& info)
{
    if (!info.progressive_mode || info.Ss < 0 || info.Se > 63 || info.Ss > info.Se)
        return ~uint64_t{0};
    const int width = info.Se - info.Ss + 1;
    const uint64_t ones = width == 64 ? ~uint64_t{0} : (uint64_t{1} << width) - 1;
    return ones << info.Ss;
}

void CheckScan(j_decompress_ptr info, TJpegScanGuard& guard)
{
    if (info->input_scan_number > MaxJpegScans)
        Fail(info, JpegTooManyScans);
    // Refinements (Ah > 0) are checked by libjpeg, whose warning is fatal here.
    if (info->progressive_mode && info->Ah != 0)
        return;
    const uint64_t band = BandOf(*info);
    for (int i = 0; i < info->comps_in_scan; ++i) {
        const int component = info->cur_comp_info[i]->component_index;
        if (component < 0 || component >= MAX_COMPONENTS)
            continue;
        if (guard.FirstPassDone[component] & band)
            Fail(info, JWRN_BOGUS_PROGRESSION);
        guard.FirstPassDone[component] |= band;
    }
}

// Called before every row of input libjpeg takes, and for every output row.
void Monitor(j_common_ptr common)
{
    auto* guard = reinterpret_cast<TJpegScanGuard*>(common->progress);
    auto* info = reinterpret_cast<j_decompress_ptr>(common);
    if (guard->Stop && guard->Stop->GivesUp())
        Fail(info, JpegGivenUp);
    if (info->input_scan_number != guard->CheckedScan) {
        guard->CheckedScan = info->input_scan_number;
        CheckScan(info, *guard);
    }
}

}  // namespace

void GuardScans(jpeg_decompress_struct& info, TJpegScanGuard& guard)
{
    guard.Manager.progress_monitor = Monitor;
    info.progress = &guard.Manager;
}
