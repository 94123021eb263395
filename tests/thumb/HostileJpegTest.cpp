// Files made to keep a decoder busy: thousands of markers or scans. What the
// recipe reads of the markers must stay what libjpeg's own marker saving
// gives, and a progression no encoder writes must fail instead of running on.

#include "RecipeTestSupport.h"

#include "CraftedJpeg.h"
#include "ExifOrientation.h"
#include "IccProfile.h"
#include "JpegCodec.h"
#include "JpegErrors.h"

#include <gtest/gtest.h>

#include <csetjmp>
#include <string>

#include <jerror.h>

namespace {

using TPayloads = std::vector<std::vector<uint8_t>>;

// The marker segment for each payload, put after the start marker in order.
std::vector<uint8_t> WithMarkers(const std::vector<uint8_t>& jpeg, const std::vector<std::pair<uint8_t, std::vector<uint8_t>>>& markers)
{
    std::vector<uint8_t> out(jpeg.begin(), jpeg.begin() + 2);
    for (const auto& [code, payload] : markers) {
        const size_t length = payload.size() + 2;
        out.insert(out.end(), {0xFF, code, uint8_t(length >> 8), uint8_t(length)});
        out.insert(out.end(), payload.begin(), payload.end());
    }
    out.insert(out.end(), jpeg.begin() + 2, jpeg.end());
    return out;
}

struct TReading {
    int Code = 0;
    int Orientation = 1;
    std::vector<uint8_t> Profile;
    bool operator==(const TReading&) const = default;
};

struct TTrap {
    jpeg_error_mgr Manager;
    std::jmp_buf Jump;
};

void Leave(j_common_ptr info)
{
    std::longjmp(reinterpret_cast<TTrap*>(info->err)->Jump, 1);
}

void Quiet(j_common_ptr, int) {}

// libjpeg's own saving of every APP1 and APP2 marker, the way the recipe read
// headers before: the first Exif block and the profile from jpeg_read_icc_profile.
TReading LibjpegReading(const std::vector<uint8_t>& bytes)
{
    TReading reading;
    TTrap trap;
    jpeg_decompress_struct info{};
    info.err = jpeg_std_error(&trap.Manager);
    trap.Manager.error_exit = Leave;
    trap.Manager.emit_message = Quiet;
    jpeg_create_decompress(&info);
    JOCTET* profile = nullptr;
    unsigned length = 0;
    if (setjmp(trap.Jump) == 0) {
        jpeg_mem_src(&info, bytes.data(), static_cast<unsigned long>(bytes.size()));
        jpeg_save_markers(&info, JPEG_APP0 + 1, 0xFFFF);
        jpeg_save_markers(&info, JPEG_APP0 + 2, 0xFFFF);
        jpeg_read_header(&info, TRUE);
        for (jpeg_saved_marker_ptr m = info.marker_list; m; m = m->next)
            if (m->marker == JPEG_APP0 + 1 && m->data_length >= 6 && std::memcmp(m->data, "Exif\0\0", 6) == 0) {
                reading.Orientation = ExifOrientationOf(m->data, m->data_length);
                break;
            }
        if (info.num_components == 3 && jpeg_read_icc_profile(&info, &profile, &length) &&
            IsWholeRgbProfile(profile, length))
            reading.Profile.assign(profile, profile + length);
    } else {
        reading.Code = trap.Manager.msg_code;
    }
    std::free(profile);
    jpeg_destroy_decompress(&info);
    return reading;
}

TReading OurReading(const std::vector<uint8_t>& bytes)
{
    TReading reading;
    try {
        TJPEGImage image;
        image.LoadFromBytes(bytes);
        reading.Orientation = image.ExifOrientation();
        reading.Profile = image.IccProfile;
    } catch (const EJPEG& e) {
        reading.Code = e.Code();
    }
    return reading;
}

std::string DecodeFailure(const std::vector<uint8_t>& bytes)
{
    try {
        DecodeBytes(bytes);
    } catch (const EJPEG& e) {
        return e.Message();
    }
    return "decoded";
}

}  // namespace

TEST(HostileMarkers, RecipeReadsWhatLibjpegsOwnSavingReads)
{
    const std::vector<uint8_t> jpeg = MakeTestJpeg(48, 32);
    const std::vector<uint8_t> p = TestIccProfile(5000);
    const TPayloads three = IccChunks(p, 3);
    const std::vector<uint8_t> xmp = {'h', 't', 't', 'p', ':', '/', '/', 'n', 's', 0};
    const std::vector<uint8_t> exif6 = ExifOrientationPayload(6), exif3 = ExifOrientationPayload(3, true);
    const std::vector<uint8_t> icc = {'I', 'C', 'C', '_', 'P', 'R', 'O', 'F', 'I', 'L', 'E', 0};
    struct TCase {
        const char* Name;
        std::vector<std::pair<uint8_t, std::vector<uint8_t>>> Markers;
    };
    std::vector<TCase> cases = {
        {"nothing", {}},
        {"XMP before Exif, a second Exif after",
         {{0xE1, xmp}, {0xE1, exif6}, {0xE1, exif3}, {0xE2, three[0]}, {0xE2, three[1]}, {0xE2, three[2]}}},
        {"Exif shorter than its header", {{0xE1, {'E', 'x', 'i', 'f', 0}}, {0xE1, exif3}}},
        {"profile chunks among other APP2 markers, out of order",
         {{0xE2, three[2]}, {0xE2, {'M', 'P', 'F', 0}}, {0xE2, three[0]}, {0xE2, icc}, {0xE2, three[1]}}},
        {"a chunk twice", {{0xE2, three[0]}, {0xE2, three[1]}, {0xE2, three[1]}, {0xE2, three[2]}}},
        {"a bare identifier is no chunk", {{0xE2, IccChunk(1, 1, p)}, {0xE2, icc}}},
        {"an empty chunk beside a whole one", {{0xE2, IccChunk(1, 2, p)}, {0xE2, IccChunk(2, 2, {})}}},
    };
    TCase many{"a thousand empty APP1 and APP2 markers around the real ones", {}};
    for (int i = 0; i < 1000; ++i)
        many.Markers.push_back({uint8_t(i % 2 ? 0xE1 : 0xE2), {}});
    many.Markers.insert(many.Markers.begin() + 500, {{0xE1, exif6}, {0xE2, three[0]}, {0xE2, three[1]}});
    many.Markers.push_back({0xE2, three[2]});
    cases.push_back(many);
    TCase chunks{"256 chunks, so one sequence number comes twice", {}};
    for (int i = 1; i <= 256; ++i)
        chunks.Markers.push_back({0xE2, IccChunk(i > 255 ? 1 : i, 255, i == 1 ? p : std::vector<uint8_t>{})});
    cases.push_back(chunks);

    const TReading manyExpected = LibjpegReading(WithMarkers(jpeg, many.Markers));
    ASSERT_EQ(manyExpected.Orientation, 6);
    ASSERT_EQ(manyExpected.Profile, p) << "the comparison must cover a kept profile";

    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        const std::vector<uint8_t> bytes = WithMarkers(jpeg, c.Markers);
        const TReading expected = LibjpegReading(bytes);
        EXPECT_EQ(OurReading(bytes), expected);
        // Cut inside the markers, the same bytes are read before the header fails.
        for (size_t cut : {bytes.size() / 3, bytes.size() / 2}) {
            const std::vector<uint8_t> shorter(bytes.begin(), bytes.begin() + cut);
            EXPECT_EQ(OurReading(shorter), LibjpegReading(shorter)) << "cut at " << cut;
        }
    }
}

TEST(HostileMarkers, ManyEmptyApp1MarkersStillGiveTheThumbnailAndItsOrientation)
{
    const std::vector<uint8_t> tagged = WithApp1(MakeTestJpeg(48, 32), ExifOrientationPayload(6));
    const std::vector<uint8_t> bytes = WithEmptyApp1Markers(tagged, 300000);
    TJPEGImage image;
    image.LoadFromBytes(bytes);
    EXPECT_EQ(image.ExifOrientation(), 6);
    EXPECT_EQ(image.Bitmap().Width(), 48);
}

TEST(HostileScans, ScansUpToTheLimitDecodeAndOneMoreFails)
{
    const std::vector<uint8_t> atLimit = CraftedGreyProgressive(16, 16, LongProgression(MaxJpegScans));
    const std::unique_ptr<TBitmap> grey = DecodeBytes(atLimit);
    ASSERT_EQ(grey->Width(), 16);
    EXPECT_NEAR(RedOf(PixelAt(*grey, 8, 8)), 128, 1) << "all coefficients 0: mid-grey";

    const std::vector<uint8_t> over = CraftedGreyProgressive(16, 16, LongProgression(MaxJpegScans + 1));
    EXPECT_EQ(DecodeFailure(over), "JPEG error: more than 500 scans");
}

TEST(HostileScans, ProgressionsNoEncoderWritesFailAtOnce)
{
    const std::string inconsistent = "JPEG error #" + std::to_string(JWRN_BOGUS_PROGRESSION);
    struct TCase {
        const char* Name;
        std::vector<TScanLayout> Scans;
    };
    const std::vector<TCase> cases = {
        {"an AC first pass repeated", RepeatedAcScan(3)},
        {"the DC first pass repeated", {{0, 0, 0, 0}, {0, 0, 0, 0}}},
        {"bands that overlap", {{0, 0, 0, 0}, {1, 10, 0, 0}, {5, 63, 0, 0}}},
        {"a refinement of a bit not yet sent", {{0, 0, 0, 1}, {1, 63, 0, 1}, {1, 63, 2, 1}}},
        {"AC before DC", {{1, 63, 0, 0}, {0, 0, 0, 0}}},
    };
    for (const TCase& c : cases)
        EXPECT_EQ(DecodeFailure(CraftedGreyProgressive(64, 64, c.Scans)), inconsistent) << c.Name;

    const std::vector<TScanLayout> valid = {{0, 0, 0, 1}, {1, 5, 0, 2}, {6, 63, 0, 2}, {1, 63, 2, 1}, {0, 0, 1, 0},
                                          {1, 63, 1, 0}};
    EXPECT_EQ(DecodeFailure(CraftedGreyProgressive(64, 64, valid)), "decoded") << "a progression as encoders write";
}
