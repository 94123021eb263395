#include "ShellHost.h"

#include "EntryName.h"

namespace {

// Letter case ignored as the archive ignores it in names.
std::string NameKey(const std::string& path)
{
    std::string key = EntryNameOf(path);
    for (char& c : key)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return key;
}

} // namespace

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
    std::string holder;
    if (FCurrentSkipped) {
        ++FSkipped;
        if (const auto found = FNameHolders.find(NameKey(FCurrentPath)); found != FNameHolders.end())
            holder = found->second;
    } else {
        FNameHolders.insert_or_assign(NameKey(FCurrentPath), FCurrentPath);
    }
    FReport.ItemDone(FCurrentPath, FCurrentSkipped, holder);
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
    ForgetHolder(path);
    if (OnPictureFailed)
        OnPictureFailed(path);
    return true;
}

void TShellHost::ForgetHolder(const std::string& path)
{
    // Counted as done before its failure was known; it took no name.
    const auto found = FNameHolders.find(NameKey(path));
    if (found != FNameHolders.end() && found->second == path)
        FNameHolders.erase(found);
}

void TShellHost::NoteRunFailedInPicture()
{
    ++FFailed;
    FReport.ItemFailed();
}
