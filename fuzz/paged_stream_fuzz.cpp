// The paged stream under arbitrary sequences of writes, reads, seeks, size
// changes and memory limits, against a plain byte vector doing the same.
// A few pages of memory at most, so pages move through the swap file.

#include "ArchiveErrors.h"
#include "PagedStream.h"
#include "FuzzScratch.h"

#include <unistd.h>

#include <algorithm>
#include <climits>
#include <vector>

namespace {

constexpr int64_t PositionRange = 1 << 20;

class TOpReader {
public:
    TOpReader(const uint8_t* data, size_t size) : FData(data), FSize(size) {}
    bool AtEnd() const { return FAt >= FSize; }
    uint32_t Next(int bytes)
    {
        uint32_t value = 0;
        for (int i = 0; i < bytes; ++i)
            value = value << 8 | (FAt < FSize ? FData[FAt++] : 0);
        return value;
    }

private:
    const uint8_t* FData;
    size_t FSize;
    size_t FAt = 0;
};

// The stream as it ought to behave.
struct TModel {
    std::vector<uint8_t> Bytes;
    int64_t Position = 0;
};

int64_t Clamp32(int64_t v) { return std::clamp<int64_t>(v, INT32_MIN, INT32_MAX); }

void Expect(bool ok, const char* what)
{
    if (!ok)
        FuzzFail(what);
}

void DoWrite(TVirtualMemoryStream& stream, TModel& model, uint32_t count, uint8_t seed)
{
    std::vector<uint8_t> buffer(count);
    for (uint32_t i = 0; i < count; ++i)
        buffer[i] = static_cast<uint8_t>(seed + i * 31);
    const int64_t written = stream.Write(buffer.data(), count);
    if (model.Position < 0 || count == 0) {
        Expect(written == 0, "write outside the stream wrote something");
        return;
    }
    Expect(written == count, "short write");
    const auto end = static_cast<size_t>(model.Position) + count;
    if (model.Bytes.size() < end)
        model.Bytes.resize(end, 0);
    std::copy(buffer.begin(), buffer.end(), model.Bytes.begin() + model.Position);
    model.Position += count;
}

void DoRead(TVirtualMemoryStream& stream, TModel& model, uint32_t count)
{
    std::vector<uint8_t> buffer(count + 1, 0xEE);
    const int64_t got = stream.Read(buffer.data(), count);
    const int64_t size = static_cast<int64_t>(model.Bytes.size());
    const int64_t wanted = model.Position < 0 ? 0 : std::max<int64_t>(0, std::min<int64_t>(count, size - model.Position));
    Expect(got == wanted, "read returned another count");
    Expect(buffer[count] == 0xEE, "read wrote past its count");
    if (wanted > 0)
        Expect(std::equal(buffer.begin(), buffer.begin() + wanted, model.Bytes.begin() + model.Position),
               "read other bytes than were written");
    model.Position += wanted;
}

void DoSeek(TVirtualMemoryStream& stream, TModel& model, int64_t offset, int origin)
{
    if (origin > 2) {
        bool refused = false;
        try {
            stream.Seek(offset, origin);
        } catch (const EArchiveException&) {
            refused = true;
        }
        Expect(refused, "seek with a bad origin was taken");
        return;
    }
    const int64_t base = origin == 0 ? 0 : origin == 1 ? model.Position : static_cast<int64_t>(model.Bytes.size());
    model.Position = Clamp32(base + offset);
    Expect(stream.Seek(offset, origin) == model.Position, "seek landed elsewhere");
}

void DoSetSize(TVirtualMemoryStream& stream, TModel& model, int64_t size)
{
    stream.SetSize(size);
    const auto newSize = static_cast<size_t>(std::max<int64_t>(0, size));
    model.Bytes.resize(newSize, 0);
    model.Position = std::min<int64_t>(model.Position, static_cast<int64_t>(newSize));
}

void CheckWhole(TVirtualMemoryStream& stream, const TModel& model)
{
    Expect(stream.GetSize() == static_cast<int64_t>(model.Bytes.size()), "size differs");
    Expect(stream.GetPosition() == model.Position, "position differs");
    std::vector<uint8_t> all(model.Bytes.size());
    stream.Seek(0, 0);
    Expect(stream.Read(all.data(), static_cast<int64_t>(all.size())) == static_cast<int64_t>(all.size()),
           "whole stream does not read back");
    Expect(all == model.Bytes, "stream content differs");
}

void RunOps(TVirtualMemoryStream& stream, TOpReader& ops)
{
    TModel model;
    while (!ops.AtEnd()) {
        switch (ops.Next(1) % 6) {
        case 0: {
            const uint32_t count = ops.Next(2) % 20000;
            DoWrite(stream, model, count, static_cast<uint8_t>(ops.Next(1)));
            break;
        }
        case 1:
            DoRead(stream, model, ops.Next(2) % 20000);
            break;
        case 2: {
            const uint32_t raw = ops.Next(3);
            DoSeek(stream, model, static_cast<int64_t>(raw % (2 * PositionRange)) - PositionRange,
                   static_cast<int>(ops.Next(1) % 4));
            break;
        }
        case 3:
            DoSetSize(stream, model, static_cast<int64_t>(ops.Next(3) % (PositionRange + 4096)) - 4096);
            break;
        case 4:
            stream.SetMaxMemory(static_cast<int32_t>(ops.Next(2) % (4 * VMSPageSize + 1)));
            break;
        default:
            Expect(stream.GetSize() == static_cast<int64_t>(model.Bytes.size()), "size differs");
            Expect(stream.GetPosition() == model.Position, "position differs");
            break;
        }
    }
    CheckWhole(stream, model);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    TOpReader ops(data, size);
    std::string swapName;
    {
        TVirtualMemoryStream stream;
        stream.SetSwapFileDirectory(FuzzScratchFolder());
        stream.SetMaxMemory(VMSPageSize * 2);
        RunOps(stream, ops);
        swapName = stream.SwapFileName();
    }
    if (!swapName.empty() && ::access(swapName.c_str(), F_OK) == 0)
        FuzzFail("swap file left behind: " + swapName);
    return 0;
}
