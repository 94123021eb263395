#include "CommandLine.h"
#include "Processors.h"

#include <gtest/gtest.h>

namespace {

std::string UsageErrorOf(const std::vector<std::string>& args)
{
    try {
        ParseCommandLine(args);
    } catch (const EUsageError& e) {
        return e.Message();
    }
    return "(accepted)";
}

} // namespace

TEST(CommandLine, DefaultsAreTheWindowsStartingValues)
{
    const TCommandOptions o = ParseCommandLine({"out.zip", "a.jpg", "pics"});
    EXPECT_EQ(o.Mode, TCommandMode::cmBatch);
    EXPECT_EQ(o.Archive, "out.zip");
    EXPECT_EQ(o.Paths, (std::vector<std::string>{"a.jpg", "pics"}));
    const TThumbnailSettings defaults;
    EXPECT_EQ(o.Settings.MaxSize, 200);
    EXPECT_FALSE(o.Settings.Framed);
    EXPECT_EQ(o.Settings.FrameWidth, 10);
    EXPECT_FALSE(o.Settings.Square);
    EXPECT_EQ(o.Settings.BackColor, defaults.BackColor);
    EXPECT_EQ(o.Settings.BorderColor, defaults.BorderColor);
    EXPECT_FALSE(o.IncludeSubfolders);
    EXPECT_FALSE(o.Clear);
}

TEST(CommandLine, ShortLongAttachedAndBundledFormsAllWork)
{
    const TCommandOptions a = ParseCommandLine(
        {"-s", "300", "--frame", "-w5", "--square", "-b", "FF0000", "--border=#0000ff", "-rc", "x.zip", "p"});
    EXPECT_EQ(a.Settings.MaxSize, 300);
    EXPECT_TRUE(a.Settings.Framed);
    EXPECT_EQ(a.Settings.FrameWidth, 5);
    EXPECT_TRUE(a.Settings.Square);
    EXPECT_EQ(a.Settings.BackColor, 0x0000FF) << "red sits in the low byte";
    EXPECT_EQ(a.Settings.BorderColor, 0xFF0000);
    EXPECT_TRUE(a.IncludeSubfolders);
    EXPECT_TRUE(a.Clear);

    const TCommandOptions b = ParseCommandLine({"x.zip", "--size=50", "p", "-fqs", "600", "-w", "0"});
    EXPECT_EQ(b.Settings.MaxSize, 600) << "the last of two values counts";
    EXPECT_EQ(b.Settings.FrameWidth, 0);
    EXPECT_TRUE(b.Settings.Framed && b.Settings.Square);
    EXPECT_EQ(b.Paths, std::vector<std::string>{"p"});
}

TEST(CommandLine, DoubleDashEndsOptionsAndALoneDashIsAPath)
{
    const TCommandOptions o = ParseCommandLine({"-f", "--", "-s.zip", "-r", "-"});
    EXPECT_EQ(o.Archive, "-s.zip");
    EXPECT_EQ(o.Paths, (std::vector<std::string>{"-r", "-"}));
    EXPECT_FALSE(o.IncludeSubfolders);
}

TEST(CommandLine, ValuesOutOfRangeOrMalformedAreUsageErrors)
{
    EXPECT_EQ(UsageErrorOf({"-s", "49", "x.zip", "p"}), "option -s: 49 is out of range (50 to 600)");
    EXPECT_EQ(UsageErrorOf({"--size=601", "x.zip", "p"}), "option --size: 601 is out of range (50 to 600)");
    EXPECT_EQ(UsageErrorOf({"-w", "21", "x.zip", "p"}), "option -w: 21 is out of range (0 to 20)");
    EXPECT_EQ(UsageErrorOf({"-w", "-1", "x.zip", "p"}), "option -w: -1 is out of range (0 to 20)");
    EXPECT_EQ(UsageErrorOf({"-s", "1.5", "x.zip", "p"}), "option -s: '1.5' is not a whole number");
    EXPECT_EQ(UsageErrorOf({"-s", " 99", "x.zip", "p"}), "option -s: ' 99' is not a whole number");
    EXPECT_EQ(UsageErrorOf({"-s", "99999999999999999999", "x.zip", "p"}),
              "option -s: '99999999999999999999' is not a whole number");
    EXPECT_EQ(UsageErrorOf({"--size=", "x.zip", "p"}), "option --size needs a number (50 to 600)");
    EXPECT_EQ(UsageErrorOf({"x.zip", "p", "-s"}), "option -s needs a value");
    EXPECT_EQ(UsageErrorOf({"-b", "F4F4F", "x.zip", "p"}), "option -b: 'F4F4F' is not a colour RRGGBB");
    EXPECT_EQ(UsageErrorOf({"--border", "GG0000", "x.zip", "p"}),
              "option --border: 'GG0000' is not a colour RRGGBB");
}

TEST(CommandLine, UnknownOptionsAndMissingOperandsAreUsageErrors)
{
    EXPECT_EQ(UsageErrorOf({"-x", "x.zip", "p"}), "unknown option -x");
    EXPECT_EQ(UsageErrorOf({"-fx", "x.zip", "p"}), "unknown option -x");
    EXPECT_EQ(UsageErrorOf({"--sizes=3", "x.zip", "p"}), "unknown option --sizes");
    EXPECT_EQ(UsageErrorOf({"--frame=yes", "x.zip", "p"}), "option --frame takes no value");
    EXPECT_EQ(UsageErrorOf({}), "missing ARCHIVE and PATH");
    EXPECT_EQ(UsageErrorOf({"x.zip"}), "missing PATH: name at least one picture or folder");
    EXPECT_EQ(UsageErrorOf({"--preview", "out.png"}), "--preview takes exactly one PICTURE");
    EXPECT_EQ(UsageErrorOf({"--preview", "out.png", "a.jpg", "b.jpg"}), "--preview takes exactly one PICTURE");
}

TEST(CommandLine, PreviewTakesItsOutputAndOnePicture)
{
    const TCommandOptions o = ParseCommandLine({"-f", "--preview", "cat.png", "-s", "120", "cat.jpg"});
    EXPECT_EQ(o.Mode, TCommandMode::cmPreview);
    EXPECT_EQ(o.PreviewOutput, "cat.png");
    EXPECT_EQ(o.PreviewPicture, "cat.jpg");
    EXPECT_EQ(o.Settings.MaxSize, 120);
    EXPECT_TRUE(o.Settings.Framed);
    EXPECT_EQ(ParseCommandLine({"--preview=a.png", "b.jpg"}).PreviewOutput, "a.png");
}

TEST(CommandLine, HelpAndVersionNeedNoOperandsAndHelpWins)
{
    EXPECT_EQ(ParseCommandLine({"-h"}).Mode, TCommandMode::cmHelp);
    EXPECT_EQ(ParseCommandLine({"--version"}).Mode, TCommandMode::cmVersion);
    EXPECT_EQ(ParseCommandLine({"-V", "--help"}).Mode, TCommandMode::cmHelp);
    EXPECT_EQ(ParseCommandLine({"--help", "-V"}).Mode, TCommandMode::cmHelp);
}

TEST(CommandLine, JobsDefaultToTheOnlineProcessorsAndStayWithinOneTo256)
{
    EXPECT_EQ(ParseCommandLine({"x.zip", "p"}).Jobs, std::min(OnlineProcessorCount(), 256));
    EXPECT_EQ(ParseCommandLine({"-j", "3", "x.zip", "p"}).Jobs, 3);
    EXPECT_EQ(ParseCommandLine({"--jobs=256", "x.zip", "p"}).Jobs, 256);
    EXPECT_EQ(UsageErrorOf({"-j", "0", "x.zip", "p"}), "option -j: 0 is out of range (1 to 256)");
    EXPECT_EQ(UsageErrorOf({"--jobs", "257", "x.zip", "p"}), "option --jobs: 257 is out of range (1 to 256)");
}

TEST(CommandLine, SquareNeedsFrameAndKeepGoingIsAFlag)
{
    for (const std::vector<std::string>& args : {std::vector<std::string>{"-q", "x.zip", "p"},
                                                 {"--square", "x.zip", "p"},
                                                 {"-q", "--preview", "o.png", "p.jpg"}})
        EXPECT_NE(UsageErrorOf(args).find("needs -f"), std::string::npos) << args.front();
    EXPECT_EQ(UsageErrorOf({"-qf", "x.zip", "p"}), "(accepted)") << "the order of the two does not matter";

    EXPECT_FALSE(ParseCommandLine({"x.zip", "p"}).KeepGoing);
    EXPECT_TRUE(ParseCommandLine({"-k", "x.zip", "p"}).KeepGoing);
    EXPECT_TRUE(ParseCommandLine({"x.zip", "--keep-going", "p"}).KeepGoing);
    EXPECT_TRUE(ParseCommandLine({"-rk", "x.zip", "p"}).IncludeSubfolders);
    EXPECT_EQ(UsageErrorOf({"--keep-going=yes", "x.zip", "p"}), "option --keep-going takes no value");
}
