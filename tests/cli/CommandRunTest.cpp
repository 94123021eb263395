// plinkavorte-batch run as a user runs it: a child process over generated
// pictures, its archive checked by unzip, Python's zipfile and libjpeg.

#include "Bitmap.h"
#include "ChildProcess.h"
#include "JpegDecode.h"
#include "JpegFixtures.h"
#include "PngCheck.h"
#include "ThumbnailRecipe.h"
#include "ZipListing.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <map>

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::UnorderedElementsAre;

namespace {

const std::string Program = PLK_BATCH_EXE;

bool Exists(const std::string& path)
{
    struct stat info{};
    return ::stat(path.c_str(), &info) == 0;
}

// Python's zipfile view: one name a line, then the comment and testzip's verdict.
std::string PythonZipReport(const std::string& archive)
{
    const std::string script =
        "import sys, zipfile\n"
        "z = zipfile.ZipFile(sys.argv[1])\n"
        "for n in z.namelist(): print(n)\n"
        "print('comment=' + z.comment.decode())\n"
        "print('testzip=' + str(z.testzip()))\n";
    std::string output;
    RunShell("python3 -c \"" + script + "\" '" + archive + "'", &output);
    return output;
}

class CommandRun : public ::testing::Test {
protected:
    std::string Picture(const std::string& relative, int width, int height, TJpegKind kind = TJpegKind::Baseline)
    {
        return Dir.Picture(relative, width, height, kind);
    }

    // Longest side and shape of every thumbnail in the archive, by name.
    std::map<std::string, std::pair<int, int>> ThumbnailSizes(const std::string& archive)
    {
        std::map<std::string, std::pair<int, int>> sizes;
        const TZipListing zip = ReadZipListing(archive);
        for (const auto& entry : zip.Entries) {
            const TDecodedJpeg jpeg = DecodeJpeg(zip.Extract(entry));
            sizes[entry.Name] = {jpeg.Width, jpeg.Height};
        }
        return sizes;
    }

    // root/ with a picture of every kind, some in sub-folders, and a text file.
    void MakeTree()
    {
        Picture("root/a.jpg", 640, 480, TJpegKind::Baseline);
        Picture("root/b.JPEG", 480, 640, TJpegKind::Progressive);
        Picture("root/sub/c.jpg", 400, 300, TJpegKind::Grey);
        Picture("root/sub/deeper/d.jpg", 300, 400, TJpegKind::Cmyk);
        Picture("root/sub/e.jpe", 500, 250, TJpegKind::AdobeCmyk);
        WriteBytes(Dir.File("root/notes.txt"), {'h', 'i'});
        Picture("other/f.jfif", 333, 333);
    }

    TTempDir Dir;
};

} // namespace

TEST_F(CommandRun, FolderTreeOfEveryKindBecomesAValidArchive)
{
    MakeTree();
    const std::string archive = Dir.File("thumbs.zip");
    const TChildResult run = RunChild(Program, {"-r", archive, Dir.File("root"), Dir.File("other/f.jfif")});
    ASSERT_EQ(run.ExitCode, 0) << run.Err;

    std::string unzipOutput;
    EXPECT_EQ(RunShell("unzip -t '" + archive + "'", &unzipOutput), 0) << unzipOutput;
    EXPECT_THAT(unzipOutput, HasSubstr("No errors detected"));

    const std::string report = PythonZipReport(archive);
    EXPECT_THAT(report, HasSubstr("comment=Made with Plinkavorte\n"));
    EXPECT_THAT(report, HasSubstr("testzip=None\n")) << "every CRC matches";
    for (const char* name : {"a.jpg\n", "b.JPEG\n", "c.jpg\n", "d.jpg\n", "e.jpe\n", "f.jfif\n"})
        EXPECT_THAT(report, HasSubstr(name));

    const TZipListing zip = ReadZipListing(archive);
    ASSERT_EQ(zip.Entries.size(), 6u);
    EXPECT_EQ(zip.Entries.back().Name, "f.jfif") << "the paths are taken in the order given";

    const auto sizes = ThumbnailSizes(archive);
    EXPECT_EQ(sizes.at("a.jpg"), std::make_pair(200, 150));
    EXPECT_EQ(sizes.at("b.JPEG"), std::make_pair(150, 200));
    EXPECT_EQ(sizes.at("c.jpg"), std::make_pair(200, 150));
    EXPECT_EQ(sizes.at("d.jpg"), std::make_pair(150, 200));
    EXPECT_EQ(sizes.at("e.jpe"), std::make_pair(200, 100));
    EXPECT_EQ(sizes.at("f.jfif"), std::make_pair(200, 200));

    EXPECT_THAT(run.Err, HasSubstr("Files 6/6 " + Dir.File("other/f.jfif") + "\n"))
        << "one progress line per picture off a terminal";
}

TEST_F(CommandRun, WithoutSubfoldersOnlyTheNamedFolderIsScanned)
{
    MakeTree();
    const std::string archive = Dir.File("top.zip");
    ASSERT_EQ(RunChild(Program, {archive, Dir.File("root")}).ExitCode, 0);
    EXPECT_THAT(ReadZipListing(archive).Names(), UnorderedElementsAre("a.jpg", "b.JPEG"));
}

TEST_F(CommandRun, FrameOptionsReachTheThumbnails)
{
    const std::string picture = Picture("wide.jpg", 800, 400);
    const std::string archive = Dir.File("framed.zip");
    const TChildResult run =
        RunChild(Program, {"-f", "-q", "-s", "120", "-w", "4", "-b", "FFFFFF", "-B", "000000", archive, picture});
    ASSERT_EQ(run.ExitCode, 0) << run.Err;
    const TZipListing zip = ReadZipListing(archive);
    const TDecodedJpeg thumb = DecodeJpeg(zip.Extract(zip.Entries.at(0)));
    ASSERT_EQ(std::make_pair(thumb.Width, thumb.Height), std::make_pair(120, 120));
    ASSERT_EQ(thumb.Components, 3);
    // Top-left is the black border, the pixel inside the frame margin the white background.
    const uint8_t* corner = thumb.Pixels.data();
    const uint8_t* margin = thumb.Pixels.data() + (10 * 120 + 60) * 3;
    EXPECT_LT(corner[0] + corner[1] + corner[2], 3 * 40);
    EXPECT_GT(margin[0] + margin[1] + margin[2], 3 * 215);
}

TEST_F(CommandRun, RelativeArchiveIsTakenFromTheCurrentFolder)
{
    const std::string picture = Picture("p.jpg", 100, 80);
    const TChildResult run = RunChild(Program, {"rel.zip", picture}, Dir.Path());
    ASSERT_EQ(run.ExitCode, 0) << run.Err;
    EXPECT_THAT(ReadZipListing(Dir.File("rel.zip")).Names(), ElementsAre("p.jpg"));
}

TEST_F(CommandRun, ExistingArchiveIsAddedToAndClearStartsANewOne)
{
    const std::string archive = Dir.File("t.zip");
    ASSERT_EQ(RunChild(Program, {archive, Picture("one/x.jpg", 90, 60)}).ExitCode, 0);
    ASSERT_EQ(RunChild(Program, {archive, Picture("two/x.jpg", 60, 90), Picture("two/y.jpg", 60, 60)}).ExitCode, 0);
    EXPECT_THAT(ReadZipListing(archive).Names(), ElementsAre("x.jpg", "y.jpg"));
    EXPECT_GT(ThumbnailSizes(archive).at("x.jpg").first, ThumbnailSizes(archive).at("x.jpg").second)
        << "the duplicate name kept the first thumbnail";

    ASSERT_EQ(RunChild(Program, {"--clear", archive, Dir.File("two/x.jpg")}).ExitCode, 0);
    EXPECT_THAT(ReadZipListing(archive).Names(), ElementsAre("x.jpg"));
    EXPECT_LT(ThumbnailSizes(archive).at("x.jpg").first, ThumbnailSizes(archive).at("x.jpg").second);
}

TEST_F(CommandRun, ExitStatusTellsUsageErrorsFromFailures)
{
    const std::string picture = Picture("p.jpg", 100, 80);
    const std::string archive = Dir.File("t.zip");

    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"--bogus", archive, picture}, {"-s", "700", archive, picture},
          {"-w", "x", archive, picture}, {archive}, {}}) {
        const TChildResult run = RunChild(Program, args);
        EXPECT_EQ(run.ExitCode, 2) << run.Err;
        EXPECT_THAT(run.Err, HasSubstr("Usage: plinkavorte-batch"));
    }
    EXPECT_FALSE(Exists(archive)) << "a usage error writes nothing";

    const TChildResult help = RunChild(Program, {"--help"});
    EXPECT_EQ(help.ExitCode, 0);
    EXPECT_THAT(help.Out, HasSubstr("--preview OUTPUT.png"));
    const TChildResult version = RunChild(Program, {"-V"});
    EXPECT_EQ(version.ExitCode, 0);
    EXPECT_EQ(version.Out, std::string("plinkavorte-batch ") + PLK_VERSION_TEXT + "\n");
}

TEST_F(CommandRun, NoPicturesFoundWritesNothing)
{
    ASSERT_EQ(::mkdir(Dir.File("docs").c_str(), 0755), 0);
    WriteBytes(Dir.File("docs/readme.txt"), {'x'});
    const std::string archive = Dir.File("t.zip");
    const TChildResult run = RunChild(Program, {archive, Dir.File("docs"), Dir.File("nowhere")});
    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_THAT(run.Err, HasSubstr("plinkavorte-batch: no pictures found in "));
    EXPECT_THAT(run.Err, HasSubstr(Dir.File("nowhere") + ": No such file or directory"));
    EXPECT_FALSE(Exists(archive));
}

TEST_F(CommandRun, FailedRunReportsTheMessageAsTheMessageBoxDoes)
{
    const std::string picture = Picture("p.jpg", 100, 80);
    const TChildResult badName = RunChild(Program, {Dir.File("thumbs.txt"), picture});
    EXPECT_EQ(badName.ExitCode, 1);
    EXPECT_THAT(badName.Err, HasSubstr("plinkavorte-batch: " + Dir.File("thumbs.txt") + ": Unhandled Archive Type.\n"));

    const std::string broken = Dir.File("broken.jpg");
    WriteBytes(broken, {0xFF, 0xD8, 0xFF, 0xE0, 0, 2});
    const std::string archive = Dir.File("t.zip");
    const TChildResult badPicture = RunChild(Program, {archive, picture, broken, Picture("q.jpg", 80, 80)});
    EXPECT_EQ(badPicture.ExitCode, 1);
    EXPECT_THAT(badPicture.Err, HasSubstr("plinkavorte-batch: " + broken + ": JPEG error #"));
    const TZipListing zip = ReadZipListing(archive);
    EXPECT_THAT(zip.Names(), ElementsAre("p.jpg")) << "pictures before the failure stay stored";
    EXPECT_EQ(zip.Comment, "");
}

TEST_F(CommandRun, InterruptActsAsStop)
{
    const std::string source = Picture("big.jpg", 2400, 1800);
    std::vector<std::string> paths;
    for (int k = 0; k < 30; ++k) {
        paths.push_back(Dir.File("copy" + std::to_string(k) + ".jpg"));
        ASSERT_EQ(::link(source.c_str(), paths.back().c_str()), 0);
    }
    for (const int signalNumber : {SIGINT, SIGTERM}) {
        const std::string archive = Dir.File("stop" + std::to_string(signalNumber) + ".zip");
        std::vector<std::string> args{archive};
        args.insert(args.end(), paths.begin(), paths.end());
        TRunningChild child(Program, args);
        std::string line;
        ASSERT_TRUE(child.ReadErrLine(line));
        EXPECT_THAT(line, HasSubstr("Files 1/30 "));
        child.Signal(signalNumber);
        std::string rest;
        EXPECT_EQ(child.Wait(rest), 128 + signalNumber) << "as the shell reports an interrupted command; " << rest;
        EXPECT_THAT(rest, HasSubstr("stopped after"));

        const TZipListing zip = ReadZipListing(archive);
        EXPECT_GE(zip.Entries.size(), 1u);
        EXPECT_LT(zip.Entries.size(), 30u) << "the run stopped early";
        EXPECT_EQ(zip.Comment, "Made with Plinkavorte") << "a stopped run still closes properly";
        std::string unzipOutput;
        EXPECT_EQ(RunShell("unzip -tq '" + archive + "'", &unzipOutput), 0) << unzipOutput;
    }
}

TEST_F(CommandRun, PreviewWritesTheExactPreviewPixelsAndNoArchive)
{
    const std::string picture = Picture("cat.jpg", 900, 600, TJpegKind::Progressive);
    struct TCase {
        std::vector<std::string> Options;
        TThumbnailSettings Settings;
    };
    TThumbnailSettings framed;
    framed.Framed = true;
    framed.Square = true;
    framed.MaxSize = 150;
    framed.FrameWidth = 7;
    framed.BackColor = 0x102030;
    framed.BorderColor = 0x0000FF;
    const std::vector<TCase> cases = {
        {{}, TThumbnailSettings{}},
        {{"-f", "-q", "-s", "150", "-w", "7", "-b", "302010", "-B", "FF0000"}, framed},
    };
    for (const auto& testCase : cases) {
        const std::string png = Dir.File("cat.png");
        std::vector<std::string> args = testCase.Options;
        args.insert(args.end(), {"--preview", png, picture});
        const TChildResult run = RunChild(Program, args);
        ASSERT_EQ(run.ExitCode, 0) << run.Err;

        std::unique_ptr<TBitmap> expected;
        RenderPreviewBitmap(picture, testCase.Settings, expected);
        ASSERT_TRUE(expected);
        EXPECT_EQ(ComparePngWithBitmap(png, *expected), "");
    }
    EXPECT_FALSE(Exists(Dir.File("thumbs.zip")));

    const TChildResult missing = RunChild(Program, {"--preview", Dir.File("none.png"), Dir.File("gone.jpg")});
    EXPECT_EQ(missing.ExitCode, 1);
    EXPECT_THAT(missing.Err, HasSubstr("plinkavorte-batch: Cannot open file \"" + Dir.File("gone.jpg") + "\""));
    EXPECT_FALSE(Exists(Dir.File("none.png")));
}
