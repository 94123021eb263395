#include "BatchRunFixture.h"

#include <unistd.h>

#include <climits>

using ::testing::ElementsAre;

class BatchClearTest : public BatchRunFixture {
protected:
    // An archive holding cat.jpg (portrait) and old.jpg, closed.
    void MakeOldArchive()
    {
        Host.List = {Picture("old/cat.jpg", 240, 320), Picture("old/old.jpg")};
        Run.Go(Host);
        OldCat = Archive().Extract(*Archive().Find("cat.jpg"));
        Host.List = {Picture("new/cat.jpg", 320, 240), Picture("new/fresh.jpg")};
    }

    std::vector<uint8_t> OldCat;
};

TEST_F(BatchClearTest, WithoutClearAnExistingEntryStaysAndNewOnesAreAdded)
{
    MakeOldArchive();
    Run.Go(Host);
    const TZipListing zip = Archive();
    EXPECT_THAT(zip.Names(), ElementsAre("cat.jpg", "old.jpg", "fresh.jpg"));
    EXPECT_EQ(zip.Extract(*zip.Find("cat.jpg")), OldCat);
    EXPECT_EQ(zip.Comment, "Made with Plinkavorte");
}

TEST_F(BatchClearTest, WithClearTheArchiveIsRebuiltFromTheList)
{
    MakeOldArchive();
    Host.Clear = true;
    Run.Go(Host);
    const TZipListing zip = Archive();
    EXPECT_THAT(zip.Names(), ElementsAre("cat.jpg", "fresh.jpg"));
    const TDecodedJpeg cat = Thumbnail(zip, "cat.jpg");
    EXPECT_GT(cat.Width, cat.Height) << "the new landscape thumbnail";
}

TEST_F(BatchClearTest, ClearReplacesAnOldZipThatIsNoArchive)
{
    WriteBytes(Host.Archive, {'j', 'u', 'n', 'k', ' ', 't', 'e', 'x', 't'});
    ListPictures(1);

    EXPECT_EQ(MessageOf([&] { Run.Go(Host); }), "Unhandled Archive Type") << "without Clear";
    EXPECT_EQ(ReadBytes(Host.Archive).size(), 9u) << "without Clear the file is left alone";

    Host.Clear = true;
    Run.Go(Host);
    EXPECT_THAT(Archive().Names(), ElementsAre("p1.jpg"));
}

TEST_F(BatchClearTest, ClearNeverDeletesAPhotoNamedInTheZipField)
{
    const std::string photo = Picture("photo.jpg");
    const std::vector<uint8_t> before = ReadBytes(photo);
    ListPictures(1);
    Host.Archive = photo;
    Host.Clear = true;

    EXPECT_EQ(MessageOf([&] { Run.Go(Host); }), "Unhandled Archive Type");
    EXPECT_EQ(ReadBytes(photo), before);
    EXPECT_EQ(Host.Caption, "Plinkavorte");
    EXPECT_TRUE(Zipper.FileName().empty());
}

TEST_F(BatchClearTest, ClearNeverDeletesAFileNamedWithoutAFullPath)
{
    char previous[PATH_MAX];
    ASSERT_NE(::getcwd(previous, sizeof previous), nullptr);
    ASSERT_EQ(::chdir(Dir.Path().c_str()), 0);
    WriteBytes(Dir.File("rel.zip"), {'k', 'e', 'e', 'p'});
    ListPictures(1);
    Host.Archive = "rel.zip";
    Host.Clear = true;

    const std::string message = MessageOf([&] { Run.Go(Host); });
    const bool stillThere = ::access(Dir.File("rel.zip").c_str(), F_OK) == 0;
    ASSERT_EQ(::chdir(previous), 0);
    EXPECT_EQ(message, "Full Path Required");
    EXPECT_TRUE(stillThere);
}

TEST_F(BatchClearTest, ClearWithoutAnOldFileSimplyCreatesTheArchive)
{
    ListPictures(2);
    Host.Clear = true;
    Run.Go(Host);
    EXPECT_THAT(Archive().Names(), ElementsAre("p1.jpg", "p2.jpg"));
}
