// Pictures that fail say why in the shell: libjpeg's own words after the
// JPEG message, and the kind with the library's reason for the other kinds.

#include "ChildProcess.h"
#include "JpegFixtures.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using ::testing::HasSubstr;

namespace {

const std::string Program = PLK_BATCH_EXE;

// A whole small JPEG with its frame marker and sample precision changed.
std::vector<uint8_t> WithFrame(uint8_t marker, uint8_t precision)
{
    std::vector<uint8_t> bytes = MakeTestJpeg(16, 16);
    for (size_t i = 2; i + 4 < bytes.size(); ++i)
        if (bytes[i] == 0xFF && bytes[i + 1] == 0xC0) {
            bytes[i + 1] = marker;
            bytes[i + 4] = precision;
            break;
        }
    return bytes;
}

}  // namespace

TEST(PictureReasons, BareJpegNumbersGetLibjpegsWords)
{
    TTempDir dir;
    const struct {
        const char* Name;
        std::vector<uint8_t> Bytes;
        const char* Reason;
    } cases[] = {
        {"twelve.jpg", WithFrame(0xC1, 12), "Unsupported JPEG data precision 12"},
        {"lossless.jpg", WithFrame(0xC3, 8), "SOF type 0xc3"},
        {"hierarchical.jpg", WithFrame(0xC5, 8), "SOF type 0xc5"},
        {"empty-image.jpg", {0xFF, 0xD8, 0xFF, 0xD9}, "JPEG datastream contains no image"},
    };
    for (const auto& c : cases) {
        WriteBytes(dir.File(c.Name), c.Bytes);
        const TChildResult run = RunChild(Program, {"--preview", dir.File("p.png"), dir.File(c.Name)});
        EXPECT_EQ(run.ExitCode, 1);
        EXPECT_THAT(run.Err, ::testing::ContainsRegex("plinkavorte-batch: JPEG error #[0-9]+\\. "))
            << c.Name;
        EXPECT_THAT(run.Err, HasSubstr(c.Reason)) << run.Err;
    }
}

TEST(PictureReasons, OtherKindsNameTheKindAndTheReason)
{
    TTempDir dir;
    std::vector<uint8_t> heif{0, 0, 0, 24, 'f', 't', 'y', 'p', 'h', 'e', 'i', 'c', 0, 0, 0, 0,
                              'm', 'i', 'f', '1', 'h', 'e', 'i', 'c'};
    WriteBytes(dir.File("x.heic"), heif);
    const TChildResult run = RunChild(Program, {"-k", dir.File("t.zip"), dir.File("x.heic")});
    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_THAT(run.Err, HasSubstr("plinkavorte-batch: " + dir.File("x.heic") + ": cannot read HEIF picture: "));
}
