// The preview follows a changed setting while it is shown, once the
// changes rest; its title names the picture.

#include "TListBox.h"
#include "TShape.h"
#include "TSpinEdit.h"
#include "WindowFixture.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QSignalSpy>

namespace {

// Waits for the coalesced render, with room to spare on a busy machine.
bool WaitForRenders(const TMainWindow& window, int count)
{
    return QTest::qWaitFor([&] { return window.PreviewRenders() >= count; }, 5000);
}

} // namespace

class PreviewFollowsTest : public WindowTest {
protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        MainWindow->FFileList->addItem(Jpeg("wide.jpg", 400, 300));
        MainWindow->FFileList->addItem(Jpeg("other.jpg", 300, 400));
        MainWindow->FFileList->setCurrentRow(0);
        MainWindow->FileListDblClick();
        ASSERT_EQ(MainWindow->PreviewRenders(), 1);
    }
    QSize Shown() const { return PreviewWindow->FImage->Picture().size(); }
};

TEST_F(PreviewFollowsTest, TypingASizeRendersOnceWithTheWholeNumber)
{
    EXPECT_EQ(PreviewWindow->windowTitle(), "wide.jpg");
    EXPECT_EQ(Shown(), QSize(200, 150));
    // Back in the main window, as a click into the field brings the user.
    MainWindow->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(MainWindow.get()));
    MainWindow->aSize->setFocus();
    QTest::keyClick(MainWindow->aSize, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(MainWindow->aSize, "120");
    ASSERT_TRUE(WaitForRenders(*MainWindow, 2));
    QTest::qWait(400);   // no second render follows
    EXPECT_EQ(MainWindow->PreviewRenders(), 2);
    EXPECT_EQ(Shown(), QSize(120, 90));
    // The focus stays in the field being typed into.
    EXPECT_EQ(QApplication::focusWidget(), MainWindow->aSize);
}

TEST_F(PreviewFollowsTest, FrameColoursAndSquareRenderAgain)
{
    MainWindow->Frame->click();
    MainWindow->square->click();
    ASSERT_TRUE(WaitForRenders(*MainWindow, 2));
    EXPECT_EQ(Shown(), QSize(200, 200));
    PickerAnswer = QColor(255, 0, 0);
    QTest::mouseClick(MainWindow->FColourSwatch, Qt::LeftButton);
    ASSERT_TRUE(WaitForRenders(*MainWindow, 3));
    EXPECT_EQ(QColor(PreviewWindow->FImage->Picture().pixel(5, 100)), QColor(255, 0, 0));
    // Still the entry previewed last, though another one is current now.
    MainWindow->FFileList->setCurrentRow(1);
    MainWindow->aFramSize->SetValue(4);
    ASSERT_TRUE(WaitForRenders(*MainWindow, 4));
    EXPECT_EQ(PreviewWindow->windowTitle(), "wide.jpg");
}

TEST_F(PreviewFollowsTest, HiddenPreviewAndOutOfRangeSizes)
{
    // A size typed out of range renders at the nearest bound.
    MainWindow->aSize->SetText("9000");
    ASSERT_TRUE(WaitForRenders(*MainWindow, 2));
    EXPECT_EQ(Shown(), QSize(600, 450));
    PreviewWindow->close();
    MainWindow->aSize->SetValue(100);
    QTest::qWait(400);
    EXPECT_EQ(MainWindow->PreviewRenders(), 2);
    EXPECT_FALSE(PreviewWindow->isVisible());
}

TEST_F(PreviewFollowsTest, APictureGoneSinceShowsTheFailureOnce)
{
    QFile::remove(File("wide.jpg"));
    MainWindow->aSize->SetValue(100);
    MainWindow->aSize->SetValue(110);
    ASSERT_TRUE(WaitForRenders(*MainWindow, 2));
    Settle();
    EXPECT_EQ(Messages.size(), 1);
    EXPECT_TRUE(PreviewWindow->FImage->Picture().isNull());
}
