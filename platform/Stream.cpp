#include "Stream.h"

#include "Errors.h"

#include <algorithm>
#include <vector>

int64_t TStream::GetSize()
{
    const int64_t pos = Seek(0, soFromCurrent);
    const int64_t size = Seek(0, soFromEnd);
    Seek(pos, soFromBeginning);
    return size;
}

void TStream::ReadBuffer(void* buffer, int64_t count)
{
    if (count != 0 && Read(buffer, count) != count)
        throw EReadError();
}

void TStream::WriteBuffer(const void* buffer, int64_t count)
{
    if (count != 0 && Write(buffer, count) != count)
        throw EWriteError();
}

int64_t TStream::CopyFrom(TStream& source, int64_t count)
{
    if (count == 0) {
        source.SetPosition(0);
        count = source.GetSize();
    }
    constexpr int64_t kChunk = 61440;
    std::vector<char> buf(static_cast<size_t>(std::min(count, kChunk)));
    int64_t left = count;
    while (left > 0) {
        const int64_t n = std::min(left, kChunk);
        source.ReadBuffer(buf.data(), n);
        WriteBuffer(buf.data(), n);
        left -= n;
    }
    return count;
}
