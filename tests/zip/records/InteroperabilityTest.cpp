#include "PagedStream.h"
#include "EntryCompression.h"
#include "ZipRecords.h"
#include "FileStream.h"
#include "RecordsTestSupport.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <memory>
#include <random>
#include <zlib.h>

namespace {

struct TSample {
    std::string Name;
    std::string Data;
    TZipSupportedMethod Method;
};

std::string Noise(size_t n)
{
    std::mt19937 rng(42);
    std::string s(n, '\0');
    for (char& c : s)
        c = static_cast<char>(rng());
    return s;
}

std::string Text(size_t n)
{
    std::string s;
    while (s.size() < n)
        s += "pixel row " + std::to_string(s.size() % 13) + "\n";
    s.resize(n);
    return s;
}

std::vector<TSample> Samples()
{
    return {
        {"cat.jpg", Text(30000), smBestMethod},
        {"k\xC3\xA4se \xE6\x97\xA5\xE6\x9C\xAC.jpg", Text(5000), smDeflated},
        {"noise.jpg", Noise(200000), smBestMethod},
        {"empty.jpg", "", smBestMethod},
        {"plain-stored.jpg", Text(2000), smStored},
    };
}

// Writes local header, data, central directory and end record the way a save lays them out.
void AssembleArchive(TStream& file, std::vector<std::unique_ptr<TZipItem>>& items,
                     const std::vector<std::string>& data, const std::string& comment)
{
    for (size_t i = 0; i < items.size(); ++i) {
        items[i]->SetRelativeOffset(static_cast<uint32_t>(file.GetPosition()));
        items[i]->SaveLFHToStream(file);
        file.WriteBuffer(data[i].data(), static_cast<int64_t>(data[i].size()));
        if (items[i]->CompressionMethod() == 8 && (items[i]->GeneralPurposeBitFlag() & FlagDataDescriptor))
            items[i]->SaveDDToStream(file);
    }
    TZipDirectoryFileFooter footer;
    footer.DirectoryOffset = static_cast<uint32_t>(file.GetPosition());
    for (const auto& item : items)
        item->SaveCDHToStream(file);
    footer.DirectorySize = static_cast<uint32_t>(file.GetPosition()) - footer.DirectoryOffset;
    footer.EntriesOnDisk = footer.TotalEntries = static_cast<uint16_t>(items.size());
    footer.ZipfileComment = comment;
    footer.SaveToStream(file);
}

void WriteSampleArchive(const std::string& path, const std::string& comment)
{
    std::vector<std::unique_ptr<TZipItem>> items;
    std::vector<std::string> data;
    for (const TSample& sample : Samples()) {
        auto item = std::make_unique<TZipItem>();
        item->SetFileName(sample.Name);
        item->SetHostOS(HostByteForName(sample.Name));
        TMemoryStream input, output;
        AppendBytes(input, sample.Data);
        input.SetPosition(0);
        TZipCompressionSettings settings;
        settings.CompressionMethodToUse = sample.Method;
        ZipFromStream(*item, output, &input, settings);
        data.emplace_back(output.Bytes().begin(), output.Bytes().end());
        items.push_back(std::move(item));
    }
    TVirtualMemoryStream image;
    AssembleArchive(image, items, data, comment);
    TFileStream file(path, fmCreate);
    file.CopyFrom(image, 0);
}

bool ToolPresent(const std::string& tool)
{
    return std::system(("command -v " + tool + " >/dev/null 2>&1").c_str()) == 0;
}

// Exit status and standard output of a shell command.
int RunCommand(const std::string& command, std::string& output)
{
    output.clear();
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr)
        return -1;
    std::array<char, 4096> buf{};
    size_t n;
    while ((n = fread(buf.data(), 1, buf.size(), pipe)) > 0)
        output.append(buf.data(), n);
    const int status = pclose(pipe);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string Hex(const std::string& bytes)
{
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (unsigned char c : bytes) {
        out += digits[c >> 4];
        out += digits[c & 15];
    }
    return out;
}

} // namespace

TEST(Interoperability, UnzipTestsTheArchive)
{
    if (!ToolPresent("unzip"))
        GTEST_SKIP() << "unzip is not installed";
    TScratchFolder folder;
    const std::string path = folder.File("records.zip");
    WriteSampleArchive(path, "made by the record tests");
    std::string output;
    EXPECT_EQ(RunCommand("unzip -t '" + path + "' 2>&1", output), 0) << output;
    EXPECT_NE(output.find("No errors detected"), std::string::npos) << output;
}

TEST(Interoperability, PythonZipfileReadsNamesCrcsDataAndComment)
{
    if (!ToolPresent("python3"))
        GTEST_SKIP() << "python3 is not installed";
    TScratchFolder folder;
    const std::string path = folder.File("records.zip");
    const std::string comment = "comment with \xC3\xA4 and a newline\n inside";
    WriteSampleArchive(path, comment);
    const std::string script = folder.File("read.py");
    {
        TFileStream s(script, fmCreate);
        const std::string code =
            "import sys, zipfile, zlib\n"
            "z = zipfile.ZipFile(sys.argv[1])\n"
            "assert z.testzip() is None\n"
            "print(z.comment.hex())\n"
            "for i in z.infolist():\n"
            "    d = z.read(i)\n"
            "    print(i.filename.encode('utf-8').hex(), '%08x' % i.CRC, '%08x' % zlib.crc32(d), i.compress_type, len(d), d[:16].hex())\n";
        s.WriteBuffer(code.data(), static_cast<int64_t>(code.size()));
    }
    std::string output;
    ASSERT_EQ(RunCommand("python3 '" + script + "' '" + path + "' 2>&1", output), 0) << output;

    std::string expected = Hex(comment) + "\n";
    for (const TSample& sample : Samples()) {
        char crc[9];
        std::snprintf(crc, sizeof crc, "%08x",
                      static_cast<unsigned>(crc32(0, reinterpret_cast<const Bytef*>(sample.Data.data()),
                                                  static_cast<uInt>(sample.Data.size()))));
        const bool deflates = sample.Method == smDeflated || (sample.Method == smBestMethod && sample.Name == "cat.jpg");
        expected += Hex(sample.Name) + " " + crc + " " + crc + " " + (deflates ? "8" : "0") + " " +
                    std::to_string(sample.Data.size()) + " " + Hex(sample.Data.substr(0, 16)) + "\n";
    }
    EXPECT_EQ(output, expected);
}

TEST(Interoperability, ReadBackAndRewrittenAsKeptEntriesIsByteIdentical)
{
    TScratchFolder folder;
    const std::string path = folder.File("records.zip");
    WriteSampleArchive(path, "again");
    TMemoryStream original;
    original.LoadFromFile(path);

    // Read the directory, then copy every entry as a kept one.
    ASSERT_EQ(VerifyZip(original), VerifiedZip);
    const int64_t tail = FindCentralDirectoryTail(original);
    ASSERT_GT(tail, 0);
    TZipDirectoryFileFooter footer;
    footer.LoadFromStream(original);
    original.SetPosition(footer.DirectoryOffset);
    std::vector<std::unique_ptr<TZipItem>> items;
    while (original.GetPosition() < tail) {
        auto item = std::make_unique<TZipItem>();
        item->LoadFromStream(original);
        items.push_back(std::move(item));
    }
    ASSERT_EQ(items.size(), Samples().size());
    std::vector<std::string> data;
    for (const auto& item : items) {
        original.SetPosition(item->RelativeOffset());
        TZipLocalFileHeader local;
        local.LoadFromStream(original);
        std::string bytes(static_cast<size_t>(item->GetCompressedSize()), '\0');
        original.ReadBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
        data.push_back(bytes);
    }
    TMemoryStream rewritten;
    AssembleArchive(rewritten, items, data, footer.ZipfileComment);
    EXPECT_EQ(rewritten.Bytes(), original.Bytes());
}
