#include "TListBox.h"
#include "WindowFixture.h"

#include <QClipboard>

namespace {

void Fill(TForm1& form, const QStringList& entries)
{
    for (const QString& entry : entries)
        form.ListBox1->addItem(entry);
}

void Select(TForm1& form, std::initializer_list<int> rows)
{
    form.ListBox1->clearSelection();
    for (int row : rows)
        form.ListBox1->item(row)->setSelected(true);
}

} // namespace

TEST_F(WindowTest, CtrlCAndCtrlVCopyTheSelectionBehindTheList)
{
    Fill(*Form1, {"/p/a.jpg", "/p/b.jpg", "/p/c.jpg", "/p/d.jpg"});
    Select(*Form1, {0, 2});
    Form1->ListBox1->setCurrentRow(3, QItemSelectionModel::NoUpdate);
    QTest::keyClick(Form1->ListBox1, Qt::Key_C, Qt::ControlModifier);
    // The same lines as plain text, not the current entry alone.
    EXPECT_EQ(QApplication::clipboard()->text(), "/p/a.jpg\r\n/p/c.jpg\r\n");
    EXPECT_EQ(Form1->windowTitle(), "4 Files");

    QTest::keyClick(Form1->ListBox1, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(ListEntries(), (QStringList{"/p/a.jpg", "/p/b.jpg", "/p/c.jpg", "/p/d.jpg", "/p/a.jpg", "/p/c.jpg"}));
    EXPECT_EQ(Form1->windowTitle(), "6 Files");
}

TEST_F(WindowTest, PlainTextOnTheClipboardPastesNothing)
{
    Fill(*Form1, {"/p/a.jpg"});
    QApplication::clipboard()->setText("/p/x.jpg\r\n");
    QTest::keyClick(Form1->ListBox1, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(ListEntries(), QStringList{"/p/a.jpg"});
}

TEST_F(WindowTest, CtrlDeleteRemovesTheSelectionAndCtrlASelectsAll)
{
    Fill(*Form1, {"/p/a.jpg", "/p/b.jpg", "/p/c.jpg"});
    Select(*Form1, {1});
    QTest::keyClick(Form1->ListBox1, Qt::Key_Delete);
    EXPECT_EQ(ListEntries().size(), 3);
    QTest::keyClick(Form1->ListBox1, Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(ListEntries(), (QStringList{"/p/a.jpg", "/p/c.jpg"}));
    EXPECT_EQ(Form1->windowTitle(), "2 Files");
    QTest::keyClick(Form1->ListBox1, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(Form1->ListBox1->selectedItems().size(), 2);
}

TEST_F(WindowTest, KeysAfterCloseDoNotReachTheFreedClipboard)
{
    Fill(*Form1, {"/p/a.jpg", "/p/b.jpg"});
    Select(*Form1, {0});
    QApplication::clipboard()->setText("before");
    Form1->close();
    QKeyEvent copy(QEvent::KeyPress, Qt::Key_C, Qt::ControlModifier, "\x03");
    QCoreApplication::sendEvent(Form1->ListBox1, &copy);
    QKeyEvent remove(QEvent::KeyPress, Qt::Key_Delete, Qt::ControlModifier);
    QCoreApplication::sendEvent(Form1->ListBox1, &remove);
    EXPECT_EQ(QApplication::clipboard()->text(), "before");
    EXPECT_EQ(ListEntries().size(), 2);
}
