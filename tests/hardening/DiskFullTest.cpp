// The disk filling up in the middle of adding to an archive, played by a
// file size limit (with SIGXFSZ ignored, a write past it fails with EFBIG)
// at many points of the write: the old archive is never damaged, the user is
// told, and no temporary or swap file is left behind.

#include "HardeningSupport.h"
#include "JpegFixtures.h"
#include "ZipListing.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sys/stat.h>

using ::testing::AnyOf;
using ::testing::StartsWith;

namespace {

constexpr int OldPictures = 6;
constexpr int NewPictures = 3;
constexpr const char* LargeThumbs = "400";  // the archive needs the swap file
constexpr const char* SmallThumbs = "60";   // the whole archive stays in memory

std::string PictureName(int i)
{
    const std::string number = std::to_string(100 + i);
    return "P" + number + ".JPG";
}

class DiskFull : public ::testing::Test {
protected:
    DiskFull()
    {
        ::mkdir(Out.c_str(), 0755);
        ::mkdir(Tmp.c_str(), 0700);
        for (int i = 0; i < OldPictures + NewPictures; ++i)
            WriteTestJpeg(Dir.File(PictureName(i)), 420 + i, 300, TJpegKind::Baseline, 95);
    }

    void MakeOldArchive(const std::string& size)
    {
        Size = size;
        std::vector<std::string> args = {"-s", Size, Archive};
        for (int i = 0; i < OldPictures; ++i)
            args.push_back(Dir.File(PictureName(i)));
        const TChildResult made = RunBatch(args, Tmp);
        EXPECT_EQ(made.ExitCode, 0) << made.Err;
        OldBytes = ReadBytes(Archive);
        OldListing = ReadZipListing(Archive);
    }

    // plinkavorte-batch adding the new pictures, no file larger than limitBytes.
    TChildResult AddWithFileLimit(size_t limitBytes)
    {
        WriteBytes(Archive, OldBytes);
        std::string command = "trap '' XFSZ; ulimit -f " + std::to_string(limitBytes / 512) + "; TMPDIR='" + Tmp +
                              "' exec '" + BatchProgram + "' -s " + Size + " '" + Archive + "'";
        for (int i = OldPictures; i < OldPictures + NewPictures; ++i)
            command += " '" + Dir.File(PictureName(i)) + "'";
        TChildResult result;
        result.ExitCode = RunShell(command, &result.Err);
        return result;
    }

    // Every old entry still there, byte for byte, first and in order.
    void ExpectOldEntriesWhole()
    {
        const TZipListing now = ReadZipListing(Archive);
        ASSERT_GE(now.Entries.size(), OldListing.Entries.size());
        for (size_t i = 0; i < OldListing.Entries.size(); ++i) {
            EXPECT_EQ(now.Entries[i].Name, OldListing.Entries[i].Name);
            EXPECT_EQ(now.Extract(now.Entries[i]), OldListing.Extract(OldListing.Entries[i]));
        }
        std::string report;
        EXPECT_TRUE(UnzipTestPasses(Archive, &report)) << report;
    }

    TTempDir Dir;
    std::string Out = Dir.File("out");
    std::string Tmp = Dir.File("tmp");
    std::string Archive = Out + "/thumbs.zip";
    std::string Size;
    std::vector<uint8_t> OldBytes;
    TZipListing OldListing;

    // What the user read, after the program's name and the archive's.
    static std::string MessageOf(const TChildResult& result)
    {
        const std::string prefix = "plinkavorte-batch: ";
        const size_t at = result.Err.rfind(prefix);
        std::string message = at == std::string::npos ? result.Err : result.Err.substr(at + prefix.size());
        const size_t named = message.find(": ");
        if (!message.empty() && message.front() == '/' && named != std::string::npos)
            message.erase(0, named + 2);
        while (!message.empty() && message.back() == '\n')
            message.pop_back();
        return message;
    }

    // Adds under limits from almost nothing to more than the grown archive
    // needs; returns the messages of the adds that failed.
    std::vector<std::string> FailuresAcrossLimits()
    {
        const size_t full = OldBytes.size() + NewPictures * (OldBytes.size() / OldPictures) + 4096;
        std::vector<std::string> failures;
        for (size_t limit = 2048; limit < full; limit += full / 14) {
            SCOPED_TRACE("file size limit " + std::to_string(limit));
            const TChildResult result = AddWithFileLimit(limit);
            if (result.ExitCode != 0) {
                EXPECT_EQ(result.ExitCode, 1);
                EXPECT_NE(result.Err.find("plinkavorte-batch: " + Archive + ": "), std::string::npos) << result.Err;
                failures.push_back(MessageOf(result));
            }
            ExpectOldEntriesWhole();
            EXPECT_EQ(FolderNames(Out), (std::set<std::string>{"thumbs.zip"}));
            EXPECT_EQ(FolderNames(Tmp), (std::set<std::string>{}));
        }
        return failures;
    }
};

TEST_F(DiskFull, FailedSwapWriteKeepsTheOldArchiveAndLeavesNoTemporaryFile)
{
    MakeOldArchive(LargeThumbs);
    ASSERT_GT(OldBytes.size(), 120u * 1024);
    const auto failures = FailuresAcrossLimits();
    EXPECT_GE(failures.size(), 10u);
    // While the image is built the swap file fails as it is; while it is
    // copied into the archive the failure comes wrapped.
    const std::string swapFailure = "VMS: Failed to write 4096 bytes to swap file " + Tmp + "/VMS";
    bool sawPlain = false, sawWrapped = false;
    for (const auto& message : failures) {
        EXPECT_THAT(message, AnyOf(StartsWith(swapFailure), StartsWith("Invalid Stream: " + swapFailure),
                                   StartsWith("Invalid Stream: Stream write error")));
        EXPECT_EQ(message.back(), '.');
        sawPlain = sawPlain || message.rfind(swapFailure, 0) == 0;
        sawWrapped = sawWrapped || message.rfind("Invalid Stream", 0) == 0;
    }
    // The tail of an append is built in memory: only the picture's swap file can fail.
    EXPECT_TRUE(sawPlain || sawWrapped);
}

TEST_F(DiskFull, FailedArchiveWriteKeepsTheOldArchiveAndLeavesNoTemporaryFile)
{
    MakeOldArchive(SmallThumbs);
    ASSERT_LT(OldBytes.size() * 2, 100u * 1024);
    const auto failures = FailuresAcrossLimits();
    EXPECT_GE(failures.size(), 10u);
    for (const auto& message : failures)
        EXPECT_EQ(message, "Invalid Stream: Stream write error.");
}

} // namespace
