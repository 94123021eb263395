#include "BatchRun.h"

#include "ZipSession.h"
#include "ClearGuard.h"
#include "EntryName.h"
#include "FileSystem.h"
#include "MemoryStream.h"
#include "ThumbnailMaker.h"
#include "ZipArchive.h"

#include <cstdio>
#include <functional>
#include <memory>

namespace {

constexpr const char* ArchiveComment = "Made with Plinkavorte";

// Ours goes only where there is no comment yet, or ours already: a comment
// another tool or the user wrote belongs to the archive.
void CommentArchive(TZipper& zipper)
{
    const TZipArchive* archive = zipper.Archive();
    if (archive && !archive->Comment().empty() && archive->Comment() != ArchiveComment)
        return;
    zipper.SetComment(ArchiveComment);
}

std::string FilesCaption(int current, int count)
{
    char caption[48];
    std::snprintf(caption, sizeof caption, "Files %d/%d", current, count);
    return caption;
}

// Marks a run as going on for exactly as long as it is in scope.
class TRunningMark {
public:
    explicit TRunningMark(bool& flag) : FFlag(flag) { FFlag = true; }
    ~TRunningMark() { FFlag = false; }
    TRunningMark(const TRunningMark&) = delete;
    TRunningMark& operator=(const TRunningMark&) = delete;

private:
    bool& FFlag;
};

} // namespace

TBatchRun::TBatchRun(TZipper& zipper, int jobs) : FZipper(zipper), FJobs(jobs < 1 ? 1 : jobs) {}

void TBatchRun::Stop()
{
    FStopped = true;
}

bool TBatchRun::Running() const
{
    return FRunning;
}

void TBatchRun::Go(IBatchHost& host)
{
    // Reached again from the messages handled between items: a nested run
    // would pull the work objects from under the outer one.
    if (FRunning)
        return;
    TRunningMark running(FRunning);

    FStopped = false;
    FFailedIndex = -1;
    FFailure = TRunFailure::rfNone;
    if (host.ArchiveName().empty())
        return;
    if (host.ListCount() == 0)
        return;

    InArchive([&] { OpenArchive(host, host.ArchiveName()); });

    const int count = host.ListCount();
    host.SetProgressMax(count);
    host.SetProgressPosition(count);

    try {
        RunItems(host);
    } catch (...) {
        if (FFailure == TRunFailure::rfNone)
            FFailure = TRunFailure::rfOther;
        throw;
    }

    InArchive([&] {
        CommentArchive(FZipper);
        FZipper.Close();
    });
}

void TBatchRun::InArchive(const std::function<void()>& step)
{
    try {
        step();
    } catch (...) {
        FFailure = TRunFailure::rfArchive;
        throw;
    }
}

void TBatchRun::OpenArchive(IBatchHost& host, const std::string& archiveName)
{
    if (host.ClearTicked() && FileExists(archiveName)) {
        RequireNewZipName(archiveName);
        // An archive a failed run left open would otherwise be written back
        // over the fresh start when the session lets go of it.
        if (!FZipper.FileName().empty())
            FZipper.Close();
        DeleteFile(archiveName);  // a failed deletion is ignored; opening then reports
    }
    FZipper.Open(archiveName);
}

void TBatchRun::RunItems(IBatchHost& host)
{
    const int n = host.ListCount();
    // Made once per run and released on every path when this scope ends.
    const std::unique_ptr<IThumbnailMaker> maker = NewThumbnailMaker(FJobs, n);
    for (int i = 0; i < n && !FStopped; ++i) {
        host.SetCaption(FilesCaption(i + 1, host.ListCount()));
        FFailedIndex = i;
        const std::string path = host.ListEntry(i);
        ProcessFile(host, i, path, *maker);
        FFailedIndex = -1;
    }
}

void TBatchRun::ProcessFile(IBatchHost& host, int index, const std::string& path, IThumbnailMaker& maker)
{
    TMemoryStream* thumbnail = nullptr;
    try {
        host.SetProgressPosition(host.ProgressPosition() - 1);
        thumbnail = &maker.Make(host, index, path, host.ReadSettings());
    } catch (...) {
        host.ProcessMessages();
        // Only the picture's own failure may be passed over; one of the
        // archive's would fail again for every later picture.
        if (host.PictureFailed(index, path))
            return;
        FFailure = TRunFailure::rfPicture;
        throw;
    }
    // The thumbnail carries its photo's time, so unpacked thumbnails sort as the photos do.
    int64_t modified = 0;
    const bool known = GetFileModified(path, modified);
    try {
        InArchive([&] {
            FZipper.AddStream(EntryNameOf(path), *thumbnail, known ? std::optional<int64_t>(modified) : std::nullopt);
        });
    } catch (...) {
        host.ProcessMessages();
        throw;
    }
    host.ProcessMessages();
}
