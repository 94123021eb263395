#include "Errors.h"
#include "FileStream.h"
#include "MemoryStream.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <future>
#include <string>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

std::string TempPath(const char* name)
{
    const char* dir = std::getenv("TMPDIR");
    return std::string(dir && *dir ? dir : "/tmp") + "/plk_stream_" + std::to_string(::getpid()) + "_" + name;
}

TEST(MemoryStream, ReadsBackWritesAndStopsAtTheEnd)
{
    TMemoryStream s;
    s.WriteBuffer("abcdef", 6);
    EXPECT_EQ(s.GetSize(), 6);
    s.SetPosition(4);
    char buf[8] = {};
    EXPECT_EQ(s.Read(buf, 8), 2);
    EXPECT_EQ(std::string(buf, 2), "ef");
    EXPECT_EQ(s.Read(buf, 8), 0);
    s.SetPosition(2);
    EXPECT_THROW(s.ReadBuffer(buf, 5), EReadError);
}

TEST(MemoryStream, WritingPastTheEndLeavesZerosAndSetSizeClampsPosition)
{
    TMemoryStream s;
    s.SetPosition(3);
    s.WriteBuffer("x", 1);
    ASSERT_EQ(s.GetSize(), 4);
    EXPECT_EQ(s.Memory()[0], 0);
    EXPECT_EQ(s.Memory()[3], 'x');
    s.SetSize(2);
    EXPECT_EQ(s.GetPosition(), 2);
}

TEST(Stream, CopyFromWithZeroCopiesTheWholeSourceFromItsStart)
{
    TMemoryStream src, dst;
    src.WriteBuffer("hello", 5);
    EXPECT_EQ(dst.CopyFrom(src, 0), 5);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(dst.Memory()), 5), "hello");
    src.SetPosition(1);
    dst.Clear();
    dst.CopyFrom(src, 3);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(dst.Memory()), 3), "ell");
    src.SetPosition(4);
    EXPECT_THROW(dst.CopyFrom(src, 3), EReadError);
}

TEST(FileStream, CreatesWritesAndReopensForReading)
{
    const std::string path = TempPath("a.bin");
    {
        TFileStream f(path, fmCreate);
        f.WriteBuffer("12345", 5);
        f.Flush();
    }
    TMemoryStream m;
    m.LoadFromFile(path);
    EXPECT_EQ(m.GetSize(), 5);
    {
        TFileStream f(path, fmOpenReadWrite | fmShareDenyWrite);
        f.SetSize(2);
        EXPECT_EQ(f.GetSize(), 2);
    }
    ::unlink(path.c_str());
}

TEST(FileStream, MissingFileGivesTheOpenMessageWithPathAndReason)
{
    const std::string path = TempPath("missing.jpg");
    try {
        TFileStream f(path, fmOpenRead);
        FAIL() << "opened a missing file";
    } catch (const EFOpenError& e) {
        EXPECT_EQ(e.Message(), "Cannot open file \"" + path + "\". No such file or directory");
    }
}

TEST(FileStream, AFolderCannotBeOpenedAsAFile)
{
    EXPECT_THROW(TFileStream("/tmp", fmOpenRead), EFOpenError);
}

// Opens the path for reading on another thread; a FIFO that blocks the open
// is released by opening its other end, so a fault fails the test instead of
// hanging it.
std::string OpenMessage(const std::string& path, uint16_t mode = fmOpenRead)
{
    auto opening = std::async(std::launch::async, [&] {
        try {
            TFileStream f(path, mode);
            return std::string("(opened)");
        } catch (const EFOpenError& e) {
            return e.Message();
        }
    });
    if (opening.wait_for(std::chrono::seconds(10)) == std::future_status::timeout) {
        const int writer = ::open(path.c_str(), O_RDWR | O_NONBLOCK);
        opening.wait();
        if (writer >= 0)
            ::close(writer);
        return "(hung)";
    }
    return opening.get();
}

std::string NotRegular(const std::string& path)
{
    return "Cannot open file \"" + path + "\". Not a regular file.";
}

// A FIFO named like a picture once waited forever for a writer.
TEST(FileStream, FifoSocketAndDeviceAreRefusedWithoutWaiting)
{
    const std::string fifo = TempPath("fifo.jpg");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0) << std::strerror(errno);
    EXPECT_EQ(OpenMessage(fifo), NotRegular(fifo));
    EXPECT_EQ(OpenMessage(fifo, fmOpenReadWrite), NotRegular(fifo));

    const std::string link = TempPath("link.jpg");
    ASSERT_EQ(::symlink(fifo.c_str(), link.c_str()), 0);
    EXPECT_EQ(OpenMessage(link), NotRegular(link));

    const std::string socketPath = TempPath("sock.jpg");
    const int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(sock, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    ASSERT_LT(socketPath.size(), sizeof address.sun_path);
    std::strcpy(address.sun_path, socketPath.c_str());
    ASSERT_EQ(::bind(sock, reinterpret_cast<sockaddr*>(&address), sizeof address), 0) << std::strerror(errno);
    EXPECT_EQ(OpenMessage(socketPath), NotRegular(socketPath));
    ::close(sock);

    EXPECT_EQ(OpenMessage("/dev/null"), NotRegular("/dev/null"));
    EXPECT_EQ(OpenMessage("/dev/zero"), NotRegular("/dev/zero"));

    for (const std::string& path : {fifo, link, socketPath})
        ::unlink(path.c_str());
}

// O_NONBLOCK is only for the open: reads of a regular file behave as ever.
TEST(FileStream, ARegularFileIsReadWithBlockingReads)
{
    const std::string path = TempPath("plain.jpg");
    {
        TFileStream f(path, fmCreate);
        f.WriteBuffer("abc", 3);
    }
    TFileStream f(path, fmOpenRead);
    EXPECT_EQ(::fcntl(f.Handle(), F_GETFL) & O_NONBLOCK, 0);
    char buf[4] = {};
    EXPECT_EQ(f.Read(buf, 4), 3);
    ::unlink(path.c_str());
}

} // namespace
