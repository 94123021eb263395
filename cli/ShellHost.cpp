#include "ShellHost.h"

#include "EntryName.h"
#include "NameFolding.h"

#include <algorithm>

namespace {

// Letter case ignored as the archive ignores it in names.
std::string NameKey(const std::string& path)
{
    return FoldedName(EntryNameOf(path));
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
    const std::string path = FList.Entry(index);
    FUnreported.push_back({index, EntryNameOf(path), false});
    FReport.SetPicture(path);
    return path;
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

// Reached after every picture, the failing one included.
void TShellHost::ProcessMessages()
{
    if (!FStopped && StopPending && StopPending()) {
        FStopped = true;
        if (OnStop)
            OnStop();
    }
}

void TShellHost::NoteSkipped(const std::string& entryName)
{
    for (auto it = FUnreported.rbegin(); it != FUnreported.rend(); ++it)
        if (it->EntryName == entryName) {
            it->Skipped = true;
            return;
        }
}

void TShellHost::PictureDone(int index, const std::string& path)
{
    bool skipped = false;
    for (auto it = FUnreported.begin(); it != FUnreported.end(); ++it)
        if (it->Index == index) {
            skipped = it->Skipped;
            FUnreported.erase(it);
            break;
        }
    std::string holder;
    if (skipped) {
        ++FSkipped;
        if (const auto found = FNameHolders.find(NameKey(path)); found != FNameHolders.end())
            holder = found->second;
    } else {
        ++FDone;
        FNameHolders.insert_or_assign(NameKey(path), path);
    }
    FReport.ItemDone(FilesCaption(index + 1, FList.Size()), path, skipped, holder);
}

// The picture given up neither counts nor gets a line.
void TShellHost::PictureGivenUp(int index)
{
    FStopped = true;
    Forget(index);
}

void TShellHost::WorkersMissing(int started, int wanted, const std::string& reason)
{
    if (OnWarning)
        OnWarning("warning: " + std::to_string(wanted) + " jobs asked, " + std::to_string(started) +
                  " could be started (" + reason + "); going on with " + std::to_string(std::max(started, 1)));
}

bool TShellHost::PictureFailed(int index, const std::string& path)
{
    if (!KeepGoing)
        return false;
    ++FFailed;
    Forget(index);
    if (OnPictureFailed)
        OnPictureFailed(path);
    return true;
}

void TShellHost::Forget(int index)
{
    for (auto it = FUnreported.begin(); it != FUnreported.end(); ++it)
        if (it->Index == index) {
            FUnreported.erase(it);
            return;
        }
}

void TShellHost::NoteRunFailedInPicture()
{
    ++FFailed;
}
