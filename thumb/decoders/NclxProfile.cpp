#include "NclxProfile.h"

#include <algorithm>
#include <array>
#include <iterator>
#include <memory>

#include <lcms2.h>

namespace {

struct TPrimaries {
    int Code;
    const char* Name;
    double Red[2], Green[2], Blue[2], White[2];
};

constexpr double D65[2] = {0.3127, 0.3290};
constexpr double IlluminantC[2] = {0.310, 0.316};

constexpr std::array<TPrimaries, 9> KnownPrimaries{{
    {4, "BT.470 System M", {0.67, 0.33}, {0.21, 0.71}, {0.14, 0.08}, {IlluminantC[0], IlluminantC[1]}},
    {5, "BT.470 System B, G", {0.64, 0.33}, {0.29, 0.60}, {0.15, 0.06}, {D65[0], D65[1]}},
    {6, "SMPTE 170M", {0.630, 0.340}, {0.310, 0.595}, {0.155, 0.070}, {D65[0], D65[1]}},
    {7, "SMPTE 240M", {0.630, 0.340}, {0.310, 0.595}, {0.155, 0.070}, {D65[0], D65[1]}},
    {8, "Generic film", {0.681, 0.319}, {0.243, 0.692}, {0.145, 0.049}, {IlluminantC[0], IlluminantC[1]}},
    {9, "BT.2020", {0.708, 0.292}, {0.170, 0.797}, {0.131, 0.046}, {D65[0], D65[1]}},
    {11, "DCI-P3", {0.680, 0.320}, {0.265, 0.690}, {0.150, 0.060}, {0.314, 0.351}},
    {12, "Display P3", {0.680, 0.320}, {0.265, 0.690}, {0.150, 0.060}, {D65[0], D65[1]}},
    {22, "EBU Tech 3213", {0.630, 0.340}, {0.295, 0.605}, {0.155, 0.077}, {D65[0], D65[1]}},
}};

// Parameters of LittleCMS curve type 4: Y = (aX + b)^g above d, cX below.
struct TTransfer {
    int Type;  // 1: pure gamma, 4: with a linear toe
    double Params[5];
};

bool IsSrgbLikeTransfer(int transfer)
{
    return transfer == 1 || transfer == 2 || transfer == 6 || transfer == 13 || transfer == 14 || transfer == 15;
}

bool TransferOf(int transfer, TTransfer& out)
{
    switch (transfer) {
    case 1: case 6: case 14: case 15:  // BT.709, BT.601, BT.2020
        out = {4, {1 / 0.45, 1 / 1.099, 0.099 / 1.099, 1 / 4.5, 0.081}};
        return true;
    case 2: case 13:  // unspecified is taken as sRGB, as phones mean it
        out = {4, {2.4, 1 / 1.055, 0.055 / 1.055, 1 / 12.92, 0.04045}};
        return true;
    case 4: out = {1, {2.2}}; return true;
    case 5: out = {1, {2.8}}; return true;
    case 7: out = {4, {1 / 0.45, 1 / 1.1115, 0.1115 / 1.1115, 1 / 4.0, 0.0913}}; return true;
    case 8: out = {1, {1.0}}; return true;
    default: return false;  // PQ, HLG, logarithmic and unknown ones
    }
}

const TPrimaries* PrimariesOf(int code)
{
    for (const auto& p : KnownPrimaries)
        if (p.Code == code)
            return &p;
    return nullptr;
}

struct TCurveDeleter {
    void operator()(cmsToneCurve* c) const { cmsFreeToneCurve(c); }
};
struct TProfileDeleter {
    void operator()(void* p) const { cmsCloseProfile(p); }
};
struct TMluDeleter {
    void operator()(cmsMLU* m) const { cmsMLUfree(m); }
};

// LittleCMS stamps a profile with the moment it was made; a fixed date keeps
// the thumbnail of one picture the same from run to run and job to job.
void FixCreationDate(std::vector<uint8_t>& profile)
{
    constexpr size_t DateOffset = 24;
    constexpr uint8_t Date[12] = {0x07, 0xD0, 0, 1, 0, 1, 0, 0, 0, 0, 0, 0};  // 2000-01-01 00:00:00
    std::copy(std::begin(Date), std::end(Date), profile.begin() + DateOffset);
}

std::vector<uint8_t> Serialised(cmsHPROFILE profile)
{
    cmsUInt32Number size = 0;
    if (!cmsSaveProfileToMem(profile, nullptr, &size) || size < 128)
        return {};
    std::vector<uint8_t> bytes(size);
    if (!cmsSaveProfileToMem(profile, bytes.data(), &size))
        return {};
    FixCreationDate(bytes);
    return bytes;
}

}  // namespace

std::vector<uint8_t> ProfileForNclx(int primaries, int transfer)
{
    const bool srgbPrimaries = primaries == 1 || primaries == 2;
    if (srgbPrimaries && IsSrgbLikeTransfer(transfer))
        return {};
    const TPrimaries sRGB{1, "sRGB primaries", {0.64, 0.33}, {0.30, 0.60}, {0.15, 0.06}, {D65[0], D65[1]}};
    const TPrimaries* p = srgbPrimaries ? &sRGB : PrimariesOf(primaries);
    TTransfer curve;
    if (!p || !TransferOf(transfer, curve))
        return {};

    const cmsCIExyY white{p->White[0], p->White[1], 1.0};
    const cmsCIExyYTRIPLE triple{{p->Red[0], p->Red[1], 1.0}, {p->Green[0], p->Green[1], 1.0},
                                 {p->Blue[0], p->Blue[1], 1.0}};
    std::unique_ptr<cmsToneCurve, TCurveDeleter> tone(cmsBuildParametricToneCurve(nullptr, curve.Type, curve.Params));
    if (!tone)
        return {};
    cmsToneCurve* curves[3] = {tone.get(), tone.get(), tone.get()};
    std::unique_ptr<void, TProfileDeleter> profile(cmsCreateRGBProfile(&white, &triple, curves));
    if (!profile)
        return {};
    std::unique_ptr<cmsMLU, TMluDeleter> description(cmsMLUalloc(nullptr, 1));
    if (description && cmsMLUsetASCII(description.get(), "en", "US", p->Name))
        cmsWriteTag(profile.get(), cmsSigProfileDescriptionTag, description.get());
    return Serialised(profile.get());
}
