// --preview OUTPUT.png never writes over its own picture, over a file that is
// not a PNG, or leaves a half-written PNG in place of a good one.

#include "ChildProcess.h"
#include "JpegFixtures.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <dirent.h>
#include <unistd.h>

using ::testing::HasSubstr;

namespace {

const std::string Program = PLK_BATCH_EXE;

bool StartsLikeAPng(const std::vector<uint8_t>& bytes)
{
    static const std::vector<uint8_t> signature = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    return bytes.size() > signature.size() && std::equal(signature.begin(), signature.end(), bytes.begin());
}

std::vector<std::string> FolderNames(const std::string& folder)
{
    std::vector<std::string> names;
    if (DIR* dir = ::opendir(folder.c_str())) {
        while (const dirent* entry = ::readdir(dir))
            if (std::string(entry->d_name) != "." && std::string(entry->d_name) != "..")
                names.push_back(entry->d_name);
        ::closedir(dir);
    }
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace

TEST(PreviewOutput, ThePictureItselfIsNeverOverwrittenUnderAnyName)
{
    TTempDir dir;
    const std::string photo = dir.Picture("photo.jpg", 320, 240);
    const std::vector<uint8_t> original = ReadBytes(photo);
    ASSERT_EQ(::link(photo.c_str(), dir.File("linked.png").c_str()), 0);
    ASSERT_EQ(::symlink(photo.c_str(), dir.File("pointer.png").c_str()), 0);

    for (const char* output : {"photo.jpg", "linked.png", "pointer.png"}) {
        const TChildResult run = RunChild(Program, {"--preview", dir.File(output), photo});
        EXPECT_EQ(run.ExitCode, 1) << output;
        EXPECT_THAT(run.Err, HasSubstr("plinkavorte-batch: " + dir.File(output) + ": this is the picture itself"));
        EXPECT_EQ(ReadBytes(photo), original) << output;
    }
    const TChildResult relative = RunChild(Program, {"--preview", "./photo.jpg", "photo.jpg"}, dir.Path());
    EXPECT_EQ(relative.ExitCode, 1) << "the same file however it is named";
    EXPECT_EQ(ReadBytes(photo), original);
    EXPECT_EQ(FolderNames(dir.Path()), (std::vector<std::string>{"linked.png", "photo.jpg", "pointer.png"}));
}

TEST(PreviewOutput, AnExistingPngIsReplacedAndAnythingElseLeftAlone)
{
    TTempDir dir;
    const std::string photo = dir.Picture("photo.jpg", 320, 240);
    const std::string notes = dir.File("notes.png");
    WriteBytes(notes, {'k', 'e', 'e', 'p'});
    const TChildResult refused = RunChild(Program, {"--preview", notes, photo});
    EXPECT_EQ(refused.ExitCode, 1);
    EXPECT_THAT(refused.Err, HasSubstr(notes + ": this file exists and is not a PNG; it is left as it is."));
    EXPECT_EQ(ReadBytes(notes), (std::vector<uint8_t>{'k', 'e', 'e', 'p'}));

    const TChildResult folder = RunChild(Program, {"--preview", dir.Path(), photo});
    EXPECT_EQ(folder.ExitCode, 1);
    EXPECT_THAT(folder.Err, HasSubstr("this is a folder"));

    const std::string look = dir.File("look.png");
    ASSERT_EQ(RunChild(Program, {"-s", "50", "--preview", look, photo}).ExitCode, 0);
    const std::vector<uint8_t> small = ReadBytes(look);
    ASSERT_TRUE(StartsLikeAPng(small));
    const TChildResult again = RunChild(Program, {"-s", "300", "--preview", look, photo});
    EXPECT_EQ(again.ExitCode, 0) << again.Err;
    EXPECT_TRUE(StartsLikeAPng(ReadBytes(look)));
    EXPECT_GT(ReadBytes(look).size(), small.size()) << "the bigger preview replaced the small one";
    EXPECT_EQ(FolderNames(dir.Path()), (std::vector<std::string>{"look.png", "notes.png", "photo.jpg"}))
        << "no temporary file stays behind";
}

// A file size limit makes the write fail as a full disk does.
TEST(PreviewOutput, AWriteThatFailsLeavesTheOldPreviewWhole)
{
    TTempDir dir;
    const std::string photo = dir.Picture("photo.jpg", 900, 600);
    const std::string look = dir.File("look.png");
    ASSERT_EQ(RunChild(Program, {"-s", "50", "--preview", look, photo}).ExitCode, 0);
    const std::vector<uint8_t> before = ReadBytes(look);

    std::string output;
    const int status = RunShell("trap '' XFSZ; ulimit -f 2; '" + Program + "' -s 600 --preview '" + look + "' '" +
                                    photo + "' 2>&1",
                                &output);
    EXPECT_EQ(status, 1) << output;
    EXPECT_THAT(output, HasSubstr("Stream write error."));
    EXPECT_EQ(ReadBytes(look), before);
    EXPECT_EQ(FolderNames(dir.Path()), (std::vector<std::string>{"look.png", "photo.jpg"}));
}
