// The journal of a commit, over its whole life and across users: a journal
// a later run cannot remove is voided instead of undoing later work, one
// another user left is settled through the archive's own permissions, one
// in a new state folder survives a power loss, one whose archive moved to a
// new inode still finds it, and one that fits no archive is kept, never
// dropped. Kills are real (SIGKILL) and users are real (a root test process
// forks children that drop to uid 65534 and 65533).

#include "ArchiveTestSupport.h"

#include "FileLayer.h"
#include "FullPath.h"
#include "OtherUsers.h"
#include "RollbackJournal.h"
#include "TailCutLayer.h"

#include <zlib.h>

#include <fcntl.h>
#include <map>
#include <set>
#include <sys/stat.h>

using namespace archive_test;

namespace {

std::vector<std::string> EntryNames(const std::string& name)
{
    TZipper zipper;
    zipper.SetFileName(name);
    std::vector<std::string> names;
    for (int i = 0; i < zipper.Count(); ++i)
        names.push_back(zipper.Archive()->Item(i)->GetFileName());
    zipper.Close();
    return names;
}

// Adds one picture and closes; the first failure's message, or "".
std::string AddPicture(const std::string& name, const std::string& entry)
{
    try {
        TZipper zipper;
        zipper.SetFileName(name);
        AddBytes(zipper, entry, PhotoLikeBytes(2000, static_cast<uint32_t>(entry.size())));
        zipper.Close();
    } catch (const std::exception& e) {
        return e.what();
    }
    return std::string();
}

// The same archive under a new inode, as after a copy back or a remount
// that makes up inode numbers.
void MoveToNewInode(const std::string& name)
{
    const Bytes bytes = ReadAll(name);
    WriteAll(name + ".copy", bytes);
    std::filesystem::rename(name + ".copy", name);
}

// Kills this process at its first write into the archive, after `keep`
// bytes of it reached the file: the journal is then whole on disk.
class TKillAtArchiveWrite : public TFileLayer {
public:
    TKillAtArchiveWrite(const std::string& archive, int64_t keep) : FArchive(archive), FKeep(keep) {}
    int Open(const std::string& path, int flags, mode_t mode) override
    {
        const int fd = TFileLayer::Open(path, flags, mode);
        if (path == FArchive && (flags & O_ACCMODE) != O_RDONLY)
            FTarget = fd;
        return fd;
    }
    int WriteAt(int fd, const void* data, int64_t count, int64_t offset) override
    {
        if (fd == FTarget) {
            TFileLayer::WriteAt(fd, data, std::min(FKeep, count), offset);
            ::raise(SIGKILL);
        }
        return TFileLayer::WriteAt(fd, data, count, offset);
    }

private:
    std::string FArchive;
    int64_t FKeep;
    int FTarget = -1;
};

std::string WithoutSlash(std::string path)
{
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

std::string ParentOf(const std::string& path)
{
    return WithoutSlash(FolderOfPath(WithoutSlash(path)));
}

// A power loss as a file system that orders nothing but what it is told:
// an entry made or removed in a folder since that folder was last synced is
// undone, while file contents keep every write (the worst case for a
// journal: the tail reached the archive, the journal's name did not).
// Creating anything in the refused folder fails as in a folder the user may
// not write; from operation `cutAt` on, everything fails, as a kill.
class TPowerLossLayer : public TFileLayer {
public:
    explicit TPowerLossLayer(int cutAt) : FCutAt(cutAt) {}
    void Refuse(const std::string& folder) { FRefused = WithoutSlash(folder); }
    // The cut comes `cutAt` operations from now.
    void CutFromNow(int cutAt) { FCutAt = FOps + cutAt; }

    int Open(const std::string& path, int flags, mode_t mode) override
    {
        if (Dies())
            return Fail(EIO);
        const bool made = (flags & O_CREAT) && !std::filesystem::exists(path);
        if (made && ParentOf(path) == FRefused)
            return Fail(EACCES);
        const int fd = TFileLayer::Open(path, flags, mode);
        if (fd >= 0 && made)
            FMade.insert(path);
        return fd;
    }
    int MakeFolder(const std::string& path, mode_t mode) override
    {
        if (Dies())
            return Fail(EIO);
        if (ParentOf(path) == FRefused)
            return Fail(EACCES);
        const int rc = TFileLayer::MakeFolder(path, mode);
        if (rc == 0)
            FMade.insert(WithoutSlash(path));
        return rc;
    }
    int OpenUnnamed(const std::string& folder, mode_t mode) override
    {
        return Dies() ? Fail(EIO) : TFileLayer::OpenUnnamed(folder, mode);
    }
    int Link(int fd, const std::string& path) override
    {
        if (Dies() || TFileLayer::Link(fd, path) != 0)
            return Fail(EIO);
        FMade.insert(path);
        return 0;
    }
    int WriteAt(int fd, const void* data, int64_t count, int64_t offset) override
    {
        if (Dies()) {
            TFileLayer::WriteAt(fd, data, count / 2, offset);
            return Fail(EIO);
        }
        return TFileLayer::WriteAt(fd, data, count, offset);
    }
    int Truncate(int fd, int64_t size) override { return Dies() ? Fail(EIO) : TFileLayer::Truncate(fd, size); }
    int Sync(int fd) override { return Dies() ? Fail(EIO) : TFileLayer::Sync(fd); }
    int SyncFolder(const std::string& folder) override
    {
        if (Dies())
            return Fail(EIO);
        const std::string synced = WithoutSlash(folder);
        std::erase_if(FMade, [&](const std::string& p) { return ParentOf(p) == synced; });
        std::erase_if(FRemoved, [&](const auto& entry) { return ParentOf(entry.first) == synced; });
        return TFileLayer::SyncFolder(folder);
    }
    int Remove(const std::string& path) override
    {
        if (Dies())
            return Fail(EIO);
        if (!FMade.erase(path))
            FRemoved[path] = ReadAll(path);
        return TFileLayer::Remove(path);
    }

    bool Died() const { return FOps > FCutAt; }
    bool Made(const std::string& path) const { return FMade.count(path) != 0; }

    void LosePower()
    {
        for (auto it = FMade.rbegin(); it != FMade.rend(); ++it)
            std::filesystem::remove_all(*it);
        for (const auto& [path, bytes] : FRemoved)
            if (std::filesystem::exists(ParentOf(path)))
                WriteAll(path, bytes);
        FMade.clear();
        FRemoved.clear();
    }

private:
    bool Dies() { return ++FOps > FCutAt; }
    static int Fail(int err)
    {
        errno = err;
        return -1;
    }
    int FCutAt;
    int FOps = 0;
    std::string FRefused = "-";
    std::set<std::string> FMade;
    std::map<std::string, Bytes> FRemoved;
};

class JournalLife : public ::testing::Test {
protected:
    JournalLife()
    {
        FHooks.Removable(false);
        if (const char* state = std::getenv("XDG_STATE_HOME"))
            FSavedState = state;
        ::setenv("XDG_STATE_HOME", FScratch.File("state/deep").c_str(), 1);
        SetSpareJournalRoot(FScratch.Path());
        std::filesystem::create_directory(Shelf());
    }
    ~JournalLife() override
    {
        SetFileLayer(nullptr);
        SetSpareJournalRoot(std::string());
        if (FSavedState.empty())
            ::unsetenv("XDG_STATE_HOME");
        else
            ::setenv("XDG_STATE_HOME", FSavedState.c_str(), 1);
    }
    std::string Shelf() const { return FScratch.File("shelf"); }
    std::string Name() const { return FScratch.File("shelf/thumbs.zip"); }
    std::string StateFolder() const { return FScratch.File("state/deep/plinkavorte"); }

    // Adds one picture through the layer; whether it was reported done.
    bool AddThrough(TFileLayer& layer, const std::string& entry)
    {
        TZipper zipper;
        zipper.SetFileName(Name());
        SetFileLayer(&layer);
        bool done = false;
        try {
            AddBytes(zipper, entry, PhotoLikeBytes(3000, 5));
            done = true;
        } catch (const std::exception&) {
        }
        SetFileLayer(nullptr);
        return done;
    }

    TPlatformHooks FHooks;
    TScratch FScratch;
    std::string FSavedState;
};

// A folder for other users to work in, and a home of its own for each.
std::string SharedScratch(const TScratch& scratch)
{
    EXPECT_EQ(::chmod(scratch.Path().c_str(), 0755), 0);
    for (uid_t user : {Nobody, SecondUser}) {
        const std::string home = scratch.File("home" + std::to_string(user));
        std::filesystem::create_directory(home);
        EXPECT_EQ(::chown(home.c_str(), user, user), 0);
    }
    return scratch.Path();
}

std::string HomeOf(const TScratch& scratch, uid_t user)
{
    return scratch.File("home" + std::to_string(user));
}

// A sticky folder open to all, holding an archive of two entries that user
// Nobody made and everyone may write.
void MakeSharedArchive(TScratch& scratch, std::string& name)
{
    SharedScratch(scratch);
    const std::string shared = scratch.File("shared");
    name = shared + "/thumbs.zip";
    std::filesystem::create_directory(shared);
    ASSERT_EQ(::chmod(shared.c_str(), 01777), 0);
    ASSERT_TRUE(ExitedCleanly(RunAs(Nobody, HomeOf(scratch, Nobody), [&] {
        MakeArchive(name, 2);
        ASSERT_EQ(::chmod(name.c_str(), 0666), 0);
    })));
}

} // namespace

TEST(JournalAcrossUsers, AJournalThatCannotBeRemovedNeverUndoesAPictureReportedDone)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to hand a folder to another user";
    TScratch scratch;
    SharedScratch(scratch);
    const std::string shelf = scratch.File("shelf");
    const std::string name = shelf + "/thumbs.zip";
    const std::string home = HomeOf(scratch, Nobody);
    std::filesystem::create_directory(shelf);
    ASSERT_EQ(::chown(shelf.c_str(), Nobody, Nobody), 0);
    ASSERT_TRUE(ExitedCleanly(RunAs(Nobody, home, [&] { MakeArchive(name, 2); })));
    EXPECT_TRUE(WasKilled(RunAs(Nobody, home, [&] {
        TKillAtArchiveWrite kill(name, 0);
        SetFileLayer(&kill);
        AddPicture(name, "killed.jpg");
    })));
    ASSERT_TRUE(std::filesystem::exists(JournalBeside(name)));

    // The folder goes to someone else; the archive stays writable.
    ASSERT_EQ(::chown(shelf.c_str(), SecondUser, SecondUser), 0);
    ASSERT_EQ(::chmod(shelf.c_str(), 0755), 0);
    EXPECT_TRUE(ExitedCleanly(RunAs(Nobody, home, [&] {
        EXPECT_EQ(AddPicture(name, "first.jpg"), "");
        EXPECT_EQ(AddPicture(name, "second.jpg"), "");
        EXPECT_EQ(EntryNames(name), (std::vector<std::string>{"old0.jpg", "old1.jpg", "first.jpg", "second.jpg"}));
        EXPECT_TRUE(UnzipAccepts(name));
        // Never a second journal elsewhere while the first one stands.
        EXPECT_FALSE(std::filesystem::exists(home + "/state/plinkavorte"));
        EXPECT_TRUE(std::filesystem::is_empty(home + "/spare"));
    })));
    EXPECT_TRUE(std::filesystem::exists(JournalBeside(name)));
}

TEST(JournalAcrossUsers, TwoUsersInAStickyFolderLoseNoPictureReportedDone)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to run as two users";
    TScratch scratch;
    std::string name;
    ASSERT_NO_FATAL_FAILURE(MakeSharedArchive(scratch, name));
    const std::string homeA = HomeOf(scratch, Nobody);
    const std::string homeB = HomeOf(scratch, SecondUser);
    EXPECT_TRUE(WasKilled(RunAs(Nobody, homeA, [&] {
        TKillAtArchiveWrite kill(name, 700);
        SetFileLayer(&kill);
        AddPicture(name, "a-killed.jpg");
    })));
    struct stat journal {};
    ASSERT_EQ(::stat(JournalBeside(name).c_str(), &journal), 0);
    EXPECT_EQ(journal.st_mode & 0777, 0666u);

    // B may write the archive, so B may settle A's commit; it cannot remove
    // A's journal from the sticky folder, and voids it instead.
    EXPECT_TRUE(ExitedCleanly(RunAs(SecondUser, homeB, [&] {
        EXPECT_EQ(AddPicture(name, "b.jpg"), "");
        EXPECT_EQ(EntryNames(name), (std::vector<std::string>{"old0.jpg", "old1.jpg", "b.jpg"}));
    })));
    EXPECT_TRUE(ExitedCleanly(RunAs(Nobody, homeA, [&] {
        EXPECT_EQ(EntryNames(name), (std::vector<std::string>{"old0.jpg", "old1.jpg", "b.jpg"}));
        EXPECT_EQ(AddPicture(name, "a.jpg"), "");
        EXPECT_EQ(EntryNames(name), (std::vector<std::string>{"old0.jpg", "old1.jpg", "b.jpg", "a.jpg"}));
    })));
    EXPECT_FALSE(std::filesystem::exists(JournalBeside(name)));
    EXPECT_TRUE(UnzipAccepts(name));
}

TEST(JournalAcrossUsers, AJournalAnotherUserCannotReadStopsTheirAddUntilItsOwnerSettlesIt)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to run as two users";
    TScratch scratch;
    std::string name;
    ASSERT_NO_FATAL_FAILURE(MakeSharedArchive(scratch, name));
    const Bytes before = ReadAll(name);
    EXPECT_TRUE(WasKilled(RunAs(Nobody, HomeOf(scratch, Nobody), [&] {
        TKillAtArchiveWrite kill(name, 700);
        SetFileLayer(&kill);
        AddPicture(name, "a-killed.jpg");
    })));
    // As an earlier version left journals: private to their maker.
    ASSERT_EQ(::chmod(JournalBeside(name).c_str(), 0600), 0);
    const Bytes torn = ReadAll(name);

    EXPECT_TRUE(ExitedCleanly(RunAs(SecondUser, HomeOf(scratch, SecondUser), [&] {
        EXPECT_EQ(AddPicture(name, "b.jpg"), "Cannot add to " + name + ": the journal of an interrupted commit, " +
                                                 JournalBeside(name) + ", cannot be read: Permission denied");
        EXPECT_EQ(ReadAll(name), torn);
        EXPECT_FALSE(std::filesystem::exists(HomeOf(scratch, SecondUser) + "/state"));
    })));
    EXPECT_TRUE(ExitedCleanly(RunAs(Nobody, HomeOf(scratch, Nobody), [&] {
        EXPECT_EQ(EntryNames(name), (std::vector<std::string>{"old0.jpg", "old1.jpg"}));
    })));
    EXPECT_EQ(ReadAll(name), before);
}

TEST_F(JournalLife, APowerLossInTheFirstCommitIntoANewStateFolderLeavesTheArchiveWhole)
{
    MakeArchive(Name(), 2);
    const Bytes before = ReadAll(Name());
    for (int cut = 0;; ++cut) {
        SCOPED_TRACE("power loss at " + std::to_string(cut));
        WriteAll(Name(), before);
        std::filesystem::remove_all(FScratch.File("state"));
        TPowerLossLayer layer(cut);
        layer.Refuse(Shelf());
        const bool done = AddThrough(layer, "new.jpg");
        layer.LosePower();

        std::vector<std::string> names;
        ASSERT_NO_THROW(names = EntryNames(Name()));
        EXPECT_TRUE(names.size() == 2 || names.size() == 3) << names.size();
        EXPECT_EQ(names.size(), done ? 3u : names.size());
        if (names.size() == 2) {
            EXPECT_EQ(ReadAll(Name()), before);
        }
        EXPECT_TRUE(UnzipAccepts(Name()));
        EXPECT_EQ(std::filesystem::exists(StateFolder()) ? std::filesystem::is_empty(StateFolder()) : true, true);
        if (!layer.Died())
            break;
        ASSERT_LT(cut, 100);
    }
}

TEST_F(JournalLife, AJournalRemovedInOnePlaceStaysGoneWhenTheNextCommitUsesAnother)
{
    MakeArchive(Name(), 2);
    const Bytes before = ReadAll(Name());
    for (int cut = 0;; ++cut) {
        SCOPED_TRACE("power loss at " + std::to_string(cut) + " of the second commit");
        WriteAll(Name(), before);
        std::filesystem::remove_all(FScratch.File("state"));
        // The first commit journals in the state folder; then the shelf
        // takes new files again and the second one journals beside.
        TPowerLossLayer layer(1000);
        layer.Refuse(Shelf());
        ASSERT_TRUE(AddThrough(layer, "first.jpg"));
        layer.Refuse("-");
        layer.CutFromNow(cut);
        const bool done = AddThrough(layer, "second.jpg");
        layer.LosePower();

        std::vector<std::string> names;
        ASSERT_NO_THROW(names = EntryNames(Name()));
        EXPECT_TRUE(names.size() == 3 || names.size() == 4) << names.size();
        EXPECT_EQ(names.size(), done ? 4u : names.size());
        EXPECT_TRUE(UnzipAccepts(Name()));
        if (!layer.Died())
            break;
        ASSERT_LT(cut, 100);
    }
}

TEST_F(JournalLife, AJournalFollowsItsArchiveToANewInode)
{
    for (bool beside : {true, false}) {
        SCOPED_TRACE(beside ? "journal beside" : "journal in the state folder");
        std::filesystem::remove(Name());
        MakeArchive(Name(), 2);
        const Bytes before = ReadAll(Name());
        struct TRefusingCut : TTailCut {
            using TTailCut::TTailCut;
            std::string Refused = "-";
            int Open(const std::string& path, int flags, mode_t mode) override
            {
                if ((flags & O_CREAT) && ParentOf(path) == Refused) {
                    errno = EACCES;
                    return -1;
                }
                return TTailCut::Open(path, flags, mode);
            }
        } cut(Name());
        if (!beside)
            cut.Refused = Shelf();
        EXPECT_FALSE(AddThrough(cut, "cut.jpg"));
        ASSERT_NE(ReadAll(Name()), before);
        MoveToNewInode(Name());

        EXPECT_EQ(EntryNames(Name()), (std::vector<std::string>{"old0.jpg", "old1.jpg"}));
        EXPECT_EQ(ReadAll(Name()), before);
        EXPECT_FALSE(std::filesystem::exists(JournalBeside(Name())));
        EXPECT_TRUE(!std::filesystem::exists(StateFolder()) || std::filesystem::is_empty(StateFolder()));
    }
}

TEST_F(JournalLife, AJournalThatFitsNoLongerIsKeptAndNamed)
{
    MakeArchive(Name(), 2);
    TTailCut cut(Name());
    EXPECT_FALSE(AddThrough(cut, "cut.jpg"));
    // Another archive put in its place.
    std::filesystem::remove(Name());
    MakeArchive(FScratch.File("other.zip"), 3, 100);
    std::filesystem::rename(FScratch.File("other.zip"), Name());
    const Bytes other = ReadAll(Name());
    const std::string journal = JournalBeside(Name());
    ASSERT_TRUE(std::filesystem::exists(journal));

    for (int attempt = 0; attempt < 2; ++attempt) {
        EXPECT_EQ(AddPicture(Name(), "new.jpg"), "Cannot add to " + Name() + ": the journal of an interrupted commit, " +
                                                      journal + ", does not match the archive as it is now; the "
                                                                "journal is kept");
        EXPECT_TRUE(std::filesystem::exists(journal));
        EXPECT_EQ(ReadAll(Name()), other);
    }
    // Once the user moves it away, the archive is theirs again.
    std::filesystem::rename(journal, FScratch.File("journal.kept"));
    EXPECT_EQ(AddPicture(Name(), "new.jpg"), "");
}

// A journal as the first version wrote it: new size in 32 bits beside the
// tail's CRC, no archive path, no check of the bytes before the tail.
Bytes FirstVersionJournal(const struct stat& node, const Bytes& old, int64_t offset, const Bytes& tail,
                          uint8_t version = 1)
{
    Bytes out{'P', 'L', 'K', 'J', 'R', 'N', 'L', version};
    auto put64 = [&out](uint64_t v) {
        for (int i = 0; i < 8; ++i)
            out.push_back(static_cast<uint8_t>(v >> (8 * i)));
    };
    const uint32_t tailCrc = static_cast<uint32_t>(::crc32(0, tail.data(), static_cast<uInt>(tail.size())));
    put64(node.st_dev);
    put64(node.st_ino);
    put64(static_cast<uint64_t>(offset));
    put64(old.size());
    put64(static_cast<uint64_t>(offset + static_cast<int64_t>(tail.size())) | static_cast<uint64_t>(tailCrc) << 32);
    out.insert(out.end(), old.begin() + offset, old.end());
    const uint32_t crc = static_cast<uint32_t>(::crc32(0, out.data(), static_cast<uInt>(out.size())));
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<uint8_t>(crc >> (8 * i)));
    for (char c : std::string("PLKJEND\1"))
        out.push_back(static_cast<uint8_t>(c));
    return out;
}

TEST_F(JournalLife, JournalsOfTheFirstVersionAreStillSettledAndLaterOnesRefused)
{
    MakeArchive(Name(), 2);
    const Bytes before = ReadAll(Name());
    const int64_t offset = Get32(before, before.size() - 6);  // the directory's offset
    const Bytes tail = PhotoLikeBytes(3000, 8);
    Bytes torn(before.begin(), before.begin() + offset);
    torn.insert(torn.end(), tail.begin(), tail.begin() + 1200);
    struct stat node {};
    ASSERT_EQ(::stat(Name().c_str(), &node), 0);
    const std::string journal = JournalBeside(Name());

    WriteAll(journal, FirstVersionJournal(node, before, offset, tail, 3));
    WriteAll(Name(), torn);
    EXPECT_EQ(AddPicture(Name(), "new.jpg"), "Cannot add to " + Name() + ": the journal of an interrupted commit, " +
                                                  journal + ", was written by a newer version of Plinkavorte");
    EXPECT_EQ(ReadAll(Name()), torn);

    WriteAll(journal, FirstVersionJournal(node, before, offset, tail));
    EXPECT_EQ(EntryNames(Name()), (std::vector<std::string>{"old0.jpg", "old1.jpg"}));
    EXPECT_EQ(ReadAll(Name()), before);
    EXPECT_FALSE(std::filesystem::exists(journal));
}

TEST_F(JournalLife, AJournalWhoseSizesPassAnyFileIsPassedOverAndTheArchiveKept)
{
    MakeArchive(Name(), 2);
    const Bytes before = ReadAll(Name());
    const int64_t offset = Get32(before, before.size() - 6);
    struct stat node {};
    ASSERT_EQ(::stat(Name().c_str(), &node), 0);
    Bytes journal = FirstVersionJournal(node, before, offset, PhotoLikeBytes(3000, 8));
    // Offset 0 and an old size of 2^63-1: the bytes it claims to cover
    // cannot be in any file, and adding them up must not wrap.
    for (int i = 0; i < 8; ++i) {
        journal[24 + i] = 0;
        journal[32 + i] = i == 7 ? 0x7f : 0xff;
    }
    WriteAll(JournalBeside(Name()), journal);
    EXPECT_EQ(EntryNames(Name()), (std::vector<std::string>{"old0.jpg", "old1.jpg"}));
    EXPECT_EQ(ReadAll(Name()), before);
    EXPECT_FALSE(std::filesystem::exists(JournalBeside(Name())));
}
