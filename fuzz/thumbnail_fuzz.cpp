// Arbitrary bytes as a picture file. The first byte picks the shape (plain,
// framed, square or preview) and the size; the rest is the file.

#include "Errors.h"
#include "FuzzScratch.h"
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
            if (!slot->Empty())
                CheckThumbnail(*slot, settings);
        } else {
            auto work = NewBitmap24();
            TMemoryStream stream;
            RenderThumbnailJpeg(path, settings, *work, stream);
            if (stream.GetPosition() != 0)
                FuzzFail("encoded thumbnail stream is not rewound");
            // A plain thumbnail whose short side rounds to 0 is empty and
            // encodes to nothing; anything else must encode to something.
            if (work->Empty() != (stream.GetSize() == 0))
                FuzzFail("encoded bytes do not match the thumbnail's emptiness");
            if (!work->Empty())
                CheckThumbnail(*work, settings);
        }
    } catch (const Exception&) {
    }
    ::unlink(path.c_str());
    return 0;
}
