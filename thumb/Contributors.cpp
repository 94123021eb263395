#include "Resample.h"

#include <algorithm>
#include <cmath>

namespace {

// One reflection into the line; what that leaves outside goes to the nearest end.
int32_t ReflectIndex(int64_t j, int32_t length)
{
    if (j < 0)
        j = -j;
    else if (j >= length)
        j = 2 * int64_t(length) - 1 - j;
    return static_cast<int32_t>(std::clamp<int64_t>(j, 0, length - 1));
}

}  // namespace

float ResampleScale(int32_t sourceLength, int32_t targetLength)
{
    if (sourceLength == 1 || targetLength == 1)
        return static_cast<float>(targetLength) / static_cast<float>(sourceLength);
    return static_cast<float>(targetLength - 1) / static_cast<float>(sourceLength - 1);
}

void TContributorList::Build(int32_t sourceLength, int32_t targetLength, float scale, float radius,
                             TFilterProc filter)
{
    const bool shrinking = scale < 1.0f;
    const float support = shrinking ? radius / scale : radius;
    const float filterScale = shrinking ? scale : 1.0f;
    FCapacity = static_cast<int32_t>(2.0f * support + 1.0f);
    const int32_t count = std::max(targetLength, 0);
    FCounts.assign(static_cast<size_t>(count), 0);
    FTotals.assign(static_cast<size_t>(count), 0);
    FOffsets.resize(static_cast<size_t>(count));
    FItems.resize(static_cast<size_t>(count) * static_cast<size_t>(FCapacity));

    for (int32_t i = 0; i < count; ++i) {
        const size_t offset = static_cast<size_t>(i) * static_cast<size_t>(FCapacity);
        FOffsets[i] = offset;
        const float centre = static_cast<float>(i) / scale;
        const auto left = static_cast<int64_t>(std::floor(centre - support));
        const auto right = static_cast<int64_t>(std::ceil(centre + support));
        int32_t n = 0, total = 0;
        for (int64_t j = left; j <= right && n < FCapacity; ++j) {
            const float x = (centre - static_cast<float>(j)) * filterScale;
            const double value = static_cast<double>(filter(x)) * filterScale * 256.0;
            const auto weight = static_cast<int32_t>(std::nearbyint(value));  // ties to even
            if (weight == 0)
                continue;
            FItems[offset + n] = {weight, ReflectIndex(j, sourceLength)};
            total += weight;
            ++n;
        }
        FCounts[i] = n;
        FTotals[i] = total;
    }
}
