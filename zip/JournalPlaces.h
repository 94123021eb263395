#pragma once
// Where the journal of a commit lives, and how it is found again. Beside
// the archive it is a hidden file named after it; where that folder takes
// no new file, it goes to the state folder, else to the spare folder under
// /var/tmp, named by the archive's device and inode and holding the
// archive's path, by which it is found when those numbers changed.

#include <string>
#include <sys/stat.h>
#include <vector>

// The journal name beside a target, never longer than a file name may be.
std::string JournalBeside(const std::string& target);
// The journal name in the state folder ("" when there is none; `make`
// makes the folder when missing).
std::string JournalInStateFolder(dev_t device, ino_t inode, bool make = false);

// Every journal file that may belong to `target` (whose node is `node`),
// beside it first.
std::vector<std::string> JournalsOf(const std::string& target, const struct stat& node);

// The folders that hold, or held, journals of `target`.
std::vector<std::string> JournalFolders(const std::string& target);

// A journal file for a commit to `target`, empty and open for writing, with
// the archive's permissions so that whoever may write the archive may also
// finish or undo the commit. A void journal left beside by someone else is
// written over in place rather than starting one elsewhere. Fails with
// EArchiveBlocked when no place takes a journal, otherwise returns -1 with
// errno set.
int CreateJournal(const std::string& target, const struct stat& node, std::string& path);
