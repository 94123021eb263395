// Random runs of adds, comments and reopenings, on new archives and on
// archives other programs wrote: after every commit the file written in
// place is byte for byte the file a whole rewrite gives, and once the file
// is in that form, a commit leaves every byte before the old directory alone.

#include "ArchiveTestSupport.h"

#include "FileLayer.h"
#include "LocalTime.h"

#include <cstring>

using namespace archive_test;

namespace {

TLocalDateTime StoppedClock()
{
    TLocalDateTime t;
    t.Year = 2024;
    t.Month = 2;
    t.Day = 29;
    t.Hour = 13;
    t.Minute = 37;
    t.Second = 42;
    return t;
}

// Whether bytes reach the platter is not what is compared here.
class TNoSyncLayer : public TFileLayer {
public:
    int Sync(int) override { return 0; }
    int SyncFolder(const std::string&) override { return 0; }
};

enum class TStart { New, DataDescriptors, InfoZipComment, JunkBeforeFirstEntry, ExecutableStub };

const char* StartName(TStart start)
{
    switch (start) {
    case TStart::New: return "new";
    case TStart::DataDescriptors: return "data descriptors";
    case TStart::InfoZipComment: return "zip with a comment";
    case TStart::JunkBeforeFirstEntry: return "bytes before the first entry";
    case TStart::ExecutableStub: return "executable stub";
    }
    return "?";
}

class RewriteEquivalence : public ::testing::Test {
protected:
    RewriteEquivalence()
    {
        SetLocalClock(&StoppedClock);
        SetFileLayer(&FLayer);
        FHooks.Removable(false);
    }
    ~RewriteEquivalence() override
    {
        SetFileLayer(nullptr);
        SetLocalClock(nullptr);
    }

    std::string InPlace() const { return FScratch.File("inplace.zip"); }
    std::string Whole() const { return FScratch.File("whole.zip"); }

    // Both archives start as the same file, made once per kind.
    void MakeStart(TStart start)
    {
        std::filesystem::remove(InPlace());
        std::filesystem::remove(Whole());
        if (start == TStart::New)
            return;
        const std::string made = FScratch.File(std::string("start") + std::to_string(static_cast<int>(start)) + ".zip");
        if (!std::filesystem::exists(made))
            MakeForeign(start, made);
        std::filesystem::copy_file(made, InPlace());
        std::filesystem::copy_file(made, Whole());
    }

    void MakeForeign(TStart start, const std::string& path)
    {
        const std::string folder = Quote(FScratch.Path());
        WriteAll(FScratch.File("a.txt"), Bytes(4000, 'a'));
        WriteAll(FScratch.File("b.bin"), PhotoLikeBytes(3000, 7));
        std::filesystem::remove(FScratch.File("plain.zip"));
        TRun made;
        switch (start) {
        case TStart::New:
            return;
        case TStart::DataDescriptors:
            made = RunCommand("python3 -c " +
                              Quote("import sys,zipfile\n"
                                    "with zipfile.ZipFile(sys.stdout.buffer,'w') as z:\n"
                                    "  z.comment=b'from a pipe'\n"
                                    "  for i,m in enumerate([zipfile.ZIP_DEFLATED, zipfile.ZIP_STORED]):\n"
                                    "    zi=zipfile.ZipInfo('d/f%d.dat'%i,(2020,5,6,7,8,10))\n"
                                    "    zi.compress_type=m\n"
                                    "    z.writestr(zi, bytes(range(256))*(10+i))\n") +
                              " | cat > " + Quote(path));
            break;
        case TStart::InfoZipComment:
            made = RunCommand("cd " + folder + " && echo 'zip comment' | zip -q -z plain.zip a.txt b.bin && mv plain.zip " +
                              Quote(path));
            break;
        case TStart::JunkBeforeFirstEntry:
        case TStart::ExecutableStub: {
            made = RunCommand("cd " + folder + " && zip -q plain.zip a.txt b.bin");
            Bytes joined = PhotoLikeBytes(700, 3);
            joined[0] = start == TStart::ExecutableStub ? 'M' : 'J';
            joined[1] = start == TStart::ExecutableStub ? 'Z' : 'K';
            const Bytes plain = ReadAll(FScratch.File("plain.zip"));
            joined.insert(joined.end(), plain.begin(), plain.end());
            WriteAll(path, joined);
            if (made.Status == 0)
                made = RunCommand("zip -qA " + Quote(path));
            break;
        }
        }
        ASSERT_EQ(made.Status, 0) << made.Output;
    }

    void Open()
    {
        FInPlace.SetFileName(InPlace());
        FWhole.SetFileName(Whole());
        FWhole.Archive()->RewriteWhole = true;
    }

    void Close()
    {
        FInPlace.Close();
        FWhole.Close();
    }

    // The bytes before where the directory starts now.
    Bytes PrefixBeforeDirectory() const
    {
        const Bytes now = ReadAll(InPlace());
        const size_t at = FInPlace.Archive() ? static_cast<size_t>(FInPlace.Archive()->DirectoryPosition()) : now.size();
        return Bytes(now.begin(), now.begin() + static_cast<std::ptrdiff_t>(std::min(at, now.size())));
    }

    void RandomStep(std::mt19937& random)
    {
        const int pick = static_cast<int>(random() % 100);
        if (pick < 60) {
            const int n = static_cast<int>(random() % 10);
            // Now and then the same name in other letters: a duplicate.
            const std::string name = random() % 5 == 0 ? "P" + std::to_string(n) + ".JPG"
                                                       : "p" + std::to_string(n) + ".jpg";
            static const size_t sizes[] = {0, 1, 150, 2500, 12000};
            const size_t size = sizes[random() % 5];
            const Bytes data = random() % 3 == 0 ? Bytes(size, 'z') : PhotoLikeBytes(size, random());
            AddBytes(FInPlace, name, data);
            AddBytes(FWhole, name, data);
            return;
        }
        if (pick < 85) {
            static const char* texts[] = {"", "c", "Thumbnails of a holiday", "zip comment"};
            const std::string text = texts[random() % 4];
            FInPlace.SetComment(text);
            FWhole.SetComment(text);
            return;
        }
        Close();
        Open();
    }

    TNoSyncLayer FLayer;
    TPlatformHooks FHooks;
    TScratch FScratch;
    TZipper FInPlace;
    TZipper FWhole;
};

} // namespace

TEST_F(RewriteEquivalence, EveryCommitInPlaceEqualsAWholeRewrite)
{
    for (TStart start : {TStart::New, TStart::DataDescriptors, TStart::InfoZipComment,
                         TStart::JunkBeforeFirstEntry, TStart::ExecutableStub}) {
        for (uint32_t seed = 1; seed <= 3; ++seed) {
            SCOPED_TRACE(std::string(StartName(start)) + ", seed " + std::to_string(seed));
            ASSERT_NO_FATAL_FAILURE(MakeStart(start));
            std::mt19937 random(seed * 7919 + static_cast<uint32_t>(start));
            Open();
            // Foreign or not, a commit only changes the file from its old directory on.
            for (int step = 0; step < 10; ++step) {
                SCOPED_TRACE("step " + std::to_string(step));
                const Bytes prefix = PrefixBeforeDirectory();
                RandomStep(random);
                const Bytes now = ReadAll(InPlace());
                ASSERT_EQ(now, ReadAll(Whole()));
                ASSERT_GE(now.size(), prefix.size());
                EXPECT_TRUE(std::equal(prefix.begin(), prefix.end(), now.begin()));
            }
            Close();
            ASSERT_EQ(ReadAll(InPlace()), ReadAll(Whole()));
            EXPECT_TRUE(UnzipAccepts(InPlace()));
        }
        const TRun listing = PythonListing(InPlace());
        EXPECT_EQ(listing.Status, 0) << listing.Output;
    }
}

// The bytes before the first entry and the entries themselves stay as the
// other tool wrote them; the archive only grows after them.
TEST_F(RewriteEquivalence, AForeignArchiveKeepsItsPrefixAndEntriesAndOnlyGrows)
{
    MakeStart(TStart::JunkBeforeFirstEntry);
    const Bytes foreign = ReadAll(InPlace());
    Open();
    const size_t entriesEnd = static_cast<size_t>(FInPlace.Archive()->DirectoryPosition());
    EXPECT_EQ(FInPlace.Archive()->PrefixSize(), 700);
    AddBytes(FInPlace, "first.jpg", PhotoLikeBytes(2000, 1));
    AddBytes(FWhole, "first.jpg", PhotoLikeBytes(2000, 1));
    const Bytes first = ReadAll(InPlace());
    ASSERT_EQ(first, ReadAll(Whole()));
    EXPECT_TRUE(std::equal(foreign.begin(), foreign.begin() + static_cast<std::ptrdiff_t>(entriesEnd), first.begin()));

    const auto directory = static_cast<std::ptrdiff_t>(FInPlace.Archive()->DirectoryPosition());
    AddBytes(FInPlace, "second.jpg", PhotoLikeBytes(2000, 2));
    const Bytes second = ReadAll(InPlace());
    EXPECT_TRUE(std::equal(first.begin(), first.begin() + directory, second.begin()));
    Close();
    EXPECT_TRUE(UnzipAccepts(InPlace()));
}
