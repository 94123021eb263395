#include "TListBox.h"
#include "TSpinEdit.h"
#include "TShape.h"
#include "WindowFixture.h"

#include <QCheckBox>

namespace {

void AddEntry(TMainWindow& form, const QString& path)
{
    form.FFileList->addItem(path);
}

void DoubleClickEntry(TMainWindow& form, int row)
{
    QListWidget* list = form.FFileList;
    const QRect rect = list->visualItemRect(list->item(row));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, rect.center());
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, rect.center());
}

QColor At(const QImage& image, int x, int y)
{
    return QColor(image.pixel(x, y));
}

} // namespace

TEST_F(WindowTest, PreviewOfAFramedSquareThumbnail)
{
    AddEntry(*MainWindow, Jpeg("wide.jpg", 400, 300));
    MainWindow->Frame->setChecked(true);
    MainWindow->FrameClick();
    MainWindow->square->setChecked(true);
    PickerAnswer = QColor(0, 0, 255);
    QTest::mouseClick(MainWindow->FColourSwatch, Qt::RightButton);

    DoubleClickEntry(*MainWindow, 0);
    Settle();
    ASSERT_TRUE(Messages.isEmpty()) << Messages.join(";").toStdString();
    ASSERT_TRUE(PreviewWindow->isVisible());
    const QImage& picture = PreviewWindow->FImage->Picture();
    ASSERT_EQ(picture.size(), QSize(200, 200));
    EXPECT_EQ(At(picture, 0, 0), QColor(0, 0, 255));
    EXPECT_EQ(At(picture, 199, 100), QColor(0, 0, 255));
    EXPECT_EQ(At(picture, 100, 199), QColor(0, 0, 255));
    EXPECT_EQ(At(picture, 3, 3), QColor(244, 244, 244));   // background inside the frame
    EXPECT_TRUE(PreviewWindow->windowFlags() & Qt::WindowStaysOnTopHint);
}

TEST_F(WindowTest, PreviewIsCentredAndNeverEnlarged)
{
    AddEntry(*MainWindow, Jpeg("small.jpg", 400, 300));
    MainWindow->aSize->SetValue(100);
    DoubleClickEntry(*MainWindow, 0);
    Settle();
    ASSERT_TRUE(PreviewWindow->isVisible());
    const QImage picture = PreviewWindow->FImage->Picture();
    ASSERT_FALSE(picture.isNull());
    const QRect drawn = PreviewWindow->FImage->DrawRect();
    EXPECT_EQ(drawn.size(), picture.size());
    EXPECT_EQ(drawn.center(), PreviewWindow->FImage->rect().center());

    // Larger than the area: shrunk with its aspect ratio kept.
    MainWindow->aSize->SetValue(600);
    DoubleClickEntry(*MainWindow, 0);
    Settle();
    const QImage big = PreviewWindow->FImage->Picture();
    ASSERT_GT(big.width(), PreviewWindow->FImage->width());
    const QRect fitted = PreviewWindow->FImage->DrawRect();
    EXPECT_LE(fitted.width(), PreviewWindow->FImage->width());
    EXPECT_LE(fitted.height(), PreviewWindow->FImage->height());
    EXPECT_NEAR(double(fitted.width()) / fitted.height(), double(big.width()) / big.height(), 0.02);
}

TEST_F(WindowTest, PreviewWindowIsPlacedOnceThenLeftWhereItWas)
{
    AddEntry(*MainWindow, Jpeg("p.jpg", 64, 48));
    MainWindow->move(100, 80);
    QCoreApplication::processEvents();
    DoubleClickEntry(*MainWindow, 0);
    Settle();
    const QPoint expected = CentredOver(MainWindow->frameGeometry(), PreviewWindow->frameGeometry().size());
    EXPECT_LE((PreviewWindow->frameGeometry().topLeft() - expected).manhattanLength(), 2);

    PreviewWindow->move(10, 20);
    PreviewWindow->close();
    EXPECT_FALSE(PreviewWindow->isVisible());
    DoubleClickEntry(*MainWindow, 0);
    Settle();
    EXPECT_TRUE(PreviewWindow->isVisible());
    EXPECT_EQ(PreviewWindow->pos(), QPoint(10, 20));
}

TEST(PreviewPlacement, CentredOverAndNeverNegative)
{
    EXPECT_EQ(CentredOver(QRect(100, 50, 505, 435), QSize(306, 276)), QPoint(199, 129));
    EXPECT_EQ(CentredOver(QRect(0, 0, 100, 100), QSize(306, 276)), QPoint(0, 0));
    EXPECT_EQ(CentredOver(QRect(10, 10, 101, 101), QSize(50, 50)), QPoint(35, 35));
}

TEST_F(WindowTest, BrokenFileShowsAnEmptyPreviewThenTheMessage)
{
    AddEntry(*MainWindow, Jpeg("good.jpg", 80, 60));
    DoubleClickEntry(*MainWindow, 0);
    Settle();
    ASSERT_FALSE(PreviewWindow->FImage->Picture().isNull());
    PreviewWindow->hide();

    QFile broken(File("broken.jpg"));
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
    broken.write("this is not a picture at all");
    broken.close();
    AddEntry(*MainWindow, broken.fileName());
    DoubleClickEntry(*MainWindow, 1);
    Settle();
    EXPECT_TRUE(PreviewWindow->isVisible());
    EXPECT_TRUE(PreviewWindow->FImage->Picture().isNull());
    ASSERT_EQ(Messages.size(), 1);
    EXPECT_TRUE(Messages[0].startsWith("JPEG error #")) << Messages[0].toStdString();
}

TEST_F(WindowTest, MissingFileShowsTheOpenMessage)
{
    const QString gone = File("gone.jpg");
    AddEntry(*MainWindow, gone);
    DoubleClickEntry(*MainWindow, 0);
    Settle();
    EXPECT_TRUE(PreviewWindow->isVisible());
    ASSERT_EQ(Messages.size(), 1);
    EXPECT_TRUE(Messages[0].startsWith("Cannot open file \"" + gone + "\". ")) << Messages[0].toStdString();
}
