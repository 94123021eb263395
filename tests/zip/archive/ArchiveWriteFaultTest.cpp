#include "ArchiveTestSupport.h"

#include "ArchiveErrors.h"
#include "ZipSession.h"
#include "FileSystem.h"

#include <csignal>
#include <sys/resource.h>
#include <unistd.h>

using namespace archive_test;

namespace {

class WriteFault : public ::testing::Test {
protected:
    WriteFault()
    {
        FHooks.Removable(false);
        FZipper.SetStoreOptions(DefaultStoreOptions | StoreOptionBit(soStripPath));
    }
    std::string Name() const { return FScratch.File("thumbs.zip"); }

    // An archive with a few entries, closed and opened again as the batch run would.
    void MakeArchive(int entries, size_t size = 3000)
    {
        FZipper.SetFileName(Name());
        for (int i = 0; i < entries; ++i)
            AddBytes(FZipper, "old" + std::to_string(i) + ".jpg", PhotoLikeBytes(size, static_cast<uint32_t>(i)));
        FZipper.Close();
        FZipper.SetFileName(Name());
        FBefore = ReadAll(Name());
    }
    std::string AddAndCatch(const std::string& name, size_t size = 2000)
    {
        try {
            AddBytes(FZipper, name, PhotoLikeBytes(size, 77));
        } catch (const Exception& e) {
            return e.Message();
        }
        return "(no exception)";
    }
    // Nothing but the archive itself is left in its folder.
    void ExpectNoLeftovers() const
    {
        int files = 0;
        for (const auto& entry : std::filesystem::directory_iterator(FScratch.Path()))
            files += entry.path().filename() != "thumbs.zip";
        EXPECT_EQ(files, 0);
    }
    // The model still works: a new name is added and every entry is readable.
    void ExpectUsableAfterwards(int oldEntries)
    {
        ASSERT_EQ(AddAndCatch("later.jpg"), "(no exception)");
        EXPECT_TRUE(UnzipAccepts(Name()));
        const TRun listing = PythonListing(Name());
        ASSERT_EQ(listing.Status, 0) << listing.Output;
        for (int i = 0; i < oldEntries; ++i)
            EXPECT_NE(listing.Output.find("old" + std::to_string(i) + ".jpg:"), std::string::npos);
        EXPECT_NE(listing.Output.find("later.jpg:2000:"), std::string::npos);
    }

    TPlatformHooks FHooks;
    TScratch FScratch;
    TZipper FZipper;
    Bytes FBefore;
};

} // namespace

TEST_F(WriteFault, ADataHookFailureDropsOnlyThatEntry)
{
    MakeArchive(2);
    TZipArchive& model = *FZipper.Archive();
    auto produce = model.InsertFromStreamHelper;
    model.InsertFromStreamHelper = [&](TZipArchive& a, TZipItem& item, TStream* source, TStream& output) {
        if (item.GetFileName() == "bad.jpg")
            throw EFOpenError("bad.jpg", EIO);
        produce(a, item, source, output);
    };
    std::vector<std::tuple<std::string, TProcessType, TErrorClass, int32_t>> failures;
    FZipper.OnProcessItemFailure = [&](TZipper&, TArchiveItem* item, TProcessType type, TErrorClass cls,
                                       int32_t code) { failures.emplace_back(item->GetFileName(), type, cls, code); };

    EXPECT_EQ(AddAndCatch("bad.jpg"), "(no exception)");
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_EQ(failures[0], std::make_tuple(std::string("bad.jpg"), ptAdd, ecFileOpenError, 0));
    EXPECT_EQ(FZipper.Count(), 2);
    EXPECT_EQ(FZipper.Archive()->FindFile("bad.jpg"), -1);
    EXPECT_EQ(ReadAll(Name()), FBefore);
    ExpectUsableAfterwards(2);
}

TEST_F(WriteFault, AnAbortFromTheProgressHookLeavesTheFileAndTheOffsetsAlone)
{
    // A spanning threshold puts a marker in front of an archive that has
    // none, moving every entry 4 bytes up: the aborted write has moved the
    // first entry already when it stops.
    MakeArchive(1);
    ASSERT_EQ(Get32(FBefore, 0), 0x04034B50u);
    FZipper.SetSpanningThreshold(1000000);
    FZipper.OnArchiveProgress = [&](TZipper&, uint8_t, bool& abort) { abort = true; };
    {
        // The source goes away with the failed add.
        EXPECT_EQ(AddAndCatch("gone.jpg"), "Process aborted by user");
    }
    FZipper.OnArchiveProgress = nullptr;
    EXPECT_EQ(ReadAll(Name()), FBefore);
    EXPECT_EQ(FZipper.Archive()->Status(), stIdle);
    EXPECT_TRUE(FZipper.Archive()->IsDirty());
    EXPECT_EQ(FZipper.Archive()->ZipItem(0)->RelativeOffset(), 0u);
    ExpectNoLeftovers();
    ExpectUsableAfterwards(1);
    EXPECT_EQ(PythonListing(Name()).Output.find("gone.jpg"), std::string::npos);
    // The name of the failed add is free again.
    EXPECT_EQ(AddAndCatch("gone.jpg"), "(no exception)");
    EXPECT_NE(PythonListing(Name()).Output.find("gone.jpg:2000:"), std::string::npos);
    EXPECT_EQ(Get32(ReadAll(Name()), 0), 0x30304B50u);
    EXPECT_EQ(FZipper.Archive()->ZipItem(0)->RelativeOffset(), 4u);
}

TEST_F(WriteFault, ASwapFileExistsDuringALargeWriteAndIsGoneAfterwards)
{
    const std::string swapDir = FScratch.File("swap");
    std::filesystem::create_directory(swapDir);
    FZipper.SetTempDirectory(swapDir);
    MakeArchive(3);
    auto swapFiles = [&] {
        int n = 0;
        for (const auto& e : std::filesystem::directory_iterator(swapDir))
            n += e.path().filename().string().rfind("VMS", 0) == 0;
        return n;
    };
    int seen = 0;
    FZipper.OnArchiveItemProgress = [&](TZipper&, TArchiveItem*, uint8_t, bool&) {
        seen = std::max(seen, swapFiles());
    };
    AddBytes(FZipper, "new.jpg", PhotoLikeBytes(300000, 1));  // its data outgrows the memory pages
    EXPECT_GE(seen, 1);
    EXPECT_EQ(swapFiles(), 0);
    EXPECT_TRUE(UnzipAccepts(Name()));
}

TEST_F(WriteFault, AnArchiveThatCannotBeOpenedForWritingStaysUntouched)
{
    MakeArchive(2);
    // Every descriptor number below the limit is taken, so no file can be opened.
    const int lowestFree = ::dup(0);
    ASSERT_GE(lowestFree, 0);
    ::close(lowestFree);
    rlimit old {};
    ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &old), 0);
    rlimit none = old;
    none.rlim_cur = static_cast<rlim_t>(lowestFree);
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &none), 0);
    const std::string message = AddAndCatch("new.jpg");
    ::setrlimit(RLIMIT_NOFILE, &old);
    EXPECT_EQ(message, "Cannot open file \"" + Name() + "\". Too many open files") << message;
    EXPECT_EQ(ReadAll(Name()), FBefore);
    ExpectNoLeftovers();
    ExpectUsableAfterwards(2);
}

TEST_F(WriteFault, OnlyTheGrowthNeedsFreeSpace)
{
    MakeArchive(6);
    FHooks.FreeSpace(1000);
    EXPECT_EQ(AddAndCatch("new.jpg"), ArchiveMsgNoRoom);
    EXPECT_EQ(ReadAll(Name()), FBefore);
    FHooks.FreeSpace(0);
    EXPECT_EQ(AddAndCatch("new.jpg"), ArchiveMsgNoRoom);
    EXPECT_EQ(ReadAll(Name()), FBefore);
    // Room for the entry, the directory twice and the journal, far less than the archive.
    FHooks.FreeSpace(static_cast<int64_t>(FBefore.size()) / 2);
    ASSERT_EQ(AddAndCatch("new.jpg"), "(no exception)");
    FHooks.FreeSpace(-1);
    ExpectUsableAfterwards(6);
}

TEST_F(WriteFault, ASpanningThresholdIsAMaximumNotASecondVolume)
{
    FZipper.SetSpanningThreshold(5000);
    MakeArchive(0);
    EXPECT_EQ(AddAndCatch("big.jpg", 20000), ArchiveMsgBeyondThreshold);
    EXPECT_EQ(ReadAll(Name()), FBefore);
    FZipper.SetSpanningThreshold(1000000);
    EXPECT_EQ(AddAndCatch("big.jpg", 20000), "(no exception)");
    const Bytes file = ReadAll(Name());
    EXPECT_EQ(Get32(file, 0), 0x30304B50u);
    EXPECT_TRUE(UnzipAccepts(Name()));
}

TEST_F(WriteFault, AnotherCopysEntriesAreTakenInAndASecondNameIsSkipped)
{
    MakeArchive(1);
    TZipper other;
    other.SetFileName(Name());
    AddBytes(other, "theirs.jpg", PhotoLikeBytes(1500, 5));
    AddBytes(other, "both.jpg", PhotoLikeBytes(1200, 6));

    std::vector<int32_t> codes;
    FZipper.OnProcessItemFailure = [&](TZipper&, TArchiveItem*, TProcessType, TErrorClass, int32_t code) {
        codes.push_back(code);
    };
    EXPECT_EQ(AddAndCatch("mine.jpg"), "(no exception)");
    EXPECT_EQ(AddAndCatch("both.jpg"), "(no exception)");
    EXPECT_EQ(codes, std::vector<int32_t>{ErrDuplicateName});
    AddBytes(other, "last.jpg", PhotoLikeBytes(900, 7));
    FZipper.SetComment("mine");
    FZipper.Close();
    other.Close();
    const TRun listing = PythonListing(Name());
    ASSERT_EQ(listing.Status, 0) << listing.Output;
    std::vector<std::string> names;
    for (size_t at = 0, end; (end = listing.Output.find('\n', at)) != std::string::npos; at = end + 1)
        names.push_back(listing.Output.substr(at, listing.Output.find(':', at) - at));
    EXPECT_EQ(names, (std::vector<std::string>{"old0.jpg", "theirs.jpg", "both.jpg", "mine.jpg", "last.jpg",
                                               "comment"}));
    EXPECT_TRUE(UnzipAccepts(Name()));
}

TEST_F(WriteFault, AFileChangedByAForeignWriterIsNeverOverwritten)
{
    MakeArchive(1);
    FZipper.Close();
    // A program that appends to the file in place is noticed as well.
    TZipper third;
    third.SetFileName(Name());
    {
        std::ofstream append(Name(), std::ios::binary | std::ios::app);
        append << "tail";
    }
    const Bytes appended = ReadAll(Name());
    try {
        AddBytes(third, "x.jpg", PhotoLikeBytes(100, 1));
        ADD_FAILURE() << "no refusal";
    } catch (const EZipWriteRefused& e) {
        EXPECT_EQ(e.Message(), ArchiveMsgArchiveChanged);
    }
    EXPECT_EQ(ReadAll(Name()), appended);
}

// The marker is the prefix of the archive from then on: later writes, on
// any drive, leave it and every entry where they are.
TEST_F(WriteFault, ARemovableDriveGetsTheMarkerOnTheFirstWriteOfAnEmptyFile)
{
    FHooks.Removable(true);
    FZipper.SetFileName(Name());
    FZipper.Close();
    Bytes file = ReadAll(Name());
    ASSERT_EQ(file.size(), 26u);
    EXPECT_EQ(Get32(file, 0), 0x30304B50u);
    EXPECT_EQ(Get32(file, 4 + 16), 4u);  // directory offset after the marker

    std::filesystem::remove(Name());
    FZipper.SetFileName(Name());
    const Bytes first = PhotoLikeBytes(3000, 1);
    AddBytes(FZipper, "a.jpg", first);
    file = ReadAll(Name());
    EXPECT_EQ(Get32(file, 0), 0x30304B50u);
    EXPECT_EQ(Get32(file, 4), 0x04034B50u);
    EXPECT_EQ(FZipper.Archive()->ZipItem(0)->RelativeOffset(), 4u);
    EXPECT_TRUE(UnzipAccepts(Name()));

    const size_t directory = FZipper.Archive()->DirectoryPosition();
    AddBytes(FZipper, "b.jpg", PhotoLikeBytes(3000, 2));
    FZipper.Close();
    FHooks.Removable(false);
    FZipper.SetFileName(Name());
    AddBytes(FZipper, "c.jpg", PhotoLikeBytes(3000, 3));
    const Bytes later = ReadAll(Name());
    EXPECT_TRUE(std::equal(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(directory), later.begin()));
    EXPECT_EQ(FZipper.Archive()->ZipItem(0)->RelativeOffset(), 4u);
    EXPECT_TRUE(UnzipAccepts(Name()));
    EXPECT_EQ(PythonListing(Name()).Output.substr(0, PythonListing(Name()).Output.find('\n')),
              Sha1Line("a.jpg", first));
}

TEST_F(WriteFault, ASplitSetVolumeOnARemovableDriveIsNeverRewritten)
{
    FHooks.Removable(true);
    FZipper.SetFileName(Name());
    AddBytes(FZipper, "a.jpg", PhotoLikeBytes(3000, 1));
    FZipper.Close();
    Bytes marked = ReadAll(Name());
    ASSERT_EQ(Get32(marked, 0), 0x30304B50u);
    marked[2] = 0x07;  // now the multi-volume marker
    marked[3] = 0x08;
    WriteAll(Name(), marked);

    FZipper.SetFileName(Name());
    EXPECT_TRUE(FZipper.Archive()->Spanned());
    EXPECT_EQ(AddAndCatch("b.jpg"), "Cannot update an existing spanned disk set");
    FZipper.Close();
    EXPECT_EQ(ReadAll(Name()), marked);

    // On a fixed drive the same file is an ordinary archive.
    FHooks.Removable(false);
    FZipper.SetFileName(Name());
    EXPECT_FALSE(FZipper.Archive()->Spanned());
    EXPECT_EQ(AddAndCatch("b.jpg"), "(no exception)");
    EXPECT_TRUE(UnzipAccepts(Name()));
}

