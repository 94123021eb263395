#include "ArchiveTestSupport.h"

#include "ZipArchive.h"
#include "ZipSession.h"

using namespace archive_test;

namespace {

class Foreign : public ::testing::Test {
protected:
    Foreign()
    {
        FHooks.Removable(false);
        FZipper.SetStoreOptions(DefaultStoreOptions | StoreOptionBit(soStripPath));
    }
    std::string Name() const { return FScratch.File("other.zip"); }

    // Opens the archive, adds one picture, closes with a comment and checks
    // that both readers accept it and every old entry reads as before.
    void AddToAndCheck(const std::string& expectedComment)
    {
        const TRun before = PythonListing(Name());
        ASSERT_EQ(before.Status, 0) << before.Output;
        const std::string oldEntries = before.Output.substr(0, before.Output.rfind("comment:"));

        FZipper.SetFileName(Name());
        EXPECT_EQ(FZipper.Archive()->Comment(), expectedComment);
        const Bytes picture = PhotoLikeBytes(8000, 3);
        AddBytes(FZipper, "thumb.jpg", picture);
        ASSERT_TRUE(UnzipAccepts(Name()));
        FZipper.Close();
        ASSERT_TRUE(UnzipAccepts(Name()));

        const TRun after = PythonListing(Name());
        ASSERT_EQ(after.Status, 0) << after.Output;
        EXPECT_EQ(after.Output.substr(0, oldEntries.size()), oldEntries);
        EXPECT_NE(after.Output.find(Sha1Line("thumb.jpg", picture)), std::string::npos);
    }

    TPlatformHooks FHooks;
    TScratch FScratch;
    TZipper FZipper;
};

} // namespace

TEST_F(Foreign, InfoZipArchiveWithACommentAndExtraFields)
{
    WriteAll(FScratch.File("a.txt"), Bytes(5000, 'a'));
    WriteAll(FScratch.File("b.bin"), PhotoLikeBytes(7000, 1));
    WriteAll(FScratch.File("note"), Bytes{'h', 'e', 'l', 'l', 'o', ' ', 'z', 'i', 'p', '\n'});
    const TRun made = RunCommand("cd " + Quote(FScratch.Path()) + " && zip -q -z other.zip a.txt b.bin < note");
    ASSERT_EQ(made.Status, 0) << made.Output;
    AddToAndCheck("hello zip");  // zip drops the final line break
    const TRun info = RunCommand("zipinfo -z " + Quote(Name()));
    EXPECT_NE(info.Output.find("hello zip"), std::string::npos) << info.Output;
}

TEST_F(Foreign, PythonArchiveWithDataDescriptorsAndExtraFields)
{
    // Written through a pipe, so every entry carries a data descriptor.
    const TRun made = RunCommand(
        "python3 -c " +
        Quote("import sys,zipfile\n"
              "with zipfile.ZipFile(sys.stdout.buffer,'w') as z:\n"
              "  for i,m in enumerate([zipfile.ZIP_DEFLATED, zipfile.ZIP_STORED, zipfile.ZIP_DEFLATED]):\n"
              "    zi=zipfile.ZipInfo('dir/f%d.dat'%i,(2020,5,6,7,8,10))\n"
              "    zi.compress_type=m\n"
              "    zi.extra=b'\\xfe\\xca\\x06\\x00ab\\x00\\x00cd'\n"
              "    z.writestr(zi, bytes(range(256))*(20+i))\n") +
        " | cat > " + Quote(Name()));
    ASSERT_EQ(made.Status, 0) << made.Output;
    const Bytes original = ReadAll(Name());
    ASSERT_NE(Get16(original, 6) & 8, 0) << "no data descriptor";
    AddToAndCheck("");

    // The extra field, zero bytes and all, is kept in both headers.
    const TRun extras = RunCommand("python3 -c " +
                            Quote("import sys,zipfile\n"
                                  "z=zipfile.ZipFile(sys.argv[1])\n"
                                  "print(all(i.extra==b'\\xfe\\xca\\x06\\x00ab\\x00\\x00cd' for i in z.infolist()[:3]))\n"
                                  "f=open(sys.argv[1],'rb').read()\n"
                                  "print(f[30+len('dir/f0.dat'):][:10].hex())\n") +
                            " " + Quote(Name()));
    EXPECT_EQ(extras.Output, "True\nfeca0600616200006364\n");
}

TEST_F(Foreign, SelfExtractingArchiveKeepsItsStub)
{
    WriteAll(FScratch.File("a.txt"), Bytes(3000, 'q'));
    ASSERT_EQ(RunCommand("cd " + Quote(FScratch.Path()) + " && zip -q plain.zip a.txt").Status, 0);
    Bytes stub = {'M', 'Z'};
    const Bytes filler = PhotoLikeBytes(998, 4);
    stub.insert(stub.end(), filler.begin(), filler.end());
    Bytes joined = stub;
    const Bytes plain = ReadAll(FScratch.File("plain.zip"));
    joined.insert(joined.end(), plain.begin(), plain.end());
    WriteAll(Name(), joined);
    const TRun fixed = RunCommand("zip -qA " + Quote(Name()));
    ASSERT_EQ(fixed.Status, 0) << fixed.Output;

    FZipper.SetFileName(Name());
    EXPECT_TRUE(FZipper.Archive()->IsExecutable());
    EXPECT_EQ(FZipper.Archive()->StubSize(), 1000);
    FZipper.Close();
    AddToAndCheck("");
    const Bytes after = ReadAll(Name());
    ASSERT_GT(after.size(), stub.size());
    EXPECT_TRUE(std::equal(stub.begin(), stub.end(), after.begin()));
    EXPECT_EQ(Get32(after, 1000), 0x04034B50u);
}

namespace {

// The zip of a.txt and b.bin behind `prefix`, its offsets counted from the
// archive's start, or from the file's start after zip -A.
void WritePrefixedZip(TScratch& scratch, const std::string& path, const Bytes& prefix, bool adjusted)
{
    WriteAll(scratch.File("a.txt"), Bytes(3000, 'q'));
    WriteAll(scratch.File("b.bin"), PhotoLikeBytes(4000, 8));
    std::filesystem::remove(scratch.File("plain.zip"));
    ASSERT_EQ(RunCommand("cd " + Quote(scratch.Path()) + " && zip -q plain.zip a.txt b.bin").Status, 0);
    Bytes joined = prefix;
    const Bytes plain = ReadAll(scratch.File("plain.zip"));
    joined.insert(joined.end(), plain.begin(), plain.end());
    WriteAll(path, joined);
    if (adjusted) {
        const TRun fixed = RunCommand("zip -qA " + Quote(path));
        ASSERT_EQ(fixed.Status, 0) << fixed.Output;
    }
}

// The file position of each entry's local header against the offset its
// central record gives, as the model read them.
void ExpectOffsetsCountedFrom(TZipper& zipper, int64_t shift)
{
    TZipArchive& archive = *zipper.Archive();
    EXPECT_EQ(archive.OffsetShift(), shift);
    const Bytes file = ReadAll(archive.ArchiveName());
    for (int i = 0; i < archive.Count(); ++i) {
        const TZipItem& item = *archive.ZipItem(i);
        EXPECT_EQ(Get32(file, static_cast<size_t>(static_cast<int64_t>(item.Offset()) + shift)), 0x04034B50u)
            << item.GetFileName();
    }
}

} // namespace

// A launcher script with a jar behind it: after an add the script is the
// same bytes and still runs, and new offsets are counted the way the old
// ones are, from the archive's start or, after zip -A, from the file's.
TEST_F(Foreign, AShellLauncherJarStillRunsAfterAnAdd)
{
    const std::string launcher = "#!/bin/sh\necho \"launched with $# arguments\"\nexit 0\n";
    const Bytes prefix(launcher.begin(), launcher.end());
    for (const bool adjusted : {false, true}) {
        SCOPED_TRACE(adjusted ? "zip -A" : "offsets from the archive's start");
        const std::string jar = FScratch.File("app.jar");
        ASSERT_NO_FATAL_FAILURE(WritePrefixedZip(FScratch, jar, prefix, adjusted));
        const TRun ranBefore = RunCommand("sh " + Quote(jar) + " one two");
        ASSERT_EQ(ranBefore.Output, "launched with 2 arguments\n");
        const int unzipBefore = RunCommand("unzip -tq " + Quote(jar)).Status;

        FZipper.SetFileName(jar);
        EXPECT_EQ(FZipper.Archive()->PrefixSize(), static_cast<int64_t>(prefix.size()));
        const Bytes picture = PhotoLikeBytes(5000, 4);
        AddBytes(FZipper, "thumb.jpg", picture);
        ExpectOffsetsCountedFrom(FZipper, adjusted ? 0 : static_cast<int64_t>(prefix.size()));
        FZipper.Close();

        const Bytes after = ReadAll(jar);
        EXPECT_TRUE(std::equal(prefix.begin(), prefix.end(), after.begin()));
        EXPECT_EQ(RunCommand("sh " + Quote(jar) + " one two").Output, ranBefore.Output);
        EXPECT_EQ(RunCommand("unzip -tq " + Quote(jar)).Status, unzipBefore);
        const TRun listing = PythonListing(jar);
        ASSERT_EQ(listing.Status, 0) << listing.Output;
        EXPECT_NE(listing.Output.find("a.txt:3000:"), std::string::npos) << listing.Output;
        EXPECT_NE(listing.Output.find(Sha1Line("thumb.jpg", picture)), std::string::npos) << listing.Output;
        FZipper.SetFileName(jar);
        ExpectOffsetsCountedFrom(FZipper, adjusted ? 0 : static_cast<int64_t>(prefix.size()));
        FZipper.Close();
        std::filesystem::remove(jar);
    }
}

// A picture with a zip behind it, offsets fixed with zip -A: after an add it
// is still the same picture, and a zip every reader opens.
TEST_F(Foreign, APngWithAZipBehindItStillOpensAsBoth)
{
    const std::string png = FScratch.File("picture.png");
    const TRun drawn = RunCommand(
        "python3 -c " +
        Quote("import sys,zlib,struct\n"
              "def chunk(k,b): return struct.pack('>I',len(b))+k+b+struct.pack('>I',zlib.crc32(k+b))\n"
              "rows=b''.join(b'\\0'+b''.join(bytes([x*8,y*8,128]) for x in range(32)) for y in range(24))\n"
              "open(sys.argv[1],'wb').write(b'\\x89PNG\\r\\n\\x1a\\n'+chunk(b'IHDR',struct.pack('>IIBBBBB',32,24,8,2,0,0,0))"
              "+chunk(b'IDAT',zlib.compress(rows))+chunk(b'IEND',b''))\n") +
        " " + Quote(png));
    ASSERT_EQ(drawn.Status, 0) << drawn.Output;
    const Bytes picture = ReadAll(png);
    ASSERT_NO_FATAL_FAILURE(WritePrefixedZip(FScratch, Name(), picture, true));

    FZipper.SetFileName(Name());
    AddBytes(FZipper, "thumb.jpg", PhotoLikeBytes(5000, 5));
    FZipper.Close();
    const Bytes after = ReadAll(Name());
    EXPECT_TRUE(std::equal(picture.begin(), picture.end(), after.begin()));
    EXPECT_TRUE(UnzipAccepts(Name()));
    const TRun listing = PythonListing(Name());
    ASSERT_EQ(listing.Status, 0) << listing.Output;
    EXPECT_NE(listing.Output.find("thumb.jpg:5000:"), std::string::npos) << listing.Output;
    // Read as a PNG: every chunk's CRC up to IEND, and the pixels inflate to 24 rows.
    const TRun decoded = RunCommand(
        "python3 -c " +
        Quote("import sys,zlib,struct\n"
              "d=open(sys.argv[1],'rb').read(); assert d[:8]==b'\\x89PNG\\r\\n\\x1a\\n'; at=8; idat=b''\n"
              "while True:\n"
              "  n,k=struct.unpack('>I4s',d[at:at+8]); b=d[at+8:at+8+n]\n"
              "  assert zlib.crc32(k+b)==struct.unpack('>I',d[at+8+n:at+12+n])[0]\n"
              "  at+=12+n\n"
              "  if k==b'IDAT': idat+=b\n"
              "  if k==b'IEND': break\n"
              "print(len(zlib.decompress(idat))//(1+32*3))\n") +
        " " + Quote(Name()));
    EXPECT_EQ(decoded.Output, "24\n");
}
