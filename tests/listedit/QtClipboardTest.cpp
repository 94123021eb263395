#include "Errors.h"
#include "ListWidgetEditing.h"
#include "QtClipboard.h"
#include "ListClipboard.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QMimeData>

#include <cstdlib>
#include <memory>

using namespace std::string_literals;

namespace {

class QtClipboardTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        if (QApplication::instance())
            return;
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
        static int argc = 1;
        static char name[] = "listedit_qt_tests";
        static char* argv[] = {name, nullptr};
        static QApplication app(argc, argv);
    }
    void SetUp() override { QGuiApplication::clipboard()->clear(); }

    static QByteArray SystemBlock(const QString& mime)
    {
        const QMimeData* data = QGuiApplication::clipboard()->mimeData();
        return data ? data->data(mime) : QByteArray("<no data>");
    }

    TQtClipboard Backend;
    TListClipboard Clipboard{Backend};
    const uint16_t WindowFormat = RegisterClipboardFormat("My format");
};

TEST_F(QtClipboardTest, PrivateTypeComesFromTheLowerCasedName)
{
    EXPECT_EQ(TQtClipboard::MimeTypeFor(Clipboard.FListFormat, ClipboardFormatName(Clipboard.FListFormat)),
              QStringLiteral("application/x-plinkavorte-format;name=\"my format\""));
    EXPECT_EQ(TQtClipboard::MimeTypeFor(CF_TEXT, ""), QStringLiteral("text/plain"));
    EXPECT_EQ(TQtClipboard::MimeTypeFor(0xC000, "say \"hi\"\\"),
              QStringLiteral("application/x-plinkavorte-format;name=\"say \\\"hi\\\"\\\\\""));
}

TEST_F(QtClipboardTest, CopyOffersThePrivateBlockAndPlainText)
{
    Clipboard.SetMyText("/a.jpg\r\n/b c.jpg\r\n");
    const QString mime = TQtClipboard::MimeTypeFor(Clipboard.FListFormat, "my format");
    EXPECT_EQ(SystemBlock(mime), QByteArray("/a.jpg\r\n/b c.jpg\r\n\0", 19));
    EXPECT_EQ(SystemBlock(QStringLiteral("text/plain")), QByteArray("/a.jpg\r\n/b c.jpg\r\n"));
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("/a.jpg\r\n/b c.jpg\r\n"));
    EXPECT_TRUE(Clipboard.HasFormat(WindowFormat));
    std::string text;
    Clipboard.GetMyText(text);
    EXPECT_EQ(text, "/a.jpg\r\n/b c.jpg\r\n");
}

TEST_F(QtClipboardTest, ACopyReplacesEverythingOnTheClipboard)
{
    auto* old = new QMimeData;
    old->setHtml(QStringLiteral("<b>old</b>"));
    QGuiApplication::clipboard()->setMimeData(old);
    Clipboard.SetMyText("");
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    ASSERT_NE(data, nullptr);
    EXPECT_FALSE(data->hasHtml());
    EXPECT_EQ(SystemBlock(TQtClipboard::MimeTypeFor(Clipboard.FListFormat, "my format")), QByteArray("\0", 1));
}

TEST_F(QtClipboardTest, PlainTextFromElsewhereIsReadableButNotPasted)
{
    QGuiApplication::clipboard()->setText(QStringLiteral("/x.jpg\n"));
    EXPECT_FALSE(Clipboard.HasFormat(WindowFormat));
    EXPECT_EQ(Clipboard.GetData(CF_TEXT), (std::vector<uint8_t>{'/', 'x', '.', 'j', 'p', 'g', '\n', 0}));
    QListWidget widget;
    TListWidgetEditing list(widget);
    FileListKeyDown(list, Clipboard, WindowFormat, VirtualKeyFromQt(Qt::Key_V), ShiftFromQt(Qt::ControlModifier));
    EXPECT_EQ(widget.count(), 0);
    EXPECT_EQ(list.Caption, "0 Files");
}

TEST_F(QtClipboardTest, CopyAndPasteThroughAListWidget)
{
    QListWidget widget;
    widget.setSelectionMode(QAbstractItemView::ExtendedSelection);
    for (const char* path : {"/p/1.jpg", "/p/2.jpg", "/p/3.jpg", "/p/4.jpg", "/p/5.jpg"})
        widget.addItem(QString::fromUtf8(path));
    for (int row : {3, 0, 2})
        widget.item(row)->setSelected(true);
    TListWidgetEditing list(widget);
    const auto ctrl = ShiftFromQt(Qt::ControlModifier);
    FileListKeyDown(list, Clipboard, WindowFormat, VirtualKeyFromQt(Qt::Key_C), ctrl);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("/p/1.jpg\r\n/p/3.jpg\r\n/p/4.jpg\r\n"));

    // A second clipboard object stands for another window registering the same names.
    TQtClipboard otherBackend;
    TListClipboard other(otherBackend);
    QListWidget target;
    TListWidgetEditing targetList(target);
    FileListKeyDown(targetList, other, RegisterClipboardFormat("MY FORMAT"), VirtualKeyFromQt(Qt::Key_V), ctrl);
    FileListKeyDown(targetList, other, RegisterClipboardFormat("MY FORMAT"), VirtualKeyFromQt(Qt::Key_V), ctrl);
    ASSERT_EQ(target.count(), 6);
    EXPECT_EQ(target.item(0)->text(), QStringLiteral("/p/1.jpg"));
    EXPECT_EQ(target.item(2)->text(), QStringLiteral("/p/4.jpg"));
    EXPECT_EQ(target.item(5)->text(), QStringLiteral("/p/4.jpg"));
    EXPECT_EQ(targetList.Caption, "6 Files");

    FileListKeyDown(list, Clipboard, WindowFormat, VirtualKeyFromQt(Qt::Key_Delete),
                    ShiftFromQt(Qt::ControlModifier | Qt::ShiftModifier));
    ASSERT_EQ(widget.count(), 2);
    EXPECT_EQ(widget.item(0)->text(), QStringLiteral("/p/2.jpg"));
    EXPECT_EQ(widget.item(1)->text(), QStringLiteral("/p/5.jpg"));
    EXPECT_EQ(list.Caption, "2 Files");
}

} // namespace
