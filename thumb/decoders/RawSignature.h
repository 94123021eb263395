#pragma once
// Camera RAW files told from their first bytes. Most RAW kinds are TIFF files
// underneath; what sets them apart is a DNG version, a sensor (CFA) picture,
// or a maker's own signature.

#include <cstdint>
#include <span>

bool LooksLikeCameraRaw(std::span<const uint8_t> file);
