#include "ArchiveErrors.h"
#include "PagedStream.h"
#include "EntryCompression.h"
#include "RecordsTestSupport.h"

#include <gtest/gtest.h>

#include <map>
#include <random>
#include <thread>
#include <zlib.h>

namespace {

std::string RandomBytes(size_t n, uint32_t seed)
{
    std::mt19937 rng(seed);
    std::string s(n, '\0');
    for (char& c : s)
        c = static_cast<char>(rng());
    return s;
}

std::string Compressible(size_t n)
{
    std::string s;
    while (s.size() < n)
        s += "thumbnail row " + std::to_string(s.size() % 97) + ";";
    s.resize(n);
    return s;
}

uint32_t ZlibCrc(const std::string& s)
{
    return static_cast<uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(s.data()), static_cast<uInt>(s.size())));
}

std::string RawInflate(const std::string& packed, size_t expectedSize)
{
    z_stream z{};
    EXPECT_EQ(inflateInit2(&z, -15), Z_OK);
    std::string out(expectedSize + 16, '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(packed.data()));
    z.avail_in = static_cast<uInt>(packed.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = static_cast<uInt>(out.size());
    const int code = inflate(&z, Z_FINISH);
    EXPECT_EQ(code, Z_STREAM_END);
    EXPECT_EQ(z.avail_in, 0u) << "bytes after the end of the deflate stream";
    out.resize(z.total_out);
    inflateEnd(&z);
    return out;
}

struct TProduced {
    std::string Data;
};

TProduced Produce(TZipItem& item, const std::string& input, TZipCompressionSettings settings = {})
{
    TMemoryStream source;
    AppendBytes(source, input);
    source.SetPosition(0);
    TMemoryStream out;
    ZipFromStream(item, out, &source, settings);
    return {std::string(out.Bytes().begin(), out.Bytes().end())};
}

size_t DeflatedLength(const std::string& input)
{
    TMemoryStream source, out;
    AppendBytes(source, input);
    source.SetPosition(0);
    TDeflateHelper helper;
    helper.SetPKZipOption('n');
    Deflate(source, out, helper);
    return static_cast<size_t>(out.GetSize());
}

} // namespace

TEST(EntryCompression, EmptyInputIsAnEmptyStoredEntry)
{
    TZipItem item;
    item.SetFileName("empty.jpg");
    const TProduced p = Produce(item, "");
    EXPECT_TRUE(p.Data.empty());
    EXPECT_EQ(item.CompressionMethod(), 0);
    EXPECT_EQ(item.GetCRC32(), 0u);
    EXPECT_EQ(item.GetCompressedSize(), 0);
    EXPECT_EQ(item.GetUncompressedSize(), 0u);
    EXPECT_EQ(item.VersionNeededToExtract(), 10);
    EXPECT_EQ(item.GeneralPurposeBitFlag(), 0);
}

TEST(EntryCompression, IncompressibleInputIsStored)
{
    for (const std::string& input : {RandomBytes(5000, 1), std::string("xyz")}) {
        TZipItem item;
        item.SetFileName("noise.jpg");
        const TProduced p = Produce(item, input);
        EXPECT_EQ(item.CompressionMethod(), 0);
        EXPECT_EQ(item.VersionNeededToExtract(), 10);
        EXPECT_EQ(p.Data, input);
        EXPECT_EQ(item.GetCompressedSize(), static_cast<int32_t>(input.size()));
        EXPECT_EQ(item.GetUncompressedSize(), input.size());
        EXPECT_EQ(item.GetCRC32(), ZlibCrc(input));
    }
}

TEST(EntryCompression, CompressibleInputIsDeflatedAndInflatesBack)
{
    for (size_t size : {1u, 100u, 40000u, 400000u}) {
        const std::string input = Compressible(size);
        TZipItem item;
        item.SetFileName("plain.jpg");
        TZipCompressionSettings settings;
        settings.CompressionMethodToUse = size == 1 ? smDeflated : smBestMethod;
        const TProduced p = Produce(item, input, settings);
        EXPECT_EQ(item.CompressionMethod(), 8) << size;
        EXPECT_EQ(item.VersionNeededToExtract(), 20);
        EXPECT_EQ(item.GetCompressedSize(), static_cast<int32_t>(p.Data.size()));
        EXPECT_EQ(item.GetCRC32(), ZlibCrc(input));
        EXPECT_EQ(RawInflate(p.Data, input.size()), input) << size;
        if (size >= 100) {
            EXPECT_LT(p.Data.size(), input.size() / 2);
        }
    }
}

TEST(EntryCompression, DeflatedAsLongAsTheInputStaysDeflated)
{
    // Random bytes followed by a growing run of repeats: the deflated length
    // passes the input length one byte at a time somewhere.
    const std::string noise = RandomBytes(400, 2);
    std::string equal, oneLonger;
    for (size_t run = 0; run < 400 && (equal.empty() || oneLonger.empty()); ++run) {
        const std::string candidate = noise + std::string(run, 'a');
        const size_t packed = DeflatedLength(candidate);
        if (packed == candidate.size() && equal.empty())
            equal = candidate;
        if (packed == candidate.size() + 1 && oneLonger.empty())
            oneLonger = candidate;
    }
    ASSERT_FALSE(equal.empty());
    ASSERT_FALSE(oneLonger.empty());

    TZipItem kept;
    kept.SetFileName("equal.jpg");
    Produce(kept, equal);
    EXPECT_EQ(kept.CompressionMethod(), 8);
    EXPECT_EQ(kept.VersionNeededToExtract(), 20);
    EXPECT_EQ(kept.GetCompressedSize(), static_cast<int32_t>(equal.size()));

    TZipItem stored;
    stored.SetFileName("longer.jpg");
    const TProduced p = Produce(stored, oneLonger);
    EXPECT_EQ(stored.CompressionMethod(), 0);
    EXPECT_EQ(stored.VersionNeededToExtract(), 10);
    EXPECT_EQ(p.Data, oneLonger);
}

TEST(EntryCompression, FlagBitsFollowTheDeflationOption)
{
    const struct {
        TZipDeflationOption Option;
        uint16_t Bits;
    } cases[] = {{doInvalid, 0}, {doNormal, 0}, {doMaximum, 2}, {doFast, 4}, {doSuperFast, 6}};
    const std::string text = Compressible(20000);
    const std::string noise = RandomBytes(3000, 3);
    for (const auto& c : cases) {
        TZipCompressionSettings settings;
        settings.DeflationOption = c.Option;
        TZipItem deflated;
        deflated.SetFileName("a.jpg");
        const TProduced p = Produce(deflated, text, settings);
        EXPECT_EQ(deflated.GeneralPurposeBitFlag(), c.Bits) << int(c.Option);
        if (c.Option == doInvalid) {
            EXPECT_EQ(deflated.CompressionMethod(), 0);   // stored blocks only: larger, so stored
        } else {
            EXPECT_EQ(deflated.CompressionMethod(), 8);
            EXPECT_EQ(RawInflate(p.Data, text.size()), text);
        }

        TZipItem fellBack;
        fellBack.SetFileName("b.jpg");
        Produce(fellBack, noise, settings);
        EXPECT_EQ(fellBack.CompressionMethod(), 0);
        EXPECT_EQ(fellBack.GeneralPurposeBitFlag(), c.Bits) << int(c.Option);
    }
}

namespace {

// One raw deflate run at an effort letter; `step` hears its progress.
struct TDeflated {
    std::string Data;
    uint32_t Crc = 0;
    int32_t NormalSize = 0;
    int32_t CompressedSize = 0;
};

TDeflated DeflatedWith(const std::string& input, char letter, TProgressStep step = {})
{
    TMemoryStream source, out;
    AppendBytes(source, input);
    source.SetPosition(0);
    TDeflateHelper helper;
    helper.SetPKZipOption(letter);
    helper.StreamSize = static_cast<int32_t>(input.size());
    helper.OnProgressStep = std::move(step);
    TDeflated result;
    result.Crc = Deflate(source, out, helper);
    result.Data.assign(out.Bytes().begin(), out.Bytes().end());
    result.NormalSize = helper.NormalSize;
    result.CompressedSize = helper.CompressedSize;
    return result;
}

} // namespace

TEST(EntryCompression, EveryEffortMakesValidRawDeflate)
{
    const std::string input = Compressible(150000) + RandomBytes(20000, 4) + Compressible(30000);
    for (char letter : {'0', '2', 'n', 'x', 'f', 's'}) {
        std::vector<int> steps;
        const TDeflated out = DeflatedWith(input, letter, [&steps](int percent) { steps.push_back(percent); });
        EXPECT_EQ(out.Crc, ZlibCrc(input)) << letter;
        EXPECT_EQ(out.NormalSize, static_cast<int32_t>(input.size()));
        EXPECT_EQ(out.CompressedSize, static_cast<int32_t>(out.Data.size()));
        EXPECT_EQ(RawInflate(out.Data, input.size()), input) << letter;
        ASSERT_FALSE(steps.empty());
        EXPECT_TRUE(std::is_sorted(steps.begin(), steps.end()));
        EXPECT_EQ(steps.back(), 100);
        if (letter == '0') {
            EXPECT_GT(out.Data.size(), input.size());
        }
    }
}

// The encoder a thread keeps between entries gives each effort what a new
// one gives, whatever it deflated before, an abandoned entry included.
TEST(EntryCompression, AnEntryDeflatesTheSameWhateverItsThreadDeflatedBefore)
{
    const std::string input = Compressible(120000) + RandomBytes(30000, 9) + Compressible(40000);
    const std::string letters = "02nxfs";
    std::map<char, std::string> fresh;
    for (char letter : letters)
        std::thread([&] { fresh[letter] = DeflatedWith(input, letter).Data; }).join();
    const auto abortHalfway = [](int percent) {
        if (percent >= 50)
            throw EUserAbort();
    };
    std::string order = letters + std::string(letters.rbegin(), letters.rend());
    for (char letter : order) {
        EXPECT_EQ(DeflatedWith(input, letter).Data, fresh[letter]) << letter;
        EXPECT_THROW(DeflatedWith(input, letter, abortHalfway), EUserAbort);
    }
}

TEST(EntryCompression, CrcIsTheSameStoredOrDeflated)
{
    const std::string input = Compressible(7000) + RandomBytes(500, 5);
    TZipCompressionSettings stored, deflated;
    stored.CompressionMethodToUse = smStored;
    deflated.CompressionMethodToUse = smDeflated;
    TZipItem a, b;
    a.SetFileName("a.jpg");
    b.SetFileName("b.jpg");
    Produce(a, input, stored);
    Produce(b, input, deflated);
    EXPECT_EQ(a.CompressionMethod(), 0);
    EXPECT_EQ(b.CompressionMethod(), 8);
    EXPECT_EQ(a.GetCRC32(), b.GetCRC32());
    EXPECT_EQ(a.GetCRC32(), ZlibCrc(input));
}

TEST(EntryCompression, NewEntryFieldsAndVersionMadeBy)
{
    TZipItem item;
    item.SetFileName("k\xC3\xA4se.jpg");
    item.SetHostOS(HostAnsiCodePage);
    item.SetExternalFileAttributes(0x20);
    item.SetInternalFileAttributes(1);
    uint16_t timeBefore = 0, dateBefore = 0, timeAfter = 0, dateAfter = 0;
    NowToDos(timeBefore, dateBefore);
    Produce(item, Compressible(3000));
    NowToDos(timeAfter, dateAfter);
    EXPECT_EQ(item.VersionMadeBy(), 0x0B14);
    EXPECT_EQ(item.GeneralPurposeBitFlag(), FlagUtf8Name);
    EXPECT_EQ(item.GetExternalFileAttributes(), 0u);
    EXPECT_EQ(item.InternalFileAttributes(), 0);
    const uint32_t stamp = (static_cast<uint32_t>(item.GetLastModFileDate()) << 16) | item.GetLastModFileTime();
    EXPECT_GE(stamp, (static_cast<uint32_t>(dateBefore) << 16) | timeBefore);
    EXPECT_LE(stamp, (static_cast<uint32_t>(dateAfter) << 16) | timeAfter);
    EXPECT_NE(item.GetLastModFileDate(), 0);

    TZipItem latin1;
    latin1.SetFileName("k\xE4se.jpg");
    Produce(latin1, Compressible(3000));
    EXPECT_EQ(latin1.VersionMadeBy(), 0x0014);
    EXPECT_EQ(latin1.GeneralPurposeBitFlag(), 0);
}

TEST(EntryCompression, MissingInputIsRefused)
{
    TZipItem item;
    TMemoryStream out;
    try {
        ZipFromStream(item, out, nullptr, {});
        FAIL() << "no exception";
    } catch (const EZipNoInsertion& e) {
        EXPECT_STREQ(e.what(), "Cannot insert file - no insertion support provided");
    }
}

TEST(EntryCompression, StoringReportsProgressAndHonoursAbort)
{
    const std::string input = RandomBytes(10 * 1024 + 300, 6);
    std::vector<int> seen;
    TZipCompressionSettings settings;
    settings.CompressionMethodToUse = smStored;
    settings.OnProgress = [&seen](int percent, bool&) { seen.push_back(percent); };
    TZipItem item;
    item.SetFileName("p.jpg");
    Produce(item, input, settings);
    ASSERT_EQ(seen.size(), 11u);   // one per 1024-byte block, each a new percentage
    EXPECT_EQ(seen.front(), 10);   // 1024 * 100 / 10540 = 9.7
    EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
    EXPECT_EQ(seen.back(), 100);

    int calls = 0;
    settings.OnProgress = [&calls](int, bool& abort) { abort = ++calls == 3; };
    TMemoryStream source, out;
    AppendBytes(source, input);
    source.SetPosition(0);
    TZipItem aborted;
    EXPECT_THROW(ZipFromStream(aborted, out, &source, settings), EUserAbort);
    EXPECT_EQ(source.GetPosition(), 3 * 1024);   // stopped after the current block
}

TEST(EntryCompression, AbortWhileDeflatingRaisesAbortProgress)
{
    TZipCompressionSettings settings;
    settings.OnProgress = [](int percent, bool& abort) { abort = percent >= 50; };
    TMemoryStream source, out;
    AppendBytes(source, Compressible(200000));
    source.SetPosition(0);
    TZipItem item;
    try {
        ZipFromStream(item, out, &source, settings);
        FAIL() << "no exception";
    } catch (const EAbortProgress& e) {
        EXPECT_STREQ(e.what(), "Process aborted by user");
    }
    EXPECT_EQ(out.GetSize(), 0);
}

TEST(EntryCompression, LargeEntryBuildsThroughTheSwapFile)
{
    TScratchFolder temp;
    const std::string input = RandomBytes(400000, 7);
    TZipCompressionSettings settings;
    settings.TempDirectory = temp.Path();
    int swapFilesSeen = 0;
    settings.OnProgress = [&](int, bool&) {
        swapFilesSeen = std::max<int>(swapFilesSeen, static_cast<int>(temp.FilesStartingWith("VMS").size()));
    };
    TZipItem item;
    item.SetFileName("big.jpg");
    const TProduced p = Produce(item, input, settings);
    EXPECT_EQ(item.CompressionMethod(), 0);
    EXPECT_EQ(p.Data, input);
    EXPECT_EQ(item.GetCRC32(), ZlibCrc(input));
    EXPECT_GE(swapFilesSeen, 1);
    EXPECT_TRUE(temp.FilesStartingWith("VMS").empty());
}

TEST(DeflateHelper, EffortLettersSetTheirFields)
{
    TDeflateHelper h;
    EXPECT_EQ(h.PKZipOption(), 'n');
    EXPECT_EQ(h.AmpleLength(), 8);
    EXPECT_EQ(h.Options(), 0x0F);
    h.SetPKZipOption('n');   // already held: nothing changes
    EXPECT_EQ(h.AmpleLength(), 8);

    h.SetPKZipOption('0');
    EXPECT_EQ(h.Options(), 0x01);
    h.SetPKZipOption('F');
    EXPECT_EQ(h.PKZipOption(), 'f');
    EXPECT_EQ(h.Options(), 0x07);   // lazy matching stays off
    EXPECT_EQ(h.AmpleLength(), 4);
    EXPECT_EQ(h.ChainLength(), 32);
    EXPECT_EQ(h.MaxLazyLength(), 6);
    h.SetPKZipOption('x');
    EXPECT_EQ(h.Options(), 0x0F);
    EXPECT_EQ(h.AmpleLength(), 64);
    EXPECT_EQ(h.ChainLength(), 4096);
    EXPECT_EQ(h.MaxLazyLength(), 258);
    h.SetPKZipOption('q');
    EXPECT_EQ(h.PKZipOption(), 'x');

    h.SetChainLength(2);
    EXPECT_EQ(h.ChainLength(), 4);
    EXPECT_EQ(h.PKZipOption(), '?');
    h.SetPKZipOption('s');
    h.SetAmpleLength(-1);
    EXPECT_EQ(h.AmpleLength(), -1);
    h.SetPKZipOption('s');
    h.SetOptions(h.Options());
    EXPECT_EQ(h.PKZipOption(), 's');
    h.SetOptions(0x03);
    EXPECT_EQ(h.PKZipOption(), '?');
}

TEST(DeflateHelper, NormalEffortIsZlibsNormalLevel)
{
    const std::string input = Compressible(90000) + RandomBytes(3000, 8) + Compressible(9000);
    TMemoryStream source, out;
    AppendBytes(source, input);
    source.SetPosition(0);
    TDeflateHelper helper;
    helper.SetPKZipOption('0');
    helper.SetPKZipOption('n');
    Deflate(source, out, helper);

    z_stream z{};
    ASSERT_EQ(deflateInit2(&z, 6, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY), Z_OK);
    std::string expected(deflateBound(&z, static_cast<uLong>(input.size())), '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(input.data()));
    z.avail_in = static_cast<uInt>(input.size());
    z.next_out = reinterpret_cast<Bytef*>(expected.data());
    z.avail_out = static_cast<uInt>(expected.size());
    ASSERT_EQ(deflate(&z, Z_FINISH), Z_STREAM_END);
    expected.resize(z.total_out);
    deflateEnd(&z);

    EXPECT_EQ(std::string(out.Bytes().begin(), out.Bytes().end()), expected);
}
