#pragma once
// The status panel's texts for the window's state, when no control under
// the mouse has a hint to show; kept together for translation.

#include <QString>

#include <string>

// What a run did: the pictures it added and those the archive already held.
struct TRunTally {
    int Count = 0;      // list entries when the run began
    int Finished = 0;   // pictures it got through
    int Skipped = 0;    // of those, the ones whose name the archive held
    int Added() const { return Finished - Skipped; }
};

QString WorkingText(int current, int count, const QString& fileName);
// "Done: 297 added, 3 skipped: the archive already holds their names".
QString DoneText(const TRunTally& tally);
// "Stopped after 57 of 300: 57 added".
QString StoppedText(const TRunTally& tally);
// The failing picture (its bare name) at its place in the run, or the archive.
QString PictureFailedText(const TRunTally& tally, int at, const QString& fileName);
QString ArchiveFailedText(const TRunTally& tally, const QString& archiveName);
QString RunFailedText(const TRunTally& tally, int at);

QString NoArchiveNamedText();
QString EmptyListText();
QString NothingOpensText(const QString& archive);
QString NoArchiveYetText(const QString& archive);
// A window caption the layers below composed ("12 Files", "Files 3/10"),
// in the user's language; any other text unchanged.
QString CaptionText(const std::string& caption);
// "2 folders could not be read", after a drop.
QString UnreadableFoldersText(int count);
