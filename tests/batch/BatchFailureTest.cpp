#include "BatchRunFixture.h"
#include "RefuseWritesLayer.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

using ::testing::ElementsAre;

TEST_F(BatchRunFixture, PictureDeletedSinceListedEndsTheRunAndKeepsEarlierEntries)
{
    Host.List = {Picture("one.jpg"), Picture("gone.jpg"), Picture("three.jpg")};
    ::unlink(Host.List[1].c_str());

    EXPECT_EQ(MessageOf([&] { Run.Go(Host); }),
              "Cannot open file \"" + Host.List[1] + "\". No such file or directory");

    const TZipListing zip = Archive();
    EXPECT_THAT(zip.Names(), ElementsAre("one.jpg"));
    EXPECT_EQ(zip.Comment, "");
    EXPECT_EQ(Zipper.FileName(), Host.Archive) << "the archive stays open until the next GO";
    EXPECT_EQ(Host.Caption, "Files 2/3");
    EXPECT_EQ(Host.Position, 1) << "the failing item has been counted";
    EXPECT_EQ(Host.MessagesHandled, 2) << "messages are handled after a failing item too";
    EXPECT_FALSE(Run.Running());
}

TEST_F(BatchRunFixture, NotAJpegEndsTheRunWithTheDecoderMessage)
{
    Host.List = {Picture("one.jpg"), Dir.File("fake.jpg")};
    WriteBytes(Host.List[1], {'n', 'o', 't', ' ', 'a', ' ', 'j', 'p', 'e', 'g'});
    const std::string message = MessageOf([&] { Run.Go(Host); });
    EXPECT_EQ(message.rfind("JPEG error #", 0), 0u) << message;
    EXPECT_THAT(Archive().Names(), ElementsAre("one.jpg"));
}

TEST_F(BatchRunFixture, NextGoAfterAFailureAddsToTheArchiveItLeftOpen)
{
    Host.List = {Picture("one.jpg"), Dir.File("missing.jpg")};
    MessageOf([&] { Run.Go(Host); });

    Host.List = {Picture("two.jpg")};
    Run.Go(Host);
    const TZipListing zip = Archive();
    EXPECT_THAT(zip.Names(), ElementsAre("one.jpg", "two.jpg"));
    EXPECT_EQ(zip.Comment, "Made with Plinkavorte");
    EXPECT_TRUE(Zipper.FileName().empty());
}

TEST_F(BatchRunFixture, ClearAfterAFailureStartsAfreshInsteadOfKeepingTheOpenArchive)
{
    Host.List = {Picture("one.jpg"), Dir.File("missing.jpg")};
    MessageOf([&] { Run.Go(Host); });
    ASSERT_EQ(Zipper.FileName(), Host.Archive);

    Host.Clear = true;
    Host.List = {Picture("two.jpg")};
    Run.Go(Host);
    const TZipListing zip = Archive();
    EXPECT_THAT(zip.Names(), ElementsAre("two.jpg"));
    EXPECT_EQ(zip.Comment, "Made with Plinkavorte");
}

TEST_F(BatchRunFixture, ClearAfterAFailureOnTheFirstItemStartsAfreshToo)
{
    // The open model then holds no entries, the case in which closing writes it.
    Host.List = {Dir.File("missing.jpg")};
    MessageOf([&] { Run.Go(Host); });

    Host.Clear = true;
    Host.List = {Picture("two.jpg")};
    Run.Go(Host);
    EXPECT_THAT(Archive().Names(), ElementsAre("two.jpg"));
}

TEST_F(BatchRunFixture, OpeningFailureLeavesCaptionBarAndListAlone)
{
    ListPictures(2);
    Host.Archive = Dir.File("thumbs.txt");
    Host.Position = 5;
    EXPECT_EQ(MessageOf([&] { Run.Go(Host); }), "Unhandled Archive Type");
    EXPECT_EQ(Host.Caption, "Plinkavorte");
    EXPECT_EQ(Host.Position, 5);
    EXPECT_EQ(Host.ProgressMax, 100);
    EXPECT_TRUE(Host.SettingsRead.empty());
    EXPECT_FALSE(Run.Running());
}

TEST_F(BatchRunFixture, AFailureTellsWhetherThePictureOrTheArchiveEndedTheRun)
{
    Host.List = {Picture("one.jpg"), Dir.File("missing.jpg")};
    MessageOf([&] { Run.Go(Host); });
    EXPECT_EQ(Run.Failure(), TRunFailure::rfPicture);
    EXPECT_EQ(Run.FailedIndex(), 1);

    Host.Archive = Dir.File("thumbs.txt");
    EXPECT_EQ(MessageOf([&] { Run.Go(Host); }), "Unhandled Archive Type");
    EXPECT_EQ(Run.Failure(), TRunFailure::rfArchive);
    EXPECT_EQ(Run.FailedIndex(), -1);

    Host.Archive = Dir.File("thumbs.zip");
    Host.List = {Picture("two.jpg")};
    {
        TRefuseWritesLayer readOnly(Host.Archive);
        EXPECT_EQ(MessageOf([&] { Run.Go(Host); }), "Cannot open file \"" + Host.Archive + "\". Permission denied");
    }
    EXPECT_EQ(Run.Failure(), TRunFailure::rfArchive);
    EXPECT_EQ(Run.FailedIndex(), 0);

    Run.Go(Host);
    EXPECT_EQ(Run.Failure(), TRunFailure::rfNone);
    EXPECT_THAT(Archive().Names(), ElementsAre("one.jpg", "two.jpg"));
}

TEST_F(BatchRunFixture, AnArchiveThatRefusedItsWritesDoesNotBlockAGoOnAnotherName)
{
    Host.List = {Picture("one.jpg")};
    Run.Go(Host);
    const std::string readOnly = Host.Archive;
    TRefuseWritesLayer refusing(readOnly);
    Host.List = {Picture("two.jpg")};
    EXPECT_NE(MessageOf([&] { Run.Go(Host); }), "(no exception)");

    for (const bool clear : {false, true}) {
        Host.Clear = clear;
        Host.Archive = Dir.File(clear ? "cleared.zip" : "ok.zip");
        EXPECT_EQ(MessageOf([&] { Run.Go(Host); }), "(no exception)") << clear;
        EXPECT_THAT(Archive().Names(), ElementsAre("two.jpg"));
        Host.Clear = false;
        Host.Archive = readOnly;
        EXPECT_NE(MessageOf([&] { Run.Go(Host); }), "(no exception)");
    }
    EXPECT_THAT(Archive().Names(), ElementsAre("one.jpg"));
}

TEST_F(BatchRunFixture, ClearAfterAFailedWriteDoesNotBringTheOldArchiveBack)
{
    // A write that fails leaves the open model with changes to write, which
    // it would write back over the deleted file when the session let go of it.
    int writes = 0;
    Zipper.OnConfirmSave = [&](TZipper&, bool&) {
        if (++writes == 2)
            throw Exception("disk trouble");
    };
    Host.List = {Picture("one.jpg"), Picture("two.jpg")};
    EXPECT_EQ(MessageOf([&] { Run.Go(Host); }), "disk trouble");
    ASSERT_THAT(Archive().Names(), ElementsAre("one.jpg"));

    Host.Clear = true;
    Host.List = {Picture("three.jpg")};
    Run.Go(Host);
    const TZipListing zip = Archive();
    EXPECT_THAT(zip.Names(), ElementsAre("three.jpg"));
    EXPECT_EQ(zip.Comment, "Made with Plinkavorte");
}

namespace {

// Opens the FIFO's other end if the test is still running after a while, so
// a run stuck on it fails the test instead of hanging it.
class TFifoRescue {
public:
    explicit TFifoRescue(std::string path)
        : FPath(std::move(path)), FThread([this] {
              std::unique_lock lock(FMutex);
              if (FDone.wait_for(lock, std::chrono::seconds(20), [this] { return FFinished; }))
                  return;
              const int other = ::open(FPath.c_str(), O_RDWR | O_NONBLOCK);
              if (other >= 0)
                  ::close(other);
          })
    {
    }
    ~TFifoRescue()
    {
        {
            std::lock_guard lock(FMutex);
            FFinished = true;
        }
        FDone.notify_all();
        FThread.join();
    }

private:
    std::string FPath;
    std::mutex FMutex;
    std::condition_variable FDone;
    bool FFinished = false;
    std::thread FThread;
};

} // namespace

TEST_F(BatchRunFixture, FifoNamedLikeAPictureFailsAsUnreadableWithoutWaiting)
{
    for (int jobs : {1, 3}) {
        SCOPED_TRACE(jobs);
        TTempDir dir;
        const std::string fifo = dir.File("x.jpg");
        ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
        TZipper zipper;
        ConfigureThumbnailZipper(zipper);
        TBatchRun run(zipper, jobs);
        TFakeBatchHost host;
        host.Archive = dir.File("thumbs.zip");
        host.List = {Picture("one.jpg"), fifo, Picture("three.jpg")};
        const TFifoRescue rescue(fifo);
        EXPECT_EQ(MessageOf([&] { run.Go(host); }), "Cannot open file \"" + fifo + "\". Not a regular file.");
        EXPECT_THAT(ReadZipListing(host.Archive).Names(), ElementsAre("one.jpg"));
        EXPECT_EQ(host.Caption, "Files 2/3");
    }
}

TEST_F(BatchRunFixture, APictureTheArchiveWroteWithoutIsNotDone)
{
    // A thumbnail of noise is too large to be built in memory; its swap file
    // cannot be made in /proc.
    const std::string noise = Dir.File("noise.jpg");
    WriteBytes(noise, MakeNoiseJpeg(1200, 900));
    Host.List = {Picture("one.jpg"), noise, Picture("three.jpg")};
    Host.Settings.MaxSize = 600;
    const char* tmp = std::getenv("TMPDIR");
    const std::string saved = tmp ? tmp : "";
    ::setenv("TMPDIR", "/proc", 1);
    const std::string message = MessageOf([&] { Run.Go(Host); });
    tmp ? ::setenv("TMPDIR", saved.c_str(), 1) : ::unsetenv("TMPDIR");
    EXPECT_EQ(message, "VMS: Cannot open swap file /proc/VMSXXXXXX. No such file or directory");
    EXPECT_EQ(Run.Failure(), TRunFailure::rfArchive);
    EXPECT_EQ(Run.FailedIndex(), 1);
    EXPECT_THAT(Archive().Names(), ElementsAre("one.jpg"));
}
