// The menu entry offers the program for every kind of picture it reads,
// and for nothing it cannot read.

#include "PictureKinds.h"

#include <QFile>
#include <algorithm>
#include <QMimeDatabase>
#include <QSet>
#include <QTextStream>

#include <gtest/gtest.h>

namespace {

QStringList EntryMimeTypes()
{
    QFile entry(QStringLiteral(PLK_SOURCE_DIR "/data/plinkavorte.desktop"));
    EXPECT_TRUE(entry.open(QIODevice::ReadOnly | QIODevice::Text));
    QTextStream lines(&entry);
    while (!lines.atEnd()) {
        const QString line = lines.readLine();
        if (line.startsWith("MimeType="))
            return line.mid(9).split(';', Qt::SkipEmptyParts);
    }
    return {};
}

bool ProgramReads(const QString& glob)
{
    return glob.startsWith("*.") && PictureKindOfName(("x" + glob.mid(1)).toStdString()) != TPictureKind::pkUnknown;
}

} // namespace

TEST(DesktopEntryTest, MimeTypesAreThePicturesTheProgramReads)
{
    const QStringList listed = EntryMimeTypes();
    ASSERT_FALSE(listed.isEmpty());
    EXPECT_TRUE(listed.contains("inode/directory"));   // folders are scanned as a drop's are
    const QMimeDatabase database;
    QSet<QString> wanted;
    for (const QMimeType& type : database.allMimeTypes())
        for (const QString& glob : type.globPatterns())
            if (ProgramReads(glob))
                wanted << type.name();
    EXPECT_TRUE(wanted.contains("image/jpeg") && wanted.contains("image/heif") && wanted.contains("image/x-adobe-dng"))
        << "the MIME database lacks the common kinds";
    for (const QString& name : wanted)
        EXPECT_TRUE(listed.contains(name)) << "not offered for " << name.toStdString();
    for (const QString& name : listed) {
        if (name == "inode/directory")
            continue;
        const QMimeType type = database.mimeTypeForName(name);
        ASSERT_TRUE(type.isValid()) << name.toStdString();
        EXPECT_EQ(type.name(), name) << "an alias: " << name.toStdString();
        const QStringList globs = type.globPatterns();
        EXPECT_TRUE(std::any_of(globs.begin(), globs.end(), ProgramReads))
            << "offered for what the program does not read: " << name.toStdString();
    }
}
