#include "ArchiveDetect.h"

#include "ZipRecords.h"
#include "FileStream.h"
#include "FileSystem.h"

#include <cstring>

namespace {

bool HasBytesAt(TStream& stream, int64_t offset, const char* magic)
{
    const size_t n = std::strlen(magic);
    char buf[16] = {};
    if (stream.Seek(offset, soFromBeginning) != offset || stream.Read(buf, static_cast<int64_t>(n)) != static_cast<int64_t>(n))
        return false;
    return std::memcmp(buf, magic, n) == 0;
}

bool IsTar(TStream& stream)
{
    return HasBytesAt(stream, 257, "ustar");
}

bool IsGzip(TStream& stream)
{
    return HasBytesAt(stream, 0, "\x1F\x8B");
}

bool IsCabinet(TStream& stream)
{
    return HasBytesAt(stream, 0, "MSCF");
}

TArchiveType ByZipTest(int verdict)
{
    if (verdict == VerifiedSpanned)
        return atSpannedZip;
    return verdict == VerifiedZip ? atZip : atUnknown;
}

TArchiveType ByContent(const std::string& name, const std::string& ext)
{
    TFileStream file(name, fmOpenRead | fmShareDenyNone);
    if (ext == ".EXE")
        return VerifySelfExtracting(file) == VerifiedSelfExtracting ? atSelfExtZip : atUnknown;
    if (ext == ".ZIP" || ext == ".JAR")
        return ByZipTest(VerifyZip(file));
    if (ext == ".TAR")
        return IsTar(file) ? atTar : atUnknown;
    if (ext == ".GZ")
        return IsGzip(file) ? atGzip : atUnknown;
    if (ext == ".TGZ")
        return IsGzip(file) ? atGzippedTar : atUnknown;
    if (ext == ".CAB")
        return IsCabinet(file) ? atCab : atUnknown;
    return atUnknown;
}

TArchiveType ByExtension(const std::string& ext)
{
    if (ext == ".ZIP" || ext == ".JAR")
        return atZip;
    if (ext == ".TAR")
        return atTar;
    if (ext == ".GZ")
        return atGzip;
    if (ext == ".TGZ")
        return atGzippedTar;
    if (ext == ".CAB")
        return atCab;
    return atUnknown;
}

int64_t FileSizeOf(const std::string& name)
{
    TFileStream file(name, fmOpenRead | fmShareDenyNone);
    return file.GetSize();
}

} // namespace

std::string ArchiveExtension(const std::string& name)
{
    const size_t sep = name.find_last_of("/\\:");
    const std::string file = sep == std::string::npos ? name : name.substr(sep + 1);
    const size_t dot = file.rfind('.');
    if (dot == std::string::npos)
        return std::string();
    std::string ext = file.substr(dot);
    for (char& c : ext)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return ext;
}

TArchiveType DetectArchiveKind(const std::string& name)
{
    const std::string ext = ArchiveExtension(name);
    if (FileExists(name) && FileSizeOf(name) != 0)
        return ByContent(name, ext);
    return ByExtension(ext);
}
