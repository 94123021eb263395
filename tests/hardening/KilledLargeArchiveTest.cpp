// Runs of plinkavorte-batch adding to an archive of 2000 entries, each
// killed outright at a random moment: every picture a run reported done is
// in the archive afterwards, once, behind the old entries, whether the test
// settles the cut commit or leaves that to the next run. The directory
// outweighs the small thumbnails, so a run's pictures go to disk together:
// the kills fall before, into and after such grouped commits.

#include "HardeningSupport.h"
#include "JpegFixtures.h"
#include "ZipListing.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <random>
#include <thread>

namespace {

constexpr int OldEntries = 2000;
constexpr int Runs = 20;
constexpr int PicturesPerRun = 8;

std::string PictureName(int run, int i)
{
    const std::string runNumber = std::to_string(run);
    const std::string number = std::to_string(i);
    return "r" + runNumber + "_" + number + ".jpg";
}

class KilledLargeArchive : public ::testing::Test {
protected:
    KilledLargeArchive()
    {
        ::mkdir(Pictures.c_str(), 0755);
        ::mkdir(Out.c_str(), 0755);
        // One small picture under every name: the archive is what is measured here.
        const std::string source = Dir.File("source.jpg");
        WriteTestJpeg(source, 96, 64);
        for (int run = 0; run < Runs; ++run)
            for (int i = 0; i < PicturesPerRun; ++i)
                ::link(source.c_str(), (Pictures + "/" + PictureName(run, i)).c_str());
    }

    void MakeOldArchive()
    {
        std::string output;
        const int status = RunShell("python3 -c \"import sys,zipfile\n"
                                    "with zipfile.ZipFile(sys.argv[1],'w') as z:\n"
                                    "  for i in range(" + std::to_string(OldEntries) + "):\n"
                                    "    z.writestr('old%04d.jpg'%i, bytes([i%251])*(100+i%50))\n\" '" +
                                        Archive + "' 2>&1",
                                    &output);
        ASSERT_EQ(status, 0) << output;
    }

    // Starts a run over its own pictures and kills it after `lines` pictures
    // were reported done plus `delay`. Returns the names reported done.
    std::vector<std::string> RunAndKill(int run, int lines, int delayMicroseconds)
    {
        std::vector<std::string> args = {"-s", "50", Archive};
        for (int i = 0; i < PicturesPerRun; ++i)
            args.push_back(Pictures + "/" + PictureName(run, i));
        TRunningChild child(BatchProgram, args);
        std::string text;
        std::string line;
        for (int seen = 0; seen < lines && child.ReadErrLine(line); ++seen)
            text += line + "\n";
        std::this_thread::sleep_for(std::chrono::microseconds(delayMicroseconds));
        child.Signal(SIGKILL);
        std::string rest;
        child.Wait(rest);
        text += rest;
        // Off a terminal each finished picture gets a line "Files n/m path".
        std::vector<std::string> done;
        for (size_t at = 0; (at = text.find("Files ", at)) != std::string::npos; ++at) {
            const size_t slash = text.find('/', text.find(' ', at + 6) + 1);
            const size_t end = text.find('\n', at);
            if (slash != std::string::npos && end != std::string::npos && slash < end)
                done.push_back(text.substr(text.rfind('/', end) + 1, end - text.rfind('/', end) - 1));
        }
        return done;
    }

    void ExpectHolds(const std::vector<std::string>& done)
    {
        std::vector<std::string> settled;
        ASSERT_NO_THROW(settled = OpenAsTheProgramDoes(Archive));
        EXPECT_EQ(FolderNames(Out), (std::set<std::string>{"thumbs.zip"}));
        const TZipListing listing = ReadZipListing(Archive);
        const std::vector<std::string> names = listing.Names();
        ASSERT_EQ(names, settled);
        ASSERT_GE(names.size(), static_cast<size_t>(OldEntries));
        for (int i = 0; i < OldEntries; ++i) {
            char old[16];
            std::snprintf(old, sizeof old, "old%04d.jpg", i);
            ASSERT_EQ(names[static_cast<size_t>(i)], old);
        }
        const std::set<std::string> unique(names.begin(), names.end());
        EXPECT_EQ(unique.size(), names.size());
        for (const auto& name : done)
            EXPECT_TRUE(unique.count(name)) << name << " was reported done but is not in the archive";
        // The newest entries are whole.
        for (size_t i = OldEntries; i < listing.Entries.size(); ++i)
            EXPECT_NO_THROW(listing.Extract(listing.Entries[i])) << listing.Entries[i].Name;
    }

    TTempDir Dir;
    std::string Pictures = Dir.File("pictures");
    std::string Out = Dir.File("out");
    std::string Archive = Out + "/thumbs.zip";
};

TEST_F(KilledLargeArchive, EveryPictureReportedDoneSurvivesTwentyKills)
{
    ASSERT_NO_FATAL_FAILURE(MakeOldArchive());
    std::mt19937 random(20261209);
    std::uniform_int_distribution<int> pickLines(0, 1);
    std::uniform_int_distribution<int> pickDelay(0, 300000);
    std::vector<std::string> done;
    for (int run = 0; run < Runs; ++run) {
        const int lines = pickLines(random);
        const int delay = pickDelay(random);
        SCOPED_TRACE("run " + std::to_string(run) + " killed after " + std::to_string(lines) + " pictures plus " +
                     std::to_string(delay) + " us");
        const std::vector<std::string> now = RunAndKill(run, lines, delay);
        done.insert(done.end(), now.begin(), now.end());
        // Every other cut commit is left for the next run's own open.
        if (run % 2 == 1 || run == Runs - 1) {
            ASSERT_NO_FATAL_FAILURE(ExpectHolds(done));
        }
    }
    std::string report;
    EXPECT_TRUE(UnzipTestPasses(Archive, &report)) << report;
}

} // namespace
