// Runs squeezed by the system: huge files that are no pictures, few
// threads, little address space. Each ends with a thumbnail archive or a
// message; none aborts, and memory stays within the decode budget.

#include "HardeningSupport.h"
#include "JpegCodec.h"
#include "JpegFixtures.h"
#include "Unprivileged.h"
#include "ZipListing.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <functional>

using ::testing::ElementsAre;
using ::testing::HasSubstr;

namespace {

struct TLimitedRun {
    int ExitCode = -1;        // -1 when the child did not exit normally
    int Signal = 0;
    int64_t PeakBytes = 0;
    std::string Err;
};

// plinkavorte-batch as a child that first calls setup (drops privileges, sets
// limits), with its standard error kept in errFile, and its peak resident size.
TLimitedRun RunLimited(const std::vector<std::string>& args, const std::string& errFile,
                       const std::function<bool()>& setup = {})
{
    std::vector<std::string> all{BatchProgram};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& a : all)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    std::fflush(nullptr);
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int err = ::open(errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
        if (err < 0 || ::dup2(err, STDERR_FILENO) < 0 || (setup && !setup()))
            ::_exit(120);
        ::execv(argv[0], argv.data());
        ::_exit(121);
    }
    TLimitedRun run;
    int status = 0;
    rusage usage{};
    if (pid < 0 || ::wait4(pid, &status, 0, &usage) != pid)
        return run;
    run.ExitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.Signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
    run.PeakBytes = int64_t{usage.ru_maxrss} * 1024;
    const std::vector<uint8_t> text = ReadBytes(errFile);
    run.Err.assign(text.begin(), text.end());
    return run;
}

bool Limit(int resource, rlim_t value)
{
    const rlimit limit{value, value};
    return ::setrlimit(resource, &limit) == 0;
}

class ResourceLimit : public ::testing::Test {
protected:
    // Photos of a few sizes, a large one last.
    std::string PhotoFolder()
    {
        const std::string folder = Dir.File("photos");
        ::mkdir(folder.c_str(), 0700);
        WriteTestJpeg(folder + "/a.jpg", 1600, 1200);
        WriteTestJpeg(folder + "/b.jpg", 1200, 1600, TJpegKind::Progressive);
        WriteTestJpeg(folder + "/c.jpg", 640, 480, TJpegKind::Grey);
        WriteTestJpeg(folder + "/d.jpg", 4000, 3000, TJpegKind::Progressive);
        return folder;
    }

    TTempDir Dir;
    std::string Archive = Dir.File("photos/thumbs.zip");
};

}  // namespace

// Each file takes 1.5 GB on paper and nothing on disk. One is zeros, no
// picture; the other a small picture followed by a hole. Read whole, once
// per worker, they took 3 GB before the first check.
TEST_F(ResourceLimit, HugeFilesNamedLikePicturesStayWithinTheBudget)
{
    constexpr off_t Huge = off_t{1536} << 20;
    WriteBytes(Dir.File("zeros.jpg"), {});
    WriteTestJpeg(Dir.File("photo-and-hole.jpg"), 640, 480);
    for (const char* name : {"zeros.jpg", "photo-and-hole.jpg"})
        ASSERT_EQ(::truncate(Dir.File(name).c_str(), Huge), 0);
    const TLimitedRun run = RunLimited({"-k", "-c", "-j", "2", Dir.File("t.zip"), Dir.File("zeros.jpg"),
                                        Dir.File("photo-and-hole.jpg")},
                                       Dir.File("err.txt"));
    EXPECT_EQ(run.ExitCode, 1) << run.Err;
    EXPECT_THAT(run.Err, HasSubstr(Dir.File("zeros.jpg") + ": JPEG error #53."));
    EXPECT_THAT(ReadZipListing(Dir.File("t.zip")).Names(), ElementsAre("photo-and-hole.jpg"));
    EXPECT_LT(run.PeakBytes, JpegPictureMemoryCap) << "peak " << (run.PeakBytes >> 20) << " MiB";
}

// A user allowed four processes asks for eight jobs: the threads that start
// make every thumbnail, and the shell says so once.
TEST_F(ResourceLimit, FewerThreadsThanJobsGoOnWithThoseThatStart)
{
    AsUnprivilegedUser([](const std::string& root) {
        WriteTestJpeg(root + "/a.jpg", 1600, 1200);
        WriteTestJpeg(root + "/b.jpg", 1200, 1600, TJpegKind::Progressive);
        WriteTestJpeg(root + "/c.jpg", 640, 480, TJpegKind::Grey);
        const std::string archive = root + "/thumbs.zip";
        const TLimitedRun run = RunLimited({"-c", "-j", "8", archive, root}, root + "/err.txt", [] {
            // The leak checker's own thread would be refused too.
            const char* asan = std::getenv("ASAN_OPTIONS");
            ::setenv("ASAN_OPTIONS", (std::string(asan ? asan : "") + ":detect_leaks=0").c_str(), 1);
            return Limit(RLIMIT_NPROC, 4);
        });
        EXPECT_EQ(run.ExitCode, 0) << run.Err;
        const std::string warning = "plinkavorte-batch: warning: 8 jobs asked, ";
        const size_t at = run.Err.find(warning);
        EXPECT_NE(at, std::string::npos) << run.Err;
        EXPECT_EQ(run.Err.find("warning:", at + warning.size()), std::string::npos) << "warned once";
        EXPECT_THAT(ReadZipListing(archive).Names(), ElementsAre("a.jpg", "b.jpg", "c.jpg"));
    });
}

// Little address space for sixteen jobs: whatever cannot be had ends the run
// with a message, or the run makes its thumbnails with what it could start.
TEST_F(ResourceLimit, LittleAddressSpaceEndsWithThumbnailsOrAMessage)
{
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "the sanitizers' shadow memory needs more address space than the limits leave";
#endif
    const std::string folder = PhotoFolder();
    for (rlim_t kib : {300000, 150000, 100000}) {
        SCOPED_TRACE("ulimit -v " + std::to_string(kib));
        const TLimitedRun run = RunLimited({"-c", "-j", "16", Archive, folder}, Dir.File("err.txt"),
                                           [kib] { return Limit(RLIMIT_AS, kib * 1024); });
        EXPECT_EQ(run.Signal, 0) << run.Err;
        ASSERT_TRUE(run.ExitCode == 0 || run.ExitCode == 1) << run.ExitCode << "\n" << run.Err;
        if (run.ExitCode == 0) {
            EXPECT_EQ(ReadZipListing(Archive).Names().size(), 4u);
        } else {
            EXPECT_THAT(LastErrorLine(TChildResult{1, "", run.Err}), HasSubstr(folder + "/")) << run.Err;
            const std::vector<std::string> kept = ReadZipListing(Archive).Names();
            const std::vector<std::string> all{"a.jpg", "b.jpg", "c.jpg", "d.jpg"};
            EXPECT_TRUE(std::equal(kept.begin(), kept.end(), all.begin())) << "what was made before stays";
        }
    }
}
