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

void TShellHost::ProcessMessages()
{
    ++FItemsSeen;
    FReport.ItemDone(FCurrentPath);
    if (!FStopped && StopPending && StopPending()) {
        FStopped = true;
        if (OnStop)
            OnStop();
    }
}
