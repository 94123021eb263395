#include "PngCheck.h"

#include "Bitmap.h"
#include "ChildProcess.h"
#include "JpegFixtures.h"

#include <cstdio>

#ifndef PLK_PNG_DECODER
#define PLK_PNG_DECODER "png_to_rgb.py"
#endif

std::string ComparePngWithBitmap(const std::string& pngPath, const TBitmap& bitmap)
{
    const std::string rgbPath = pngPath + ".rgb";
    std::string output;
    if (RunShell("python3 '" PLK_PNG_DECODER "' '" + pngPath + "' '" + rgbPath + "'", &output) != 0)
        return "decoder refused the PNG: " + output;
    const std::vector<uint8_t> decoded = ReadBytes(rgbPath);
    std::remove(rgbPath.c_str());

    const std::string header = std::to_string(bitmap.Width()) + " " + std::to_string(bitmap.Height()) + "\n";
    if (decoded.size() < header.size() || std::string(decoded.begin(), decoded.begin() + header.size()) != header)
        return "size differs: expected " + header;
    size_t at = header.size();
    if (decoded.size() != at + 3u * bitmap.Width() * bitmap.Height())
        return "pixel byte count differs";
    for (int y = 0; y < bitmap.Height(); ++y) {
        const uint8_t* row = bitmap.ScanLine(y);
        for (int x = 0; x < bitmap.Width(); ++x, at += 3)
            if (decoded[at] != row[3 * x + 2] || decoded[at + 1] != row[3 * x + 1] || decoded[at + 2] != row[3 * x])
                return "pixel (" + std::to_string(x) + ", " + std::to_string(y) + ") differs";
    }
    return {};
}
