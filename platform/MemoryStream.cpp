#include "MemoryStream.h"

#include "FileStream.h"

#include <algorithm>
#include <cstring>

int64_t TMemoryStream::Read(void* buffer, int64_t count)
{
    const int64_t avail = GetSize() - FPosition;
    const int64_t n = std::max<int64_t>(0, std::min(count, avail));
    if (n > 0)
        std::memcpy(buffer, FData.data() + FPosition, static_cast<size_t>(n));
    FPosition += n;
    return n;
}

int64_t TMemoryStream::Write(const void* buffer, int64_t count)
{
    if (count <= 0 || FPosition < 0)
        return 0;
    const int64_t end = FPosition + count;
    if (end > GetSize())
        FData.resize(static_cast<size_t>(end));
    std::memcpy(FData.data() + FPosition, buffer, static_cast<size_t>(count));
    FPosition = end;
    return count;
}

int64_t TMemoryStream::Seek(int64_t offset, int origin)
{
    switch (origin) {
    case soFromBeginning: FPosition = offset; break;
    case soFromCurrent: FPosition += offset; break;
    case soFromEnd: FPosition = GetSize() + offset; break;
    default: break;
    }
    return FPosition;
}

void TMemoryStream::SetSize(int64_t newSize)
{
    FData.resize(static_cast<size_t>(std::max<int64_t>(0, newSize)));
    FPosition = std::min(FPosition, GetSize());
}

void TMemoryStream::Clear()
{
    FData.clear();
    FData.shrink_to_fit();
    FPosition = 0;
}

void TMemoryStream::LoadFromFile(const std::string& path)
{
    TFileStream file(path, fmOpenRead | fmShareDenyWrite);
    const int64_t size = file.GetSize();
    FData.resize(static_cast<size_t>(size));
    file.ReadBuffer(FData.data(), size);
    FPosition = 0;
}

void TMemoryStream::SaveToFile(const std::string& path) const
{
    TFileStream file(path, fmCreate);
    file.WriteBuffer(FData.data(), static_cast<int64_t>(FData.size()));
}
