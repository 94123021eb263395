#include "CommandLine.h"

#include "Processors.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <functional>
#include <limits>

#ifndef PLK_VERSION
#define PLK_VERSION "0.0.0"
#endif

namespace {

constexpr int MaxJobs = 256;

int ParseInteger(const std::string& option, const std::string& text, int low, int high)
{
    const std::string range = " (" + std::to_string(low) + " to " + std::to_string(high) + ")";
    if (text.empty())
        throw EUsageError("option " + option + " needs a number" + range);
    char* end = nullptr;
    errno = 0;
    const long value = std::strtol(text.c_str(), &end, 10);
    if (*end != '\0' || errno == ERANGE ||
        std::isspace(static_cast<unsigned char>(text.front())))
        throw EUsageError("option " + option + ": '" + text + "' is not a whole number");
    if (value < low || value > high)
        throw EUsageError("option " + option + ": " + text + " is out of range" + range);
    return static_cast<int>(value);
}

TColor ParseColourOption(const std::string& option, const std::string& text)
{
    try {
        return ParseRgbColour(text);
    } catch (const EUsageError& e) {
        throw EUsageError("option " + option + ": " + e.Message());
    }
}

struct TOptionDef {
    char Short;
    const char* Long;
    bool TakesValue;
    std::function<void(TCommandOptions&, const std::string& name, const std::string& value)> Apply;
};

const std::vector<TOptionDef>& OptionTable()
{
    static const std::vector<TOptionDef> table = {
        {'s', "size", true, [](TCommandOptions& o, const std::string& n, const std::string& v) {
             o.Settings.MaxSize = ParseInteger(n, v, 50, 600); }},
        {'f', "frame", false, [](TCommandOptions& o, const std::string&, const std::string&) {
             o.Settings.Framed = true; }},
        {'w', "frame-width", true, [](TCommandOptions& o, const std::string& n, const std::string& v) {
             o.Settings.FrameWidth = ParseInteger(n, v, 0, 20); }},
        {'q', "square", false, [](TCommandOptions& o, const std::string&, const std::string&) {
             o.Settings.Square = true; }},
        {'b', "background", true, [](TCommandOptions& o, const std::string& n, const std::string& v) {
             o.Settings.BackColor = ParseColourOption(n, v); }},
        {'B', "border", true, [](TCommandOptions& o, const std::string& n, const std::string& v) {
             o.Settings.BorderColor = ParseColourOption(n, v); }},
        {'r', "subfolders", false, [](TCommandOptions& o, const std::string&, const std::string&) {
             o.IncludeSubfolders = true; }},
        {'c', "clear", false, [](TCommandOptions& o, const std::string&, const std::string&) {
             o.Clear = true; }},
        {'k', "keep-going", false, [](TCommandOptions& o, const std::string&, const std::string&) {
             o.KeepGoing = true; }},
        {'j', "jobs", true, [](TCommandOptions& o, const std::string& n, const std::string& v) {
             o.Jobs = ParseInteger(n, v, 1, MaxJobs); }},
        {'h', "help", false, [](TCommandOptions& o, const std::string&, const std::string&) {
             o.Mode = TCommandMode::cmHelp; }},
        {'V', "version", false, [](TCommandOptions& o, const std::string&, const std::string&) {
             if (o.Mode != TCommandMode::cmHelp) o.Mode = TCommandMode::cmVersion; }},
        {'\0', "preview", true, [](TCommandOptions& o, const std::string&, const std::string& v) {
             if (v.empty()) throw EUsageError("option --preview needs an output file name");
             o.PreviewOutput = v; }},
    };
    return table;
}

const TOptionDef* FindShort(char c)
{
    for (const auto& option : OptionTable())
        if (option.Short == c)
            return &option;
    return nullptr;
}

const TOptionDef* FindLong(const std::string& name)
{
    for (const auto& option : OptionTable())
        if (name == option.Long)
            return &option;
    return nullptr;
}

class TArgumentReader {
public:
    TArgumentReader(const std::vector<std::string>& args, int defaultJobs) : FArgs(args) { FOptions.Jobs = defaultJobs; }

    TCommandOptions Read()
    {
        bool optionsEnded = false;
        while (FNext < FArgs.size()) {
            const std::string& arg = FArgs[FNext++];
            if (optionsEnded || arg.size() < 2 || arg[0] != '-')
                FPositional.push_back(arg);
            else if (arg == "--")
                optionsEnded = true;
            else if (arg[1] == '-')
                ReadLong(arg.substr(2));
            else
                ReadShortBundle(arg.substr(1));
        }
        if (FOptions.Mode == TCommandMode::cmHelp || FOptions.Mode == TCommandMode::cmVersion)
            return FOptions;
        // Squaring is a shape of the frame; alone it would be ignored without a word.
        if (FOptions.Settings.Square && !FOptions.Settings.Framed)
            throw EUsageError("option -q (--square) needs -f (--frame): only a framed thumbnail is made square");
        if (!FOptions.PreviewOutput.empty())
            AssignPreview();
        else
            AssignBatch();
        return FOptions;
    }

private:
    std::string TakeValue(const std::string& option)
    {
        if (FNext >= FArgs.size())
            throw EUsageError("option " + option + " needs a value");
        return FArgs[FNext++];
    }

    void ReadLong(const std::string& body)
    {
        const auto equals = body.find('=');
        const std::string name = body.substr(0, equals);
        const TOptionDef* option = FindLong(name);
        if (!option)
            throw EUsageError("unknown option --" + name);
        const std::string shown = "--" + name;
        if (!option->TakesValue) {
            if (equals != std::string::npos)
                throw EUsageError("option " + shown + " takes no value");
            option->Apply(FOptions, shown, {});
            return;
        }
        const std::string value = equals != std::string::npos ? body.substr(equals + 1) : TakeValue(shown);
        option->Apply(FOptions, shown, value);
    }

    void ReadShortBundle(const std::string& bundle)
    {
        for (size_t k = 0; k < bundle.size(); ++k) {
            const TOptionDef* option = FindShort(bundle[k]);
            const std::string shown = std::string("-") + bundle[k];
            if (!option)
                throw EUsageError("unknown option " + shown);
            if (!option->TakesValue) {
                option->Apply(FOptions, shown, {});
                continue;
            }
            const std::string rest = bundle.substr(k + 1);
            option->Apply(FOptions, shown, rest.empty() ? TakeValue(shown) : rest);
            return;
        }
    }

    void AssignPreview()
    {
        if (FPositional.size() != 1)
            throw EUsageError("--preview takes exactly one PICTURE");
        FOptions.Mode = TCommandMode::cmPreview;
        FOptions.PreviewPicture = FPositional.front();
    }

    void AssignBatch()
    {
        if (FPositional.empty())
            throw EUsageError("missing ARCHIVE and PATH");
        if (FPositional.size() < 2)
            throw EUsageError("missing PATH: name at least one picture or folder");
        FOptions.Mode = TCommandMode::cmBatch;
        FOptions.Archive = FPositional.front();
        FOptions.Paths.assign(FPositional.begin() + 1, FPositional.end());
    }

    const std::vector<std::string>& FArgs;
    size_t FNext = 0;
    TCommandOptions FOptions;
    std::vector<std::string> FPositional;
};

int HexDigit(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

} // namespace

TCommandOptions ParseCommandLine(const std::vector<std::string>& args)
{
    return TArgumentReader(args, std::min(OnlineProcessorCount(), MaxJobs)).Read();
}

TColor ParseRgbColour(const std::string& text)
{
    const std::string digits = (!text.empty() && text[0] == '#') ? text.substr(1) : text;
    if (digits.size() != 6)
        throw EUsageError("'" + text + "' is not a colour RRGGBB");
    int rgb[3];
    for (int k = 0; k < 3; ++k) {
        const int high = HexDigit(digits[2 * k]);
        const int low = HexDigit(digits[2 * k + 1]);
        if (high < 0 || low < 0)
            throw EUsageError("'" + text + "' is not a colour RRGGBB");
        rgb[k] = high * 16 + low;
    }
    return rgb[0] | (rgb[1] << 8) | (rgb[2] << 16);
}

std::string UsageText()
{
    return "Usage: plinkavorte-batch [options] ARCHIVE PATH...\n"
           "       plinkavorte-batch [options] --preview OUTPUT.png PICTURE\n"
           "Try 'plinkavorte-batch --help' for more information.\n";
}

std::string VersionText()
{
    return std::string("plinkavorte-batch ") + PLK_VERSION + "\n";
}

std::string HelpText()
{
    return "Usage: plinkavorte-batch [options] ARCHIVE PATH...\n"
           "       plinkavorte-batch [options] --preview OUTPUT.png PICTURE\n"
           "\n"
           "Makes a JPEG thumbnail of every picture among the PATHs and stores it in\n"
           "the ZIP archive ARCHIVE, exactly as dropping the PATHs onto Plinkavorte's\n"
           "list and pressing GO would. A missing ARCHIVE is created; an existing one\n"
           "is added to. Each thumbnail is stored under the picture's bare file name,\n"
           "with .jpg (.JPG for a name in capitals) in place of any other kind's\n"
           "extension; a name the archive already holds (letter case ignored) is\n"
           "skipped, so of IMG_1.CR2 and IMG_1.JPG the first listed is kept. The\n"
           "archive on disk is complete after every picture, and gets the comment\n"
           "\"Made with Plinkavorte\" at the end, unless it has another comment.\n"
           "\n"
           "PATHs are files or folders, taken in the order given. Files count by\n"
           "their whole extension, any letter case: JPEG (.jpg .jpeg .jpe .jfif),\n"
           "HEIF and AVIF (.heic .heif .hif .avif), .png, .webp, TIFF (.tif .tiff)\n"
           "and camera RAW (.dng .cr2 .cr3 .nef .nrw .arw .raf .orf .rw2 .pef .srw).\n"
           "Each file is read as what its bytes hold, whatever its name says.\n"
           "A folder contributes its pictures; with -r its sub-folders too.\n"
           "A relative ARCHIVE is taken from the current folder; its name must end\n"
           "in .zip (or .jar).\n"
           "\n"
           "Options:\n"
           "  -s, --size N              longest side of a thumbnail in pixels, 50 to 600\n"
           "                            (default 200)\n"
           "  -f, --frame               frame the thumbnails: a margin in the background\n"
           "                            colour with a one-pixel border\n"
           "  -w, --frame-width N       frame width in pixels, 0 to 20 (default 10)\n"
           "  -q, --square              make framed thumbnails square (needs --frame)\n"
           "  -b, --background RRGGBB   frame background colour (default F4F4F4)\n"
           "  -B, --border RRGGBB       frame border colour (default 5E88A2)\n"
           "  -r, --subfolders          scan the sub-folders of the folders given\n"
           "  -k, --keep-going          report a picture that fails and go on with the\n"
           "                            next; without it the first failure ends the run\n"
           "                            (a failure of the archive itself always does)\n"
           "  -c, --clear               start a new archive: delete an existing ARCHIVE\n"
           "                            first (only a file whose name ends in .zip or .jar)\n"
           "  -j, --jobs N              make thumbnails on N threads at once, 1 to 256\n"
           "                            (default: one per online processor; fewer when\n"
           "                            the system lets fewer start); the archive is the\n"
           "                            same whatever N\n"
           "      --preview OUTPUT.png  write the thumbnail of the one PICTURE as a\n"
           "                            lossless PNG instead; no archive is touched\n"
           "  -h, --help                show this help and exit\n"
           "  -V, --version             show the version and exit\n"
           "\n"
           "Progress goes to standard error: a live \"Files i/n\" line showing the\n"
           "picture being worked on when it is a terminal, one line per finished\n"
           "picture otherwise. At the end a summary counts the pictures done, those\n"
           "skipped because the archive already holds their name, and (with -k) those\n"
           "that failed. Ctrl+C stops after the current picture (giving it up when it\n"
           "is still being made a quarter of a second later) and still writes the\n"
           "comment and closes the archive; a second Ctrl+C ends the program at once\n"
           "(the archive on disk then holds every picture finished before).\n"
           "\n"
           "Exit status: 0 when the run completed; 1 when it failed, a picture failed\n"
           "(with -k), or no picture was found (the message says why; pictures\n"
           "finished before a failure stay in the archive); 2 for a bad option or\n"
           "value; 130 after Ctrl+C and 143 after SIGTERM, the archive closed.\n"
           "\n"
           "Examples:\n"
           "  plinkavorte-batch thumbs.zip ~/Pictures/holiday\n"
           "  plinkavorte-batch -r -s 300 -f -q -c thumbs.zip ~/Pictures\n"
           "  plinkavorte-batch -f -b FFFFFF -B 000000 --preview cat.png cat.jpg\n";
}
