// Arbitrary bytes as a picture file. The first byte picks the shape (plain,
// framed, square or preview) and the size; the rest is the file.

#include "Errors.h"
#include "FuzzScratch.h"
#include "JPEGImage.h"
#include "MemoryStream.h"
#include "ThumbnailRecipe.h"
#include "BitmapTools.h"

#include <unistd.h>

#include <memory>

namespace {

TThumbnailSettings SettingsFrom(uint8_t choice)
{
    TThumbnailSettings settings;
    settings.MaxSize = 50 + (choice >> 2) * 8;  // 50 .. 554
    settings.Framed = (choice & 3) == 1 || (choice & 3) == 2;
    settings.Square = (choice & 3) == 2;
    settings.FrameWidth = (choice >> 2) % 21;
    return settings;
}

void CheckThumbnail(const TBitmap& bitmap, const TThumbnailSettings& settings)
{
    const int32_t limit = settings.MaxSize + 2 * settings.FrameWidth + 2;
    if (bitmap.Width() <= 0 || bitmap.Height() <= 0 || bitmap.Width() > limit || bitmap.Height() > limit)
        FuzzFail("thumbnail of " + std::to_string(bitmap.Width()) + " x " + std::to_string(bitmap.Height()) +
                 " for size " + std::to_string(settings.MaxSize));
}

// The thumbnail carries exactly the profile the picture's own reading keeps.
void CheckProfile(const uint8_t* picture, size_t size, const TMemoryStream& thumbnail)
{
    TJPEGImage source, made;
    source.LoadFromBytes(std::vector<uint8_t>(picture, picture + size));
    made.LoadFromBytes(thumbnail.Bytes());
    if (made.IccProfile != source.IccProfile)
        FuzzFail("thumbnail profile of " + std::to_string(made.IccProfile.size()) + " bytes for one of " +
                 std::to_string(source.IccProfile.size()));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    const TThumbnailSettings settings = SettingsFrom(data[0]);
    const std::string path = FuzzScratchFolder() + "/input.jpg";
    WriteWholeFile(path, data + 1, size - 1);
    try {
        if ((data[0] & 3) == 3) {
            std::unique_ptr<TBitmap> slot;
            RenderPreviewBitmap(path, settings, slot);
            CheckThumbnail(*slot, settings);
        } else {
            auto work = NewBitmap24();
            TMemoryStream stream;
            RenderThumbnailJpeg(path, settings, *work, stream);
            if (stream.GetPosition() != 0)
                FuzzFail("encoded thumbnail stream is not rewound");
            // Every picture that decodes gives a thumbnail of at least one
            // pixel each way, so an empty one or an empty stream is a fault.
            if (stream.GetSize() == 0)
                FuzzFail("the thumbnail encoded to nothing");
            CheckThumbnail(*work, settings);
        }
    } catch (const Exception&) {
    }
    ::unlink(path.c_str());
    return 0;
}
