#pragma once
// Changes the end of a file in place, safe against a kill or a power loss.
// Before the file is touched, a journal holding the bytes about to be
// covered reaches the disk; only then is the new tail written, the size
// set and the file synced, and the journal goes. Whoever opens the file
// next finds a journal only when a commit was cut short, and puts the file
// back as it was before that commit (or keeps it, when the new tail made it).
//
// While a journal of the file exists that this process cannot settle (read
// it whole, undo or confirm its commit, and remove it for good or void it
// in place), nothing is written to the file: the add fails with a message
// naming the archive, the journal and the reason.

#include "FileIdentity.h"
#include "JournalPlaces.h"
#include "Stream.h"

#include <cstdint>
#include <string>

// Bytes a journal covering `coveredBytes` of old content takes on disk, at most.
int64_t JournalSize(int64_t coveredBytes);

// Replaces everything of `target` from `offset` on by `tail` (read from its
// start; placed past the file's end, a hole reading as zeros comes before
// it). `lockedHandle` is an open handle of the target the caller holds
// the commit lock on. Returns the file's identity afterwards.
// Failures: the target not writable passes as the system's open error,
// untouched; no place for a journal is an EArchiveBlocked; any later
// failure is an EBadStream after the old content was put back. When even
// that fails, `unfinished` is set and the journal stays for the next open
// to finish the job.
TFileIdentity CommitTail(const std::string& target, int lockedHandle, int64_t offset, TStream& tail,
                         bool& unfinished);

// Writes `bytes` at `offset` of `target` where nothing the file holds refers
// to yet, and syncs them: a cut write leaves the file as whole as it was, so
// no journal is needed. Failures as for CommitTail, with nothing to undo.
TFileIdentity WriteUnreferenced(const std::string& target, int lockedHandle, int64_t offset, TStream& bytes);

// Cuts `target` to `size` and syncs it, where the file up to `size` is
// already whole on disk: the cut is one step of the file system's own.
TFileIdentity ShortenFile(const std::string& target, int lockedHandle, int64_t size);

// Settles every journal of `target`, wherever it lies. Call with the commit
// lock held. Fails with EArchiveBlocked when one cannot be settled; the
// journal then stays, and the file is as far as the settling got.
void RecoverInterruptedCommit(const std::string& target, int lockedHandle);

// Drops the journals a file just made under `target` can't own: ones left
// for a removed file of that name, or for one whose inode it reuses.
void ForgetJournals(const std::string& target, int handle);
