#pragma once
// The system's temporary directory and unique temporary files.

#include <string>

// $TMPDIR when it names a directory, otherwise /tmp.
std::string SystemTempDirectory();

// Creates a new unique file "<dir>/<prefix>XXXXXX" (mode 0600) and returns its
// open descriptor, or -1 with errno set. path receives the name made.
int CreateUniqueTempFile(const std::string& dir, const std::string& prefix, std::string& path);
