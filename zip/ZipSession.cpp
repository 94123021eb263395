#include "ZipSession.h"

#include "ArchiveErrors.h"
#include "EntryCompression.h"
#include "FileSystem.h"
#include "FileStream.h"
#include "FullPath.h"
#include "Volume.h"

#include <cerrno>
#include <sys/stat.h>
#include <utility>

namespace {

// What stands under the name when it is no file to open or create.
void RequireFileOrNothing(const std::string& name)
{
    struct stat st {};
    if (::stat(name.c_str(), &st) == 0) {
        if (S_ISDIR(st.st_mode))
            throw EArchiveException(name + " is a folder");
    } else if (errno == ENOENT && ::lstat(name.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
        throw EArchiveException(name + " is a link to a missing file");
    }
}

} // namespace

TZipper::TZipper() = default;

TZipper::~TZipper() = default;

void TZipper::SetFileName(const std::string& name)
{
    LetGoOfModel();
    FFileName = name;
    if (!name.empty())
        OpenModel(name);
    DoChange();
}

void TZipper::LetGoOfModel()
{
    std::unique_ptr<TZipArchive> model = std::move(FArchive);
    const bool refused = std::exchange(FWriteRefused, false);
    FFileName.clear();
    // What a refused model still owed, it owed to a file that refused it.
    if (model && !refused) {
        model->SaveChanges();
        FEntryFailure = model->TakeEntryFailure();
        GiveBackRoomOf(*model);
    }
}

// Every entry is on disk before this: an archive that keeps its room is
// whole and complete all the same, and the next session gives it back.
void TZipper::GiveBackRoomOf(TZipArchive& model)
{
    try {
        model.CloseRoom();
    } catch (const std::exception&) {
    }
}

std::exception_ptr TZipper::TakeEntryFailure()
{
    if (FArchive && !FEntryFailure)
        return FArchive->TakeEntryFailure();
    return std::exchange(FEntryFailure, nullptr);
}

void TZipper::OpenModel(const std::string& name)
{
    RequireFileOrNothing(name);
    if (IsFullPath(name))
        RecoverArchiveFile(name);
    const TArchiveType kind = ForceType ? FArchiveType : DetectArchiveKind(name);
    bool created = false;
    if (!FileExists(name)) {
        if (kind != atZip)
            throw EUnhandledType();
        if (!IsFullPath(name))
            throw EArchiveException(ArchiveMessage(ErrFullPathRequired));
        // Made whole at once and exclusively; a file another writer made
        // first is opened as it is.
        created = CreateEmptyZipFile(name, IsRemovableDrive(name));
    }
    if (!created && kind != atZip && kind != atSpannedZip && kind != atSelfExtZip)
        throw EUnhandledType();
    auto model = MakeModel(name, fmOpenRead | fmShareDenyNone);
    // A file that could not be read is never written over: the model goes.
    model->LoadDirectory();
    if (created && model->Count() == 0)
        model->MarkFreshlyCreated();
    FArchive = std::move(model);
    FArchiveType = kind;
}

std::unique_ptr<TZipArchive> TZipper::MakeModel(const std::string& name, uint16_t mode)
{
    auto model = std::make_unique<TZipArchive>(name, mode);
    InitArchive(*model);
    return model;
}

void TZipper::InitArchive(TZipArchive& archive)
{
    archive.SpanningThreshold = FSpanningThreshold;
    archive.LogFile = FLogFile;
    archive.Logging = FLogging;
    archive.TempDirectory = FTempDirectory;
    std::string base = FBaseDirectory;
    if (!base.empty()) {
        if (!DirectoryExists(base))
            throw ENoSuchDirectory();
        while (base.size() > 1 && base.back() == '/')
            base.pop_back();
    }
    archive.SetBaseDirectory(base);
    BindHooks(archive);
    archive.Password = FPassword;
    archive.AutoSave = FAutoSave;
    archive.CompressionMethodToUse = FCompressionMethodToUse;
    archive.DeflationOption = FDeflationOption;
    archive.DOSMode = FDOSMode;
    archive.SetStoreOptions(FStoreOptions);
    archive.GroupCommits = FGroupCommits;
    archive.Clock = FCommitClock;
    archive.InsertFromStreamHelper = [](TZipArchive& model, TZipItem& item, TStream* source, TStream& output) {
        TZipCompressionSettings settings;
        settings.CompressionMethodToUse = model.CompressionMethodToUse;
        settings.DeflationOption = model.DeflationOption;
        settings.TempDirectory = model.TempDirectory;
        settings.OnProgress = [&model, &item](int percent, bool& abort) {
            abort = model.ItemProgress(&item, static_cast<uint8_t>(percent));
        };
        ZipFromStream(item, output, source, settings);
    };
    // Entries from disk files are never made here; without a source there is nothing to insert.
    archive.InsertHelper = [](TZipArchive&, TZipItem&, TStream&) { throw EZipNoInsertion(); };
}

void TZipper::BindHooks(TZipArchive& archive)
{
    archive.OnProcessItemFailure = [this](TArchive&, TArchiveItem* item, TProcessType type,
                                          TErrorClass errorClass, int32_t code) {
        if (OnProcessItemFailure)
            OnProcessItemFailure(*this, item, type, errorClass, code);
    };
    archive.OnArchiveProgress = [this](TArchive&, uint8_t progress, bool& abort) {
        if (OnArchiveProgress)
            OnArchiveProgress(*this, progress, abort);
    };
    archive.OnArchiveSaveProgress = [this](TArchive&, uint8_t progress, bool& abort) {
        if (OnArchiveSaveProgress)
            OnArchiveSaveProgress(*this, progress, abort);
    };
    archive.OnArchiveItemProgress = [this](TArchive&, TArchiveItem* item, uint8_t progress, bool& abort) {
        if (OnArchiveItemProgress)
            OnArchiveItemProgress(*this, item, progress, abort);
    };
    archive.OnConfirmProcessItem = [this](TArchive&, TArchiveItem* item, TProcessType type, bool& confirm) {
        if (OnConfirmProcessItem)
            OnConfirmProcessItem(*this, item, type, confirm);
    };
    archive.OnConfirmSave = [this](TArchive&, bool& confirm) {
        if (OnConfirmSave)
            OnConfirmSave(*this, confirm);
    };
    archive.OnLoad = [this](TArchive&) {
        if (OnLoad)
            OnLoad(*this);
    };
    archive.OnSave = [this](TArchive&) {
        if (OnSave)
            OnSave(*this);
    };
}

void TZipper::Close()
{
    if (!FFileName.empty())
        SetFileName(std::string());
}

void TZipper::AddStream(const std::string& name, TStream& source, std::optional<int64_t> modified)
{
    if (!FArchive)
        throw ENoArchive();
    source.SetPosition(0);
    try {
        FArchive->AddStream(name, source, modified);
    } catch (...) {
        FWriteRefused = true;
        throw;
    }
    FWriteRefused = false;
    DoChange();
}

void TZipper::SetGroupCommits(bool value)
{
    FGroupCommits = value;
    if (FArchive)
        FArchive->GroupCommits = value;
}

void TZipper::SetCommitClock(TSteadyClock clock)
{
    FCommitClock = std::move(clock);
    if (FArchive)
        FArchive->Clock = FCommitClock;
}

void TZipper::CommitIfDue(std::chrono::milliseconds ahead)
{
    if (FArchive)
        FArchive->CommitIfDue(ahead);
}

void TZipper::Commit()
{
    if (FArchive)
        FArchive->CommitGathered();
}

void TZipper::GiveBackRoom()
{
    if (FArchive)
        GiveBackRoomOf(*FArchive);
}

void TZipper::SetComment(const std::string& text)
{
    if (!FArchive)
        throw ENoArchive();
    FArchive->SetComment(text);
}

void TZipper::DoChange()
{
    if (OnChange)
        OnChange(*this);
}

void TZipper::SetAutoSave(bool value)
{
    FAutoSave = value;
    if (FArchive)
        FArchive->AutoSave = value;
}

void TZipper::SetDOSMode(bool value)
{
    FDOSMode = value;
    if (FArchive)
        FArchive->DOSMode = value;
}

void TZipper::SetStoreOptions(TStoreOptions value)
{
    FStoreOptions = value;
    if (FArchive)
        FArchive->SetStoreOptions(value);
}

void TZipper::SetCompressionMethodToUse(TZipSupportedMethod value)
{
    FCompressionMethodToUse = value;
    if (FArchive)
        FArchive->CompressionMethodToUse = value;
}

void TZipper::SetDeflationOption(TZipDeflationOption value)
{
    FDeflationOption = value;
    if (FArchive)
        FArchive->DeflationOption = value;
}

void TZipper::SetSpanningThreshold(int32_t value)
{
    FSpanningThreshold = value;
    if (FArchive)
        FArchive->SpanningThreshold = value;
}

void TZipper::SetTempDirectory(const std::string& value)
{
    FTempDirectory = value;
    if (FArchive)
        FArchive->TempDirectory = value;
}

void TZipper::SetBaseDirectory(const std::string& value)
{
    FBaseDirectory = value;
    if (FArchive)
        FArchive->SetBaseDirectory(value);
}

void TZipper::SetPassword(const std::string& value)
{
    FPassword = value;
    if (FArchive)
        FArchive->Password = value;
}

void TZipper::SetLogFile(const std::string& value)
{
    FLogFile = value;
    if (FArchive)
        FArchive->LogFile = value;
}

void TZipper::SetLogging(bool value)
{
    FLogging = value;
    if (FArchive)
        FArchive->Logging = value;
}
