// A picture whose name is not valid UTF-8 keeps its bytes through the window:
// the list once held Qt strings, so "caf\xE9.jpg" came back as
// "caf\xEF\xBF\xBD.jpg" and GO, the preview and Ctrl+C used a name that does
// not exist.

#include "FileListEntry.h"
#include "TFilenameEdit.h"
#include "TListBox.h"
#include "WindowFixture.h"
#include "ZipListing.h"

#include <QBuffer>
#include <QClipboard>
#include <QDropEvent>
#include <QMimeData>
#include <QPushButton>
#include <QWindow>

#include <fstream>
#include <unistd.h>

namespace {

class RawNameTest : public WindowTest {
protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        RawPath = Dir.path().toStdString() + "/caf\xE9.jpg";
        QImage image(400, 300, QImage::Format_RGB32);
        image.fill(qRgb(200, 80, 40));
        QByteArray jpeg;
        QBuffer buffer(&jpeg);
        buffer.open(QIODevice::WriteOnly);
        ASSERT_TRUE(image.save(&buffer, "JPG", 90));
        std::ofstream(RawPath, std::ios::binary).write(jpeg.constData(), jpeg.size());
    }
    void TearDown() override
    {
        // The scratch folder's removal goes by Qt names and misses this one.
        ::unlink(RawPath.c_str());
        WindowTest::TearDown();
    }

    // Drops the text/uri-list a file manager sends: the name's bytes
    // percent-encoded.
    bool DropUriList(const QByteArray& uriList)
    {
        QWidget* window = MainWindow->FFileList->window();
        const QPoint at = MainWindow->FFileList->mapTo(window, MainWindow->FFileList->rect().center());
        QMimeData data;
        data.setData("text/uri-list", uriList);
        QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(window->windowHandle(), &enter);
        QDragMoveEvent move(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(window->windowHandle(), &move);
        if (!move.isAccepted())
            return false;
        QDropEvent drop(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(window->windowHandle(), &drop);
        return drop.isAccepted();
    }

    std::string Entry(int row) const { return FileListPath(*MainWindow->FFileList->item(row)); }

    std::string RawPath;
};

void DoubleClickEntry(TMainWindow& form, int row)
{
    QListWidget* list = form.FFileList;
    const QRect rect = list->visualItemRect(list->item(row));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, rect.center());
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, rect.center());
}

} // namespace

TEST_F(RawNameTest, DroppedFileKeepsItsBytesThroughGoPreviewAndCopy)
{
    const QByteArray url = "file://" + QByteArray::fromStdString(RawPath).toPercentEncoding("/");
    ASSERT_TRUE(DropUriList(url + "\r\n"));
    ASSERT_EQ(MainWindow->FFileList->count(), 1);
    EXPECT_EQ(Entry(0), RawPath);
    EXPECT_EQ(MainWindow->FFileList->item(0)->text(), Dir.path() + QString::fromUtf8("/caf\xEF\xBF\xBD.jpg"))
        << "shown with a replacement character";

    DoubleClickEntry(*MainWindow, 0);
    Settle();
    ASSERT_TRUE(Messages.isEmpty()) << Messages.join(";").toStdString();
    EXPECT_EQ(PreviewWindow->FImage->Picture().size(), QSize(200, 150));

    MainWindow->FFileList->item(0)->setSelected(true);
    QTest::keyClick(MainWindow->FFileList, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->mimeData()->data("text/plain").toStdString(), RawPath + "\r\n");
    QTest::keyClick(MainWindow->FFileList, Qt::Key_V, Qt::ControlModifier);
    ASSERT_EQ(MainWindow->FFileList->count(), 2);
    EXPECT_EQ(Entry(1), RawPath) << "pasted back byte for byte";

    MainWindow->ZipFile->SetText(File("thumbs.zip"));
    QTest::mouseClick(MainWindow->FGoButton, Qt::LeftButton);
    Settle();
    ASSERT_TRUE(Messages.isEmpty()) << Messages.join(";").toStdString();
    const TZipListing zip = ReadZipListing(File("thumbs.zip"));
    ASSERT_EQ(zip.Entries.size(), 1u) << "the pasted copy is a duplicate";
    EXPECT_EQ(zip.Entries[0].Name.toLatin1(), QByteArray("caf\xE9.jpg"));
}

TEST_F(RawNameTest, FolderScanKeepsTheBytes)
{
    ASSERT_TRUE(DropUriList(QUrl::fromLocalFile(Dir.path()).toEncoded() + "\r\n"));
    ASSERT_EQ(MainWindow->FFileList->count(), 1);
    EXPECT_EQ(Entry(0), RawPath);
}

TEST_F(RawNameTest, UrlBytesAreDecodedAsTheyAre)
{
    EXPECT_EQ(LocalPathOfUrl(QUrl::fromEncoded("file:///p/caf%E9%20x.jpg")), "/p/caf\xE9 x.jpg");
    EXPECT_EQ(LocalPathOfUrl(QUrl::fromLocalFile(QString::fromUtf8("/p/\xC3\xA9t\xC3\xA9 #1%.jpg"))),
              "/p/\xC3\xA9t\xC3\xA9 #1%.jpg");
    EXPECT_EQ(LocalPathOfUrl(QUrl::fromEncoded("file://server/share/a.jpg")), "//server/share/a.jpg");
}
