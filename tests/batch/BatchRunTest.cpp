#include "BatchRunFixture.h"
#include "DngFixture.h"
#include "MemoryStream.h"

using ::testing::ElementsAre;

namespace {

std::vector<std::string> FirstNames(int count)
{
    std::vector<std::string> names;
    for (int k = 1; k <= count; ++k) {
        const std::string number = std::to_string(k);
        names.push_back("p" + number + ".jpg");
    }
    return names;
}

} // namespace

TEST_F(BatchRunFixture, CompleteRunStoresEveryPictureUnderItsBareNameThenCommentsAndCloses)
{
    Host.List = {Picture("a/IMG_0001.JPEG"), Picture("b/c/holiday.jfif", 240, 320), Picture("Sea.jpe")};
    Run.Go(Host);

    const TZipListing zip = Archive();
    EXPECT_THAT(zip.Names(), ElementsAre("IMG_0001.JPEG", "holiday.jfif", "Sea.jpe"));
    EXPECT_EQ(zip.Comment, "Made with Plinkavorte");
    EXPECT_TRUE(Zipper.FileName().empty()) << "the archive is closed after the run";

    const TDecodedJpeg landscape = Thumbnail(zip, "IMG_0001.JPEG");
    EXPECT_EQ(landscape.Width, 200);
    EXPECT_EQ(landscape.Height, 150);
    const TDecodedJpeg portrait = Thumbnail(zip, "holiday.jfif");
    EXPECT_EQ(portrait.Width, 150);
    EXPECT_EQ(portrait.Height, 200);

    EXPECT_EQ(Host.Caption, "Files 3/3");
    EXPECT_EQ(Host.ProgressMax, 3);
    EXPECT_EQ(Host.Position, 0) << "the bar counts down to empty";
    EXPECT_EQ(Host.MessagesHandled, 3);
    EXPECT_FALSE(Run.Running());
}

TEST_F(BatchRunFixture, StopDuringItemThreeOfTenFinishesThatItemAndStillClosesWithComment)
{
    ListPictures(10);
    std::vector<int> positionsSeen;
    Host.OnMessages = [&](int handled) {
        positionsSeen.push_back(Host.Position);
        if (handled == 3)
            Run.Stop();
    };
    Run.Go(Host);

    const TZipListing zip = Archive();
    EXPECT_EQ(zip.Names(), FirstNames(3));
    EXPECT_EQ(zip.Comment, "Made with Plinkavorte");
    EXPECT_TRUE(Zipper.FileName().empty());
    EXPECT_EQ(Host.Caption, "Files 3/10");
    EXPECT_EQ(Host.ProgressMax, 10);
    EXPECT_EQ(Host.Position, 7);
    EXPECT_THAT(positionsSeen, ElementsAre(9, 8, 7));
}

TEST_F(BatchRunFixture, StopOutsideARunIsClearedByTheNextGo)
{
    ListPictures(2);
    Run.Stop();
    Run.Go(Host);
    EXPECT_EQ(Archive().Names(), FirstNames(2));
}

TEST_F(BatchRunFixture, EmptyArchiveNameOrEmptyListChangesNothing)
{
    ListPictures(2);
    Host.Archive.clear();
    Host.Position = 42;
    Run.Go(Host);
    EXPECT_EQ(Host.Caption, "Plinkavorte");
    EXPECT_EQ(Host.Position, 42);
    EXPECT_EQ(Host.ProgressMax, 100);
    EXPECT_EQ(Host.MessagesHandled, 0);
    EXPECT_TRUE(Zipper.FileName().empty());

    Host.Archive = Dir.File("never.zip");
    Host.List.clear();
    Run.Go(Host);
    EXPECT_EQ(Host.Caption, "Plinkavorte");
    EXPECT_EQ(Host.Position, 42);
    EXPECT_TRUE(Zipper.FileName().empty());
    struct stat info{};
    EXPECT_NE(::stat(Host.Archive.c_str(), &info), 0) << "no archive may be created";
}

TEST_F(BatchRunFixture, ArchiveNameIsAskedTwiceAndTheSecondAnswerIsUsed)
{
    ListPictures(1);
    const std::string second = Dir.File("second.zip");
    struct TTwoNames : TFakeBatchHost {
        std::string Second;
        std::string ArchiveName() override
        {
            return ++ArchiveNameCalls == 1 ? Archive : Second;
        }
    } host;
    host.Archive = Host.Archive;
    host.Second = second;
    host.List = Host.List;
    Run.Go(host);
    EXPECT_EQ(host.ArchiveNameCalls, 2);
    EXPECT_EQ(ReadZipListing(second).Names(), FirstNames(1));
}

TEST_F(BatchRunFixture, DuplicateNamesIgnoringCaseKeepTheFirstPicture)
{
    Host.List = {Picture("a/Cat.JPG", 320, 240), Picture("b/cat.jpg", 240, 320), Picture("b/dog.jpg")};
    Run.Go(Host);

    const TZipListing zip = Archive();
    EXPECT_THAT(zip.Names(), ElementsAre("Cat.JPG", "dog.jpg"));
    const TDecodedJpeg cat = Thumbnail(zip, "Cat.JPG");
    EXPECT_GT(cat.Width, cat.Height) << "the landscape picture listed first is kept";
    EXPECT_EQ(Host.Caption, "Files 3/3") << "a skipped duplicate is no failure";
}

// A camera's RAW and JPEG of one shot share a name once the RAW is stored as
// a JPEG: the first listed is kept, the second skipped. A PNG's name ends in .jpg.
TEST_F(BatchRunFixture, RawAndJpegOfOneShotGiveOneEntry)
{
    TDngContents dng;
    dng.Preview = MakeTestJpeg(600, 400);
    dng.PreviewWidth = 600;
    dng.PreviewHeight = 400;
    WriteBytes(Dir.File("IMG_0001.CR2"), MakeTestDng(dng));
    Host.List = {Dir.File("IMG_0001.CR2"), Picture("IMG_0001.JPG", 240, 320)};
    Run.Go(Host);

    const TZipListing zip = Archive();
    EXPECT_THAT(zip.Names(), ElementsAre("IMG_0001.JPG"));
    const TDecodedJpeg kept = Thumbnail(zip, "IMG_0001.JPG");
    EXPECT_EQ(kept.Width, 200) << "the RAW's landscape thumbnail is the one kept";
    EXPECT_EQ(kept.Height, 133);
}

// Colons and backslashes are ordinary name characters: they once cut the
// stored name down to "30.jpg", and a name cut so was never found again as a
// duplicate, so every run added another copy.
TEST_F(BatchRunFixture, ColonAndBackslashNamesAreStoredWholeAndSkippedOnTheNextRun)
{
    Host.List = {Picture("pics/2024-05-01 10:15:30.jpg"), Picture("pics/2024-05-02 11:20:30.jpg"),
                 Picture("pics/30.jpg"), Picture("pics/a\\b.jpg"), Picture("pics/c:\\d.jpg")};
    Run.Go(Host);
    const std::vector<std::string> stored{"2024-05-01 10:15:30.jpg", "2024-05-02 11:20:30.jpg", "30.jpg",
                                          "a\\b.jpg", "c:\\d.jpg"};
    EXPECT_EQ(Archive().Names(), stored);
    const std::vector<uint8_t> first = ReadBytes(Host.Archive);

    Run.Go(Host);
    EXPECT_EQ(Archive().Names(), stored);
    EXPECT_EQ(Host.Caption, "Files 5/5");
    EXPECT_EQ(ReadBytes(Host.Archive).size(), first.size()) << "the second run added nothing";
}

namespace {

// An archive holding one entry and the comment, written by the session alone.
void MakeArchiveWithComment(const std::string& path, const std::string& comment)
{
    TZipper zipper;
    ConfigureThumbnailZipper(zipper);
    zipper.Open(path);
    TMemoryStream readme;
    readme.WriteBuffer("hello", 5);
    zipper.AddStream("readme.txt", readme);
    zipper.SetComment(comment);
    zipper.Close();
}

} // namespace

// The closing comment once replaced whatever comment the archive had.
TEST_F(BatchRunFixture, AForeignCommentIsKeptAndOursOnlyGoesWhereThereIsNoneOrOurs)
{
    const std::string longest(65535, 'c');
    const std::vector<std::pair<std::string, std::string>> cases{
        {"Holiday 2024 - please keep", "Holiday 2024 - please keep"},
        {longest, longest},
        {"", "Made with Plinkavorte"},
        {"Made with Plinkavorte", "Made with Plinkavorte"},
        {"Made with Plinkavorte 2", "Made with Plinkavorte 2"},
    };
    int n = 0;
    for (const auto& [before, after] : cases) {
        SCOPED_TRACE(before.substr(0, 40));
        TFakeBatchHost host;
        host.Archive = Dir.File("commented" + std::to_string(++n) + ".zip");
        MakeArchiveWithComment(host.Archive, before);
        ASSERT_EQ(ReadZipListing(host.Archive).Comment, before);
        host.List = {Picture("p1.jpg")};
        Run.Go(host);
        TZipListing zip = ReadZipListing(host.Archive);
        EXPECT_EQ(zip.Comment, after);
        EXPECT_THAT(zip.Names(), ElementsAre("readme.txt", "p1.jpg"));

        host.List = {Picture("p2.jpg")};
        Run.Go(host);
        zip = ReadZipListing(host.Archive);
        EXPECT_EQ(zip.Comment, after) << "and on the next run";
        EXPECT_THAT(zip.Names(), ElementsAre("readme.txt", "p1.jpg", "p2.jpg"));
    }
}

TEST_F(BatchRunFixture, SettingsChangedBetweenItemsApplyFromTheNextItem)
{
    ListPictures(3);
    Host.OnMessages = [&](int handled) {
        if (handled == 1)
            Host.Settings.MaxSize = 100;
        if (handled == 2) {
            Host.Settings.Framed = true;
            Host.Settings.Square = true;
            Host.Settings.MaxSize = 120;
        }
    };
    Run.Go(Host);

    ASSERT_EQ(Host.SettingsRead.size(), 3u) << "settings are read for every item";
    const TZipListing zip = Archive();
    const TDecodedJpeg first = Thumbnail(zip, "p1.jpg");
    const TDecodedJpeg second = Thumbnail(zip, "p2.jpg");
    const TDecodedJpeg third = Thumbnail(zip, "p3.jpg");
    EXPECT_EQ(first.Width, 200);
    EXPECT_EQ(second.Width, 100);
    EXPECT_EQ(second.Height, 75);
    EXPECT_EQ(third.Width, 120);
    EXPECT_EQ(third.Height, 120) << "framed square";
}

TEST_F(BatchRunFixture, GoDuringARunIsIgnored)
{
    ListPictures(3);
    bool runningInside = false;
    int namesAskedInside = -1;
    Host.OnMessages = [&](int handled) {
        if (handled != 1)
            return;
        runningInside = Run.Running();
        const int before = Host.ArchiveNameCalls;
        const std::string caption = Host.Caption;
        Run.Go(Host);
        namesAskedInside = Host.ArchiveNameCalls - before;
        EXPECT_EQ(Host.Caption, caption);
    };
    Run.Go(Host);

    EXPECT_TRUE(runningInside);
    EXPECT_EQ(namesAskedInside, 0);
    EXPECT_FALSE(Run.Running());
    EXPECT_EQ(Archive().Names(), FirstNames(3));
    EXPECT_EQ(Host.MessagesHandled, 3);
}

TEST_F(BatchRunFixture, EntriesAddedDuringARunAreCountedButNotProcessed)
{
    ListPictures(2);
    const std::string late = Picture("late.jpg");
    Host.OnMessages = [&](int handled) {
        if (handled == 1)
            Host.List.push_back(late);
    };
    Run.Go(Host);
    EXPECT_EQ(Archive().Names(), FirstNames(2));
    EXPECT_EQ(Host.Caption, "Files 2/3");
}

TEST_F(BatchRunFixture, EntriesRemovedDuringARunEndItWithTheListIndexFailure)
{
    ListPictures(3);
    Host.OnMessages = [&](int handled) {
        if (handled == 1)
            Host.List.resize(1);
    };
    EXPECT_EQ(MessageOf([&] { Run.Go(Host); }), "List index out of bounds (1)");
    EXPECT_EQ(Archive().Names(), FirstNames(1));
    EXPECT_EQ(Archive().Comment, "");
    EXPECT_FALSE(Run.Running()) << "a failed run is over";
}
