#include "ArchiveTestSupport.h"

#include "ArchiveErrors.h"
#include "ZipArchive.h"
#include "ZipSession.h"

using namespace archive_test;

namespace {

// Four small deflated entries e0.txt .. e3.txt written by Python.
void MakeFourEntryZip(const std::string& path)
{
    const TRun run = RunCommand("python3 -c " +
                         Quote("import sys,zipfile\n"
                               "with zipfile.ZipFile(sys.argv[1],'w',zipfile.ZIP_DEFLATED) as z:\n"
                               "  for i in range(4): z.writestr('e%d.txt'%i, ('entry %d '%i)*50)\n") +
                         " " + Quote(path));
    ASSERT_EQ(run.Status, 0) << run.Output;
}

void Put16(Bytes& b, size_t at, uint16_t v)
{
    b[at] = static_cast<uint8_t>(v);
    b[at + 1] = static_cast<uint8_t>(v >> 8);
}

void Put32(Bytes& b, size_t at, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b[at + static_cast<size_t>(i)] = static_cast<uint8_t>(v >> (8 * i));
}

class Reading : public ::testing::Test {
protected:
    Reading()
    {
        FHooks.Removable(false);
        MakeFourEntryZip(Name());
        FOriginal = ReadAll(Name());
        FEnd = FOriginal.size() - 22;
        FDirectory = Get32(FOriginal, FEnd + 16);
    }
    std::string Name() const { return FScratch.File("thumbs.zip"); }
    void Patch(const std::function<void(Bytes&)>& change)
    {
        Bytes b = FOriginal;
        change(b);
        WriteAll(Name(), b);
        FOriginal = b;
    }
    std::string OpenMessage()
    {
        try {
            FZipper.SetFileName(Name());
        } catch (const Exception& e) {
            return e.Message();
        }
        return "(no exception)";
    }
    // The refused file was neither kept open as a model nor written over.
    void ExpectRefusedAndUntouched(const std::string& message = "Invalid file - not a PKZip file")
    {
        EXPECT_EQ(OpenMessage(), message);
        EXPECT_EQ(FZipper.Archive(), nullptr);
        FZipper.Close();
        EXPECT_EQ(ReadAll(Name()), FOriginal);
    }

    TPlatformHooks FHooks;
    TScratch FScratch;
    TZipper FZipper;
    Bytes FOriginal;
    size_t FEnd = 0;
    uint32_t FDirectory = 0;
};

} // namespace

TEST_F(Reading, TheWalkIsBoundedByTheEndRecordNotItsCounts)
{
    Patch([&](Bytes& b) {
        Put16(b, FEnd + 8, 3);
        Put16(b, FEnd + 10, 3);
    });
    int loads = 0;
    std::vector<int> progress;
    FZipper.OnLoad = [&](TZipper&) { ++loads; };
    FZipper.OnArchiveProgress = [&](TZipper&, uint8_t p, bool&) { progress.push_back(p); };
    FZipper.SetFileName(Name());
    EXPECT_EQ(loads, 1);
    ASSERT_EQ(FZipper.Count(), 4);
    EXPECT_EQ(FZipper.Archive()->ZipItem(3)->GetFileName(), "e3.txt");
    EXPECT_EQ(FZipper.Archive()->ZipItem(3)->Action(), eaKeep);
    EXPECT_FALSE(FZipper.Archive()->IsDirty());
    EXPECT_EQ(progress, (std::vector<int>{33, 66, 100, 100, 100}));
    FZipper.OnArchiveProgress = nullptr;
    AddBytes(FZipper, "new.jpg", PhotoLikeBytes(500, 1));
    const Bytes written = ReadAll(Name());
    EXPECT_EQ(Get16(written, written.size() - 22 + 10), 5);
    EXPECT_TRUE(UnzipAccepts(Name()));
}

TEST_F(Reading, AnEndRecordCountingNoEntriesBeforeRecordsIsRefused)
{
    Patch([&](Bytes& b) {
        Put16(b, FEnd + 8, 0);
        Put16(b, FEnd + 10, 0);
    });
    ExpectRefusedAndUntouched();
}

// A field saturated for zip64 whose value is nowhere: no zip64 end record
// for the directory's size, no zip64 block for an entry's offset or size.
TEST_F(Reading, SaturatedFieldsWithoutTheirZip64ValuesAreRefused)
{
    const Bytes original = FOriginal;
    const std::vector<std::pair<std::function<void(Bytes&)>, std::string>> patches = {
        {[&](Bytes& b) { Put32(b, FEnd + 12, 0xFFFFFFFF); }, "Invalid file - not a PKZip file"},
        {[&](Bytes& b) { Put32(b, FDirectory + 42, 0xFFFFFFFF); }, "Invalid file - not a PKZip file"},
        {[&](Bytes& b) { Put32(b, FDirectory + 20, 0xFFFFFFFF); }, UncertainEntryMessage("e0.txt")},
    };
    for (size_t i = 0; i < patches.size(); ++i) {
        SCOPED_TRACE(i);
        FOriginal = original;
        Patch(patches[i].first);
        ExpectRefusedAndUntouched(patches[i].second);
    }
}

// Anything after the end record and its comment would be cut off by the
// next commit: the archive is refused as it is, whatever the bytes are.
TEST_F(Reading, BytesAfterTheEndRecordAreRefusedUntouched)
{
    const Bytes original = FOriginal;
    for (const std::string& after : {std::string("\n"), std::string(5000, 'x'), std::string("PK\x05\x06", 4)}) {
        SCOPED_TRACE(after.size());
        FOriginal = original;
        Patch([&](Bytes& b) { b.insert(b.end(), after.begin(), after.end()); });
        ExpectRefusedAndUntouched(ArchiveMsgTrailingBytes);
    }
}

// unzip takes an entry's extent from its local header, this program from
// the central record: where they differ and no descriptor settles it, the
// archive is refused by the entry's name instead of cutting the entry or
// copying the next header into it.
TEST_F(Reading, AnEntryWhoseRecordsDisagreeOnItsSizeIsRefusedByName)
{
    const Bytes original = FOriginal;
    const size_t second = FDirectory + 46 + Get16(original, FDirectory + 28) + Get16(original, FDirectory + 30) +
                          Get16(original, FDirectory + 32);
    const uint32_t size = Get32(original, second + 20);
    ASSERT_GT(size, 2u);
    for (const uint32_t central : {size / 2, size + 10}) {
        SCOPED_TRACE(central);
        FOriginal = original;
        Patch([&](Bytes& b) { Put32(b, second + 20, central); });
        ExpectRefusedAndUntouched(UncertainEntryMessage("e1.txt"));
    }
    EXPECT_EQ(UncertainEntryMessage("e1.txt"),
              "The archive's records disagree on the size of \"e1.txt\", so where it ends is uncertain - nothing written");
    EXPECT_EQ(UncertainEntryMessage("a\nb\x7f.jpg"),
              "The archive's records disagree on the size of \"a?b?.jpg\", so where it ends is uncertain - nothing written");
}

// A descriptor after the data settles the size when the local header has
// none; one that disagrees with the central record leaves it uncertain.
TEST_F(Reading, ADataDescriptorSettlesTheSizeOnlyWhenItAgrees)
{
    const TRun made = RunCommand("python3 -c " +
                                 Quote("import sys,zipfile\n"
                                       "with zipfile.ZipFile(sys.stdout.buffer,'w',zipfile.ZIP_DEFLATED) as z:\n"
                                       "  for i in range(2): z.writestr('d%d.txt'%i, ('entry %d '%i)*80)\n") +
                                 " | cat > " + Quote(Name()));
    ASSERT_EQ(made.Status, 0) << made.Output;
    FOriginal = ReadAll(Name());
    ASSERT_NE(Get16(FOriginal, 6) & 8, 0);
    FZipper.SetFileName(Name());
    ASSERT_EQ(FZipper.Count(), 2);
    EXPECT_EQ(FZipper.Archive()->ZipItem(0)->DescriptorSize(), 16);
    FZipper.Close();
    EXPECT_EQ(ReadAll(Name()), FOriginal);

    const size_t end = FOriginal.size() - 22;
    const size_t directory = Get32(FOriginal, end + 16);
    Patch([&](Bytes& b) { Put32(b, directory + 20, Get32(b, directory + 20) - 1); });
    ExpectRefusedAndUntouched(UncertainEntryMessage("d0.txt"));
}

TEST_F(Reading, ABrokenDirectoryRecordDiscardsTheModelWithoutWriting)
{
    // The third record's signature.
    Patch([&](Bytes& b) {
        size_t at = FDirectory;
        for (int i = 0; i < 2; ++i)
            at += 46 + Get16(b, at + 28) + Get16(b, at + 30) + Get16(b, at + 32);
        b[at] = 'X';
    });
    ExpectRefusedAndUntouched();
}

TEST_F(Reading, AnAbortedDirectoryReadWritesNothing)
{
    FZipper.OnArchiveProgress = [&](TZipper&, uint8_t, bool& abort) { abort = true; };
    EXPECT_EQ(OpenMessage(), "Process aborted by user");
    EXPECT_EQ(FZipper.Archive(), nullptr);
    FZipper.OnArchiveProgress = nullptr;
    FZipper.Close();
    EXPECT_EQ(ReadAll(Name()), FOriginal);
}

// Each kept entry's local header is read when the archive is opened.
TEST_F(Reading, AKeptEntryWhoseLocalHeaderIsBrokenIsRefusedAtOpen)
{
    Patch([&](Bytes& b) { b[0] = 'X'; });
    ExpectRefusedAndUntouched();
}

TEST_F(Reading, APartOfASplitSetIsReadButNeverRewritten)
{
    Patch([&](Bytes& b) {
        Put16(b, FEnd + 4, 1);  // this is disk 1
        Put16(b, FEnd + 6, 1);
    });
    FZipper.SetFileName(Name());
    EXPECT_TRUE(FZipper.Archive()->Spanned());
    EXPECT_EQ(FZipper.Count(), 4);
    try {
        AddBytes(FZipper, "new.jpg", PhotoLikeBytes(500, 1));
        ADD_FAILURE() << "written";
    } catch (const EZipSpanOverwrite& e) {
        EXPECT_EQ(e.Message(), "Cannot update an existing spanned disk set");
    }
    FZipper.Close();
    EXPECT_EQ(ReadAll(Name()), FOriginal);
}

TEST_F(Reading, AValidJarOpensAsAZipArchive)
{
    std::filesystem::rename(Name(), FScratch.File("thumbs.jar"));
    EXPECT_EQ(DetectArchiveKind(FScratch.File("thumbs.jar")), atZip);
    FZipper.SetFileName(FScratch.File("thumbs.jar"));
    EXPECT_EQ(FZipper.Count(), 4);
}
