// Arbitrary bytes as an existing archive: open it, add one entry, set the
// comment, close, as a batch run does.
// The program's own exceptions are fine; a close that reports success must
// leave an archive an independent reader accepts, holding the new entry.

#include "ZipSession.h"
#include "Errors.h"
#include "FuzzScratch.h"
#include "MemoryStream.h"
#include "ZipListing.h"
#include "ZipperSetup.h"

#include <strings.h>
#include <unistd.h>

#include <stdexcept>

namespace {

const char EntryName[] = "added.jpg";
const char EntryText[] = "thumbnail bytes thumbnail bytes thumbnail bytes";

bool HoldsEntryNamed(const TZipListing& listing)
{
    for (const auto& entry : listing.Entries)
        if (strcasecmp(entry.Name.c_str(), EntryName) == 0)
            return true;
    return false;
}

void CheckWritten(const std::string& path, bool added)
{
    TZipListing listing;
    try {
        listing = ReadZipListing(path);
    } catch (const std::runtime_error& e) {
        FuzzFail(std::string("closed archive is unreadable: ") + e.what());
    }
    if (!HoldsEntryNamed(listing))
        FuzzFail("closed archive lacks the added entry");
    if (!added)
        return;
    const TListedEntry* entry = listing.Find(EntryName);
    if (!entry)
        FuzzFail("added entry is stored under another name");
    try {
        if (listing.Extract(*entry) != std::vector<uint8_t>(EntryText, EntryText + sizeof EntryText - 1))
            FuzzFail("added entry reads back other bytes");
    } catch (const std::runtime_error& e) {
        FuzzFail(std::string("added entry does not read back: ") + e.what());
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string path = FuzzScratchFolder() + "/input.zip";
    WriteWholeFile(path, data, size);
    bool closed = false;
    bool added = false;
    try {
        TZipper zipper;
        ConfigureThumbnailZipper(zipper);
        zipper.Open(path);
        TMemoryStream source;
        source.WriteBuffer(EntryText, sizeof EntryText - 1);
        source.SetPosition(0);
        const int before = zipper.Count();
        zipper.AddStream(EntryName, source);
        added = zipper.Count() > before;
        // As a batch does: its own comment, so an old one cannot hide the end record.
        zipper.SetComment("fuzz run");
        zipper.Close();
        closed = true;
    } catch (const Exception&) {
    }
    if (closed)
        CheckWritten(path, added);
    ::unlink(path.c_str());
    return 0;
}
