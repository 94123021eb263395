#include "ArchiveTestSupport.h"

#include "ArchiveErrors.h"
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
    void ExpectRefusedAndUntouched()
    {
        EXPECT_EQ(OpenMessage(), "Invalid file - not a PKZip file");
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

TEST_F(Reading, Zip64MarkersAreRefused)
{
    const Bytes original = FOriginal;
    const std::vector<std::function<void(Bytes&)>> patches = {
        [&](Bytes& b) { Put16(b, FEnd + 10, 0xFFFF); },
        [&](Bytes& b) { Put32(b, FEnd + 12, 0xFFFFFFFF); },
        [&](Bytes& b) { Put32(b, FDirectory + 20, 0xFFFFFFFF); },  // first record's compressed size
        [&](Bytes& b) { Put32(b, FDirectory + 42, 0xFFFFFFFF); },  // its local header offset
    };
    for (size_t i = 0; i < patches.size(); ++i) {
        SCOPED_TRACE(i);
        FOriginal = original;
        Patch(patches[i]);
        ExpectRefusedAndUntouched();
    }
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

TEST_F(Reading, AKeptEntryWhoseLocalHeaderIsBrokenFailsTheWriteAndKeepsTheFile)
{
    Patch([&](Bytes& b) { b[0] = 'X'; });
    FZipper.SetFileName(Name());
    try {
        AddBytes(FZipper, "new.jpg", PhotoLikeBytes(500, 1));
        ADD_FAILURE() << "written";
    } catch (const EZipInvalid& e) {
        EXPECT_EQ(e.Message(), "Invalid file - not a PKZip file");
    }
    EXPECT_EQ(ReadAll(Name()), FOriginal);
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
