#include "ClearGuard.h"
#include "EntryName.h"
#include "Errors.h"

#include <gtest/gtest.h>

TEST(EntryName, IsTheTextAfterTheLastSlashWithCaseAndExtensionKept)
{
    EXPECT_EQ(EntryNameOf("/home/ann/Photos/IMG_0001.JPEG"), "IMG_0001.JPEG");
    EXPECT_EQ(EntryNameOf("/x/y.z/pic.jfif"), "pic.jfif");
    EXPECT_EQ(EntryNameOf("bare.jpg"), "bare.jpg");
    EXPECT_EQ(EntryNameOf("/folder/"), "");
    // Backslashes and colons are ordinary name characters here.
    EXPECT_EQ(EntryNameOf("/x/a\\b:c.jpg"), "a\\b:c.jpg");
}

TEST(EntryName, OtherKindsAreStoredUnderAJpegExtension)
{
    EXPECT_EQ(EntryNameOf("/dcim/IMG_0001.HEIC"), "IMG_0001.JPG");
    EXPECT_EQ(EntryNameOf("/dcim/IMG_0001.CR2"), "IMG_0001.JPG") << "digits do not make capitals lower case";
    EXPECT_EQ(EntryNameOf("/shots/shot.png"), "shot.jpg");
    EXPECT_EQ(EntryNameOf("/shots/Shot.Webp"), "Shot.jpg") << "mixed case counts as lower case";
    EXPECT_EQ(EntryNameOf("/scans/a.b.tiff"), "a.b.jpg") << "only the last extension is replaced";
    EXPECT_EQ(EntryNameOf("/pics.png/photo.JPE"), "photo.JPE");
    EXPECT_EQ(EntryNameOf("/p/a.heic.jpeg"), "a.heic.jpeg");
}

TEST(ClearGuard, OnlyAbsoluteZipOrJarNamesMayBeCleared)
{
    EXPECT_TRUE(OpensAsNewZip("/out/thumbs.zip"));
    EXPECT_TRUE(OpensAsNewZip("/out/THUMBS.Zip"));
    EXPECT_TRUE(OpensAsNewZip("/out/lib.jar"));
    EXPECT_FALSE(OpensAsNewZip("thumbs.zip"));
    EXPECT_FALSE(OpensAsNewZip("/out/photo.jpg"));
    EXPECT_FALSE(OpensAsNewZip("/out/thumbs"));
    EXPECT_FALSE(OpensAsNewZip("/out/thumbs.zip.jpg"));
    EXPECT_FALSE(OpensAsNewZip("/out.zip/thumbs")) << "a dot in a folder name is no extension";
    EXPECT_FALSE(OpensAsNewZip("/out/thumbs.tar"));
    EXPECT_FALSE(OpensAsNewZip(""));
}

TEST(ClearGuard, RefusalCarriesTheMessageOpeningWouldGive)
{
    auto messageOf = [](const std::string& name) {
        try {
            RequireNewZipName(name);
        } catch (const Exception& e) {
            return e.Message();
        }
        return std::string("(accepted)");
    };
    EXPECT_EQ(messageOf("thumbs.zip"), "Full Path Required");
    EXPECT_EQ(messageOf("relative/photo.jpg"), "Full Path Required");
    EXPECT_EQ(messageOf("/out/photo.jpg"), "Unhandled Archive Type");
    EXPECT_EQ(messageOf("/out/thumbs"), "Unhandled Archive Type");
    EXPECT_EQ(messageOf("/out/thumbs.zip"), "(accepted)");
}
