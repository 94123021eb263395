#include "Errors.h"
#include "FakeList.h"
#include "ListEditing.h"
#include "MemoryClipboard.h"
#include "ListClipboard.h"

#include <gtest/gtest.h>
#include <ostream>

using namespace std::string_literals;

namespace {

constexpr uint16_t VK_DOWN = 40;

class ListKeys : public ::testing::Test {
protected:
    void Press(uint16_t key, unsigned shift) { FileListKeyDown(List, Clipboard, WindowFormat, key, shift); }
    void PutPrivate(const std::string& block)
    {
        Backend.Blocks[Clipboard.FListFormat] = std::vector<uint8_t>(block.begin(), block.end());
    }

    TFakeList List{{"/p/1.jpg", "/p/2.jpg", "/p/3.jpg", "/p/4.jpg", "/p/5.jpg"}};
    TMemoryClipboard Backend;
    TListClipboard Clipboard{Backend};
    const uint16_t WindowFormat = RegisterClipboardFormat("My format");
};

TEST_F(ListKeys, CtrlASelectsEveryEntryWhateverElseIsHeld)
{
    for (unsigned extra : {0u, unsigned(ssShift), unsigned(ssAlt), unsigned(ssShift | ssAlt)}) {
        List.Marks.assign(5, false);
        Press(VK_A, ssCtrl | extra);
        EXPECT_EQ(List.Marks, std::vector<bool>(5, true)) << "modifiers " << extra;
        EXPECT_EQ(List.Caption, "5 Files");
    }
}

TEST_F(ListKeys, CtrlAOnAnEmptyListSelectsNothing)
{
    TFakeList empty;
    FileListKeyDown(empty, Clipboard, WindowFormat, VK_A, ssCtrl);
    EXPECT_TRUE(empty.Marks.empty());
    EXPECT_EQ(empty.Caption, "0 Files");
}

TEST_F(ListKeys, KeysWithoutCtrlAndOtherCtrlKeysOnlySetTheCaption)
{
    PutPrivate("x\r\n\0"s);
    List.Select({1});
    for (uint16_t key : {VK_A, VK_DELETE, VK_C, VK_V, VK_DOWN}) {
        for (unsigned shift : {0u, unsigned(ssShift), unsigned(ssAlt), unsigned(ssShift | ssAlt)}) {
            if (key == VK_DELETE && shift == 0)
                continue;   // Delete alone removes, below
            List.Caption = "before";
            Press(key, shift);
            EXPECT_EQ(List.Caption, "5 Files") << "key " << key << " modifiers " << shift;
        }
    }
    for (uint16_t key : {VK_DOWN, uint16_t('Q'), uint16_t('X')}) {
        List.Caption = "before";
        Press(key, ssCtrl);
        EXPECT_EQ(List.Caption, "5 Files") << "Ctrl and key " << key;
    }
    EXPECT_EQ(List.Entries.size(), 5u);
    EXPECT_EQ(List.Marks, (std::vector<bool>{false, true, false, false, false}));
    EXPECT_EQ(Backend.Acquires, 0);
}

TEST_F(ListKeys, CtrlDeleteRemovesTheSelectionFromLastToFirst)
{
    List.Select({0, 2, 4});
    Press(VK_DELETE, ssCtrl);
    EXPECT_EQ(List.Entries, (std::vector<std::string>{"/p/2.jpg", "/p/4.jpg"}));
    EXPECT_EQ(List.Removed, (std::vector<int>{4, 2, 0}));
    EXPECT_EQ(List.Caption, "2 Files");
}

TEST_F(ListKeys, CtrlShiftDeleteRemovesAsCtrlDeleteDoes)
{
    List.Select({1, 3});
    Press(VK_DELETE, ssCtrl | ssShift);
    EXPECT_EQ(List.Entries, (std::vector<std::string>{"/p/1.jpg", "/p/3.jpg", "/p/5.jpg"}));
    EXPECT_EQ(List.Caption, "3 Files");
}

TEST_F(ListKeys, DeleteAloneRemovesTheSelectionShiftDeleteNothing)
{
    List.Select({1, 3});
    Press(VK_DELETE, ssShift);
    Press(VK_DELETE, ssAlt);
    EXPECT_TRUE(List.Removed.empty());
    Press(VK_DELETE, 0);
    EXPECT_EQ(List.Entries, (std::vector<std::string>{"/p/1.jpg", "/p/3.jpg", "/p/5.jpg"}));
    EXPECT_EQ(List.Removed, (std::vector<int>{3, 1}));
    EXPECT_EQ(List.Caption, "3 Files");
}

TEST_F(ListKeys, CopyTakesTheSelectionInListOrder)
{
    List.Select({3, 0, 2});   // entries 1, 3 and 4 of five
    Press(VK_C, ssCtrl);
    const std::string expected("/p/1.jpg\r\n/p/3.jpg\r\n/p/4.jpg\r\n\0", 31);
    EXPECT_EQ(Backend.Block(CF_TEXT), expected);
    EXPECT_EQ(Backend.Block(Clipboard.FListFormat), expected);
    EXPECT_EQ(List.Entries.size(), 5u);
    EXPECT_EQ(List.Caption, "5 Files");
    EXPECT_FALSE(Backend.Held);
}

TEST_F(ListKeys, CopyWithNothingSelectedLeavesOneZeroByte)
{
    Backend.Blocks[Clipboard.FRtfFormat] = {'{', '}'};
    Press(VK_C, ssCtrl | ssAlt);
    EXPECT_EQ(Backend.Block(CF_TEXT), std::string(1, '\0'));
    EXPECT_EQ(Backend.Block(Clipboard.FListFormat), std::string(1, '\0'));
    EXPECT_EQ(Backend.Block(Clipboard.FRtfFormat), "<absent>");
}

TEST_F(ListKeys, PasteTwiceAppendsTwice)
{
    List.Select({1, 4});
    Press(VK_C, ssCtrl);
    Press(VK_V, ssCtrl);
    Press(VK_V, ssCtrl | ssShift);
    EXPECT_EQ(List.Entries, (std::vector<std::string>{"/p/1.jpg", "/p/2.jpg", "/p/3.jpg", "/p/4.jpg",
                                                      "/p/5.jpg", "/p/2.jpg", "/p/5.jpg", "/p/2.jpg",
                                                      "/p/5.jpg"}));
    EXPECT_EQ(List.Caption, "9 Files");
}

TEST_F(ListKeys, PasteKeepsEmptyLinesInside)
{
    PutPrivate("a\r\r\nb\0"s);
    TFakeList empty;
    FileListKeyDown(empty, Clipboard, WindowFormat, VK_V, ssCtrl);
    EXPECT_EQ(empty.Entries, (std::vector<std::string>{"a", "", "b"}));
    EXPECT_EQ(empty.Caption, "3 Files");
}

TEST_F(ListKeys, PastedLinesAreTakenUnchanged)
{
    PutPrivate("  not a picture.txt \n/no/such/folder\n/p/1.jpg\n\0"s);
    Press(VK_V, ssCtrl);
    ASSERT_EQ(List.Entries.size(), 8u);
    EXPECT_EQ(List.Entries[5], "  not a picture.txt ");
    EXPECT_EQ(List.Entries[6], "/no/such/folder");
    EXPECT_EQ(List.Entries[7], "/p/1.jpg");
}

TEST_F(ListKeys, PlainTextAloneIsNotPasted)
{
    Backend.Blocks[CF_TEXT] = {'/', 'x', '.', 'j', 'p', 'g', '\r', '\n', 0};
    List.Caption.clear();
    Press(VK_V, ssCtrl);
    EXPECT_EQ(List.Entries.size(), 5u);
    EXPECT_EQ(List.Caption, "5 Files");
    EXPECT_EQ(Backend.Acquires, 0);
}

TEST_F(ListKeys, PasteTestsTheWindowsFormatId)
{
    PutPrivate("/q.jpg\r\n\0"s);
    TFakeList list;
    FileListKeyDown(list, Clipboard, RegisterClipboardFormat("Some other format"), VK_V, ssCtrl);
    EXPECT_TRUE(list.Entries.empty());
    FileListKeyDown(list, Clipboard, WindowFormat, VK_V, ssCtrl);
    EXPECT_EQ(list.Entries, (std::vector<std::string>{"/q.jpg"}));
}

TEST_F(ListKeys, AHeldClipboardLeavesListAndCaptionAsTheyWere)
{
    PutPrivate("/q.jpg\r\n\0"s);
    List.Select({0});
    Backend.Locked = true;
    List.Caption = "Files 2/5";
    for (uint16_t key : {VK_C, VK_V}) {
        try {
            Press(key, ssCtrl);
            FAIL() << "key " << key << " went through a held clipboard";
        } catch (const Exception& e) {
            EXPECT_EQ(e.Message(), "Cannot open clipboard");
        }
        EXPECT_EQ(List.Entries.size(), 5u);
        EXPECT_EQ(List.Caption, "Files 2/5");
    }
    EXPECT_EQ(Backend.Block(Clipboard.FListFormat), "/q.jpg\r\n\0"s);
}

TEST_F(ListKeys, AFullListKeepsTheLinesPastedBeforeIt)
{
    TFakeList small({"/p/1.jpg"}, 3);
    PutPrivate("/a.jpg\r\n/b.jpg\r\n/c.jpg\r\n\0"s);
    try {
        FileListKeyDown(small, Clipboard, WindowFormat, VK_V, ssCtrl);
        FAIL() << "a full list took every line";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "Unable to insert a line");
    }
    EXPECT_EQ(small.Entries, (std::vector<std::string>{"/p/1.jpg", "/a.jpg", "/b.jpg"}));
    EXPECT_FALSE(Backend.Held);
}

struct TSplitCase {
    std::string Text;
    std::vector<std::string> Lines;
};

// Readable test names: the break bytes spelled out instead of a raw object dump.
void PrintTo(const TSplitCase& c, std::ostream* os)
{
    for (const char ch : c.Text) {
        if (ch == '\r')
            *os << "CR";
        else if (ch == '\n')
            *os << "LF";
        else if (ch == '\0')
            *os << "NUL";
        else
            *os << ch;
    }
    if (c.Text.empty())
        *os << "empty";
}

class SplitLines : public ::testing::TestWithParam<TSplitCase> {};

TEST_P(SplitLines, EndsLinesAtEachKindOfBreak)
{
    EXPECT_EQ(SplitClipboardLines(GetParam().Text), GetParam().Lines);
}

INSTANTIATE_TEST_SUITE_P(
    Breaks, SplitLines,
    ::testing::Values(TSplitCase{"", {}}, TSplitCase{"a", {"a"}}, TSplitCase{"a\r\n", {"a"}},
                      TSplitCase{"a\r", {"a"}}, TSplitCase{"a\n", {"a"}},
                      TSplitCase{"a\rb\nc\r\nd", {"a", "b", "c", "d"}},
                      TSplitCase{"a\n\rb", {"a", "", "b"}}, TSplitCase{"a\r\r\nb", {"a", "", "b"}},
                      TSplitCase{"a\r\n\r\n", {"a", ""}}, TSplitCase{"\r\n", {""}},
                      TSplitCase{"\n\n", {"", ""}}, TSplitCase{"a\r\nb\0c\r\n"s, {"a", "b"}},
                      TSplitCase{"\0a"s, {}}));

TEST(JoinLines, EveryLineGetsCrLfAndTheSplitGivesThemBack)
{
    const std::vector<std::string> lines{"/a b/1.jpg", "", "/c.jpg"};
    const std::string text = JoinClipboardLines(lines);
    EXPECT_EQ(text, "/a b/1.jpg\r\n\r\n/c.jpg\r\n");
    EXPECT_EQ(SplitClipboardLines(text), lines);
    EXPECT_EQ(JoinClipboardLines({}), "");
}

} // namespace
