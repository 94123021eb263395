#include "ShellHost.h"

TShellHost::TShellHost(std::string archiveName, bool clear, const TThumbnailSettings& settings,
                       const TShellList& list, TProgressReport& report)
    : FArchiveName(std::move(archiveName)), FClear(clear), FSettings(settings), FList(list), FReport(report)
{
}

int TShellHost::ListCount()
{
    return FList.Size();
}

std::string TShellHost::ListEntry(int index)
{
    FCurrentPath = FList.Entry(index);
    FCurrentSkipped = false;
    FReport.SetPicture(FCurrentPath);
    return FCurrentPath;
}

void TShellHost::SetCaption(const std::string& text)
{
    FReport.SetCaption(text);
}

void TShellHost::SetProgressMax(int max)
{
    FReport.SetMaximum(max);
}

void TShellHost::SetProgressPosition(int position)
{
    FPosition = position;
    FReport.SetRemaining(position);
}

// Reached after every picture, the failing one included; its line is taken
// back if the picture turns out to have failed.
void TShellHost::ProcessMessages()
{
    ++FItemsSeen;
    if (FCurrentSkipped)
        ++FSkipped;
    FReport.ItemDone(FCurrentPath, FCurrentSkipped);
    if (!FStopped && StopPending && StopPending()) {
        FStopped = true;
        if (OnStop)
            OnStop();
    }
}

bool TShellHost::PictureFailed(int, const std::string& path)
{
    if (!KeepGoing)
        return false;
    ++FFailed;
    FReport.ItemFailed();
    if (OnPictureFailed)
        OnPictureFailed(path);
    return true;
}

void TShellHost::NoteRunFailedInPicture()
{
    ++FFailed;
    FReport.ItemFailed();
}
