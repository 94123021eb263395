#include "TListBox.h"
#include "WindowFixture.h"

#include <QClipboard>

namespace {

void Fill(TMainWindow& form, const QStringList& entries)
{
    for (const QString& entry : entries)
        form.FFileList->addItem(entry);
}

void Select(TMainWindow& form, std::initializer_list<int> rows)
{
    form.FFileList->clearSelection();
    for (int row : rows)
        form.FFileList->item(row)->setSelected(true);
}

} // namespace

TEST_F(WindowTest, CtrlCAndCtrlVCopyTheSelectionBehindTheList)
{
    Fill(*MainWindow, {"/p/a.jpg", "/p/b.jpg", "/p/c.jpg", "/p/d.jpg"});
    Select(*MainWindow, {0, 2});
    MainWindow->FFileList->setCurrentRow(3, QItemSelectionModel::NoUpdate);
    QTest::keyClick(MainWindow->FFileList, Qt::Key_C, Qt::ControlModifier);
    // The same lines as plain text, not the current entry alone.
    EXPECT_EQ(QApplication::clipboard()->text(), "/p/a.jpg\r\n/p/c.jpg\r\n");
    EXPECT_EQ(MainWindow->windowTitle(), "4 Files");

    QTest::keyClick(MainWindow->FFileList, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(ListEntries(), (QStringList{"/p/a.jpg", "/p/b.jpg", "/p/c.jpg", "/p/d.jpg", "/p/a.jpg", "/p/c.jpg"}));
    EXPECT_EQ(MainWindow->windowTitle(), "6 Files");
}

TEST_F(WindowTest, PlainTextOnTheClipboardPastesNothing)
{
    Fill(*MainWindow, {"/p/a.jpg"});
    QApplication::clipboard()->setText("/p/x.jpg\r\n");
    QTest::keyClick(MainWindow->FFileList, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(ListEntries(), QStringList{"/p/a.jpg"});
}

TEST_F(WindowTest, DeleteAndCtrlDeleteRemoveTheSelectionAndCtrlASelectsAll)
{
    Fill(*MainWindow, {"/p/a.jpg", "/p/b.jpg", "/p/c.jpg", "/p/d.jpg"});
    Select(*MainWindow, {1});
    QTest::keyClick(MainWindow->FFileList, Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(ListEntries(), (QStringList{"/p/a.jpg", "/p/c.jpg", "/p/d.jpg"}));
    EXPECT_EQ(MainWindow->windowTitle(), "3 Files");
    Select(*MainWindow, {2});
    QTest::keyClick(MainWindow->FFileList, Qt::Key_Delete);
    EXPECT_EQ(ListEntries(), (QStringList{"/p/a.jpg", "/p/c.jpg"}));
    // Shift+Delete is no editing key of the list.
    Select(*MainWindow, {0});
    QTest::keyClick(MainWindow->FFileList, Qt::Key_Delete, Qt::ShiftModifier);
    EXPECT_EQ(ListEntries().size(), 2);
    QTest::keyClick(MainWindow->FFileList, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(MainWindow->FFileList->selectedItems().size(), 2);
}

TEST_F(WindowTest, KeysAfterCloseDoNotReachTheFreedClipboard)
{
    Fill(*MainWindow, {"/p/a.jpg", "/p/b.jpg"});
    Select(*MainWindow, {0});
    QApplication::clipboard()->setText("before");
    MainWindow->close();
    QKeyEvent copy(QEvent::KeyPress, Qt::Key_C, Qt::ControlModifier, "\x03");
    QCoreApplication::sendEvent(MainWindow->FFileList, &copy);
    QKeyEvent remove(QEvent::KeyPress, Qt::Key_Delete, Qt::ControlModifier);
    QCoreApplication::sendEvent(MainWindow->FFileList, &remove);
    EXPECT_EQ(QApplication::clipboard()->text(), "before");
    EXPECT_EQ(ListEntries().size(), 2);
}

namespace {

// A key as a non-Latin layout delivers it with Ctrl held: the layout's own
// letter as key and text, the Latin key in its place as the native key.
void CtrlKey(QWidget* target, QChar letter, quint32 nativeKey)
{
    const int key = letter.toUpper().unicode();
    QKeyEvent press(QEvent::KeyPress, key, Qt::ControlModifier, 0, nativeKey, 0x4, QString(letter));
    QCoreApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::ControlModifier, 0, nativeKey, 0x4, QString(letter));
    QCoreApplication::sendEvent(target, &release);
}

} // namespace

TEST_F(WindowTest, ListKeysWorkWithCyrillicAndGreekLayouts)
{
    Fill(*MainWindow, {"/p/a.jpg", "/p/b.jpg", "/p/c.jpg"});
    QListWidget* list = MainWindow->FFileList;
    Select(*MainWindow, {1});
    CtrlKey(list, QChar(0x0441), 'c');   // Cyrillic es, where C is
    EXPECT_EQ(QApplication::clipboard()->text(), "/p/b.jpg\r\n");
    CtrlKey(list, QChar(0x043C), 'v');   // Cyrillic em, where V is
    EXPECT_EQ(ListEntries(), (QStringList{"/p/a.jpg", "/p/b.jpg", "/p/c.jpg", "/p/b.jpg"}));
    EXPECT_EQ(MainWindow->windowTitle(), "4 Files");

    list->clearSelection();
    CtrlKey(list, QChar(0x03B1), 'a');   // Greek alpha, where A is
    EXPECT_EQ(list->selectedItems().size(), 4);

    // Native codes in capitals, as some platforms give them.
    Select(*MainWindow, {0});
    CtrlKey(list, QChar(0x03C8), 'C');   // Greek psi
    EXPECT_EQ(QApplication::clipboard()->text(), "/p/a.jpg\r\n");
}

TEST_F(WindowTest, NonLatinKeyWithoutALatinPlaceDoesNothing)
{
    Fill(*MainWindow, {"/p/a.jpg", "/p/b.jpg"});
    Select(*MainWindow, {0});
    QApplication::clipboard()->setText("before");
    CtrlKey(MainWindow->FFileList, QChar(0x0441), 0x6d3);   // the Cyrillic keysym itself
    CtrlKey(MainWindow->FFileList, QChar(0x0444), 0x6c6);   // Cyrillic ef, where A is
    EXPECT_EQ(QApplication::clipboard()->text(), "before");
    EXPECT_EQ(MainWindow->FFileList->selectedItems().size(), 1);
}
