// What plinkavorte-batch says and returns when pictures fail, are skipped or
// are missing, and when its operands look mistaken.

#include "BatchCommand.h"
#include "ChildProcess.h"
#include "JpegFixtures.h"
#include "ZipListing.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <new>
#include <stdexcept>

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::Not;

namespace {

const std::string Program = PLK_BATCH_EXE;
// The message of a text file named .jpg, and libjpeg's own words for it.
const std::string NotJpeg = ": JPEG error #53. Not a JPEG file: starts with 0x68 0x65.\n";

bool Exists(const std::string& path)
{
    struct stat info{};
    return ::stat(path.c_str(), &info) == 0;
}

class RunMessages : public ::testing::Test {
protected:
    // A file named .jpg that holds text: libjpeg's "not a JPEG file".
    std::string TextPicture(const std::string& name)
    {
        const std::string path = Dir.File(name);
        WriteBytes(path, {'h', 'e', 'l', 'l', 'o', '\n'});
        return path;
    }

    TTempDir Dir;
};

} // namespace

TEST_F(RunMessages, CountsTellDoneFromSkippedInSingularAndPlural)
{
    const std::string archive = Dir.File("t.zip");
    const std::string a = Dir.Picture("a.jpg", 90, 60);
    const TChildResult first = RunChild(Program, {archive, a});
    ASSERT_EQ(first.ExitCode, 0) << first.Err;
    EXPECT_THAT(first.Err, HasSubstr("plinkavorte-batch: 1 picture done; " + archive + " is closed\n"));

    const std::string b = Dir.Picture("b.jpg", 60, 90);
    const std::string upper = Dir.Picture("other/A.JPG", 60, 60);
    const TChildResult second = RunChild(Program, {archive, a, b, upper});
    ASSERT_EQ(second.ExitCode, 0) << second.Err;
    EXPECT_THAT(second.Err, HasSubstr("plinkavorte-batch: 1 picture done, 2 skipped: already in the archive; "));
    EXPECT_THAT(second.Err, HasSubstr("Files 1/3 " + a + " (skipped: already in the archive)\n"));
    EXPECT_THAT(second.Err, HasSubstr("Files 2/3 " + b + "\n"));
    EXPECT_THAT(second.Err, HasSubstr("Files 3/3 " + upper + " (skipped: already in the archive)\n"))
        << "letter case is ignored in the archive's names";
    EXPECT_THAT(ReadZipListing(archive).Names(), ElementsAre("a.jpg", "b.jpg"));
}

TEST_F(RunMessages, ASkipNamesThePictureOfTheSameRunThatTookTheName)
{
    const std::string archive = Dir.File("card.zip");
    const std::string first = Dir.Picture("DCIM/100CANON/IMG_0001.JPG", 90, 60);
    const std::string second = Dir.Picture("DCIM/101CANON/IMG_0001.JPG", 60, 90);
    const std::string third = Dir.Picture("DCIM/101CANON/img_0002.jpg", 60, 90);
    const TChildResult run = RunChild(Program, {"-r", archive, Dir.File("DCIM")});
    ASSERT_EQ(run.ExitCode, 0) << run.Err;
    EXPECT_THAT(run.Err, HasSubstr("Files 2/3 " + second + " (skipped: IMG_0001.JPG is already in the archive, from " +
                                   first + ")\n"));
    EXPECT_THAT(run.Err, HasSubstr("plinkavorte-batch: 2 pictures done, 1 skipped: already in the archive; "));

    // A name the archive held before the run keeps the plain note, also
    // after a picture of that name failed in this run.
    const std::string broken = TextPicture("IMG_0002.JPG");
    const TChildResult again = RunChild(Program, {"-k", archive, broken, third});
    EXPECT_THAT(again.Err, HasSubstr("Files 2/2 " + third + " (skipped: already in the archive)\n"));
}

TEST_F(RunMessages, FailureNamesThePictureWhichGetsNoProgressLine)
{
    const std::string good = Dir.Picture("good.jpg", 80, 60);
    const std::string bad = TextPicture("bad.jpg");
    const std::string later = Dir.Picture("later.jpg", 80, 60);
    for (const char* jobs : {"1", "3"}) {
        const std::string archive = Dir.File(std::string("j") + jobs + ".zip");
        const TChildResult run = RunChild(Program, {"-j", jobs, archive, good, bad, later});
        EXPECT_EQ(run.ExitCode, 1) << run.Err;
        EXPECT_THAT(run.Err, HasSubstr("Files 1/3 " + good + "\n"));
        EXPECT_THAT(run.Err, HasSubstr("plinkavorte-batch: " + bad + NotJpeg));
        EXPECT_THAT(run.Err, Not(HasSubstr("Files 2/3"))) << "jobs " << jobs;
        EXPECT_THAT(run.Err, Not(HasSubstr(later))) << "the first failure ends the run";
        EXPECT_THAT(ReadZipListing(archive).Names(), ElementsAre("good.jpg"));
    }
}

TEST_F(RunMessages, KeepGoingReportsEachFailureAndSumsUpAtTheEnd)
{
    const std::string archive = Dir.File("t.zip");
    const std::string a = Dir.Picture("a.jpg", 80, 60);
    ASSERT_EQ(RunChild(Program, {archive, a}).ExitCode, 0);

    const std::string bad = TextPicture("bad.jpg");
    const std::string empty = Dir.File("empty.jpg");
    WriteBytes(empty, {});
    const std::string b = Dir.Picture("b.jpg", 60, 80);
    const std::string c = Dir.Picture("c.jpg", 70, 70);
    for (const char* jobs : {"1", "2"}) {
        const TChildResult run = RunChild(Program, {"-k", "-j", jobs, archive, bad, a, b, empty, c});
        EXPECT_EQ(run.ExitCode, 1) << run.Err;
        EXPECT_THAT(run.Err, HasSubstr("plinkavorte-batch: " + bad + NotJpeg));
        EXPECT_THAT(run.Err, HasSubstr("plinkavorte-batch: " + empty + ": JPEG error #42. Empty input file.\n"));
        EXPECT_THAT(run.Err, Not(HasSubstr("Files 1/5"))) << "the failed pictures get no progress line";
        EXPECT_THAT(run.Err, Not(HasSubstr("Files 4/5")));
        EXPECT_THAT(run.Err, HasSubstr("Files 5/5 " + c));
        if (std::string(jobs) == "1") {
            EXPECT_THAT(run.Err, HasSubstr("plinkavorte-batch: 2 pictures done, 1 skipped: already in the archive, "
                                           "2 failed; " + archive + " is closed\n"));
        } else {
            EXPECT_THAT(run.Err, HasSubstr("0 pictures done, 3 skipped: already in the archive, 2 failed"))
                << "the second run finds b and c stored";
        }
        const TZipListing zip = ReadZipListing(archive);
        EXPECT_THAT(zip.Names(), ElementsAre("a.jpg", "b.jpg", "c.jpg"));
        EXPECT_EQ(zip.Comment, "Made with Plinkavorte") << "a run that went on closes properly";
    }

    const TChildResult clean = RunChild(Program, {"--keep-going", Dir.File("clean.zip"), a, b});
    EXPECT_EQ(clean.ExitCode, 0) << clean.Err;
    EXPECT_THAT(clean.Err, HasSubstr("2 pictures done, 0 skipped: already in the archive, 0 failed; "));
}

TEST_F(RunMessages, SquareWithoutFrameIsAUsageError)
{
    const std::string picture = Dir.Picture("p.jpg", 80, 60);
    const std::string archive = Dir.File("t.zip");
    const TChildResult run = RunChild(Program, {"-q", archive, picture});
    EXPECT_EQ(run.ExitCode, 2);
    EXPECT_THAT(run.Err, HasSubstr("plinkavorte-batch: option -q (--square) needs -f (--frame)"));
    EXPECT_THAT(run.Err, HasSubstr("Usage: plinkavorte-batch"));
    EXPECT_FALSE(Exists(archive));
    EXPECT_EQ(RunChild(Program, {"-q", "-f", archive, picture}).ExitCode, 0);
}

TEST_F(RunMessages, MistakenArchiveNamesGetAHint)
{
    const std::string picture = Dir.Picture("pics/p.jpg", 80, 60);
    const TChildResult text = RunChild(Program, {Dir.File("thumbs.txt"), picture});
    EXPECT_EQ(text.ExitCode, 1);
    EXPECT_THAT(text.Err, HasSubstr("plinkavorte-batch: " + Dir.File("thumbs.txt") + ": Unhandled Archive Type.\n"
                                    "plinkavorte-batch: hint: the archive's name must end in .zip\n"));

    const std::string fake = Dir.File("fake.zip");
    WriteBytes(fake, {'n', 'o', 't', ' ', 'a', ' ', 'z', 'i', 'p'});
    const TChildResult named = RunChild(Program, {fake, picture});
    EXPECT_EQ(named.ExitCode, 1);
    EXPECT_THAT(named.Err, HasSubstr("Unhandled Archive Type."));
    EXPECT_THAT(named.Err, Not(HasSubstr("hint"))) << "the name is right; the file is not an archive";

    const TChildResult swapped = RunChild(Program, {Dir.File("pics"), Dir.File("new.zip")});
    EXPECT_EQ(swapped.ExitCode, 1);
    EXPECT_THAT(swapped.Err, HasSubstr("hint: the arguments may be swapped"));
    EXPECT_FALSE(Exists(Dir.File("new.zip")));
}

TEST_F(RunMessages, NoPicturesNamesThePathsAndSuggestsSubfolders)
{
    Dir.Picture("album/2024/p.jpg", 80, 60);
    WriteBytes(Dir.File("album/notes.txt"), {'x'});
    const std::string archive = Dir.File("t.zip");
    const TChildResult run = RunChild(Program, {archive, Dir.File("album"), Dir.File("nowhere")});
    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_THAT(run.Err, HasSubstr("plinkavorte-batch: no pictures found in " + Dir.File("album") + ", " +
                                   Dir.File("nowhere") + "\n"));
    EXPECT_THAT(run.Err, HasSubstr("plinkavorte-batch: hint: " + Dir.File("album") +
                                   " has sub-folders; -r takes their pictures too\n"));
    EXPECT_FALSE(Exists(archive));

    ASSERT_EQ(::mkdir(Dir.File("flat").c_str(), 0755), 0);
    ASSERT_EQ(::mkdir(Dir.File("flat/.hidden").c_str(), 0755), 0);
    const TChildResult flat = RunChild(Program, {archive, Dir.File("flat")});
    EXPECT_EQ(flat.ExitCode, 1);
    EXPECT_THAT(flat.Err, HasSubstr("no pictures found in " + Dir.File("flat") + "\n"));
    EXPECT_THAT(flat.Err, Not(HasSubstr("hint"))) << "the scan skips hidden folders, so no hint for them";

    const TChildResult withSubfolders = RunChild(Program, {"-r", archive, Dir.File("album")});
    EXPECT_EQ(withSubfolders.ExitCode, 0) << withSubfolders.Err;
}

TEST_F(RunMessages, NamesWithControlCharactersArePrintedEscaped)
{
    const std::string picture = Dir.Picture("new\nline.jpg", 80, 60);
    const std::string bad = TextPicture("tab\tbad.jpg");
    const TChildResult run = RunChild(Program, {"-k", Dir.File("t.zip"), picture, bad});
    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_THAT(run.Err, HasSubstr("Files 1/2 " + Dir.File("new\\nline.jpg") + "\n"));
    EXPECT_THAT(run.Err, HasSubstr("plinkavorte-batch: " + Dir.File("tab\\tbad.jpg") + NotJpeg));
    EXPECT_THAT(run.Err, Not(HasSubstr("\t")));
    EXPECT_THAT(ReadZipListing(Dir.File("t.zip")).Names(), ElementsAre("new\nline.jpg")) << "stored as it is";
}

// Exceptions from outside the program's own family, thrown where the run
// asks whether to stop, i.e. from inside a run with its archive open.
TEST_F(RunMessages, AnyExceptionEndsWithAMessageAndTheFailureStatus)
{
    const std::string picture = Dir.Picture("p.jpg", 80, 60);
    struct TCase {
        std::function<int()> Throw;
        std::string Message;
    };
    const std::vector<TCase> cases = {
        {[]() -> int { throw std::bad_alloc(); }, "Out of memory."},
        {[]() -> int { throw std::logic_error("broken promise"); }, "broken promise."},
        {[]() -> int { throw 42; }, "Unknown exception."},
    };
    for (const auto& testCase : cases) {
        std::unique_ptr<std::FILE, decltype(&std::fclose)> err(std::tmpfile(), &std::fclose);
        TCommandStreams streams;
        streams.Err = err.get();
        streams.StopSignal = testCase.Throw;
        EXPECT_EQ(RunBatchCommand({Dir.File("t.zip"), picture}, streams), ExitFailed);
        std::fflush(err.get());
        std::rewind(err.get());
        std::string text(4096, '\0');
        text.resize(std::fread(text.data(), 1, text.size(), err.get()));
        EXPECT_THAT(text, HasSubstr("plinkavorte-batch: " + picture + ": " + testCase.Message + "\n"));
    }
}

// On a terminal (a pseudo-terminal made by script(1), 50 columns wide) the
// live line names the picture and never reaches the last column.
TEST_F(RunMessages, LiveLineOnATerminalFitsItsWidth)
{
    if (RunShell("command -v script") != 0)
        GTEST_SKIP() << "script(1) is not installed";
    const std::string picture = Dir.Picture("a folder with a rather long name/IMG_0042.JPG", 80, 60);
    std::string output;
    const int status = RunShell("script -qec \"stty cols 50 rows 20; '" + Program + "' '" + Dir.File("t.zip") +
                                    "' '" + picture + "'\" /dev/null",
                                &output);
    ASSERT_EQ(status, 0) << output;
    int drawn = 0;
    bool namedThePicture = false;
    size_t start = 0;
    while ((start = output.find('\r', start)) != std::string::npos) {
        ++start;
        const size_t end = output.find_first_of("\r\n", start);
        std::string line = output.substr(start, end == std::string::npos ? std::string::npos : end - start);
        const size_t clear = line.find("\033[K");
        if (line.rfind("Files ", 0) != 0 || clear == std::string::npos)
            continue;
        line.erase(clear);
        ++drawn;
        const auto columns = std::count_if(line.begin(), line.end(), [](char c) { return (c & 0xC0) != 0x80; });
        EXPECT_LE(columns, 49) << line;
        const bool shortened = line.find("\xE2\x80\xA6") != std::string::npos;
        const bool endsWithTheName = line.size() > 12 && line.substr(line.size() - 12) == "IMG_0042.JPG";
        namedThePicture = namedThePicture || (shortened && endsWithTheName);
    }
    EXPECT_GT(drawn, 0) << output;
    EXPECT_TRUE(namedThePicture) << output;
}
