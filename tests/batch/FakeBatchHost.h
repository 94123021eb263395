#pragma once
// A window stand-in for driving TBatchRun: plain fields for every control,
// a log of what the run asked, and a hook for the messages between items.

#include "BatchRun.h"
#include "Errors.h"

#include <functional>
#include <string>
#include <vector>

class TFakeBatchHost : public IBatchHost {
public:
    std::string Archive;
    bool Clear = false;
    std::vector<std::string> List;
    TThumbnailSettings Settings;
    std::string Caption = "Plinkavorte";
    int ProgressMax = 100;
    int Position = 0;

    int ArchiveNameCalls = 0;
    int MessagesHandled = 0;
    std::vector<TThumbnailSettings> SettingsRead;
    // Runs inside ProcessMessages with the number of calls so far (1 after item 1).
    std::function<void(int handled)> OnMessages;
    // Each picture reported done, in order.
    std::vector<int> Done;
    std::function<void(int index, const std::string& path)> OnPictureDone;
    // Runs while the run waits for a thumbnail made ahead.
    std::function<void()> OnKeepResponsive;

    std::string ArchiveName() override
    {
        ++ArchiveNameCalls;
        return Archive;
    }
    bool ClearTicked() override { return Clear; }
    int ListCount() override { return static_cast<int>(List.size()); }
    std::string ListEntry(int index) override
    {
        if (index < 0 || index >= ListCount())
            throw Exception("List index out of bounds (" + std::to_string(index) + ")");
        return List[static_cast<size_t>(index)];
    }
    TThumbnailSettings ReadSettings() override
    {
        SettingsRead.push_back(Settings);
        return Settings;
    }
    void SetCaption(const std::string& text) override { Caption = text; }
    void SetProgressMax(int max) override { ProgressMax = max; }
    void SetProgressPosition(int position) override { Position = position; }
    int ProgressPosition() override { return Position; }
    void KeepResponsive() override
    {
        if (OnKeepResponsive)
            OnKeepResponsive();
    }
    void PictureDone(int index, const std::string& path) override
    {
        Done.push_back(index);
        if (OnPictureDone)
            OnPictureDone(index, path);
    }
    void ProcessMessages() override
    {
        ++MessagesHandled;
        if (OnMessages)
            OnMessages(MessagesHandled);
    }
};
