// The list's context menu, the placeholder, Add Photos and Add Folder, and
// the paste of files a file manager copied.

#include "AboutText.h"
#include "PastedFiles.h"
#include "TListBox.h"
#include "WindowFixture.h"

#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QMenu>
#include <QMimeData>
#include <QUrl>

namespace {

QStringList Texts(const QMenu& menu)
{
    QStringList texts;
    for (const QAction* action : menu.actions())
        if (!action->isSeparator())
            texts << action->text();
    return texts;
}

QAction* Entry(const QMenu& menu, const QString& text)
{
    for (QAction* action : menu.actions())
        if (action->text() == text)
            return action;
    return nullptr;
}

void PutOnClipboard(const QString& type, const QByteArray& data)
{
    auto* mime = new QMimeData;
    mime->setData(type, data);
    QApplication::clipboard()->setMimeData(mime);
}

QByteArray FileUrl(const QString& path)
{
    return QUrl::fromLocalFile(path).toEncoded();
}

} // namespace

TEST_F(WindowTest, MenuEntriesApplyOnlyWhenTheyCan)
{
    QApplication::clipboard()->clear();
    std::unique_ptr<QMenu> menu(MainWindow->NewListMenu());
    EXPECT_EQ(Texts(*menu), (QStringList{"Add &Photos…", "Add &Folder…", "&Paste", "Select &All", "&Remove",
                                        "Pre&view", "A&bout Plinkavorte"}));
    for (const char* text : {"&Paste", "Select &All", "&Remove", "Pre&view"})
        EXPECT_FALSE(Entry(*menu, text)->isEnabled()) << text;
    EXPECT_TRUE(Entry(*menu, "Add &Photos…")->isEnabled());
    EXPECT_EQ(Entry(*menu, "Add &Photos…")->shortcut(), QKeySequence(QKeySequence::Open));
    EXPECT_EQ(Entry(*menu, "&Remove")->shortcut(), QKeySequence(QKeySequence::Delete));

    MainWindow->FFileList->addItem(Jpeg("a.jpg", 40, 30));
    MainWindow->FFileList->addItem(Jpeg("b.jpg", 40, 30));
    MainWindow->FFileList->setCurrentRow(1);
    QApplication::clipboard()->setText(File("a.jpg"));
    menu.reset(MainWindow->NewListMenu());
    for (const char* text : {"&Paste", "Select &All", "&Remove", "Pre&view"})
        EXPECT_TRUE(Entry(*menu, text)->isEnabled()) << text;

    Entry(*menu, "&Remove")->trigger();
    EXPECT_EQ(ListEntries(), QStringList{File("a.jpg")});
    EXPECT_EQ(MainWindow->windowTitle(), "1 Files");
    Entry(*menu, "Select &All")->trigger();
    EXPECT_EQ(MainWindow->FFileList->selectedItems().size(), 1);
    Entry(*menu, "&Paste")->trigger();
    EXPECT_EQ(ListEntries(), (QStringList{File("a.jpg"), File("a.jpg")}));
    MainWindow->FFileList->setCurrentRow(0);
    Entry(*menu, "Pre&view")->trigger();
    EXPECT_TRUE(PreviewWindow->isVisible());
    EXPECT_EQ(PreviewWindow->FImage->Picture().size(), QSize(200, 150));   // thumbnails are enlarged too
}

TEST_F(WindowTest, RightClickAndMenuKeyOpenTheMenu)
{
    for (int way = 0; way < 3; ++way) {
        if (way == 0) {
            QContextMenuEvent click(QContextMenuEvent::Mouse, QPoint(20, 20),
                                    MainWindow->FFileList->viewport()->mapToGlobal(QPoint(20, 20)));
            QCoreApplication::sendEvent(MainWindow->FFileList->viewport(), &click);
        } else {
            MainWindow->FFileList->setFocus();
            if (way == 1)
                QTest::keyClick(MainWindow->FFileList, Qt::Key_Menu);
            else
                QTest::keyClick(MainWindow->FFileList, Qt::Key_F10, Qt::ShiftModifier);
        }
        QCoreApplication::processEvents();
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        ASSERT_NE(menu, nullptr) << "way " << way;
        EXPECT_TRUE(Texts(*menu).contains("A&bout Plinkavorte"));
        menu->close();
        QCoreApplication::processEvents();
    }
}

TEST_F(WindowTest, AddPhotosAndAddFolderTakeWhatADropTakes)
{
    const QString top = Folder("top");
    Folder("top/sub");
    Jpeg("top/a.jpg", 20, 20);
    Jpeg("top/sub/b.jpg", 20, 20);
    Touch("top/notes.txt");
    QStringList photos{File("top/a.jpg"), File("top/notes.txt")};
    MainWindow->PhotoChooser = [&] { return photos; };
    QString folder = top;
    MainWindow->FolderChooser = [&] { return folder; };

    QTest::keyClick(MainWindow.get(), Qt::Key_O, Qt::ControlModifier);
    EXPECT_EQ(ListEntries(), QStringList{File("top/a.jpg")});
    MainWindow->AddFolder();
    EXPECT_EQ(ListEntries(), (QStringList{File("top/a.jpg"), File("top/a.jpg")}));
    MainWindow->IncSubs->setChecked(true);
    MainWindow->AddFolder();
    EXPECT_EQ(ListEntries().mid(2), (QStringList{File("top/a.jpg"), File("top/sub/b.jpg")}));
    EXPECT_EQ(MainWindow->windowTitle(), "4 Files");
    // Cancelled choosers change nothing.
    photos.clear();
    folder.clear();
    MainWindow->AddPhotos();
    MainWindow->AddFolder();
    EXPECT_EQ(ListEntries().size(), 4);
}

TEST_F(WindowTest, AboutNamesVersionLicenceAndLibraries)
{
    QString title, text;
    MainWindow->AboutBox = [&](const QString& t, const QString& body) {
        title = t;
        text = body;
    };
    MainWindow->ShowAbout();
    EXPECT_EQ(title, "About Plinkavorte");
    EXPECT_TRUE(text.contains("Plinkavorte " PLK_TEST_VERSION)) << text.toStdString();
    EXPECT_TRUE(text.contains("licence")) << text.toStdString();
    EXPECT_TRUE(text.contains(QString("Qt ") + qVersion()));
    for (const char* library : {"zlib 1.", "libjpeg-turbo 2.", "libpng 1.", "libwebp 1.", "libtiff 4.", "libheif 1.",
                                "LibRaw 0.", "LittleCMS 2."})
        EXPECT_TRUE(text.contains(library)) << library << " in " << text.toStdString();
}

TEST_F(WindowTest, PlaceholderShowsOnlyWhileTheListIsEmpty)
{
    EXPECT_EQ(MainWindow->FFileList->Placeholder(), "Drop photos or folders here");
    const QColor placeholder = MainWindow->FFileList->palette().color(QPalette::PlaceholderText);
    auto inkedRows = [&] {
        const QImage image = MainWindow->FFileList->viewport()->grab().toImage();
        const int middle = image.height() / 2;
        int inked = 0;
        for (int y = middle - 10; y <= middle + 10; ++y)
            for (int x = 0; x < image.width(); ++x)
                if (QColor(image.pixel(x, y)) != MainWindow->FFileList->palette().color(QPalette::Base))
                    ++inked;
        return inked;
    };
    EXPECT_NE(placeholder, MainWindow->FFileList->palette().color(QPalette::Base));
    EXPECT_GT(inkedRows(), 50);
    MainWindow->FFileList->addItem("/p/a.jpg");
    EXPECT_EQ(inkedRows(), 0);
}

TEST_F(WindowTest, CtrlVTakesFilesAFileManagerCopied)
{
    Folder("f");
    const QString a = Jpeg("f/a.jpg", 20, 20);
    const QString b = Jpeg("f/b b.jpg", 20, 20);
    const QString text = Touch("f/readme.txt");
    auto paste = [&] {
        MainWindow->FFileList->clear();
        QTest::keyClick(MainWindow->FFileList, Qt::Key_V, Qt::ControlModifier);
        return ListEntries();
    };
    PutOnClipboard("text/uri-list", FileUrl(a) + "\r\n" + FileUrl(text) + "\r\n" + FileUrl(b) + "\r\n");
    EXPECT_EQ(paste(), (QStringList{a, b}));
    EXPECT_EQ(MainWindow->windowTitle(), "2 Files");
    PutOnClipboard("x-special/gnome-copied-files", "copy\n" + FileUrl(b) + "\n" + FileUrl(a));
    EXPECT_EQ(paste(), (QStringList{b, a}));
    PutOnClipboard("application/x-kde4-urilist", FileUrl(Dir.path() + "/f") + "\r\n");
    EXPECT_EQ(paste(), (QStringList{a, b}));   // a folder is scanned, in file-manager order
    QApplication::clipboard()->setText(a + "\n" + b + "\n");
    EXPECT_EQ(paste(), (QStringList{a, b}));
}

TEST_F(WindowTest, CtrlVLeavesOtherTextAlone)
{
    const QString a = Jpeg("a.jpg", 20, 20);
    for (const QString& text : {QString("holiday photos"), "see " + a, a + "\nand more", QString("relative/a.jpg"),
                                QString("/no/such/photo.jpg")}) {
        QApplication::clipboard()->setText(text);
        QTest::keyClick(MainWindow->FFileList, Qt::Key_V, Qt::ControlModifier);
        EXPECT_TRUE(ListEntries().isEmpty()) << text.toStdString();
    }
    PutOnClipboard("text/uri-list", "https://example.org/a.jpg\r\n");
    QTest::keyClick(MainWindow->FFileList, Qt::Key_V, Qt::ControlModifier);
    EXPECT_TRUE(ListEntries().isEmpty());
}

TEST_F(WindowTest, CtrlVPrefersTheListsOwnEntries)
{
    const QString a = Jpeg("a.jpg", 20, 20);
    const QString b = Jpeg("b.jpg", 20, 20);
    MainWindow->FFileList->addItem(a);
    MainWindow->FFileList->setCurrentRow(0);
    QTest::keyClick(MainWindow->FFileList, Qt::Key_C, Qt::ControlModifier);
    // A file manager's form beside the list's own: the list's entries win.
    auto* both = new QMimeData;
    for (const QString& format : QApplication::clipboard()->mimeData()->formats())
        both->setData(format, QApplication::clipboard()->mimeData()->data(format));
    both->setData("text/uri-list", FileUrl(b));
    QApplication::clipboard()->setMimeData(both);
    QTest::keyClick(MainWindow->FFileList, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(ListEntries(), (QStringList{a, a}));
}

TEST(PastedPathsTest, FileUrlsKeepTheirBytes)
{
    QTemporaryDir dir;
    const QByteArray raw = QFile::encodeName(dir.path()) + "/caf\xe9.jpg";   // Latin-1 byte, not UTF-8
    QFile file(QFile::decodeName(raw));
    {
        FILE* f = std::fopen(raw.constData(), "w");
        ASSERT_NE(f, nullptr);
        std::fclose(f);
    }
    QMimeData data;
    data.setData("text/uri-list", "file://" + raw.toPercentEncoding("/") + "\r\n# a comment\r\n");
    EXPECT_EQ(PastedPaths(&data), std::vector<std::string>{raw.toStdString()});
    std::remove(raw.constData());
    EXPECT_TRUE(PastedPaths(&data).empty());
    EXPECT_TRUE(PastedPaths(nullptr).empty());
}
