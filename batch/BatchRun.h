#pragma once
// The batch run behind GO and STOP: every list entry becomes a thumbnail
// stored in the archive the ZIP field names. The window and the shell
// command each supply an IBatchHost.

#include "RenderStop.h"
#include "ThumbnailRecipe.h"

#include <chrono>
#include <deque>
#include <exception>
#include <functional>
#include <string>

class TZipper;
class IThumbnailMaker;
class TMemoryStream;

class IBatchHost {                         // what a run needs of the window (or of the shell command)
public:
    virtual ~IBatchHost() = default;
    virtual std::string ArchiveName() = 0;   // the ZIP field's file name, computed afresh at each call
    virtual bool ClearTicked() = 0;
    virtual int ListCount() = 0;
    virtual std::string ListEntry(int index) = 0;  // throws Exception("List index out of bounds (%d)")
    virtual TThumbnailSettings ReadSettings() = 0;
    virtual void SetCaption(const std::string& text) = 0;
    virtual void SetProgressMax(int max) = 0;
    virtual void SetProgressPosition(int position) = 0;
    virtual int ProgressPosition() = 0;
    virtual void ProcessMessages() = 0;      // handle all waiting messages
    // Called every few milliseconds while the run waits for a thumbnail made
    // ahead; a window handles its waiting messages here too. What they change
    // counts from the next item on, as if they came after the current one.
    virtual void KeepResponsive() {}
    // Entry index as ListEntry gives it, read ahead of its turn for the
    // workers; a host whose ListEntry marks the current item keeps this apart.
    virtual std::string PeekEntry(int index) { return ListEntry(index); }
    // The current picture was given up because the run was stopped while it
    // was made; nothing of it is stored, and the run ends after it.
    virtual void PictureGivenUp(int /*index*/) {}
    // Fewer worker threads than jobs could be started, for the system's
    // reason; the run goes on with those (with its own thread when none).
    virtual void WorkersMissing(int /*started*/, int /*wanted*/, const std::string& /*reason*/) {}
    // Called inside the handler when the thumbnail of an entry could not be
    // made. True goes on with the next entry (the host has reported it);
    // false ends the run with the exception, as the window does.
    virtual bool PictureFailed(int /*index*/, const std::string& /*path*/) { return false; }
    // A picture's thumbnail is on disk in the archive (or was skipped there):
    // called in list order, never before the commit that holds it finished.
    virtual void PictureDone(int /*index*/, const std::string& /*path*/) {}
};

// "Files 3/10": the caption of list item 3 of 10.
std::string FilesCaption(int current, int count);

// Where the failure that ended a run came from.
enum class TRunFailure { rfNone, rfPicture, rfArchive, rfOther };

class TBatchRun {
public:
    // jobs threads make the thumbnails; with more than one, they are made
    // ahead while the archive is written, and the archive gets exactly what
    // one job gives. A responsive run makes them on worker threads even with
    // one job, so that the run's own thread (a window's) keeps answering.
    explicit TBatchRun(TZipper& zipper, int jobs = 1, bool responsive = false);
    TBatchRun(const TBatchRun&) = delete;
    TBatchRun& operator=(const TBatchRun&) = delete;

    void Go(IBatchHost& host);   // GoClick: the whole run; ignored while a run is going on
    // StopClick: sets the stop flag. From any thread: a picture still being
    // made after a short grace is given up.
    void Stop();
    // A stop asked from elsewhere (a signal handler) that counts as Stop.
    void WatchStop(const TStopMoment* moment) { FStop.Watch(moment); }
    bool Running() const;
    // The last run ended because of a stop with items left.
    bool EndedEarly() const { return FEndedEarly; }
    int Jobs() const { return FJobs; }
    // The list index of the item whose failure ended the last run; -1 when it
    // did not fail in an item.
    int FailedIndex() const { return FFailedIndex; }
    // Whether the last run ended by a picture of its own (the thumbnail
    // could not be made), by the archive (opening, adding, closing), or else.
    TRunFailure Failure() const { return FFailure; }

private:
    // A picture given to the archive whose commit is not on disk yet.
    struct TWaiting {
        int Index;
        std::string Path;
    };

    // Runs a step of the archive's; its failure is the archive's.
    void InArchive(const std::function<void()>& step);
    void OpenArchive(IBatchHost& host, const std::string& archiveName);
    void RunItems(IBatchHost& host);
    // False when the picture was given up for a stop.
    bool ProcessFile(IBatchHost& host, int index, const std::string& path, IThumbnailMaker& maker);
    void AddToArchive(IBatchHost& host, int index, const std::string& path, TMemoryStream& thumbnail);
    // InArchive, with the waiting messages handled before a failure ends the run.
    void InArchiveHandlingMessages(IBatchHost& host, const std::function<void()>& step);
    void CommitWhatWaited(IBatchHost& host);
    void ReportCommitted(IBatchHost& host);
    void RaiseWaitFailure();

    TZipper& FZipper;
    std::deque<TWaiting> FWaiting;
    // How long the last thumbnail took: what is waiting is committed before
    // a new one when it would otherwise wait longer than its limit.
    std::chrono::milliseconds FLastMake{0};
    std::exception_ptr FWaitFailure;
    const int FJobs;
    const bool FResponsive;
    TRenderStop FStop;
    bool FEndedEarly = false;
    bool FRunning = false;
    int FFailedIndex = -1;
    TRunFailure FFailure = TRunFailure::rfNone;
};
