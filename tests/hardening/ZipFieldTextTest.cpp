// ZIP field texts a user may type or paste: quotes, blanks, control characters.

#include "JpegFixtures.h"
#include "ZipFileName.h"

#include <gtest/gtest.h>

namespace {

TEST(ZipFieldText, QuotesHoldBlanksAndAreDropped)
{
    EXPECT_EQ(FirstCommandLineWord("\"/home/ann/my thumbs.zip\""), "/home/ann/my thumbs.zip");
    EXPECT_EQ(FirstCommandLineWord("/home/\"ann smith\"/t.zip rest"), "/home/ann smith/t.zip");
    EXPECT_EQ(FirstCommandLineWord("\"/a b/unclosed.zip"), "/a b/unclosed.zip");
    EXPECT_EQ(FirstCommandLineWord("\"\""), "");
    EXPECT_EQ(FirstCommandLineWord("\"\"\"\"/x.zip"), "/x.zip");
}

TEST(ZipFieldText, LeadingBlanksAndControlCharactersAreSkippedAndEndTheWord)
{
    EXPECT_EQ(FirstCommandLineWord("   \t /tmp/a.zip  second"), "/tmp/a.zip");
    EXPECT_EQ(FirstCommandLineWord("/tmp/a\x01z.zip"), "/tmp/a");
    EXPECT_EQ(FirstCommandLineWord("/tmp/a.zip\r\n"), "/tmp/a.zip");
    EXPECT_EQ(FirstCommandLineWord("\"/tmp/a\tb.zip\""), "/tmp/a\tb.zip");
    EXPECT_EQ(FirstCommandLineWord(std::string("\0/tmp/a.zip", 11)), "/tmp/a.zip");
    EXPECT_EQ(FirstCommandLineWord(" \t\r\n"), "");
    // Bytes above 127 are letters of the file name, not breaks.
    EXPECT_EQ(FirstCommandLineWord("/tmp/\xC3\xA9t\xC3\xA9.zip x"), "/tmp/\xC3\xA9t\xC3\xA9.zip");
}

TEST(ZipFieldText, ExistingNamesWithBlanksAreTakenWhole)
{
    TTempDir dir;
    const std::string file = dir.File("my thumbs.zip");
    WriteBytes(file, {'x'});
    EXPECT_EQ(ZipFileNameOf(file), file);
    EXPECT_EQ(ZipFileNameOf(dir.Path()), dir.Path() + "/");
    // A trailing blank makes it another, missing file: the first word counts.
    EXPECT_EQ(ZipFileNameOf(file + " "), dir.Path() + "/my");
    EXPECT_EQ(ZipFileNameOf(QuoteIfBlank(file)), file);
}

} // namespace
