#include "Errors.h"
#include "MemoryClipboard.h"
#include "ListClipboard.h"

#include <gtest/gtest.h>

#include <set>

using namespace std::string_literals;

namespace {

TEST(MyClipboard, RegistersFourDistinctFormatsAndSharesTheWindowsId)
{
    TMemoryClipboard backend;
    TListClipboard clipboard(backend);
    const std::set<uint16_t> ids{clipboard.FRtfFormat, clipboard.FHtmlFormat,
                                 clipboard.FSpottyDogFormat, clipboard.FListFormat};
    EXPECT_EQ(ids.size(), 4u);
    EXPECT_EQ(clipboard.FRtfFormat, RegisterClipboardFormat("rich text format"));
    EXPECT_EQ(clipboard.FHtmlFormat, RegisterClipboardFormat("html format"));
    EXPECT_EQ(clipboard.FSpottyDogFormat, RegisterClipboardFormat("SPOTTY DOG"));
    // The window registers "My format"; the object "My Format".
    EXPECT_EQ(clipboard.FListFormat, RegisterClipboardFormat("My format"));
    TListClipboard second(backend);
    EXPECT_EQ(second.FListFormat, clipboard.FListFormat);
}

TEST(MyClipboard, SetMyTextPutsTheSameZeroTerminatedBytesTwiceInOneOpening)
{
    TMemoryClipboard backend;
    TListClipboard clipboard(backend);
    backend.Blocks[clipboard.FHtmlFormat] = {'<', 'p', '>'};
    clipboard.SetMyText("x\r\ny\r\n");
    const std::string expected("x\r\ny\r\n\0", 7);
    EXPECT_EQ(backend.Block(CF_TEXT), expected);
    EXPECT_EQ(backend.Block(clipboard.FListFormat), expected);
    EXPECT_EQ(backend.Block(clipboard.FHtmlFormat), "<absent>");
    EXPECT_EQ(backend.Acquires, 1);
    EXPECT_EQ(backend.Releases, 1);
    EXPECT_EQ(backend.Empties, 1);
    EXPECT_EQ(clipboard.OpenCount(), 0);
}

TEST(MyClipboard, SetFormatTextUsesTheGivenFormat)
{
    TMemoryClipboard backend;
    TListClipboard clipboard(backend);
    clipboard.SetFormatText(clipboard.FSpottyDogFormat, "dog");
    EXPECT_EQ(backend.Block(clipboard.FSpottyDogFormat), "dog\0"s);
    EXPECT_EQ(backend.Block(clipboard.FListFormat), "<absent>");
}

TEST(MyClipboard, SetFormatTextClosesWhenAWriteFails)
{
    TMemoryClipboard backend;
    TListClipboard clipboard(backend);
    backend.FailPut = true;
    EXPECT_THROW(clipboard.SetMyText("x"), std::runtime_error);
    EXPECT_EQ(clipboard.OpenCount(), 0);
    EXPECT_FALSE(backend.Held);
}

TEST(MyClipboard, GetMyTextReadsUpToTheFirstZero)
{
    TMemoryClipboard backend;
    TListClipboard clipboard(backend);
    const std::string block("p1\r\np2\r\n\0junk", 13);
    backend.Blocks[clipboard.FListFormat] = std::vector<uint8_t>(block.begin(), block.end());
    std::string text;
    clipboard.GetMyText(text);
    EXPECT_EQ(text, "p1\r\np2\r\n");
    EXPECT_EQ(clipboard.OpenCount(), 0);
}

TEST(MyClipboard, GetMyTextTakesAWholeBlockWithoutZero)
{
    TMemoryClipboard backend;
    TListClipboard clipboard(backend);
    backend.Blocks[clipboard.FListFormat] = {'a', 'b'};
    std::string text;
    clipboard.GetMyText(text);
    EXPECT_EQ(text, "ab");
}

TEST(MyClipboard, GetMyTextLeavesTheTextWhenTheFormatIsAbsent)
{
    TMemoryClipboard backend;
    TListClipboard clipboard(backend);
    backend.Blocks[CF_TEXT] = {'p', 'l', 'a', 'i', 'n', 0};
    std::string text = "as passed";
    clipboard.GetMyText(text);
    EXPECT_EQ(text, "as passed");
    EXPECT_FALSE(backend.Held);
}

TEST(MyClipboard, AHeldClipboardFailsBothWaysAndKeepsItsContents)
{
    TMemoryClipboard backend;
    TListClipboard clipboard(backend);
    backend.Blocks[clipboard.FListFormat] = {'k', 0};
    backend.Locked = true;
    try {
        clipboard.SetMyText("new");
        FAIL() << "write to a held clipboard succeeded";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "Cannot open clipboard");
    }
    std::string text;
    EXPECT_THROW(clipboard.GetMyText(text), Exception);
    EXPECT_EQ(text, "");
    EXPECT_EQ(backend.Block(clipboard.FListFormat), "k\0"s);
    EXPECT_EQ(clipboard.OpenCount(), 0);
}

} // namespace
