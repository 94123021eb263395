#include "Errors.h"
#include "FakeList.h"
#include "QtClipboard.h"
#include "ListClipboard.h"

#include <gtest/gtest.h>

#include <QCoreApplication>

namespace {

void ExpectNoClipboard()
{
    TQtClipboard backend;
    TListClipboard clipboard(backend);
    EXPECT_FALSE(clipboard.HasFormat(clipboard.FListFormat));
    try {
        clipboard.SetMyText("/a.jpg\r\n");
        FAIL() << "a copy went through without a clipboard";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "Cannot open clipboard");
    }
    EXPECT_EQ(clipboard.OpenCount(), 0);

    TFakeList list({"/a.jpg", "/b.jpg"});
    list.SelectAll();
    list.Caption = "Files 1/2";
    EXPECT_THROW(FileListKeyDown(list, clipboard, clipboard.FListFormat, VK_C, ssCtrl), Exception);
    EXPECT_EQ(list.Caption, "Files 1/2");
    EXPECT_EQ(list.Entries.size(), 2u);
}

// Without a GUI application, for instance in the shell command, no clipboard can be had.
TEST(QtClipboardUnavailable, WithoutAnyApplication)
{
    ASSERT_EQ(QCoreApplication::instance(), nullptr);
    ExpectNoClipboard();
}

TEST(QtClipboardUnavailable, WithACoreApplicationOnly)
{
    int argc = 1;
    char name[] = "listedit_noclip_tests";
    char* argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);
    ExpectNoClipboard();
}

} // namespace
