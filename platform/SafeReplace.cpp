#include "SafeReplace.h"

#include "AbandonedReplacements.h"
#include "Errors.h"
#include "FullPath.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

std::function<void(TReplaceStage)>& StageHook()
{
    static std::function<void(TReplaceStage)> hook;
    return hook;
}

// The rename is only durable once the folder itself reached the disk; a
// file system that cannot sync folders is not an error.
void SyncFolder(const std::string& folder)
{
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    ::fsync(fd);
    ::close(fd);
}

} // namespace

TSafeReplace::TSafeReplace(const std::string& target) : FTarget(target)
{
    RemoveAbandonedReplacements(target);
    std::string pattern = ReplacementPattern(target);
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    FLockHandle = ::mkstemp(name.data());
    if (FLockHandle < 0)
        throw EFCreateError(pattern, errno);
    FTempName = name.data();
    LockReplacement(FLockHandle);
    try {
        FStream = std::make_unique<TFileStream>(FTempName, fmOpenReadWrite);
    } catch (...) {
        ReleaseTemp();
        throw;
    }
}

TSafeReplace::~TSafeReplace()
{
    FStream.reset();
    ReleaseTemp();
}

// The name goes before the lock, so nobody sees an unlocked replacement.
void TSafeReplace::ReleaseTemp()
{
    if (!FCommitted)
        ::unlink(FTempName.c_str());
    if (FLockHandle >= 0)
        ::close(FLockHandle);
    FLockHandle = -1;
}

TFileIdentity TSafeReplace::Commit()
{
    Stage(TReplaceStage::Written);
    FStream->Flush();
    struct stat old {};
    if (::stat(FTarget.c_str(), &old) == 0) {
        if (::fchmod(FStream->Handle(), old.st_mode & 07777) != 0)
            throw EWriteError();
        // Keeps the owner when a privileged user writes someone else's file.
        if (::fchown(FStream->Handle(), old.st_uid, old.st_gid) != 0) {
        }
    }
    Stage(TReplaceStage::Synced);
    TFileIdentity identity;
    if (::rename(FTempName.c_str(), FTarget.c_str()) != 0)
        throw EFCreateError(FTarget, errno);
    FCommitted = true;
    GetHandleIdentity(FStream->Handle(), identity);
    FStream.reset();
    SyncFolder(FolderOfPath(FTarget));
    return identity;
}

void TSafeReplace::Stage(TReplaceStage stage)
{
    if (StageHook())
        StageHook()(stage);
}

void TSafeReplace::SetStageHook(std::function<void(TReplaceStage)> hook)
{
    StageHook() = std::move(hook);
}
