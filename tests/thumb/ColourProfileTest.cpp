// The source's colour profile travels into the encoded thumbnail, and only a
// whole RGB profile of an RGB picture does; nothing else about the thumbnail
// changes with it.

#include "RecipeTestSupport.h"

#include "IccProfile.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <utility>

namespace {

using TChunks = std::vector<std::vector<uint8_t>>;

// The APP2 payloads before the first scan, read straight off the marker layout.
TChunks App2Payloads(const std::vector<uint8_t>& jpeg)
{
    TChunks found;
    for (size_t i = 2; i + 4 <= jpeg.size() && jpeg[i] == 0xFF && jpeg[i + 1] != 0xDA;) {
        const size_t length = size_t(jpeg[i + 2]) << 8 | jpeg[i + 3];
        if (jpeg[i + 1] == 0xE2)
            found.emplace_back(jpeg.begin() + i + 4, jpeg.begin() + i + 2 + length);
        i += 2 + length;
    }
    return found;
}

// The same bytes with every APP2 segment before the first scan cut out.
std::vector<uint8_t> WithoutApp2(const std::vector<uint8_t>& jpeg)
{
    std::vector<uint8_t> out(jpeg.begin(), jpeg.begin() + 2);
    size_t i = 2;
    while (i + 4 <= jpeg.size() && jpeg[i] == 0xFF && jpeg[i + 1] != 0xDA) {
        const size_t next = i + 2 + (size_t(jpeg[i + 2]) << 8 | jpeg[i + 3]);
        if (jpeg[i + 1] != 0xE2)
            out.insert(out.end(), jpeg.begin() + i, jpeg.begin() + next);
        i = next;
    }
    out.insert(out.end(), jpeg.begin() + i, jpeg.end());
    return out;
}

// The profile our own reader finds in encoded bytes.
std::vector<uint8_t> ProfileRead(const std::vector<uint8_t>& jpeg)
{
    TJPEGImage image;
    image.LoadFromBytes(jpeg);
    return image.IccProfile;
}

std::string Hex(const std::vector<uint8_t>& bytes)
{
    static const char digits[] = "0123456789abcdef";
    std::string s;
    for (uint8_t b : bytes)
        s += {digits[b >> 4], digits[b & 15]};
    return s;
}

// What Pillow (the system Python's) reports as the file's profile: hex, "none", or "" when Pillow
// cannot be run.
std::string PillowProfileHex(const std::string& path)
{
    const std::string command =
        "/usr/bin/python3 -c 'import sys; from PIL import Image; p = Image.open(sys.argv[1]).info.get(\"icc_profile\");"
        " print(p.hex() if p else \"none\")' '" + path + "' 2>/dev/null";
    std::FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return "";
    std::string out;
    char buffer[4096];
    while (size_t n = std::fread(buffer, 1, sizeof buffer, pipe))
        out.append(buffer, n);
    if (pclose(pipe) != 0)
        return "";
    while (!out.empty() && out.back() == '\n')
        out.pop_back();
    return out;
}

TThumbnailSettings Shape(bool framed, bool square)
{
    TThumbnailSettings s;
    s.Framed = framed;
    s.Square = square;
    s.MaxSize = 160;
    return s;
}

const TThumbnailSettings Shapes[] = {Shape(false, false), Shape(true, false), Shape(true, true)};

// libjpeg alone encoding a 24-bit bitmap the way thumbnails always were.
std::vector<uint8_t> ReferenceEncode(const TBitmap& bitmap)
{
    jpeg_compress_struct info{};
    jpeg_error_mgr err{};
    info.err = jpeg_std_error(&err);
    jpeg_create_compress(&info);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = JDIMENSION(bitmap.Width());
    info.image_height = JDIMENSION(bitmap.Height());
    info.input_components = 3;
    info.in_color_space = JCS_EXT_BGR;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 90, TRUE);
    jpeg_start_compress(&info, TRUE);
    for (int y = 0; y < bitmap.Height(); ++y) {
        auto row = const_cast<JSAMPROW>(bitmap.ScanLine(y));
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    std::vector<uint8_t> out(buffer, buffer + size);
    jpeg_destroy_compress(&info);
    std::free(buffer);
    return out;
}

class ColourProfile : public ::testing::Test {
protected:
    // The thumbnail of the picture with these APP2 payloads, settings s.
    std::unique_ptr<TBatchResult> Tagged(const TChunks& app2, const TThumbnailSettings& s = {},
                                         TJpegKind kind = TJpegKind::Baseline)
    {
        WriteBytes(Dir.File("t.jpg"), MakeTaggedJpeg(480, 320, app2, kind));
        return Batch(Dir.File("t.jpg"), s);
    }

    TTempDir Dir;
};

}  // namespace

TEST_F(ColourProfile, TaggedThumbnailCarriesTheIdenticalBytesWhateverTheShape)
{
    const std::vector<uint8_t> profile = TestIccProfile(588);
    for (const TThumbnailSettings& s : Shapes) {
        auto r = Tagged({IccChunk(1, 1, profile)}, s);
        EXPECT_EQ(ProfileRead(r->Stream.Bytes()), profile) << s.Framed << s.Square;
        const TChunks markers = App2Payloads(r->Stream.Bytes());
        ASSERT_EQ(markers.size(), 1u);
        EXPECT_EQ(markers[0], IccChunk(1, 1, profile));
    }
}

TEST_F(ColourProfile, PillowReadsTheSameProfileFromTheThumbnail)
{
    const std::vector<uint8_t> small = TestIccProfile(588, "RGB ", 1);
    const std::vector<uint8_t> large = TestIccProfile(150000, "RGB ", 2);  // three markers on the way out
    for (const auto& [profile, s] : {std::pair{small, Shape(false, false)}, std::pair{large, Shape(true, true)}}) {
        auto r = Tagged(IccChunks(profile, 3), s);
        WriteBytes(Dir.File("thumb.jpg"), r->Stream.Bytes());
        const std::string seen = PillowProfileHex(Dir.File("thumb.jpg"));
        if (seen.empty())
            GTEST_SKIP() << "python3 with Pillow cannot be run";
        EXPECT_EQ(seen, Hex(profile)) << profile.size();
    }
    WriteBytes(Dir.File("plain.jpg"), Batch(Dir.Picture("u.jpg", 300, 200))->Stream.Bytes());
    EXPECT_EQ(PillowProfileHex(Dir.File("plain.jpg")), "none");
}

TEST_F(ColourProfile, ChunksAreReassembledInSequenceOrder)
{
    const std::vector<uint8_t> profile = TestIccProfile(3000);
    TChunks shuffled = IccChunks(profile, 4);
    std::swap(shuffled[0], shuffled[3]);
    std::swap(shuffled[1], shuffled[2]);
    const std::vector<uint8_t> wide = TestIccProfile(200000, "RGB ", 5);
    const std::vector<uint8_t> limit = TestIccProfile(MaxIccProfileBytes, "RGB ", 6);
    TChunks oneByteEnds = IccChunks(std::vector<uint8_t>(profile.begin(), profile.end() - 2), 3);
    for (auto& chunk : oneByteEnds)
        chunk[13] = 5;
    oneByteEnds.push_back(IccChunk(4, 5, {profile.end()[-2]}));
    oneByteEnds.push_back(IccChunk(5, 5, {profile.end()[-1]}));
    struct TCase {
        std::string Name;
        TChunks Chunks;
        const std::vector<uint8_t>& Profile;
    };
    const TCase cases[] = {
        {"two in order", IccChunks(profile, 2), profile},
        {"four shuffled", shuffled, profile},
        {"one-byte chunks at the end", oneByteEnds, profile},
        {"200000 bytes in four", IccChunks(wide, 4), wide},
        {"exactly the limit", IccChunks(limit, 17), limit},
    };
    for (const TCase& c : cases) {
        auto r = Tagged(c.Chunks);
        EXPECT_EQ(ProfileRead(r->Stream.Bytes()), c.Profile) << c.Name;
        EXPECT_EQ(DecodeBytes(r->Stream.Bytes())->Width(), 200) << c.Name;
    }
}

TEST_F(ColourProfile, GreyAndInkProfilesAndPicturesCarryNone)
{
    const std::pair<TJpegKind, const char*> cases[] = {
        {TJpegKind::Baseline, "GRAY"}, {TJpegKind::Baseline, "CMYK"}, {TJpegKind::Grey, "GRAY"},
        {TJpegKind::Grey, "RGB "},     {TJpegKind::Cmyk, "CMYK"},     {TJpegKind::AdobeCmyk, "CMYK"},
        {TJpegKind::AdobeYcck, "CMYK"}, {TJpegKind::AdobeYcck, "RGB "},
    };
    for (const auto& [kind, space] : cases) {
        auto r = Tagged({IccChunk(1, 1, TestIccProfile(588, space))}, {}, kind);
        EXPECT_TRUE(App2Payloads(r->Stream.Bytes()).empty()) << int(kind) << " " << space;
        EXPECT_EQ(ReadEncodedHeader(r->Stream.Bytes()).Components, 3);
        EXPECT_EQ(r->Bitmap->Width(), 200);
    }
}

// Each damaged profile leaves a thumbnail byte for byte that of the untagged picture.
TEST_F(ColourProfile, DamagedProfilesAreDroppedAndTheThumbnailMade)
{
    const std::vector<uint8_t> p = TestIccProfile(900);
    const TChunks three = IccChunks(p, 3);
    auto edited = [&](size_t at, uint8_t value) {
        std::vector<uint8_t> copy = p;
        copy[at] = value;
        return TChunks{IccChunk(1, 1, copy)};
    };
    std::vector<uint8_t> headerOnly(p.begin(), p.begin() + 100);
    headerOnly[2] = 0, headerOnly[3] = 100;
    const std::vector<uint8_t> over = TestIccProfile(MaxIccProfileBytes + 1);
    const std::pair<std::string, TChunks> cases[] = {
        {"a chunk missing", {three[0], three[2]}},
        {"a sequence number twice", {three[0], three[1], three[1], three[2]}},
        {"sequence number 0", {IccChunk(0, 3, {p.begin(), p.begin() + 300}), three[1], three[2]}},
        {"sequence number past the count", {three[0], three[1], IccChunk(4, 3, {p.begin() + 600, p.end()})}},
        {"counts that disagree", {three[0], IccChunk(2, 4, {p.begin() + 300, p.begin() + 600}), three[2]}},
        {"a count of 0", {IccChunk(1, 0, p)}},
        {"only empty chunks", {IccChunk(1, 2, {}), IccChunk(2, 2, {})}},
        {"a marker too short for its numbers", {std::vector<uint8_t>(three[0].begin(), three[0].begin() + 12)}},
        {"a size field larger than the chunks", edited(2, 0x04)},
        {"a size field smaller than the chunks", edited(3, 0x10)},
        {"no profile signature", edited(36, 'X')},
        {"shorter than a profile header", {IccChunk(1, 1, headerOnly)}},
        {"over a megabyte", IccChunks(over, 17)},
    };
    const std::vector<uint8_t> untagged = Tagged({})->Stream.Bytes();
    for (const auto& [name, chunks] : cases) {
        std::unique_ptr<TBatchResult> r;
        ASSERT_NO_THROW(r = Tagged(chunks)) << name;
        EXPECT_EQ(r->Stream.Bytes(), untagged) << name;
        EXPECT_TRUE(ProfileRead(r->Stream.Bytes()).empty()) << name;
    }
}

TEST_F(ColourProfile, UntaggedThumbnailsAreTheLibrarysPlainEncode)
{
    for (const TThumbnailSettings& s : Shapes) {
        auto plain = Tagged({}, s);
        EXPECT_EQ(plain->Stream.Bytes(), ReferenceEncode(*plain->Bitmap)) << s.Framed << s.Square;
        // A tagged picture's thumbnail differs only by its profile markers.
        auto tagged = Tagged(IccChunks(TestIccProfile(70000), 2), s);
        EXPECT_EQ(App2Payloads(tagged->Stream.Bytes()).size(), 2u);
        EXPECT_EQ(WithoutApp2(tagged->Stream.Bytes()), plain->Stream.Bytes()) << s.Framed << s.Square;
    }
}

TEST_F(ColourProfile, BatchAndPreviewPixelsStayIdentical)
{
    const TChunks chunks = IccChunks(TestIccProfile(588), 2);
    for (TJpegKind kind : {TJpegKind::Baseline, TJpegKind::Progressive})
        for (const TThumbnailSettings& s : Shapes) {
            WriteBytes(Dir.File("p.jpg"), MakeTaggedJpeg(900, 500, chunks, kind));
            auto batch = Batch(Dir.File("p.jpg"), s);
            auto preview = Preview(Dir.File("p.jpg"), s);
            ASSERT_NE(preview, nullptr);
            EXPECT_TRUE(SamePixels(*batch->Bitmap, *preview)) << int(kind) << s.Framed << s.Square;
        }
}

TEST(IccProfileCheck, WantsAWholeRgbHeader)
{
    const std::vector<uint8_t> p = TestIccProfile(132);
    EXPECT_TRUE(IsWholeRgbProfile(p.data(), p.size()));
    EXPECT_FALSE(IsWholeRgbProfile(nullptr, 0));
    EXPECT_FALSE(IsWholeRgbProfile(p.data(), 127));
    std::vector<uint8_t> lab = TestIccProfile(132, "Lab ");
    EXPECT_FALSE(IsWholeRgbProfile(lab.data(), lab.size()));
    const std::vector<uint8_t> huge = TestIccProfile(MaxIccProfileBytes + 1);  // its size field matches
    EXPECT_FALSE(IsWholeRgbProfile(huge.data(), huge.size()));
}
