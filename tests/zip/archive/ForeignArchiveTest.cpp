#include "ArchiveTestSupport.h"

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
