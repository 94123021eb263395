// Archives past the classic format's limits: more than 65535 entries, and
// offsets beyond 4 GiB in a sparse file. Zip64 records appear only where a
// value needs them; archives other tools made with zip64 records are added
// to; every reader at hand reads the result.

#include "ArchiveTestSupport.h"

#include "ZipArchive.h"

#include <fcntl.h>
#include <unistd.h>
#include <zlib.h>

using namespace archive_test;

namespace {

constexpr uint32_t LocatorSignature = 0x07064B50;

uint64_t Get64(const Bytes& b, size_t at) { return Get32(b, at) | static_cast<uint64_t>(Get32(b, at + 4)) << 32; }

size_t EndRecordAt(const Bytes& file)
{
    for (size_t at = file.size() - 22 + 1; at-- > 0;)
        if (Get32(file, at) == 0x06054B50u)
            return at;
    return 0;
}

bool EndsWithZip64Records(const Bytes& file)
{
    const size_t end = EndRecordAt(file);
    return end >= 20 && Get32(file, end - 20) == LocatorSignature;
}

uint64_t DirectorySizeOf(const Bytes& file)
{
    const size_t end = EndRecordAt(file);
    if (!EndsWithZip64Records(file))
        return Get32(file, end + 12);
    return Get64(file, Get64(file, end - 12) + 40);
}

// Python opens the archive, counts its entries and reads the named ones.
TRun PythonReads(const std::string& path, const std::string& names)
{
    return RunCommand("python3 -c " +
                      Quote("import sys,zipfile,hashlib\n"
                            "z=zipfile.ZipFile(sys.argv[1])\n"
                            "print(len(z.infolist()))\n"
                            "for n in sys.argv[2:]: print(n, len(z.read(n)), hex(z.getinfo(n).header_offset))\n") +
                      " " + Quote(path) + " " + names);
}

class Zip64 : public ::testing::Test {
protected:
    Zip64()
    {
        FHooks.Removable(false);
        FZipper.SetStoreOptions(DefaultStoreOptions | StoreOptionBit(soStripPath));
    }
    std::string Name() const { return FScratch.File("big.zip"); }

    TPlatformHooks FHooks;
    TScratch FScratch;
    TZipper FZipper;
};

// The CRC-32 of `count` zero bytes, by doubling.
uLong CrcOfZeros(uint64_t count)
{
    const Bytef zero = 0;
    uLong block = crc32(0, &zero, 1);
    uLong result = crc32(0, Z_NULL, 0);
    for (uint64_t length = 1; count > 0; count >>= 1, length <<= 1) {
        if (count & 1)
            result = crc32_combine64(result, block, static_cast<z_off64_t>(length));
        block = crc32_combine64(block, block, static_cast<z_off64_t>(length));
    }
    return result;
}

// One stored entry of zeros, a hole in the file, ending `below` bytes
// short of 4 GiB, and its classic directory.
void WriteSparseArchive(const std::string& path, uint64_t below)
{
    const std::string name = "zeros.bin";
    const uint64_t data = 0x100000000ull - below - 30 - name.size();
    Bytes local(30, 0);
    auto put = [](Bytes& b, size_t at, uint64_t v, int n) {
        for (int i = 0; i < n; ++i)
            b[at + static_cast<size_t>(i)] = static_cast<uint8_t>(v >> (8 * i));
    };
    const uLong crc = CrcOfZeros(data);
    put(local, 0, 0x04034B50, 4);
    put(local, 4, 10, 2);
    put(local, 14, crc, 4);
    put(local, 18, data, 4);
    put(local, 22, data, 4);
    put(local, 26, name.size(), 2);
    local.insert(local.end(), name.begin(), name.end());
    Bytes central(46, 0);
    put(central, 0, 0x02014B50, 4);
    put(central, 4, 20, 2);
    put(central, 6, 10, 2);
    put(central, 16, crc, 4);
    put(central, 20, data, 4);
    put(central, 24, data, 4);
    put(central, 28, name.size(), 2);
    central.insert(central.end(), name.begin(), name.end());
    const uint64_t directory = local.size() + data;
    Bytes end(22, 0);
    put(end, 0, 0x06054B50, 4);
    put(end, 8, 1, 2);
    put(end, 10, 1, 2);
    put(end, 12, central.size(), 4);
    put(end, 16, directory, 4);
    central.insert(central.end(), end.begin(), end.end());
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::pwrite(fd, local.data(), local.size(), 0), static_cast<ssize_t>(local.size()));
    ASSERT_EQ(::pwrite(fd, central.data(), central.size(), static_cast<off_t>(directory)),
              static_cast<ssize_t>(central.size()));
    ::close(fd);
}

} // namespace

// The 65535th entry still fits the classic end record; the 65536th brings
// the zip64 end record and locator. Both archives open again, here and in
// every other reader.
TEST_F(Zip64, PastTheClassicCountTheZip64EndIsWrittenAndReadAgain)
{
    const TRun made = RunCommand("python3 -c " +
                                 Quote("import sys,zipfile\n"
                                       "with zipfile.ZipFile(sys.argv[1],'w') as z:\n"
                                       "  for i in range(65534): z.writestr('%05d'%i, b'')\n") +
                                 " " + Quote(Name()));
    ASSERT_EQ(made.Status, 0) << made.Output;
    FZipper.SetFileName(Name());
    ASSERT_EQ(FZipper.Count(), 65534);
    AddBytes(FZipper, "last.jpg", PhotoLikeBytes(1000, 1));
    const Bytes classic = ReadAll(Name());
    EXPECT_EQ(Get16(classic, classic.size() - 22 + 10), 65535);
    EXPECT_FALSE(EndsWithZip64Records(classic));
    FZipper.Close();
    FZipper.SetFileName(Name());
    ASSERT_EQ(FZipper.Count(), 65535);

    const auto directory = static_cast<std::ptrdiff_t>(FZipper.Archive()->DirectoryPosition());
    AddBytes(FZipper, "one-more.jpg", PhotoLikeBytes(1000, 2));
    const uint64_t newDirectory = FZipper.Archive()->DirectoryPosition();
    FZipper.Close();
    const Bytes zip64 = ReadAll(Name());
    EXPECT_TRUE(std::equal(classic.begin(), classic.begin() + directory, zip64.begin()));
    ASSERT_TRUE(EndsWithZip64Records(zip64));
    const size_t end = zip64.size() - 22 - Get16(zip64, zip64.size() - 2);
    const size_t record = Get64(zip64, end - 12);
    EXPECT_EQ(Get32(zip64, record), 0x06064B50u);
    EXPECT_EQ(record + 56, end - 20);
    EXPECT_EQ(Get64(zip64, record + 32), 65536u);
    EXPECT_EQ(Get64(zip64, record + 48), newDirectory);
    EXPECT_EQ(Get16(zip64, end + 10), 0xFFFF);

    EXPECT_TRUE(UnzipAccepts(Name()));
    const TRun python = PythonReads(Name(), "last.jpg one-more.jpg");
    EXPECT_EQ(python.Output.substr(0, python.Output.find('\n')), "65536") << python.Output;
    EXPECT_NE(python.Output.find("one-more.jpg 1000 "), std::string::npos) << python.Output;
    const TRun zipinfo = RunCommand("zipinfo -1 " + Quote(Name()) + " | wc -l");
    EXPECT_EQ(zipinfo.Output, "65536\n");

    TZipper again;
    again.SetStoreOptions(DefaultStoreOptions | StoreOptionBit(soStripPath));
    again.SetFileName(Name());
    ASSERT_EQ(again.Count(), 65536);
    EXPECT_TRUE(again.Archive()->HasZip64End());
    AddBytes(again, "00007", PhotoLikeBytes(10, 3));  // already there
    AddBytes(again, "after.jpg", PhotoLikeBytes(1000, 4));
    again.Close();
    EXPECT_EQ(PythonReads(Name(), "after.jpg").Output.substr(0, 6), "65537\n");
}

// Other tools write zip64 records into archives that do not need them;
// those archives are added to, their entries and records kept as they were.
TEST_F(Zip64, ArchivesOtherToolsForcedToZip64AreAddedTo)
{
    WriteAll(FScratch.File("a.txt"), Bytes(5000, 'a'));
    WriteAll(FScratch.File("b.bin"), PhotoLikeBytes(7000, 1));
    const std::string folder = Quote(FScratch.Path());
    const std::vector<std::pair<std::string, std::string>> makers = {
        {"zip -fz", "cd " + folder + " && zip -q -fz big.zip a.txt b.bin"},
        {"python force_zip64",
         "python3 -c " +
             Quote("import sys,zipfile\n"
                   "with zipfile.ZipFile(sys.argv[1],'w',zipfile.ZIP_DEFLATED) as z:\n"
                   "  for n in ['a.txt','b.bin']:\n"
                   "    with z.open(n,'w',force_zip64=True) as f: f.write(open(sys.argv[2]+'/'+n,'rb').read())\n") +
             " " + Quote(Name()) + " " + folder},
    };
    for (const auto& [maker, command] : makers) {
        SCOPED_TRACE(maker);
        std::filesystem::remove(Name());
        const TRun made = RunCommand(command);
        ASSERT_EQ(made.Status, 0) << made.Output;
        const Bytes before = ReadAll(Name());
        FZipper.SetFileName(Name());
        ASSERT_EQ(FZipper.Count(), 2);
        const auto directory = static_cast<std::ptrdiff_t>(FZipper.Archive()->DirectoryPosition());
        const Bytes picture = PhotoLikeBytes(3000, 9);
        AddBytes(FZipper, "thumb.jpg", picture);
        const auto newDirectory = static_cast<std::ptrdiff_t>(FZipper.Archive()->DirectoryPosition());
        FZipper.Close();
        const Bytes after = ReadAll(Name());
        EXPECT_TRUE(std::equal(before.begin(), before.begin() + directory, after.begin()));
        // The old central records come first in the new directory, byte for byte.
        const auto oldRecords = static_cast<std::ptrdiff_t>(DirectorySizeOf(before));
        EXPECT_TRUE(std::equal(before.begin() + directory, before.begin() + directory + oldRecords,
                               after.begin() + newDirectory));
        EXPECT_EQ(EndsWithZip64Records(after), EndsWithZip64Records(before));
        EXPECT_TRUE(UnzipAccepts(Name()));
        const TRun listing = PythonListing(Name());
        ASSERT_EQ(listing.Status, 0) << listing.Output;
        EXPECT_NE(listing.Output.find(Sha1Line("thumb.jpg", picture)), std::string::npos) << listing.Output;
        EXPECT_NE(listing.Output.find("a.txt:5000:"), std::string::npos) << listing.Output;
    }
}

// A sparse archive whose entries end just short of 4 GiB: the first new
// entry still has a classic offset, the next one and the directory need
// zip64 records. Only what was added is read back; the zeros stay a hole.
TEST_F(Zip64, ASparseArchiveCrossingFourGibibytes)
{
    ASSERT_NO_FATAL_FAILURE(WriteSparseArchive(Name(), 2000));
    FZipper.SetFileName(Name());
    ASSERT_EQ(FZipper.Count(), 1);
    const Bytes first = PhotoLikeBytes(3000, 1);
    const Bytes second = PhotoLikeBytes(3000, 2);
    AddBytes(FZipper, "first.jpg", first);
    AddBytes(FZipper, "second.jpg", second);
    const TZipItem& before = *FZipper.Archive()->ZipItem(1);
    const TZipItem& beyond = *FZipper.Archive()->ZipItem(2);
    EXPECT_EQ(before.Offset(), 0x100000000ull - 2000);
    EXPECT_LT(before.ItemInfo().RelativeOffset, 0xFFFFFFFFu);
    EXPECT_GT(beyond.Offset(), 0xFFFFFFFFull);
    EXPECT_EQ(beyond.ItemInfo().RelativeOffset, 0xFFFFFFFFu);
    EXPECT_EQ(beyond.ItemInfo().VersionNeededToExtract, 45);
    EXPECT_TRUE(FZipper.Archive()->HasZip64End());
    const uint64_t beyondOffset = beyond.Offset();
    FZipper.Close();

    const TRun python = PythonReads(Name(), "first.jpg second.jpg");
    EXPECT_NE(python.Output.find("3\nfirst.jpg 3000 0xfffff830\n"), std::string::npos) << python.Output;
    EXPECT_NE(python.Output.find("second.jpg 3000 0x1000"), std::string::npos) << python.Output;
    const TRun unzip = RunCommand("unzip -tq " + Quote(Name()) + " first.jpg second.jpg");
    EXPECT_EQ(unzip.Status, 0) << unzip.Output;
    const TRun zipinfo = RunCommand("zipinfo -1 " + Quote(Name()));
    EXPECT_EQ(zipinfo.Output, "zeros.bin\nfirst.jpg\nsecond.jpg\n");

    // Opened again, the zip64 block gives the offset, and one more goes on.
    FZipper.SetFileName(Name());
    ASSERT_EQ(FZipper.Count(), 3);
    EXPECT_EQ(FZipper.Archive()->ZipItem(2)->Offset(), beyondOffset);
    EXPECT_EQ(FZipper.Archive()->ZipItem(2)->LocalRecordSize(), 30 + 10);
    AddBytes(FZipper, "third.jpg", PhotoLikeBytes(3000, 3));
    FZipper.Close();
    EXPECT_NE(PythonReads(Name(), "third.jpg").Output.find("third.jpg 3000 0x1000"), std::string::npos);
}

// Where the file system caps a file's size (FAT at 4 GiB), a commit that
// would pass the cap is refused before anything is written.
TEST_F(Zip64, TheFileSystemsSizeLimitRefusesTheAddUntouched)
{
    FZipper.SetFileName(Name());
    AddBytes(FZipper, "a.jpg", PhotoLikeBytes(3000, 1));
    const Bytes before = ReadAll(Name());
    FHooks.FileSizeLimit(static_cast<int64_t>(before.size()) + 1000);
    std::string message;
    try {
        AddBytes(FZipper, "b.jpg", PhotoLikeBytes(3000, 2));
    } catch (const Exception& e) {
        message = e.Message();
    }
    EXPECT_EQ(message, ArchiveMsgFileSystemLimit);
    EXPECT_EQ(ReadAll(Name()), before);
    FHooks.FileSizeLimit(-1);
    AddBytes(FZipper, "b.jpg", PhotoLikeBytes(3000, 2));
    FZipper.Close();
    EXPECT_TRUE(UnzipAccepts(Name()));
}
