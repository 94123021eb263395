#include "StatusText.h"

namespace {

// ", 3 skipped: the archive already holds their names", or nothing.
QString SkippedPart(int skipped)
{
    if (skipped == 0)
        return {};
    return skipped == 1 ? QString(", 1 skipped: the archive already holds its name")
                        : QString(", %1 skipped: the archive already holds their names").arg(skipped);
}

QString AddedPart(const TRunTally& tally)
{
    return QString("%1 added").arg(tally.Added()) + SkippedPart(tally.Skipped);
}

} // namespace

QString WorkingText(int current, int count, const QString& fileName)
{
    return QString("Working on %1 of %2: %3").arg(current).arg(count).arg(fileName);
}

QString DoneText(const TRunTally& tally)
{
    if (tally.Added() == 0 && tally.Skipped > 0)
        return tally.Skipped == 1 ? QString("Nothing added: its name is already in the archive")
                                  : QString("Nothing added: all %1 names are already in the archive").arg(tally.Skipped);
    return "Done: " + AddedPart(tally);
}

QString StoppedText(const TRunTally& tally)
{
    return QString("Stopped after %1 of %2: ").arg(tally.Finished).arg(tally.Count) + AddedPart(tally);
}

QString PictureFailedText(const TRunTally& tally, int at, const QString& fileName)
{
    return QString("Failed at %1 of %2 on the picture %3: ").arg(at).arg(tally.Count).arg(fileName) + AddedPart(tally);
}

QString ArchiveFailedText(const TRunTally& tally, const QString& archiveName)
{
    if (tally.Finished == 0)
        return QString("Failed on the archive %1: nothing added").arg(archiveName);
    return QString("Failed on the archive %1: ").arg(archiveName) + AddedPart(tally);
}

QString RunFailedText(const TRunTally& tally, int at)
{
    return QString("Failed at %1 of %2: ").arg(at).arg(tally.Count) + AddedPart(tally);
}

QString NoArchiveNamedText()
{
    return "No ZIP file named: type the archive's name, or choose it with the ... button";
}

QString EmptyListText()
{
    return "The list is empty: drop photos or folders onto it first";
}

QString NothingOpensText(const QString& archive)
{
    return QString("Nothing on this desktop opens %1 or shows its folder").arg(archive);
}

QString NoArchiveYetText(const QString& archive)
{
    return QString("There is no archive %1 yet: GO makes it").arg(archive);
}
