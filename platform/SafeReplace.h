#pragma once
// Replaces a file as a whole: the new bytes go to a temporary file beside it,
// reach the disk, take over the old file's permission bits and are renamed
// over it. Until the rename the old file is untouched; if anything fails the
// temporary file is removed. What a killed writer left beside the target is
// removed by the next one.

#include "FileIdentity.h"
#include "FileStream.h"

#include <functional>
#include <memory>
#include <string>

// Written: the content is in the temporary file; Synced: it reached the disk
// and carries the old permission bits, the rename comes next.
enum class TReplaceStage { Written, Synced };

class TSafeReplace {
public:
    // Creates the temporary file in the target's folder; EFCreateError when
    // that folder takes no new file.
    explicit TSafeReplace(const std::string& target);
    ~TSafeReplace();
    TSafeReplace(const TSafeReplace&) = delete;
    TSafeReplace& operator=(const TSafeReplace&) = delete;

    // Where the new content is written.
    TFileStream& Stream() { return *FStream; }
    const std::string& TempFileName() const { return FTempName; }

    // Flushes, copies the permission bits and renames over the target.
    // Returns the identity of the file now under the target's name.
    TFileIdentity Commit();

    // Called after each stage; a test throws from it to inject a fault there.
    static void SetStageHook(std::function<void(TReplaceStage)> hook);

private:
    void Stage(TReplaceStage stage);
    void ReleaseTemp();

    std::string FTarget;
    std::string FTempName;
    std::unique_ptr<TFileStream> FStream;
    int FLockHandle = -1;
    bool FCommitted = false;
};
