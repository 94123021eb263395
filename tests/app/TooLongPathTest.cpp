// In the window a picture whose path is too long for the system is listed
// like any unreadable picture: GO stops at it with the reason.

#include "FileListEntry.h"
#include "JpegFixtures.h"
#include "LongPaths.h"
#include "TFilenameEdit.h"
#include "TListBox.h"
#include "WindowFixture.h"
#include "ZipListing.h"

#include <QCheckBox>
#include <QPushButton>

#include <limits.h>

TEST_F(WindowTest, PictureWhosePathIsTooLongStopsTheRunWithItsReason)
{
    const std::string folder = MakeDeepFolder(Folder("pics").toStdString(), PATH_MAX - 100);
    WriteTestJpeg(folder + "/a.jpg", 64, 48);
    const TTooLongFile picture(folder, std::string(150, 'b') + ".jpg", MakeTestJpeg(64, 48));

    MainWindow->IncSubs->setChecked(true);
    MainWindow->DropPaths({File("pics").toStdString()});
    ASSERT_EQ(MainWindow->FFileList->count(), 2);
    EXPECT_EQ(FileListPath(*MainWindow->FFileList->item(1)), picture.Path());

    MainWindow->ZipFile->SetText(File("thumbs.zip"));
    QTest::mouseClick(MainWindow->FGoButton, Qt::LeftButton);
    Settle();
    ASSERT_EQ(Messages.size(), 1);
    EXPECT_EQ(Messages[0].toStdString(), "Cannot open file \"" + picture.Path() + "\". File name too long.");
    EXPECT_EQ(ReadZipListing(File("thumbs.zip")).Names(), QStringList{"a.jpg"});
}
