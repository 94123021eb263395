#include "Errors.h"
#include "FileStream.h"
#include "MemoryStream.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
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

} // namespace
