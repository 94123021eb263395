// Thumbnails carry their photos' modification times: the DOS field in the
// local time of the run, the extended-timestamp block in UTC. Checked with
// zipinfo and Python in several time zones, each reader in the zone the run
// had.

#include "ChildProcess.h"
#include "JpegFixtures.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sys/time.h>

#include <cstdlib>

using ::testing::HasSubstr;

namespace {

const std::string Program = PLK_BATCH_EXE;

// Sets TZ for this process and its children for one scope.
class TZone {
public:
    explicit TZone(const char* zone)
    {
        const char* old = std::getenv("TZ");
        FHad = old != nullptr;
        if (FHad)
            FOld = old;
        ::setenv("TZ", zone, 1);
    }
    ~TZone()
    {
        if (FHad)
            ::setenv("TZ", FOld.c_str(), 1);
        else
            ::unsetenv("TZ");
    }

private:
    bool FHad = false;
    std::string FOld;
};

void SetModified(const std::string& path, long seconds)
{
    const struct timeval times[2] = {{seconds, 0}, {seconds, 0}};
    ASSERT_EQ(::utimes(path.c_str(), times), 0);
}

// One line per entry: whether the DOS field is the local time of the
// file's mtime (odd seconds down, held to 1980 and later), whether the UTC
// block holds the mtime (none before 1970), and whether zipinfo -T shows
// the exact local time where the block exists, the DOS field's otherwise.
std::string CheckTimes(const std::string& archive, const std::string& picturesFolder)
{
    const std::string script =
        "import os, sys, time, zipfile, struct, subprocess\n"
        "z = zipfile.ZipFile(sys.argv[1])\n"
        "info = subprocess.run(['zipinfo', '-T', sys.argv[1]], capture_output=True, text=True).stdout\n"
        "for i in z.infolist():\n"
        "    m = int(os.stat(os.path.join(sys.argv[2], i.filename)).st_mtime)\n"
        "    local = tuple(time.localtime(m))[:6]\n"
        "    dos = max(local[:5] + (local[5] // 2 * 2,), (1980, 1, 1, 0, 0, 0))\n"
        "    ut = [struct.unpack('<i', i.extra[k+5:k+9])[0] for k in range(0, len(i.extra) - 8)\n"
        "          if i.extra[k:k+2] == b'UT']\n"
        "    shown = '%04d%02d%02d.%02d%02d%02d' % (local if m >= 0 else dos)\n"
        "    print(i.filename, i.date_time == dos, ut == ([m] if m >= 0 else []), (shown + ' ' + i.filename) in info)\n";
    std::string output;
    RunShell("python3 -c \"" + script + "\" '" + archive + "' '" + picturesFolder + "' 2>&1", &output);
    return output;
}

} // namespace

TEST(EntryTime, EntriesCarryThePhotosTimesInEveryZone)
{
    TTempDir dir;
    const std::string a = dir.Picture("photos/summer.jpg", 64, 48);
    const std::string b = dir.Picture("photos/newyear.jpg", 64, 48);
    const std::string c = dir.Picture("photos/scan.jpg", 64, 48);
    const std::string d = dir.Picture("photos/reset.jpg", 64, 48);
    SetModified(a, 1563099072);  // 2019-07-14 10:11:12 UTC
    SetModified(b, 1704067199);  // 2023-12-31 23:59:59 UTC: an odd second, and a new year in some zones
    SetModified(c, 157766400);   // 1975: before the DOS years, after 1970
    SetModified(d, -86400);      // 1969-12-31: before both
    for (const char* zone : {"UTC0", "IST-5:30", "EST5EDT,M3.2.0,M11.1.0", "NZST-12NZDT,M9.5.0,M4.1.0/3"}) {
        SCOPED_TRACE(zone);
        const TZone inZone(zone);
        const std::string archive = dir.File("thumbs.zip");
        std::remove(archive.c_str());
        const TChildResult run = RunChild(Program, {archive, dir.File("photos")});
        ASSERT_EQ(run.ExitCode, 0) << run.Err;
        const std::string report = CheckTimes(archive, dir.File("photos"));
        for (const char* name : {"summer.jpg", "newyear.jpg", "scan.jpg", "reset.jpg"})
            EXPECT_THAT(report, HasSubstr(std::string(name) + " True True True\n")) << report;
    }
}
