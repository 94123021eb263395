#pragma once
// The batch run behind GO and STOP: every list entry becomes a thumbnail
// stored in the archive the ZIP field names. The window and the shell
// command each supply an IBatchHost.

#include "ThumbnailRecipe.h"

#include <string>

class TZipper;
class TBitmap;
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
};

class TBatchRun {
public:
    explicit TBatchRun(TZipper& zipper);
    TBatchRun(const TBatchRun&) = delete;
    TBatchRun& operator=(const TBatchRun&) = delete;

    void Go(IBatchHost& host);   // GoClick: the whole run; ignored while a run is going on
    void Stop();                 // StopClick: sets the stop flag
    bool Running() const;

private:
    void OpenArchive(IBatchHost& host, const std::string& archiveName);
    void RunItems(IBatchHost& host);
    void ProcessFile(IBatchHost& host, const std::string& path,
                     TBitmap& workBitmap, TMemoryStream& workStream);

    TZipper& FZipper;
    bool FStopped = false;
    bool FRunning = false;
};
