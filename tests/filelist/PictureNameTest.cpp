#include "DropIntake.h"

#include <gtest/gtest.h>

class PictureNamePasses : public ::testing::TestWithParam<const char*> {};

TEST_P(PictureNamePasses, Taken)
{
    EXPECT_TRUE(IsPictureName(std::string("/pics/photo") + GetParam())) << GetParam();
}

INSTANTIATE_TEST_SUITE_P(EveryKind, PictureNamePasses,
                         ::testing::Values(".jpg", ".jpeg", ".jpe", ".jfif", ".heic", ".heif", ".hif", ".avif",
                                           ".png", ".webp", ".tif", ".tiff", ".dng", ".cr2", ".cr3", ".nef", ".nrw",
                                           ".arw", ".raf", ".orf", ".rw2", ".pef", ".srw", ".JPG", ".HEIC", ".Png",
                                           ".x.jpg"));

class PictureNameFails : public ::testing::TestWithParam<const char*> {};

TEST_P(PictureNameFails, Ignored)
{
    EXPECT_FALSE(IsPictureName(GetParam())) << GetParam();
}

// Pieces and neighbours of listed extensions were once taken, and a folder
// holding one of them ended the run with a JPEG error.
INSTANTIATE_TEST_SUITE_P(OtherNames, PictureNameFails,
                         ::testing::Values("/p/notes.", "/p/f.j", "/p/g.jp", "/p/h.jf", "/p/i.jfi", "/p/k.jpeg)",
                                           "/p/l.jpg;", "/p/a.jpg2", "/p/a.jpeg1", "/p/a.jp2", "/p/a.j2k",
                                           "/p/a.gif", "/p/a.txt", "/p/a.jpgx", "/p/a.ajpg", "/p/a.pn",
                                           "/p/a.heics", "/p/noextension", "/pics.jpg/noextension", "/p/.jpg.",
                                           ""));
