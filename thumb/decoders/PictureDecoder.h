#pragma once
// Every kind of picture other than JPEG is read by a decoder of one shape: it
// tells from a file's bytes whether the file is its kind, and decodes it to a
// bitmap no smaller than twice the thumbnail size where the picture allows,
// with the colour profile to carry and the orientation still to apply.

#include "Bitmap.h"
#include "DecodeBudget.h"
#include "Errors.h"
#include "PictureKinds.h"

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

class TRenderStop;

struct TDecodeRequest {
    int32_t MaxSize = 200;      // the thumbnail's longer side
    TColor Background = 16053492;  // what transparent pixels are laid on
};

struct TDecodedPicture {
    std::unique_ptr<TBitmap> Bitmap;  // 24-bit, or 8-bit grey with a grey palette
    std::vector<uint8_t> IccProfile;  // a whole RGB profile, or empty
    int Orientation = 1;              // 1..8 as in Exif, still to apply
    std::unique_ptr<TDecodeRoom> Room;  // the decode's share of the budget, held until the thumbnail is made
};

struct TPictureDecoder {
    TPictureKind Kind;
    const char* Name;  // as messages call the kind: "PNG"
    bool (*Holds)(std::span<const uint8_t> file);
    TDecodedPicture (*Decode)(std::span<const uint8_t> file, const TDecodeRequest& request);
};

extern const TPictureDecoder HeifDecoder;
extern const TPictureDecoder AvifDecoder;
extern const TPictureDecoder PngDecoder;
extern const TPictureDecoder WebpDecoder;
extern const TPictureDecoder RawDecoder;
extern const TPictureDecoder TiffDecoder;

// In the order their tests are asked: RAW before TIFF, whose header most RAW kinds share.
std::span<const TPictureDecoder* const> PictureDecoders();
// The decoder of a kind; nullptr for JPEG and unknown kinds.
const TPictureDecoder* DecoderOfKind(TPictureKind kind);
// The decoder for what the file holds; where no kind knows the bytes, the one
// its name stands for. nullptr means the JPEG path, whose errors say the rest.
const TPictureDecoder* DecoderFor(std::span<const uint8_t> file, std::string_view fileName);

// "cannot read PNG picture: reason"
class EPictureError : public Exception {
public:
    EPictureError(const char* kindName, const std::string& reason)
        : Exception(std::string("cannot read ") + kindName + " picture: " + reason) {}
};

// What the recipe tells a decoder running on its thread: the room it took
// for the file's bytes (and for the rest of the decode, after a first try had
// to wait), and the stop to answer while decoding.
class TDecodeScope {
public:
    TDecodeScope(int64_t fileBytes, int64_t restBytes, const TRenderStop* stop);
    ~TDecodeScope();
    TDecodeScope(const TDecodeScope&) = delete;
    TDecodeScope& operator=(const TDecodeScope&) = delete;

    static const TDecodeScope* Current();
    const int64_t FileBytes;
    const int64_t RestBytes;
    const TRenderStop* const Stop;

private:
    const TDecodeScope* const FOuter;
};

// Thrown inside a scope when the decode needs room beyond what the scope took
// and it is not free at once: the recipe lets the file's bytes go, waits for
// room for all of it and decodes again. Never reaches a user.
struct EDecodeRoomWanted {
    int64_t Bytes;  // beyond the file's bytes
};

// Gives the picture up (EPictureGivenUp) once the stop of the scope says so;
// decoders ask between rows.
void ThrowIfGivenUp();
// The stop of the scope, for a decoder that hands it on; nullptr outside one.
const TRenderStop* ScopeStop();

// Refuses a picture whose decoding needs more than one picture may hold, with
// its size in the message; otherwise waits for the room and keeps it in picture.
// bytes include the file's; within a scope only the rest is taken.
void ReserveDecodeMemory(TDecodedPicture& picture, const char* kindName, int64_t width, int64_t height,
                         int64_t bytes);
// Refuses, with the same message, a picture whose pixels alone at bytesPerPixel
// exceed that; sides that pass keep every later size sum within 64 bits.
void RefuseOversizedPicture(const char* kindName, uint64_t width, uint64_t height, uint64_t bytesPerPixel);

// The decoded picture and the copies shaping makes of it, at 3 bytes a pixel.
int64_t ShapingBytes(int64_t width, int64_t height);

// The whole-number factor a decoder without scaling of its own shrinks by
// while reading: the largest that leaves at least twice the thumbnail size.
int ShrinkFactor(int64_t width, int64_t height, int32_t maxSize);
// A side after shrinking by factor; a partial last block still makes a pixel.
int32_t ShrunkSide(int64_t side, int factor);
