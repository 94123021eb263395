// A failure of the archive itself (opening, reading, recovering or writing
// it) is printed as the archive's, on one line, "plinkavorte-batch: ARCHIVE:
// reason": never as the fault of the picture that was in hand.

#include "BatchCommand.h"
#include "ChildProcess.h"
#include "FileLayer.h"
#include "JournalFolders.h"
#include "JpegFixtures.h"
#include "ZipListing.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::Not;

namespace {

const std::string Program = PLK_BATCH_EXE;

std::string Quoted(const std::string& text)
{
    std::string out = "'";
    for (char c : text)
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

// RunBatchCommand in this process, so that a file layer can play the
// system's part; what it printed on standard error.
std::string RunHere(const std::vector<std::string>& args, int& exitCode)
{
    std::unique_ptr<std::FILE, decltype(&std::fclose)> err(std::tmpfile(), &std::fclose);
    TCommandStreams streams;
    streams.Err = err.get();
    exitCode = RunBatchCommand(args, streams);
    std::fflush(err.get());
    std::rewind(err.get());
    std::string text(8192, '\0');
    text.resize(std::fread(text.data(), 1, text.size(), err.get()));
    return text;
}

class ArchiveMessages : public ::testing::Test {
protected:
    ArchiveMessages() : Picture(Dir.Picture("pic.jpg", 120, 90)), Archive(Dir.File("thumbs.zip")) {}
    ~ArchiveMessages() override { SetFileLayer(nullptr); }

    // The line for a failure of the archive, and no word of the picture.
    void ExpectArchiveNamed(const std::string& err, const std::string& line)
    {
        EXPECT_THAT(err, HasSubstr("plinkavorte-batch: " + line + "\n"));
        EXPECT_THAT(err, Not(HasSubstr(Picture + ":")));
        EXPECT_THAT(err, Not(HasSubstr("Files 1/1")));
    }

    TTempDir Dir;
    const std::string Picture;
    const std::string Archive;
};

// Fails opening the journal of a commit with the error given.
class TJournalRefused : public TFileLayer {
public:
    explicit TJournalRefused(int err) : FError(err) {}
    int Open(const std::string& path, int flags, mode_t mode) override
    {
        if (path.find("plinkavorte-journal") != std::string::npos || path.find(".journal") != std::string::npos) {
            errno = FError;
            return -1;
        }
        return TFileLayer::Open(path, flags, mode);
    }

private:
    int FError;
};

} // namespace

TEST_F(ArchiveMessages, AnArchiveThatCannotBeReadIsNamed)
{
    ASSERT_EQ(RunChild(Program, {Archive, Picture}).ExitCode, 0);
    // The end record counts no entries in front of a real directory.
    std::vector<uint8_t> bytes = ReadBytes(Archive);
    const size_t end = bytes.size() - 22 - std::string("Made with Plinkavorte").size();
    bytes[end + 8] = bytes[end + 9] = bytes[end + 10] = bytes[end + 11] = 0;
    WriteBytes(Archive, bytes);
    const std::string other = Dir.Picture("other.jpg", 90, 90);
    const TChildResult run = RunChild(Program, {Archive, other});
    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_THAT(run.Err, HasSubstr("plinkavorte-batch: " + Archive + ": Invalid file - not a PKZip file.\n"));
    EXPECT_THAT(run.Err, Not(HasSubstr(other + ":")));
    EXPECT_EQ(ReadBytes(Archive), bytes);
}

TEST_F(ArchiveMessages, AFolderOrADanglingLinkAsTheArchiveIsSaidSo)
{
    ASSERT_EQ(::mkdir(Archive.c_str(), 0755), 0);
    TChildResult run = RunChild(Program, {Archive, Picture});
    EXPECT_EQ(run.ExitCode, 1);
    ExpectArchiveNamed(run.Err, Archive + " is a folder.");

    const std::string link = Dir.File("link.zip");
    ASSERT_EQ(::symlink("elsewhere/missing.zip", link.c_str()), 0);
    run = RunChild(Program, {link, Picture});
    EXPECT_EQ(run.ExitCode, 1);
    ExpectArchiveNamed(run.Err, link + " is a link to a missing file.");
    EXPECT_FALSE(std::filesystem::exists(Dir.File("elsewhere")));
}

TEST_F(ArchiveMessages, AReadOnlyArchiveIsNamedWithTheSystemsReason)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to run as another user";
    ASSERT_EQ(RunChild(Program, {Archive, Dir.Picture("first.jpg", 80, 60)}).ExitCode, 0);
    ASSERT_EQ(::chmod(Dir.Path().c_str(), 0755), 0);
    ASSERT_EQ(::chmod(Archive.c_str(), 0644), 0);
    std::string err;
    const int code = RunShell("cd / && setpriv --reuid=65534 --regid=65534 --clear-groups " + Quoted(Program) + " " +
                                  Quoted(Archive) + " " + Quoted(Picture),
                              &err);
    EXPECT_EQ(code, 1) << err;
    ExpectArchiveNamed(err, Archive + ": Cannot open file \"" + Archive + "\". Permission denied.");
}

TEST_F(ArchiveMessages, AJournalThatCannotBeOpenedIsTheArchivesFailure)
{
    TJournalRefused layer(EMFILE);
    SetFileLayer(&layer);
    int code = 0;
    const std::string err = RunHere({Archive, Picture}, code);
    SetFileLayer(nullptr);
    EXPECT_EQ(code, 1);
    ExpectArchiveNamed(err, Archive + ": Invalid Stream: Too many open files.");
}

TEST_F(ArchiveMessages, NoPlaceForTheJournalSaysWhyWithoutRepeatingTheArchive)
{
    ASSERT_EQ(RunChild(Program, {Archive, Dir.Picture("first.jpg", 80, 60)}).ExitCode, 0);
    // Root may write anywhere: the layer plays a folder that takes no new file.
    TJournalRefused layer(EACCES);
    const std::string notAFolder = Dir.File("not-a-folder");
    WriteBytes(notAFolder, {1});
    const char* savedHome = std::getenv("HOME");
    const char* savedState = std::getenv("XDG_STATE_HOME");
    const std::string home = savedHome ? savedHome : "";
    const std::string state = savedState ? savedState : "";
    ::unsetenv("HOME");
    ::unsetenv("XDG_STATE_HOME");
    SetSpareJournalRoot(notAFolder);
    SetFileLayer(&layer);
    int code = 0;
    const std::string err = RunHere({Archive, Picture}, code);
    SetFileLayer(nullptr);
    SetSpareJournalRoot(std::string());
    if (savedHome)
        ::setenv("HOME", home.c_str(), 1);
    if (savedState)
        ::setenv("XDG_STATE_HOME", state.c_str(), 1);
    EXPECT_EQ(code, 1);
    ExpectArchiveNamed(err, Archive +
                                ": its folder is not writable, and there is no folder for the commit journal "
                                "(HOME is not set; " + notAFolder + "/plinkavorte-" +
                                std::to_string(::geteuid()) + ": Not a directory).");
}

TEST_F(ArchiveMessages, ASwapFileThatCannotBeMadeFailsTheRunWithTheReason)
{
    const std::string noise = Dir.File("noise.jpg");
    WriteBytes(noise, MakeNoiseJpeg(1200, 900));
    std::string err;
    const int code = RunShell("TMPDIR=/proc " + Quoted(Program) + " -s 600 " + Quoted(Archive) + " " + Quoted(noise) +
                                  " " + Quoted(Picture),
                              &err);
    EXPECT_EQ(code, 1) << err;
    EXPECT_THAT(err, HasSubstr("plinkavorte-batch: " + Archive +
                               ": VMS: Cannot open swap file /proc/VMSXXXXXX. No such file or directory.\n"));
    // Never reported done, and not done.
    EXPECT_THAT(err, Not(HasSubstr("Files 1/2")));
    EXPECT_THAT(err, Not(HasSubstr("done")));
    EXPECT_TRUE(ReadZipListing(Archive).Names().empty());
}

TEST(InformationOutput, AFullOrClosedOutputFailsWithAWord)
{
    std::string said;
    EXPECT_EQ(RunShell("{ " + Quoted(Program) + " --help >/dev/full; }", &said), 1);
    EXPECT_EQ(said, "plinkavorte-batch: write error: No space left on device\n");
    EXPECT_EQ(RunShell("{ " + Quoted(Program) + " --version >&-; }", &said), 1);
    EXPECT_EQ(said, "plinkavorte-batch: write error: Bad file descriptor\n");
    EXPECT_EQ(RunShell("{ " + Quoted(Program) + " --help >/dev/null; }", &said), 0);
}
