// Archives that are not what they claim, as the target of plinkavorte-batch:
// refused ones are left byte for byte as they were; accepted ones keep every
// entry they held, names as they were, and gain the new thumbnail.

#include "HandMadeZip.h"
#include "HardeningSupport.h"
#include "JpegFixtures.h"
#include "ZipListing.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using ::testing::ElementsAre;

namespace {

class BadArchive : public ::testing::Test {
protected:
    BadArchive()
    {
        WriteTestJpeg(Picture, 40, 30);
        Sample.Entries = {{"one.jpg", "first entry"}, {"two.jpg", "second entry"}};
    }

    TChildResult AddPictureTo(const std::vector<uint8_t>& archiveBytes)
    {
        WriteBytes(Archive, archiveBytes);
        return RunBatch({Archive, Picture});
    }

    void ExpectRefusedUntouched(const std::vector<uint8_t>& bytes, const std::string& message)
    {
        const TChildResult result = AddPictureTo(bytes);
        EXPECT_EQ(result.ExitCode, 1);
        EXPECT_EQ(LastErrorLine(result), Archive + ": " + message) << "the archive is named, not the picture";
        EXPECT_EQ(ReadBytes(Archive), bytes);
        EXPECT_EQ(FolderNames(Dir.Path()), (std::set<std::string>{"new.jpg", "thumbs.zip"}));
    }

    // The old entries with their bytes, then the new thumbnail.
    void ExpectKeptAndAdded(const std::vector<std::string>& oldNames)
    {
        const TZipListing listing = ReadZipListing(Archive);
        std::vector<std::string> expected = oldNames;
        expected.push_back("new.jpg");
        EXPECT_EQ(listing.Names(), expected);
        for (size_t i = 0; i < oldNames.size() && i < listing.Entries.size(); ++i) {
            const auto bytes = listing.Extract(listing.Entries[i]);
            EXPECT_EQ(std::string(bytes.begin(), bytes.end()), OldData[i]) << oldNames[i];
        }
        std::string report;
        EXPECT_TRUE(UnzipTestPasses(Archive, &report)) << report;
    }

    TTempDir Dir;
    std::string Archive = Dir.File("thumbs.zip");
    std::string Picture = Dir.File("new.jpg");
    THandMadeZip Sample;
    std::vector<std::string> OldData;
};

TEST_F(BadArchive, TextAndTruncatedFilesAreRefusedAndLeftAlone)
{
    const std::string text = "name,size\nIMG_0001.JPG,2048\n";
    ExpectRefusedUntouched(std::vector<uint8_t>(text.begin(), text.end()), "Unhandled Archive Type.");
    auto cut = Sample.Bytes();
    cut.resize(cut.size() * 2 / 3);
    ExpectRefusedUntouched(cut, "Unhandled Archive Type.");
    // Only the end record's last bytes missing.
    auto shortEnd = Sample.Bytes();
    shortEnd.resize(shortEnd.size() - 10);
    ExpectRefusedUntouched(shortEnd, "Unhandled Archive Type.");
}

TEST_F(BadArchive, AZip64ArchiveIsAddedToAndAZeroCountOneRefused)
{
    THandMadeZip zip64 = Sample;
    zip64.Zip64 = true;
    OldData = {"first entry", "second entry"};
    const TChildResult result = AddPictureTo(zip64.Bytes());
    EXPECT_EQ(result.ExitCode, 0) << result.Err;
    ExpectKeptAndAdded({"one.jpg", "two.jpg"});
    // Rewriting this as empty would drop both entries another reader still sees.
    THandMadeZip zeroCount = Sample;
    zeroCount.CountOverride = 0;
    ExpectRefusedUntouched(zeroCount.Bytes(), "Invalid file - not a PKZip file.");
}

// unzip extracts all 100 bytes of an entry whose local header says 100 and
// whose central record says 50: neither cutting it to 50 nor copying 50
// bytes of the next header into it is right, so the archive is refused.
TEST_F(BadArchive, AnEntryWhoseRecordsDisagreeIsRefusedByName)
{
    for (const int central : {50, 150}) {
        SCOPED_TRACE(central);
        THandMadeZip disagreeing;
        disagreeing.Entries = {{"keep.jpg", "kept"}, {"photo 1.jpg", std::string(100, 'p'), central},
                               {"last.jpg", "last"}};
        ExpectRefusedUntouched(disagreeing.Bytes(),
                               "The archive's records disagree on the size of \"photo 1.jpg\", so where it ends is "
                               "uncertain - nothing written.");
    }
}

TEST_F(BadArchive, EndSignatureInsideTheCommentDoesNotLoseEntries)
{
    OldData = {"first entry", "second entry"};
    THandMadeZip bareSignature = Sample;
    bareSignature.Comment = std::string("PK\x05\x06", 4);
    const TChildResult result = AddPictureTo(bareSignature.Bytes());
    EXPECT_EQ(result.ExitCode, 0) << result.Err;
    ExpectKeptAndAdded({"one.jpg", "two.jpg"});

    // A whole fake end record claiming no entries: refused rather than
    // taken as an empty archive and rewritten without the real ones. Read
    // from the fake record, the real one's comment is bytes after the end.
    THandMadeZip fakeRecord = Sample;
    fakeRecord.Comment = std::string("see PK\x05\x06", 8) + std::string(18, '\0') + "tail";
    ExpectRefusedUntouched(fakeRecord.Bytes(),
                           "The archive has bytes after its end record, which adding to it would lose - nothing written.");
}

TEST_F(BadArchive, OddEntryNamesAreKeptAsTheyWere)
{
    THandMadeZip odd;
    odd.Entries = {{"../up.jpg", "up"}, {"/etc/abs.jpg", "abs"}, {"dir\\back.jpg", "back"}, {"C:\\x.jpg", "drive"}};
    OldData = {"up", "abs", "back", "drive"};
    const TChildResult result = AddPictureTo(odd.Bytes());
    EXPECT_EQ(result.ExitCode, 0) << result.Err;
    ExpectKeptAndAdded({"../up.jpg", "/etc/abs.jpg", "dir\\back.jpg", "C:\\x.jpg"});
    // Nothing was written outside the archive's folder.
    EXPECT_EQ(FolderNames(Dir.Path()), (std::set<std::string>{"new.jpg", "thumbs.zip"}));
}

} // namespace
