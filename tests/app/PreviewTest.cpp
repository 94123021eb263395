#include "DngFixture.h"
#include "JpegFixtures.h"
#include "TListBox.h"
#include "TSpinEdit.h"
#include "TShape.h"
#include "WindowFixture.h"

#include <QCheckBox>

#include <cstdlib>

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
    TImage* view = PreviewWindow->FImage;
    // The area in device pixels, as the picture is drawn.
    const QRect area(QPoint(0, 0), (QSizeF(view->size()) * view->devicePixelRatioF()).toSize());
    const QImage picture = view->Picture();
    ASSERT_FALSE(picture.isNull());
    const QRect drawn = view->DrawRect();
    EXPECT_EQ(drawn.size(), picture.size());
    EXPECT_LE((drawn.center() - area.center()).manhattanLength(), 1);

    // Larger than the area: shrunk with its aspect ratio kept.
    MainWindow->aSize->SetValue(600);
    DoubleClickEntry(*MainWindow, 0);
    Settle();
    const QImage big = view->Picture();
    ASSERT_GT(big.width(), area.width());
    const QRect fitted = view->DrawRect();
    EXPECT_LE(fitted.width(), area.width());
    EXPECT_LE(fitted.height(), area.height());
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

// A camera RAW file previews like a JPEG: its preview, turned upright.
TEST_F(WindowTest, RawFilePreviewsAsItsThumbnail)
{
    TDngContents dng;
    dng.Orientation = 6;
    dng.Preview = MakeTestJpeg(400, 600);
    dng.PreviewWidth = 400;
    dng.PreviewHeight = 600;
    const QString path = File("IMG_0002.CR2");
    WriteBytes(path.toStdString(), MakeTestDng(dng));
    AddEntry(*MainWindow, path);
    DoubleClickEntry(*MainWindow, 0);
    Settle();
    ASSERT_TRUE(Messages.isEmpty()) << Messages.join(" ").toStdString();
    EXPECT_EQ(PreviewWindow->FImage->Picture().size(), QSize(200, 133));
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
    EXPECT_EQ(Messages[0], "JPEG error #53.");
    EXPECT_EQ(Informative[0], "Not a JPEG file: starts with 0x74 0x68.\n" + broken.fileName())
        << "libjpeg's own words go below, then the picture's path";
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

TEST_F(WindowTest, PreviewDrawsOneDevicePixelPerThumbnailPixel)
{
    // Blocks that smoothing or enlarging would blur into each other.
    QImage checks(400, 300, QImage::Format_RGB32);
    for (int y = 0; y < checks.height(); ++y)
        for (int x = 0; x < checks.width(); ++x)
            checks.setPixel(x, y, ((x / 6 + y / 6) % 2) ? qRgb(250, 240, 20) : qRgb(10, 30, 200));
    ASSERT_TRUE(checks.save(File("checks.jpg"), "JPG", 95));
    AddEntry(*MainWindow, File("checks.jpg"));
    DoubleClickEntry(*MainWindow, 0);
    Settle();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(PreviewWindow.get()));

    TImage* view = PreviewWindow->FImage;
    const qreal ratio = view->devicePixelRatioF();
    // Run once more with QT_SCALE_FACTOR set: the display is then scaled.
    if (qEnvironmentVariableIsSet("QT_SCALE_FACTOR")) {
        EXPECT_DOUBLE_EQ(ratio, qEnvironmentVariable("QT_SCALE_FACTOR").toDouble());
    }
    // The window keeps its size in logical pixels.
    EXPECT_EQ(PreviewWindow->size(), QSize(298, 242));

    const QImage picture = view->Picture().convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(picture.size(), QSize(200, 150));
    const QRect drawn = view->DrawRect();
    EXPECT_EQ(drawn.size(), picture.size());
    const QImage shown = view->grab().toImage().convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(shown.size(), (QSizeF(view->size()) * ratio).toSize());
    ASSERT_TRUE(shown.rect().contains(drawn));
    int differing = 0;
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            differing += shown.pixel(drawn.x() + x, drawn.y() + y) != picture.pixel(x, y);
    EXPECT_EQ(differing, 0);
    // Centred in device pixels.
    EXPECT_LE(std::abs((shown.width() - drawn.width()) / 2 - drawn.x()), 1);
    EXPECT_LE(std::abs((shown.height() - drawn.height()) / 2 - drawn.y()), 1);
}
