// Two plinkavorte-batch runs adding 60 pictures each to one archive at the
// same time, starting from no archive at all: both finish without a
// failure, and every picture is in the archive once, a name both lists
// share included.

#include "HardeningSupport.h"
#include "JpegFixtures.h"
#include "ZipListing.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <map>

namespace {

constexpr int PicturesEach = 60;
constexpr int Shared = 5;

TEST(TwoWriters, BothFinishAndEveryPictureIsThereOnce)
{
    TTempDir dir;
    const std::string source = dir.File("source.jpg");
    WriteTestJpeg(source, 96, 64);
    const std::string archive = dir.File("thumbs.zip");
    std::vector<std::string> lists[2];
    std::set<std::string> expected;
    for (int w = 0; w < 2; ++w) {
        const std::string folder = dir.File(w == 0 ? "first" : "second");
        ::mkdir(folder.c_str(), 0755);
        lists[w] = {"-s", "50", archive};
        for (int i = 0; i < PicturesEach; ++i) {
            // The last few names are in both lists.
            const std::string name = i >= PicturesEach - Shared ? "both" + std::to_string(i) + ".jpg"
                                                                : (w == 0 ? "a" : "b") + std::to_string(i) + ".jpg";
            ASSERT_EQ(::link(source.c_str(), (folder + "/" + name).c_str()), 0);
            lists[w].push_back(folder + "/" + name);
            expected.insert(name);
        }
    }

    TRunningChild first(BatchProgram, lists[0]);
    TRunningChild second(BatchProgram, lists[1]);
    std::string firstErr, secondErr;
    EXPECT_EQ(first.Wait(firstErr), 0) << firstErr;
    EXPECT_EQ(second.Wait(secondErr), 0) << secondErr;

    const TZipListing listing = ReadZipListing(archive);
    std::map<std::string, int> seen;
    for (const auto& entry : listing.Entries) {
        ++seen[entry.Name];
        EXPECT_NO_THROW(listing.Extract(entry)) << entry.Name;
    }
    for (const auto& name : expected)
        EXPECT_EQ(seen[name], 1) << name;
    EXPECT_EQ(listing.Entries.size(), expected.size());
    std::string report;
    EXPECT_TRUE(UnzipTestPasses(archive, &report)) << report;
    EXPECT_EQ(FolderNames(dir.Path()), (std::set<std::string>{"first", "second", "source.jpg", "thumbs.zip"}));
}

} // namespace
