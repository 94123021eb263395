#include "EntryCompression.h"

#include "ArchiveErrors.h"
#include "PagedStream.h"

#include <memory>
#include <vector>

namespace {

constexpr int64_t StoreBlockSize = 1024;
constexpr uint16_t VersionMadeByLow = 20;
constexpr uint16_t VersionDeflated = 20;
constexpr uint16_t VersionStored = 10;
constexpr uint16_t MethodStored = 0;
constexpr uint16_t MethodDeflated = 8;

// done * 100 / total, rounded to nearest with halves to even.
int RoundedPercent(int64_t done, int64_t total)
{
    if (total <= 0)
        return 100;
    const int64_t scaled = done * 100;
    int64_t quotient = scaled / total;
    const int64_t twice = 2 * (scaled % total);
    if (twice > total || (twice == total && (quotient & 1) != 0))
        ++quotient;
    return static_cast<int>(quotient);
}

// Each report starts from "go on"; a hook cannot take back an earlier abort.
bool AskAbort(const TItemProgressHook& onProgress, int percent)
{
    bool abort = false;
    if (onProgress)
        onProgress(percent, abort);
    return abort;
}

std::unique_ptr<TVirtualMemoryStream> NewScratch(const std::string& tempDirectory)
{
    auto scratch = std::make_unique<TVirtualMemoryStream>();
    scratch->SetSwapFileDirectory(tempDirectory);
    return scratch;
}

void PrepareEntry(TZipItem& item, uint32_t inputLength)
{
    item.SetUncompressedSize(inputLength);
    // Linux names are UTF-8; saying so keeps them readable in other tools.
    item.SetGeneralPurposeBitFlag(IsNonAsciiUtf8(item.GetFileName()) ? FlagUtf8Name : 0);
    item.SetCompressedSize(0);
    uint16_t dosTime = 0, dosDate = 0;
    if (item.ModifiedTime()) {
        FileTimeToDos(*item.ModifiedTime(), dosTime, dosDate);
        // The DOS field is local time in 2-second steps; readers that know
        // this block restore the exact moment whatever their time zone.
        item.SetExtraField(ExtendedTimestampField(*item.ModifiedTime()));
    } else {
        NowToDos(dosTime, dosDate);
        item.SetExtraField(std::string());
    }
    item.SetLastModFileTime(dosTime);
    item.SetLastModFileDate(dosDate);
    item.SetExternalFileAttributes(0);
    item.SetVersionMadeBy(static_cast<uint16_t>((item.VersionMadeBy() & 0xFF00) | VersionMadeByLow));
}

} // namespace

char DeflationLetter(TZipDeflationOption option)
{
    switch (option) {
    case doNormal: return 'n';
    case doMaximum: return 'x';
    case doFast: return 'f';
    case doSuperFast: return 's';
    case doInvalid: break;
    }
    return '0';
}

uint16_t DeflationFlagBits(TZipDeflationOption option)
{
    switch (option) {
    case doMaximum: return 0x0002;
    case doFast: return 0x0004;
    case doSuperFast: return 0x0006;
    case doInvalid:
    case doNormal: break;
    }
    return 0;
}

void StoreStream(TZipItem& item, TStream& output, TStream& input, const TItemProgressHook& onProgress)
{
    item.SetCompressionMethod(MethodStored);
    const int64_t total = input.GetSize() - input.GetPosition();
    std::vector<uint8_t> block(StoreBlockSize);
    uint32_t crc = 0;
    int64_t done = 0;
    int lastPercent = 0;
    bool abort = false;
    while (!abort) {
        const int64_t got = input.Read(block.data(), StoreBlockSize);
        if (got == 0)
            break;
        done += got;
        const int percent = RoundedPercent(done, total);
        if (percent != lastPercent) {
            abort = AskAbort(onProgress, percent) || abort;
            lastPercent = percent;
        }
        crc = Crc32(crc, block.data(), static_cast<size_t>(got));
        output.WriteBuffer(block.data(), got);
    }
    item.SetCRC32(crc);
    if (lastPercent < 100)
        abort = AskAbort(onProgress, 100) || abort;
    if (abort)
        throw EUserAbort();
}

void DeflateStream(TZipItem& item, TStream& output, TStream& input, const TZipCompressionSettings& settings)
{
    item.SetCompressionMethod(MethodDeflated);
    TDeflateHelper helper;
    helper.StreamSize = static_cast<int32_t>(input.GetSize() - input.GetPosition());
    helper.SetPKZipOption('0');
    helper.SetPKZipOption(DeflationLetter(settings.DeflationOption));
    item.SetGeneralPurposeBitFlag(item.GeneralPurposeBitFlag() | DeflationFlagBits(settings.DeflationOption));
    const TItemProgressHook& hook = settings.OnProgress;
    helper.OnProgressStep = [&hook](int percent) {
        bool abort = false;
        if (hook)
            hook(percent, abort);
        if (abort)
            throw EAbortProgress();
    };
    helper.CheckValue = static_cast<uint32_t>(item.GetLastModFileTime()) << 16;
    item.SetCRC32(Deflate(input, output, helper));
}

void ZipFromStream(TZipItem& item, TStream& output, TStream* input, const TZipCompressionSettings& settings)
{
    if (input == nullptr)
        throw EZipNoInsertion();
    auto scratch = NewScratch(settings.TempDirectory);
    const int64_t start = input->GetPosition();
    const int64_t length = input->GetSize() - start;
    PrepareEntry(item, static_cast<uint32_t>(length));
    if (length <= 0) {
        StoreStream(item, *scratch, *input, settings.OnProgress);
        item.SetCRC32(0);
    } else if (settings.CompressionMethodToUse == smStored) {
        StoreStream(item, *scratch, *input, settings.OnProgress);
    } else {
        DeflateStream(item, *scratch, *input, settings);
        if (settings.CompressionMethodToUse == smBestMethod && scratch->GetSize() > length) {
            input->SetPosition(start);
            scratch = NewScratch(settings.TempDirectory);
            StoreStream(item, *scratch, *input, settings.OnProgress);
        }
    }
    item.SetVersionNeededToExtract(item.CompressionMethod() == MethodDeflated ? VersionDeflated : VersionStored);
    const int64_t produced = scratch->GetSize();
    if (produced > 0) {
        scratch->SetPosition(0);
        output.CopyFrom(*scratch, produced);
    }
    item.SetCompressedSize(static_cast<int32_t>(produced));
    item.SetInternalFileAttributes(0);
}
