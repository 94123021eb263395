#include "Errors.h"
#include "JpegFixtures.h"
#include "PictureFixtures.h"
#include "decoders/HeifCodedSize.h"
#include "decoders/PictureDecoder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

#include <libheif/heif.h>

namespace {

void Put(std::vector<uint8_t>& out, uint64_t value, int bytes)
{
    for (int i = bytes - 1; i >= 0; --i)
        out.push_back(uint8_t(value >> (8 * i)));
}

std::vector<uint8_t> Box(const char* type, const std::vector<uint8_t>& content, int fullBoxVersion = -1)
{
    std::vector<uint8_t> out;
    const bool full = fullBoxVersion >= 0;
    Put(out, 8 + (full ? 4 : 0) + content.size(), 4);
    for (int i = 0; i < 4; ++i)
        out.push_back(uint8_t(type[i]));
    if (full)
        Put(out, uint64_t(fullBoxVersion) << 24, 4);
    out.insert(out.end(), content.begin(), content.end());
    return out;
}

std::vector<uint8_t> Joined(std::initializer_list<std::vector<uint8_t>> parts)
{
    std::vector<uint8_t> out;
    for (const auto& part : parts)
        out.insert(out.end(), part.begin(), part.end());
    return out;
}

// A file whose only item is a 24 x 16 grid that declares a canvas of
// width x height, its description kept in the idat box.
std::vector<uint8_t> GridFile(uint32_t width, uint32_t height)
{
    std::vector<uint8_t> grid{0, 1, 0, 0};  // version, 32-bit fields, one row, one column
    Put(grid, width, 4);
    Put(grid, height, 4);
    std::vector<uint8_t> pitm, infe, iloc;
    Put(pitm, 1, 2);
    Put(infe, 1, 2);
    Put(infe, 0, 2);
    for (const char c : std::string("grid"))
        infe.push_back(uint8_t(c));
    infe.push_back(0);
    iloc = {0x44, 0x00};  // 4-byte offsets and lengths, no base
    Put(iloc, 1, 2);      // one item
    Put(iloc, 1, 2);      // its id
    Put(iloc, 1, 2);      // construction method 1: in idat
    Put(iloc, 0, 2);      // data reference
    Put(iloc, 1, 2);      // one extent
    Put(iloc, 0, 4);
    Put(iloc, grid.size(), 4);
    std::vector<uint8_t> hdlr(4, 0);
    for (const char c : std::string("pict"))
        hdlr.push_back(uint8_t(c));
    hdlr.resize(hdlr.size() + 13, 0);
    std::vector<uint8_t> iinf;
    Put(iinf, 1, 2);
    const std::vector<uint8_t> infeBox = Box("infe", infe, 2);
    iinf.insert(iinf.end(), infeBox.begin(), infeBox.end());
    std::vector<uint8_t> ispe, ipma;
    Put(ispe, 24, 4);  // the picture claims to be small
    Put(ispe, 16, 4);
    Put(ipma, 1, 4);  // one entry: item 1 has property 1
    Put(ipma, 1, 2);
    Put(ipma, 1, 1);
    Put(ipma, 1, 1);
    const std::vector<uint8_t> iprp = Box("iprp", Joined({Box("ipco", Box("ispe", ispe, 0)), Box("ipma", ipma, 0)}));
    const std::vector<uint8_t> meta =
        Joined({Box("hdlr", hdlr, 0), Box("pitm", pitm, 0), Box("iinf", iinf, 0), Box("iloc", iloc, 1), iprp,
                Box("idat", grid)});
    return Joined({Box("ftyp", {'h', 'e', 'i', 'c', 0, 0, 0, 0, 'm', 'i', 'f', '1', 'h', 'e', 'i', 'c'}),
                   Box("meta", meta, 0)});
}

}  // namespace

// The primary item and its thumbnail items, as libheif names them.
std::vector<heif_item_id> ItemsOf(const std::vector<uint8_t>& file)
{
    std::unique_ptr<heif_context, decltype(&heif_context_free)> context(heif_context_alloc(), &heif_context_free);
    heif_item_id primary = 0;
    heif_image_handle* handle = nullptr;
    if (heif_context_read_from_memory_without_copy(context.get(), file.data(), file.size(), nullptr).code ||
        heif_context_get_primary_image_ID(context.get(), &primary).code ||
        heif_context_get_primary_image_handle(context.get(), &handle).code)
        return {};
    std::vector<heif_item_id> items(1 + size_t(heif_image_handle_get_number_of_thumbnails(handle)));
    items[0] = primary;
    heif_image_handle_get_list_of_thumbnail_IDs(handle, items.data() + 1, int(items.size() - 1));
    heif_image_handle_release(handle);
    return items;
}

TEST(HeifCodedSize, IsReadFromTheHevcAndAv1StreamsOfEachItem)
{
    const std::string& folder = PictureFixtureFolder();
    if (folder.empty() || !std::filesystem::exists(folder + "/plain.heic"))
        GTEST_SKIP() << "heif-enc cannot make the pictures here";
    for (const char* name : {"plain.heic", "plain.avif", "rotated.heic", "alpha.avif", "thumbnail.heic"}) {
        const std::vector<uint8_t> file = ReadBytes(folder + "/" + name);
        const std::vector<heif_item_id> items = ItemsOf(file);
        ASSERT_FALSE(items.empty()) << name;
        const TCodedSize size = CodedSizeOf(file, items[0]);
        // Encoders pad the coded picture to their block size, never much beyond.
        EXPECT_GE(size.Pixels(), 640u * 400u) << name;
        EXPECT_LE(size.Pixels(), 704u * 448u) << name;
    }
    const std::vector<uint8_t> file = ReadBytes(folder + "/thumbnail.heic");
    const std::vector<heif_item_id> items = ItemsOf(file);
    ASSERT_EQ(items.size(), 2u) << "thumbnail.heic holds one thumbnail image";
    const TCodedSize thumbnail = CodedSizeOf(file, items[1]);
    EXPECT_GE(thumbnail.Pixels(), 320u * 200u);
    EXPECT_LE(thumbnail.Pixels(), 384u * 256u);
    EXPECT_EQ(CodedSizeOf(file, 999).Pixels(), CodedSizeOf(file, items[0]).Pixels())
        << "an unknown item counts as the largest";
}

// A grid's canvas is made at the size the grid declares, whatever the picture claims.
TEST(HeifCodedSize, CountsTheCanvasOfAGrid)
{
    const TCodedSize size = CodedSizeOf(GridFile(28019, 26161), 1);
    EXPECT_EQ(size.Width, 28019u);
    EXPECT_EQ(size.Height, 26161u);
    EXPECT_EQ(CodedSizeOf(GridFile(640, 480), 1).Pixels(), 640u * 480u);
    try {
        HeifDecoder.Decode(GridFile(28019, 26161), {});
        FAIL() << "a grid of 733 million pixels was decoded";
    } catch (const Exception& e) {
        EXPECT_EQ(std::string(e.what()),
                  "cannot read HEIF picture: 28019 x 26161 pixels need more memory than one picture may take");
    }
}

TEST(HeifCodedSize, DamagedBoxesGiveNoSize)
{
    std::vector<uint8_t> grid = GridFile(640, 480);
    for (size_t cut = 0; cut < grid.size(); ++cut) {
        const std::vector<uint8_t> part(grid.begin(), grid.begin() + long(cut));
        EXPECT_LE(CodedSizeOf(part, 1).Pixels(), 640u * 480u) << "cut at " << cut;
    }
}
