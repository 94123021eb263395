// STOP while a slow picture is made, on every way a run makes its
// thumbnails: the picture is given up, the archive keeps what was finished
// before it and is closed, and the run's own thread stays with its host.

#include "BatchRunFixture.h"
#include "CraftedJpeg.h"

#include <atomic>
#include <chrono>
#include <thread>

namespace {

using namespace std::chrono_literals;

// A window stand-in whose KeepResponsive may press STOP.
class TWaitingHost : public TFakeBatchHost {
public:
    std::atomic<int> KeepResponsiveCalls{0};
    std::function<void()> OnKeepResponsive;
    void KeepResponsive() override
    {
        ++KeepResponsiveCalls;
        if (OnKeepResponsive)
            OnKeepResponsive();
    }
};

class StopTest : public BatchRunFixture {
protected:
    void SetUp() override
    {
        List = {Picture("a.jpg", 400, 300), Dir.File("b-slow.jpg"), Picture("c.jpg", 400, 300)};
        WriteBytes(List[1], CraftedGreyProgressive(8000, 8000, LongProgression(500)));
    }

    // Runs the list into a fresh archive; the host presses STOP on its own.
    void Run(TBatchRun& run, TWaitingHost& host)
    {
        host.Archive = Dir.File("stop" + std::to_string(++Runs) + ".zip");
        host.List = List;
        Message = MessageOf([&] { run.Go(host); });
        Names = ReadZipListing(host.Archive).Names();
    }

    std::vector<std::string> List;
    std::string Message;
    std::vector<std::string> Names;
    int Runs = 0;
};

}  // namespace

TEST_F(StopTest, OneJobOnTheRunsThreadGivesThePictureUpWhenStoppedFromElsewhere)
{
    TZipper zipper;
    ConfigureThumbnailZipper(zipper);
    TBatchRun run(zipper, 1);
    TWaitingHost host;
    std::thread presser;
    host.OnMessages = [&](int handled) {
        if (handled == 1)
            presser = std::thread([&] {
                std::this_thread::sleep_for(300ms);
                run.Stop();
            });
    };
    Run(run, host);
    presser.join();
    EXPECT_EQ(Message, "(no exception)");
    EXPECT_EQ(Names, std::vector<std::string>{"a.jpg"});
    EXPECT_EQ(host.Caption, "Files 2/3");
    EXPECT_TRUE(run.EndedEarly());
    EXPECT_EQ(host.KeepResponsiveCalls, 0) << "nothing waits: the run's thread makes the picture";
}

TEST_F(StopTest, WorkersGiveThePictureUpWhenStoppedWhileTheRunWaits)
{
    for (const auto& [jobs, responsive] : {std::pair{1, true}, std::pair{2, false}}) {
        SCOPED_TRACE("jobs " + std::to_string(jobs));
        TZipper zipper;
        ConfigureThumbnailZipper(zipper);
        TBatchRun run(zipper, jobs, responsive);
        TWaitingHost host;
        std::chrono::steady_clock::time_point waitingSince;
        host.OnKeepResponsive = [&] {
            // Only the slow picture keeps the run waiting for long.
            if (waitingSince == std::chrono::steady_clock::time_point{})
                waitingSince = std::chrono::steady_clock::now();
            else if (std::chrono::steady_clock::now() - waitingSince > 300ms)
                run.Stop();
        };
        host.OnMessages = [&](int) { waitingSince = {}; };
        Run(run, host);
        EXPECT_EQ(Message, "(no exception)");
        EXPECT_EQ(Names, std::vector<std::string>{"a.jpg"});
        EXPECT_EQ(host.Caption, "Files 2/3");
        EXPECT_TRUE(run.EndedEarly());
        EXPECT_GT(host.KeepResponsiveCalls, 10) << "the run's thread stays with its host meanwhile";
    }
}
