#include "BatchCommand.h"

#include "ArchiveErrors.h"
#include "ZipSession.h"
#include "BatchRun.h"
#include "Bitmap.h"
#include "CommandLine.h"
#include "MessageText.h"
#include "NameText.h"
#include "PngWriter.h"
#include "PreviewOutput.h"
#include "RunSummary.h"
#include "ShellHost.h"
#include "ShellList.h"
#include "ZipperSetup.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <memory>
#include <set>

namespace {

constexpr const char* ProgramName = "plinkavorte-batch";

std::string Line(const std::string& text)
{
    return std::string(ProgramName) + ": " + text;
}

void PrintLine(std::FILE* err, const std::string& text)
{
    std::fprintf(err, "%s\n", Line(text).c_str());
}

// "warning: PATH: reason", once per path however many ways it is met.
class TPathWarnings {
public:
    explicit TPathWarnings(std::FILE* err) : FErr(err) {}
    void Warn(const std::string& path, int error)
    {
        if (FWarned.insert(path).second)
            PrintLine(FErr, "warning: " + EscapedName(path) + ": " + SystemErrorText(error));
    }

private:
    std::FILE* FErr;
    std::set<std::string> FWarned;
};

// A path that names nothing would be taken silently as an empty folder. A
// picture too long to open is warned about by the list.
void WarnAboutMissingPaths(TPathWarnings& warnings, const std::vector<std::string>& paths)
{
    for (const auto& path : paths) {
        struct stat info{};
        if (::stat(path.c_str(), &info) != 0 && !(errno == ENAMETOOLONG && IsPictureName(path)))
            warnings.Warn(path, errno);
    }
}

void PrintHints(std::FILE* err, const std::string& message, const TCommandOptions& options)
{
    for (const auto& hint : ArchiveNameHints(message, options.Archive, options.Paths))
        PrintLine(err, "hint: " + hint);
}

// A full or closed output fails, as it does for GNU tools.
int WriteOut(const TCommandStreams& streams, const std::string& text)
{
    if (std::fputs(text.c_str(), streams.Out) >= 0 && std::fflush(streams.Out) == 0)
        return ExitOk;
    PrintLine(streams.Err, "write error: " + SystemErrorText(errno));
    return ExitFailed;
}

int ReportNoPictures(const TCommandOptions& options, const TCommandStreams& streams)
{
    PrintLine(streams.Err, NoPicturesText(options.Paths));
    if (!options.IncludeSubfolders)
        for (const auto& folder : FoldersWithSubfolders(options.Paths))
            PrintLine(streams.Err, "hint: " + EscapedName(folder) + " has sub-folders; -r takes their pictures too");
    PrintHints(streams.Err, {}, options);
    return ExitFailed;
}

int RunPreview(const TCommandOptions& options, const TCommandStreams& streams)
{
    try {
        CheckPreviewOutput(options.PreviewOutput, options.PreviewPicture);
        std::unique_ptr<TBitmap> slot;
        RenderPreviewBitmap(options.PreviewPicture, options.Settings, slot);
        WritePng(options.PreviewOutput, *slot);
    } catch (...) {
        PrintLine(streams.Err, CurrentExceptionText());
        return ExitFailed;
    }
    return ExitOk;
}

// Counts a picture the archive already holds by name: the session reports it
// as a declined entry instead of storing it.
void CountSkippedEntries(TZipper& zipper, TShellHost& host)
{
    zipper.OnProcessItemFailure = [&host](TZipper&, TArchiveItem* item, TProcessType, TErrorClass, int32_t code) {
        if (code == ErrDuplicateName && item)
            host.NoteSkipped(item->GetFileName());
    };
}

std::string ClosingText(const TShellHost& host, const TShellList& list, const std::string& archive, bool keepGoing)
{
    const TRunCounts counts{host.Done(), host.Skipped(), host.Failed()};
    std::string text = CountsText(counts, keepGoing);
    if (host.Stopped())
        text = "stopped after " + std::to_string(host.ItemsSeen()) + " of " +
               CountText(list.Size(), "picture", "pictures") + ": " + text;
    return text + "; " + EscapedName(archive) + " is closed";
}

int RunBatch(const TCommandOptions& options, const TCommandStreams& streams)
{
    TShellList list(options.IncludeSubfolders);
    TPathWarnings warnings(streams.Err);
    list.OnTooLong = [&warnings](const std::string& path) { warnings.Warn(path, ENAMETOOLONG); };
    list.OnFolderUnreadable = [&warnings](const std::string& path, int error) { warnings.Warn(path, error); };
    WarnAboutMissingPaths(warnings, options.Paths);
    WMDropFiles(list, options.Paths);
    if (list.Size() == 0)
        return ReportNoPictures(options, streams);

    const std::string archive = AbsoluteFromCurrentFolder(options.Archive);
    TProgressReport report(streams.Err, streams.LiveProgress, streams.Columns);
    TZipper zipper;
    TBatchRun run(zipper, options.Jobs);
    TShellHost host(archive, options.Clear, options.Settings, list, report);
    host.StopPending = [&streams] { return streams.StopSignal && streams.StopSignal() != 0; };
    host.OnStop = [&run] { run.Stop(); };
    host.KeepGoing = options.KeepGoing;
    host.OnWarning = [&report](const std::string& text) { report.PrintLine(Line(text)); };
    run.WatchStop(streams.StopMoment);
    host.OnPictureFailed = [&report](const std::string& path) {
        report.PrintLine(Line(EscapedName(path) + ": " + CurrentExceptionText()));
    };
    CountSkippedEntries(zipper, host);

    try {
        ConfigureThumbnailZipper(zipper);
        run.Go(host);
        if (run.EndedEarly())
            host.NoteStopped();
    } catch (...) {
        const std::string message = CurrentExceptionMessage();
        std::string shown = CurrentExceptionText();
        if (run.Failure() == TRunFailure::rfArchive) {
            shown = ArchiveFailureText(archive, message);
        } else if (run.FailedIndex() >= 0) {
            host.NoteRunFailedInPicture();
            shown = EscapedName(list.Entry(run.FailedIndex())) + ": " + shown;
        }
        report.Finish();
        PrintLine(streams.Err, shown);
        PrintHints(streams.Err, message, options);
        return ExitFailed;
    }
    report.Finish();
    PrintLine(streams.Err, ClosingText(host, list, archive, options.KeepGoing));
    if (host.Stopped() && streams.StopSignal && streams.StopSignal() != 0)
        return ExitSignalBase + streams.StopSignal();
    return host.Failed() > 0 ? ExitFailed : ExitOk;
}

int RunParsed(const TCommandOptions& options, const TCommandStreams& streams)
{
    switch (options.Mode) {
    case TCommandMode::cmHelp:
        return WriteOut(streams, HelpText());
    case TCommandMode::cmVersion:
        return WriteOut(streams, VersionText());
    case TCommandMode::cmPreview:
        return RunPreview(options, streams);
    case TCommandMode::cmBatch:
        break;
    }
    return RunBatch(options, streams);
}

} // namespace

std::string AbsoluteFromCurrentFolder(const std::string& name)
{
    if (!name.empty() && name.front() == '/')
        return name;
    std::unique_ptr<char, decltype(&std::free)> cwd(::getcwd(nullptr, 0), &std::free);
    if (!cwd)
        return name;  // opening then reports "Full Path Required"
    std::string folder = cwd.get();
    if (folder.empty() || folder.back() != '/')
        folder += '/';
    return folder + name;
}

int RunBatchCommand(const std::vector<std::string>& args, const TCommandStreams& streams)
{
    try {
        TCommandOptions options;
        try {
            options = ParseCommandLine(args);
        } catch (const EUsageError& e) {
            std::fprintf(streams.Err, "%s\n%s", Line(e.Message()).c_str(), UsageText().c_str());
            return ExitUsage;
        }
        return RunParsed(options, streams);
    } catch (...) {
        // Whatever escaped the run (out of memory while listing the paths,
        // say) still ends with a message and the failure status.
        PrintLine(streams.Err, MessageBoxText(CurrentExceptionMessage()));
        return ExitFailed;
    }
}
