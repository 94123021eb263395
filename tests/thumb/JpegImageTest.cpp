#include "RecipeTestSupport.h"

#include "BitmapTools.h"

#include <gtest/gtest.h>

TEST(JpegImage, SettingsAtCreation)
{
    TJPEGImage image;
    EXPECT_EQ(image.CompressionQuality, 90);
    EXPECT_FALSE(image.GrayscaleOutput);
    EXPECT_EQ(image.Performance, TJPEGPerformance::jpBestQuality);
    EXPECT_EQ(image.PixelFormat, TJPEGPixelFormat::jf24Bit);
    EXPECT_FALSE(image.ProgressiveDisplay);
    EXPECT_FALSE(image.ProgressiveEncoding);
    EXPECT_TRUE(image.Smoothing);
    EXPECT_EQ(image.Scale(), TJPEGScale::jsFullSize);
    EXPECT_TRUE(image.Empty());
}

TEST(JpegImage, ChangingTheScaleDecodesAgain)
{
    TJPEGImage image;
    image.LoadFromBytes(MakeTestJpeg(64, 48));
    EXPECT_EQ(image.Bitmap().Width(), 64);
    image.SetScale(TJPEGScale::jsQuarter);
    EXPECT_EQ(image.Bitmap().Width(), 16);
    EXPECT_EQ(image.Bitmap().Height(), 12);
}

TEST(JpegImage, AssignedBitmapIsEncodedKeepingTheProgressiveSetting)
{
    TJPEGImage image;
    image.LoadFromBytes(MakeTestJpeg(64, 48, TJpegKind::Progressive));
    ASSERT_TRUE(image.ProgressiveEncoding);
    auto picture = NewBitmapSized(30, 20, RGBColor(200, 30, 90));
    image.Assign(*picture);
    picture->Canvas().Brush.Color = 0;
    picture->Canvas().FillRect({0, 0, 30, 20});  // the image holds its own copy

    TMemoryStream out;
    image.SaveToStream(out);
    const TEncodedHeader h = ReadEncodedHeader(out.Bytes());
    EXPECT_EQ(h.Width, 30);
    EXPECT_EQ(h.Height, 20);
    EXPECT_TRUE(h.Progressive);
    auto back = DecodeBytes(out.Bytes());
    const TColor c = PixelAt(*back, 15, 10);
    EXPECT_NEAR(RedOf(c), 200, 3);
    EXPECT_NEAR(GreenOf(c), 30, 3);
    EXPECT_NEAR(BlueOf(c), 90, 3);
}

TEST(JpegImage, EmptyPictureWritesNothing)
{
    TJPEGImage image;
    TBitmap empty;
    empty.SetWidth(7);
    image.Assign(empty);
    TMemoryStream out;
    image.SaveToStream(out);
    EXPECT_EQ(out.GetSize(), 0);
}

TEST(JpegImage, ColourProfileIsKeptByAssignAndLeftOutOfGreyEncodes)
{
    const std::vector<uint8_t> profile = TestIccProfile(700);
    TJPEGImage image;
    image.LoadFromBytes(MakeTaggedJpeg(40, 30, IccChunks(profile, 2)));
    EXPECT_EQ(image.IccProfile, profile);
    image.Assign(*NewBitmapSized(20, 10, RGBColor(10, 200, 30)));
    TMemoryStream colour;
    image.SaveToStream(colour);
    TJPEGImage back;
    back.LoadFromBytes(colour.Bytes());
    EXPECT_EQ(back.IccProfile, profile);

    image.GrayscaleOutput = true;
    image.Assign(*NewBitmapSized(20, 10, RGBColor(10, 200, 30)));
    TMemoryStream grey;
    image.SaveToStream(grey);
    EXPECT_EQ(ReadEncodedHeader(grey.Bytes()).Components, 1);
    back.LoadFromBytes(grey.Bytes());
    EXPECT_TRUE(back.IccProfile.empty());
}
