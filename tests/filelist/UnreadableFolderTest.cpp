// Folders the scan cannot enter are said, and the scan goes on: a folder the
// user may not read, one given directly, and one whose path passes the
// system's limit. Names that merely do not exist stay quiet.

#include "DropIntake.h"
#include "FileSystem.h"
#include "LongPaths.h"
#include "ScratchFolder.h"
#include "Unprivileged.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <fstream>
#include <limits.h>
#include <sys/stat.h>
#include <utility>

namespace {

using TUnreadable = std::vector<std::pair<std::string, int>>;

class TTellingList : public IFileList {
public:
    std::vector<std::string> Entries;
    TUnreadable Unreadable;

    bool IncludeSubfolders() override { return true; }
    void Append(const std::string& path) override { Entries.push_back(path); }
    int Count() override { return static_cast<int>(Entries.size()); }
    void SetCaption(const std::string&) override {}
    void FolderUnreadable(const std::string& path, int error) override { Unreadable.emplace_back(path, error); }
};

void Touch(const std::string& path)
{
    std::ofstream(path) << "x";
}

}  // namespace

TEST(UnreadableFolder, FolderTheUserMayNotReadIsToldAndTheRestListed)
{
    AsUnprivilegedUser([](const std::string& root) {
        const std::string locked = root + "/b-locked";
        ASSERT_EQ(::mkdir((root + "/a").c_str(), 0700), 0);
        ASSERT_EQ(::mkdir(locked.c_str(), 0700), 0);
        ASSERT_EQ(::mkdir((root + "/c").c_str(), 0700), 0);
        Touch(root + "/a/1.jpg");
        Touch(locked + "/2.jpg");
        Touch(root + "/c/3.jpg");
        ASSERT_EQ(::chmod(locked.c_str(), 0), 0);

        TTellingList scanned;
        WMDropFiles(scanned, {root});
        EXPECT_EQ(scanned.Entries, (std::vector<std::string>{root + "/a/1.jpg", root + "/c/3.jpg"}));
        EXPECT_EQ(scanned.Unreadable, (TUnreadable{{locked, EACCES}}));

        // A path in it cannot even be looked at: it is told as the folder is.
        TTellingList given;
        WMDropFiles(given, {locked, locked + "/2.jpg", root + "/gone"});
        EXPECT_TRUE(given.Entries.empty());
        EXPECT_EQ(given.Unreadable, (TUnreadable{{locked, EACCES}, {locked + "/2.jpg", EACCES}}))
            << "a name that is not there stays quiet";
    });
}

TEST(UnreadableFolder, FolderPastThePathLimitIsToldAndOtherLongNamesAreNot)
{
    TScratchFolder dir;
    const std::string deep = MakeDeepFolder(dir.Path(), PATH_MAX - 100);
    Touch(deep + "/a.jpg");
    const TTooLongFolder tooDeep(deep, std::string(150, 'f'), {0xFF, 0xD8});
    const TTooLongFile notes(deep, std::string(150, 'n') + ".txt");
    ASSERT_TRUE(IsPathTooLong(tooDeep.Path()));

    TTellingList list;
    WMDropFiles(list, {dir.Path()});
    EXPECT_EQ(list.Entries, std::vector<std::string>{deep + "/a.jpg"});
    EXPECT_EQ(list.Unreadable, (TUnreadable{{tooDeep.Path(), ENAMETOOLONG}}));
}
