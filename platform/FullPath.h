#pragma once
// Absolute paths: what the archive writer calls a full path on this system.

#include <string>

// True when the name starts at the root ("/").
bool IsFullPath(const std::string& name);

// The name made absolute against the current directory, with "." and ".."
// steps and doubled separators folded away. Links are not resolved.
std::string ExpandFileName(const std::string& name);

// The folder part of a path, up to and including its last "/"; empty when
// the path has none.
std::string ExtractFilePath(const std::string& name);

// Like ExtractFilePath, but "./" for a bare name: a folder that can be opened.
std::string FolderOfPath(const std::string& name);

// The part after the last "/".
std::string ExtractFileName(const std::string& name);
