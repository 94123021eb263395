// A batch run over an archive whose directory outweighs its thumbnails:
// pictures are committed together, and each is reported done (bar, done
// list) only when the archive on disk holds it.

#include "BatchRunFixture.h"

#include <chrono>
#include <cstdlib>

namespace {

class GroupedReport : public BatchRunFixture {
protected:
    // An archive of 4000 small entries another tool wrote.
    void MakeLargeArchive()
    {
        const std::string command = "python3 -c 'import sys,zipfile\n"
                                    "with zipfile.ZipFile(sys.argv[1],\"w\") as z:\n"
                                    "  for i in range(4000): z.writestr(\"old%04d.jpg\"%i, b\"x\"*30)\n' '" +
                                    Host.Archive + "'";
        ASSERT_EQ(std::system(command.c_str()), 0) << command;
    }

    // Every report checks the file on disk: the picture must be in it.
    void CheckEveryReportAgainstTheDisk()
    {
        Host.OnPictureDone = [this](int index, const std::string& path) {
            const std::string name = path.substr(path.rfind('/') + 1);
            EXPECT_NE(ReadZipListing(Host.Archive).Find(name), nullptr) << "reported before its commit: " << name;
            EXPECT_EQ(Host.Position, Host.ProgressMax - static_cast<int>(Host.Done.size()));
            (void)index;
        };
    }
};

} // namespace

TEST_F(GroupedReport, PicturesAreReportedOnlyOnceTheirCommitIsOnDisk)
{
    ASSERT_NO_FATAL_FAILURE(MakeLargeArchive());
    ListPictures(12);
    // A clock that stands still: a slow machine's second must not commit them early.
    Zipper.SetCommitClock([] { return std::chrono::steady_clock::time_point(); });
    CheckEveryReportAgainstTheDisk();
    // The archive's on-disk state when each item's messages are handled.
    std::vector<size_t> entriesSeen;
    Host.OnMessages = [&](int) { entriesSeen.push_back(ReadZipListing(Host.Archive).Entries.size()); };
    Run.Go(Host);
    EXPECT_EQ(Host.Done, (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}));
    EXPECT_EQ(Host.Position, 0);
    // Small thumbnails go to disk in groups, never one by one.
    ASSERT_EQ(entriesSeen.size(), 12u);
    EXPECT_EQ(entriesSeen.front(), 4000u);
    for (size_t i = 1; i < entriesSeen.size(); ++i)
        EXPECT_TRUE(entriesSeen[i] == entriesSeen[i - 1] || entriesSeen[i] >= entriesSeen[i - 1] + 2)
            << "committed alone: " << i;
    EXPECT_EQ(Archive().Entries.size(), 4012u);
}

// While the run waits for a big thumbnail made ahead, the pictures waiting
// in memory reach the disk once their second is up, before the big one
// (big enough to be still in the making when its turn comes, also on a
// busy machine).
TEST_F(GroupedReport, WhileAThumbnailIsAwaitedWhatWaitedASecondIsCommitted)
{
    ASSERT_NO_FATAL_FAILURE(MakeLargeArchive());
    Host.List = {Picture("p1.jpg", 64, 48), Picture("p2.jpg", 64, 48), Picture("big.jpg", 8000, 6000),
                 Picture("p3.jpg", 64, 48)};
    auto clock = std::chrono::steady_clock::time_point();
    Zipper.SetCommitClock([&clock] { return clock; });
    Host.OnKeepResponsive = [&clock] { clock += std::chrono::milliseconds(300); };
    CheckEveryReportAgainstTheDisk();
    std::vector<int> beforeTheBigOne;
    const auto check = Host.OnPictureDone;
    Host.OnPictureDone = [&](int index, const std::string& path) {
        check(index, path);
        if (ReadZipListing(Host.Archive).Find("big.jpg") == nullptr)
            beforeTheBigOne.push_back(index);
    };
    TBatchRun run(Zipper, 3);
    run.Go(Host);
    EXPECT_EQ(Host.Done, (std::vector<int>{0, 1, 2, 3}));
    EXPECT_EQ(beforeTheBigOne, (std::vector<int>{0, 1}));
}
