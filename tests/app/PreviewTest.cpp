#include "TListBox.h"
#include "TSpinEdit.h"
#include "TShape.h"
#include "WindowFixture.h"

#include <QCheckBox>

namespace {

void AddEntry(TForm1& form, const QString& path)
{
    form.ListBox1->addItem(path);
}

void DoubleClickEntry(TForm1& form, int row)
{
    QListWidget* list = form.ListBox1;
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
    AddEntry(*Form1, Jpeg("wide.jpg", 400, 300));
    Form1->Frame->setChecked(true);
    Form1->FrameClick();
    Form1->square->setChecked(true);
    PickerAnswer = QColor(0, 0, 255);
    QTest::mouseClick(Form1->Shape1, Qt::RightButton);

    DoubleClickEntry(*Form1, 0);
    Settle();
    ASSERT_TRUE(Messages.isEmpty()) << Messages.join(";").toStdString();
    ASSERT_TRUE(Form2->isVisible());
    const QImage& picture = Form2->Image1->Picture();
    ASSERT_EQ(picture.size(), QSize(200, 200));
    EXPECT_EQ(At(picture, 0, 0), QColor(0, 0, 255));
    EXPECT_EQ(At(picture, 199, 100), QColor(0, 0, 255));
    EXPECT_EQ(At(picture, 100, 199), QColor(0, 0, 255));
    EXPECT_EQ(At(picture, 3, 3), QColor(244, 244, 244));   // background inside the frame
    EXPECT_TRUE(Form2->windowFlags() & Qt::WindowStaysOnTopHint);
}

TEST_F(WindowTest, PreviewIsCentredAndNeverEnlarged)
{
    AddEntry(*Form1, Jpeg("small.jpg", 400, 300));
    Form1->aSize->SetValue(100);
    DoubleClickEntry(*Form1, 0);
    Settle();
    ASSERT_TRUE(Form2->isVisible());
    const QImage picture = Form2->Image1->Picture();
    ASSERT_FALSE(picture.isNull());
    const QRect drawn = Form2->Image1->DrawRect();
    EXPECT_EQ(drawn.size(), picture.size());
    EXPECT_EQ(drawn.center(), Form2->Image1->rect().center());

    // Larger than the area: shrunk with its aspect ratio kept.
    Form1->aSize->SetValue(600);
    DoubleClickEntry(*Form1, 0);
    Settle();
    const QImage big = Form2->Image1->Picture();
    ASSERT_GT(big.width(), Form2->Image1->width());
    const QRect fitted = Form2->Image1->DrawRect();
    EXPECT_LE(fitted.width(), Form2->Image1->width());
    EXPECT_LE(fitted.height(), Form2->Image1->height());
    EXPECT_NEAR(double(fitted.width()) / fitted.height(), double(big.width()) / big.height(), 0.02);
}

TEST_F(WindowTest, PreviewWindowIsPlacedOnceThenLeftWhereItWas)
{
    AddEntry(*Form1, Jpeg("p.jpg", 64, 48));
    Form1->move(100, 80);
    QCoreApplication::processEvents();
    DoubleClickEntry(*Form1, 0);
    Settle();
    const QPoint expected = CentredOver(Form1->frameGeometry(), Form2->frameGeometry().size());
    EXPECT_LE((Form2->frameGeometry().topLeft() - expected).manhattanLength(), 2);

    Form2->move(10, 20);
    Form2->close();
    EXPECT_FALSE(Form2->isVisible());
    DoubleClickEntry(*Form1, 0);
    Settle();
    EXPECT_TRUE(Form2->isVisible());
    EXPECT_EQ(Form2->pos(), QPoint(10, 20));
}

TEST(PreviewPlacement, CentredOverAndNeverNegative)
{
    EXPECT_EQ(CentredOver(QRect(100, 50, 505, 435), QSize(306, 276)), QPoint(199, 129));
    EXPECT_EQ(CentredOver(QRect(0, 0, 100, 100), QSize(306, 276)), QPoint(0, 0));
    EXPECT_EQ(CentredOver(QRect(10, 10, 101, 101), QSize(50, 50)), QPoint(35, 35));
}

TEST_F(WindowTest, BrokenFileShowsAnEmptyPreviewThenTheMessage)
{
    AddEntry(*Form1, Jpeg("good.jpg", 80, 60));
    DoubleClickEntry(*Form1, 0);
    Settle();
    ASSERT_FALSE(Form2->Image1->Picture().isNull());
    Form2->hide();

    QFile broken(File("broken.jpg"));
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
    broken.write("this is not a picture at all");
    broken.close();
    AddEntry(*Form1, broken.fileName());
    DoubleClickEntry(*Form1, 1);
    Settle();
    EXPECT_TRUE(Form2->isVisible());
    EXPECT_TRUE(Form2->Image1->Picture().isNull());
    ASSERT_EQ(Messages.size(), 1);
    EXPECT_TRUE(Messages[0].startsWith("JPEG error #")) << Messages[0].toStdString();
}

TEST_F(WindowTest, MissingFileShowsTheOpenMessage)
{
    const QString gone = File("gone.jpg");
    AddEntry(*Form1, gone);
    DoubleClickEntry(*Form1, 0);
    Settle();
    EXPECT_TRUE(Form2->isVisible());
    ASSERT_EQ(Messages.size(), 1);
    EXPECT_TRUE(Messages[0].startsWith("Cannot open file \"" + gone + "\". ")) << Messages[0].toStdString();
}
