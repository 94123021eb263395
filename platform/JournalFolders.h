#pragma once
// Where a commit journal goes when the archive's own folder takes no new
// file: the user's state folder, else a private folder under /var/tmp,
// which outlives a reboot as the journal must. Every folder made on the
// way is synced together with the folder it was made in, so that a journal
// inside is still reachable after a power loss.

#include <string>

struct TJournalFolder {
    std::string Path;     // with a trailing slash; empty when unusable
    std::string Problem;  // why it is unusable, in words for the user
};

// $XDG_STATE_HOME/plinkavorte/, by default ~/.local/state/plinkavorte/.
// With `make` it is made (mode 700) when missing.
TJournalFolder ProgramStateFolder(bool make);

// /var/tmp/plinkavorte-UID/, made mode 700; refused unless it is a real
// folder of this user that nobody else may write to.
TJournalFolder SpareJournalFolder(bool make);

// Tests put the spare folder under another root; "" puts /var/tmp back.
void SetSpareJournalRoot(const std::string& root);
