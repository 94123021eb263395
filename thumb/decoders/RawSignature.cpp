#include "RawSignature.h"

#include <cstring>

namespace {

constexpr uint16_t SubIfdsTag = 330;
constexpr uint16_t PhotometricTag = 262;
constexpr uint16_t DngVersionTag = 50706;
constexpr uint16_t CfaPhotometric = 32803;
constexpr uint16_t LinearRawPhotometric = 34892;
constexpr int MostSubIfds = 8;

class TTiffWalker {
public:
    explicit TTiffWalker(std::span<const uint8_t> file) : FFile(file), FBig(file[0] == 'M') {}

    bool U16(uint64_t at, uint16_t& v) const
    {
        if (at + 2 > FFile.size())
            return false;
        const uint8_t* p = FFile.data() + at;
        v = FBig ? uint16_t(p[0] << 8 | p[1]) : uint16_t(p[1] << 8 | p[0]);
        return true;
    }

    bool U32(uint64_t at, uint32_t& v) const
    {
        uint16_t a = 0, b = 0;
        if (!U16(at, a) || !U16(at + 2, b))
            return false;
        v = FBig ? uint32_t(a) << 16 | b : uint32_t(b) << 16 | a;
        return true;
    }

    // A directory marks a RAW file by a DNG version or a sensor picture;
    // subIfds (optional) receives where its sub-directories are listed.
    bool MarksRaw(uint32_t ifd, uint32_t* subIfdCount, uint32_t* subIfdList) const
    {
        uint16_t count = 0;
        if (!U16(ifd, count))
            return false;
        for (uint32_t i = 0; i < count; ++i) {
            const uint64_t entry = uint64_t(ifd) + 2 + uint64_t(i) * 12;
            uint16_t tag = 0, value = 0;
            uint32_t n = 0, offset = 0;
            if (!U16(entry, tag) || !U32(entry + 4, n) || !U16(entry + 8, value) || !U32(entry + 8, offset))
                return false;
            if (tag == DngVersionTag)
                return true;
            if (tag == PhotometricTag && (value == CfaPhotometric || value == LinearRawPhotometric))
                return true;
            if (tag == SubIfdsTag && subIfdCount) {
                *subIfdCount = n;
                *subIfdList = n == 1 ? uint32_t(entry + 8) : offset;  // one offset sits in the entry itself
            }
        }
        return false;
    }

private:
    std::span<const uint8_t> FFile;
    bool FBig;
};

bool StartsWith(std::span<const uint8_t> file, const char* text, size_t length)
{
    return file.size() >= length && std::memcmp(file.data(), text, length) == 0;
}

bool IsTiffHeader(std::span<const uint8_t> file)
{
    return StartsWith(file, "II*\0", 4) || StartsWith(file, "MM\0*", 4);
}

bool TiffHoldsRaw(std::span<const uint8_t> file)
{
    if (file.size() >= 10 && file[8] == 'C' && file[9] == 'R')  // CR2
        return true;
    const TTiffWalker walker(file);
    uint32_t ifd = 0, subCount = 0, subList = 0;
    if (!walker.U32(4, ifd))
        return false;
    if (walker.MarksRaw(ifd, &subCount, &subList))
        return true;
    for (uint32_t i = 0; i < subCount && i < MostSubIfds; ++i) {
        uint32_t sub = 0;
        if (walker.U32(uint64_t(subList) + 4 * i, sub) && walker.MarksRaw(sub, nullptr, nullptr))
            return true;
    }
    return false;
}

}  // namespace

bool LooksLikeCameraRaw(std::span<const uint8_t> file)
{
    if (StartsWith(file, "FUJIFILMCCD-RAW", 15))                                      // RAF
        return true;
    if (file.size() >= 12 && std::memcmp(file.data() + 4, "ftypcrx ", 8) == 0)        // CR3
        return true;
    if (StartsWith(file, "IIRO", 4) || StartsWith(file, "IIRS", 4) || StartsWith(file, "MMOR", 4))  // ORF
        return true;
    if (StartsWith(file, "IIU\0", 4))                                                  // RW2
        return true;
    return IsTiffHeader(file) && TiffHoldsRaw(file);
}
