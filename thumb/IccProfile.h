#pragma once
// The colour profile a JPEG carries in its APP2 "ICC_PROFILE" markers. A
// thumbnail keeps its picture's profile only when the profile is whole and
// describes RGB, the thumbnail's own colour space.

#include <cstddef>
#include <cstdint>

// Larger profiles are dropped: real ones are a few kilobytes.
constexpr size_t MaxIccProfileBytes = size_t{1} << 20;

// A header of 128 bytes whose size field gives the length, with the profile
// signature, and "RGB " as its colour space; at most MaxIccProfileBytes.
bool IsWholeRgbProfile(const uint8_t* data, size_t size);
