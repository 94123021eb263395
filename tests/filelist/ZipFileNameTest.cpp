#include "ScratchFolder.h"
#include "ZipFileName.h"

#include <gtest/gtest.h>

TEST(FirstCommandLineWord, ReadsLikeACommandLine)
{
    EXPECT_EQ(FirstCommandLineWord(""), "");
    EXPECT_EQ(FirstCommandLineWord("   \t "), "");
    EXPECT_EQ(FirstCommandLineWord("  /out/a.zip  rest"), "/out/a.zip");
    EXPECT_EQ(FirstCommandLineWord("/out dir/a.zip"), "/out");
    EXPECT_EQ(FirstCommandLineWord("\"/out dir/a.zip\""), "/out dir/a.zip");
    EXPECT_EQ(FirstCommandLineWord("/out\" dir\"/a.zip tail"), "/out dir/a.zip");
    EXPECT_EQ(FirstCommandLineWord("\"/unclosed quote"), "/unclosed quote");
    EXPECT_EQ(FirstCommandLineWord("/a\tb"), "/a");
    EXPECT_EQ(FirstCommandLineWord("\"\""), "");
}

TEST(ZipFileNameOf, MissingNameGivesItsFirstWord)
{
    TScratchFolder dir;
    const std::string spaced = dir.File("out dir/a.zip");
    EXPECT_EQ(ZipFileNameOf(spaced), dir.File("out"));
    EXPECT_EQ(ZipFileNameOf('"' + spaced + '"'), spaced);
    EXPECT_EQ(ZipFileNameOf("   "), "");
}

TEST(ZipFileNameOf, ExistingFileIsTakenAsTyped)
{
    TScratchFolder dir;
    dir.Folder("out dir");
    const std::string spaced = dir.Touch("out dir/a.zip");
    EXPECT_EQ(ZipFileNameOf(spaced), spaced);
}

TEST(ZipFileNameOf, ExistingFolderGetsOneTrailingSeparator)
{
    TScratchFolder dir;
    const std::string photos = dir.Folder("my photos");
    EXPECT_EQ(ZipFileNameOf(photos), photos + "/");
    EXPECT_EQ(ZipFileNameOf(photos + "/"), photos + "/");
}

TEST(QuoteIfBlank, QuotesOnlyNamesWithBlanks)
{
    EXPECT_EQ(QuoteIfBlank("/a/b.zip"), "/a/b.zip");
    EXPECT_EQ(QuoteIfBlank("/a b/c.zip"), "\"/a b/c.zip\"");
    EXPECT_EQ(FirstCommandLineWord(QuoteIfBlank("/a b/c d.zip")), "/a b/c d.zip");
}
