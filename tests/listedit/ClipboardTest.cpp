#include "Clipboard.h"
#include "Errors.h"
#include "MemoryClipboard.h"

#include <gtest/gtest.h>

using namespace std::string_literals;

namespace {

std::vector<uint8_t> Bytes(const std::string& text)
{
    return std::vector<uint8_t>(text.begin(), text.end());
}

TEST(ClipboardFormats, NamesAreMatchedWithoutRegardToCase)
{
    const uint16_t id = RegisterClipboardFormat("Case Test Format");
    EXPECT_EQ(RegisterClipboardFormat("case test format"), id);
    EXPECT_EQ(RegisterClipboardFormat("CASE TEST FORMAT"), id);
    EXPECT_EQ(ClipboardFormatName(id), "case test format");
    EXPECT_NE(RegisterClipboardFormat("Case Test Format 2"), id);
    EXPECT_NE(id, CF_TEXT);
    EXPECT_NE(id, 0);
}

TEST(ClipboardFormats, EmptyNameAndUnknownIdsGiveNoFormat)
{
    EXPECT_EQ(RegisterClipboardFormat(""), 0);
    EXPECT_EQ(ClipboardFormatName(CF_TEXT), "");
    EXPECT_EQ(ClipboardFormatName(0x1234), "");
    TMemoryClipboard backend;
    TClipboard clipboard(backend);
    EXPECT_FALSE(clipboard.HasFormat(0));
}

TEST(ClipboardOpening, NestedOpeningsTakeAndReleaseTheSystemClipboardOnce)
{
    TMemoryClipboard backend;
    TClipboard clipboard(backend);
    clipboard.Open();
    clipboard.Open();
    clipboard.Close();
    EXPECT_TRUE(backend.Held);
    EXPECT_EQ(backend.Releases, 0);
    clipboard.Close();
    EXPECT_FALSE(backend.Held);
    EXPECT_EQ(backend.Acquires, 1);
    EXPECT_EQ(backend.Releases, 1);
    // A stray close is harmless and releases nothing more.
    clipboard.Close();
    EXPECT_EQ(backend.Releases, 1);
    EXPECT_EQ(clipboard.OpenCount(), 0);
}

TEST(ClipboardOpening, FailureToOpenReportsAndLeavesNothingOpen)
{
    TMemoryClipboard backend;
    backend.Locked = true;
    TClipboard clipboard(backend);
    try {
        clipboard.Open();
        FAIL() << "opening a held clipboard succeeded";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "Cannot open clipboard");
    }
    EXPECT_EQ(clipboard.OpenCount(), 0);
    EXPECT_THROW(clipboard.SetData(CF_TEXT, Bytes("x")), Exception);
    EXPECT_THROW(clipboard.GetData(CF_TEXT), Exception);
    backend.Locked = false;
    clipboard.Open();
    EXPECT_EQ(clipboard.OpenCount(), 1);
    clipboard.Close();
}

TEST(ClipboardWriting, OnlyTheFirstWriteOfAnOpeningEmpties)
{
    TMemoryClipboard backend;
    const uint16_t other = RegisterClipboardFormat("Writing Test Other");
    const uint16_t mine = RegisterClipboardFormat("Writing Test Mine");
    backend.Blocks[other] = Bytes("old");
    TClipboard clipboard(backend);

    clipboard.Open();
    clipboard.SetData(CF_TEXT, Bytes("one"));
    clipboard.SetData(mine, Bytes("two"));
    clipboard.Close();
    EXPECT_EQ(backend.Empties, 1);
    EXPECT_EQ(backend.Block(other), "<absent>");
    EXPECT_EQ(backend.Block(CF_TEXT), "one");
    EXPECT_EQ(backend.Block(mine), "two");

    // A new opening empties again before its first write.
    clipboard.SetData(mine, Bytes("three"));
    EXPECT_EQ(backend.Empties, 2);
    EXPECT_EQ(backend.Block(CF_TEXT), "<absent>");
    EXPECT_EQ(backend.Block(mine), "three");
    EXPECT_EQ(backend.Acquires, 2);
    EXPECT_EQ(backend.Releases, 2);
}

TEST(ClipboardWriting, AFailedWriteStillClosesTheClipboard)
{
    TMemoryClipboard backend;
    TClipboard clipboard(backend);
    backend.FailPut = true;
    EXPECT_THROW(clipboard.SetData(CF_TEXT, Bytes("x")), std::runtime_error);
    EXPECT_EQ(clipboard.OpenCount(), 0);
    EXPECT_FALSE(backend.Held);
}

TEST(ClipboardReading, TestNeedsNoOpeningAndGetReturnsTheBlock)
{
    TMemoryClipboard backend;
    const uint16_t mine = RegisterClipboardFormat("Reading Test Mine");
    backend.Blocks[mine] = Bytes("a\0b"s);
    TClipboard clipboard(backend);
    EXPECT_TRUE(clipboard.HasFormat(mine));
    EXPECT_FALSE(clipboard.HasFormat(CF_TEXT));
    EXPECT_EQ(backend.Acquires, 0);
    EXPECT_EQ(clipboard.GetData(mine), Bytes("a\0b"s));
    EXPECT_EQ(backend.Acquires, 1);
    EXPECT_FALSE(backend.Held);
}

TEST(ClipboardLifetime, DestroyingAnOpenClipboardReleasesIt)
{
    TMemoryClipboard backend;
    {
        TClipboard clipboard(backend);
        clipboard.Open();
        clipboard.Open();
    }
    EXPECT_FALSE(backend.Held);
    EXPECT_EQ(backend.Releases, 1);
}

} // namespace
