#include "LongPaths.h"
#include "TFilenameEdit.h"
#include "TListBox.h"
#include "TPanel.h"
#include <QPushButton>
#include "WindowFixture.h"

#include <QCheckBox>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <QWindow>

#include <limits.h>

namespace {

// Drags the URLs over the window at the given widget's centre and drops them,
// as the window system would deliver a drop from the desktop.
bool DropOnto(QWidget* target, const QList<QUrl>& urls)
{
    QWidget* window = target->window();
    const QPointF at = target->mapTo(window, target->rect().center());
    QMimeData data;
    data.setUrls(urls);
    QDragEnterEvent enter(at.toPoint(), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(window->windowHandle(), &enter);
    QDragMoveEvent move(at.toPoint(), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(window->windowHandle(), &move);
    if (!move.isAccepted())
        return false;
    QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(window->windowHandle(), &drop);
    return drop.isAccepted();
}

QList<QUrl> Files(const QStringList& paths)
{
    QList<QUrl> urls;
    for (const QString& path : paths)
        urls << QUrl::fromLocalFile(path);
    return urls;
}

} // namespace

TEST_F(WindowTest, DropOfFilesTakesTheJpegsAndSetsTheCaption)
{
    const QString a = Touch("a.jpg"), b = Touch("b.JPEG"), c = Touch("c.gif"), d = Touch("d.txt");
    ASSERT_TRUE(DropOnto(MainWindow->FFileList, Files({a, b, c, d})));
    EXPECT_EQ(ListEntries(), (QStringList{a, b}));
    EXPECT_EQ(MainWindow->windowTitle(), "2 Files");

    ASSERT_TRUE(DropOnto(MainWindow->FFileList, Files({a})));
    EXPECT_EQ(ListEntries(), (QStringList{a, b, a}));
    EXPECT_EQ(MainWindow->windowTitle(), "3 Files");
    Settle();
    EXPECT_TRUE(Messages.isEmpty());
}

TEST_F(WindowTest, DropOfAFolderFollowsIncSubs)
{
    const QString top = Folder("top");
    const QString x = Touch("top/x.jpg");
    Folder("top/sub");
    const QString y = Touch("top/sub/y.jpg");

    ASSERT_TRUE(DropOnto(MainWindow->FFileList, Files({top})));
    EXPECT_EQ(ListEntries(), QStringList{x});
    EXPECT_EQ(MainWindow->windowTitle(), "1 Files");

    MainWindow->IncSubs->setChecked(true);
    ASSERT_TRUE(DropOnto(MainWindow->FSettingsPanel, Files({top})));   // anywhere on the window
    QStringList added = ListEntries().mid(1);
    QStringList both{x, y};
    added.sort();
    both.sort();
    EXPECT_EQ(added, both);
    EXPECT_EQ(MainWindow->windowTitle(), "3 Files");
}

TEST_F(WindowTest, OtherUrlsAreIgnored)
{
    const QString a = Touch("a.jpg");
    EXPECT_FALSE(DropOnto(MainWindow->FFileList, {QUrl("https://example.org/b.jpg")}));
    EXPECT_EQ(MainWindow->windowTitle(), "Plinkavorte");
    ASSERT_TRUE(DropOnto(MainWindow->FFileList, {QUrl("https://example.org/b.jpg"), QUrl::fromLocalFile(a)}));
    EXPECT_EQ(ListEntries(), QStringList{a});
}

TEST_F(WindowTest, FullListEndsTheDropWithItsMessage)
{
    MainWindow->ListCapacity = 2;
    const QString a = Touch("a.jpg"), b = Touch("b.jpg"), c = Touch("c.jpg");
    DropOnto(MainWindow->FFileList, Files({a, b, c}));
    Settle();
    EXPECT_EQ(ListEntries(), (QStringList{a, b}));
    EXPECT_EQ(Messages, QStringList{"Unable to insert a line."});
    EXPECT_EQ(MainWindow->windowTitle(), "Plinkavorte");
}

TEST_F(WindowTest, FileDroppedOnTheZipFieldBecomesItsName)
{
    const QString spaced = Touch("my thumbs.zip");
    const QString second = Touch("other.zip");
    ASSERT_TRUE(DropOnto(MainWindow->ZipFile->Edit(), Files({spaced, second})));
    EXPECT_EQ(MainWindow->ZipFile->Text(), "\"" + spaced + "\"");
    EXPECT_EQ(MainWindow->ZipFileName(), spaced.toStdString());
    EXPECT_TRUE(MainWindow->FOpenButton->isEnabled());
    EXPECT_EQ(MainWindow->FFileList->count(), 0);   // not a drop on the list
    EXPECT_EQ(MainWindow->windowTitle(), "Plinkavorte");
}

// Folders past the system's path limit cannot be scanned: the list takes
// what it can reach and the status panel says how many folders it could not.
TEST_F(WindowTest, DropSaysHowManyFoldersCouldNotBeRead)
{
    const std::string deep = MakeDeepFolder(Folder("top").toStdString(), PATH_MAX - 100);
    const QString reachable = QString::fromStdString(deep + "/a.jpg");
    QFile(reachable).open(QIODevice::WriteOnly);
    const TTooLongFolder first(deep, std::string(150, 'f'), {0xFF, 0xD8});
    const TTooLongFolder second(deep, std::string(150, 'g'), {0xFF, 0xD8});
    MainWindow->IncSubs->setChecked(true);
    ASSERT_TRUE(DropOnto(MainWindow->FFileList, Files({File("top")})));
    EXPECT_EQ(ListEntries(), QStringList{reachable});
    EXPECT_EQ(MainWindow->FStatusPanel->Caption(), "2 folders could not be read");

    ASSERT_TRUE(DropOnto(MainWindow->FFileList, Files({reachable})));
    EXPECT_EQ(MainWindow->FStatusPanel->Caption(), "") << "a drop that reads everything takes the note away";
    Settle();
    EXPECT_TRUE(Messages.isEmpty());
}
