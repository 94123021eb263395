#pragma once
// "Clear" deletes the old archive file. It may do so only when the name will
// then be created as a new zip archive; otherwise a slip in the ZIP field
// (a photo's name, say) would destroy that file before opening fails anyway.

#include <string>

// True for an absolute path whose extension makes a new file a zip archive.
bool OpensAsNewZip(const std::string& archiveName);

// Throws what opening the name as a new archive would throw:
// "Full Path Required" or "Unhandled Archive Type".
void RequireNewZipName(const std::string& archiveName);
