#include "Resample.h"

#include <cmath>

namespace {

constexpr double Pi = 3.14159265358979323846;

float Sinc(float t)
{
    if (t == 0.0f)
        return 1.0f;
    const auto p = static_cast<float>(Pi * t);
    return static_cast<float>(std::sin(static_cast<double>(p))) / p;
}

const TFilterInfo Filters[FilterCount] = {
    {BoxFilter, 0.5f},    {TriangleFilter, 1.0f}, {HermiteFilter, 1.0f}, {BellFilter, 1.5f},
    {SplineFilter, 2.0f}, {Lanczos3Kernel, 3.0f}, {MitchellFilter, 2.0f},
};

}  // namespace

const TFilterInfo& FilterByCode(int code)
{
    return Filters[code >= 0 && code < FilterCount ? code : 5];
}

float BoxFilter(float x)
{
    return x > -0.5f && x <= 0.5f ? 1.0f : 0.0f;
}

float TriangleFilter(float x)
{
    const float t = std::fabs(x);
    return t < 1.0f ? 1.0f - t : 0.0f;
}

float HermiteFilter(float x)
{
    const float t = std::fabs(x);
    return t < 1.0f ? (2.0f * t - 3.0f) * t * t + 1.0f : 0.0f;
}

float BellFilter(float x)
{
    const float t = std::fabs(x);
    if (t < 0.5f)
        return 0.75f - t * t;
    if (t < 1.5f) {
        const float u = t - 1.5f;
        return 0.5f * u * u;
    }
    return 0.0f;
}

float SplineFilter(float x)
{
    const float t = std::fabs(x);
    if (t < 1.0f)
        return 0.5f * t * t * t - t * t + 2.0f / 3.0f;
    if (t < 2.0f) {
        const float u = 2.0f - t;
        return u * u * u / 6.0f;
    }
    return 0.0f;
}

float Lanczos3Kernel(float x)
{
    x = std::fabs(x);
    if (x >= 3.0f)
        return 0.0f;
    const float third = x / 3.0f;
    return Sinc(x) * Sinc(third);
}

float MitchellFilter(float x)
{
    const float t = std::fabs(x);
    const float t2 = t * t, t3 = t2 * t;
    if (t < 1.0f)
        return (7.0f * t3 - 12.0f * t2 + 16.0f / 3.0f) / 6.0f;
    if (t < 2.0f)
        return (-7.0f / 3.0f * t3 + 12.0f * t2 - 20.0f * t + 32.0f / 3.0f) / 6.0f;
    return 0.0f;
}
