#pragma once
// A picture's file, read in pieces. A decoder that streams (JPEG) holds one
// piece at a time; one that needs the whole file takes it through ReadAll,
// which refuses a file above the cap before reading a byte. Between pieces
// the stop is asked, so a large file is given up as quickly as a slow decode.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class TFileStream;
class TRenderStop;

class TPictureFile {
public:
    // Opens an existing regular file; throws EFOpenError with the system's reason.
    explicit TPictureFile(const std::string& fileName);
    ~TPictureFile();
    TPictureFile(const TPictureFile&) = delete;
    TPictureFile& operator=(const TPictureFile&) = delete;

    const std::string& FileName() const { return FFileName; }
    int64_t Size() const { return FSize; }
    // Asked before every piece; EPictureGivenUp once it gives up.
    const TRenderStop* Stop = nullptr;

    // Up to count bytes from the current position; 0 at the end.
    size_t Read(uint8_t* buffer, size_t count);
    void Rewind();
    // The first count bytes, or the whole file when it is shorter.
    std::vector<uint8_t> ReadPrefix(size_t count);
    // The whole file from its start. A file larger than cap bytes fails with a
    // message naming its size, before anything is read.
    std::vector<uint8_t> ReadAll(int64_t cap);

private:
    std::string FFileName;
    std::unique_ptr<TFileStream> FFile;
    int64_t FSize = 0;
};
