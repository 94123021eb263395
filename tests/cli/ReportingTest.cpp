#include "MessageText.h"
#include "NameText.h"
#include "ProgressReport.h"
#include "RunSummary.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>

namespace {

// Everything written to a temporary file so far.
std::string Contents(std::FILE* file)
{
    std::fflush(file);
    std::rewind(file);
    std::string text;
    int c;
    while ((c = std::fgetc(file)) != EOF)
        text.push_back(static_cast<char>(c));
    return text;
}

using TFile = std::unique_ptr<std::FILE, decltype(&std::fclose)>;

} // namespace

TEST(MessageText, FullStopIsAddedOnlyAfterCharactersSortingAfterIt)
{
    EXPECT_EQ(MessageBoxText("Unhandled Archive Type"), "Unhandled Archive Type.");
    EXPECT_EQ(MessageBoxText("List index out of bounds (3)"), "List index out of bounds (3)");
    EXPECT_EQ(MessageBoxText("Ends with a dot."), "Ends with a dot.");
    EXPECT_EQ(MessageBoxText("Ends with a dash-"), "Ends with a dash-");
    EXPECT_EQ(MessageBoxText("Code 9"), "Code 9.");
    EXPECT_EQ(MessageBoxText("Name \xC3\xA9"), "Name \xC3\xA9.") << "bytes above 127 sort after it";
    EXPECT_EQ(MessageBoxText(""), "");
}

TEST(ProgressLine, ShowsTheDoneShareOfABarThatCountsDown)
{
    EXPECT_EQ(ProgressLine("Files 1/4", 4, 3, 8), "Files 1/4 [##......]  25%");
    EXPECT_EQ(ProgressLine("Files 4/4", 4, 0, 8), "Files 4/4 [########] 100%");
    EXPECT_EQ(ProgressLine("Files 0/0", 0, 0, 4), "Files 0/0 [....]   0%");
    EXPECT_EQ(ProgressLine("Files 1/3", 3, 7, 3), "Files 1/3 [...]   0%") << "clamped";
}

TEST(ProgressReport, OffATerminalPrintsOneLinePerFinishedPicture)
{
    TFile file(std::tmpfile(), &std::fclose);
    TProgressReport report(file.get(), false);
    report.SetMaximum(2);
    report.SetCaption("Files 1/2");
    report.SetRemaining(1);
    report.ItemDone("Files 1/2", "/p/a.jpg", false);
    report.SetCaption("Files 2/2");
    report.SetRemaining(0);
    report.ItemDone("Files 2/2", "/p/b.jpg", false);
    report.Finish();
    EXPECT_EQ(Contents(file.get()), "Files 1/2 /p/a.jpg\nFiles 2/2 /p/b.jpg\n");
}

TEST(ProgressReport, OnATerminalRedrawsOneLineAndEndsItOnce)
{
    TFile file(std::tmpfile(), &std::fclose);
    TProgressReport report(file.get(), true);
    report.SetMaximum(2);
    report.SetCaption("Files 1/2");
    report.SetRemaining(1);
    report.ItemDone("Files 1/2", "/p/a.jpg", false);
    report.Finish();
    report.Finish();
    const std::string text = Contents(file.get());
    EXPECT_EQ(text.find('\n'), text.size() - 1) << "a single line break, at the end";
    const std::string bar = ProgressLine("Files 1/2", 2, 1);
    const std::string last = "\r" + bar + "\033[K\n";
    ASSERT_GE(text.size(), last.size());
    EXPECT_EQ(text.substr(text.size() - last.size()), last);
    EXPECT_EQ(text.find("/p/a.jpg"), std::string::npos);
}

TEST(NameText, ControlCharactersAreEscapedAndTheRestKept)
{
    EXPECT_EQ(EscapedName("/p/new\nline.jpg"), "/p/new\\nline.jpg");
    EXPECT_EQ(EscapedName("a\tb\rc"), "a\\tb\\rc");
    EXPECT_EQ(EscapedName(std::string("x\x1B[2Jy\x7F", 7)), "x\\x1B[2Jy\\x7F");
    EXPECT_EQ(EscapedName(std::string("nul\0.jpg", 8)), "nul\\x00.jpg");
    EXPECT_EQ(EscapedName("caf\xC3\xA9 a\\b:c.jpg"), "caf\xC3\xA9 a\\b:c.jpg") << "UTF-8, \\ and : as they are";
    EXPECT_EQ(EscapedName("caf\xE9.jpg"), "caf\xE9.jpg") << "bytes above 127 are not control characters";
}

TEST(NameText, ShorteningKeepsTheEndAndCountsCharactersNotBytes)
{
    EXPECT_EQ(ShortenedToColumns("/home/ann/a.jpg", 15), "/home/ann/a.jpg");
    EXPECT_EQ(ShortenedToColumns("/home/ann/a.jpg", 8), "\xE2\x80\xA6" "n/a.jpg");
    EXPECT_EQ(ShortenedToColumns("/\xC3\xA9\xC3\xA9\xC3\xA9/b.jpg", 10), "/\xC3\xA9\xC3\xA9\xC3\xA9/b.jpg")
        << "ten characters in sixteen bytes fit ten columns";
    EXPECT_EQ(ShortenedToColumns("/\xC3\xA9\xC3\xA9\xC3\xA9/b.jpg", 8), "\xE2\x80\xA6\xC3\xA9/b.jpg")
        << "cut between characters, never inside one";
    EXPECT_EQ(ShortenedToColumns("abc", 1), "\xE2\x80\xA6");
    EXPECT_EQ(ShortenedToColumns("abc", 0), "");
    EXPECT_EQ(ShortenedToColumns("abc", -4), "");
}

TEST(RunSummary, CountsAreWordedForOneAndManyAndSkipsStandApart)
{
    EXPECT_EQ(CountText(1, "picture", "pictures"), "1 picture");
    EXPECT_EQ(CountText(0, "picture", "pictures"), "0 pictures");
    EXPECT_EQ(CountsText({1, 0, 0}, false), "1 picture done");
    EXPECT_EQ(CountsText({3, 2, 0}, false), "3 pictures done, 2 skipped: already in the archive");
    EXPECT_EQ(CountsText({0, 1, 0}, false), "0 pictures done, 1 skipped: already in the archive");
    EXPECT_EQ(CountsText({2, 0, 0}, true), "2 pictures done, 0 skipped: already in the archive, 0 failed");
    EXPECT_EQ(CountsText({1, 1, 3}, true), "1 picture done, 1 skipped: already in the archive, 3 failed");
}

// Pictures committed together are reported after later ones were started:
// each line carries its own picture's number, and a skipped one says so.
TEST(ProgressReport, LinesOfPicturesReportedLaterKeepTheirOwnNumbers)
{
    TFile file(std::tmpfile(), &std::fclose);
    TProgressReport report(file.get(), false);
    report.SetMaximum(3);
    report.SetCaption("Files 1/3");
    report.SetCaption("Files 2/3");
    report.PrintLine("failure of /p/bad\\n.jpg");
    report.SetCaption("Files 3/3");
    report.ItemDone("Files 1/3", "/p/a.jpg", true);
    report.ItemDone("Files 3/3", "/p/c\n.jpg", false);
    report.Finish();
    EXPECT_EQ(Contents(file.get()),
              "failure of /p/bad\\n.jpg\n"
              "Files 1/3 /p/a.jpg (skipped: already in the archive)\n"
              "Files 3/3 /p/c\\n.jpg\n");
}

TEST(ProgressReport, LiveLineShowsThePictureWithinTheTerminalWidth)
{
    TFile file(std::tmpfile(), &std::fclose);
    TProgressReport report(file.get(), true, 80);
    report.SetMaximum(2);
    report.SetCaption("Files 1/2");
    report.SetPicture("/home/ann/Pictures/a rather long folder name/IMG_0001.JPG");
    const std::string bar = ProgressLine("Files 1/2", 2, 0);
    const std::string text = Contents(file.get());
    const std::string last = text.substr(text.rfind('\r') + 1);
    ASSERT_EQ(last.substr(last.size() - 3), "\033[K");
    const std::string shown = last.substr(0, last.size() - 3);
    EXPECT_EQ(shown.find(bar + " \xE2\x80\xA6"), 0u) << shown;
    EXPECT_EQ(shown.substr(shown.size() - 13), "/IMG_0001.JPG");
    EXPECT_EQ(shown.size() - 2, 79u) << "79 columns; the ellipsis is three bytes, one column";

    TFile narrow(std::tmpfile(), &std::fclose);
    TProgressReport tiny(narrow.get(), true, 20);
    tiny.SetMaximum(1);
    tiny.SetCaption("Files 1/1");
    tiny.SetPicture("/p/a.jpg");
    const std::string narrowText = Contents(narrow.get());
    const std::string small = narrowText.substr(narrowText.rfind('\r'));
    const std::string barStart = ProgressLine("Files 1/1", 1, 0, 10).substr(0, 19);
    EXPECT_EQ(small, "\r" + barStart + "\033[K")
        << "a terminal narrower than the bar gets the bar's start only";
}
