#pragma once
// What plinkavorte-batch was asked to do, read from its arguments.

#include "Errors.h"
#include "ThumbnailRecipe.h"

#include <string>
#include <vector>

enum class TCommandMode { cmBatch, cmPreview, cmHelp, cmVersion };

struct TCommandOptions {
    TCommandMode Mode = TCommandMode::cmBatch;
    TThumbnailSettings Settings;
    bool IncludeSubfolders = false;
    bool Clear = false;
    bool KeepGoing = false;           // a failing picture is reported and the run goes on
    int Jobs = 1;                     // threads making thumbnails; the online processors unless -j
    std::string Archive;              // batch: as given, not yet made absolute
    std::vector<std::string> Paths;   // batch: the drop, in order
    std::string PreviewOutput;        // preview: the PNG to write
    std::string PreviewPicture;       // preview: the JPEG to render
};

// A bad option or value; the message says which, without the program name.
class EUsageError : public Exception {
public:
    using Exception::Exception;
};

// Reads the arguments after the program name. Options may stand anywhere
// before "--"; short flags may be bundled (-fqr), and values attached
// (-s120, --size=120) or separate (-s 120, --size 120).
TCommandOptions ParseCommandLine(const std::vector<std::string>& args);

// "RRGGBB" (an optional leading "#") as a colour 0x00BBGGRR.
TColor ParseRgbColour(const std::string& text);

// The texts that --help, --version and a usage error print.
std::string HelpText();
std::string VersionText();
std::string UsageText();
