#include "DropIntake.h"
#include "Errors.h"
#include "FileSystem.h"
#include "LongPaths.h"
#include "ScratchFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <limits.h>

namespace {

// A list that remembers everything and can be made to fill up.
class TFakeList : public IFileList {
public:
    bool Subfolders = false;
    int Capacity = 1000;
    int SubfolderQuestions = 0;
    std::vector<std::string> Entries;
    std::vector<std::string> Captions;

    bool IncludeSubfolders() override
    {
        ++SubfolderQuestions;
        return Subfolders;
    }
    void Append(const std::string& path) override
    {
        if (static_cast<int>(Entries.size()) >= Capacity)
            throw Exception("Unable to insert a line");
        Entries.push_back(path);
    }
    int Count() override { return static_cast<int>(Entries.size()); }
    void SetCaption(const std::string& text) override { Captions.push_back(text); }
};

std::vector<std::string> Sorted(std::vector<std::string> v)
{
    std::sort(v.begin(), v.end());
    return v;
}

} // namespace

TEST(WMDropFiles, TakesJpegFilesInDropOrderAndCountsTheWholeList)
{
    TScratchFolder dir;
    const auto a = dir.Touch("a.jpg"), b = dir.Touch("b.JPEG"), c = dir.Touch("c.gif"), d = dir.Touch("d.txt");
    TFakeList list;
    list.Entries = {"/earlier/entry.jpg"};
    WMDropFiles(list, {b, c, a, d, a});
    EXPECT_EQ(list.Entries, (std::vector<std::string>{"/earlier/entry.jpg", b, a, a}));
    ASSERT_EQ(list.Captions.size(), 1u);
    EXPECT_EQ(list.Captions[0], "4 Files");
}

// Every kind is taken by its whole extension; the odd names are not, so a
// folder holding them no longer ends a run.
TEST(ScanFolder, TakesEveryKindOfPictureAndNoPieceOfAnExtension)
{
    TScratchFolder dir;
    const auto top = dir.Folder("top");
    for (const char* name : {"a.HEIC", "b.png", "c.webp", "d.tif", "e.CR2", "f.j", "g.jp", "h.jf", "i.jfi",
                             "k.jpeg)", "notes.", "l.avif"})
        dir.Touch(std::string("top/") + name);
    TFakeList list;
    ScanFolder(list, top);
    std::vector<std::string> expected;
    for (const char* name : {"a.HEIC", "b.png", "c.webp", "d.tif", "e.CR2", "l.avif"})
        expected.push_back(top + "/" + name);
    EXPECT_EQ(list.Entries, expected);
}

TEST(WMDropFiles, DropThatAddsNothingStillSetsTheCaption)
{
    TScratchFolder dir;
    TFakeList list;
    WMDropFiles(list, {dir.Touch("x.gif")});
    EXPECT_TRUE(list.Entries.empty());
    EXPECT_EQ(list.Captions, std::vector<std::string>{"0 Files"});
    WMDropFiles(list, {});
    EXPECT_EQ(list.Captions.back(), "0 Files");
}

TEST(WMDropFiles, DroppedFolderIsScannedEvenWithoutIncSubs)
{
    TScratchFolder dir;
    const auto top = dir.Folder("top");
    const auto x = dir.Touch("top/x.jpg");
    dir.Folder("top/sub");
    const auto y = dir.Touch("top/sub/y.jpg");

    TFakeList plain;
    WMDropFiles(plain, {top});
    EXPECT_EQ(plain.Entries, std::vector<std::string>{x});
    EXPECT_EQ(plain.Captions, std::vector<std::string>{"1 Files"});

    TFakeList deep;
    deep.Subfolders = true;
    WMDropFiles(deep, {top + "/"});
    EXPECT_EQ(Sorted(deep.Entries), Sorted({x, y}));
}

// Each folder comes in the order a file manager shows it, not in the file
// system's hash order; a subfolder's pictures come at the subfolder's place.
TEST(ScanFolder, IsDepthFirstInNaturalOrder)
{
    TScratchFolder dir;
    const auto top = dir.Folder("top");
    for (const char* name : {"delta.jpg", "IMG_10.jpg", "Alpha.jpg", "img_2.jpg", "charlie.jpg", "IMG_2.jpg",
                             "Charlie.jpg", "notes.txt"})
        dir.Touch(std::string("top/") + name);
    dir.Folder("top/bravo");
    for (const char* name : {"x10.jpg", "x9.jpg", "X9.jpg"})
        dir.Touch(std::string("top/bravo/") + name);

    TFakeList list;
    list.Subfolders = true;
    ScanFolder(list, top);
    std::vector<std::string> expected;
    for (const char* name : {"Alpha.jpg", "bravo/X9.jpg", "bravo/x9.jpg", "bravo/x10.jpg", "Charlie.jpg",
                             "charlie.jpg", "delta.jpg", "IMG_2.jpg", "img_2.jpg", "IMG_10.jpg"})
        expected.push_back(top + "/" + name);
    EXPECT_EQ(list.Entries, expected);
}

TEST(ScanFolder, SkipsDotNamesInsideAScanButTakesThemWhenDropped)
{
    TScratchFolder dir;
    const auto top = dir.Folder("top");
    const auto hidden = dir.Touch("top/.hidden.jpg");
    dir.Folder("top/.git");
    dir.Touch("top/.git/in.jpg");
    const auto shown = dir.Touch("top/shown.jpg");
    TFakeList list;
    list.Subfolders = true;
    WMDropFiles(list, {top});
    EXPECT_EQ(list.Entries, std::vector<std::string>{shown});
    WMDropFiles(list, {hidden});
    EXPECT_EQ(list.Entries, (std::vector<std::string>{shown, hidden}));
}

TEST(ScanFolder, IncSubsIsReadAtEveryFolderMet)
{
    TScratchFolder dir;
    const auto top = dir.Folder("top");
    dir.Folder("top/s1");
    dir.Folder("top/s2");
    dir.Touch("top/s1/a.jpg");
    dir.Touch("top/s2/b.jpg");

    // Ticked for the first folder met only, as if unticked during the scan.
    class TUntickAfterFirst : public TFakeList {
    public:
        bool IncludeSubfolders() override { return ++SubfolderQuestions == 1; }
    } list;
    ScanFolder(list, top);
    EXPECT_EQ(list.SubfolderQuestions, 2);
    EXPECT_EQ(list.Entries.size(), 1u);
}

TEST(ScanFolder, MissingOrUnreadablePathsAddNothing)
{
    TScratchFolder dir;
    TFakeList list;
    list.Subfolders = true;
    EXPECT_TRUE(IsFolder(dir.File("gone")));
    WMDropFiles(list, {dir.File("gone"), dir.File("gone.jpg")});
    EXPECT_TRUE(list.Entries.empty());
    EXPECT_EQ(list.Captions, std::vector<std::string>{"0 Files"});
}

TEST(ScanFolder, LinkLoopIsNotEnteredAgain)
{
    TScratchFolder dir;
    const auto top = dir.Folder("top");
    const auto a = dir.Touch("top/a.jpg");
    std::filesystem::create_directory_symlink(top, top + "/back");
    TFakeList list;
    list.Subfolders = true;
    WMDropFiles(list, {top});
    EXPECT_EQ(list.Entries, std::vector<std::string>{a});
}

TEST(ScanFolder, SameFolderTwiceOutsideALoopIsScannedTwice)
{
    TScratchFolder dir;
    const auto top = dir.Folder("top");
    dir.Folder("top/one");
    const auto a = dir.Touch("top/one/a.jpg");
    std::filesystem::create_directory_symlink(top + "/one", top + "/two");
    TFakeList list;
    list.Subfolders = true;
    ScanFolder(list, top);
    EXPECT_EQ(list.Entries.size(), 2u);
}

TEST(WMDropFiles, FullListEndsTheDropWithoutCaption)
{
    TScratchFolder dir;
    const auto a = dir.Touch("a.jpg"), b = dir.Touch("b.jpg"), c = dir.Touch("c.jpg");
    TFakeList list;
    list.Capacity = 2;
    try {
        WMDropFiles(list, {a, b, c});
        FAIL() << "a full list must refuse the line";
    } catch (const Exception& e) {
        EXPECT_STREQ(e.what(), "Unable to insert a line");
    }
    EXPECT_EQ(list.Entries, (std::vector<std::string>{a, b}));
    EXPECT_TRUE(list.Captions.empty());
}

TEST(WMDropFiles, LongPathsAreTakenWhole)
{
    TScratchFolder dir;
    std::string rel;
    for (int i = 0; i < 6; ++i)
        rel += std::string(60, char('a' + i)) + "/";
    dir.Folder(rel);
    const auto deep = dir.Touch(rel + "photo.jpg");
    ASSERT_GT(deep.size(), 300u);
    TFakeList list;
    WMDropFiles(list, {deep});
    EXPECT_EQ(list.Entries, std::vector<std::string>{deep});
}

namespace {

class TTooLongList : public TFakeList {
public:
    std::vector<std::string> TooLong;
    void AppendTooLong(const std::string& path) override { TooLong.push_back(path); }
};

} // namespace

// A picture the system refuses for its path's length was taken for an
// unreadable folder and left out without a word.
TEST(ScanFolder, PictureWhosePathIsTooLongIsListedAtItsPlace)
{
    TScratchFolder dir;
    const std::string folder = MakeDeepFolder(dir.Path(), PATH_MAX - 100);
    ASSERT_TRUE(IsFolder(folder));
    const auto before = dir.Touch(folder.substr(dir.Path().size() + 1) + "/a.jpg");
    const auto after = dir.Touch(folder.substr(dir.Path().size() + 1) + "/c.jpg");
    const TTooLongFile picture(folder, "b" + std::string(150, 'x') + ".jpg");
    const TTooLongFile other(folder, "b" + std::string(150, 'x') + ".txt");
    ASSERT_TRUE(IsPathTooLong(picture.Path()));
    ASSERT_FALSE(IsPathTooLong(before));

    TFakeList list;
    list.Subfolders = true;
    WMDropFiles(list, {dir.Path()});
    EXPECT_EQ(list.Entries, (std::vector<std::string>{before, picture.Path(), after}));

    TTooLongList told;
    told.Subfolders = true;
    WMDropFiles(told, {dir.Path(), picture.Path()});
    EXPECT_EQ(told.Entries, (std::vector<std::string>{before, after}));
    EXPECT_EQ(told.TooLong, (std::vector<std::string>{picture.Path(), picture.Path()}));
}

TEST(FileSystem, AttributesAndExistence)
{
    TScratchFolder dir;
    const auto f = dir.Touch("f.jpg");
    EXPECT_EQ(FileGetAttr(dir.File("nothing")), faInvalid);
    EXPECT_EQ(FileGetAttr(f) & faDirectory, 0u);
    EXPECT_NE(FileGetAttr(dir.Path()) & faDirectory, 0u);
    EXPECT_TRUE(FileExists(f));
    EXPECT_FALSE(FileExists(dir.Path()));
    EXPECT_TRUE(DirectoryExists(dir.Path()));
    EXPECT_FALSE(DirectoryExists(f));
    EXPECT_TRUE(DeleteFile(f));
    EXPECT_FALSE(FileExists(f));
    EXPECT_FALSE(DeleteFile(f));
}
