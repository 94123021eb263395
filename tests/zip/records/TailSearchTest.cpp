#include "ZipRecords.h"
#include "RecordsTestSupport.h"

#include <gtest/gtest.h>

#include <random>

namespace {

// A stream that counts how many reads it served.
class TCountingStream : public TMemoryStream {
public:
    int64_t Read(void* buffer, int64_t count) override
    {
        ++Reads;
        return TMemoryStream::Read(buffer, count);
    }
    int Reads = 0;
};

std::string EndRecord(const std::string& comment)
{
    TZipDirectoryFileFooter footer;
    footer.ZipfileComment = comment;
    TMemoryStream s;
    footer.SaveToStream(s);
    return std::string(s.Bytes().begin(), s.Bytes().end());
}

std::string Filler(size_t n, uint32_t seed)
{
    std::mt19937 rng(seed);
    std::string s(n, '\0');
    for (char& c : s)
        c = static_cast<char>('a' + rng() % 26);   // never a 'P'
    return s;
}

} // namespace

TEST(EndRecordSearch, PlainTailIsFoundWithoutScanning)
{
    TCountingStream file;
    AppendBytes(file, Filler(100000, 1) + EndRecord(""));
    file.SetPosition(5);
    file.Reads = 0;
    EXPECT_EQ(FindCentralDirectoryTail(file), 100000);
    EXPECT_EQ(file.GetPosition(), 100000);
    EXPECT_EQ(file.Reads, 1);
}

TEST(EndRecordSearch, NothingFoundRestoresThePosition)
{
    for (size_t size : {0u, 1u, 21u, 22u, 600u, 70000u, 200000u}) {
        TMemoryStream file;
        AppendBytes(file, Filler(size, 2));
        file.SetPosition(size / 2);
        EXPECT_EQ(FindCentralDirectoryTail(file), -1) << size;
        EXPECT_EQ(file.GetPosition(), static_cast<int64_t>(size / 2)) << size;
        EXPECT_EQ(VerifyZip(file), VerifiedNone) << size;
    }
    TMemoryStream shortOne;   // a signature, but fewer than 22 bytes
    AppendBytes(shortOne, "PK\x05\x06" + std::string(10, '\0'));
    EXPECT_EQ(FindCentralDirectoryTail(shortOne), -1);
}

TEST(EndRecordSearch, FakeSignatureInTheCommentIsPassedOver)
{
    // The fake record inside the comment claims a comment longer than the bytes after it.
    std::string fake = "PK\x05\x06" + std::string(16, '\0') + std::string("\xFF\x00", 2);
    const std::string comment = "before " + fake + " after";
    TMemoryStream file;
    const std::string head = Filler(300, 3);
    AppendBytes(file, head + EndRecord(comment));
    EXPECT_EQ(FindCentralDirectoryTail(file), static_cast<int64_t>(head.size()));

    file.SetPosition(FindCentralDirectoryTail(file));
    TZipDirectoryFileFooter footer;
    footer.LoadFromStream(file);
    EXPECT_EQ(footer.ZipfileComment, comment);
}

TEST(EndRecordSearch, CommentsNearTheLongestAreFound)
{
    for (size_t length : {65535u, 65534u, 65000u, 40000u}) {
        const std::string head = Filler(1000, 4);
        TMemoryStream file;
        AppendBytes(file, head + EndRecord(Filler(length, 5)));
        EXPECT_EQ(FindCentralDirectoryTail(file), 1000) << length;
        EXPECT_EQ(VerifyZip(file), VerifiedZip) << length;
    }
}

TEST(EndRecordSearch, RecordsAtEveryBlockBoundaryAreFound)
{
    // Blocks of 512, 1024, 2048, ... from the end overlap by 21 bytes; put the
    // record so that it starts at every offset around each seam.
    const std::vector<size_t> seams = {512, 512 + 1024 - 21, 512 + 1024 + 2048 - 42,
                                       512 + 1024 + 2048 + 4096 - 63, 15788, 32151, 64898, 65536};
    for (size_t seam : seams) {
        for (int delta = -25; delta <= 25; ++delta) {
            const size_t tailLength = seam + static_cast<size_t>(delta);
            if (tailLength < 22 || tailLength - 22 > 65535)
                continue;
            const std::string record = EndRecord(Filler(tailLength - 22, 6));
            const std::string head = Filler(70000, 7);
            TMemoryStream file;
            AppendBytes(file, head + record);
            ASSERT_EQ(FindCentralDirectoryTail(file), static_cast<int64_t>(head.size()))
                << "record " << tailLength << " bytes from the end";
        }
    }
}

TEST(EndRecordSearch, SearchGoesBackToTheStartOfTheFile)
{
    // A record whose comment length is zero but with trailing junk after it:
    // far from the end, found only by scanning all the way back.
    const std::string junk = Filler(200000, 8);
    TMemoryStream file;
    AppendBytes(file, EndRecord("") + junk);
    EXPECT_EQ(FindCentralDirectoryTail(file), 0);
}

TEST(ZipContentTest, MarkersArchivesAndExecutables)
{
    TMemoryStream spanned;
    AppendBytes(spanned, Le32Bytes(ZipSpannedSetSignature) + Filler(50, 9));
    EXPECT_EQ(VerifyZip(spanned), VerifiedSpanned);

    TMemoryStream single;
    AppendBytes(single, "PK00" + EndRecord(""));
    EXPECT_EQ(VerifyZip(single), VerifiedSpanned);

    TMemoryStream zip;
    AppendBytes(zip, EndRecord("comment"));
    zip.SetPosition(3);
    EXPECT_EQ(VerifyZip(zip), VerifiedZip);
    EXPECT_EQ(zip.GetPosition(), 3);
    EXPECT_EQ(VerifySelfExtracting(zip), VerifiedNone);

    TMemoryStream windowsStub;
    AppendBytes(windowsStub, "MZ" + Filler(500, 10) + EndRecord(""));
    EXPECT_EQ(VerifySelfExtracting(windowsStub), VerifiedSelfExtracting);

    TMemoryStream elfStub;
    AppendBytes(elfStub, "\x7F" "ELF" + Filler(500, 11) + EndRecord("x"));
    elfStub.SetPosition(9);
    EXPECT_EQ(VerifySelfExtracting(elfStub), VerifiedSelfExtracting);
    EXPECT_EQ(elfStub.GetPosition(), 9);

    TMemoryStream plainExe;
    AppendBytes(plainExe, "MZ" + Filler(500, 12));
    EXPECT_EQ(VerifySelfExtracting(plainExe), VerifiedNone);
}
