#include "IccProfile.h"
#include "decoders/NclxProfile.h"

#include <gtest/gtest.h>

#include <lcms2.h>

#include <array>
#include <chrono>
#include <thread>

namespace {

// Pure sRGB red as the given profile writes it.
std::array<int, 3> SrgbRedIn(const std::vector<uint8_t>& profile)
{
    cmsHPROFILE target = cmsOpenProfileFromMem(profile.data(), cmsUInt32Number(profile.size()));
    cmsHPROFILE srgb = cmsCreate_sRGBProfile();
    cmsHTRANSFORM transform = cmsCreateTransform(srgb, TYPE_RGB_8, target, TYPE_RGB_8, INTENT_RELATIVE_COLORIMETRIC, 0);
    const uint8_t red[3] = {255, 0, 0};
    uint8_t out[3] = {};
    if (transform)
        cmsDoTransform(transform, red, out, 1);
    cmsDeleteTransform(transform);
    cmsCloseProfile(srgb);
    cmsCloseProfile(target);
    return {out[0], out[1], out[2]};
}

}  // namespace

TEST(NclxProfile, SrgbAndBt709NeedNone)
{
    EXPECT_TRUE(ProfileForNclx(1, 13).empty());
    EXPECT_TRUE(ProfileForNclx(1, 1).empty());
    EXPECT_TRUE(ProfileForNclx(2, 2).empty()) << "unspecified means sRGB";
}

TEST(NclxProfile, HdrAndUnknownTransfersGiveNone)
{
    EXPECT_TRUE(ProfileForNclx(9, 16).empty()) << "PQ";
    EXPECT_TRUE(ProfileForNclx(9, 18).empty()) << "HLG";
    EXPECT_TRUE(ProfileForNclx(12, 99).empty());
    EXPECT_TRUE(ProfileForNclx(3, 13).empty()) << "reserved primaries";
}

// Known values: sRGB red is (234, 51, 35) in Display P3, and about (202, 59, 19)
// in BT.2020 primaries with the BT.709 transfer.
TEST(NclxProfile, WideGamutsGiveProfilesOfTheirOwnColours)
{
    const std::vector<uint8_t> p3 = ProfileForNclx(12, 13);
    ASSERT_TRUE(IsWholeRgbProfile(p3.data(), p3.size()));
    const auto inP3 = SrgbRedIn(p3);
    EXPECT_NEAR(inP3[0], 234, 2);
    EXPECT_NEAR(inP3[1], 51, 2);
    EXPECT_NEAR(inP3[2], 35, 2);

    const std::vector<uint8_t> bt2020 = ProfileForNclx(9, 1);
    ASSERT_TRUE(IsWholeRgbProfile(bt2020.data(), bt2020.size()));
    const auto in2020 = SrgbRedIn(bt2020);
    EXPECT_NEAR(in2020[0], 202, 3);
    EXPECT_NEAR(in2020[1], 59, 3);
    EXPECT_NEAR(in2020[2], 19, 3);

    // sRGB primaries with a linear transfer still need a profile.
    const std::vector<uint8_t> linear = ProfileForNclx(1, 8);
    ASSERT_FALSE(linear.empty());
    EXPECT_NEAR(SrgbRedIn(linear)[0], 255, 1);
    EXPECT_LT(SrgbRedIn(linear)[1], 2);
}

TEST(NclxProfile, IsTheSameEveryTime)
{
    const std::vector<uint8_t> first = ProfileForNclx(12, 13);
    std::this_thread::sleep_for(std::chrono::milliseconds(1100));  // past a second of the creation stamp
    EXPECT_EQ(ProfileForNclx(12, 13), first);
}
