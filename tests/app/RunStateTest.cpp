// What the window tells its user about a run: how it ended, which entry it
// is on, which pictures were skipped, which file a failure concerns; and
// that a failed archive or a half-typed size never reaches the next picture.

#include "RefuseWritesLayer.h"
#include "TFilenameEdit.h"
#include "THintWatcher.h"
#include "TPanel.h"
#include "TSpinEdit.h"
#include "WindowFixture.h"
#include "ZipListing.h"

#include <QCheckBox>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

namespace {

class RunStateTest : public WindowTest {
protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        // The mouse rests over no control, so the panel shows the state.
        MainWindow->HintWatcher()->MouseOver(nullptr);
    }
    void ListPhotos(int count, int width = 400, int height = 300)
    {
        for (int i = 1; i <= count; ++i)
            MainWindow->FFileList->addItem(Jpeg(QString("p%1.jpg").arg(i), width, height));
    }
    void NameArchive(const QString& name = "thumbs.zip") { MainWindow->ZipFile->SetText(File(name)); }
    void Go()
    {
        QTest::mouseClick(MainWindow->FGoButton, Qt::LeftButton);
        Settle();
    }
    void AfterItem(std::function<void(int item)> action)
    {
        MainWindow->AfterProcessMessages = [this, action] { action(++ItemsDone); };
    }
    QString Panel() const { return MainWindow->FStatusPanel->Caption(); }
    QList<int> SelectedRows() const
    {
        QList<int> rows;
        for (QListWidgetItem* item : MainWindow->FFileList->selectedItems())
            rows << MainWindow->FFileList->row(item);
        std::sort(rows.begin(), rows.end());
        return rows;
    }
    static void TypeOver(QWidget* field, const QString& text)
    {
        QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(field, text);
    }
    bool Marked(int row) const { return MainWindow->FFileList->item(row)->font().bold(); }
    int ItemsDone = 0;
};

} // namespace

TEST_F(RunStateTest, ARefusedArchiveDoesNotBlockTheNextRunNorSelectAnEntry)
{
    MainWindow->FFileList->addItem(Jpeg("old.jpg", 40, 30));
    NameArchive("ro.zip");
    Go();   // an existing archive, made read-only below
    MainWindow->FFileList->clear();
    ListPhotos(2);
    TRefuseWritesLayer readOnly(File("ro.zip").toStdString());

    Go();
    ASSERT_EQ(Messages, QStringList{"Cannot open file \"" + File("ro.zip") + "\". Permission denied."});
    EXPECT_EQ(Informative.value(0).section('\n', -1), File("ro.zip"));
    EXPECT_TRUE(SelectedRows().isEmpty()) << "a failure of the archive names no picture";
    EXPECT_EQ(Panel(), "Failed on the archive ro.zip: nothing added");

    for (const QString& name : {QString("ok.zip"), QString("sub/other.zip")}) {
        Messages.clear();
        Folder("sub");
        NameArchive(name);
        Go();
        EXPECT_TRUE(Messages.isEmpty()) << name.toStdString() << ": " << Messages.join(";").toStdString();
        EXPECT_EQ(ReadZipListing(File(name)).Names(), (QStringList{"p1.jpg", "p2.jpg"})) << name.toStdString();
        NameArchive("ro.zip");
        Go();
        EXPECT_EQ(Messages.size(), 1);
    }
    Messages.clear();
    MainWindow->Clearit->setChecked(true);
    NameArchive("cleared.zip");
    Go();
    EXPECT_TRUE(Messages.isEmpty()) << Messages.join(";").toStdString();
    EXPECT_EQ(ReadZipListing(File("cleared.zip")).Names(), (QStringList{"p1.jpg", "p2.jpg"}));
}

TEST_F(RunStateTest, SameNamesFromACameraCardAreCountedAndSelected)
{
    Folder("DCIM/100CANON");
    Folder("DCIM/101CANON");
    MainWindow->FFileList->addItem(Jpeg("DCIM/100CANON/IMG_0001.JPG", 400, 300));
    MainWindow->FFileList->addItem(Jpeg("DCIM/101CANON/IMG_0001.JPG", 300, 400));
    MainWindow->FFileList->addItem(Jpeg("DCIM/101CANON/IMG_0002.JPG", 300, 400));
    NameArchive();
    Go();
    EXPECT_EQ(Panel(), "Done: 2 added, 1 skipped: the archive already holds its name");
    EXPECT_EQ(SelectedRows(), QList<int>{1});
    EXPECT_EQ(ReadZipListing(File("thumbs.zip")).Names(), (QStringList{"IMG_0001.JPG", "IMG_0002.JPG"}));

    // The hint of the control under the mouse still comes first.
    MainWindow->HintWatcher()->MouseOver(MainWindow->FGoButton);
    EXPECT_EQ(Panel(), "Process file list");
    MainWindow->HintWatcher()->MouseOver(nullptr);
    EXPECT_EQ(Panel(), "Done: 2 added, 1 skipped: the archive already holds its name");

    MainWindow->FFileList->clearSelection();
    Go();
    EXPECT_EQ(Panel(), "Nothing added: all 3 names are already in the archive");
    EXPECT_EQ(SelectedRows(), (QList<int>{0, 1, 2}));
    EXPECT_TRUE(Messages.isEmpty());
}

TEST_F(RunStateTest, EndOfARunIsSaidForDoneAndStopped)
{
    ListPhotos(10, 80, 60);
    NameArchive();
    MainWindow->FFileList->item(4)->setSelected(true);
    AfterItem([this](int item) {
        if (item == 3)
            MainWindow->FStopButton->click();
    });
    Go();
    EXPECT_EQ(Panel(), "Stopped after 3 of 10: 3 added");
    EXPECT_EQ(SelectedRows(), QList<int>{4}) << "nothing skipped, the selection stays";

    MainWindow->AfterProcessMessages = nullptr;
    MainWindow->Clearit->setChecked(true);
    Go();
    EXPECT_EQ(Panel(), "Done: 10 added");
}

TEST_F(RunStateTest, TheRunShowsItsEntryAndOnlyStopWorksMeanwhile)
{
    EXPECT_TRUE(MainWindow->FGoButton->isEnabled());
    EXPECT_FALSE(MainWindow->FStopButton->isEnabled());
    for (int i = 1; i <= 60; ++i)
        MainWindow->FFileList->addItem(Jpeg(QString("p%1.jpg").arg(i), 40, 30));
    NameArchive();
    QListWidget* list = MainWindow->FFileList;
    AfterItem([&](int item) {
        const int row = item - 1;
        EXPECT_FALSE(MainWindow->FGoButton->isEnabled());
        EXPECT_TRUE(MainWindow->FStopButton->isEnabled());
        EXPECT_TRUE(Marked(row)) << row;
        if (row > 0) {
            EXPECT_FALSE(Marked(row - 1)) << row;
        }
        EXPECT_TRUE(list->viewport()->rect().contains(list->visualItemRect(list->item(row)))) << row;
        EXPECT_EQ(Panel(), QString("Working on %1 of 60: p%1.jpg").arg(item));
    });
    Go();
    EXPECT_EQ(ItemsDone, 60);
    EXPECT_TRUE(MainWindow->FGoButton->isEnabled());
    EXPECT_FALSE(MainWindow->FStopButton->isEnabled());
    EXPECT_FALSE(Marked(59));
    EXPECT_EQ(MainWindow->windowTitle(), "Files 60/60");
}

TEST_F(RunStateTest, GoSaysWhatIsMissing)
{
    MainWindow->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(MainWindow.get()));
    ListPhotos(1);
    MainWindow->ZipFile->SetText("  ");
    Go();
    EXPECT_EQ(QApplication::focusWidget(), MainWindow->ZipFile->Edit());
    EXPECT_EQ(Panel(), "No ZIP file named: type the archive's name, or choose it with the ... button");
    EXPECT_EQ(MainWindow->windowTitle(), "Plinkavorte");

    MainWindow->FFileList->clear();
    NameArchive();
    Go();
    EXPECT_EQ(Panel(), "The list is empty: drop photos or folders onto it first");
    EXPECT_FALSE(QFile::exists(File("thumbs.zip")));
    EXPECT_TRUE(Messages.isEmpty());
}

TEST_F(RunStateTest, FailuresNameTheirFileBelowTheMessage)
{
    ListPhotos(2);
    QFile broken(File("broken.jpg"));
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
    broken.write("no picture in here");
    broken.close();
    MainWindow->FFileList->addItem(broken.fileName());
    NameArchive();
    Go();
    ASSERT_EQ(Messages.size(), 1);
    EXPECT_TRUE(Messages[0].startsWith("JPEG error #")) << Messages[0].toStdString();
    EXPECT_EQ(Informative.value(0).section('\n', -1), broken.fileName()) << "the file goes last, below the reason";
    EXPECT_EQ(Panel(), "Failed at 3 of 3 on the picture broken.jpg: 2 added");
    EXPECT_EQ(SelectedRows(), QList<int>{2});

    // The preview of it too.
    Messages.clear();
    Informative.clear();
    MainWindow->FFileList->setCurrentRow(2);
    MainWindow->FileListDblClick();
    Settle();
    ASSERT_EQ(Messages.size(), 1);
    EXPECT_EQ(Informative.value(0).section('\n', -1), broken.fileName()) << "the file goes last, below the reason";
    EXPECT_TRUE(PreviewWindow->isVisible());

    // An entry removed meanwhile names no file.
    Messages.clear();
    Informative.clear();
    delete MainWindow->FFileList->takeItem(2);
    MainWindow->Clearit->setChecked(true);
    AfterItem([this](int) { delete MainWindow->FFileList->takeItem(1); });
    Go();
    EXPECT_EQ(Messages, QStringList{"List index out of bounds (1)"});
    EXPECT_EQ(Informative, QStringList{""});
    EXPECT_EQ(Panel(), "Failed at 2 of 2: 1 added");
}

TEST_F(RunStateTest, MessageBoxBelongsAboveThePreviewAndFitsItsTitle)
{
    App()->ShowMessage = ShowCriticalMessage;
    PreviewWindow->ShowOver(MainWindow.get());
    QMessageBox* seen = nullptr;
    QString informative;
    int width = 0;
    QTimer::singleShot(0, [&] {
        seen = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (seen) {
            informative = seen->informativeText();
            width = seen->width();
            seen->accept();
        }
    });
    ShowCriticalMessage("JPEG error #53.", "/photos/a rather long folder name/IMG_0001.JPG");
    ASSERT_NE(seen, nullptr);
    EXPECT_EQ(informative, "/photos/a rather long folder name/IMG_0001.JPG");

    QTimer::singleShot(0, [&] {
        seen = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (seen) {
            EXPECT_EQ(seen->parentWidget(), PreviewWindow.get());
            width = seen->width();
            seen->accept();
        }
    });
    ShowCriticalMessage("x", "");
    const int title = QFontMetrics(QApplication::font()).horizontalAdvance("Plinkavorte");
    EXPECT_GE(width, title + 100);
}

TEST_F(RunStateTest, ASizeIsReadOnlyFromFinishedNumbersDuringARun)
{
    MainWindow->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(MainWindow.get()));
    ListPhotos(6);
    NameArchive();
    TSpinEdit* size = MainWindow->aSize;
    AfterItem([&](int item) {
        switch (item) {
        case 1:   // the user starts typing 100 over 200
            size->setFocus();
            TypeOver(size, "10");
            break;
        case 2:
            QTest::keyClick(size, Qt::Key_0);
            break;
        case 3:   // finished: the focus moves on
            MainWindow->FFileList->setFocus();
            break;
        case 4:   // a number outside the range, then an arrow step from it
            size->setFocus();
            TypeOver(size, "9000");
            break;
        case 5:
            QTest::keyClick(size, Qt::Key_Down);
            break;
        }
    });
    Go();
    const TZipListing zip = ReadZipListing(File("thumbs.zip"));
    ASSERT_EQ(zip.Entries.size(), 6u);
    const QList<int> widths = {zip.PictureSize(0).width(), zip.PictureSize(1).width(), zip.PictureSize(2).width(),
                               zip.PictureSize(3).width(), zip.PictureSize(4).width(), zip.PictureSize(5).width()};
    EXPECT_EQ(widths, (QList<int>{200, 200, 200, 100, 100, 600}));
    // Outside a run the field reads as typed, as before.
    size->setFocus();
    TypeOver(size, "10");
    EXPECT_EQ(MainWindow->ReadSettings().MaxSize, 10);
}

TEST_F(RunStateTest, AFieldSetWithoutTheFocusIsReadInsideItsRange)
{
    ListPhotos(2);
    NameArchive();
    AfterItem([this](int item) {
        if (item == 1)
            MainWindow->aSize->SetText("700");
    });
    Go();
    const TZipListing zip = ReadZipListing(File("thumbs.zip"));
    ASSERT_EQ(zip.Entries.size(), 2u);
    EXPECT_EQ(zip.PictureSize(1), QSize(600, 450));
}
