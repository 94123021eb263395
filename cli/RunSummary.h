#pragma once
// What plinkavorte-batch says about a run when it ends.

#include <string>
#include <vector>

struct TRunCounts {
    int Done = 0;
    int Skipped = 0;   // the archive already held their names
    int Failed = 0;
};

// "3 pictures done, 1 skipped: already in the archive"; skipped pictures are
// named only when there are some, failed ones only when the run went on past
// failures. With keepGoing all three counts are given.
std::string CountsText(const TRunCounts& counts, bool keepGoing);

// The line for a run that found no picture: the paths, each escaped.
std::string NoPicturesText(const std::vector<std::string>& paths);

// The folders among the paths that hold sub-folders (those a scan without
// sub-folders passed over).
std::vector<std::string> FoldersWithSubfolders(const std::vector<std::string>& paths);

// The hints that follow a failure, for mistakes the operands show: an
// archive name the library cannot take, or a folder given first while a
// later operand names an archive.
std::vector<std::string> ArchiveNameHints(const std::string& message, const std::string& archive,
                                          const std::vector<std::string>& paths);
