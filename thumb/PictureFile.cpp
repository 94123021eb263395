#include "PictureFile.h"

#include "Errors.h"
#include "FileStream.h"
#include "RenderStop.h"

#include <algorithm>

namespace {

constexpr size_t PieceBytes = 1 << 20;

std::string Megabytes(int64_t bytes)
{
    return std::to_string((bytes + (1 << 20) - 1) >> 20) + " MB";
}

}  // namespace

TPictureFile::TPictureFile(const std::string& fileName)
    : FFileName(fileName), FFile(std::make_unique<TFileStream>(fileName, fmOpenRead | fmShareDenyWrite)),
      FSize(FFile->GetSize())
{
}

TPictureFile::~TPictureFile() = default;

size_t TPictureFile::Read(uint8_t* buffer, size_t count)
{
    if (Stop)
        Stop->ThrowIfGivenUp();
    return static_cast<size_t>(FFile->Read(buffer, static_cast<int64_t>(count)));
}

void TPictureFile::Rewind()
{
    FFile->SetPosition(0);
}

std::vector<uint8_t> TPictureFile::ReadPrefix(size_t count)
{
    Rewind();
    std::vector<uint8_t> bytes(static_cast<size_t>(std::min<int64_t>(FSize, static_cast<int64_t>(count))));
    size_t done = 0;
    while (done < bytes.size()) {
        const size_t got = Read(bytes.data() + done, bytes.size() - done);
        if (got == 0)
            break;
        done += got;
    }
    bytes.resize(done);
    return bytes;
}

std::vector<uint8_t> TPictureFile::ReadAll(int64_t cap)
{
    if (FSize > cap)
        throw Exception("Cannot read file \"" + FFileName + "\". It holds " + Megabytes(FSize) +
                        ", more than the " + Megabytes(cap) + " a picture may take.");
    Rewind();
    std::vector<uint8_t> bytes(static_cast<size_t>(FSize));
    size_t done = 0;
    while (done < bytes.size()) {
        const size_t got = Read(bytes.data() + done, std::min(PieceBytes, bytes.size() - done));
        if (got == 0)
            break;  // cut short since it was opened: what is there is the picture
        done += got;
    }
    bytes.resize(done);
    return bytes;
}
