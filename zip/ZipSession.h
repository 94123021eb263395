#pragma once
// The archive session: owns one zip model while it has a file name, adds
// entries from streams (each on disk before the call returns, unless group
// commits gather them), sets the comment and closes.

#include "ArchiveModel.h"
#include "ArchiveDetect.h"
#include "ZipArchive.h"
#include "Stream.h"

#include <chrono>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <string>

class TZipper;

using TArchiveEvent = std::function<void(TZipper& sender)>;
using TArchiveConfirmEvent = std::function<void(TZipper& sender, bool& confirm)>;
using TArchiveProgressEvent = std::function<void(TZipper& sender, uint8_t progress, bool& abort)>;
using TArchiveItemConfirmEvent =
    std::function<void(TZipper& sender, TArchiveItem* item, TProcessType type, bool& confirm)>;
using TArchiveItemFailureEvent = std::function<void(TZipper& sender, TArchiveItem* item, TProcessType type,
                                                      TErrorClass errorClass, int32_t errorCode)>;
using TArchiveItemProgressEvent =
    std::function<void(TZipper& sender, TArchiveItem* item, uint8_t progress, bool& abort)>;

inline constexpr TStoreOptions DefaultStoreOptions = StoreOptionBit(soStripDrive) | StoreOptionBit(soRemoveDots);

class TZipper {
public:
    TZipper();
    ~TZipper();  // frees the model without writing it
    TZipper(const TZipper&) = delete;
    TZipper& operator=(const TZipper&) = delete;

    // Writes and frees the current model, then opens or creates the named
    // archive; an empty name leaves the session without a model. A model
    // whose last write was refused is freed without writing, and one whose
    // write fails here is freed all the same: neither blocks the next name.
    void SetFileName(const std::string& name);
    const std::string& FileName() const { return FFileName; }
    void Open(const std::string& name) { SetFileName(name); }
    void Close();

    // The entry's time is `modified` when given (seconds since 1970, UTC), else now.
    void AddStream(const std::string& name, TStream& source, std::optional<int64_t> modified = std::nullopt);
    void SetComment(const std::string& text);

    // With group commits on, an added entry may wait in memory for a commit
    // together with later ones (see TZipArchive::GroupCommits); Close and
    // opening another name commit what waits.
    bool GroupCommits() const { return FGroupCommits; }
    void SetGroupCommits(bool value);
    // Entries added that are not on disk yet.
    int Uncommitted() const { return FArchive ? FArchive->Unwritten() : 0; }
    // Commits what waits once the oldest will have waited its longest within `ahead`.
    void CommitIfDue(std::chrono::milliseconds ahead = std::chrono::milliseconds(0));
    // Commits what waits now.
    void Commit();
    // Gives back the room commits kept before the directory (see
    // TZipArchive::CloseRoom), as letting go of the archive does. A failure
    // leaves the archive whole with its room, for the next session to give back.
    void GiveBackRoom();
    // The time waiting entries go by; empty: the steady clock.
    void SetCommitClock(TSteadyClock clock);
    // What kept an added entry out of a commit that went on without it
    // (the failure hook only hears "ecFileOpenError, 0"), also once the
    // archive was let go of; empty when nothing did. Taking it clears it.
    std::exception_ptr TakeEntryFailure();

    bool AutoSave() const { return FAutoSave; }
    void SetAutoSave(bool value);
    bool DOSMode() const { return FDOSMode; }
    void SetDOSMode(bool value);
    TStoreOptions StoreOptions() const { return FStoreOptions; }
    void SetStoreOptions(TStoreOptions value);
    TZipSupportedMethod CompressionMethodToUse() const { return FCompressionMethodToUse; }
    void SetCompressionMethodToUse(TZipSupportedMethod value);
    TZipDeflationOption DeflationOption() const { return FDeflationOption; }
    void SetDeflationOption(TZipDeflationOption value);
    int32_t SpanningThreshold() const { return FSpanningThreshold; }
    void SetSpanningThreshold(int32_t value);
    const std::string& TempDirectory() const { return FTempDirectory; }
    void SetTempDirectory(const std::string& value);
    const std::string& BaseDirectory() const { return FBaseDirectory; }
    void SetBaseDirectory(const std::string& value);
    const std::string& Password() const { return FPassword; }
    void SetPassword(const std::string& value);
    const std::string& LogFile() const { return FLogFile; }
    void SetLogFile(const std::string& value);
    bool Logging() const { return FLogging; }
    void SetLogging(bool value);

    // The kind last decided for the file name; with ForceType set it is used
    // instead of detecting one.
    TArchiveType ArchiveType() const { return FArchiveType; }
    void SetArchiveType(TArchiveType value) { FArchiveType = value; }
    bool ForceType = false;

    // The owned model, or none.
    TZipArchive* Archive() const { return FArchive.get(); }
    int Count() const { return FArchive ? FArchive->Count() : 0; }

    TArchiveEvent OnChange;
    TArchiveEvent OnLoad;
    TArchiveEvent OnSave;
    TArchiveConfirmEvent OnConfirmSave;
    TArchiveItemConfirmEvent OnConfirmProcessItem;
    TArchiveItemFailureEvent OnProcessItemFailure;
    TArchiveProgressEvent OnArchiveProgress;
    TArchiveProgressEvent OnArchiveSaveProgress;
    TArchiveItemProgressEvent OnArchiveItemProgress;

private:
    void LetGoOfModel();
    static void GiveBackRoomOf(TZipArchive& model);
    void OpenModel(const std::string& name);
    std::unique_ptr<TZipArchive> MakeModel(const std::string& name, uint16_t mode);
    void InitArchive(TZipArchive& archive);
    void BindHooks(TZipArchive& archive);
    void DoChange();

    std::string FFileName;
    std::unique_ptr<TZipArchive> FArchive;
    bool FWriteRefused = false;
    TArchiveType FArchiveType = atUnknown;
    bool FAutoSave = false;
    bool FDOSMode = false;
    TStoreOptions FStoreOptions = DefaultStoreOptions;
    TZipSupportedMethod FCompressionMethodToUse = smBestMethod;
    TZipDeflationOption FDeflationOption = doNormal;
    int32_t FSpanningThreshold = 0;
    std::string FTempDirectory;
    std::string FBaseDirectory;
    std::string FPassword;
    std::string FLogFile;
    bool FLogging = false;
    bool FGroupCommits = false;
    TSteadyClock FCommitClock;
    std::exception_ptr FEntryFailure;
};
