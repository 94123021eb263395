#include "ArchiveTestSupport.h"

#include "ZipArchive.h"
#include "FileStream.h"

using namespace archive_test;

namespace {

class StoredName : public ::testing::Test {
protected:
    StoredName() : FArchive(FScratch.File("names.zip"), fmCreate) {}
    std::string Stored(const std::string& name, TStoreOptions options)
    {
        FArchive.SetStoreOptions(options);
        return FArchive.MakeStoredName(name);
    }
    TScratch FScratch;
    TZipArchive FArchive;
};

constexpr TStoreOptions kSessionDefault = StoreOptionBit(soStripDrive) | StoreOptionBit(soRemoveDots);
constexpr TStoreOptions kThisProgram = kSessionDefault | StoreOptionBit(soStripPath);

} // namespace

TEST_F(StoredName, BareNamesStayAsGiven)
{
    EXPECT_EQ(Stored("cat.jpg", kThisProgram), "cat.jpg");
    EXPECT_EQ(Stored("Cat Photo.JPEG", kThisProgram), "Cat Photo.JPEG");
    EXPECT_EQ(Stored("x", kSessionDefault), "x");
}

TEST_F(StoredName, OnlyTheRootOfAnAbsolutePathGoes)
{
    EXPECT_EQ(Stored("/home/ann/cat.jpg", kSessionDefault), "home/ann/cat.jpg");
    EXPECT_EQ(Stored("//home/cat.jpg", kSessionDefault), "home/cat.jpg");
    EXPECT_EQ(Stored("../../pics/cat.jpg", kSessionDefault), "pics/cat.jpg");
    // Without soRemoveDots the steps stay.
    EXPECT_EQ(Stored("../cat.jpg", StoreOptionBit(soStripDrive)), "../cat.jpg");
    // A lone separator is longer than nothing only by itself: it stays.
    EXPECT_EQ(Stored("/", kSessionDefault), "/");
}

// Backslashes and colons are ordinary characters of a name here: taking them
// for separators merged "10:15:30.jpg" with "30.jpg".
TEST_F(StoredName, BackslashesAndColonsAreKept)
{
    EXPECT_EQ(Stored("/pics/2024-05-01 10:15:30.jpg", kThisProgram), "2024-05-01 10:15:30.jpg");
    EXPECT_EQ(Stored("/pics/a\\b.jpg", kThisProgram), "a\\b.jpg");
    EXPECT_EQ(Stored("C:\\photos\\cat.jpg", kThisProgram), "C:\\photos\\cat.jpg");
    EXPECT_EQ(Stored("\\\\server\\share\\cat.jpg", kSessionDefault), "\\\\server\\share\\cat.jpg");
    EXPECT_EQ(Stored("..\\cat.jpg", kSessionDefault), "..\\cat.jpg");
    EXPECT_EQ(Stored("C:cat.jpg", kThisProgram), "C:cat.jpg");
}

TEST_F(StoredName, StripPathKeepsTheTextAfterTheLastSlash)
{
    EXPECT_EQ(Stored("/home/ann/2024/cat.jpg", kThisProgram), "cat.jpg");
    EXPECT_EQ(Stored("pics/x:y\\cat.jpg", kThisProgram), "x:y\\cat.jpg");
    EXPECT_EQ(Stored("../cat.jpg", kThisProgram), "cat.jpg");
}

TEST_F(StoredName, StripDriveIsAlwaysOnForZipModels)
{
    FArchive.SetStoreOptions(0);
    EXPECT_TRUE(HasStoreOption(FArchive.StoreOptions(), soStripDrive));
    EXPECT_EQ(FArchive.MakeStoredName("/a/b.jpg"), "a/b.jpg");
}

TEST_F(StoredName, NewEntryFillsDefaultsAndTheHostByte)
{
    auto entry = FArchive.NewEntry("cat.jpg");
    auto& item = static_cast<TZipItem&>(*entry);
    EXPECT_EQ(item.Action(), eaKeep);
    EXPECT_EQ(item.CompressionMethod(), 8);
    EXPECT_EQ(item.GeneralPurposeBitFlag(), 0);
    EXPECT_EQ(item.GetCompressedSize(), 0);
    EXPECT_EQ(item.RelativeOffset(), 0u);
    EXPECT_EQ(item.GetFileName(), "cat.jpg");
    EXPECT_EQ(item.DiskFileName().front(), '/');
    EXPECT_EQ(item.DiskFileName().substr(item.DiskFileName().size() - 8), "/cat.jpg");

    auto accented = FArchive.NewEntry("caf\xc3\xa9.jpg");
    EXPECT_EQ(static_cast<TZipItem&>(*accented).HostOS(), 11);
}
