#pragma once
// The half-written replacement, or the new archive not yet named, that a
// killed writer leaves beside its archive.
// Every replacement is locked (flock) by the process writing it for as long
// as it has a name; one that can be locked by someone else and has not been
// touched for a while belongs to nobody and may go.

#include <string>

// mkstemp pattern of a replacement for `target`: hidden, beside it, named
// after it and after this program so that no user file can match.
std::string ReplacementPattern(const std::string& target);

// True when `name` (a bare file name) is a replacement made for `target`.
bool IsReplacementName(const std::string& target, const std::string& name);

// Takes the writer's lock on a freshly made replacement; false when the
// file system refuses locks, which only costs the later clean-up.
bool LockReplacement(int fd);

// Removes the abandoned replacements in the folder of `target`, for any
// archive there, that are ours (same owner, plain files) and older than
// `minimumAgeSeconds`. Returns how many went. Never fails: a leftover that
// cannot be removed stays, as before.
int RemoveAbandonedReplacements(const std::string& target, int minimumAgeSeconds = 10);
