// plinkavorte-batch past the classic count: an archive of 65534 entries
// gets three thumbnails and zip64 records, the next run reads it and skips
// them, and every other reader lists all 65537 entries.

#include "ChildProcess.h"
#include "JpegFixtures.h"
#include "ZipListing.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using ::testing::HasSubstr;

TEST(Zip64Run, ABatchRunTakesAnArchivePastTheClassicCountAndTheNextOneReadsIt)
{
    TTempDir dir;
    const std::string archive = dir.File("many.zip");
    std::string output;
    ASSERT_EQ(RunShell("python3 -c \"import sys,zipfile\n"
                       "with zipfile.ZipFile(sys.argv[1],'w') as z:\n"
                       "  for i in range(65534): z.writestr('%05d.jpg'%i, b'')\n\" '" +
                           archive + "' 2>&1",
                       &output),
              0)
        << output;
    for (const char* name : {"a.jpg", "b.jpg", "c.jpg"})
        dir.Picture(std::string("photos/") + name, 80, 60);

    const TChildResult first = RunChild(PLK_BATCH_EXE, {archive, dir.File("photos")});
    ASSERT_EQ(first.ExitCode, 0) << first.Err;
    EXPECT_THAT(first.Err, HasSubstr("3 pictures done"));
    const TZipListing listing = ReadZipListing(archive);
    ASSERT_EQ(listing.Entries.size(), 65537u);
    EXPECT_EQ(listing.Entries.back().Name, "c.jpg");
    EXPECT_NO_THROW(listing.Extract(listing.Entries.back()));

    EXPECT_EQ(RunShell("unzip -tq '" + archive + "' 2>&1", &output), 0) << output;
    EXPECT_EQ(RunShell("zipinfo -1 '" + archive + "' | wc -l", &output), 0);
    EXPECT_EQ(output, "65537\n");
    EXPECT_EQ(RunShell("python3 -c \"import sys,zipfile\nz=zipfile.ZipFile(sys.argv[1])\n"
                       "print(len(z.namelist()), len(z.read('b.jpg')) > 0)\" '" +
                           archive + "'",
                       &output),
              0);
    EXPECT_EQ(output, "65537 True\n");

    const TChildResult again = RunChild(PLK_BATCH_EXE, {archive, dir.File("photos")});
    ASSERT_EQ(again.ExitCode, 0) << again.Err;
    EXPECT_THAT(again.Err, HasSubstr("0 pictures done, 3 skipped: already in the archive"));
    EXPECT_EQ(ReadZipListing(archive).Entries.size(), 65537u);
}
