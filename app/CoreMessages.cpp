#include "CoreMessages.h"

#include <QCoreApplication>
#include <QStringList>

#include <array>
#include <optional>
#include <span>
#include <vector>

namespace {

// How a pattern's %n is read from the English text and written into the
// translation: kept as it is, or translated in turn by its own table.
enum class TSlot {
    Text,            // a name, a path or the system's words
    Number,
    PictureReason,   // why a picture could not be read
    Blocked,         // why an archive takes no additions
    JournalState,    // what is wrong with an interrupted commit's journal
    FolderProblems,  // why no folder took the journal, "; " between them
    OpenReason,      // why a file could not be opened
    DeflateCause,
};

struct TPattern {
    const char* Source;            // the English text, in the context "CoreMessage"
    std::array<TSlot, 3> Slots{};  // Slots[n - 1] reads %n
};

using enum TSlot;

// The texts the layers below write; each must stay the very text they write.
constexpr TPattern Messages[] = {
    // The archive writer's table
    {QT_TRANSLATE_NOOP("CoreMessage", "Cannot insert file - no insertion support provided")},
    {QT_TRANSLATE_NOOP("CoreMessage", "Cannot insert file - duplicates stored name")},
    {QT_TRANSLATE_NOOP("CoreMessage", "Process aborted by user")},
    {QT_TRANSLATE_NOOP("CoreMessage", "Directory does not exist")},
    {QT_TRANSLATE_NOOP("CoreMessage", "Archive does not exist - Filename is blank")},
    {QT_TRANSLATE_NOOP("CoreMessage", "Invalid file - not a PKZip file")},
    {QT_TRANSLATE_NOOP("CoreMessage", "Unhandled Archive Type")},
    {QT_TRANSLATE_NOOP("CoreMessage", "Spanning not supported by this Archive type")},
    {QT_TRANSLATE_NOOP("CoreMessage", "Cannot update an existing spanned disk set")},
    {QT_TRANSLATE_NOOP("CoreMessage", "Invalid Stream")},
    {QT_TRANSLATE_NOOP("CoreMessage", "Full Path Required")},
    {QT_TRANSLATE_NOOP("CoreMessage", "Zlib deflate error. (Internal cause: %1)"), {DeflateCause}},
    {QT_TRANSLATE_NOOP("CoreMessage", "VMS: invalid origin %1, should be 0, 1, 2"), {Number}},
    {QT_TRANSLATE_NOOP("CoreMessage", "VMS: Cannot open swap file %1. %2")},
    {QT_TRANSLATE_NOOP("CoreMessage", "VMS: Failed to seek in swap file %1")},
    {QT_TRANSLATE_NOOP("CoreMessage", "VMS: Failed to write %1 bytes to swap file %2"), {Number, Text}},
    {QT_TRANSLATE_NOOP("CoreMessage", "VMS: Failed to read %1 bytes from swap file %2"), {Number, Text}},
    {QT_TRANSLATE_NOOP("CoreMessage", "Zip record field longer than 65535 bytes")},
    // Writes refused before the archive was touched
    {QT_TRANSLATE_NOOP("CoreMessage", "The archive file was changed or replaced by another program since it was "
                                      "opened - nothing written")},
    {QT_TRANSLATE_NOOP("CoreMessage", "The archive file could not be opened for writing - open the archive again")},
    {QT_TRANSLATE_NOOP("CoreMessage", "Not enough free space on the disk for the archive - nothing written")},
    {QT_TRANSLATE_NOOP("CoreMessage", "The archive would grow past the largest file the disk's file system holds "
                                      "(4 GB on FAT) - nothing written")},
    {QT_TRANSLATE_NOOP("CoreMessage", "The change would rewrite more than 2 GB of the archive at once - nothing written")},
    {QT_TRANSLATE_NOOP("CoreMessage", "The archive has bytes after its end record, which adding to it would lose - "
                                      "nothing written")},
    {QT_TRANSLATE_NOOP("CoreMessage", "The archive would exceed the spanning threshold; split archives are not "
                                      "written - nothing written")},
    {QT_TRANSLATE_NOOP("CoreMessage", "The archive's records disagree on the size of \"%1\", so where it ends is "
                                      "uncertain - nothing written")},
    {QT_TRANSLATE_NOOP("CoreMessage", "Archive comment longer than 65535 bytes")},
    {QT_TRANSLATE_NOOP("CoreMessage", "%1 is a folder")},
    {QT_TRANSLATE_NOOP("CoreMessage", "%1 is a link to a missing file")},
    {QT_TRANSLATE_NOOP("CoreMessage", "Cannot add to %1: %2"), {Text, Blocked}},
    // Files and streams
    {QT_TRANSLATE_NOOP("CoreMessage", "Cannot open file \"%1\". %2"), {Text, OpenReason}},
    {QT_TRANSLATE_NOOP("CoreMessage", "Cannot create file \"%1\". %2")},
    {QT_TRANSLATE_NOOP("CoreMessage", "Stream read error")},
    {QT_TRANSLATE_NOOP("CoreMessage", "Stream write error")},
    {QT_TRANSLATE_NOOP("CoreMessage", "Cannot open clipboard")},
    {QT_TRANSLATE_NOOP("CoreMessage", "Unable to insert a line")},
    {QT_TRANSLATE_NOOP("CoreMessage", "List index out of bounds (%1)"), {Number}},
    {QT_TRANSLATE_NOOP("CoreMessage", "Unknown exception")},
    // Pictures
    {QT_TRANSLATE_NOOP("CoreMessage", "JPEG error #%1"), {Number}},
    {QT_TRANSLATE_NOOP("CoreMessage", "JPEG error: %1"), {PictureReason}},
    {QT_TRANSLATE_NOOP("CoreMessage", "cannot read %1 picture: %2"), {Text, PictureReason}},
    {QT_TRANSLATE_NOOP("CoreMessage", "Cannot read file \"%1\". It holds %2 MB, more than the %3 MB a picture may take."),
     {Text, Number, Number}},
    {QT_TRANSLATE_NOOP("CoreMessage", "Scan line index out of range")},
    {QT_TRANSLATE_NOOP("CoreMessage", "Stopped")},
};

constexpr TPattern PictureReasons[] = {
    {QT_TRANSLATE_NOOP("CoreMessage", "the file is empty")},
    {QT_TRANSLATE_NOOP("CoreMessage", "the file is damaged")},
    {QT_TRANSLATE_NOOP("CoreMessage", "the file is cut short")},
    {QT_TRANSLATE_NOOP("CoreMessage", "the file is cut short or cannot be read")},
    {QT_TRANSLATE_NOOP("CoreMessage", "the file changed while it was read")},
    {QT_TRANSLATE_NOOP("CoreMessage", "the file holds %1 MB, more than one picture may take"), {Number}},
    {QT_TRANSLATE_NOOP("CoreMessage", "%1 x %2 pixels need more memory than one picture may take"), {Number, Number}},
    {QT_TRANSLATE_NOOP("CoreMessage", "more than %1 scans"), {Number}},
    {QT_TRANSLATE_NOOP("CoreMessage", "out of memory")},
    {QT_TRANSLATE_NOOP("CoreMessage", "unsupported feature")},
    {QT_TRANSLATE_NOOP("CoreMessage", "the decoder cannot start")},
    {QT_TRANSLATE_NOOP("CoreMessage", "the picture has no pixels")},
    {QT_TRANSLATE_NOOP("CoreMessage", "the picture data is damaged")},
    {QT_TRANSLATE_NOOP("CoreMessage", "the animation's first frame is damaged")},
    {QT_TRANSLATE_NOOP("CoreMessage", "not a WebP file")},
    {QT_TRANSLATE_NOOP("CoreMessage", "not a TIFF file")},
    {QT_TRANSLATE_NOOP("CoreMessage", "not a kind of RAW file libraw can read")},
    {QT_TRANSLATE_NOOP("CoreMessage", "the sensor data is cut short or damaged")},
    {QT_TRANSLATE_NOOP("CoreMessage", "the sensor data gave no picture")},
};

constexpr TPattern BlockedReasons[] = {
    {QT_TRANSLATE_NOOP("CoreMessage", "its folder is not writable, and there is no folder for the commit journal (%1)."),
     {FolderProblems}},
    {QT_TRANSLATE_NOOP("CoreMessage", "the journal of an interrupted commit, %1, %2"), {Text, JournalState}},
};

constexpr TPattern JournalStates[] = {
    {QT_TRANSLATE_NOOP("CoreMessage", "cannot be removed for good: %1")},
    {QT_TRANSLATE_NOOP("CoreMessage", "cannot be removed: %1")},
    {QT_TRANSLATE_NOOP("CoreMessage", "must put the archive back, and the archive cannot be written: %1")},
    {QT_TRANSLATE_NOOP("CoreMessage", "does not match the archive as it is now; the journal is kept")},
    {QT_TRANSLATE_NOOP("CoreMessage", "cannot put the archive back: %1")},
    {QT_TRANSLATE_NOOP("CoreMessage", "cannot be read: %1")},
    {QT_TRANSLATE_NOOP("CoreMessage", "was written by a newer version of Plinkavorte")},
};

// One of FolderProblems; a bare "path: system reason" among them needs no translation.
constexpr TPattern FolderProblemTexts[] = {
    {QT_TRANSLATE_NOOP("CoreMessage", "cannot make %1: %2")},
    {QT_TRANSLATE_NOOP("CoreMessage", "cannot sync %1: %2")},
    {QT_TRANSLATE_NOOP("CoreMessage", "%1 is not a folder")},
    {QT_TRANSLATE_NOOP("CoreMessage", "%1 does not exist")},
    {QT_TRANSLATE_NOOP("CoreMessage", "%1 is not the user's own folder")},
    {QT_TRANSLATE_NOOP("CoreMessage", "HOME is not set")},
};

// Besides the system's words for the failure.
constexpr TPattern OpenReasons[] = {
    {QT_TRANSLATE_NOOP("CoreMessage", "Not a regular file.")},
};

// Besides the encoder's own words.
constexpr TPattern DeflateCauses[] = {
    {QT_TRANSLATE_NOOP("CoreMessage", "no block type allowed")},
};

std::span<const TPattern> PatternsOf(TSlot slot)
{
    switch (slot) {
    case PictureReason: return PictureReasons;
    case Blocked: return BlockedReasons;
    case JournalState: return JournalStates;
    case FolderProblems: return FolderProblemTexts;
    case OpenReason: return OpenReasons;
    case DeflateCause: return DeflateCauses;
    default: return {};
    }
}

// A text in the window's language; Whole when every part of it was known.
struct TTranslated {
    QString Text;
    bool Whole = false;
};

std::optional<TTranslated> TranslateIn(std::span<const TPattern> patterns, const QString& text);

// A pattern cut at its placeholders: literal, %n, literal, ... (a literal may be empty).
struct TPieces {
    QStringList Literals;
    std::vector<int> Slots;   // the n of each %n, between Literals[i] and Literals[i + 1]
};

TPieces PiecesOf(const QString& source)
{
    TPieces pieces;
    QString literal;
    for (qsizetype i = 0; i < source.size(); ++i) {
        const int n = source[i] == u'%' && i + 1 < source.size() ? source[i + 1].digitValue() : -1;
        if (n >= 1) {
            pieces.Literals << literal;
            pieces.Slots.push_back(n);
            literal.clear();
            ++i;
        } else {
            literal += source[i];
        }
    }
    pieces.Literals << literal;
    return pieces;
}

bool IsNumber(QStringView text)
{
    if (text.startsWith(u'-'))
        text = text.sliced(1);
    if (text.isEmpty())
        return false;
    for (QChar c : text)
        if (!c.isDigit())
            return false;
    return true;
}

// Slots that may hold a library's or the system's words instead of ours;
// those stay as they are.
bool MayBeForeign(TSlot slot)
{
    return slot == PictureReason || slot == FolderProblems || slot == OpenReason || slot == DeflateCause;
}

TTranslated SlotText(TSlot slot, const QString& part)
{
    if (slot == Text || slot == Number)
        return {part, true};
    if (slot == FolderProblems) {
        QStringList problems = part.split(QStringLiteral("; "));
        bool whole = true;
        for (QString& problem : problems)
            if (const std::optional<TTranslated> t = TranslateIn(PatternsOf(slot), problem))
                problem = t->Text, whole = whole && t->Whole;
        return {problems.join(QStringLiteral("; ")), whole};
    }
    if (const std::optional<TTranslated> t = TranslateIn(PatternsOf(slot), part))
        return *t;
    return {part, MayBeForeign(slot)};
}

// Puts each part in place of its %n, in one pass, so a part's own "%1" stays.
QString Filled(const QString& translation, const std::vector<QString>& parts)
{
    QString out;
    for (qsizetype i = 0; i < translation.size(); ++i) {
        const int n = translation[i] == u'%' && i + 1 < translation.size() ? translation[i + 1].digitValue() : -1;
        if (n >= 1 && n <= static_cast<int>(parts.size())) {
            out += parts[n - 1];
            ++i;
        } else {
            out += translation[i];
        }
    }
    return out;
}

// Tries every way the text fits a pattern, the longest leading parts first
// (the reasons at the end hold no separators, names may), and keeps the
// first whose reasons are all known, else the first fit at all.
class TFitter {
public:
    TFitter(const TPattern& pattern, const QString& text)
        : FPattern(pattern), FPieces(PiecesOf(QString::fromLatin1(pattern.Source))), FText(text),
          FParts(FPieces.Slots.size())
    {
    }

    std::optional<TTranslated> Best()
    {
        if (QStringView(FText).startsWith(FPieces.Literals[0]))
            Fit(0, FPieces.Literals[0].size());
        return FBest;
    }

private:
    // Returns true once a wholly known fit is found.
    bool Fit(size_t slot, qsizetype at)
    {
        if (slot == FPieces.Slots.size())
            return at == FText.size() && Take();
        const QString& after = FPieces.Literals[slot + 1];
        const bool last = slot + 1 == FPieces.Slots.size();
        for (qsizetype end = FText.size() - after.size(); end >= at; --end) {
            if (last && end != FText.size() - after.size())
                break;   // the final literal closes the text
            if (!QStringView(FText).sliced(end).startsWith(after))
                continue;
            FParts[slot] = FText.sliced(at, end - at);
            if (KindOf(slot) == Number && !IsNumber(FParts[slot]))
                continue;
            if (Fit(slot + 1, end + after.size()))
                return true;
        }
        return false;
    }

    TSlot KindOf(size_t slot) const { return FPattern.Slots[FPieces.Slots[slot] - 1]; }

    // A translation that lost a placeholder would lose a name or a reason.
    QString Translation() const
    {
        const QString translation = QCoreApplication::translate("CoreMessage", FPattern.Source);
        for (const int n : FPieces.Slots)
            if (!translation.contains(u'%' + QString::number(n)))
                return QString::fromLatin1(FPattern.Source);
        return translation;
    }

    bool Take()
    {
        std::vector<QString> parts(FParts.size());
        bool whole = true;
        for (size_t i = 0; i < FParts.size(); ++i) {
            const int n = FPieces.Slots[i];
            if (n > static_cast<int>(parts.size()))
                return false;
            const TTranslated part = SlotText(KindOf(i), FParts[i]);
            parts[n - 1] = part.Text;
            whole = whole && part.Whole;
        }
        if (!FBest || (whole && !FBest->Whole))
            FBest = TTranslated{Filled(Translation(), parts), whole};
        return whole;
    }

    const TPattern& FPattern;
    const TPieces FPieces;
    const QString& FText;
    std::vector<QString> FParts;   // by position in the text
    std::optional<TTranslated> FBest;
};

std::optional<TTranslated> TranslateIn(std::span<const TPattern> patterns, const QString& text)
{
    std::optional<TTranslated> best;
    for (const TPattern& pattern : patterns) {
        std::optional<TTranslated> fit = TFitter(pattern, text).Best();
        if (fit && fit->Whole)
            return fit;
        if (fit && !best)
            best = std::move(fit);
    }
    return best;
}

// A message, or one that carries another below it ("Invalid Stream", then
// the failure it stands for), each part by its own pattern.
TTranslated MessageText(const QString& text)
{
    std::optional<TTranslated> split;
    for (qsizetype at = text.indexOf(u'\n'); at >= 0 && !split; at = text.indexOf(u'\n', at + 1)) {
        const qsizetype breakStart = at > 0 && text[at - 1] == u'\r' ? at - 1 : at;
        const std::optional<TTranslated> head = TranslateIn(Messages, text.first(breakStart));
        if (!head || !head->Whole)
            continue;
        const TTranslated rest = MessageText(text.sliced(at + 1));
        split = TTranslated{head->Text + text.sliced(breakStart, at + 1 - breakStart) + rest.Text, rest.Whole};
    }
    if (split && split->Whole)
        return *split;
    if (std::optional<TTranslated> t = TranslateIn(Messages, text))
        return *t;
    return split.value_or(TTranslated{text, false});
}

} // namespace

QString CoreMessageText(const std::string& message)
{
    return MessageText(QString::fromStdString(message)).Text;
}

QString CoreReasonText(const std::string& reason)
{
    const QString text = QString::fromStdString(reason);
    const std::optional<TTranslated> t = TranslateIn(PictureReasons, text);
    return t ? t->Text : text;
}

bool IsKnownCoreMessage(const std::string& message)
{
    return MessageText(QString::fromStdString(message)).Whole;
}
