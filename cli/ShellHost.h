#pragma once
// What a batch run sees of plinkavorte-batch: fixed settings from the
// command line, the shell list, progress on standard error, and a stop
// request from a signal handled between pictures.

#include "BatchRun.h"
#include "ProgressReport.h"
#include "ShellList.h"

#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

class TShellHost : public IBatchHost {
public:
    TShellHost(std::string archiveName, bool clear, const TThumbnailSettings& settings,
               const TShellList& list, TProgressReport& report);

    // Called between pictures; true asks the run to stop.
    std::function<bool()> StopPending;
    std::function<void()> OnStop;
    // With it a failing picture is reported (inside the handler, by
    // OnPictureFailed) and the run goes on.
    bool KeepGoing = false;
    std::function<void(const std::string& path)> OnPictureFailed;

    std::string ArchiveName() override { return FArchiveName; }
    bool ClearTicked() override { return FClear; }
    int ListCount() override;
    std::string ListEntry(int index) override;
    std::string PeekEntry(int index) override { return FList.Entry(index); }
    TThumbnailSettings ReadSettings() override { return FSettings; }
    void SetCaption(const std::string& text) override;
    void SetProgressMax(int max) override;
    void SetProgressPosition(int position) override;
    int ProgressPosition() override { return FPosition; }
    void ProcessMessages() override;
    void PictureGivenUp(int index) override;
    bool PictureFailed(int index, const std::string& path) override;
    void PictureDone(int index, const std::string& path) override;
    void WorkersMissing(int started, int wanted, const std::string& reason) override;
    // Told once when fewer workers than jobs could be started.
    std::function<void(const std::string& text)> OnWarning;

    // The archive already holds this entry name: the picture given to it
    // last under that name is counted as skipped when it is reported.
    void NoteSkipped(const std::string& entryName);
    // The current picture's failure ended the run.
    void NoteRunFailedInPicture();
    // The run ended on a stop with pictures left, however it learned of it.
    void NoteStopped() { FStopped = true; }

    int ItemsSeen() const { return FDone + FSkipped + FFailed; }
    int Done() const { return FDone; }
    int Skipped() const { return FSkipped; }
    int Failed() const { return FFailed; }
    bool Stopped() const { return FStopped; }

private:
    // A picture taken from the list and not reported yet.
    struct TUnreported {
        int Index;
        std::string EntryName;
        bool Skipped;
    };
    void Forget(int index);

    std::string FArchiveName;
    bool FClear;
    TThumbnailSettings FSettings;
    const TShellList& FList;
    TProgressReport& FReport;
    int FPosition = 0;
    int FDone = 0;
    int FSkipped = 0;
    int FFailed = 0;
    bool FStopped = false;
    std::vector<TUnreported> FUnreported;
    // The picture of this run that took each name, by the name as the archive compares it.
    std::unordered_map<std::string, std::string> FNameHolders;
};
