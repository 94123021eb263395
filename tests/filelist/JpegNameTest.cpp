#include "DropIntake.h"
#include "JpegFilter.h"

#include <gtest/gtest.h>

TEST(JpegFilter, TextIsTheRegisteredFormatsNewestFirst)
{
    const std::string& text = JpegFilterText();
    EXPECT_EQ(text.size(), 251u);
    EXPECT_EQ(text.rfind("All (*.jpeg;*.jpe;*.jpg;*.jfif;*.jpg;*.jpeg)|*.jpeg;*.jpe;*.jpg;*.jfif;*.jpg;*.jpeg|", 0), 0u);
    EXPECT_NE(text.find("|JPE images (*.jpe)|*.jpe|"), std::string::npos);
    EXPECT_EQ(text.substr(text.size() - 31), "JPEG Image File (*.jpeg)|*.jpeg");
}

class JpegNamePasses : public ::testing::TestWithParam<const char*> {};

TEST_P(JpegNamePasses, Taken)
{
    EXPECT_TRUE(IsJpegName(std::string("/pics/photo") + GetParam())) << GetParam();
}

// Every piece of the filter text that can follow a dot.
INSTANTIATE_TEST_SUITE_P(SeventeenExtensions, JpegNamePasses,
                         ::testing::Values(".jpg", ".jpeg", ".jpe", ".jfif", ".", ".j", ".jp", ".jf", ".jfi",
                                           ".jpg;", ".jpeg;", ".jpe;", ".jfif;", ".jpg)", ".jpeg)", ".jpe)",
                                           ".jfif)"));

class JpegNameFails : public ::testing::TestWithParam<const char*> {};

TEST_P(JpegNameFails, Ignored)
{
    EXPECT_FALSE(IsJpegName(GetParam())) << GetParam();
}

INSTANTIATE_TEST_SUITE_P(OtherNames, JpegNameFails,
                         ::testing::Values("/pics/a.png", "/pics/a.jpg2", "/pics/a.jpeg1", "/pics/a.jp2",
                                           "/pics/a.j2k", "/pics/noextension", "/pics.jpg/noextension",
                                           "/pics/a.txt", "/pics/a.gif", "/pics/a.jpgx", "/pics/a.ajpg", ""));

TEST(JpegName, CaseOfLettersDoesNotMatter)
{
    EXPECT_TRUE(IsJpegName("/p/IMG_0001.JPEG"));
    EXPECT_TRUE(IsJpegName("/p/a.JfIf"));
    EXPECT_FALSE(IsJpegName("/p/a.PNG"));
}
