#pragma once
// Changes the end of a file in place, safe against a kill or a power loss.
// Before the file is touched, a journal holding the bytes about to be
// covered reaches the disk; only then is the new tail written, the size
// set and the file synced, and the journal goes. Whoever opens the file
// next finds a journal only when a commit was cut short, and puts the file
// back as it was before that commit (or keeps it, when the new tail made it).
//
// The journal is a hidden file beside the target, named after it; where
// that folder takes no new file it lives in the program's state folder,
// named by the target's device and inode.

#include "FileIdentity.h"
#include "Stream.h"

#include <cstdint>
#include <string>
#include <sys/types.h>

// The journal name beside a target, never longer than a file name may be.
std::string JournalBeside(const std::string& target);
// The journal name in the state folder ("" when there is none; `make`
// makes the folder when missing).
std::string JournalInStateFolder(dev_t device, ino_t inode, bool make);

// Bytes a journal covering `coveredBytes` of old content takes on disk.
int64_t JournalSize(int64_t coveredBytes);

// Replaces everything of `target` from `offset` on by `tail` (read from its
// start). `lockedHandle` is an open handle of the target the caller holds
// the commit lock on. Returns the file's identity afterwards.
// Failures: the target not writable passes as the system's open error,
// untouched; any later failure is an EBadStream after the old content was
// put back. When even that fails, `unfinished` is set and the journal
// stays for the next open to finish the job.
TFileIdentity CommitTail(const std::string& target, int lockedHandle, int64_t offset, TStream& tail,
                         bool& unfinished);

// Finishes or undoes a commit that was cut short. Call with the commit lock
// held. A file that needs its old bytes back but cannot be written fails
// with the system's open error; the journal then stays.
void RecoverInterruptedCommit(const std::string& target, int lockedHandle);

// Drops the journals a file just made can't own: ones left for a removed
// file whose inode it reuses, beside its name or in the state folder.
void ForgetJournals(const std::string& target, int handle);
