// Giving a picture up when its run stops: the stop's grace, the recipe and
// the decoder answering it, the decode budget's line, and the file read in
// pieces.

#include "RecipeTestSupport.h"

#include "CraftedJpeg.h"
#include "DecodeBudget.h"
#include "JpegErrors.h"
#include "PictureFile.h"
#include "PictureFixtures.h"
#include "RenderStop.h"

#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <chrono>
#include <future>
#include <memory>
#include <random>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;

void WaitPastTheGrace()
{
    std::this_thread::sleep_for(TRenderStop::Grace + 50ms);
}

std::string Failure(const std::function<void()>& action)
{
    try {
        action();
    } catch (const Exception& e) {
        return e.Message();
    }
    return "none";
}

}  // namespace

TEST(RenderStop, GivesUpOnlyAfterTheGraceUnlessAskedAtOnce)
{
    TRenderStop run;
    TRenderStop picture(&run);
    EXPECT_FALSE(picture.Asked());
    run.Ask();
    EXPECT_TRUE(picture.Asked()) << "a picture's stop follows its run's";
    EXPECT_FALSE(picture.GivesUp()) << "a normal picture may still finish";
    WaitPastTheGrace();
    EXPECT_TRUE(picture.GivesUp());
    EXPECT_THROW(picture.ThrowIfGivenUp(), EPictureGivenUp);

    run.Clear();
    EXPECT_FALSE(picture.GivesUp());
    picture.AskAtOnce();
    EXPECT_TRUE(picture.GivesUp());
    EXPECT_FALSE(run.Asked()) << "one picture's stop is not the run's";
}

TEST(RenderStop, AWatchedMomentCountsAndOutlivesClear)
{
    TStopMoment signal{0};
    TRenderStop run;
    run.Watch(&signal);
    EXPECT_FALSE(run.Asked());
    AskStop(signal);
    const int64_t first = signal.load();
    AskStop(signal);
    EXPECT_EQ(signal.load(), first) << "a second signal does not stretch the grace";
    run.Clear();
    EXPECT_TRUE(run.Asked()) << "a signal that came is not forgotten by a new run";
    WaitPastTheGrace();
    EXPECT_TRUE(run.GivesUp());
}

TEST(RenderStop, RecipeFinishesWithinTheGraceAndGivesUpAfterIt)
{
    TTempDir dir;
    const std::string photo = dir.File("photo.jpg");
    WriteTestJpeg(photo, 640, 480);
    TRenderStop stop;
    stop.Ask();
    TBitmap bitmap;
    TMemoryStream stream;
    RenderThumbnailJpeg(photo, {}, bitmap, stream, &stop);
    EXPECT_GT(stream.GetSize(), 0) << "asked a moment ago: the picture is still made";

    stop.AskAtOnce();
    EXPECT_THROW(RenderThumbnailJpeg(photo, {}, bitmap, stream, &stop), EPictureGivenUp);
}

// The slow picture takes several seconds; asked from another thread, its
// decode ends in about the grace. The bound only tells a hang.
TEST(RenderStop, ASlowDecodeIsGivenUpFromAnotherThread)
{
    TTempDir dir;
    const std::string slow = dir.File("slow.jpg");
    WriteBytes(slow, CraftedGreyProgressive(8000, 8000, LongProgression(500)));
    TRenderStop stop;
    auto render = std::async(std::launch::async, [&] {
        TBitmap bitmap;
        TMemoryStream stream;
        RenderThumbnailJpeg(slow, {}, bitmap, stream, &stop);
    });
    std::this_thread::sleep_for(100ms);
    stop.Ask();
    ASSERT_EQ(render.wait_for(60s), std::future_status::ready);
    EXPECT_THROW(render.get(), EPictureGivenUp);
}

TEST(RenderStop, AWaiterThatGivesUpLeavesItsPlaceInTheBudgetsLine)
{
    TDecodeBudget budget(100);
    budget.Take(100);
    TRenderStop stop;
    auto first = std::async(std::launch::async, [&] { return budget.Take(60, &stop); });
    std::this_thread::sleep_for(50ms);  // first in line
    auto second = std::async(std::launch::async, [&] { return budget.Take(30); });
    std::this_thread::sleep_for(50ms);
    stop.AskAtOnce();
    ASSERT_EQ(first.wait_for(10s), std::future_status::ready);
    EXPECT_THROW(first.get(), EPictureGivenUp);
    budget.Give(100);
    ASSERT_EQ(second.wait_for(10s), std::future_status::ready) << "the next in line is served";
    EXPECT_EQ(second.get(), 30);
    EXPECT_EQ(budget.InUse(), 30);
}

// Many pictures at once while the budget is full, half of them stopped:
// those give up and leave the line, the others are all served once room
// comes, and the budget is never overdrawn. A waiter that left the line
// keeping its place, or without waking the next, would leave the others
// waiting for ever.
TEST(RenderStop, WaitersGivingUpUnderContentionLeaveTheBudgetWhole)
{
    constexpr int Threads = 8;
    constexpr int Rounds = 100;
    TDecodeBudget budget(100);
    auto whole = std::make_unique<TDecodeRoom>(budget, 100);
    std::vector<TRenderStop> stops(Threads);
    std::array<std::atomic<int>, Threads> given{};
    std::atomic<bool> overdrawn{false};
    std::vector<std::future<int>> workers;
    for (int t = 0; t < Threads; ++t) {
        const bool stopped = t % 2 == 1;
        if (stopped)
            stops[t].AskAtOnce();
        workers.push_back(std::async(std::launch::async, [&, t, stopped] {
            std::mt19937 random(static_cast<unsigned>(t));
            int served = 0;
            for (int k = 0; k < Rounds; ++k) {
                const int64_t bytes = 10 + static_cast<int64_t>(random() % 91);
                try {
                    const TDecodeRoom room(budget, bytes, stopped ? &stops[t] : nullptr);
                    overdrawn = overdrawn || budget.InUse() > budget.Total();
                    ++served;
                    std::this_thread::sleep_for(20us);
                } catch (const EPictureGivenUp&) {
                    ++given[t];
                }
            }
            return served;
        }));
    }
    // The budget stays full until every stopped waiter has given up once.
    const auto everyStoppedGaveUp = [&] {
        for (int t = 1; t < Threads; t += 2)
            if (given[t] == 0)
                return false;
        return true;
    };
    for (int waited = 0; !everyStoppedGaveUp() && waited < 2000; ++waited)
        std::this_thread::sleep_for(10ms);
    const bool allGaveUp = everyStoppedGaveUp();
    whole.reset();
    EXPECT_TRUE(allGaveUp) << "a stopped waiter did not give up while the budget was full";
    int servedAll = 0;
    for (int t = 0; t < Threads; ++t) {
        ASSERT_EQ(workers[t].wait_for(60s), std::future_status::ready) << "thread " << t << " still waits";
        const int served = workers[t].get();
        servedAll += served + given[t];
        if (t % 2 == 0) {
            EXPECT_EQ(served, Rounds) << "a waiter without a stop is always served";
        }
    }
    EXPECT_EQ(servedAll, Threads * Rounds) << "each round was served or given up";
    EXPECT_FALSE(overdrawn);
    EXPECT_LE(budget.PeakInUse(), budget.Total());
    EXPECT_EQ(budget.InUse(), 0) << "every room is given back; a waiter that gave up took none";
}

TEST(PictureFile, ReadAllRefusesAFileAboveTheCapBeforeReading)
{
    TTempDir dir;
    WriteBytes(dir.File("p.jpg"), std::vector<uint8_t>(3 << 20, 7));
    TPictureFile file(dir.File("p.jpg"));
    EXPECT_EQ(file.Size(), 3 << 20);
    EXPECT_EQ(Failure([&] { file.ReadAll(2 << 20); }),
              "Cannot read file \"" + dir.File("p.jpg") + "\". It holds 3 MB, more than the 2 MB a picture may take.");
    const std::vector<uint8_t> whole = file.ReadAll(3 << 20);
    EXPECT_EQ(whole, std::vector<uint8_t>(3 << 20, 7));
    TRenderStop stop;
    stop.AskAtOnce();
    file.Stop = &stop;
    EXPECT_THROW(file.ReadAll(3 << 20), EPictureGivenUp);
}

TEST(PictureFile, APictureChangedBetweenHeaderAndDecodeFails)
{
    TTempDir dir;
    const std::string path = dir.File("p.jpg");
    WriteBytes(path, MakeTestJpeg(64, 48));
    TJPEGImage image;
    image.LoadFromFile(path);
    WriteBytes(path, MakeTestJpeg(96, 48));  // the same file rewritten in place
    EXPECT_EQ(Failure([&] { image.Bitmap(); }), "JPEG error: the file changed while it was read");

    WriteBytes(path, {});
    EXPECT_EQ(Failure([&] { image.LoadFromFile(path); }), "JPEG error #42") << "an empty file, as before";
}

// A picture read whole for its decoder has its bytes counted from before they
// are read. When the rest of its decode must wait, the bytes are let go and
// read again later: the run neither stalls nor holds memory it did not count,
// and the thumbnail comes out as it would alone.
TEST(WholeFileBudget, ADecodeThatMustWaitForRoomReadsTheFileAgainAndFinishes)
{
    const std::string& folder = PictureFixtureFolder();
    if (folder.empty())
        GTEST_SKIP() << "python3 with Pillow cannot make the PNG fixture";
    const std::string png = folder + "/rgb8.png";
    TBitmap bitmap;
    TMemoryStream alone;
    RenderThumbnailJpeg(png, {}, bitmap, alone);

    TDecodeBudget& budget = SharedDecodeBudget();
    const int64_t fileBytes = TPictureFile(png).Size();
    ASSERT_EQ(budget.InUse(), 0);
    budget.Take(budget.Total() - fileBytes);  // the file's bytes fit, its decode does not
    auto render = std::async(std::launch::async, [&] {
        TBitmap workBitmap;
        TMemoryStream stream;
        RenderThumbnailJpeg(png, {}, workBitmap, stream);
        return stream.Bytes();
    });
    EXPECT_EQ(render.wait_for(300ms), std::future_status::timeout) << "the decode waits for room";
    EXPECT_EQ(budget.InUse(), budget.Total() - fileBytes) << "while it waits it holds no room, so no bytes";
    budget.Give(budget.Total() - fileBytes);
    ASSERT_EQ(render.wait_for(60s), std::future_status::ready);
    EXPECT_EQ(render.get(), alone.Bytes());
    EXPECT_EQ(budget.InUse(), 0) << "every room is given back";
}
