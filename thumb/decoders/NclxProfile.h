#pragma once
// A HEIF or AVIF picture may name its colours by code points (ITU-T H.273)
// instead of carrying a profile. Where those colours are not the sRGB a
// viewer assumes, the thumbnail gets a profile made from them.

#include <cstdint>
#include <vector>

// An ICC profile for the primaries and transfer given, or empty where none is
// needed (sRGB and BT.709) or none fits (HDR transfers, unknown code points).
std::vector<uint8_t> ProfileForNclx(int primaries, int transfer);
