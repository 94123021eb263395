#include "StatusText.h"

#include "FileListEntry.h"

#include <QCoreApplication>
#include <QRegularExpression>

namespace {

// ", 3 skipped: the archive already holds their names", or nothing.
QString SkippedPart(int skipped)
{
    if (skipped == 0)
        return {};
    return skipped == 1 ? QCoreApplication::translate("StatusText", ", 1 skipped: the archive already holds its name")
                        : QCoreApplication::translate("StatusText", ", %1 skipped: the archive already holds their names").arg(skipped);
}

QString AddedPart(const TRunTally& tally)
{
    return QCoreApplication::translate("StatusText", "%1 added").arg(tally.Added()) + SkippedPart(tally.Skipped);
}

} // namespace

QString WorkingText(int current, int count, const QString& fileName)
{
    return QCoreApplication::translate("StatusText", "Working on %1 of %2: %3").arg(current).arg(count).arg(fileName);
}

QString DoneText(const TRunTally& tally)
{
    if (tally.Added() == 0 && tally.Skipped > 0)
        return tally.Skipped == 1 ? QCoreApplication::translate("StatusText", "Nothing added: its name is already in the archive")
                                  : QCoreApplication::translate("StatusText", "Nothing added: all %1 names are already in the archive").arg(tally.Skipped);
    return QCoreApplication::translate("StatusText", "Done: ") + AddedPart(tally);
}

QString StoppedText(const TRunTally& tally)
{
    return QCoreApplication::translate("StatusText", "Stopped after %1 of %2: ").arg(tally.Finished).arg(tally.Count) + AddedPart(tally);
}

QString PictureFailedText(const TRunTally& tally, int at, const QString& fileName)
{
    return QCoreApplication::translate("StatusText", "Failed at %1 of %2 on the picture %3: ").arg(at).arg(tally.Count).arg(fileName) + AddedPart(tally);
}

QString ArchiveFailedText(const TRunTally& tally, const QString& archiveName)
{
    if (tally.Finished == 0)
        return QCoreApplication::translate("StatusText", "Failed on the archive %1: nothing added").arg(archiveName);
    return QCoreApplication::translate("StatusText", "Failed on the archive %1: ").arg(archiveName) + AddedPart(tally);
}

QString RunFailedText(const TRunTally& tally, int at)
{
    return QCoreApplication::translate("StatusText", "Failed at %1 of %2: ").arg(at).arg(tally.Count) + AddedPart(tally);
}

QString NoArchiveNamedText()
{
    return QCoreApplication::translate("StatusText", "No ZIP file named: type the archive's name, or choose it with the ... button");
}

QString EmptyListText()
{
    return QCoreApplication::translate("StatusText", "The list is empty: drop photos or folders onto it first");
}

QString NothingOpensText(const QString& archive)
{
    return QCoreApplication::translate("StatusText", "Nothing on this desktop opens %1 or shows its folder").arg(archive);
}

QString CaptionText(const std::string& caption)
{
    // The layers below name the list's count and a run's place in English.
    static const QRegularExpression count(QStringLiteral("^(\\d+) Files$"));
    static const QRegularExpression place(QStringLiteral("^Files (\\d+)/(\\d+)$"));
    const QString text = DisplayName(caption);
    if (const QRegularExpressionMatch m = count.match(text); m.hasMatch())
        return QCoreApplication::translate("StatusText", "%1 Files").arg(m.captured(1));
    if (const QRegularExpressionMatch m = place.match(text); m.hasMatch())
        return QCoreApplication::translate("StatusText", "Files %1/%2").arg(m.captured(1), m.captured(2));
    return text;
}

QString NoArchiveYetText(const QString& archive)
{
    return QCoreApplication::translate("StatusText", "There is no archive %1 yet: GO makes it").arg(archive);
}

QString UnreadableFoldersText(int count)
{
    return count == 1 ? QCoreApplication::translate("StatusText", "1 folder could not be read")
                      : QCoreApplication::translate("StatusText", "%1 folders could not be read").arg(count);
}
