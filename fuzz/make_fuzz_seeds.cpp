// Writes the starting corpora of the fuzz targets into the folder given:
// small archives made by the program itself, small pictures of every kind,
// and short texts and operation lists.

#include "ZipSession.h"
#include "DngFixture.h"
#include "FileLayer.h"
#include "JournalPlaces.h"
#include "JpegFixtures.h"
#include "MemoryStream.h"
#include "ZipperSetup.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

namespace {

void WriteText(const std::string& path, const std::string& text)
{
    WriteBytes(path, std::vector<uint8_t>(text.begin(), text.end()));
}

void AddEntry(TZipper& zipper, const std::string& name, const std::vector<uint8_t>& bytes)
{
    TMemoryStream stream;
    stream.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
    stream.SetPosition(0);
    zipper.AddStream(name, stream);
}

void MakeArchive(const std::string& path, int entries, const std::string& comment)
{
    TZipper zipper;
    ConfigureThumbnailZipper(zipper);
    zipper.Open(path);
    for (int i = 0; i < entries; ++i) {
        // Alternate stored pictures and compressible text, so both methods appear.
        if (i % 2 == 0)
            AddEntry(zipper, "IMG_" + std::to_string(i) + ".JPG", MakeTestJpeg(8 + i, 6 + i));
        else
            AddEntry(zipper, "note" + std::to_string(i) + ".txt", std::vector<uint8_t>(300, 'a' + i));
    }
    if (!comment.empty())
        zipper.SetComment(comment);
    zipper.Close();
}

void ArchiveSeeds(const std::string& dir)
{
    MakeArchive(dir + "/empty.zip", 0, "");
    MakeArchive(dir + "/one.zip", 1, "");
    MakeArchive(dir + "/three.zip", 3, "thumbnails");
    MakeArchive(dir + "/comment.zip", 2, "PK\x05\x06 inside a comment");
}

std::vector<uint8_t> WithSettingsByte(std::vector<uint8_t> bytes, uint8_t settings)
{
    bytes.insert(bytes.begin(), settings);
    return bytes;
}

// Cuts a commit short, as a kill would: the first write into the archive
// keeps half its bytes, or only the journal's removal fails.
class TCommitCut : public TFileLayer {
public:
    TCommitCut(std::string archive, bool inTail) : FArchive(std::move(archive)), FInTail(inTail) {}
    int Open(const std::string& path, int flags, mode_t mode) override
    {
        const int fd = FDead ? -1 : TFileLayer::Open(path, flags, mode);
        if (path == FArchive && (flags & O_ACCMODE) != O_RDONLY)
            FTarget = fd;
        return fd;
    }
    int WriteAt(int fd, const void* data, int64_t count, int64_t offset) override
    {
        if (FInTail && fd == FTarget && !FDead) {
            FDead = true;
            TFileLayer::WriteAt(fd, data, count / 2, offset);
        }
        return FDead ? -1 : TFileLayer::WriteAt(fd, data, count, offset);
    }
    int Truncate(int fd, int64_t size) override { return FDead ? -1 : TFileLayer::Truncate(fd, size); }
    int Sync(int fd) override { return FDead ? -1 : TFileLayer::Sync(fd); }
    int Remove(const std::string&) override
    {
        FDead = true;
        return -1;
    }

private:
    std::string FArchive;
    bool FInTail;
    int FTarget = -1;
    bool FDead = false;
};

// A flag byte, the archive's length in 3 bytes, the archive, the journal.
void JournalSeeds(const std::string& dir)
{
    const std::string archive = dir + "/a.zip";
    for (bool inTail : {true, false}) {
        MakeArchive(archive, 2, "");
        TCommitCut cut(archive, inTail);
        {
            TZipper zipper;
            ConfigureThumbnailZipper(zipper);
            zipper.Open(archive);
            SetFileLayer(&cut);
            try {
                AddEntry(zipper, "new.jpg", MakeTestJpeg(12, 9));
            } catch (const Exception&) {
            }
            SetFileLayer(nullptr);
        }
        const std::vector<uint8_t> torn = ReadBytes(archive);
        const std::vector<uint8_t> journal = ReadBytes(JournalBeside(archive));
        std::vector<uint8_t> seed{0, static_cast<uint8_t>(torn.size()), static_cast<uint8_t>(torn.size() >> 8),
                                  static_cast<uint8_t>(torn.size() >> 16)};
        seed.insert(seed.end(), torn.begin(), torn.end());
        seed.insert(seed.end(), journal.begin(), journal.end());
        WriteBytes(dir + (inTail ? "/cut-in-tail" : "/cut-before-removal"), seed);
        ::unlink(JournalBeside(archive).c_str());
        ::unlink(archive.c_str());
    }
}

void PictureSeeds(const std::string& dir)
{
    struct TSeed { const char* Name; int Width, Height; TJpegKind Kind; int Orientation; };
    const TSeed seeds[] = {
        {"baseline", 16, 12, TJpegKind::Baseline, 0}, {"progressive", 20, 10, TJpegKind::Progressive, 0},
        {"grey", 8, 8, TJpegKind::Grey, 0},           {"cmyk", 9, 9, TJpegKind::Cmyk, 0},
        {"adobe", 10, 7, TJpegKind::AdobeYcck, 0},    {"turned", 12, 18, TJpegKind::Baseline, 6},
        {"pixel", 1, 1, TJpegKind::Baseline, 0},
    };
    uint8_t shape = 0;
    for (const auto& seed : seeds) {
        auto bytes = MakeTestJpeg(seed.Width, seed.Height, seed.Kind, 75, seed.Orientation);
        bytes.insert(bytes.begin(), static_cast<uint8_t>(shape++ * 0x25));
        WriteBytes(dir + "/" + seed.Name, bytes);
    }
    // Colour profiles: whole, split out of order, and a piece missing.
    const std::vector<uint8_t> profile = TestIccProfile(300);
    auto pieces = IccChunks(profile, 3);
    const std::pair<const char*, std::vector<std::vector<uint8_t>>> tagged[] = {
        {"tagged", {IccChunk(1, 1, profile)}},
        {"tagged-split", {pieces[2], pieces[0], pieces[1]}},
        {"tagged-gap", {pieces[0], pieces[2]}},
    };
    for (const auto& [name, app2] : tagged) {
        auto bytes = MakeTaggedJpeg(14, 10, app2, TJpegKind::Baseline, 75);
        bytes.insert(bytes.begin(), static_cast<uint8_t>(shape++ * 0x25));
        WriteBytes(dir + "/" + name, bytes);
    }
}

// Small DNG files: with a preview, without one, turned.
void RawSeeds(const std::string& dir)
{
    TDngContents dng;
    dng.SensorWidth = 32;
    dng.SensorHeight = 24;
    WriteBytes(dir + "/sensor", WithSettingsByte(MakeTestDng(dng), 0x10));
    dng.Orientation = 6;
    dng.Preview = MakeTestJpeg(16, 12, TJpegKind::Baseline, 60);
    dng.PreviewWidth = 16;
    dng.PreviewHeight = 12;
    WriteBytes(dir + "/preview", WithSettingsByte(MakeTestDng(dng), 0x02));
}

void StreamSeeds(const std::string& dir)
{
    // write 9000, seek 0, read 9000; write across pages, shrink, grow, read.
    WriteBytes(dir + "/write-read", {0, 0x23, 0x28, 7, 2, 0x10, 0, 0, 0, 1, 0x23, 0x28});
    WriteBytes(dir + "/shrink-grow", {0, 0x40, 0x00, 9, 3, 0x00, 0x30, 0x07, 3, 0x01, 0x10, 0x00,
                                      4, 0x10, 0x00, 2, 0x10, 0, 0, 0, 1, 0x7F, 0xFF, 5});
    WriteBytes(dir + "/past-end", {2, 0x10, 0x40, 0x00, 0, 0, 0x01, 0x00, 3, 2, 0x10, 0, 0, 2, 1, 0x50, 0x00});
}

void TextSeeds(const std::string& fieldDir, const std::string& pasteDir)
{
    WriteText(fieldDir + "/plain", "/home/ann/thumbs.zip");
    WriteText(fieldDir + "/quoted", "\"/home/ann/my thumbs.zip\" -x");
    WriteText(fieldDir + "/blanks", "  \t/tmp/a.zip  b");
    WriteText(fieldDir + "/control", "/tmp/a\x01z.zip");
    WriteText(pasteDir + "/crlf", "/a/1.jpg\r\n/a/2.jpg\r\n");
    WriteText(pasteDir + "/mixed", "/a/1.jpg\r/a/2.jpg\n\n/a/3.jpg");
    WriteBytes(pasteDir + "/zero", {'/', 'a', '\r', '\n', 0, '/', 'b'});
}

std::string MakeFolder(const std::string& path)
{
    ::mkdir(path.c_str(), 0755);
    return path;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_fuzz_seeds FOLDER\n");
        return 2;
    }
    const std::string root = MakeFolder(argv[1]);
    try {
        ArchiveSeeds(MakeFolder(root + "/archive_fuzz"));
        JournalSeeds(MakeFolder(root + "/journal_fuzz"));
        PictureSeeds(MakeFolder(root + "/thumbnail_fuzz"));
        StreamSeeds(MakeFolder(root + "/paged_stream_fuzz"));
        RawSeeds(MakeFolder(root + "/raw_fuzz"));
        TextSeeds(MakeFolder(root + "/zip_field_fuzz"), MakeFolder(root + "/paste_fuzz"));
    } catch (const Exception& e) {
        std::fprintf(stderr, "make_fuzz_seeds: %s\n", e.Message().c_str());
        return 1;
    }
    return 0;
}
