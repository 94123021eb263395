#include "RecipeTestSupport.h"

#include "DngFixture.h"
#include "Errors.h"
#include "PictureFixtures.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

namespace {

std::string FailureOf(const std::string& path)
{
    try {
        Batch(path);
    } catch (const Exception& e) {
        return e.Message();
    }
    return "(a thumbnail)";
}

struct TKindFile {
    const char* Name;
    const char* Kind;
    const char* Container = nullptr;  // the kind the bytes still show once the rest is cut away
};

std::vector<uint8_t> Sample(const TKindFile& file)
{
    if (std::string(file.Name) == "sensor.dng") {
        TDngContents dng;
        return MakeTestDng(dng);
    }
    const std::string& folder = PictureFixtureFolder();
    const std::string path = folder + "/" + file.Name;
    return folder.empty() || !std::filesystem::exists(path) ? std::vector<uint8_t>{} : ReadBytes(path);
}

uint32_t Crc32(const uint8_t* data, size_t size)
{
    uint32_t crc = 0xFFFFFFFF;
    for (size_t i = 0; i < size; ++i) {
        crc ^= data[i];
        for (int k = 0; k < 8; ++k)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
    }
    return ~crc;
}

void PutBig32(std::vector<uint8_t>& out, uint32_t v)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(uint8_t(v >> shift));
}

// A PNG header claiming a size and nothing after it.
std::vector<uint8_t> PngHeader(uint32_t width, uint32_t height, bool interlaced)
{
    std::vector<uint8_t> out{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<uint8_t> chunk{'I', 'H', 'D', 'R'};
    PutBig32(chunk, width);
    PutBig32(chunk, height);
    chunk.insert(chunk.end(), {8, 2, 0, 0, uint8_t(interlaced ? 1 : 0)});
    PutBig32(out, 13);
    out.insert(out.end(), chunk.begin(), chunk.end());
    PutBig32(out, Crc32(chunk.data(), chunk.size()));
    // The start of the picture data, where reading the header stops.
    PutBig32(out, 1000);
    out.insert(out.end(), {'I', 'D', 'A', 'T', 0x78, 0x9C});
    return out;
}

// A little-endian grey TIFF claiming a size, with one strip of eight bytes.
std::vector<uint8_t> TiffHeader(uint32_t width, uint32_t height)
{
    std::vector<uint8_t> out{'I', 'I', 42, 0, 8, 0, 0, 0};
    const auto put16 = [&out](uint32_t v) { out.insert(out.end(), {uint8_t(v), uint8_t(v >> 8)}); };
    const auto put32 = [&](uint32_t v) { put16(v & 0xFFFF), put16(v >> 16); };
    const uint32_t tags[][2] = {{256, width}, {257, height}, {258, 8}, {259, 1}, {262, 1},
                                {273, 0},     {277, 1},      {278, height}, {279, 8}};
    const uint32_t count = std::size(tags);
    const uint32_t stripAt = 8 + 2 + count * 12 + 4;
    put16(count);
    for (const auto& tag : tags) {
        put16(tag[0]);
        put16(4);  // LONG
        put32(1);
        put32(tag[0] == 273 ? stripAt : tag[1]);
    }
    put32(0);
    out.resize(out.size() + 8, 0x80);
    return out;
}

}  // namespace

class DamagedPictures : public ::testing::TestWithParam<TKindFile> {};

// Cut anywhere, or with bytes overwritten, every kind fails with its own
// message or still makes a thumbnail; nothing crashes.
TEST_P(DamagedPictures, FailWithTheKindsMessageAndNeverCrash)
{
    const std::vector<uint8_t> whole = Sample(GetParam());
    if (whole.empty())
        GTEST_SKIP() << "this machine cannot make " << GetParam().Name;
    const std::string expected = std::string("cannot read ") + GetParam().Kind + " picture: ";
    const std::string container =
        GetParam().Container ? std::string("cannot read ") + GetParam().Container + " picture: " : expected;
    const std::string name = std::string("damaged.") + (std::strchr(GetParam().Name, '.') + 1);
    TTempDir dir;
    for (const size_t length : {size_t{0}, size_t{7}, size_t{40}, whole.size() / 8, whole.size() / 2}) {
        WriteBytes(dir.File(name), std::vector<uint8_t>(whole.begin(), whole.begin() + long(length)));
        const std::string message = FailureOf(dir.File(name));
        EXPECT_TRUE(message.rfind(expected, 0) == 0 || message.rfind(container, 0) == 0)
            << "cut at " << length << ": " << message;
    }
    for (const size_t at : {whole.size() / 3, whole.size() / 2, whole.size() * 3 / 4}) {
        std::vector<uint8_t> damaged = whole;
        for (size_t i = at; i < std::min(at + 64, damaged.size()); ++i)
            damaged[i] = uint8_t(damaged[i] * 37 + 11);
        WriteBytes(dir.File(name), damaged);
        const std::string message = FailureOf(dir.File(name));
        EXPECT_TRUE(message == "(a thumbnail)" || message.rfind(expected, 0) == 0 || message.rfind(container, 0) == 0)
            << message;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, DamagedPictures,
    ::testing::Values(TKindFile{"rgb8.png", "PNG"}, TKindFile{"interlaced.png", "PNG"},
                      TKindFile{"lossy.webp", "WebP"}, TKindFile{"lossless.webp", "WebP"},
                      TKindFile{"animated.webp", "WebP"}, TKindFile{"rgb8.tif", "TIFF"},
                      TKindFile{"rgb16.tif", "TIFF"}, TKindFile{"plain.heic", "HEIF"},
                      TKindFile{"plain.avif", "AVIF"}, TKindFile{"sensor.dng", "RAW", "TIFF"}),
    [](const auto& info) { return std::string(info.param.Kind) + std::to_string(info.index); });

TEST(PictureMemory, APictureAboveTheCapIsRefusedWithItsSize)
{
    TTempDir dir;
    // An interlaced picture is kept whole while it is read.
    WriteBytes(dir.File("huge.png"), PngHeader(30000, 30000, true));
    EXPECT_EQ(FailureOf(dir.File("huge.png")),
              "cannot read PNG picture: 30000 x 30000 pixels need more memory than one picture may take");
    // Read row by row, the same size is no problem of memory: the file is just cut short.
    WriteBytes(dir.File("long.png"), PngHeader(30000, 30000, false));
    EXPECT_EQ(FailureOf(dir.File("long.png")), "cannot read PNG picture: the file is cut short");
}

// Sides near 2^32 once made the memory sum itself overflow.
TEST(PictureMemory, ATiffOfAbsurdSidesIsRefusedBeforeItsBandsAreCounted)
{
    TTempDir dir;
    WriteBytes(dir.File("vast.tif"), TiffHeader(3000000000u, 2000000000u));
    EXPECT_EQ(FailureOf(dir.File("vast.tif")),
              "cannot read TIFF picture: 3000000000 x 2000000000 pixels need more memory than one picture may take");
}

TEST(PictureNames, ContentDecidesAndTheNameSpeaksOnlyForUnknownBytes)
{
    TTempDir dir;
    const std::string& folder = PictureFixtureFolder();
    if (folder.empty())
        GTEST_SKIP() << "python3 with Pillow cannot be run";
    WriteBytes(dir.File("png.jpg"), ReadBytes(folder + "/rgb8.png"));
    WriteBytes(dir.File("jpeg.heic"), MakeTestJpeg(640, 400));
    EXPECT_EQ(Preview(dir.File("png.jpg"))->Width(), 200);
    EXPECT_EQ(Preview(dir.File("jpeg.heic"))->Width(), 200);

    WriteBytes(dir.File("text.png"), {'h', 'e', 'l', 'l', 'o', ' ', 'w', 'o', 'r', 'l', 'd', '\n'});
    EXPECT_EQ(FailureOf(dir.File("text.png")).rfind("cannot read PNG picture: ", 0), 0u);
    WriteBytes(dir.File("text.jpg"), {'h', 'e', 'l', 'l', 'o', ' ', 'w', 'o', 'r', 'l', 'd', '\n'});
    EXPECT_EQ(FailureOf(dir.File("text.jpg")), "JPEG error #53");
    WriteBytes(dir.File("empty.webp"), {});
    EXPECT_EQ(FailureOf(dir.File("empty.webp")), "cannot read WebP picture: the file is empty");
}
