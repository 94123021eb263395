#include "BatchCommand.h"

#include "ZipSession.h"
#include "BatchRun.h"
#include "Bitmap.h"
#include "CommandLine.h"
#include "MessageText.h"
#include "PngWriter.h"
#include "ShellHost.h"
#include "ShellList.h"
#include "ZipperSetup.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <memory>

namespace {

constexpr const char* ProgramName = "plinkavorte-batch";

void PrintFailure(std::FILE* err, const std::string& message)
{
    std::fprintf(err, "%s: %s\n", ProgramName, MessageBoxText(message).c_str());
}

// A path that names nothing would be taken silently as an empty folder.
void WarnAboutMissingPaths(std::FILE* err, const std::vector<std::string>& paths)
{
    for (const auto& path : paths) {
        struct stat info{};
        if (::stat(path.c_str(), &info) != 0)
            std::fprintf(err, "%s: warning: %s: %s\n", ProgramName, path.c_str(), SystemErrorText(errno).c_str());
    }
}

int RunPreview(const TCommandOptions& options, const TCommandStreams& streams)
{
    std::unique_ptr<TBitmap> slot;
    try {
        RenderPreviewBitmap(options.PreviewPicture, options.Settings, slot);
        WritePng(options.PreviewOutput, *slot);
    } catch (const Exception& e) {
        PrintFailure(streams.Err, e.Message());
        return ExitFailed;
    }
    return ExitOk;
}

int RunBatch(const TCommandOptions& options, const TCommandStreams& streams)
{
    TShellList list(options.IncludeSubfolders);
    try {
        WarnAboutMissingPaths(streams.Err, options.Paths);
        WMDropFiles(list, options.Paths);
    } catch (const Exception& e) {
        PrintFailure(streams.Err, e.Message());
        return ExitFailed;
    }
    if (list.Size() == 0) {
        std::fprintf(streams.Err, "%s: no JPEG pictures found\n", ProgramName);
        return ExitFailed;
    }

    const std::string archive = AbsoluteFromCurrentFolder(options.Archive);
    TProgressReport report(streams.Err, streams.LiveProgress);
    TZipper zipper;
    TBatchRun run(zipper, options.Jobs);
    TShellHost host(archive, options.Clear, options.Settings, list, report);
    host.StopPending = streams.StopPending;
    host.OnStop = [&run] { run.Stop(); };

    try {
        ConfigureThumbnailZipper(zipper);
        run.Go(host);
    } catch (const Exception& e) {
        report.Finish();
        PrintFailure(streams.Err, e.Message());
        return ExitFailed;
    }
    report.Finish();
    if (host.Stopped())
        std::fprintf(streams.Err, "%s: stopped after %d of %d pictures; %s is closed\n", ProgramName,
                     host.ItemsSeen(), list.Size(), archive.c_str());
    else
        std::fprintf(streams.Err, "%s: %d pictures done; %s is closed\n", ProgramName, host.ItemsSeen(),
                     archive.c_str());
    return ExitOk;
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
    TCommandOptions options;
    try {
        options = ParseCommandLine(args);
    } catch (const EUsageError& e) {
        std::fprintf(streams.Err, "%s: %s\n%s", ProgramName, e.Message().c_str(), UsageText().c_str());
        return ExitUsage;
    }
    switch (options.Mode) {
    case TCommandMode::cmHelp:
        std::fputs(HelpText().c_str(), streams.Out);
        return ExitOk;
    case TCommandMode::cmVersion:
        std::fputs(VersionText().c_str(), streams.Out);
        return ExitOk;
    case TCommandMode::cmPreview:
        return RunPreview(options, streams);
    case TCommandMode::cmBatch:
        break;
    }
    return RunBatch(options, streams);
}
