#include "ArchiveTestSupport.h"

#include "ArchiveErrors.h"
#include "ZipSession.h"
#include "FileSystem.h"
#include "RefuseWritesLayer.h"

using namespace archive_test;

namespace {

class Session : public ::testing::Test {
protected:
    Session()
    {
        FHooks.Removable(false);
        FZipper.SetAutoSave(true);
        FZipper.SetStoreOptions(DefaultStoreOptions | StoreOptionBit(soStripPath));
    }
    std::string Name(const std::string& file = "thumbs.zip") const { return FScratch.File(file); }

    TPlatformHooks FHooks;
    TScratch FScratch;
    TZipper FZipper;
};

std::string MessageOf(const std::function<void()>& action)
{
    try {
        action();
    } catch (const Exception& e) {
        return e.Message();
    }
    return "(no exception)";
}

} // namespace

TEST_F(Session, NewNameCreatesAnEmptyFileAndCloseWritesTheEndRecordAlone)
{
    int changes = 0;
    FZipper.OnChange = [&](TZipper&) { ++changes; };
    FZipper.SetFileName(Name());
    EXPECT_EQ(changes, 1);
    ASSERT_TRUE(FileExists(Name()));
    // Whole from the start: a kill now leaves an archive every tool opens.
    EXPECT_EQ(ReadAll(Name()).size(), 22u);
    EXPECT_TRUE(UnzipAccepts(Name()) || RunCommand("unzip -l " + Quote(Name())).Output.find("empty") != std::string::npos);
    FZipper.Close();
    EXPECT_EQ(changes, 2);
    EXPECT_EQ(FZipper.Archive(), nullptr);
    const Bytes file = ReadAll(Name());
    ASSERT_EQ(file.size(), 22u);
    EXPECT_EQ(Get32(file, 0), 0x06054B50u);
    EXPECT_EQ(Get16(file, 10), 0);   // entries
    EXPECT_EQ(Get32(file, 12), 0u);  // directory size
    EXPECT_EQ(Get32(file, 16), 0u);  // directory offset
    EXPECT_EQ(PythonListing(Name()).Status, 0);
}

TEST_F(Session, NamesThatAreNoFullPathAreRefusedWithoutMakingAFile)
{
    const std::string cwd = std::filesystem::current_path().string();
    std::filesystem::current_path(FScratch.Path());
    const std::string message = MessageOf([&] { FZipper.SetFileName("thumbs.zip"); });
    std::filesystem::current_path(cwd);
    EXPECT_EQ(message, "Full Path Required");
    EXPECT_EQ(FZipper.Archive(), nullptr);
    EXPECT_FALSE(FileExists(Name()));
}

TEST_F(Session, KindsOtherThanZipAreUnhandled)
{
    for (const char* file : {"thumbs.txt", "thumbs.tar", "thumbs.gz", "thumbs.tgz", "thumbs.cab", "thumbs"}) {
        EXPECT_EQ(MessageOf([&] { FZipper.SetFileName(Name(file)); }), "Unhandled Archive Type") << file;
        EXPECT_EQ(FZipper.Archive(), nullptr) << file;
        EXPECT_FALSE(FileExists(Name(file))) << file;
    }
    WriteAll(Name("text.zip"), Bytes{'h', 'e', 'l', 'l', 'o', '\n'});
    EXPECT_EQ(MessageOf([&] { FZipper.SetFileName(Name("text.zip")); }), "Unhandled Archive Type");
    EXPECT_EQ(ReadAll(Name("text.zip")).size(), 6u);
}

TEST_F(Session, DetectionLooksAtContentOnlyWhenThereIsSome)
{
    EXPECT_EQ(DetectArchiveKind(Name("none.ZIP")), atZip);
    EXPECT_EQ(DetectArchiveKind(Name("none.jar")), atZip);
    EXPECT_EQ(DetectArchiveKind(Name("none.Tgz")), atGzippedTar);
    EXPECT_EQ(DetectArchiveKind(Name("none.exe")), atUnknown);
    WriteAll(Name("empty.zip"), {});
    EXPECT_EQ(DetectArchiveKind(Name("empty.zip")), atZip);
    WriteAll(Name("fake.gz"), Bytes{'P', 'K'});
    EXPECT_EQ(DetectArchiveKind(Name("fake.gz")), atUnknown);
    WriteAll(Name("real.gz"), Bytes{0x1F, 0x8B, 8, 0});
    EXPECT_EQ(DetectArchiveKind(Name("real.gz")), atGzip);
    EXPECT_EQ(ArchiveExtension("/a.b/c"), "");
    EXPECT_EQ(ArchiveExtension("C:\\x\\thumbs.zIp"), ".ZIP");
}

TEST_F(Session, AnExistingEmptyZipOpensEmptyAndTheFirstAddFillsIt)
{
    WriteAll(Name(), {});
    FZipper.SetFileName(Name());
    ASSERT_NE(FZipper.Archive(), nullptr);
    EXPECT_EQ(FZipper.Count(), 0);
    const Bytes picture = PhotoLikeBytes(5000, 1);
    AddBytes(FZipper, "cat.jpg", picture);
    EXPECT_TRUE(UnzipAccepts(Name()));
    EXPECT_EQ(FZipper.ArchiveType(), atZip);
}

TEST_F(Session, EveryAddIsOnDiskAtOnceAndKeptEntriesKeepBytesAndOffsets)
{
    FZipper.SetFileName(Name());
    std::vector<Bytes> pictures;
    std::string expected;
    Bytes previous;
    for (int i = 0; i < 4; ++i) {
        pictures.push_back(PhotoLikeBytes(3000 + 7000 * static_cast<size_t>(i), static_cast<uint32_t>(i)));
        const std::string name = "pic" + std::to_string(i) + ".jpg";
        AddBytes(FZipper, name, pictures.back());
        expected += Sha1Line(name, pictures.back()) + "\n";

        ASSERT_TRUE(UnzipAccepts(Name())) << "after add " << i;
        const TRun listing = PythonListing(Name());
        ASSERT_EQ(listing.Status, 0) << listing.Output;
        EXPECT_EQ(listing.Output, expected + "comment:\n");

        // Everything before the old central directory is carried over as it was.
        const Bytes now = ReadAll(Name());
        if (!previous.empty()) {
            const uint32_t oldDirectory = Get32(previous, previous.size() - 22 + 16);
            ASSERT_GE(now.size(), oldDirectory);
            EXPECT_TRUE(std::equal(previous.begin(), previous.begin() + oldDirectory, now.begin()));
        }
        previous = now;
    }
    EXPECT_EQ(Get32(previous, 0), 0x04034B50u);  // fixed drive: no marker, first entry at 0
    EXPECT_EQ(FZipper.Archive()->ZipItem(0)->RelativeOffset(), 0u);
}

TEST_F(Session, ASecondNameDifferingOnlyInCaseIsSkippedSilently)
{
    std::vector<int32_t> codes;
    FZipper.OnProcessItemFailure = [&](TZipper&, TArchiveItem* item, TProcessType type, TErrorClass cls,
                                       int32_t code) {
        EXPECT_EQ(type, ptAdd);
        EXPECT_EQ(cls, ecArchiveError);
        EXPECT_EQ(item->GetFileName(), "CAT.JPG");
        codes.push_back(code);
    };
    FZipper.SetFileName(Name());
    AddBytes(FZipper, "cat.jpg", PhotoLikeBytes(2000, 1));
    const Bytes before = ReadAll(Name());
    AddBytes(FZipper, "CAT.JPG", PhotoLikeBytes(2000, 2));
    EXPECT_EQ(codes, std::vector<int32_t>{ErrDuplicateName});
    EXPECT_EQ(ArchiveMessage(ErrDuplicateName), "Cannot insert file - duplicates stored name");
    EXPECT_EQ(ReadAll(Name()), before);
    EXPECT_EQ(FZipper.Count(), 1);
}

// The duplicate test compares the names as they are stored: two paths with the
// same bare name are one entry, and a name with a backslash or colon is
// skipped like any other on a second add.
TEST_F(Session, PathsThatStoreTheSameNameAreDuplicates)
{
    std::vector<std::string> skipped;
    FZipper.OnProcessItemFailure = [&](TZipper&, TArchiveItem* item, TProcessType, TErrorClass, int32_t code) {
        EXPECT_EQ(code, ErrDuplicateName);
        skipped.push_back(item->GetFileName());
    };
    FZipper.SetFileName(Name());
    AddBytes(FZipper, "/home/ann/cat.jpg", PhotoLikeBytes(2000, 1));
    AddBytes(FZipper, "/home/bob/Cat.jpg", PhotoLikeBytes(2000, 2));
    AddBytes(FZipper, "/pics/a\\b.jpg", PhotoLikeBytes(2000, 3));
    AddBytes(FZipper, "/pics/10:15:30.jpg", PhotoLikeBytes(2000, 4));
    AddBytes(FZipper, "/pics/a\\b.jpg", PhotoLikeBytes(2000, 5));
    AddBytes(FZipper, "/other/10:15:30.jpg", PhotoLikeBytes(2000, 6));
    EXPECT_EQ(skipped, (std::vector<std::string>{"Cat.jpg", "a\\b.jpg", "10:15:30.jpg"}));
    ASSERT_EQ(FZipper.Count(), 3);
    EXPECT_EQ(FZipper.Archive()->ZipItem(0)->GetFileName(), "cat.jpg");
    EXPECT_EQ(FZipper.Archive()->ZipItem(1)->GetFileName(), "a\\b.jpg");
    EXPECT_EQ(FZipper.Archive()->ZipItem(2)->GetFileName(), "10:15:30.jpg");
}

TEST_F(Session, ReopeningTheArchiveAddsOnlyNewNamesAndLeavesOldOnesAlone)
{
    const Bytes cat = PhotoLikeBytes(4000, 1);
    FZipper.SetFileName(Name());
    AddBytes(FZipper, "cat.jpg", cat);
    FZipper.Close();

    TZipper second;
    second.SetFileName(Name());
    ASSERT_EQ(second.Count(), 1);
    AddBytes(second, "Cat.jpg", PhotoLikeBytes(4000, 9));
    AddBytes(second, "dog.jpg", PhotoLikeBytes(4000, 2));
    second.Close();
    const TRun listing = PythonListing(Name());
    ASSERT_EQ(listing.Status, 0) << listing.Output;
    EXPECT_EQ(listing.Output.substr(0, listing.Output.find('\n')), Sha1Line("cat.jpg", cat));
    EXPECT_NE(listing.Output.find("dog.jpg:4000:"), std::string::npos);
}

// A case-insensitive disk would unpack them onto one file: É.jpg and
// é.jpg, or a Greek or Cyrillic name in other letters, are one entry,
// also when the first was stored by an earlier run.
TEST_F(Session, NamesDifferingInCaseOfAnyScriptAreOneEntryAcrossRuns)
{
    std::vector<std::string> skipped;
    FZipper.OnProcessItemFailure = [&](TZipper&, TArchiveItem* item, TProcessType, TErrorClass, int32_t code) {
        EXPECT_EQ(code, ErrDuplicateName);
        skipped.push_back(item->GetFileName());
    };
    FZipper.SetFileName(Name());
    AddBytes(FZipper, "\xc3\x89.jpg", PhotoLikeBytes(2000, 1));           // É.jpg
    AddBytes(FZipper, "\xce\xa6\xcf\x89\xcf\x82.jpg", PhotoLikeBytes(2000, 2));  // Φως.jpg
    AddBytes(FZipper, "\xc3\xa9.jpg", PhotoLikeBytes(2000, 3));           // é.jpg
    FZipper.Close();

    FZipper.SetFileName(Name());
    AddBytes(FZipper, "\xcf\x86\xce\xa9\xce\xa3.JPG", PhotoLikeBytes(2000, 4));  // φΩΣ.JPG
    AddBytes(FZipper, "\xe9.jpg", PhotoLikeBytes(2000, 5));                // not UTF-8: a name of its own
    FZipper.Close();
    EXPECT_EQ(skipped, (std::vector<std::string>{"\xc3\xa9.jpg", "\xcf\x86\xce\xa9\xce\xa3.JPG"}));
    const TRun listing = PythonListing(Name());
    ASSERT_EQ(listing.Status, 0) << listing.Output;
    // Three entries and the comment line.
    EXPECT_EQ(std::count(listing.Output.begin(), listing.Output.end(), '\n'), 4) << listing.Output;
}

TEST_F(Session, CommentIsWrittenAtCloseEvenWhenUnchangedAndKeptWhenReopened)
{
    FZipper.SetFileName(Name());
    AddBytes(FZipper, "cat.jpg", PhotoLikeBytes(1000, 1));
    FZipper.SetComment("made by hand");
    int saves = 0;
    FZipper.OnSave = [&](TZipper&) { ++saves; };
    FZipper.Close();
    EXPECT_EQ(saves, 1);
    EXPECT_NE(PythonListing(Name()).Output.find("comment:6d6164652062792068616e64"), std::string::npos);

    FZipper.OnSave = nullptr;
    FZipper.SetFileName(Name());
    EXPECT_EQ(FZipper.Archive()->Comment(), "made by hand");
    FZipper.SetComment("made by hand");
    TFileIdentity before, after;
    ASSERT_TRUE(GetFileIdentity(Name(), before));
    FZipper.Close();
    ASSERT_TRUE(GetFileIdentity(Name(), after));
    EXPECT_EQ(before.Inode, after.Inode);  // written in place
    EXPECT_NE(before, after);              // rewritten, not left alone
    EXPECT_NE(PythonListing(Name()).Output.find("comment:6d6164652062792068616e64"), std::string::npos);
}

TEST_F(Session, NoModelMeansNoArchive)
{
    EXPECT_EQ(MessageOf([&] { FZipper.SetComment("x"); }), "Archive does not exist - Filename is blank");
    FZipper.SetFileName(Name());
    FZipper.Close();
    TMemoryStream stream;
    EXPECT_EQ(MessageOf([&] { FZipper.AddStream("a.jpg", stream); }), "Archive does not exist - Filename is blank");
}

TEST_F(Session, SettingsReachTheModelAndABadBaseDirectoryIsRefused)
{
    FZipper.SetCompressionMethodToUse(smStored);
    FZipper.SetFileName(Name());
    EXPECT_EQ(FZipper.Archive()->CompressionMethodToUse, smStored);
    FZipper.SetDeflationOption(doMaximum);
    EXPECT_EQ(FZipper.Archive()->DeflationOption, doMaximum);
    EXPECT_TRUE(HasStoreOption(FZipper.Archive()->StoreOptions(), soStripPath));
    AddBytes(FZipper, "plain.jpg", Bytes(3000, 'a'));
    FZipper.Close();
    EXPECT_EQ(Get16(ReadAll(Name()), 8), 0);  // stored

    FZipper.SetBaseDirectory(FScratch.File("missing"));
    EXPECT_EQ(MessageOf([&] { FZipper.SetFileName(Name("other.zip")); }), "Directory does not exist");
    EXPECT_EQ(FZipper.Archive(), nullptr);
}

TEST_F(Session, DestroyingTheSessionDropsUnwrittenChanges)
{
    {
        TZipper zipper;
        zipper.SetFileName(Name());
        AddBytes(zipper, "cat.jpg", PhotoLikeBytes(1000, 1));
        zipper.SetComment("never written");
    }
    const TRun listing = PythonListing(Name());
    EXPECT_NE(listing.Output.find("comment:\n"), std::string::npos) << listing.Output;
    EXPECT_NE(listing.Output.find("cat.jpg:1000:"), std::string::npos);
}

TEST_F(Session, AnArchiveThatRefusedAWriteNeverBlocksTheNextName)
{
    FZipper.SetFileName(Name("ro.zip"));
    AddBytes(FZipper, "old.jpg", PhotoLikeBytes(1000, 1));
    FZipper.Close();
    const Bytes before = ReadAll(Name("ro.zip"));
    const std::string refused = "Cannot open file \"" + Name("ro.zip") + "\". Permission denied";
    {
        TRefuseWritesLayer readOnly(Name("ro.zip"));
        FZipper.SetFileName(Name("ro.zip"));
        EXPECT_EQ(MessageOf([&] { AddBytes(FZipper, "new.jpg", PhotoLikeBytes(900, 2)); }), refused);
        FZipper.SetComment("owed to the refusing file");
        const int tries = readOnly.Refusals();

        FZipper.SetFileName(Name("ok.zip"));
        EXPECT_EQ(readOnly.Refusals(), tries) << "let go without another try";
        AddBytes(FZipper, "new.jpg", PhotoLikeBytes(900, 2));
        FZipper.Close();

        // Closing it, as a ticked Clear does, and naming it again work alike.
        FZipper.SetFileName(Name("ro.zip"));
        EXPECT_EQ(MessageOf([&] { AddBytes(FZipper, "new.jpg", PhotoLikeBytes(900, 2)); }), refused);
        EXPECT_EQ(MessageOf([&] { FZipper.Close(); }), "(no exception)");
        FZipper.SetFileName(Name("ro.zip"));
        EXPECT_EQ(MessageOf([&] { AddBytes(FZipper, "new.jpg", PhotoLikeBytes(900, 2)); }), refused);
        EXPECT_EQ(MessageOf([&] { FZipper.SetFileName(Name("ro.zip")); }), "(no exception)");
        EXPECT_EQ(FZipper.Count(), 1);
    }
    FZipper.Close();
    EXPECT_EQ(ReadAll(Name("ro.zip")), before);
    const TRun listing = PythonListing(Name("ok.zip"));
    EXPECT_NE(listing.Output.find("new.jpg:900:"), std::string::npos) << listing.Output;
    EXPECT_TRUE(UnzipAccepts(Name("ok.zip")));
}

TEST_F(Session, AWriteThatFailsWhileLettingGoIsReportedOnceAndLeavesNoModel)
{
    FZipper.SetFileName(Name("ro.zip"));
    AddBytes(FZipper, "old.jpg", PhotoLikeBytes(1000, 1));
    FZipper.SetComment("mine");
    {
        TRefuseWritesLayer readOnly(Name("ro.zip"));
        EXPECT_EQ(MessageOf([&] { FZipper.SetFileName(Name("ok.zip")); }),
                  "Cannot open file \"" + Name("ro.zip") + "\". Permission denied");
    }
    EXPECT_EQ(FZipper.Archive(), nullptr);
    EXPECT_EQ(FZipper.FileName(), "");
    FZipper.SetFileName(Name("ok.zip"));
    AddBytes(FZipper, "new.jpg", PhotoLikeBytes(900, 2));
    FZipper.Close();
    EXPECT_NE(PythonListing(Name("ok.zip")).Output.find("new.jpg:900:"), std::string::npos);
}

TEST_F(Session, ConfirmationsCanDeclineAnAddOrAWrite)
{
    FZipper.SetFileName(Name());
    FZipper.OnConfirmProcessItem = [](TZipper&, TArchiveItem* item, TProcessType type, bool& confirm) {
        EXPECT_EQ(type, ptAdd);
        confirm = item->GetFileName() != "no.jpg";
    };
    AddBytes(FZipper, "no.jpg", PhotoLikeBytes(100, 1));
    EXPECT_EQ(FZipper.Count(), 0);
    const Bytes empty = ReadAll(Name());
    EXPECT_EQ(empty.size(), 22u);

    FZipper.OnConfirmSave = [](TZipper&, bool& confirm) { confirm = false; };
    AddBytes(FZipper, "yes.jpg", PhotoLikeBytes(100, 1));
    EXPECT_EQ(FZipper.Count(), 1);
    EXPECT_EQ(ReadAll(Name()), empty);
    EXPECT_TRUE(FZipper.Archive()->IsDirty());
    // Its source is gone with the call, so the entry is given up, not
    // written later from a released stream.
    EXPECT_EQ(FZipper.Archive()->Item(0)->Action(), eaRemove);
    int failures = 0;
    FZipper.OnProcessItemFailure = [&](TZipper&, TArchiveItem*, TProcessType, TErrorClass, int32_t) {
        ++failures;
    };
    FZipper.OnConfirmSave = nullptr;
    AddBytes(FZipper, "yes.jpg", PhotoLikeBytes(100, 2));
    FZipper.Close();
    EXPECT_EQ(failures, 0);
    EXPECT_NE(PythonListing(Name()).Output.find("yes.jpg:100:"), std::string::npos);
}

TEST_F(Session, TheFirstEntryOfANewArchiveSitsAtTheStart)
{
    FZipper.SetFileName(Name());
    const Bytes data = PhotoLikeBytes(3000, 1);
    AddBytes(FZipper, "abc.jpg", data);  // 7-byte name
    const Bytes file = ReadAll(Name());
    const uint32_t directory = Get32(file, file.size() - 22 + 16);
    EXPECT_EQ(Get32(file, 0), 0x04034B50u);
    EXPECT_EQ(Get16(file, 26), 7);
    EXPECT_EQ(Get32(file, directory + 42), 0u);
    if (Get16(file, 8) == 0) {  // stored: the data follows the header at 37
        EXPECT_TRUE(std::equal(data.begin(), data.end(), file.begin() + 37));
    }
    EXPECT_EQ(directory, 37 + Get32(file, 18));
}
