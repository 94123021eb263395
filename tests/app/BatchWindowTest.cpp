#include "ZipSession.h"
#include "TFilenameEdit.h"
#include "TSpinEdit.h"
#include "WindowFixture.h"
#include "ZipListing.h"

#include <QCheckBox>
#include <QProgressBar>
#include <QPushButton>

namespace {

class BatchWindowTest : public WindowTest {
protected:
    // Lists count photos p1.jpg ... of 400 by 300 and names the archive.
    void ListPhotos(int count)
    {
        for (int i = 1; i <= count; ++i)
            Form1->ListBox1->addItem(Jpeg(QString("p%1.jpg").arg(i), 400, 300));
    }
    void NameArchive(const QString& name = "thumbs.zip") { Form1->ZipFile->SetText(File(name)); }
    void Go()
    {
        QTest::mouseClick(Form1->Button1, Qt::LeftButton);
        Settle();
    }
    // Runs the action after the given item's waiting messages (1 = first).
    void AfterItem(int item, std::function<void()> action)
    {
        Form1->AfterProcessMessages = [this, item, action] {
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
    AfterItem(2, [this] { QMetaObject::invokeMethod(Form1->Button3, "click", Qt::QueuedConnection); });
    Go();
    EXPECT_EQ(ItemsDone, 3);
    EXPECT_EQ(Form1->windowTitle(), "Files 3/10");
    EXPECT_EQ(Form1->ProgressBar1->maximum(), 10);
    EXPECT_EQ(Form1->ProgressBar1->value(), 7);
    EXPECT_TRUE(Form1->Zipper1->FileName().empty());   // closed
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
    Form1->AfterProcessMessages = [&] { positions << Form1->ProgressBar1->value(); };
    Go();
    EXPECT_EQ(positions, (QList<int>{2, 1, 0}));
    EXPECT_EQ(Form1->windowTitle(), "Files 3/3");
    EXPECT_EQ(ReadZipListing(File("thumbs.zip")).Names(), (QStringList{"p1.jpg", "p2.jpg", "p3.jpg"}));
}

TEST_F(BatchWindowTest, EmptyFieldOrEmptyListChangesNothing)
{
    ListPhotos(2);
    Form1->ZipFile->SetText("   ");
    Go();
    EXPECT_EQ(Form1->windowTitle(), "Plinkavorte");
    EXPECT_EQ(Form1->ProgressBar1->maximum(), 100);
    EXPECT_EQ(Form1->ProgressBar1->value(), 0);

    Form1->ListBox1->clear();
    NameArchive();
    Go();
    EXPECT_EQ(Form1->windowTitle(), "Plinkavorte");
    EXPECT_EQ(Form1->ProgressBar1->value(), 0);
    EXPECT_FALSE(QFile::exists(File("thumbs.zip")));
    EXPECT_TRUE(Messages.isEmpty());
}

TEST_F(BatchWindowTest, DuplicateNamesIgnoringCaseKeepTheFirst)
{
    Folder("a");
    Folder("b");
    Form1->ListBox1->addItem(Jpeg("a/Cat.JPG", 400, 300));
    Form1->ListBox1->addItem(Jpeg("b/cat.jpg", 300, 400));
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
    Form1->ListBox1->addItem(Jpeg("old/cat.jpg", 400, 300));
    NameArchive();
    Go();
    ASSERT_EQ(ReadZipListing(File("thumbs.zip")).PictureSize(0), QSize(200, 150));

    Form1->ListBox1->clear();
    Form1->ListBox1->addItem(Jpeg("new/cat.jpg", 300, 400));
    Form1->ListBox1->addItem(Jpeg("new/dog.jpg", 300, 400));
    Go();
    TZipListing zip = ReadZipListing(File("thumbs.zip"));
    EXPECT_EQ(zip.Names(), (QStringList{"cat.jpg", "dog.jpg"}));
    EXPECT_EQ(zip.PictureSize(0), QSize(200, 150));   // the old entry stays

    delete Form1->ListBox1->takeItem(1);
    Form1->Clearit->setChecked(true);
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
    Form1->ZipFile->SetText(photo);
    Form1->Clearit->setChecked(true);
    Go();
    EXPECT_TRUE(QFile::exists(photo));
    EXPECT_EQ(Messages, QStringList{"Unhandled Archive Type."});
    EXPECT_EQ(Form1->windowTitle(), "Plinkavorte");
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
    EXPECT_EQ(Form1->windowTitle(), "Files 2/3");
    EXPECT_EQ(Form1->ProgressBar1->value(), 1);
    const TZipListing zip = ReadZipListing(File("thumbs.zip"));
    EXPECT_EQ(zip.Names(), QStringList{"p1.jpg"});
    EXPECT_EQ(zip.Comment, "");
    EXPECT_FALSE(Form1->Zipper1->FileName().empty());   // still open until the next GO

    // The next GO closes it first and goes on from a sound file.
    Jpeg("p2.jpg", 400, 300);
    Messages.clear();
    Go();
    EXPECT_TRUE(Messages.isEmpty()) << Messages.join(";").toStdString();
    EXPECT_EQ(ReadZipListing(File("thumbs.zip")).Names(), (QStringList{"p1.jpg", "p2.jpg", "p3.jpg"}));
}

TEST_F(BatchWindowTest, SettingsChangedBetweenItemsApplyFromTheNext)
{
    ListPhotos(3);
    NameArchive();
    AfterItem(1, [this] {
        Form1->aSize->SetValue(100);
        Form1->Frame->setChecked(true);
        Form1->square->setChecked(true);
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
        EXPECT_TRUE(Form1->Running());
        Form1->Button1Click();
    });
    Go();
    EXPECT_EQ(ItemsDone, 3);   // a nested run would have handled more items
    EXPECT_FALSE(Form1->Running());
    EXPECT_EQ(ReadZipListing(File("thumbs.zip")).Comment, "Made with Plinkavorte");
}

TEST_F(BatchWindowTest, ClosingDuringARunEndsItAfterTheItem)
{
    ListPhotos(5);
    NameArchive();
    AfterItem(2, [this] { Form1->close(); });
    Go();
    EXPECT_EQ(ItemsDone, 2);
    EXPECT_FALSE(Form1->isVisible());
    EXPECT_TRUE(Form1->Zipper1->FileName().empty());
    const TZipListing zip = ReadZipListing(File("thumbs.zip"));
    EXPECT_EQ(zip.Names(), (QStringList{"p1.jpg", "p2.jpg"}));
    EXPECT_EQ(zip.Comment, "Made with Plinkavorte");
    // Nothing starts again on a closed window.
    Go();
    Form1->Button1Click();
    EXPECT_EQ(ItemsDone, 2);
}
