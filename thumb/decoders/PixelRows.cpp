#include "PixelRows.h"

#include <algorithm>

namespace {

inline uint8_t Blend(int colour, int alpha, int back)
{
    return uint8_t((colour * alpha + back * (255 - alpha) + 127) / 255);
}

inline uint8_t AddBack(int colour, int alpha, int back)
{
    return uint8_t(std::min(255, colour + (back * (255 - alpha) + 127) / 255));
}

}  // namespace

void RgbToBgr(const uint8_t* rgb, int32_t count, uint8_t* bgr)
{
    for (int32_t i = 0; i < count; ++i, rgb += 3, bgr += 3) {
        bgr[0] = rgb[2];
        bgr[1] = rgb[1];
        bgr[2] = rgb[0];
    }
}

void RgbaOnBackground(const uint8_t* rgba, int32_t count, TColor background, uint8_t* bgr)
{
    const int r = RedOf(background), g = GreenOf(background), b = BlueOf(background);
    for (int32_t i = 0; i < count; ++i, rgba += 4, bgr += 3) {
        const int a = rgba[3];
        bgr[0] = Blend(rgba[2], a, b);
        bgr[1] = Blend(rgba[1], a, g);
        bgr[2] = Blend(rgba[0], a, r);
    }
}

void PremultipliedRgbaOnBackground(const uint8_t* rgba, int32_t count, TColor background, uint8_t* bgr)
{
    const int r = RedOf(background), g = GreenOf(background), b = BlueOf(background);
    for (int32_t i = 0; i < count; ++i, rgba += 4, bgr += 3) {
        const int a = rgba[3];
        bgr[0] = AddBack(rgba[2], a, b);
        bgr[1] = AddBack(rgba[1], a, g);
        bgr[2] = AddBack(rgba[0], a, r);
    }
}
