#include "RecipeTestSupport.h"

#include "DngFixture.h"
#include "IccProfile.h"
#include "PictureFixtures.h"
#include "decoders/PictureDecoder.h"
#include "decoders/PixelRows.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

struct TKindCase {
    const char* File;
    bool Profile;  // the thumbnail carries a colour profile
    double MostDifference = 3.0;
};

std::ostream& operator<<(std::ostream& out, const TKindCase& c)
{
    return out << c.File;
}

std::unique_ptr<TBitmap> AsBitmap(const TReferenceThumbnail& reference)
{
    auto bitmap = std::make_unique<TBitmap>();
    bitmap->SetSize(reference.Width, reference.Height);
    for (int y = 0; y < reference.Height; ++y)
        RgbToBgr(reference.Rgb.data() + size_t(y) * reference.Width * 3, reference.Width, bitmap->ScanLine(y));
    return bitmap;
}

// The fixture, or an empty string when this machine could not make it.
std::string Fixture(const std::string& name)
{
    const std::string& folder = PictureFixtureFolder();
    if (folder.empty() || !std::filesystem::exists(folder + "/" + name))
        return {};
    return folder + "/" + name;
}

}  // namespace

class PictureKinds : public ::testing::TestWithParam<TKindCase> {};

// Right size, right way up, the pixels of an independent decoder, the profile
// carried, and the same pixels from the batch and the preview.
TEST_P(PictureKinds, MatchAnIndependentThumbnail)
{
    const TKindCase& c = GetParam();
    const std::string path = Fixture(c.File);
    if (path.empty())
        GTEST_SKIP() << "python3 with Pillow, or heif-enc, cannot make " << c.File;
    TThumbnailSettings settings;
    auto preview = Preview(path, settings);
    ASSERT_EQ(preview->Width(), 200);
    ASSERT_EQ(preview->Height(), 125);

    const TReferenceThumbnail reference = ReferenceThumbnail(path, settings.MaxSize, settings.BackColor);
    ASSERT_EQ(reference.Width, 200) << "the independent decoder failed";
    ASSERT_EQ(reference.Height, 125);
    EXPECT_LT(MeanDifference(*preview, *AsBitmap(reference)), c.MostDifference);

    auto batch = Batch(path, settings);
    EXPECT_TRUE(SamePixels(*batch->Bitmap, *preview));
    const TEncodedHeader header = ReadEncodedHeader(batch->Stream.Bytes());
    EXPECT_EQ(header.Width, 200);
    EXPECT_FALSE(header.Progressive);
    TJPEGImage encoded;
    encoded.LoadFromBytes(batch->Stream.Bytes());
    EXPECT_EQ(!encoded.IccProfile.empty(), c.Profile);
}

INSTANTIATE_TEST_SUITE_P(Png, PictureKinds,
                         ::testing::Values(TKindCase{"rgb8.png", false}, TKindCase{"rgb16.png", false},
                                           TKindCase{"interlaced.png", false}, TKindCase{"palette.png", false},
                                           TKindCase{"grey.png", false}, TKindCase{"grey16.png", false},
                                           TKindCase{"alpha.png", false}, TKindCase{"iccp.png", true},
                                           TKindCase{"exif6.png", false}));
INSTANTIATE_TEST_SUITE_P(Webp, PictureKinds,
                         ::testing::Values(TKindCase{"lossy.webp", false}, TKindCase{"lossless.webp", false},
                                           TKindCase{"alpha.webp", false}, TKindCase{"iccp.webp", true},
                                           TKindCase{"animated.webp", false}));
INSTANTIATE_TEST_SUITE_P(Tiff, PictureKinds,
                         ::testing::Values(TKindCase{"rgb8.tif", false}, TKindCase{"rgb16.tif", false},
                                           TKindCase{"grey.tif", false}, TKindCase{"cmyk.tif", false},
                                           TKindCase{"palette.tif", false}, TKindCase{"multipage.tif", false},
                                           TKindCase{"orient6.tif", false}, TKindCase{"alpha.tif", false},
                                           TKindCase{"iccp.tif", true}, TKindCase{"cmyk_profile.tif", false}));
INSTANTIATE_TEST_SUITE_P(Heif, PictureKinds,
                         ::testing::Values(TKindCase{"plain.heic", false}, TKindCase{"thumbnail.heic", false},
                                           TKindCase{"rotated.heic", false}, TKindCase{"iccp.heic", true},
                                           TKindCase{"p3.heic", true}, TKindCase{"alpha.heic", false},
                                           TKindCase{"plain.avif", false}, TKindCase{"alpha.avif", false},
                                           TKindCase{"p3.avif", true}, TKindCase{"odd_nclx.avif", false}));

// A thumbnail image as large as the thumbnail is decoded instead of the
// picture; a smaller one is passed over.
TEST(HeifThumbnails, AreUsedOnlyWhenTheyAreLargeEnough)
{
    const std::string path = Fixture("thumbnail.heic");
    if (path.empty())
        GTEST_SKIP() << "heif-enc cannot make a HEIC file here";
    const std::vector<uint8_t> bytes = ReadBytes(path);
    const TDecodedPicture small = HeifDecoder.Decode(bytes, {200, TThumbnailSettings{}.BackColor});
    EXPECT_EQ(small.Bitmap->Width(), 320) << "the 320 x 200 thumbnail image";
    const TDecodedPicture large = HeifDecoder.Decode(bytes, {400, TThumbnailSettings{}.BackColor});
    EXPECT_EQ(large.Bitmap->Width(), 640) << "the whole 640 x 400 picture";
    EXPECT_LT(small.Room->Taken(), large.Room->Taken() / 3) << "the budget counts what is decoded";
}
