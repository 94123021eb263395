#include "SpanStream.h"

#include "Errors.h"

TSpanStream::TSpanStream(const std::string& fileName, uint16_t mode, TMediaType mediaType,
                             int32_t threshold)
    : FFile(std::make_unique<TFileStream>(fileName, mode)),
      FMediaType(mediaType),
      FThreshold(threshold),
      FIsWriting(mode == fmCreate || (mode & 1) != 0)
{
}

int64_t TSpanStream::Read(void* buffer, int64_t count)
{
    return FFile->Read(buffer, count);
}

int64_t TSpanStream::Write(const void* buffer, int64_t count)
{
    return FIsWriting ? FFile->Write(buffer, count) : 0;
}

int64_t TSpanStream::Seek(int64_t offset, int origin)
{
    const int64_t current = FFile->Seek(0, soFromCurrent);
    if (FIsWriting)
        return current;
    const int64_t size = FFile->GetSize();
    int64_t target = offset;
    if (origin == soFromCurrent)
        target = current + offset;
    else if (origin == soFromEnd)
        target = size + offset;
    if (target < 0 || target > size)
        return current;
    return FFile->Seek(target, soFromBeginning);
}

void TSpanStream::SetSize(int64_t newSize)
{
    if (!FIsWriting)
        throw EWriteError();
    FFile->SetSize(newSize);
}

int64_t TSpanStream::GetSize()
{
    return FFile->GetSize();
}
