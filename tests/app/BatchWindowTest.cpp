#include "ZipSession.h"
#include "CraftedJpeg.h"
#include "JpegFixtures.h"
#include "TFilenameEdit.h"
#include "TPanel.h"
#include "TSpinEdit.h"
#include "WindowFixture.h"
#include "ZipListing.h"

#include <QCheckBox>
#include <QElapsedTimer>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

namespace {

class BatchWindowTest : public WindowTest {
protected:
    // Lists count photos p1.jpg ... of 400 by 300 and names the archive.
    void ListPhotos(int count)
    {
        for (int i = 1; i <= count; ++i)
            MainWindow->FFileList->addItem(Jpeg(QString("p%1.jpg").arg(i), 400, 300));
    }
    void NameArchive(const QString& name = "thumbs.zip") { MainWindow->ZipFile->SetText(File(name)); }
    void Go()
    {
        QTest::mouseClick(MainWindow->FGoButton, Qt::LeftButton);
        Settle();
    }
    // Runs the action after the given item's waiting messages (1 = first).
    void AfterItem(int item, std::function<void()> action)
    {
        MainWindow->AfterProcessMessages = [this, item, action] {
            if (++ItemsDone == item)
                action();
        };
    }
    int ItemsDone = 0;
};

} // namespace

TEST_F(BatchWindowTest, StopDuringTheThirdOfTenItems)
{
    ListPhotos(10);
    NameArchive();
    // Pressed while item 3 runs: the click waits in the queue until item 3's messages.
    AfterItem(2, [this] { QMetaObject::invokeMethod(MainWindow->FStopButton, "click", Qt::QueuedConnection); });
    Go();
    EXPECT_EQ(ItemsDone, 3);
    EXPECT_EQ(MainWindow->windowTitle(), "Files 3/10");
    EXPECT_EQ(MainWindow->FProgressBar->maximum(), 10);
    EXPECT_EQ(MainWindow->FProgressBar->value(), 7);
    EXPECT_TRUE(MainWindow->FZipper->FileName().empty());   // closed
    const TZipListing zip = ReadZipListing(File("thumbs.zip"));
    EXPECT_EQ(zip.Names(), (QStringList{"p1.jpg", "p2.jpg", "p3.jpg"}));
    EXPECT_EQ(zip.Comment, "Made with Plinkavorte");
    EXPECT_EQ(zip.PictureSize(0), QSize(200, 150));
    EXPECT_TRUE(Messages.isEmpty()) << Messages.join(";").toStdString();
}

TEST_F(BatchWindowTest, CompleteRunCountsTheBarDown)
{
    ListPhotos(3);
    NameArchive();
    QList<int> positions;
    MainWindow->AfterProcessMessages = [&] { positions << MainWindow->FProgressBar->value(); };
    Go();
    EXPECT_EQ(positions, (QList<int>{2, 1, 0}));
    EXPECT_EQ(MainWindow->windowTitle(), "Files 3/3");
    EXPECT_EQ(ReadZipListing(File("thumbs.zip")).Names(), (QStringList{"p1.jpg", "p2.jpg", "p3.jpg"}));
}

TEST_F(BatchWindowTest, EmptyFieldOrEmptyListChangesNothing)
{
    ListPhotos(2);
    MainWindow->ZipFile->SetText("   ");
    Go();
    EXPECT_EQ(MainWindow->windowTitle(), "Plinkavorte");
    EXPECT_EQ(MainWindow->FProgressBar->maximum(), 100);
    EXPECT_EQ(MainWindow->FProgressBar->value(), 0);

    MainWindow->FFileList->clear();
    NameArchive();
    Go();
    EXPECT_EQ(MainWindow->windowTitle(), "Plinkavorte");
    EXPECT_EQ(MainWindow->FProgressBar->value(), 0);
    EXPECT_FALSE(QFile::exists(File("thumbs.zip")));
    EXPECT_TRUE(Messages.isEmpty());
}

TEST_F(BatchWindowTest, DuplicateNamesIgnoringCaseKeepTheFirst)
{
    Folder("a");
    Folder("b");
    MainWindow->FFileList->addItem(Jpeg("a/Cat.JPG", 400, 300));
    MainWindow->FFileList->addItem(Jpeg("b/cat.jpg", 300, 400));
    NameArchive();
    Go();
    const TZipListing zip = ReadZipListing(File("thumbs.zip"));
    ASSERT_EQ(zip.Names(), QStringList{"Cat.JPG"});
    EXPECT_EQ(zip.PictureSize(0), QSize(200, 150));
    EXPECT_TRUE(Messages.isEmpty());
}

TEST_F(BatchWindowTest, ClearDecidesBetweenAddingAndStartingAfresh)
{
    Folder("old");
    Folder("new");
    MainWindow->FFileList->addItem(Jpeg("old/cat.jpg", 400, 300));
    NameArchive();
    Go();
    ASSERT_EQ(ReadZipListing(File("thumbs.zip")).PictureSize(0), QSize(200, 150));

    MainWindow->FFileList->clear();
    MainWindow->FFileList->addItem(Jpeg("new/cat.jpg", 300, 400));
    MainWindow->FFileList->addItem(Jpeg("new/dog.jpg", 300, 400));
    Go();
    TZipListing zip = ReadZipListing(File("thumbs.zip"));
    EXPECT_EQ(zip.Names(), (QStringList{"cat.jpg", "dog.jpg"}));
    EXPECT_EQ(zip.PictureSize(0), QSize(200, 150));   // the old entry stays

    delete MainWindow->FFileList->takeItem(1);
    MainWindow->Clearit->setChecked(true);
    Go();
    zip = ReadZipListing(File("thumbs.zip"));
    EXPECT_EQ(zip.Names(), QStringList{"cat.jpg"});
    EXPECT_EQ(zip.PictureSize(0), QSize(150, 200));   // rebuilt from the new picture
    EXPECT_TRUE(Messages.isEmpty()) << Messages.join(";").toStdString();
}

TEST_F(BatchWindowTest, ClearWithAPhotosNameLeavesThePhoto)
{
    const QString photo = Jpeg("photo.jpg", 64, 48);
    ListPhotos(1);
    MainWindow->ZipFile->SetText(photo);
    MainWindow->Clearit->setChecked(true);
    Go();
    EXPECT_TRUE(QFile::exists(photo));
    EXPECT_EQ(Messages, QStringList{"Unhandled Archive Type."});
    EXPECT_EQ(MainWindow->windowTitle(), "Plinkavorte");
}

TEST_F(BatchWindowTest, FileDeletedSinceListedEndsTheRunWithoutComment)
{
    ListPhotos(3);
    const QString gone = File("p2.jpg");
    ASSERT_TRUE(QFile::remove(gone));
    NameArchive();
    Go();
    ASSERT_EQ(Messages.size(), 1);
    EXPECT_EQ(Messages[0], "Cannot open file \"" + gone + "\". No such file or directory.");
    EXPECT_EQ(MainWindow->windowTitle(), "Files 2/3");
    EXPECT_EQ(MainWindow->FProgressBar->value(), 1);
    const TZipListing zip = ReadZipListing(File("thumbs.zip"));
    EXPECT_EQ(zip.Names(), QStringList{"p1.jpg"});
    EXPECT_EQ(zip.Comment, "");
    EXPECT_FALSE(MainWindow->FZipper->FileName().empty());   // still open until the next GO

    // The next GO closes it first and goes on from a sound file.
    Jpeg("p2.jpg", 400, 300);
    Messages.clear();
    Go();
    EXPECT_TRUE(Messages.isEmpty()) << Messages.join(";").toStdString();
    EXPECT_EQ(ReadZipListing(File("thumbs.zip")).Names(), (QStringList{"p1.jpg", "p2.jpg", "p3.jpg"}));
}

TEST_F(BatchWindowTest, FailingPictureIsSelectedAndScrolledIntoView)
{
    constexpr int kBroken = 33;
    for (int i = 0; i < 40; ++i) {
        QString path = File(QString("s%1.jpg").arg(i));
        if (i == kBroken) {
            QFile broken(path);
            ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
            broken.write("no picture in here");
        } else {
            Jpeg(QString("s%1.jpg").arg(i), 40, 30);
        }
        MainWindow->FFileList->addItem(path);
    }
    MainWindow->FFileList->item(0)->setSelected(true);
    MainWindow->FFileList->item(1)->setSelected(true);
    MainWindow->FFileList->scrollToTop();
    NameArchive();
    Go();
    ASSERT_EQ(Messages.size(), 1);
    EXPECT_TRUE(Messages[0].startsWith("JPEG error #")) << Messages[0].toStdString();

    QListWidget* list = MainWindow->FFileList;
    const QList<QListWidgetItem*> selected = list->selectedItems();
    ASSERT_EQ(selected.size(), 1);
    EXPECT_EQ(list->row(selected[0]), kBroken);
    EXPECT_EQ(list->currentRow(), kBroken);
    EXPECT_TRUE(list->viewport()->rect().contains(list->visualItemRect(list->item(kBroken))));
}

TEST_F(BatchWindowTest, FailureBeforeAnyPictureLeavesTheSelection)
{
    ListPhotos(2);
    MainWindow->FFileList->item(1)->setSelected(true);
    MainWindow->ZipFile->SetText(File("no-such-folder/thumbs.zip"));
    Go();
    ASSERT_EQ(Messages.size(), 1);
    const QList<QListWidgetItem*> selected = MainWindow->FFileList->selectedItems();
    ASSERT_EQ(selected.size(), 1);
    EXPECT_EQ(MainWindow->FFileList->row(selected[0]), 1);
}

TEST_F(BatchWindowTest, SettingsChangedBetweenItemsApplyFromTheNext)
{
    ListPhotos(3);
    NameArchive();
    AfterItem(1, [this] {
        MainWindow->aSize->SetValue(100);
        MainWindow->Frame->setChecked(true);
        MainWindow->square->setChecked(true);
    });
    Go();
    const TZipListing zip = ReadZipListing(File("thumbs.zip"));
    ASSERT_EQ(zip.Entries.size(), 3u);
    EXPECT_EQ(zip.PictureSize(0), QSize(200, 150));
    EXPECT_EQ(zip.PictureSize(1), QSize(100, 100));
    EXPECT_EQ(zip.PictureSize(2), QSize(100, 100));
}

TEST_F(BatchWindowTest, GoDuringARunIsIgnored)
{
    ListPhotos(3);
    NameArchive();
    AfterItem(1, [this] {
        EXPECT_TRUE(MainWindow->Running());
        MainWindow->GoClick();
    });
    Go();
    EXPECT_EQ(ItemsDone, 3);   // a nested run would have handled more items
    EXPECT_FALSE(MainWindow->Running());
    EXPECT_EQ(ReadZipListing(File("thumbs.zip")).Comment, "Made with Plinkavorte");
}

TEST_F(BatchWindowTest, ClosingDuringARunEndsItAfterTheItem)
{
    ListPhotos(5);
    NameArchive();
    AfterItem(2, [this] { MainWindow->close(); });
    Go();
    EXPECT_EQ(ItemsDone, 2);
    EXPECT_FALSE(MainWindow->isVisible());
    EXPECT_TRUE(MainWindow->FZipper->FileName().empty());
    const TZipListing zip = ReadZipListing(File("thumbs.zip"));
    EXPECT_EQ(zip.Names(), (QStringList{"p1.jpg", "p2.jpg"}));
    EXPECT_EQ(zip.Comment, "Made with Plinkavorte");
    // Nothing starts again on a closed window.
    Go();
    MainWindow->GoClick();
    EXPECT_EQ(ItemsDone, 2);
}

// STOP while a slow picture is made: the window answers at once and the
// picture is given up, however long it would take. The bound is generous
// against a busy machine; the picture alone takes several seconds.
TEST_F(BatchWindowTest, StopDuringASlowPictureAnswersAtOnce)
{
    MainWindow->FFileList->addItem(Jpeg("p1.jpg", 400, 300));
    const QString slow = File("slow.jpg");
    WriteBytes(slow.toStdString(), CraftedGreyProgressive(8000, 8000, LongProgression(500)));
    MainWindow->FFileList->addItem(slow);
    MainWindow->FFileList->addItem(Jpeg("p3.jpg", 400, 300));
    NameArchive();
    QElapsedTimer clock;
    qint64 pressedAt = -1;
    AfterItem(1, [&] {
        QTimer::singleShot(300, MainWindow->FStopButton, [&] {
            pressedAt = clock.elapsed();
            MainWindow->FStopButton->click();
        });
    });
    clock.start();
    Go();
    ASSERT_GE(pressedAt, 0) << "STOP was pressed during the run";
    EXPECT_LT(clock.elapsed() - pressedAt, 3000);
    EXPECT_EQ(MainWindow->windowTitle(), "Files 2/3");
    EXPECT_TRUE(MainWindow->FZipper->FileName().empty());   // closed
    EXPECT_EQ(MainWindow->FStatusPanel->Caption(), "Stopped after 1 of 3: 1 added") << "the picture given up is not counted";
    const TZipListing zip = ReadZipListing(File("thumbs.zip"));
    EXPECT_EQ(zip.Names(), (QStringList{"p1.jpg"}));
    EXPECT_EQ(zip.Comment, "Made with Plinkavorte");
    EXPECT_TRUE(Messages.isEmpty()) << Messages.join(";").toStdString();
}
