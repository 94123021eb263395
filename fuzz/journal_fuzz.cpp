// Arbitrary bytes as the journal of a commit cut short: the input is a flag
// byte, the archive's length in 3 bytes, the archive, then the journal,
// which lies beside the archive (or, with the flag's low bit, in the state
// folder under a name of its own). Opening the archive settles it: the
// program's own exceptions are fine; an open that succeeds leaves no
// journal beside the archive.

#include "ZipSession.h"
#include "Errors.h"
#include "FuzzScratch.h"
#include "JournalFolders.h"
#include "JournalPlaces.h"
#include "ZipperSetup.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

namespace {

const std::string& StateFolder()
{
    static const std::string folder = [] {
        ::setenv("XDG_STATE_HOME", (FuzzScratchFolder() + "/state").c_str(), 1);
        SetSpareJournalRoot(FuzzScratchFolder());
        ::mkdir((FuzzScratchFolder() + "/state").c_str(), 0700);
        ::mkdir((FuzzScratchFolder() + "/state/plinkavorte").c_str(), 0700);
        return FuzzScratchFolder() + "/state/plinkavorte/";
    }();
    return folder;
}

bool Exists(const std::string& path)
{
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 4)
        return 0;
    const std::string state = StateFolder();
    const bool inState = (data[0] & 1) != 0;
    size_t archiveSize = data[1] | data[2] << 8 | static_cast<size_t>(data[3]) << 16;
    if (archiveSize > size - 4)
        archiveSize = size - 4;
    const std::string archive = FuzzScratchFolder() + "/a.zip";
    const std::string journal = inState ? state + "x.journal" : JournalBeside(archive);
    WriteWholeFile(archive, data + 4, archiveSize);
    WriteWholeFile(journal, data + 4 + archiveSize, size - 4 - archiveSize);
    bool opened = false;
    try {
        TZipper zipper;
        ConfigureThumbnailZipper(zipper);
        zipper.Open(archive);
        opened = true;
    } catch (const Exception&) {
    }
    if (opened && !inState && Exists(journal))
        FuzzFail("a journal beside the archive outlived an open that settled it");
    ::unlink(journal.c_str());
    ::unlink(archive.c_str());
    return 0;
}
