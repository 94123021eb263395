#include "BatchRun.h"

#include "ZipSession.h"
#include "ClearGuard.h"
#include "EntryName.h"
#include "FileSystem.h"
#include "MemoryStream.h"
#include "ThumbnailMaker.h"
#include "ZipArchive.h"

#include <cstdio>
#include <exception>
#include <functional>
#include <memory>
#include <optional>

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

std::string FilesCaption(int current, int count)
{
    char caption[48];
    std::snprintf(caption, sizeof caption, "Files %d/%d", current, count);
    return caption;
}

TBatchRun::TBatchRun(TZipper& zipper, int jobs, bool responsive)
    : FZipper(zipper), FJobs(jobs < 1 ? 1 : jobs), FResponsive(responsive)
{
}

void TBatchRun::Stop()
{
    FStop.Ask();
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

    FStop.Clear();
    FEndedEarly = false;
    FFailedIndex = -1;
    FFailure = TRunFailure::rfNone;
    FWaiting.clear();
    FWaitFailure = nullptr;
    FZipper.TakeEntryFailure();  // an earlier run's, raised or not then
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
        CommitWhatWaited(host);
        throw;
    }

    InArchive([&] {
        CommentArchive(FZipper);
        FZipper.Close();
        ReportCommitted(host);
    });
}

// The pictures before the one that failed still go to disk; the run's own
// failure is the one it ends with.
void TBatchRun::CommitWhatWaited(IBatchHost& host)
{
    if (FFailure == TRunFailure::rfArchive)
        return;
    try {
        FZipper.Commit();
        ReportCommitted(host);
        FZipper.GiveBackRoom();
    } catch (...) {
    }
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
    const std::unique_ptr<IThumbnailMaker> maker = NewThumbnailMaker(host, FJobs, n, FStop, FResponsive);
    // A commit failing while a thumbnail is awaited is the archive's failure,
    // not the picture's: it is kept and raised once the wait is over.
    maker->OnWait = [this, &host] {
        try {
            if (!FWaitFailure) {
                FZipper.CommitIfDue();
                ReportCommitted(host);
            }
        } catch (...) {
            FWaitFailure = std::current_exception();
        }
    };
    for (int i = 0; i < n && !FEndedEarly; ++i) {
        if (FStop.Asked()) {
            FEndedEarly = true;
            break;
        }
        host.SetCaption(FilesCaption(i + 1, host.ListCount()));
        FFailedIndex = i;
        const std::string path = host.ListEntry(i);
        FEndedEarly = !ProcessFile(host, i, path, *maker);
        FFailedIndex = -1;
    }
}

bool TBatchRun::ProcessFile(IBatchHost& host, int index, const std::string& path, IThumbnailMaker& maker)
{
    // What waits would outlast its limit while this picture is made.
    InArchiveHandlingMessages(host, [&] {
        FZipper.CommitIfDue(FLastMake);
        ReportCommitted(host);
    });
    TMemoryStream* thumbnail = nullptr;
    try {
        const auto started = std::chrono::steady_clock::now();
        thumbnail = &maker.Make(host, index, path, host.ReadSettings());
        FLastMake = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - started);
    } catch (const EPictureGivenUp&) {
        host.ProcessMessages();
        InArchive([this] { RaiseWaitFailure(); });
        host.PictureGivenUp(index);
        return false;
    } catch (...) {
        host.ProcessMessages();
        InArchive([this] { RaiseWaitFailure(); });
        // A failing picture counts on the bar; only its own failure may be
        // passed over, one of the archive's would fail again for every later picture.
        host.SetProgressPosition(host.ProgressPosition() - 1);
        if (host.PictureFailed(index, path))
            return true;
        FFailure = TRunFailure::rfPicture;
        throw;
    }
    InArchiveHandlingMessages(host, [&] {
        RaiseWaitFailure();
        AddToArchive(host, index, path, *thumbnail);
    });
    host.ProcessMessages();
    return true;
}

void TBatchRun::AddToArchive(IBatchHost& host, int index, const std::string& path, TMemoryStream& thumbnail)
{
    // The thumbnail carries its photo's time, so unpacked thumbnails sort as the photos do.
    int64_t modified = 0;
    const bool known = GetFileModified(path, modified);
    FZipper.AddStream(EntryNameOf(path), thumbnail, known ? std::optional<int64_t>(modified) : std::nullopt);
    FWaiting.push_back({index, path});
    ReportCommitted(host);
}

void TBatchRun::InArchiveHandlingMessages(IBatchHost& host, const std::function<void()>& step)
{
    try {
        InArchive(step);
    } catch (...) {
        host.ProcessMessages();
        throw;
    }
}

void TBatchRun::RaiseWaitFailure()
{
    if (FWaitFailure) {
        const std::exception_ptr failure = FWaitFailure;
        FWaitFailure = nullptr;
        std::rethrow_exception(failure);
    }
}

// Once nothing waits in memory, every picture given to the archive is on
// disk, or was skipped there.
void TBatchRun::ReportCommitted(IBatchHost& host)
{
    if (FZipper.Uncommitted() > 0)
        return;
    // The commit went on without a picture: none of those waiting counts as
    // done, since which one it was is not known here.
    if (const std::exception_ptr failure = FZipper.TakeEntryFailure())
        std::rethrow_exception(failure);
    while (!FWaiting.empty()) {
        const TWaiting picture = FWaiting.front();
        FWaiting.pop_front();
        host.SetProgressPosition(host.ProgressPosition() - 1);
        host.PictureDone(picture.Index, picture.Path);
    }
}
