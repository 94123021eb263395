#pragma once
// The archive session: owns one zip model while it has a file name, adds
// entries from streams (each on disk before the call returns), sets the
// comment and closes.

#include "ArchiveModel.h"
#include "ArchiveDetect.h"
#include "ZipArchive.h"
#include "Stream.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

class TAbZipper;

using TAbArchiveEvent = std::function<void(TAbZipper& sender)>;
using TAbArchiveConfirmEvent = std::function<void(TAbZipper& sender, bool& confirm)>;
using TAbArchiveProgressEvent = std::function<void(TAbZipper& sender, uint8_t progress, bool& abort)>;
using TAbArchiveItemConfirmEvent =
    std::function<void(TAbZipper& sender, TAbArchiveItem* item, TAbProcessType type, bool& confirm)>;
using TAbArchiveItemFailureEvent = std::function<void(TAbZipper& sender, TAbArchiveItem* item, TAbProcessType type,
                                                      TAbErrorClass errorClass, int32_t errorCode)>;
using TAbArchiveItemProgressEvent =
    std::function<void(TAbZipper& sender, TAbArchiveItem* item, uint8_t progress, bool& abort)>;

inline constexpr TAbStoreOptions AbDefaultStoreOptions = AbOption(soStripDrive) | AbOption(soRemoveDots);

class TAbZipper {
public:
    TAbZipper();
    ~TAbZipper();  // frees the model without writing it
    TAbZipper(const TAbZipper&) = delete;
    TAbZipper& operator=(const TAbZipper&) = delete;

    // Writes and frees the current model, then opens or creates the named
    // archive; an empty name leaves the session without a model.
    void SetFileName(const std::string& name);
    const std::string& FileName() const { return FFileName; }
    void Open(const std::string& name) { SetFileName(name); }
    void Close();

    void AddStream(const std::string& name, TStream& source);
    void SetComment(const std::string& text);

    bool AutoSave() const { return FAutoSave; }
    void SetAutoSave(bool value);
    bool DOSMode() const { return FDOSMode; }
    void SetDOSMode(bool value);
    TAbStoreOptions StoreOptions() const { return FStoreOptions; }
    void SetStoreOptions(TAbStoreOptions value);
    TAbZipSupportedMethod CompressionMethodToUse() const { return FCompressionMethodToUse; }
    void SetCompressionMethodToUse(TAbZipSupportedMethod value);
    TAbZipDeflationOption DeflationOption() const { return FDeflationOption; }
    void SetDeflationOption(TAbZipDeflationOption value);
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
    TAbArchiveType ArchiveType() const { return FArchiveType; }
    void SetArchiveType(TAbArchiveType value) { FArchiveType = value; }
    bool ForceType = false;

    // The owned model, or none.
    TAbZipArchive* Archive() const { return FArchive.get(); }
    int Count() const { return FArchive ? FArchive->Count() : 0; }

    TAbArchiveEvent OnChange;
    TAbArchiveEvent OnLoad;
    TAbArchiveEvent OnSave;
    TAbArchiveConfirmEvent OnConfirmSave;
    TAbArchiveItemConfirmEvent OnConfirmProcessItem;
    TAbArchiveItemFailureEvent OnProcessItemFailure;
    TAbArchiveProgressEvent OnArchiveProgress;
    TAbArchiveProgressEvent OnArchiveSaveProgress;
    TAbArchiveItemProgressEvent OnArchiveItemProgress;

private:
    void OpenModel(const std::string& name);
    std::unique_ptr<TAbZipArchive> MakeModel(const std::string& name, uint16_t mode);
    void InitArchive(TAbZipArchive& archive);
    void BindHooks(TAbZipArchive& archive);
    void DoChange();

    std::string FFileName;
    std::unique_ptr<TAbZipArchive> FArchive;
    TAbArchiveType FArchiveType = atUnknown;
    bool FAutoSave = false;
    bool FDOSMode = false;
    TAbStoreOptions FStoreOptions = AbDefaultStoreOptions;
    TAbZipSupportedMethod FCompressionMethodToUse = smBestMethod;
    TAbZipDeflationOption FDeflationOption = doNormal;
    int32_t FSpanningThreshold = 0;
    std::string FTempDirectory;
    std::string FBaseDirectory;
    std::string FPassword;
    std::string FLogFile;
    bool FLogging = false;
};
