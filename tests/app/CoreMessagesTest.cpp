// The layers below write English; the window shows their messages in its
// own language, and every name, number and system reason in them unchanged.

#include "CoreMessages.h"
#include "FileListEntry.h"
#include "FileStream.h"
#include "RenderStop.h"
#include "TFilenameEdit.h"
#include "Translations.h"
#include "WindowFixture.h"
#include "ZipArchive.h"
#include "decoders/PictureDecoder.h"
#include "JpegErrors.h"

#include <QPushButton>

#include <cerrno>
#include <sys/stat.h>

namespace {

QString Q(const std::string& text)
{
    return QString::fromStdString(text);
}

template <class E>
std::string MessageOf(const E& e)
{
    return e.what();
}

// What the layers below write, each made by their own code, so that a
// changed text shows here as one the catalogue no longer knows.
std::vector<std::string> CoreMessages(const QTemporaryDir& dir)
{
    std::vector<std::string> messages;
    for (int code = 0; code < 100; ++code)
        if (const std::string text = ArchiveMessage(code); !text.empty() && text.find('%') == std::string::npos)
            messages.push_back(MessageOf(EArchiveException(code)));
    for (const char* refused : {ArchiveMsgArchiveChanged, ArchiveMsgNotWritable, ArchiveMsgNoRoom,
                                ArchiveMsgFileSystemLimit, ArchiveMsgTailTooLarge, ArchiveMsgTrailingBytes,
                                ArchiveMsgBeyondThreshold})
        messages.push_back(refused);
    messages.push_back(UncertainEntryMessage("holiday \"1\".jpg"));
    messages.push_back(MessageOf(EDeflateError("no block type allowed")));
    messages.push_back(MessageOf(EDeflateError("stream error")));   // zlib's own words
    messages.push_back(MessageOf(EVMSInvalidOrigin(7)));
    messages.push_back(MessageOf(EVMSErrorOpenSwap("/var/tmp/VMSXXXXXX", EACCES)));
    messages.push_back(MessageOf(EVMSSeekFail("/var/tmp/VMS1")));
    messages.push_back(MessageOf(EVMSWriteFail(4096, "/var/tmp/VMS1")));
    messages.push_back(MessageOf(EVMSReadFail(4096, "/var/tmp/VMS1")));
    messages.push_back(MessageOf(EBadStream(EWriteError().what())));
    messages.push_back(MessageOf(EArchiveBlocked("/photos/a.zip", "the journal of an interrupted commit, "
                                                                  "/photos/.a.zip~1F, cannot be read: Input/output error")));
    messages.push_back(MessageOf(EArchiveBlocked("/photos/a.zip", "its folder is not writable, and there is no folder "
                                                                  "for the commit journal (HOME is not set; /var/tmp/x "
                                                                  "is not the user's own folder).")));
    messages.push_back(MessageOf(EReadError()));
    messages.push_back(MessageOf(EFOpenError("/photos/gone.jpg", ENOENT)));
    messages.push_back(MessageOf(EFCreateError("/photos/a.zip", EACCES)));
    const std::string fifo = dir.filePath("pipe.jpg").toStdString();
    EXPECT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    try {
        TFileStream stream(fifo, fmOpenRead);
        ADD_FAILURE() << "a pipe opened as a picture";
    } catch (const EFOpenError& e) {
        messages.push_back(e.what());   // our own reason, not the system's
    }
    messages.push_back(MessageOf(EJPEG(53)));
    messages.push_back(MessageOf(EPictureError("PNG", "the file is empty")));
    messages.push_back(MessageOf(EPictureError("TIFF", "Not a TIFF file, bad version number 10752")));
    messages.push_back(MessageOf(EPictureGivenUp()));
    messages.push_back(MessageOf(ListIndexError(3)));
    return messages;
}

class CoreMessagesTest : public ::testing::Test {
protected:
    QTemporaryDir Dir;
};

TEST_F(CoreMessagesTest, EveryMessageOfTheLayersBelowIsKnownAndTranslated)
{
    const std::vector<std::string> messages = CoreMessages(Dir);
    ASSERT_GT(messages.size(), 30u);
    for (const std::string& message : messages) {
        EXPECT_TRUE(IsKnownCoreMessage(message)) << message;
        EXPECT_EQ(CoreMessageText(message), Q(message)) << "without a translation, byte for byte as written";
    }
    const TTranslations german(QLocale(QLocale::German, QLocale::Germany));
    ASSERT_TRUE(german.ProgramTranslated());
    for (const std::string& message : messages)
        EXPECT_NE(CoreMessageText(message), Q(message)) << message;
}

TEST_F(CoreMessagesTest, NamesNumbersAndSystemReasonsSurviveTheTranslation)
{
    const TTranslations german(QLocale(QLocale::German, QLocale::Germany));
    // Placeholders and separators inside a name are the name's own.
    const std::string path = "/fotos/%1 und %2: \"x\". y.jpg";
    const std::string reason = SystemErrorText(ENOENT);
    EXPECT_EQ(CoreMessageText(MessageOf(EFOpenError(path, ENOENT))),
              "Die Datei „" + Q(path) + "“ kann nicht geöffnet werden. " + Q(reason));
    EXPECT_EQ(CoreMessageText(MessageOf(EVMSWriteFail(512, "%2"))),
              "VMS: 512 Bytes konnten nicht in die Auslagerungsdatei %2 geschrieben werden");
    EXPECT_EQ(CoreMessageText(UncertainEntryMessage("a\", so where it ends is uncertain - nothing written")),
              "Die Einträge des Archivs nennen verschiedene Größen für „a\", so where it ends is uncertain - nothing "
              "written“, daher ist unklar, wo die Datei endet – nichts geschrieben");

    // A reason nested in a reason, beside a name holding the separators of both.
    EXPECT_EQ(CoreMessageText(MessageOf(EArchiveBlocked(
                  "/a: b, c.zip", "the journal of an interrupted commit, /j: k, l, cannot be removed: Busy"))),
              "Zu /a: b, c.zip kann nichts hinzugefügt werden: Das Journal eines unterbrochenen Schreibvorgangs, "
              "/j: k, l, kann nicht entfernt werden: Busy");
    EXPECT_EQ(CoreMessageText(MessageOf(EArchiveBlocked(
                  "/a.zip", "its folder is not writable, and there is no folder for the commit journal "
                            "(cannot make /s/p: Read-only file system; /v/p-1/x: Permission denied)."))),
              "Zu /a.zip kann nichts hinzugefügt werden: Der Ordner des Archivs ist nicht beschreibbar, und es gibt "
              "keinen Ordner für das Journal des Schreibvorgangs (/s/p kann nicht angelegt werden: Read-only file "
              "system; /v/p-1/x: Permission denied).");

    // The failure an invalid stream stands for, on its own line.
    EXPECT_EQ(CoreMessageText(MessageOf(EBadStream(MessageOf(EFOpenError("/x\r\ny", EACCES))))),
              "Ungültiger Datenstrom\r\nDie Datei „/x\r\ny“ kann nicht geöffnet werden. " + Q(SystemErrorText(EACCES)));
    EXPECT_EQ(CoreMessageText(MessageOf(EBadStream("Thrown below"))), "Ungültiger Datenstrom\r\nThrown below");

    // A library's words in a picture's reason stay; ours are translated, below the message too.
    EXPECT_EQ(CoreMessageText(MessageOf(EPictureError("TIFF", "Bad value 0 for \"Orientation\": x"))),
              "TIFF-Bild kann nicht gelesen werden: Bad value 0 for \"Orientation\": x");
    EXPECT_EQ(CoreReasonText("6000 x 4000 pixels need more memory than one picture may take"),
              "6000 x 4000 Pixel brauchen mehr Speicher, als ein Bild belegen darf");
    EXPECT_EQ(CoreReasonText("Not a JPEG file: starts with 0x74 0x68"), "Not a JPEG file: starts with 0x74 0x68");
}

TEST_F(CoreMessagesTest, TextsOfNoKnownShapeAreShownAsTheyAre)
{
    const TTranslations german(QLocale(QLocale::German, QLocale::Germany));
    for (const std::string text : {"", "Thrown from a handler", "List index out of bounds (three)",
                                   "List index out of bounds (3) ", "JPEG error #", "Stream read error.",
                                   "100% of %1 and %", "second line\nStream read error x",
                                   "\xC3\xA4rger \xE2\x80\x93 nichts"}) {
        EXPECT_EQ(CoreMessageText(text), Q(text)) << text;
        EXPECT_FALSE(IsKnownCoreMessage(text)) << text;
    }
}

class CoreMessagesWindowTest : public WindowTest {
protected:
    void Preview(const QString& path)
    {
        MainWindow->FFileList->addItem(path);
        QListWidget* list = MainWindow->FFileList;
        const QRect rect = list->visualItemRect(list->item(list->count() - 1));
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, rect.center());
        Settle();
    }
    QString Write(const QString& name, const QByteArray& bytes)
    {
        QFile file(File(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return file.fileName();
    }
};

TEST_F(CoreMessagesWindowTest, GermanWindowShowsTheFailuresOfTheLayersBelowInGerman)
{
    const TTranslations german(QLocale(QLocale::German, QLocale::Germany));

    const QString broken = Write("kaputt.jpg", "this is not a picture at all");
    Preview(broken);
    const QString empty = Write("leer.png", {});
    Preview(empty);
    const QString gone = File("100% %1: \"weg\". .jpg");
    Preview(gone);
    ASSERT_EQ(Messages.size(), 3) << Messages.join(";").toStdString();
    EXPECT_EQ(Messages[0], "JPEG-Fehler Nr. 53.");
    EXPECT_EQ(Informative[0], "Not a JPEG file: starts with 0x74 0x68.\n" + broken) << "libjpeg's words stay";
    EXPECT_EQ(Messages[1], "PNG-Bild kann nicht gelesen werden: Die Datei ist leer.");
    EXPECT_EQ(Messages[2], "Die Datei „" + gone + "“ kann nicht geöffnet werden. " + Q(SystemErrorText(ENOENT)) + ".");

    Messages.clear();
    MainWindow->FFileList->addItem(Jpeg("foto.jpg", 40, 30));
    MainWindow->ZipFile->SetText(Write("fotos.zip", "no archive in here"));
    QTest::mouseClick(MainWindow->FGoButton, Qt::LeftButton);
    Settle();
    EXPECT_EQ(Messages, QStringList{"Nicht unterstützter Archivtyp."});

    Messages.clear();
    try {
        throw 42;
    } catch (...) {
        ShowCurrentException();
    }
    Settle();
    EXPECT_EQ(Messages, QStringList{"Unbekannter Fehler."});
}

TEST_F(CoreMessagesWindowTest, EnglishWindowShowsTheMessagesAsWritten)
{
    const TTranslations none(QLocale::c());
    const QString gone = File("100% %1: \"gone\". .jpg");
    Preview(gone);
    MainWindow->ZipFile->SetText(Write("photos.zip", "no archive in here"));
    QTest::mouseClick(MainWindow->FGoButton, Qt::LeftButton);
    Settle();
    EXPECT_EQ(Messages, (QStringList{"Cannot open file \"" + gone + "\". " + Q(SystemErrorText(ENOENT)) + ".",
                                     "Unhandled Archive Type."}));
}

} // namespace
