// A run on many threads gives the archive a one-thread run gives, and stops,
// fails and follows changes at the same item.

#include "BatchRunFixture.h"
#include "DecodeBudget.h"
#include "JpegCodec.h"

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <thread>

using ::testing::ElementsAreArray;

namespace {

// What a run leaves that does not depend on when it ran: names, order,
// methods, sizes, stored bytes and the comment.
struct TArchiveContent {
    std::vector<std::string> Names;
    std::vector<std::vector<uint8_t>> Data;
    std::vector<uint16_t> Methods;
    std::string Comment;
    bool operator==(const TArchiveContent&) const = default;
};

TArchiveContent ContentOf(const TZipListing& zip)
{
    TArchiveContent content;
    content.Names = zip.Names();
    for (const auto& entry : zip.Entries) {
        content.Data.push_back(zip.Extract(entry));
        content.Methods.push_back(entry.Method);
    }
    content.Comment = zip.Comment;
    return content;
}

// The start-of-frame marker's height and width set to the given size.
std::vector<uint8_t> WithFrameSize(std::vector<uint8_t> jpeg, int width, int height)
{
    for (size_t i = 2; i + 9 < jpeg.size(); ++i)
        if (jpeg[i] == 0xFF && (jpeg[i + 1] == 0xC0 || jpeg[i + 1] == 0xC2)) {
            jpeg[i + 5] = static_cast<uint8_t>(height >> 8);
            jpeg[i + 6] = static_cast<uint8_t>(height);
            jpeg[i + 7] = static_cast<uint8_t>(width >> 8);
            jpeg[i + 8] = static_cast<uint8_t>(width);
            return jpeg;
        }
    ADD_FAILURE() << "no frame marker";
    return jpeg;
}

class JobsTest : public BatchRunFixture {
protected:
    // The same list and settings run with the given jobs into a fresh archive.
    TArchiveContent RunWith(int jobs, const std::function<void(TFakeBatchHost&, TBatchRun&, int)>& between = {})
    {
        TZipper zipper;
        ConfigureThumbnailZipper(zipper);
        TBatchRun run(zipper, jobs);
        TFakeBatchHost host;
        host.Archive = Dir.File("jobs" + std::to_string(jobs) + "-" + std::to_string(++FRuns) + ".zip");
        host.List = List;
        host.Settings = Host.Settings;
        if (between)
            host.OnMessages = [&](int handled) { between(host, run, handled); };
        LastMessage = MessageOf([&] { run.Go(host); });
        LastFailedIndex = run.FailedIndex();
        LastCaption = host.Caption;
        LastPosition = host.Position;
        return ContentOf(ReadZipListing(host.Archive));
    }

    void ListMixedPictures()
    {
        const std::string d = Dir.Path() + "/";
        List.push_back(Picture("base.jpg", 1600, 1200));
        List.push_back(Picture("prog.jpg", 900, 1400, TJpegKind::Progressive));
        List.push_back(Picture("grey.jpg", 640, 480, TJpegKind::Grey));
        List.push_back(Picture("cmyk.jpg", 500, 300, TJpegKind::Cmyk));
        List.push_back(Picture("adobe.jpg", 700, 500, TJpegKind::AdobeYcck));
        WriteBytes(d + "turned.jpg", MakeTestJpeg(800, 600, TJpegKind::Baseline, 90, 6));
        List.push_back(d + "turned.jpg");
        auto cut = MakeTestJpeg(1200, 900, TJpegKind::Progressive);
        cut.resize(cut.size() / 2);
        WriteBytes(d + "cut.jpg", cut);
        List.push_back(d + "cut.jpg");
        List.push_back(Picture("tiny.jpg", 1, 1));
        List.push_back(Picture("strip.jpg", 400, 8000));
        List.push_back(Picture("small.jpg", 100, 80));
    }

    std::vector<std::string> List;
    std::string LastMessage;
    std::string LastCaption;
    int LastPosition = 0;
    int LastFailedIndex = -1;
    int FRuns = 0;
};

TEST_F(JobsTest, ManyJobsGiveTheBytesOfOneOverEveryKindSizeAndFrame)
{
    ListMixedPictures();
    for (const bool framed : {false, true})
        for (const bool square : {false, true}) {
            if (square && !framed)
                continue;
            Host.Settings = {};
            Host.Settings.Framed = framed;
            Host.Settings.Square = square;
            Host.Settings.MaxSize = framed ? 150 : 200;
            const TArchiveContent one = RunWith(1);
            ASSERT_EQ(one.Names.size(), List.size());
            for (const int jobs : {2, 3, 8})
                EXPECT_EQ(RunWith(jobs), one) << jobs << " jobs, framed " << framed << ", square " << square;
        }
}

TEST_F(JobsTest, StopAtItemKGivesKEntriesWhateverTheJobs)
{
    ListMixedPictures();
    const int n = static_cast<int>(List.size());
    for (const int jobs : {1, 2, 8})
        for (const int k : {1, 4, n - 1}) {
            const TArchiveContent got = RunWith(jobs, [k](TFakeBatchHost&, TBatchRun& run, int handled) {
                if (handled == k)
                    run.Stop();
            });
            EXPECT_EQ(got.Names.size(), static_cast<size_t>(k)) << jobs << " jobs, stop at " << k;
            EXPECT_EQ(got.Comment, "Made with Plinkavorte");
            EXPECT_EQ(LastCaption, "Files " + std::to_string(k) + "/" + std::to_string(n));
            EXPECT_EQ(LastPosition, n - k);
        }
}

TEST_F(JobsTest, FailureAtItemKLeavesTheItemsBeforeIt)
{
    ListMixedPictures();
    WriteBytes(Dir.File("text.jpg"), std::vector<uint8_t>{'h', 'e', 'l', 'l', 'o'});
    List.insert(List.begin() + 3, Dir.File("text.jpg"));
    List.insert(List.begin() + 6, Dir.File("missing.jpg"));
    const TArchiveContent one = RunWith(1);
    ASSERT_EQ(LastMessage, "JPEG error #53");
    for (const int jobs : {2, 4, 16}) {
        const TArchiveContent many = RunWith(jobs);
        EXPECT_EQ(LastMessage, "JPEG error #53");
        EXPECT_EQ(LastFailedIndex, 3);
        EXPECT_EQ(many.Names.size(), 3u) << jobs << " jobs";
        EXPECT_EQ(many, one);
        EXPECT_EQ(LastCaption, "Files 4/" + std::to_string(List.size()));
    }
    List.erase(List.begin() + 3);
    RunWith(4);
    EXPECT_EQ(LastFailedIndex, 5);
    EXPECT_THAT(LastMessage, ::testing::StartsWith("Cannot open file"));
}

TEST_F(JobsTest, SettingsAndEntriesChangedBetweenItemsAreMadeAgain)
{
    ListMixedPictures();
    const std::string other = Picture("other.jpg", 300, 900);
    const auto changes = [&](TFakeBatchHost& host, TBatchRun&, int handled) {
        // Give the workers time to finish what they made ahead with the old values.
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        if (handled == 1)
            host.Settings.MaxSize = 120;
        if (handled == 2)
            host.List[4] = other;
        if (handled == 3) {
            host.Settings.Framed = true;
            host.Settings.FrameWidth = 3;
        }
        if (handled == 5)
            host.List.erase(host.List.begin() + 6);
    };
    const TArchiveContent one = RunWith(1, changes);
    ASSERT_EQ(one.Names[4], "other.jpg");
    for (const int jobs : {2, 8})
        EXPECT_EQ(RunWith(jobs, changes), one) << jobs << " jobs";
}

TEST_F(JobsTest, APictureDeletedAfterItWasMadeAheadFailsAtItsTurn)
{
    ListPictures(5);
    List = Host.List;
    const std::string gone = List[3];
    const auto remove = [&](TFakeBatchHost&, TBatchRun&, int handled) {
        // Long enough for the workers to have made item 4 already.
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        if (handled == 2)
            ::unlink(gone.c_str());
    };
    RunWith(4, remove);
    EXPECT_EQ(LastMessage, "Cannot open file \"" + gone + "\". No such file or directory");
    EXPECT_EQ(LastFailedIndex, 3);
}

TEST_F(JobsTest, AnEntryRemovedAheadEndsTheRunAtTheSameItem)
{
    ListPictures(6);
    List = Host.List;
    const auto shorten = [](TFakeBatchHost& host, TBatchRun&, int handled) {
        if (handled == 2)
            host.List.resize(3);
    };
    const TArchiveContent one = RunWith(1, shorten);
    ASSERT_EQ(LastMessage, "List index out of bounds (3)");
    const TArchiveContent many = RunWith(4, shorten);
    EXPECT_EQ(LastMessage, "List index out of bounds (3)");
    EXPECT_EQ(many, one);
}

TEST_F(JobsTest, APictureTooBigAloneFailsTheSameWithManyJobs)
{
    List.push_back(Picture("good.jpg"));
    WriteBytes(Dir.File("huge.jpg"), WithFrameSize(MakeTestJpeg(64, 48, TJpegKind::Progressive), 65500, 65500));
    List.push_back(Dir.File("huge.jpg"));
    List.push_back(Picture("after.jpg"));
    for (const int jobs : {1, 8}) {
        const TArchiveContent got = RunWith(jobs);
        EXPECT_EQ(LastMessage, "JPEG error #49") << jobs << " jobs";
        EXPECT_EQ(got.Names, std::vector<std::string>{"good.jpg"});
    }
}

// Sixteen jobs over pictures of about 430 MB of coefficients each: without the
// shared budget they would take several gigabytes at once.
TEST_F(JobsTest, SixteenJobsOverGiantProgressivePicturesStayWithinTheBudget)
{
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "the sanitizers' own memory hides the program's";
#endif
    const auto giant = WithFrameSize(MakeTestJpeg(64, 48, TJpegKind::Progressive), 12000, 12000);
    for (int k = 0; k < 6; ++k) {
        WriteBytes(Dir.File("giant" + std::to_string(k) + ".jpg"), giant);
        List.push_back(Dir.File("giant" + std::to_string(k) + ".jpg"));
    }
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        TArchiveContent got;
        try {
            got = RunWith(16);
        } catch (...) {
            ::_exit(3);
        }
        ::_exit(got.Names.size() == 6 && LastMessage == "(no exception)" ? 0 : 2);
    }
    int status = 0;
    rusage usage{};
    ASSERT_EQ(::wait4(child, &status, 0, &usage), child);
    ASSERT_TRUE(WIFEXITED(status));
    ASSERT_EQ(WEXITSTATUS(status), 0) << "every giant picture becomes a thumbnail";
    const int64_t peak = int64_t{usage.ru_maxrss} * 1024;
    const int64_t budget = JpegPictureMemoryCap;
    EXPECT_EQ(SharedDecodeBudget().Total(), budget);
    EXPECT_GT(peak, 400LL << 20) << "the pictures really take their memory";
    EXPECT_LT(peak, budget + (160LL << 20)) << "peak " << (peak >> 20) << " MiB";
}

// Workers making thumbnails side by side never hand one picture's profile to another.
TEST_F(JobsTest, EveryThumbnailCarriesItsOwnPicturesProfile)
{
    std::vector<std::vector<uint8_t>> expected;
    for (int k = 0; k < 9; ++k) {
        const std::string number = std::to_string(k);
        const std::string path = Dir.File("c" + number + ".jpg");
        std::vector<uint8_t> profile;
        std::vector<std::vector<uint8_t>> chunks;
        if (k % 3 != 2) {
            profile = TestIccProfile(600 + 40000 * (k % 3), "RGB ", k);
            chunks = IccChunks(profile, 1 + k % 3);
        } else {
            chunks = {IccChunk(1, 1, TestIccProfile(600, "GRAY", k))};  // dropped
        }
        WriteBytes(path, MakeTaggedJpeg(700 + 30 * k, 500, chunks, k % 2 ? TJpegKind::Progressive : TJpegKind::Baseline));
        List.push_back(path);
        expected.push_back(profile);
    }
    for (const bool framed : {false, true}) {
        Host.Settings = {};
        Host.Settings.Framed = framed;
        const TArchiveContent one = RunWith(1);
        ASSERT_EQ(one.Data.size(), expected.size());
        for (size_t k = 0; k < expected.size(); ++k)
            EXPECT_EQ(DecodeJpeg(one.Data[k]).IccProfile, expected[k]) << k << (framed ? " framed" : "");
        EXPECT_EQ(RunWith(4), one) << (framed ? "framed" : "plain");
    }
}

}  // namespace
