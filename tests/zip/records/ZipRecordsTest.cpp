#include "ArchiveErrors.h"
#include "EntryCompression.h"
#include "ZipRecords.h"
#include "RecordsTestSupport.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <ctime>
#include <unistd.h>

namespace {

std::vector<uint8_t> BytesOf(TMemoryStream& s) { return s.Bytes(); }

TZipItem& NewStoredEntry(TZipItem& item, const std::string& name, const std::string& data, TMemoryStream& out)
{
    item.SetFileName(name);
    TMemoryStream input;
    AppendBytes(input, data);
    input.SetPosition(0);
    TZipCompressionSettings settings;
    settings.CompressionMethodToUse = smStored;
    ZipFromStream(item, out, &input, settings);
    return item;
}

} // namespace

TEST(ZipRecords, NewEntryWithSevenByteNameStartsAtZeroWithDataAt37)
{
    TZipItem item;
    TMemoryStream data;
    NewStoredEntry(item, "cat.jpg", "hello", data);
    item.SetRelativeOffset(0);

    TMemoryStream file;
    item.SaveLFHToStream(file);
    const int64_t dataStart = file.GetPosition();
    file.CopyFrom(data, 0);
    const int64_t directoryStart = file.GetPosition();
    item.SaveCDHToStream(file);
    const std::vector<uint8_t> b = BytesOf(file);

    EXPECT_EQ(dataStart, 37);
    EXPECT_EQ(Le32(b, 0), ZipLocalFileHeaderSignature);
    EXPECT_EQ(Le16(b, 4), 10);       // stored
    EXPECT_EQ(Le16(b, 6), 0);        // flags
    EXPECT_EQ(Le16(b, 8), 0);        // method
    EXPECT_EQ(Le32(b, 14), item.GetCRC32());
    EXPECT_EQ(Le32(b, 18), 5u);
    EXPECT_EQ(Le32(b, 22), 5u);
    EXPECT_EQ(Le16(b, 26), 7);
    EXPECT_EQ(Le16(b, 28), 0);
    EXPECT_EQ(std::string(b.begin() + 30, b.begin() + 37), "cat.jpg");
    EXPECT_EQ(std::string(b.begin() + 37, b.begin() + 42), "hello");

    const size_t c = static_cast<size_t>(directoryStart);
    EXPECT_EQ(Le32(b, c), ZipCentralDirectorySignature);
    EXPECT_EQ(Le16(b, c + 4) & 0xFF, 20);
    for (size_t f = 0; f < 26; ++f)   // version needed .. extra length mirror the local header
        EXPECT_EQ(b[c + 6 + f], b[4 + f]) << "byte " << f;
    EXPECT_EQ(Le16(b, c + 32), 0);
    EXPECT_EQ(Le16(b, c + 34), 0);
    EXPECT_EQ(Le16(b, c + 36), 0);
    EXPECT_EQ(Le32(b, c + 38), 0u);
    EXPECT_EQ(Le32(b, c + 42), 0u);
    EXPECT_EQ(b.size(), c + 46 + 7);
}

TEST(ZipRecords, EmptyArchiveIsTheBareEndRecord)
{
    TZipDirectoryFileFooter footer;
    TMemoryStream file;
    footer.SaveToStream(file);
    const std::vector<uint8_t> b = BytesOf(file);
    ASSERT_EQ(b.size(), 22u);
    EXPECT_EQ(Le32(b, 0), ZipEndCentralDirectorySignature);
    for (size_t i = 4; i < 22; ++i)
        EXPECT_EQ(b[i], 0) << "byte " << i;
}

TEST(ZipRecords, EndRecordRoundTripsCountsAndComment)
{
    TZipDirectoryFileFooter footer;
    footer.EntriesOnDisk = 3;
    footer.TotalEntries = 3;
    footer.DirectorySize = 0x1234;
    footer.DirectoryOffset = 0xABCDEF;
    footer.ZipfileComment = std::string("note\0with zero", 14);
    TMemoryStream file;
    footer.SaveToStream(file);
    EXPECT_EQ(file.GetSize(), 22 + 14);

    file.SetPosition(0);
    TZipDirectoryFileFooter back;
    back.LoadFromStream(file);
    EXPECT_EQ(back.EntriesOnDisk, 3);
    EXPECT_EQ(back.TotalEntries, 3);
    EXPECT_EQ(back.DirectorySize, 0x1234u);
    EXPECT_EQ(back.DirectoryOffset, 0xABCDEFu);
    EXPECT_EQ(back.ZipfileComment, footer.ZipfileComment);
}

TEST(ZipRecords, KeptEntryRebuildsItsLocalHeaderFromTheCentralRecord)
{
    TZipDirectoryFileHeader central;
    central.VersionMadeBy = 0x0314;
    central.VersionNeededToExtract = 20;
    central.GeneralPurposeBitFlag = 0x0008;
    central.CompressionMethod = 8;
    central.LastModFileTime = 0x6A21;
    central.LastModFileDate = 0x5B8C;
    central.CRC32 = 0xDEADBEEF;
    central.CompressedSize = 1000;
    central.UncompressedSize = 4000;
    central.FileName = "dir/pic.jpg";
    central.ExtraField = std::string("\x55\x54\x05\x00\x00\x00\x00\x00\x00", 9);   // zeros inside
    central.FileComment = "kept";
    central.DiskNumberStart = 0;
    central.InternalFileAttributes = 1;
    central.ExternalFileAttributes = 0x81A40000;
    central.RelativeOffset = 77;
    TMemoryStream source;
    central.SaveToStream(source);

    source.SetPosition(0);
    TZipItem item;
    item.LoadFromStream(source);
    EXPECT_EQ(item.GetFileName(), "dir/pic.jpg");
    EXPECT_EQ(item.GetUncompressedSize(), 4000u);
    EXPECT_EQ(item.ExtraField().size(), 9u);

    TMemoryStream again;
    item.SaveCDHToStream(again);
    EXPECT_EQ(again.Bytes(), source.Bytes());

    TMemoryStream local;
    item.SaveLFHToStream(local);
    const std::vector<uint8_t> l = local.Bytes();
    const std::vector<uint8_t> c = source.Bytes();
    ASSERT_EQ(l.size(), 30u + 11 + 9);
    EXPECT_EQ(Le32(l, 0), ZipLocalFileHeaderSignature);
    for (size_t f = 0; f < 26; ++f)
        EXPECT_EQ(l[4 + f], c[6 + f]) << "byte " << f;
    EXPECT_EQ(std::string(l.begin() + 30, l.end()), central.FileName + central.ExtraField);

    TMemoryStream descriptor;
    item.SaveDDToStream(descriptor);
    const std::vector<uint8_t> d = descriptor.Bytes();
    ASSERT_EQ(d.size(), 12u);
    EXPECT_EQ(Le32(d, 0), 0xDEADBEEFu);
    EXPECT_EQ(Le32(d, 4), 1000u);
    EXPECT_EQ(Le32(d, 8), 4000u);
}

TEST(ZipRecords, WrongOrTruncatedSignatureIsRefused)
{
    TMemoryStream file;
    TZipLocalFileHeader local;
    local.FileName = "a";
    local.SaveToStream(file);

    file.SetPosition(0);
    TZipDirectoryFileHeader central;
    EXPECT_THROW(central.LoadFromStream(file), EZipInvalid);

    file.SetPosition(0);
    TZipDirectoryFileFooter footer;
    try {
        footer.LoadFromStream(file);
        FAIL() << "no exception";
    } catch (const EZipInvalid& e) {
        EXPECT_STREQ(e.what(), "Invalid file - not a PKZip file");
        EXPECT_EQ(e.ErrorCode(), 28);
    }

    TMemoryStream truncated;
    AppendBytes(truncated, "PK\x03");
    truncated.SetPosition(0);
    TZipLocalFileHeader partial;
    EXPECT_THROW(partial.LoadFromStream(truncated), EZipInvalid);
    EXPECT_EQ(partial.CompressedSize, 0u);
}

TEST(ZipRecords, FieldsLongerThanSixteenBitsAreRefusedNotCut)
{
    TMemoryStream out;
    TZipDirectoryFileFooter footer;
    footer.ZipfileComment.assign(65535, 'c');
    footer.SaveToStream(out);
    EXPECT_EQ(out.GetSize(), 22 + 65535);
    footer.ZipfileComment += 'c';
    EXPECT_THROW(footer.SaveToStream(out), EArchiveException);

    TZipItem item;
    item.SetExtraField(std::string(70000, 'x'));
    TMemoryStream local;
    EXPECT_THROW(item.SaveLFHToStream(local), EArchiveException);
    EXPECT_EQ(local.GetSize(), 0);
}

TEST(ZipRecords, ItemAccessorsWriteThroughToTheCentralRecord)
{
    TZipItem item;
    TArchiveItem& base = item;
    base.SetFileName("x/y.jpg");
    base.SetUncompressedSize(99);
    base.SetCompressedSize(42);
    base.SetCRC32(7);
    base.SetLastModFileTime(11);
    base.SetLastModFileDate(12);
    base.SetExternalFileAttributes(13);
    EXPECT_EQ(item.ItemInfo().FileName, "x/y.jpg");
    EXPECT_EQ(item.ItemInfo().UncompressedSize, 99u);
    EXPECT_EQ(item.ItemInfo().CompressedSize, 42u);
    EXPECT_EQ(item.ItemInfo().CRC32, 7u);
    EXPECT_EQ(item.ItemInfo().LastModFileTime, 11);
    EXPECT_EQ(item.ItemInfo().LastModFileDate, 12);
    EXPECT_EQ(item.ItemInfo().ExternalFileAttributes, 13u);
    item.ItemInfo().GeneralPurposeBitFlag = 1;
    EXPECT_TRUE(base.GetIsEncrypted());

    item.SetVersionMadeBy(0x0014);
    item.SetHostOS(HostAnsiCodePage);
    EXPECT_EQ(item.VersionMadeBy(), 0x0B14);
}

TEST(ZipRecords, DosTimeAndDateAndTheirRange)
{
    uint16_t t = 1, d = 1;
    DateTimeToDos({1979, 12, 31, 23, 59, 58}, t, d);
    EXPECT_EQ(t, 0);
    EXPECT_EQ(d, 0);
    DateTimeToDos({2108, 1, 1, 0, 0, 0}, t, d);
    EXPECT_EQ(t, 0);
    EXPECT_EQ(d, 0);

    DateTimeToDos({1980, 1, 1, 0, 0, 0}, t, d);
    EXPECT_EQ(t, 0);
    EXPECT_EQ(d, 1 + 32);
    DateTimeToDos({2107, 12, 31, 23, 59, 59}, t, d);
    EXPECT_EQ(t, 29 + 32 * 59 + 2048 * 23);
    EXPECT_EQ(d, 31 + 32 * 12 + 512 * 127);
    DateTimeToDos({2026, 6, 15, 14, 30, 17}, t, d);
    EXPECT_EQ(t >> 11, 14);
    EXPECT_EQ((t >> 5) & 63, 30);
    EXPECT_EQ((t & 31) * 2, 16);
    EXPECT_EQ(d >> 9, 46);
    EXPECT_EQ((d >> 5) & 15, 6);
    EXPECT_EQ(d & 31, 15);
}

// A file's time outside the DOS years is held to the nearest end instead of
// the 0 date no reader shows; the UTC block holds the seconds since 1970.
TEST(ZipRecords, FileTimesAreHeldToTheDosYearsAndCarriedInUtc)
{
    ::setenv("TZ", "UTC0", 1);
    ::tzset();
    uint16_t t = 1, d = 1;
    FileTimeToDos(4354819200LL, t, d);  // 2108-01-01
    EXPECT_EQ(t, 29 + 32 * 59 + 2048 * 23);
    EXPECT_EQ(d, 31 + 32 * 12 + 512 * 127);
    FileTimeToDos(-1, t, d);
    EXPECT_EQ(t, 0);
    EXPECT_EQ(d, 1 + 32);
    FileTimeToDos(315532799, t, d);  // 1979-12-31 23:59:59
    EXPECT_EQ(d, 1 + 32);
    FileTimeToDos(315532801, t, d);  // one second into 1980
    EXPECT_EQ(t, 0);
    EXPECT_EQ(d, 1 + 32);
    ::setenv("TZ", "IST-5:30", 1);
    ::tzset();
    FileTimeToDos(315532801, t, d);
    EXPECT_EQ(t, 2048 * 5 + 32 * 30);
    ::unsetenv("TZ");
    ::tzset();

    EXPECT_EQ(ExtendedTimestampField(0x12345678), std::string("UT\x05\x00\x01\x78\x56\x34\x12", 9));
    EXPECT_EQ(ExtendedTimestampField(INT32_MAX).size(), 9u);
    EXPECT_EQ(ExtendedTimestampField(int64_t{INT32_MAX} + 1), "");
    EXPECT_EQ(ExtendedTimestampField(-1), "");
}

TEST(ZipRecords, HostByteFollowsTheExpandedPath)
{
    char saved[4096];
    ASSERT_NE(getcwd(saved, sizeof saved), nullptr);
    TScratchFolder ascii;
    ASSERT_EQ(chdir(ascii.Path().c_str()), 0);
    EXPECT_EQ(HostByteForName("cat.jpg"), HostOemCodePage);
    EXPECT_EQ(HostByteForName("k\xC3\xA4tzchen.jpg"), HostAnsiCodePage);

    const std::string nonAsciiDir = ascii.File("gr\xC3\xBC\xC3\x9F");
    ASSERT_TRUE(std::filesystem::create_directory(nonAsciiDir));
    ASSERT_EQ(chdir(nonAsciiDir.c_str()), 0);
    EXPECT_EQ(HostByteForName("cat.jpg"), HostAnsiCodePage);
    ASSERT_EQ(chdir(saved), 0);
}

TEST(ZipRecords, Utf8NameDetection)
{
    EXPECT_FALSE(IsNonAsciiUtf8("plain.jpg"));
    EXPECT_TRUE(IsNonAsciiUtf8("k\xC3\xA4tzchen.jpg"));
    EXPECT_TRUE(IsNonAsciiUtf8("\xE6\x97\xA5\xE6\x9C\xAC.jpg"));
    EXPECT_TRUE(IsNonAsciiUtf8("\xF0\x9F\x90\xB1.jpg"));
    EXPECT_FALSE(IsNonAsciiUtf8("k\xE4tzchen.jpg"));        // Latin-1
    EXPECT_FALSE(IsNonAsciiUtf8("cut\xC3"));                // truncated sequence
    EXPECT_FALSE(IsNonAsciiUtf8("\xC0\xAF"));               // overlong
    EXPECT_FALSE(IsNonAsciiUtf8("\xED\xA0\x80"));           // surrogate
    EXPECT_FALSE(IsNonAsciiUtf8("\xF4\x90\x80\x80"));       // beyond U+10FFFF
}

TEST(ZipRecords, ExceptionsFillTheirMessagesFromTheTable)
{
    EXPECT_EQ(EZipNoInsertion().ErrorCode(), 5);
    EXPECT_EQ(ArchiveMessage(EZipNoInsertion().ErrorCode()), EZipNoInsertion().what());
    EXPECT_EQ(ArchiveMessage(ErrDuplicateName), "Cannot insert file - duplicates stored name");
    EXPECT_EQ(ArchiveMessage(-5), "");

    EXPECT_STREQ(EBadStream("Stream write error").what(), "Invalid Stream\r\nStream write error");
    EXPECT_STREQ(EDeflateError("buffer error").what(), "Zlib deflate error. (Internal cause: buffer error)");
    EXPECT_STREQ(EVMSInvalidOrigin(3).what(), "VMS: invalid origin 3, should be 0, 1, 2");
    EXPECT_STREQ(EVMSWriteFail(4096, "/tmp/VMSx").what(), "VMS: Failed to write 4096 bytes to swap file /tmp/VMSx");
    EXPECT_STREQ(EVMSReadFail(4096, "/tmp/VMSx").what(), "VMS: Failed to read 4096 bytes from swap file /tmp/VMSx");
    EXPECT_STREQ(EVMSSeekFail("/tmp/VMSx").what(), "VMS: Failed to seek in swap file /tmp/VMSx");
    EXPECT_STREQ(EVMSErrorOpenSwap("/tmp/VMSx", EACCES).what(), "VMS: Cannot open swap file /tmp/VMSx. Permission denied");
    EXPECT_EQ(EAbortProgress().Message(), EUserAbort().Message());
    EXPECT_EQ(EArchiveException("Full Path Required").ErrorCode(), 0);
}
