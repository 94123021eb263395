// Group commits: while the directory is small every add is committed at
// once; once rewriting it costs more than the pictures added meanwhile,
// they wait in memory and go to disk together, into room kept before the
// directory, never later than a second after the first of them, and at
// Close. What a grouped run writes is byte for byte what single commits write.

#include "ArchiveTestSupport.h"

#include "ArchiveErrors.h"
#include "LocalTime.h"
#include "ZipArchive.h"

using namespace archive_test;

namespace {

using TTime = std::chrono::steady_clock::time_point;

TLocalDateTime StoppedClock()
{
    TLocalDateTime t;
    t.Year = 2025;
    t.Month = 3;
    t.Day = 1;
    t.Hour = 9;
    return t;
}

class GroupCommit : public ::testing::Test {
protected:
    GroupCommit()
    {
        SetLocalClock(&StoppedClock);
        FHooks.Removable(false);
        Configure(FZipper);
    }
    ~GroupCommit() override { SetLocalClock(nullptr); }

    void Configure(TZipper& zipper)
    {
        zipper.SetStoreOptions(DefaultStoreOptions | StoreOptionBit(soStripPath));
        zipper.SetGroupCommits(true);
        zipper.SetCommitClock([this] { return FNow; });
        zipper.OnSave = [this](TZipper&) { ++FCommits; };
    }
    std::string Name(const std::string& file = "thumbs.zip") const { return FScratch.File(file); }

    // An archive of `entries` small entries, as another tool left it.
    void MakeLargeArchive(const std::string& path, int entries)
    {
        const TRun made = RunCommand("python3 -c " +
                                     Quote("import sys,zipfile\n"
                                           "with zipfile.ZipFile(sys.argv[1],'w') as z:\n"
                                           "  for i in range(int(sys.argv[2])): z.writestr('old%05d.jpg'%i, b'x'*40)\n") +
                                     " " + Quote(path) + " " + std::to_string(entries));
        ASSERT_EQ(made.Status, 0) << made.Output;
    }

    TPlatformHooks FHooks;
    TScratch FScratch;
    TZipper FZipper;
    TTime FNow;
    int FCommits = 0;
};

} // namespace

TEST_F(GroupCommit, ASmallDirectoryIsCommittedWithEveryPicture)
{
    FZipper.SetFileName(Name());
    for (int i = 0; i < 20; ++i) {
        const Bytes before = ReadAll(Name());
        const std::string number = std::to_string(i);
        AddBytes(FZipper, "p" + number + ".jpg", PhotoLikeBytes(4000, static_cast<uint32_t>(i)));
        EXPECT_EQ(FZipper.Uncommitted(), 0);
        EXPECT_GT(ReadAll(Name()).size(), before.size());
    }
    EXPECT_EQ(FCommits, 20);
}

// 3000 entries make a directory of about 170 kB, too much to write again for
// every commit. Pictures of 4 kB wait until they outweigh what a commit into
// room before the directory costs, and go there together: the first commit
// moves the directory past fresh room, later ones leave the entries and the
// directory's records where they are. Close gives the room back.
TEST_F(GroupCommit, ALargeDirectoryTakesGatheredPicturesIntoRoomBeforeIt)
{
    ASSERT_NO_FATAL_FAILURE(MakeLargeArchive(Name(), 3000));
    FZipper.SetFileName(Name());
    const Bytes original = ReadAll(Name());
    const auto entriesEnd = static_cast<size_t>(FZipper.Archive()->DirectoryPosition());
    int added = 0;
    auto addUntilACommit = [&] {
        const int commits = FCommits;
        const Bytes before = ReadAll(Name());
        int64_t gathered = 0;
        while (FCommits == commits && added < 1000) {
            ASSERT_EQ(ReadAll(Name()), before) << "written before the pictures outweighed a commit";
            const std::string number = std::to_string(added);
            AddBytes(FZipper, "new" + number + ".jpg", PhotoLikeBytes(4000, static_cast<uint32_t>(added++)));
            gathered += 4000;
        }
        EXPECT_EQ(FZipper.Uncommitted(), 0);
        // They shrink by a quarter when deflated.
        EXPECT_GE(gathered, RoomCommitBatch);
        EXPECT_LE(gathered, 2 * RoomCommitBatch);
    };

    addUntilACommit();
    const Bytes first = ReadAll(Name());
    EXPECT_TRUE(std::equal(original.begin(), original.begin() + static_cast<std::ptrdiff_t>(entriesEnd), first.begin()));
    const int64_t directory = FZipper.Archive()->DirectoryPosition();
    const auto records = static_cast<std::ptrdiff_t>(first.size() - ZipEndCentralDirectorySize) - directory;
    EXPECT_GT(directory, static_cast<int64_t>(entriesEnd) + added * 4000 + 2 * records) << "no room kept";
    const TRun during = PythonListing(Name());
    ASSERT_EQ(during.Status, 0) << during.Output;
    EXPECT_NE(during.Output.find("new" + std::to_string(added - 1) + ".jpg:4000:"), std::string::npos);

    addUntilACommit();
    const Bytes second = ReadAll(Name());
    EXPECT_EQ(FZipper.Archive()->DirectoryPosition(), directory);
    EXPECT_TRUE(std::equal(first.begin() + directory, first.begin() + directory + records, second.begin() + directory))
        << "the directory's records were written again";

    FZipper.Close();
    const Bytes closed = ReadAll(Name());
    EXPECT_LT(closed.size(), second.size());
    TZipper reopened;
    reopened.SetFileName(Name());
    EXPECT_EQ(reopened.Count(), 3000 + added);
    const int64_t shrunk = reopened.Archive()->DirectoryPosition();
    EXPECT_EQ(static_cast<int64_t>(closed.size()) - shrunk,
              static_cast<int64_t>(second.size()) - directory) << "the room stayed";
    reopened.Close();
    EXPECT_TRUE(UnzipAccepts(Name()));
}

// Two sessions on one archive, each keeping room: each takes the other's
// commits in and adds after them.
TEST_F(GroupCommit, TwoSessionsCommittingIntoRoomKeepEachOthersPictures)
{
    ASSERT_NO_FATAL_FAILURE(MakeLargeArchive(Name(), 3000));
    TZipper other;
    Configure(other);
    other.SetFileName(Name());
    FZipper.SetFileName(Name());
    for (int round = 0; round < 3; ++round) {
        for (TZipper* zipper : {&FZipper, &other}) {
            const std::string name = (zipper == &other ? "theirs" : "mine") + std::to_string(round);
            AddBytes(*zipper, name + ".jpg", PhotoLikeBytes(3000, static_cast<uint32_t>(round)));
            zipper->Commit();
        }
    }
    FZipper.Close();
    other.Close();
    const TRun listing = PythonListing(Name());
    ASSERT_EQ(listing.Status, 0) << listing.Output;
    for (const char* name : {"mine0", "theirs0", "mine1", "theirs1", "mine2", "theirs2"})
        EXPECT_NE(listing.Output.find(std::string(name) + ".jpg:3000:"), std::string::npos) << name;
    TZipper reopened;
    reopened.SetFileName(Name());
    EXPECT_EQ(reopened.Count(), 3006);
    reopened.Close();
    EXPECT_TRUE(UnzipAccepts(Name()));
}

// The first picture to wait goes to disk no later than a second after it
// was added, with whatever came after it; asked with time to spare
// (`ahead`), a commit comes that much earlier.
TEST_F(GroupCommit, NoPictureWaitsLongerThanASecond)
{
    ASSERT_NO_FATAL_FAILURE(MakeLargeArchive(Name(), 3000));
    FZipper.SetFileName(Name());
    AddBytes(FZipper, "a.jpg", PhotoLikeBytes(3000, 1));
    FNow += std::chrono::milliseconds(600);
    AddBytes(FZipper, "b.jpg", PhotoLikeBytes(3000, 2));
    FZipper.CommitIfDue();
    EXPECT_EQ(FZipper.Uncommitted(), 2);
    FZipper.CommitIfDue(std::chrono::milliseconds(300));
    EXPECT_EQ(FZipper.Uncommitted(), 2);
    FZipper.CommitIfDue(std::chrono::milliseconds(400));
    EXPECT_EQ(FZipper.Uncommitted(), 0);
    EXPECT_EQ(FCommits, 1);

    // An add after the limit commits itself and everything before it.
    AddBytes(FZipper, "c.jpg", PhotoLikeBytes(3000, 3));
    FNow += std::chrono::milliseconds(1000);
    AddBytes(FZipper, "d.jpg", PhotoLikeBytes(3000, 4));
    EXPECT_EQ(FZipper.Uncommitted(), 0);
    EXPECT_EQ(FCommits, 2);
    AddBytes(FZipper, "e.jpg", PhotoLikeBytes(3000, 5));
    EXPECT_EQ(FZipper.Uncommitted(), 1);
    FZipper.Close();
    EXPECT_EQ(FCommits, 3);
    EXPECT_NE(PythonListing(Name()).Output.find("e.jpg:3000:"), std::string::npos);
}

// Waiting pictures are entries already: a second picture of the same name
// is skipped at once. A commit that fails gives every waiting picture up,
// names and all, and leaves the file as it was.
TEST_F(GroupCommit, WaitingPicturesAreDuplicatesAndAFailedCommitGivesThemUp)
{
    ASSERT_NO_FATAL_FAILURE(MakeLargeArchive(Name(), 3000));
    std::vector<std::string> skipped;
    FZipper.OnProcessItemFailure = [&](TZipper&, TArchiveItem* item, TProcessType, TErrorClass, int32_t code) {
        EXPECT_EQ(code, ErrDuplicateName);
        skipped.push_back(item->GetFileName());
    };
    FZipper.SetFileName(Name());
    const Bytes before = ReadAll(Name());
    AddBytes(FZipper, "a.jpg", PhotoLikeBytes(3000, 1));
    AddBytes(FZipper, "A.JPG", PhotoLikeBytes(3000, 2));
    AddBytes(FZipper, "b.jpg", PhotoLikeBytes(3000, 3));
    EXPECT_EQ(skipped, std::vector<std::string>{"A.JPG"});
    EXPECT_EQ(FZipper.Uncommitted(), 2);

    FHooks.FreeSpace(0);
    FNow += std::chrono::seconds(2);
    std::string message;
    try {
        FZipper.CommitIfDue();
    } catch (const Exception& e) {
        message = e.Message();
    }
    EXPECT_EQ(message, ArchiveMsgNoRoom);
    EXPECT_EQ(FZipper.Uncommitted(), 0);
    EXPECT_EQ(ReadAll(Name()), before);
    FHooks.FreeSpace(-1);
    AddBytes(FZipper, "a.jpg", PhotoLikeBytes(3000, 4));
    FZipper.Close();
    const TRun listing = PythonListing(Name());
    EXPECT_NE(listing.Output.find(Sha1Line("a.jpg", PhotoLikeBytes(3000, 4))), std::string::npos);
    EXPECT_EQ(listing.Output.find("b.jpg"), std::string::npos);
}

// The same adds, one commit each or gathered, give the same file.
TEST_F(GroupCommit, GatheredCommitsWriteWhatSingleOnesWrite)
{
    ASSERT_NO_FATAL_FAILURE(MakeLargeArchive(Name("grouped.zip"), 2000));
    std::filesystem::copy_file(Name("grouped.zip"), Name("single.zip"));
    TZipper single;
    single.SetStoreOptions(DefaultStoreOptions | StoreOptionBit(soStripPath));
    single.SetFileName(Name("single.zip"));
    FZipper.SetFileName(Name("grouped.zip"));
    std::mt19937 random(7);
    for (int i = 0; i < 150; ++i) {
        const std::string number = std::to_string(random() % 120);
        const std::string name = "p" + number + ".jpg";
        const Bytes data = PhotoLikeBytes(500 + random() % 6000, static_cast<uint32_t>(i));
        const int64_t modified = 1600000000 + i * 61;
        for (TZipper* zipper : {&single, &FZipper}) {
            TMemoryStream source;
            source.WriteBuffer(data.data(), static_cast<int64_t>(data.size()));
            zipper->AddStream(name, source, modified);
        }
        FNow += std::chrono::milliseconds(random() % 120);
    }
    EXPECT_GT(FCommits, 1);
    EXPECT_LT(FCommits, 50);
    single.SetComment("same");
    FZipper.SetComment("same");
    single.Close();
    FZipper.Close();
    EXPECT_EQ(ReadAll(Name("grouped.zip")), ReadAll(Name("single.zip")));
    EXPECT_TRUE(UnzipAccepts(Name("grouped.zip")));
}
