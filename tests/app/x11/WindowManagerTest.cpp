// The windows as a window manager shows them: every dialog of the program
// above the preview, which stays above the main window; the title with the
// program's name; GO taking the first click while the ZIP field's
// completion list is open.

#include "MainWindow.h"
#include "PreviewWindow.h"
#include "TApplication.h"
#include "TFilenameEdit.h"
#include "TListBox.h"
#include "XServer.h"

#include <QCompleter>
#include <QDialog>
#include <QElapsedTimer>
#include <QPointer>
#include <QFile>
#include <QFileSystemModel>
#include <QImage>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace {

class WindowManagerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        MainWindow = std::make_unique<TMainWindow>();
        PreviewWindow = std::make_unique<TPreviewWindow>();
        MainWindow->SetPreviewWindow(PreviewWindow.get());
        ASSERT_TRUE(ShownAndExposed(MainWindow.get()));
        ASSERT_TRUE(QTest::qWaitFor([this] { return StackingPlace(MainWindow.get()) >= 0; }, 5000));
    }
    void TearDown() override
    {
        MainWindow.reset();
        PreviewWindow.reset();
        App()->ShowMessage = ShowCriticalMessage;
    }
    static TApplication* App() { return static_cast<TApplication*>(qApp); }

    // The first window of the run now and then never gets its expose
    // event while openbox settles; it is shown again.
    static bool ShownAndExposed(QWidget* window)
    {
        for (int attempt = 0; attempt < 3; ++attempt) {
            window->show();
            if (QTest::qWaitForWindowExposed(window, 5000))
                return true;
            window->hide();
        }
        return false;
    }

    QString Picture(const QString& name) const
    {
        QImage image(64, 48, QImage::Format_RGB32);
        image.fill(qRgb(90, 120, 200));
        const QString path = Dir.filePath(name);
        EXPECT_TRUE(image.save(path, "JPG"));
        return path;
    }
    void ShowPreview()
    {
        MainWindow->FFileList->addItem(Picture("a.jpg"));
        MainWindow->FFileList->setCurrentRow(0);
        MainWindow->FileListDblClick();
        ASSERT_TRUE(QTest::qWaitFor([this] { return StackingPlace(PreviewWindow.get()) >= 0; }, 5000));
    }
    // Where the dialog that opens next stands against the preview and the
    // main window, read from the X server while it is open; then closed.
    struct TPlaces {
        int Dialog = -1, Preview = -1, Main = -1;
    };
    TPlaces PlacesOfNextDialog(const std::function<void()>& open)
    {
        // Polled from whatever loop runs, the dialog's own included, and
        // never waiting inside a tick: a nested wait would sit under it.
        TPlaces places;
        QPointer<QWidget> dialog;
        QElapsedTimer sinceRaise;
        bool done = false;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            if (done)
                return;
            if (!dialog) {
                QWidget* modal = QApplication::activeModalWidget();
                if (!modal || StackingPlace(modal) < 0)
                    return;
                dialog = modal;
                // Clicking the preview raises it; the dialog must stay above all the same.
                XdoTool({"windowraise", QString::number(PreviewWindow->winId())});
                sinceRaise.start();
                return;
            }
            if (sinceRaise.elapsed() < 300)
                return;
            places = {StackingPlace(dialog), StackingPlace(PreviewWindow.get()), StackingPlace(MainWindow.get())};
            done = true;
            if (auto* box = qobject_cast<QDialog*>(dialog.data()))
                box->reject();
            else
                dialog->close();
        });
        poll.start(50);
        open();
        EXPECT_TRUE(QTest::qWaitFor([&] { return done; }, 8000)) << "no dialog to look at";
        return places;
    }

    QTemporaryDir Dir;
    std::unique_ptr<TMainWindow> MainWindow;
    std::unique_ptr<TPreviewWindow> PreviewWindow;
};

} // namespace

TEST_F(WindowManagerTest, PreviewStaysAboveTheMainWindow)
{
    ShowPreview();
    MainWindow->activateWindow();
    MainWindow->raise();
    QTest::qWait(300);
    EXPECT_GT(StackingPlace(PreviewWindow.get()), StackingPlace(MainWindow.get()));
}

TEST_F(WindowManagerTest, TheFailureBoxOfABrokenPreviewIsAboveThePreview)
{
    QFile broken(Dir.filePath("broken.jpg"));
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
    broken.write("no picture in here");
    broken.close();
    MainWindow->FFileList->addItem(broken.fileName());
    MainWindow->FFileList->setCurrentRow(0);
    const TPlaces places = PlacesOfNextDialog([this] {
        MainWindow->FileListDblClick();   // shows the preview, then queues the box
    });
    ASSERT_GE(places.Dialog, 0) << "no message box came up";
    EXPECT_GT(places.Dialog, places.Preview);
    EXPECT_GT(places.Preview, places.Main);
}

TEST_F(WindowManagerTest, ColourDialogAndFileChooserAreAboveThePreview)
{
    ShowPreview();
    TPlaces places = PlacesOfNextDialog([this] { MainWindow->SwatchMouseDown(Qt::LeftButton); });
    ASSERT_GE(places.Dialog, 0) << "no colour dialog came up";
    EXPECT_GT(places.Dialog, places.Preview);

    places = PlacesOfNextDialog([this] { MainWindow->ZipFile->Browse(); });
    ASSERT_GE(places.Dialog, 0) << "no file chooser came up";
    EXPECT_GT(places.Dialog, places.Preview);
}

TEST_F(WindowManagerTest, TheTitleCarriesTheProgramsName)
{
    MainWindow->setWindowTitle("Files 57/300");
    EXPECT_TRUE(QTest::qWaitFor([this] { return ShownTitle(MainWindow.get()) == "Files 57/300 \u2014 Plinkavorte"; }, 5000))
        << ShownTitle(MainWindow.get()).toStdString();
    EXPECT_EQ(MainWindow->windowTitle(), "Files 57/300");
    // A title that is the name already gets it once.
    MainWindow->setWindowTitle("Plinkavorte");
    EXPECT_TRUE(QTest::qWaitFor([this] { return ShownTitle(MainWindow.get()) == "Plinkavorte"; }, 5000));
}

TEST_F(WindowManagerTest, GoTakesTheFirstClickWhileTheCompletionListIsOpen)
{
    QStringList messages;
    App()->ShowMessage = [&](const QString& text, const QString&) { messages << text; };
    MainWindow->FFileList->addItem(Picture("a.jpg"));
    {
        // An archive to add to, so the typed name is completed.
        QFile old(Dir.filePath("album-old.zip"));
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write(QByteArray("PK\x05\x06", 4) + QByteArray(18, '\0'));
    }
    MainWindow->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(MainWindow.get()));
    MainWindow->ZipFile->Edit()->setFocus();
    // The list comes with the first key after the folder is read, which
    // happens in the background: deep folders are not read by the last key.
    QCompleter* completer = MainWindow->ZipFile->Edit()->completer();
    auto* folders = qobject_cast<QFileSystemModel*>(completer->model());
    ASSERT_TRUE(folders);
    ASSERT_TRUE(XdoTool({"type", "--delay", "30", Dir.path() + "/"}));
    ASSERT_TRUE(QTest::qWaitFor([&] { return folders->rowCount(folders->index(Dir.path())) >= 2; }, 5000));
    ASSERT_TRUE(XdoTool({"type", "--delay", "30", "album-o"}));
    QWidget* popup = completer->popup();
    ASSERT_TRUE(QTest::qWaitFor([&] { return popup->isVisible(); }, 5000)) << "no completion list";
    ASSERT_TRUE(XdoTool({"type", "--delay", "30", "ld.zip"}));
    QTest::qWait(500);
    ASSERT_TRUE(popup->isVisible());

    const QPoint go = MainWindow->FGoButton->mapToGlobal(MainWindow->FGoButton->rect().center());
    ASSERT_TRUE(XdoTool({"mousemove", QString::number(go.x()), QString::number(go.y()), "click", "1"}));
    EXPECT_TRUE(QTest::qWaitFor([this] { return MainWindow->windowTitle() == "Files 1/1"; }, 5000))
        << "the click did not start a run";
    EXPECT_FALSE(popup->isVisible());
    EXPECT_TRUE(messages.isEmpty()) << messages.join(";").toStdString();
}
