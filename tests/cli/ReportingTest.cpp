#include "MessageText.h"
#include "ProgressReport.h"

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
    report.ItemDone("/p/a.jpg");
    report.SetCaption("Files 2/2");
    report.SetRemaining(0);
    report.ItemDone("/p/b.jpg");
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
    report.ItemDone("/p/a.jpg");
    report.Finish();
    report.Finish();
    const std::string text = Contents(file.get());
    EXPECT_EQ(text.find('\n'), text.size() - 1) << "a single line break, at the end";
    const std::string last = "\r" + ProgressLine("Files 1/2", 2, 1) + "\033[K\n";
    ASSERT_GE(text.size(), last.size());
    EXPECT_EQ(text.substr(text.size() - last.size()), last);
    EXPECT_EQ(text.find("/p/a.jpg"), std::string::npos);
}
