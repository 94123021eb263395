// A commit cut short at every step it takes, as a kill (what was written
// stays) or a power loss (only what was synced stays), and a tail write cut
// after any of its bytes: the next open finds exactly the entries of the
// last finished commit, every commit reported finished among them, and
// other readers accept the file.

#include "ArchiveTestSupport.h"

#include "FileLayer.h"
#include "FullPath.h"
#include "RollbackJournal.h"
#include "TailCutLayer.h"

#include <fcntl.h>
#include <map>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

using namespace archive_test;

namespace {

struct EDied : std::runtime_error {
    EDied() : std::runtime_error("died") {}
};

// Passes operations to the system until the cut; from then on every one fails.
class TCutLayer : public TFileLayer {
public:
    TCutLayer(int cutAt, bool powerLoss) : FCutAt(cutAt), FPowerLoss(powerLoss) {}
    // As on file systems without O_TMPFILE.
    bool NoUnnamedFiles = false;

    int Open(const std::string& path, int flags, mode_t mode) override
    {
        if (Dies())
            return Fail();
        const bool existed = ::access(path.c_str(), F_OK) == 0;
        const int fd = TFileLayer::Open(path, flags, mode);
        if (fd >= 0) {
            FPaths[fd] = path;
            if (!existed)
                FUnnamed.insert(path);
            else if (!FDurable.count(path))
                FDurable[path] = ReadAll(path);
        }
        return fd;
    }
    int OpenUnnamed(const std::string& folder, mode_t mode) override
    {
        if (NoUnnamedFiles) {
            errno = EOPNOTSUPP;
            return -1;
        }
        return Dies() ? Fail() : TFileLayer::OpenUnnamed(folder, mode);
    }
    int RenameNoReplace(const std::string& from, const std::string& to) override
    {
        if (Dies() || TFileLayer::RenameNoReplace(from, to) != 0)
            return Fail();
        for (auto& [fd, path] : FPaths)
            if (path == from)
                path = to;
        // Only the name is new; the content was synced under the old one.
        FUnnamed.erase(from);
        FUnnamed.insert(to);
        FDurable[to] = ReadAll(to);
        FDurable.erase(from);
        return 0;
    }
    int Link(int fd, const std::string& path) override
    {
        if (Dies() || TFileLayer::Link(fd, path) != 0)
            return Fail();
        // Its content was synced before it had this name.
        FPaths[fd] = path;
        FUnnamed.insert(path);
        FRemoved.erase(path);
        FDurable[path] = ReadAll(path);
        return 0;
    }
    int WriteAt(int fd, const void* data, int64_t count, int64_t offset) override
    {
        if (Dies()) {
            // A write cut in the middle leaves part of its bytes.
            if (count > 1)
                TFileLayer::WriteAt(fd, data, count / 2, offset);
            return Fail();
        }
        return TFileLayer::WriteAt(fd, data, count, offset);
    }
    int Truncate(int fd, int64_t size) override { return Dies() ? Fail() : TFileLayer::Truncate(fd, size); }
    int Sync(int fd) override
    {
        if (Dies())
            return Fail();
        if (!FPaths[fd].empty())
            FDurable[FPaths[fd]] = ReadAll(FPaths[fd]);
        return TFileLayer::Sync(fd);
    }
    int SyncFolder(const std::string& folder) override
    {
        if (Dies())
            return Fail();
        for (auto it = FUnnamed.begin(); it != FUnnamed.end();)
            it = it->rfind(folder, 0) == 0 ? FUnnamed.erase(it) : std::next(it);
        // A removal reaches the disk with its folder.
        for (auto it = FRemoved.begin(); it != FRemoved.end();) {
            if (it->rfind(folder, 0) != 0) {
                ++it;
                continue;
            }
            FDurable.erase(*it);
            it = FRemoved.erase(it);
        }
        return TFileLayer::SyncFolder(folder);
    }
    int Remove(const std::string& path) override
    {
        if (Dies())
            return Fail();
        const int result = TFileLayer::Remove(path);
        if (result == 0)
            FRemoved.insert(path);
        return result;
    }
    int Close(int fd) override { return TFileLayer::Close(fd); }

    bool Died() const { return FOps > FCutAt; }
    int Operations() const { return FOps; }

    // What a power loss leaves: synced content under names that reached the
    // disk, also where their removal did not.
    void LosePower()
    {
        if (!FPowerLoss)
            return;
        for (const auto& [path, bytes] : FDurable)
            if (!FUnnamed.count(path))
                WriteAll(path, bytes);
        for (const auto& path : FUnnamed)
            ::unlink(path.c_str());
    }

private:
    bool Dies() { return ++FOps > FCutAt; }
    static int Fail()
    {
        errno = EIO;
        return -1;
    }

    int FCutAt;
    bool FPowerLoss;
    int FOps = 0;
    std::map<int, std::string> FPaths;
    std::map<std::string, Bytes> FDurable;
    std::set<std::string> FUnnamed;
    std::set<std::string> FRemoved;
};

class InPlaceCommit : public ::testing::Test {
protected:
    InPlaceCommit()
    {
        ::setenv("XDG_STATE_HOME", FScratch.File("state").c_str(), 1);
        FHooks.Removable(false);
        FZipper.SetStoreOptions(DefaultStoreOptions | StoreOptionBit(soStripPath));
    }
    ~InPlaceCommit() override { SetFileLayer(nullptr); }
    std::string Name() const { return FScratch.File("thumbs.zip"); }

    void MakeArchive(int entries)
    {
        WriteAll(Name(), {});
        std::filesystem::remove(Name());
        FZipper.SetFileName(Name());
        for (int i = 0; i < entries; ++i)
            AddBytes(FZipper, "old" + std::to_string(i) + ".jpg", PhotoLikeBytes(2500, static_cast<uint32_t>(i)));
        FZipper.Close();
    }
    // Every name in the folder but the archive.
    std::vector<std::string> Leftovers() const
    {
        std::vector<std::string> found;
        for (const auto& e : std::filesystem::recursive_directory_iterator(FScratch.Path()))
            if (e.is_regular_file() && e.path() != Name())
                found.push_back(e.path().string());
        return found;
    }

    TPlatformHooks FHooks;
    TScratch FScratch;
    TZipper FZipper;
};

// Runs one add and one comment commit under the layer; how many of them
// were reported finished.
int CutRun(TCutLayer& layer, const std::string& name)
{
    int finished = 0;
    auto zipper = std::make_unique<TZipper>();
    zipper->SetStoreOptions(DefaultStoreOptions | StoreOptionBit(soStripPath));
    zipper->SetFileName(name);
    SetFileLayer(&layer);
    try {
        AddBytes(*zipper, "new.jpg", PhotoLikeBytes(3000, 99));
        ++finished;
        zipper->SetComment("done");
        zipper->Close();
        ++finished;
    } catch (const std::exception&) {
    }
    zipper.reset();
    SetFileLayer(nullptr);
    return finished;
}

} // namespace

TEST_F(InPlaceCommit, ACommitCutAtAnyStepLeavesTheLastFinishedOne)
{
    MakeArchive(4);
    const Bytes before = ReadAll(Name());
    for (bool powerLoss : {false, true}) {
        for (int cut = 0;; ++cut) {
            SCOPED_TRACE((powerLoss ? "power loss at " : "kill at ") + std::to_string(cut));
            WriteAll(Name(), before);
            TCutLayer layer(cut, powerLoss);
            const int finished = CutRun(layer, Name());
            const bool died = layer.Died();
            layer.LosePower();
            TZipper zipper;

            // The next open settles the journal.
            ASSERT_NO_THROW(zipper.SetFileName(Name()));
            const int count = zipper.Count();
            const std::string comment = zipper.Archive()->Comment();
            zipper.Close();
            if (!died) {
                EXPECT_EQ(count, 5);
                EXPECT_EQ(comment, "done");
                EXPECT_TRUE(Leftovers().empty());
                break;
            }
            EXPECT_TRUE(count == 4 || count == 5) << count;
            // What was reported finished is there.
            EXPECT_GE(count, finished >= 1 ? 5 : 4);
            if (finished == 2) {
                EXPECT_EQ(comment, "done");
            }
            if (count == 4) {
                EXPECT_EQ(ReadAll(Name()), before);
            }
            EXPECT_TRUE(UnzipAccepts(Name()));
            const TRun listing = PythonListing(Name());
            EXPECT_EQ(listing.Status, 0) << listing.Output;
            EXPECT_TRUE(Leftovers().empty()) << Leftovers().front();
            ASSERT_LT(cut, 200);
        }
    }
}

// Three pictures gathered while the directory of 1500 entries outweighs
// them, then committed together by Close into room before the directory,
// which Close then gives back: a cut at any step leaves all of them or none,
// and all of them once Close returned.
TEST_F(InPlaceCommit, AGroupedCommitCutAtAnyStepLeavesAllOfItsEntriesOrNone)
{
    const TRun made = RunCommand("python3 -c " +
                                 Quote("import sys,zipfile\n"
                                       "with zipfile.ZipFile(sys.argv[1],'w') as z:\n"
                                       "  for i in range(1500): z.writestr('old%04d.jpg'%i, bytes([i%251])*60)\n") +
                                 " " + Quote(Name()));
    ASSERT_EQ(made.Status, 0) << made.Output;
    const Bytes before = ReadAll(Name());
    std::ptrdiff_t entriesEnd = 0;
    {
        TZipper reader;
        reader.SetFileName(Name());
        entriesEnd = static_cast<std::ptrdiff_t>(reader.Archive()->DirectoryPosition());
    }
    for (bool powerLoss : {false, true}) {
        for (int cut = 0;; ++cut) {
            SCOPED_TRACE((powerLoss ? "power loss at " : "kill at ") + std::to_string(cut));
            WriteAll(Name(), before);
            TCutLayer layer(cut, powerLoss);
            bool finished = false;
            {
                TZipper zipper;
                zipper.SetStoreOptions(DefaultStoreOptions | StoreOptionBit(soStripPath));
                zipper.SetGroupCommits(true);
                zipper.SetCommitClock([] { return std::chrono::steady_clock::time_point(); });
                zipper.SetFileName(Name());
                SetFileLayer(&layer);
                try {
                    for (int i = 0; i < 3; ++i)
                        AddBytes(zipper, "new" + std::to_string(i) + ".jpg", PhotoLikeBytes(3000, 99 + i));
                    EXPECT_EQ(zipper.Uncommitted(), 3);
                    zipper.Close();
                    finished = true;
                } catch (const std::exception&) {
                }
                SetFileLayer(nullptr);
            }
            const bool died = layer.Died();
            layer.LosePower();
            TZipper zipper;
            ASSERT_NO_THROW(zipper.SetFileName(Name()));
            const int count = zipper.Count();
            zipper.Close();
            EXPECT_TRUE(count == 1500 || count == 1503) << count;
            if (finished) {
                EXPECT_EQ(count, 1503);
            }
            // Moving the directory past room for them is a commit of its
            // own; the old entries stay where they are whatever happens.
            const Bytes now = ReadAll(Name());
            EXPECT_TRUE(std::equal(before.begin(), before.begin() + entriesEnd, now.begin()));
            EXPECT_TRUE(UnzipAccepts(Name()));
            EXPECT_TRUE(Leftovers().empty()) << Leftovers().front();
            if (!died)
                break;
            ASSERT_LT(cut, 200);
        }
    }
}

TEST_F(InPlaceCommit, ATailCutAtAnyByteLeavesThePreviousArchive)
{
    MakeArchive(4);
    const Bytes before = ReadAll(Name());
    int64_t tail = 1;
    for (int64_t keep = 0; keep < tail; keep += keep < 64 ? 1 : 97) {
        SCOPED_TRACE("tail cut after " + std::to_string(keep) + " bytes");
        WriteAll(Name(), before);
        TTailCut layer(Name(), keep);
        {
            TZipper zipper;
            zipper.SetStoreOptions(DefaultStoreOptions | StoreOptionBit(soStripPath));
            zipper.SetFileName(Name());
            SetFileLayer(&layer);
            try {
                AddBytes(zipper, "new.jpg", PhotoLikeBytes(3000, 99));
            } catch (const std::exception&) {
            }
            SetFileLayer(nullptr);
        }
        tail = layer.TailSize();
        ASSERT_GT(tail, 2000);  // the picture, its header, the directory and the end
        TZipper zipper;
        ASSERT_NO_THROW(zipper.SetFileName(Name()));
        EXPECT_EQ(zipper.Count(), 4);
        zipper.Close();
        ASSERT_EQ(ReadAll(Name()), before);
        EXPECT_TRUE(Leftovers().empty()) << Leftovers().front();
    }
}

TEST_F(InPlaceCommit, ANewArchiveIsWholeFromTheMomentItHasAName)
{
    for (bool unnamedFiles : {true, false}) {
        for (bool powerLoss : {false, true}) {
            for (int cut = 0;; ++cut) {
                SCOPED_TRACE(std::string(unnamedFiles ? "" : "without unnamed files, ") +
                             (powerLoss ? "power loss at " : "kill at ") + std::to_string(cut));
                std::filesystem::remove(Name());
                TCutLayer layer(cut, powerLoss);
                layer.NoUnnamedFiles = !unnamedFiles;
                SetFileLayer(&layer);
                try {
                    TZipper zipper;
                    zipper.SetFileName(Name());
                } catch (const std::exception&) {
                }
                SetFileLayer(nullptr);
                layer.LosePower();
                // A leftover under a hidden name goes with the next run, once nobody holds it.
                for (const std::string& leftover : Leftovers()) {
                    EXPECT_NE(ExtractFileName(leftover).find(".thumbs.zip.plinkavorte-"), std::string::npos)
                        << leftover;
                    const timespec old[2] = {{1, 0}, {1, 0}};
                    ::utimensat(AT_FDCWD, leftover.c_str(), old, 0);
                }
                if (std::filesystem::exists(Name())) {
                    EXPECT_EQ(ReadAll(Name()).size(), 22u);
                } else {
                    EXPECT_TRUE(layer.Died());
                }
                TZipper zipper;
                ASSERT_NO_THROW(zipper.SetFileName(Name()));
                EXPECT_EQ(zipper.Count(), 0);
                zipper.Close();
                EXPECT_TRUE(Leftovers().empty()) << Leftovers().front();
                EXPECT_EQ(ReadAll(Name()).size(), 22u);
                if (!layer.Died())
                    break;
                ASSERT_LT(cut, 50);
            }
        }
    }
}

TEST_F(InPlaceCommit, JournalNamesFitWhateverTheArchiveName)
{
    const std::string longName = std::string(250, 'a') + ".zip";
    const std::string journal = JournalBeside("/x/" + longName);
    EXPECT_LE(ExtractFileName(journal).size(), 255u);
    EXPECT_EQ(journal.rfind("/x/.", 0), 0u);
    EXPECT_NE(JournalBeside("/x/" + std::string(250, 'a') + "b.zip"), journal);
    EXPECT_EQ(JournalBeside("/x/thumbs.zip"), "/x/.thumbs.zip.plinkavorte-journal");

    // An archive of such a name is written like any other.
    const std::string name = FScratch.File(std::string(247, 'a') + ".zip");
    FZipper.SetFileName(name);
    AddBytes(FZipper, "a.jpg", PhotoLikeBytes(1000, 1));
    FZipper.Close();
    EXPECT_TRUE(UnzipAccepts(name));
}
