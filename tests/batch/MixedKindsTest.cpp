#include "BatchRunFixture.h"
#include "DngFixture.h"
#include "PictureFixtures.h"

#include <filesystem>

// Every kind made on worker threads at once gives the archive one job gives.
TEST_F(BatchRunFixture, EveryKindOnManyJobsGivesTheArchiveOfOneJob)
{
    const std::string& folder = PictureFixtureFolder();
    if (folder.empty())
        GTEST_SKIP() << "python3 with Pillow cannot make the pictures";
    TDngContents dng;
    dng.Preview = MakeTestJpeg(600, 400);
    dng.PreviewWidth = 600;
    dng.PreviewHeight = 400;
    WriteBytes(Dir.File("shot.NEF"), MakeTestDng(dng));
    WriteBytes(Dir.File("sensor.dng"), MakeTestDng(TDngContents{}));
    std::vector<std::string> list{Picture("photo.jpg"), Dir.File("shot.NEF"), Dir.File("sensor.dng")};
    for (const char* name : {"rgb8.png", "interlaced.png", "alpha.webp", "animated.webp", "cmyk.tif", "orient6.tif",
                             "rotated.heic", "iccp.heic", "p3.avif"})
        if (std::filesystem::exists(folder + "/" + name))
            list.push_back(folder + "/" + name);

    std::vector<TZipListing> archives;
    for (const int jobs : {1, 4}) {
        TZipper zipper;
        ConfigureThumbnailZipper(zipper);
        TBatchRun run(zipper, jobs);
        TFakeBatchHost host;
        host.Archive = Dir.File("jobs" + std::to_string(jobs) + ".zip");
        host.List = list;
        run.Go(host);
        archives.push_back(ReadZipListing(host.Archive));
        EXPECT_EQ(archives.back().Names().size(), list.size()) << "every name is its own";
    }
    ASSERT_EQ(archives[0].Names(), archives[1].Names());
    EXPECT_EQ(archives[0].Names()[1], "shot.JPG");
    for (const TListedEntry& entry : archives[0].Entries)
        EXPECT_TRUE(archives[0].Extract(entry) == archives[1].Extract(*archives[1].Find(entry.Name))) << entry.Name;
}
