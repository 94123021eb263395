#pragma once
// What the hardening tests share: the shell command as a child, folder
// listings to spot leftovers, and the verdict of unzip -t.

#include "ChildProcess.h"

#include <set>
#include <string>
#include <vector>

inline const std::string BatchProgram = PLK_BATCH_EXE;

// The names in a folder, without "." and "..".
std::set<std::string> FolderNames(const std::string& folder);
// Opens the archive as the program does, which first settles a commit that
// a kill cut short, and gives the entry names it reads. Writes nothing else.
std::vector<std::string> OpenAsTheProgramDoes(const std::string& archive);
// True when `unzip -t` passes the archive.
bool UnzipTestPasses(const std::string& archive, std::string* output = nullptr);
// Runs plinkavorte-batch with TMPDIR set to tmpDir (when given).
TChildResult RunBatch(const std::vector<std::string>& args, const std::string& tmpDir = {});
// The text without the leading "plinkavorte-batch: " and the trailing newline.
std::string LastErrorLine(const TChildResult& result);
