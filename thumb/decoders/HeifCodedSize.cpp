#include "HeifCodedSize.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace {

class TBytes {
public:
    explicit TBytes(std::span<const uint8_t> data) : FData(data) {}
    size_t Size() const { return FData.size(); }
    bool Has(uint64_t at, uint64_t n) const { return at <= FData.size() && n <= FData.size() - at; }
    uint64_t Big(uint64_t at, int n) const
    {
        uint64_t v = 0;
        for (int i = 0; i < n; ++i)
            v = v << 8 | FData[at + i];
        return v;
    }
    std::span<const uint8_t> Part(uint64_t at, uint64_t n) const { return FData.subspan(at, n); }

private:
    std::span<const uint8_t> FData;
};

struct TBox {
    uint64_t Start = 0;    // of the content, after the header
    uint64_t End = 0;
    char Type[5] = "";
};

// The boxes between start and end; stops at the first that does not fit.
std::vector<TBox> BoxesIn(const TBytes& b, uint64_t start, uint64_t end)
{
    std::vector<TBox> boxes;
    for (uint64_t at = start; b.Has(at, 8) && at + 8 <= end;) {
        uint64_t size = b.Big(at, 4), header = 8;
        if (size == 1 && b.Has(at + 8, 8)) {
            size = b.Big(at + 8, 8);
            header = 16;
        } else if (size == 0) {
            size = end - at;
        }
        if (size < header || size > end - at)
            break;
        TBox box;
        box.Start = at + header;
        box.End = at + size;
        std::memcpy(box.Type, b.Part(at + 4, 4).data(), 4);
        boxes.push_back(box);
        at += size;
    }
    return boxes;
}

const TBox* Find(const std::vector<TBox>& boxes, const char* type)
{
    for (const TBox& box : boxes)
        if (std::strcmp(box.Type, type) == 0)
            return &box;
    return nullptr;
}

// Bits most significant first, reading zeros past the end.
class TBitReader {
public:
    explicit TBitReader(std::vector<uint8_t> data) : FData(std::move(data)) {}
    uint64_t Bits(int n)
    {
        uint64_t v = 0;
        for (int i = 0; i < n; ++i, ++FBit)
            v = v << 1 | (FBit / 8 < FData.size() ? (FData[FBit / 8] >> (7 - FBit % 8)) & 1 : 0);
        return v;
    }
    uint64_t ExpGolomb()
    {
        int zeros = 0;
        while (Bits(1) == 0 && zeros < 32)
            ++zeros;
        return zeros >= 32 ? UINT32_MAX : (uint64_t{1} << zeros) - 1 + Bits(zeros);
    }
    void Skip(int n) { FBit += size_t(n); }

private:
    std::vector<uint8_t> FData;
    size_t FBit = 0;
};

// An HEVC sequence parameter set without its emulation prevention bytes.
std::vector<uint8_t> Unescaped(std::span<const uint8_t> nal)
{
    std::vector<uint8_t> out;
    int zeros = 0;
    for (const uint8_t byte : nal) {
        if (zeros >= 2 && byte == 3) {
            zeros = 0;
            continue;
        }
        zeros = byte == 0 ? zeros + 1 : 0;
        out.push_back(byte);
    }
    return out;
}

TCodedSize SizeOfHevcSps(std::span<const uint8_t> nal)
{
    TBitReader r(Unescaped(nal));
    r.Skip(16 + 4);  // NAL header, parameter set id
    const int subLayers = int(r.Bits(3));
    r.Skip(1 + 96);  // nesting flag, general profile, tier and level
    std::vector<bool> profilePresent(static_cast<size_t>(subLayers)), levelPresent(static_cast<size_t>(subLayers));
    for (int i = 0; i < subLayers; ++i) {
        profilePresent[size_t(i)] = r.Bits(1);
        levelPresent[size_t(i)] = r.Bits(1);
    }
    if (subLayers > 0)
        r.Skip(2 * (8 - subLayers));
    for (int i = 0; i < subLayers; ++i)
        r.Skip((profilePresent[size_t(i)] ? 88 : 0) + (levelPresent[size_t(i)] ? 8 : 0));
    r.ExpGolomb();  // sequence parameter set id
    if (r.ExpGolomb() == 3)
        r.Skip(1);
    const uint64_t width = r.ExpGolomb();
    return {width, r.ExpGolomb()};
}

// The sequence parameter sets of an hvcC box.
TCodedSize SizeOfHvcC(const TBytes& b, const TBox& box)
{
    TCodedSize largest;
    uint64_t at = box.Start + 22;
    if (!b.Has(at, 1) || at >= box.End)
        return largest;
    const uint64_t arrays = b.Big(at++, 1);
    for (uint64_t a = 0; a < arrays && b.Has(at, 3) && at + 3 <= box.End; ++a) {
        const uint64_t type = b.Big(at, 1) & 0x3F, count = b.Big(at + 1, 2);
        at += 3;
        for (uint64_t n = 0; n < count && b.Has(at, 2); ++n) {
            const uint64_t length = b.Big(at, 2);
            if (!b.Has(at + 2, length) || at + 2 + length > box.End)
                return largest;
            if (type == 33)
                largest = std::max(largest, SizeOfHevcSps(b.Part(at + 2, length)));
            at += 2 + length;
        }
    }
    return largest;
}

uint64_t Leb128(const TBytes& b, uint64_t& at, uint64_t end)
{
    uint64_t value = 0;
    for (int i = 0; i < 8 && at < end && b.Has(at, 1); ++i) {
        const uint64_t byte = b.Big(at++, 1);
        value |= (byte & 0x7F) << (7 * i);
        if ((byte & 0x80) == 0)
            break;
    }
    return value;
}

void SkipTimingAndModel(TBitReader& r, bool& decoderModel, int& delayLength)
{
    if (r.Bits(1)) {  // timing info
        r.Skip(64);
        if (r.Bits(1)) {  // equal picture interval
            int zeros = 0;
            while (r.Bits(1) == 0 && zeros < 32)
                ++zeros;
            r.Skip(zeros);
        }
        decoderModel = r.Bits(1);
        if (decoderModel) {
            delayLength = int(r.Bits(5)) + 1;
            r.Skip(32 + 5 + 5);
        }
    }
}

TCodedSize SizeOfAv1SequenceHeader(std::span<const uint8_t> payload)
{
    TBitReader r(std::vector<uint8_t>(payload.begin(), payload.end()));
    r.Skip(3 + 1);  // profile, still picture
    if (r.Bits(1)) {  // reduced still picture header
        r.Skip(5);
    } else {
        bool decoderModel = false;
        int delayLength = 0;
        SkipTimingAndModel(r, decoderModel, delayLength);
        const bool displayDelay = r.Bits(1);
        const int points = int(r.Bits(5)) + 1;
        for (int i = 0; i < points; ++i) {
            r.Skip(12);
            if (r.Bits(5) > 7)
                r.Skip(1);
            if (decoderModel && r.Bits(1))
                r.Skip(2 * delayLength + 1);
            if (displayDelay && r.Bits(1))
                r.Skip(4);
        }
    }
    const int widthBits = int(r.Bits(4)) + 1, heightBits = int(r.Bits(4)) + 1;
    const uint64_t width = r.Bits(widthBits) + 1;
    return {width, r.Bits(heightBits) + 1};
}

// The sequence header among the OBUs of an AV1 item or configuration.
TCodedSize SizeOfAv1Obus(const TBytes& b, uint64_t at, uint64_t end)
{
    for (int obu = 0; obu < 8 && at < end && b.Has(at, 1); ++obu) {
        const uint64_t header = b.Big(at++, 1);
        if (header & 0x04)
            ++at;  // extension
        const uint64_t size = (header & 0x02) ? Leb128(b, at, end) : end - at;
        if (!b.Has(at, size) || at + size > end)
            break;
        if (((header >> 3) & 0x0F) == 1)
            return SizeOfAv1SequenceHeader(b.Part(at, size));
        at += size;
    }
    return {};
}

// Where each item's data starts and ends, in the file or in the idat box.
std::map<uint64_t, std::pair<uint64_t, uint64_t>> ItemExtents(const TBytes& b, const TBox& iloc, const TBox* idat)
{
    std::map<uint64_t, std::pair<uint64_t, uint64_t>> extents;
    uint64_t at = iloc.Start;
    if (!b.Has(at, 8))
        return extents;
    const uint64_t version = b.Big(at, 1);
    const int offsetSize = int(b.Big(at + 4, 1) >> 4), lengthSize = int(b.Big(at + 4, 1) & 15);
    const int baseSize = int(b.Big(at + 5, 1) >> 4), indexSize = version >= 1 ? int(b.Big(at + 5, 1) & 15) : 0;
    const int idSize = version == 2 ? 4 : 2;
    at += 6;
    const int countSize = version == 2 ? 4 : 2;
    if (!b.Has(at, uint64_t(countSize)) || version > 2)
        return extents;
    const uint64_t items = b.Big(at, countSize);
    at += uint64_t(countSize);
    for (uint64_t i = 0; i < items && at < iloc.End; ++i) {
        const uint64_t fixed = uint64_t(idSize) + (version >= 1 ? 2 : 0) + 2 + uint64_t(baseSize) + 2;
        if (!b.Has(at, fixed))
            break;
        const uint64_t id = b.Big(at, idSize);
        at += uint64_t(idSize);
        const uint64_t method = version >= 1 ? b.Big(at, 2) & 15 : 0;
        at += (version >= 1 ? 2 : 0) + 2;
        const uint64_t base = b.Big(at, baseSize);
        at += uint64_t(baseSize);
        const uint64_t count = b.Big(at, 2);
        at += 2;
        const uint64_t extentSize = uint64_t(indexSize + offsetSize + lengthSize);
        if (!b.Has(at, count * extentSize))
            break;
        if (count > 0 && (method == 0 || (method == 1 && idat))) {
            const uint64_t origin = method == 1 ? idat->Start : 0, end = method == 1 ? idat->End : b.Size();
            const uint64_t offset = origin + base + b.Big(at + uint64_t(indexSize), offsetSize);
            const uint64_t length = b.Big(at + uint64_t(indexSize + offsetSize), lengthSize);
            extents[id] = {offset, length == 0 || length > end - std::min(offset, end) ? end - std::min(offset, end)
                                                                                    : length};
        }
        at += count * extentSize;
    }
    return extents;
}

// Which properties (by index from 1) each item has.
std::map<uint64_t, std::vector<uint64_t>> ItemProperties(const TBytes& b, const TBox& ipma)
{
    std::map<uint64_t, std::vector<uint64_t>> properties;
    uint64_t at = ipma.Start;
    if (!b.Has(at, 8))
        return properties;
    const uint64_t version = b.Big(at, 1), flags = b.Big(at + 1, 3);
    const uint64_t entries = b.Big(at + 4, 4);
    at += 8;
    const int idSize = version < 1 ? 2 : 4, indexSize = (flags & 1) ? 2 : 1;
    for (uint64_t e = 0; e < entries && b.Has(at, uint64_t(idSize) + 1) && at < ipma.End; ++e) {
        const uint64_t id = b.Big(at, idSize);
        const uint64_t count = b.Big(at + uint64_t(idSize), 1);
        at += uint64_t(idSize) + 1;
        if (!b.Has(at, count * uint64_t(indexSize)))
            break;
        for (uint64_t k = 0; k < count; ++k, at += uint64_t(indexSize))
            properties[id].push_back(b.Big(at, indexSize) & (indexSize == 2 ? 0x7FFF : 0x7F));
    }
    return properties;
}

// The four-character type of each item, from the infe boxes that carry one.
std::map<uint64_t, std::string> ItemTypes(const TBytes& b, const TBox& iinf)
{
    std::map<uint64_t, std::string> types;
    if (!b.Has(iinf.Start, 6))
        return types;
    const uint64_t countSize = b.Big(iinf.Start, 1) == 0 ? 2 : 4;
    for (const TBox& infe : BoxesIn(b, iinf.Start + 4 + countSize, iinf.End)) {
        if (std::strcmp(infe.Type, "infe") != 0 || !b.Has(infe.Start, 4))
            continue;
        const uint64_t version = b.Big(infe.Start, 1), idSize = version >= 3 ? 4 : 2;
        const uint64_t typeAt = infe.Start + 4 + idSize + 2;
        if (version < 2 || !b.Has(typeAt, 4) || typeAt + 4 > infe.End)
            continue;
        const auto type = b.Part(typeAt, 4);
        types[b.Big(infe.Start + 4, int(idSize))] = std::string(type.begin(), type.end());
    }
    return types;
}

// The canvas a grid or overlay item is put together on.
TCodedSize SizeOfCanvas(const TBytes& b, const std::string& type, uint64_t at, uint64_t end)
{
    const uint64_t skip = type == "grid" ? 4 : 2 + 8;  // rows and columns, or the fill colour
    if (!b.Has(at, 2))
        return {};
    const int field = (b.Big(at + 1, 1) & 1) ? 4 : 2;
    if (!b.Has(at + skip, 2 * uint64_t(field)) || at + skip + 2 * uint64_t(field) > end)
        return {};
    return {b.Big(at + skip, field), b.Big(at + skip + uint64_t(field), field)};
}

// What the meta box tells of the items.
class TItems {
public:
    TItems(const TBytes& b, const TBox& meta) : FBytes(b)
    {
        const std::vector<TBox> parts = BoxesIn(b, meta.Start + 4, meta.End);
        if (const TBox* iloc = Find(parts, "iloc"))
            FExtents = ItemExtents(b, *iloc, Find(parts, "idat"));
        if (const TBox* iinf = Find(parts, "iinf"))
            FTypes = ItemTypes(b, *iinf);
        const TBox* iprp = Find(parts, "iprp");
        const std::vector<TBox> iprpParts = iprp ? BoxesIn(b, iprp->Start, iprp->End) : std::vector<TBox>{};
        if (const TBox* ipco = Find(iprpParts, "ipco"))
            FProperties = BoxesIn(b, ipco->Start, ipco->End);
        if (const TBox* ipma = Find(iprpParts, "ipma"))
            FAssociations = ItemProperties(b, *ipma);
    }

    // An item's own coded stream; a grid or overlay is counted at its canvas
    // and at the largest stream of the file, since its tiles are decoded
    // one by one. An item whose stream cannot be told is counted at the
    // largest of the file.
    TCodedSize SizeOf(uint64_t item) const
    {
        const auto type = FTypes.find(item);
        if (type != FTypes.end() && IsComposed(type->second))
            return std::max(CanvasOf(item, type->second), Largest());
        const TCodedSize own = StreamOf(item);
        return own.Pixels() > 0 ? own : Largest();
    }

    // The largest stream or canvas of the file.
    TCodedSize Largest() const
    {
        TCodedSize largest;
        for (const TBox& p : FProperties)
            largest = std::max(largest, SizeOfConfiguration(p));
        for (const auto& [item, indexes] : FAssociations)
            largest = std::max(largest, StreamOf(item));
        for (const auto& [item, type] : FTypes)
            if (IsComposed(type))
                largest = std::max(largest, CanvasOf(item, type));
        return largest;
    }

private:
    static bool IsComposed(const std::string& type) { return type == "grid" || type == "iovl"; }

    TCodedSize CanvasOf(uint64_t item, const std::string& type) const
    {
        const auto extent = FExtents.find(item);
        if (extent == FExtents.end())
            return {};
        return SizeOfCanvas(FBytes, type, extent->second.first, extent->second.first + extent->second.second);
    }

    TCodedSize SizeOfConfiguration(const TBox& p) const
    {
        if (std::strcmp(p.Type, "hvcC") == 0)
            return SizeOfHvcC(FBytes, p);
        if (std::strcmp(p.Type, "av1C") == 0)
            return SizeOfAv1Obus(FBytes, p.Start + 4, p.End);
        return {};
    }

    TCodedSize StreamOf(uint64_t item) const
    {
        TCodedSize largest;
        const auto associations = FAssociations.find(item);
        if (associations == FAssociations.end())
            return largest;
        for (const uint64_t index : associations->second) {
            if (index < 1 || index > FProperties.size())
                continue;
            const TBox& p = FProperties[index - 1];
            largest = std::max(largest, SizeOfConfiguration(p));
            // AV1 keeps its sequence header in the item's own data, seldom in av1C.
            const auto extent = FExtents.find(item);
            if (std::strcmp(p.Type, "av1C") == 0 && extent != FExtents.end())
                largest = std::max(largest, SizeOfAv1Obus(FBytes, extent->second.first,
                                                          extent->second.first + extent->second.second));
        }
        return largest;
    }

    const TBytes& FBytes;
    std::map<uint64_t, std::pair<uint64_t, uint64_t>> FExtents;
    std::map<uint64_t, std::string> FTypes;
    std::vector<TBox> FProperties;
    std::map<uint64_t, std::vector<uint64_t>> FAssociations;
};

}  // namespace

TCodedSize CodedSizeOf(std::span<const uint8_t> file, uint64_t item)
{
    const TBytes b(file);
    const std::vector<TBox> top = BoxesIn(b, 0, b.Size());
    const TBox* meta = Find(top, "meta");
    return meta ? TItems(b, *meta).SizeOf(item) : TCodedSize{};
}
