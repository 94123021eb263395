// The archive is changed in place, so the file keeps what belongs to it:
// its permission (a read-only archive fails untouched with the system's
// reason), its links, owner, mode and extended attributes, and a folder the
// user may not write to only moves the journal to the state folder. These
// run as an unprivileged user: a root test process forks a child that drops
// to uid and gid 65534 first, so that the permission checks really apply.

#include "ArchiveTestSupport.h"

#include "Errors.h"
#include "FileLayer.h"
#include "RollbackJournal.h"
#include "TailCutLayer.h"

#include <functional>
#include <grp.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

using namespace archive_test;

namespace {

constexpr uid_t Nobody = 65534;

// Runs the body in a child process as an unprivileged user, with a scratch
// folder, HOME and XDG_STATE_HOME of its own; its failures fail the test.
void AsUnprivilegedUser(const std::function<void(const std::string& folder)>& body)
{
    std::fflush(nullptr);
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        if (::geteuid() == 0 && (::setgroups(0, nullptr) != 0 || ::setgid(Nobody) != 0 || ::setuid(Nobody) != 0))
            ::_exit(3);
        char pattern[] = "/tmp/plk-unprivileged-XXXXXX";
        if (!::mkdtemp(pattern))
            ::_exit(4);
        const std::string folder = pattern;
        ::setenv("HOME", folder.c_str(), 1);
        ::setenv("XDG_STATE_HOME", (folder + "/state").c_str(), 1);
        body(folder);
        RunCommand("chmod -R u+w " + Quote(folder) + " && rm -rf " + Quote(folder));
        std::fflush(nullptr);
        ::_exit(::testing::Test::HasFailure() ? 1 : 0);
    }
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the unprivileged part failed, status " << status;
}

void MakeArchive(const std::string& name, int entries)
{
    TZipper zipper;
    zipper.SetFileName(name);
    for (int i = 0; i < entries; ++i)
        AddBytes(zipper, "old" + std::to_string(i) + ".jpg", PhotoLikeBytes(1500, static_cast<uint32_t>(i)));
    zipper.Close();
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
        EXPECT_EQ(NamesIn(folder), (std::set<std::string>{"thumbs.zip"}));
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
        EXPECT_EQ(NamesIn(folder), (std::set<std::string>{"link.zip", "real", "real/thumbs.zip"}));
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
        const std::string shelf = folder + "/shelf";
        const std::string name = shelf + "/thumbs.zip";
        std::filesystem::create_directory(shelf);
        MakeArchive(name, 2);
        ASSERT_EQ(::chmod(shelf.c_str(), 0555), 0);
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

TEST_F(FilePermissions, NoRoomForAJournalAnywhereFailsUntouchedWithoutNamingIt)
{
    AsUnprivilegedUser([](const std::string& folder) {
        const std::string shelf = folder + "/shelf";
        const std::string name = shelf + "/thumbs.zip";
        std::filesystem::create_directory(shelf);
        MakeArchive(name, 2);
        ASSERT_EQ(::chmod(shelf.c_str(), 0555), 0);
        std::filesystem::create_directory(folder + "/locked");
        ASSERT_EQ(::chmod((folder + "/locked").c_str(), 0555), 0);
        ::setenv("XDG_STATE_HOME", (folder + "/locked/state").c_str(), 1);
        const Bytes before = ReadAll(name);
        const std::string message = AddOne(name);
        EXPECT_EQ(message, "Invalid Stream\r\nPermission denied");
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
