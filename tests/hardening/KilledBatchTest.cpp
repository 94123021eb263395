// plinkavorte-batch killed outright at random moments: whatever the moment,
// once the next open settled a commit the kill cut short, the archive is
// whole and holds every picture finished before the kill; the next run is
// not disturbed by stale swap files; a run that is not killed leaves no
// temporary or swap file behind.

#include "HardeningSupport.h"
#include "JpegFixtures.h"
#include "ZipListing.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <random>
#include <thread>

namespace {

constexpr int PictureCount = 24;
constexpr int KillRuns = 20;

// The child sees TMPDIR while it is started; the test's own stays as it was.
class TTmpDirForChildren {
public:
    explicit TTmpDirForChildren(const std::string& dir)
    {
        const char* old = ::getenv("TMPDIR");
        FHad = old != nullptr;
        FOld = old ? old : "";
        ::setenv("TMPDIR", dir.c_str(), 1);
    }
    ~TTmpDirForChildren()
    {
        if (FHad)
            ::setenv("TMPDIR", FOld.c_str(), 1);
        else
            ::unsetenv("TMPDIR");
    }

private:
    bool FHad = false;
    std::string FOld;
};

std::string NameOf(int i)
{
    return "IMG_" + std::to_string(1000 + i) + ".JPG";
}

class KilledBatch : public ::testing::Test {
protected:
    KilledBatch()
    {
        ::mkdir(Pictures.c_str(), 0755);
        ::mkdir(Out.c_str(), 0755);
        ::mkdir(Tmp.c_str(), 0700);
        // Big enough thumbnails that the archive outgrows the paged stream's memory.
        for (int i = 0; i < PictureCount; ++i)
            WriteTestJpeg(Pictures + "/" + NameOf(i), 320 + i, 240, TJpegKind::Baseline, 95);
        for (int i = 0; i < PictureCount; ++i)
            Args.push_back(Pictures + "/" + NameOf(i));
    }

    // Starts a fresh batch, waits for the progress line of item `item`
    // (1-based), lets it run a little longer and kills it. Returns how many
    // items had surely finished.
    int RunAndKill(int item, int extraMicroseconds)
    {
        TTmpDirForChildren tmp(Tmp);
        std::vector<std::string> args = {"-c", "-s", "300", Archive};
        args.insert(args.end(), Args.begin(), Args.end());
        TRunningChild child(BatchProgram, args);
        std::string line;
        int seen = 0;
        while (seen < item && child.ReadErrLine(line))
            if (line.rfind("Files ", 0) == 0)
                ++seen;
        std::this_thread::sleep_for(std::chrono::microseconds(extraMicroseconds));
        child.Signal(SIGKILL);
        std::string rest;
        child.Wait(rest);
        return seen - 1;
    }

    void ExpectWholeWithFirst(int finished)
    {
        struct stat info{};
        // -c removes the old archive first; a new one is whole from its first moment.
        if (::stat(Archive.c_str(), &info) != 0) {
            EXPECT_EQ(finished, 0) << "no archive although pictures finished";
            return;
        }
        EXPECT_GE(info.st_size, 22);
        // A kill inside a commit leaves its journal and a torn tail: only
        // after the program's own open settles it is the file an archive.
        std::vector<std::string> settled;
        ASSERT_NO_THROW(settled = OpenAsTheProgramDoes(Archive));
        EXPECT_EQ(FolderNames(Out), (std::set<std::string>{"thumbs.zip"}));
        const TZipListing listing = ReadZipListing(Archive);
        EXPECT_EQ(listing.Names(), settled);
        ASSERT_GE(listing.Entries.size(), static_cast<size_t>(finished));
        for (size_t i = 0; i < listing.Entries.size(); ++i) {
            EXPECT_EQ(listing.Entries[i].Name, NameOf(static_cast<int>(i)));
            EXPECT_NO_THROW(listing.Extract(listing.Entries[i])) << listing.Entries[i].Name;
        }
        if (!listing.Entries.empty()) {
            std::string report;
            EXPECT_TRUE(UnzipTestPasses(Archive, &report)) << report;
        }
    }

    TTempDir Dir;
    std::string Pictures = Dir.File("pictures");
    std::string Out = Dir.File("out");
    std::string Tmp = Dir.File("tmp");
    std::string Archive = Out + "/thumbs.zip";
    std::vector<std::string> Args;
};

TEST_F(KilledBatch, ArchiveIsWholeAfterEveryKillAndTheNextRunFinishesIt)
{
    std::mt19937 random(20261208);
    std::uniform_int_distribution<int> pickItem(1, PictureCount);
    std::uniform_int_distribution<int> pickDelay(0, 20000);
    for (int run = 0; run < KillRuns; ++run) {
        const int item = pickItem(random);
        const int delay = pickDelay(random);
        SCOPED_TRACE("killed at item " + std::to_string(item) + " plus " + std::to_string(delay) + " us");
        ExpectWholeWithFirst(RunAndKill(item, delay));
    }

    // Settled archives leave nothing beside them; swap files may stay.
    const auto tmpBefore = FolderNames(Tmp);
    for (const auto& name : tmpBefore)
        EXPECT_EQ(name.rfind("VMS", 0), 0u) << name;

    // The next full run adds the rest and ignores the swap files.
    std::vector<std::string> args = {"-s", "300", Archive};
    args.insert(args.end(), Args.begin(), Args.end());
    const TChildResult result = RunBatch(args, Tmp);
    EXPECT_EQ(result.ExitCode, 0) << result.Err;
    EXPECT_EQ(ReadZipListing(Archive).Entries.size(), static_cast<size_t>(PictureCount));
    EXPECT_TRUE(UnzipTestPasses(Archive));
    EXPECT_EQ(FolderNames(Out), (std::set<std::string>{"thumbs.zip"}));
    EXPECT_EQ(FolderNames(Tmp), tmpBefore);
}

TEST_F(KilledBatch, RunThatIsNotKilledLeavesOnlyTheArchive)
{
    std::vector<std::string> args = {"-s", "300", Archive};
    args.insert(args.end(), Args.begin(), Args.end());
    const TChildResult result = RunBatch(args, Tmp);
    EXPECT_EQ(result.ExitCode, 0) << result.Err;
    const TZipListing listing = ReadZipListing(Archive);
    EXPECT_EQ(listing.Entries.size(), static_cast<size_t>(PictureCount));
    // The paged stream had to swap: the archive is well past its 100 KiB.
    EXPECT_GT(listing.FileBytes.size(), 150u * 1024);
    EXPECT_EQ(FolderNames(Out), (std::set<std::string>{"thumbs.zip"}));
    EXPECT_EQ(FolderNames(Tmp), (std::set<std::string>{}));
}

} // namespace
