#include "ArchiveErrors.h"
#include "PagedStream.h"
#include "RecordsTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

namespace {

std::vector<uint8_t> Pattern(size_t n, uint32_t seed)
{
    std::mt19937 rng(seed);
    std::vector<uint8_t> v(n);
    for (auto& b : v)
        b = static_cast<uint8_t>(rng());
    return v;
}

std::vector<uint8_t> ReadAll(TStream& s)
{
    std::vector<uint8_t> out(static_cast<size_t>(s.GetSize()));
    s.SetPosition(0);
    EXPECT_EQ(s.Read(out.data(), static_cast<int64_t>(out.size())), static_cast<int64_t>(out.size()));
    return out;
}

// The plain model the paged stream must agree with.
struct TVectorModel {
    std::vector<uint8_t> Data;
    int64_t Position = 0;

    void Write(const std::vector<uint8_t>& bytes)
    {
        if (Data.size() < static_cast<size_t>(Position) + bytes.size())
            Data.resize(static_cast<size_t>(Position) + bytes.size(), 0);
        std::copy(bytes.begin(), bytes.end(), Data.begin() + Position);
        Position += static_cast<int64_t>(bytes.size());
    }
    std::vector<uint8_t> Read(int64_t count)
    {
        const int64_t n = std::max<int64_t>(0, std::min<int64_t>(count, static_cast<int64_t>(Data.size()) - Position));
        std::vector<uint8_t> out(Data.begin() + Position, Data.begin() + Position + n);
        Position += n;
        return out;
    }
    void SetSize(int64_t n)
    {
        Data.resize(static_cast<size_t>(n), 0);
        Position = std::min(Position, n);
    }
};

} // namespace

TEST(VirtualMemoryStream, SmallStreamNeverSwaps)
{
    TScratchFolder swapDir;
    TVirtualMemoryStream stream;
    stream.SetSwapFileDirectory(swapDir.Path());
    EXPECT_EQ(stream.MaxMemory(), 102400);
    const auto data = Pattern(102400, 1);
    stream.WriteBuffer(data.data(), static_cast<int64_t>(data.size()));
    EXPECT_EQ(ReadAll(stream), data);
    EXPECT_TRUE(stream.SwapFileName().empty());
    EXPECT_TRUE(swapDir.FilesStartingWith("VMS").empty());
}

TEST(VirtualMemoryStream, LargeStreamSwapsAndCleansUp)
{
    TScratchFolder swapDir;
    const auto data = Pattern(300 * 1024, 2);
    {
        TVirtualMemoryStream stream;
        stream.SetSwapFileDirectory(swapDir.Path());
        stream.WriteBuffer(data.data(), static_cast<int64_t>(data.size()));
        EXPECT_LE(stream.PagesInMemory(), 25);
        const auto swaps = swapDir.FilesStartingWith("VMS");
        ASSERT_EQ(swaps.size(), 1u);
        EXPECT_EQ(swaps[0], stream.SwapFileName());
        EXPECT_EQ(ReadAll(stream), data);
    }
    EXPECT_TRUE(swapDir.FilesStartingWith("VMS").empty());
}

TEST(VirtualMemoryStream, MissingSwapDirectoryFallsBackToTheSystemOne)
{
    TScratchFolder tmp;
    const char* old = getenv("TMPDIR");
    const std::string saved = old ? old : "";
    setenv("TMPDIR", tmp.Path().c_str(), 1);
    {
        TVirtualMemoryStream stream;
        stream.SetSwapFileDirectory(tmp.File("no-such-folder"));
        stream.SetMaxMemory(4096);
        const auto data = Pattern(20000, 3);
        stream.WriteBuffer(data.data(), static_cast<int64_t>(data.size()));
        EXPECT_EQ(tmp.FilesStartingWith("VMS").size(), 1u);
        EXPECT_EQ(ReadAll(stream), data);
    }
    EXPECT_TRUE(tmp.FilesStartingWith("VMS").empty());
    if (old)
        setenv("TMPDIR", saved.c_str(), 1);
    else
        unsetenv("TMPDIR");
}

TEST(VirtualMemoryStream, MaxMemoryRoundsToPages)
{
    TVirtualMemoryStream stream;
    stream.SetMaxMemory(1);
    EXPECT_EQ(stream.MaxMemory(), 4096);
    stream.SetMaxMemory(4097);
    EXPECT_EQ(stream.MaxMemory(), 8192);
    stream.SetMaxMemory(1052672 - 4095);
    EXPECT_EQ(stream.MaxMemory(), 256 * 4096);
    stream.SetMaxMemory(50 * 1024 * 1024);
    EXPECT_EQ(stream.MaxMemory(), 256 * 4096);
}

TEST(VirtualMemoryStream, EdgesOfReadSeekAndSize)
{
    TVirtualMemoryStream stream;
    const auto data = Pattern(10, 4);
    stream.WriteBuffer(data.data(), 10);
    uint8_t buf[32] = {};
    stream.SetPosition(6);
    EXPECT_EQ(stream.Read(buf, 32), 4);
    EXPECT_EQ(stream.Read(buf, 32), 0);
    stream.SetPosition(50);   // beyond the size is allowed
    EXPECT_EQ(stream.GetPosition(), 50);
    EXPECT_EQ(stream.Read(buf, 5), 0);

    try {
        stream.Seek(0, 3);
        FAIL() << "no exception";
    } catch (const EVMSInvalidOrigin& e) {
        EXPECT_STREQ(e.what(), "VMS: invalid origin 3, should be 0, 1, 2");
    }

    stream.SetPosition(9000);   // a gap across a page boundary
    stream.WriteBuffer("z", 1);
    EXPECT_EQ(stream.GetSize(), 9001);
    std::vector<uint8_t> all = ReadAll(stream);
    EXPECT_TRUE(std::all_of(all.begin() + 10, all.begin() + 9000, [](uint8_t b) { return b == 0; }));

    stream.SetPosition(8000);
    stream.SetSize(5);
    EXPECT_EQ(stream.GetPosition(), 5);
    EXPECT_EQ(stream.Seek(-2, soFromEnd), 3);
    stream.SetSize(20);   // growing again must not bring old bytes back
    all = ReadAll(stream);
    EXPECT_TRUE(std::equal(data.begin(), data.begin() + 5, all.begin()));
    EXPECT_TRUE(std::all_of(all.begin() + 5, all.end(), [](uint8_t b) { return b == 0; }));
}

TEST(VirtualMemoryStream, AgreesWithAPlainVectorUnderRandomUse)
{
    TScratchFolder swapDir;
    for (uint32_t seed = 1; seed <= 6; ++seed) {
        std::mt19937 rng(seed);
        TVirtualMemoryStream stream;
        stream.SetSwapFileDirectory(swapDir.Path());
        stream.SetMaxMemory(3 * 4096 + (seed % 2) * 8192);   // 3 or 5 pages: both search paths
        TVectorModel model;
        bool swapped = false;
        for (int step = 0; step < 3000; ++step) {
            const int op = static_cast<int>(rng() % 10);
            if (op < 4) {
                const auto bytes = Pattern(rng() % 9000, static_cast<uint32_t>(rng()));
                stream.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
                model.Write(bytes);
            } else if (op < 7) {
                const int64_t count = rng() % 12000;
                std::vector<uint8_t> got(static_cast<size_t>(count));
                const int64_t n = stream.Read(got.data(), count);
                got.resize(static_cast<size_t>(n));
                ASSERT_EQ(got, model.Read(count)) << "seed " << seed << " step " << step;
            } else if (op < 9) {
                const int64_t target = rng() % (model.Data.size() + 10000);
                const int origin = static_cast<int>(rng() % 3);
                const int64_t base = origin == 0 ? 0 : origin == 1 ? model.Position : static_cast<int64_t>(model.Data.size());
                ASSERT_EQ(stream.Seek(target - base, origin), target);
                model.Position = target;
            } else {
                const int64_t size = rng() % (model.Data.size() + 20000);
                stream.SetSize(size);
                model.SetSize(size);
            }
            ASSERT_EQ(stream.GetSize(), static_cast<int64_t>(model.Data.size()));
            ASSERT_EQ(stream.GetPosition(), model.Position);
            ASSERT_LE(stream.PagesInMemory(), stream.MaxMemory() / 4096);
            swapped = swapped || !stream.SwapFileName().empty();
        }
        EXPECT_TRUE(swapped) << "seed " << seed;
        EXPECT_EQ(ReadAll(stream), model.Data) << "seed " << seed;
        EXPECT_EQ(swapDir.FilesStartingWith("VMS").size(), 1u);
    }
    EXPECT_TRUE(swapDir.FilesStartingWith("VMS").empty());
}

TEST(VirtualMemoryStream, LoweringMaxMemoryKeepsEvictedData)
{
    TScratchFolder swapDir;
    TVirtualMemoryStream stream;
    stream.SetSwapFileDirectory(swapDir.Path());
    const auto data = Pattern(20 * 4096, 5);
    stream.WriteBuffer(data.data(), static_cast<int64_t>(data.size()));
    EXPECT_TRUE(stream.SwapFileName().empty());
    stream.SetMaxMemory(2 * 4096);
    EXPECT_EQ(stream.PagesInMemory(), 2);
    EXPECT_FALSE(stream.SwapFileName().empty());
    EXPECT_EQ(ReadAll(stream), data);
}
