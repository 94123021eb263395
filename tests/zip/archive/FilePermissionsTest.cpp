// The archive is changed in place, so the file keeps what belongs to it:
// its permission (a read-only archive fails untouched with the system's
// reason), its links, owner, mode and extended attributes, and a folder the
// user may not write to only moves the journal to the state folder. These
// run as an unprivileged user: a root test process forks a child that drops
// to uid and gid 65534 first, so that the permission checks really apply.

#include "ArchiveTestSupport.h"

#include "Errors.h"
#include "FileLayer.h"
#include "OtherUsers.h"
#include "RollbackJournal.h"
#include "TailCutLayer.h"

#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

using namespace archive_test;

namespace {

// Runs the body as an unprivileged user in a scratch folder that is also
// its home and holds the stand-in for /var/tmp, "spare"; its failures fail
// the test.
void AsUnprivilegedUser(const std::function<void(const std::string& folder)>& body)
{
    TScratch scratch;
    ASSERT_EQ(::chmod(scratch.Path().c_str(), 0700), 0);
    if (::geteuid() == 0) {
        ASSERT_EQ(::chown(scratch.Path().c_str(), Nobody, Nobody), 0);
    }
    const int status = RunAs(Nobody, scratch.Path(), [&] {
        body(scratch.Path());
        RunCommand("chmod -R u+w " + Quote(scratch.Path()));
    });
    EXPECT_TRUE(ExitedCleanly(status)) << "the unprivileged part failed, status " << status;
}

// An archive of two entries on a shelf in `folder` the user cannot write,
// so that no journal can go beside it.
void MakeArchiveOnReadOnlyShelf(const std::string& folder, std::string& shelf, std::string& name)
{
    shelf = folder + "/shelf";
    name = shelf + "/thumbs.zip";
    std::filesystem::create_directory(shelf);
    MakeArchive(name, 2);
    ASSERT_EQ(::chmod(shelf.c_str(), 0555), 0);
}

// Leaves no state folder to this process; the spare folder it falls back to.
std::string WithoutStateFolder(const std::string& folder)
{
    ::unsetenv("HOME");
    ::unsetenv("XDG_STATE_HOME");
    return folder + "/spare/plinkavorte-" + std::to_string(::geteuid());
}

// Adds one entry and closes; the first failure's message, or "".
std::string AddOne(const std::string& name, const std::string& entry = "new.jpg")
{
    TZipper zipper;
    try {
        zipper.SetFileName(name);
        AddBytes(zipper, entry, PhotoLikeBytes(2000, 77));
        zipper.Close();
    } catch (const std::exception& e) {
        return e.what();
    }
    return std::string();
}

int EntriesOf(const std::string& name)
{
    TZipper zipper;
    zipper.SetFileName(name);
    return zipper.Count();
}

std::set<std::string> NamesIn(const std::string& folder)
{
    std::set<std::string> names;
    for (const auto& e : std::filesystem::recursive_directory_iterator(folder))
        names.insert(e.path().lexically_relative(folder).string());
    return names;
}

class FilePermissions : public ::testing::Test {
protected:
    FilePermissions() { FHooks.Removable(false); }
    TPlatformHooks FHooks;
};

} // namespace

TEST_F(FilePermissions, AReadOnlyArchiveFailsUntouchedWithTheSystemsReason)
{
    AsUnprivilegedUser([](const std::string& folder) {
        const std::string name = folder + "/thumbs.zip";
        MakeArchive(name, 2);
        ASSERT_EQ(::chmod(name.c_str(), 0444), 0);
        const Bytes before = ReadAll(name);
        EXPECT_EQ(AddOne(name), "Cannot open file \"" + name + "\". Permission denied");
        EXPECT_EQ(ReadAll(name), before);
        EXPECT_EQ(NamesIn(folder), (std::set<std::string>{"spare", "thumbs.zip"}));
    });
}

TEST_F(FilePermissions, ASymlinkedArchiveIsUpdatedThroughTheLink)
{
    AsUnprivilegedUser([](const std::string& folder) {
        std::filesystem::create_directory(folder + "/real");
        const std::string real = folder + "/real/thumbs.zip";
        const std::string link = folder + "/link.zip";
        MakeArchive(real, 2);
        ASSERT_EQ(::symlink("real/thumbs.zip", link.c_str()), 0);
        EXPECT_EQ(AddOne(link), "");
        EXPECT_TRUE(std::filesystem::is_symlink(link));
        EXPECT_EQ(EntriesOf(real), 3);
        EXPECT_TRUE(UnzipAccepts(real));
        EXPECT_EQ(NamesIn(folder), (std::set<std::string>{"link.zip", "real", "real/thumbs.zip", "spare"}));
    });
}

TEST_F(FilePermissions, AHardLinkedArchiveStaysOneFile)
{
    AsUnprivilegedUser([](const std::string& folder) {
        const std::string one = folder + "/one.zip";
        const std::string two = folder + "/two.zip";
        MakeArchive(one, 2);
        ASSERT_EQ(::link(one.c_str(), two.c_str()), 0);
        EXPECT_EQ(AddOne(one), "");
        struct stat a {}, b {};
        ASSERT_EQ(::stat(one.c_str(), &a), 0);
        ASSERT_EQ(::stat(two.c_str(), &b), 0);
        EXPECT_EQ(a.st_ino, b.st_ino);
        EXPECT_EQ(a.st_nlink, 2u);
        EXPECT_EQ(EntriesOf(two), 3);
    });
}

TEST_F(FilePermissions, AWritableArchiveInAReadOnlyFolderKeepsItsJournalInTheStateFolder)
{
    AsUnprivilegedUser([](const std::string& folder) {
        std::string shelf, name;
        ASSERT_NO_FATAL_FAILURE(MakeArchiveOnReadOnlyShelf(folder, shelf, name));
        EXPECT_EQ(AddOne(name), "");
        EXPECT_EQ(EntriesOf(name), 3);
        EXPECT_EQ(NamesIn(shelf), (std::set<std::string>{"thumbs.zip"}));

        // A commit cut inside its tail leaves the journal there, named by the
        // archive's device and inode; the next open finds it and rolls back.
        const Bytes before = ReadAll(name);
        struct stat node {};
        ASSERT_EQ(::stat(name.c_str(), &node), 0);
        const std::string journal = JournalInStateFolder(node.st_dev, node.st_ino, false);
        ASSERT_EQ(journal.rfind(folder + "/state/plinkavorte/", 0), 0u) << journal;
        TTailCut dies(name);
        SetFileLayer(&dies);
        const std::string message = AddOne(name, "cut.jpg");
        SetFileLayer(nullptr);
        EXPECT_EQ(message, "Invalid Stream\r\n" + SystemErrorText(EIO));
        EXPECT_EQ(message.find("journal"), std::string::npos) << message;
        EXPECT_EQ(message.find(".plinkavorte"), std::string::npos) << message;
        EXPECT_TRUE(std::filesystem::exists(journal));
        EXPECT_NE(ReadAll(name), before);
        EXPECT_EQ(EntriesOf(name), 3);
        EXPECT_EQ(ReadAll(name), before);
        EXPECT_FALSE(std::filesystem::exists(journal));
    });
}

TEST_F(FilePermissions, WithoutAStateFolderTheJournalGoesToTheSpareFolder)
{
    AsUnprivilegedUser([](const std::string& folder) {
        std::string shelf, name;
        ASSERT_NO_FATAL_FAILURE(MakeArchiveOnReadOnlyShelf(folder, shelf, name));
        const std::string spare = WithoutStateFolder(folder);

        // Cut inside the tail: the journal waits in the spare folder.
        const Bytes before = ReadAll(name);
        TTailCut dies(name);
        SetFileLayer(&dies);
        EXPECT_NE(AddOne(name, "cut.jpg"), "");
        SetFileLayer(nullptr);
        struct stat made {};
        ASSERT_EQ(::lstat(spare.c_str(), &made), 0);
        EXPECT_EQ(made.st_mode & 07777, 0700u);
        EXPECT_EQ(NamesIn(spare).size(), 1u);
        EXPECT_EQ(EntriesOf(name), 2);
        EXPECT_EQ(ReadAll(name), before);
        EXPECT_TRUE(NamesIn(spare).empty());

        EXPECT_EQ(AddOne(name), "");
        EXPECT_EQ(EntriesOf(name), 3);
    });
}

TEST_F(FilePermissions, ASpareFolderThatIsNotTheUsersOwnIsRefused)
{
    AsUnprivilegedUser([](const std::string& folder) {
        std::string shelf, name;
        ASSERT_NO_FATAL_FAILURE(MakeArchiveOnReadOnlyShelf(folder, shelf, name));
        const std::string spare = WithoutStateFolder(folder);
        std::filesystem::create_directories(folder + "/spare/elsewhere");
        ASSERT_EQ(::symlink("elsewhere", spare.c_str()), 0);
        const Bytes before = ReadAll(name);
        EXPECT_EQ(AddOne(name), "Cannot add to " + name +
                                    ": its folder is not writable, and there is no folder for the commit journal "
                                    "(HOME is not set; " + spare + " is not the user's own folder).");
        EXPECT_TRUE(std::filesystem::is_empty(folder + "/spare/elsewhere"));

        // A folder open to others is no more the user's own than a link.
        ASSERT_EQ(::unlink(spare.c_str()), 0);
        ASSERT_EQ(::mkdir(spare.c_str(), 0700), 0);
        ASSERT_EQ(::chmod(spare.c_str(), 0777), 0);
        EXPECT_NE(AddOne(name).find(spare + " is not the user's own folder"), std::string::npos);
        EXPECT_EQ(ReadAll(name), before);
    });
}

TEST_F(FilePermissions, NoPlaceForAJournalFailsUntouchedAndSaysWhy)
{
    AsUnprivilegedUser([](const std::string& folder) {
        std::string shelf, name;
        ASSERT_NO_FATAL_FAILURE(MakeArchiveOnReadOnlyShelf(folder, shelf, name));
        std::filesystem::create_directory(folder + "/locked");
        ASSERT_EQ(::chmod((folder + "/locked").c_str(), 0555), 0);
        ::unsetenv("XDG_STATE_HOME");
        ::setenv("HOME", "/nonexistent", 1);
        SetSpareJournalRoot(folder + "/locked");
        const Bytes before = ReadAll(name);
        EXPECT_EQ(AddOne(name), "Cannot add to " + name +
                                    ": its folder is not writable, and there is no folder for the commit journal "
                                    "(cannot make /nonexistent: Permission denied; cannot make " + folder +
                                    "/locked/plinkavorte-" + std::to_string(::geteuid()) + ": Permission denied).");
        EXPECT_EQ(ReadAll(name), before);

        ::unsetenv("HOME");
        EXPECT_NE(AddOne(name).find("journal (HOME is not set; cannot make"), std::string::npos);
        EXPECT_EQ(ReadAll(name), before);
    });
}

TEST_F(FilePermissions, OwnerModeAndExtendedAttributesStay)
{
    AsUnprivilegedUser([](const std::string& folder) {
        const std::string name = folder + "/thumbs.zip";
        MakeArchive(name, 1);
        ASSERT_EQ(::chmod(name.c_str(), 0604), 0);
        const bool attributes = ::setxattr(name.c_str(), "user.album", "summer", 6, 0) == 0;
        struct stat before {};
        ASSERT_EQ(::stat(name.c_str(), &before), 0);
        EXPECT_EQ(AddOne(name), "");
        struct stat after {};
        ASSERT_EQ(::stat(name.c_str(), &after), 0);
        EXPECT_EQ(after.st_ino, before.st_ino);
        EXPECT_EQ(after.st_mode & 07777, 0604u);
        EXPECT_EQ(after.st_uid, before.st_uid);
        EXPECT_EQ(after.st_gid, before.st_gid);
        if (attributes) {
            char value[16] = {};
            EXPECT_EQ(::getxattr(name.c_str(), "user.album", value, sizeof value), 6);
            EXPECT_STREQ(value, "summer");
        }
    });
}

TEST_F(FilePermissions, RootWritingSomeoneElsesArchiveLeavesItTheirs)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to own a file for someone else";
    TScratch scratch;
    const std::string name = scratch.File("thumbs.zip");
    MakeArchive(name, 1);
    ASSERT_EQ(::chown(name.c_str(), Nobody, Nobody), 0);
    ASSERT_EQ(::chmod(name.c_str(), 0640), 0);
    EXPECT_EQ(AddOne(name), "");
    struct stat after {};
    ASSERT_EQ(::stat(name.c_str(), &after), 0);
    EXPECT_EQ(after.st_uid, Nobody);
    EXPECT_EQ(after.st_gid, Nobody);
    EXPECT_EQ(after.st_mode & 07777, 0640u);
    EXPECT_EQ(EntriesOf(name), 2);
}

TEST_F(FilePermissions, ADanglingLinkMakesNothingWhereItPoints)
{
    TScratch scratch;
    std::filesystem::create_directory(scratch.File("elsewhere"));
    const std::string link = scratch.File("thumbs.zip");
    ASSERT_EQ(::symlink("elsewhere/target.zip", link.c_str()), 0);
    TZipper zipper;
    EXPECT_ANY_THROW(zipper.SetFileName(link));
    EXPECT_TRUE(std::filesystem::is_empty(scratch.File("elsewhere")));
    EXPECT_TRUE(std::filesystem::is_symlink(link));
}

TEST_F(FilePermissions, ANewArchiveIsMadeExclusively)
{
    TScratch scratch;
    const std::string name = scratch.File("thumbs.zip");
    MakeArchive(name, 1);
    const Bytes before = ReadAll(name);
    // Someone else's fresh archive under the name is opened, never emptied.
    EXPECT_FALSE(CreateEmptyZipFile(name, false));
    EXPECT_EQ(ReadAll(name), before);
    std::filesystem::remove(name);
    EXPECT_TRUE(CreateEmptyZipFile(name, false));
    EXPECT_EQ(ReadAll(name).size(), 22u);
}
