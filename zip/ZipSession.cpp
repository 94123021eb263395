#include "ZipSession.h"

#include "ArchiveErrors.h"
#include "EntryCompression.h"
#include "FileSystem.h"
#include "FileStream.h"

TAbZipper::TAbZipper() = default;

TAbZipper::~TAbZipper() = default;

void TAbZipper::SetFileName(const std::string& name)
{
    FFileName = name;
    if (FArchive) {
        FArchive->SaveChanges();
        FArchive.reset();
    }
    if (!name.empty())
        OpenModel(name);
    DoChange();
}

void TAbZipper::OpenModel(const std::string& name)
{
    const bool exists = FileExists(name);
    const TAbArchiveType kind = ForceType ? FArchiveType : DetectArchiveKind(name);
    if (exists) {
        if (kind != atZip && kind != atSpannedZip && kind != atSelfExtZip)
            throw EAbUnhandledType();
        auto model = MakeModel(name, fmOpenRead | fmShareDenyNone);
        // A file that could not be read is never written over: the model goes.
        model->LoadDirectory();
        FArchive = std::move(model);
    } else {
        if (kind != atZip)
            throw EAbUnhandledType();
        FArchive = MakeModel(name, fmCreate);
    }
    FArchiveType = kind;
}

std::unique_ptr<TAbZipArchive> TAbZipper::MakeModel(const std::string& name, uint16_t mode)
{
    auto model = std::make_unique<TAbZipArchive>(name, mode);
    InitArchive(*model);
    return model;
}

void TAbZipper::InitArchive(TAbZipArchive& archive)
{
    archive.SpanningThreshold = FSpanningThreshold;
    archive.LogFile = FLogFile;
    archive.Logging = FLogging;
    archive.TempDirectory = FTempDirectory;
    std::string base = FBaseDirectory;
    if (!base.empty()) {
        if (!DirectoryExists(base))
            throw EAbNoSuchDirectory();
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
    archive.InsertFromStreamHelper = [](TAbZipArchive& model, TAbZipItem& item, TStream* source, TStream& output) {
        TAbZipCompressionSettings settings;
        settings.CompressionMethodToUse = model.CompressionMethodToUse;
        settings.DeflationOption = model.DeflationOption;
        settings.TempDirectory = model.TempDirectory;
        settings.OnProgress = [&model, &item](int percent, bool& abort) {
            abort = model.ItemProgress(&item, static_cast<uint8_t>(percent));
        };
        AbZipFromStream(item, output, source, settings);
    };
    // Entries from disk files are never made here; without a source there is nothing to insert.
    archive.InsertHelper = [](TAbZipArchive&, TAbZipItem&, TStream&) { throw EAbZipNoInsertion(); };
}

void TAbZipper::BindHooks(TAbZipArchive& archive)
{
    archive.OnProcessItemFailure = [this](TAbArchive&, TAbArchiveItem* item, TAbProcessType type,
                                          TAbErrorClass errorClass, int32_t code) {
        if (OnProcessItemFailure)
            OnProcessItemFailure(*this, item, type, errorClass, code);
    };
    archive.OnArchiveProgress = [this](TAbArchive&, uint8_t progress, bool& abort) {
        if (OnArchiveProgress)
            OnArchiveProgress(*this, progress, abort);
    };
    archive.OnArchiveSaveProgress = [this](TAbArchive&, uint8_t progress, bool& abort) {
        if (OnArchiveSaveProgress)
            OnArchiveSaveProgress(*this, progress, abort);
    };
    archive.OnArchiveItemProgress = [this](TAbArchive&, TAbArchiveItem* item, uint8_t progress, bool& abort) {
        if (OnArchiveItemProgress)
            OnArchiveItemProgress(*this, item, progress, abort);
    };
    archive.OnConfirmProcessItem = [this](TAbArchive&, TAbArchiveItem* item, TAbProcessType type, bool& confirm) {
        if (OnConfirmProcessItem)
            OnConfirmProcessItem(*this, item, type, confirm);
    };
    archive.OnConfirmSave = [this](TAbArchive&, bool& confirm) {
        if (OnConfirmSave)
            OnConfirmSave(*this, confirm);
    };
    archive.OnLoad = [this](TAbArchive&) {
        if (OnLoad)
            OnLoad(*this);
    };
    archive.OnSave = [this](TAbArchive&) {
        if (OnSave)
            OnSave(*this);
    };
}

void TAbZipper::Close()
{
    if (!FFileName.empty())
        SetFileName(std::string());
}

void TAbZipper::AddStream(const std::string& name, TStream& source)
{
    if (!FArchive)
        throw EAbNoArchive();
    source.SetPosition(0);
    FArchive->AddStream(name, source);
    DoChange();
}

void TAbZipper::SetComment(const std::string& text)
{
    if (!FArchive)
        throw EAbNoArchive();
    FArchive->SetComment(text);
}

void TAbZipper::DoChange()
{
    if (OnChange)
        OnChange(*this);
}

void TAbZipper::SetAutoSave(bool value)
{
    FAutoSave = value;
    if (FArchive)
        FArchive->AutoSave = value;
}

void TAbZipper::SetDOSMode(bool value)
{
    FDOSMode = value;
    if (FArchive)
        FArchive->DOSMode = value;
}

void TAbZipper::SetStoreOptions(TAbStoreOptions value)
{
    FStoreOptions = value;
    if (FArchive)
        FArchive->SetStoreOptions(value);
}

void TAbZipper::SetCompressionMethodToUse(TAbZipSupportedMethod value)
{
    FCompressionMethodToUse = value;
    if (FArchive)
        FArchive->CompressionMethodToUse = value;
}

void TAbZipper::SetDeflationOption(TAbZipDeflationOption value)
{
    FDeflationOption = value;
    if (FArchive)
        FArchive->DeflationOption = value;
}

void TAbZipper::SetSpanningThreshold(int32_t value)
{
    FSpanningThreshold = value;
    if (FArchive)
        FArchive->SpanningThreshold = value;
}

void TAbZipper::SetTempDirectory(const std::string& value)
{
    FTempDirectory = value;
    if (FArchive)
        FArchive->TempDirectory = value;
}

void TAbZipper::SetBaseDirectory(const std::string& value)
{
    FBaseDirectory = value;
    if (FArchive)
        FArchive->SetBaseDirectory(value);
}

void TAbZipper::SetPassword(const std::string& value)
{
    FPassword = value;
    if (FArchive)
        FArchive->Password = value;
}

void TAbZipper::SetLogFile(const std::string& value)
{
    FLogFile = value;
    if (FArchive)
        FArchive->LogFile = value;
}

void TAbZipper::SetLogging(bool value)
{
    FLogging = value;
    if (FArchive)
        FArchive->Logging = value;
}
