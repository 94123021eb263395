#include "Errors.h"
#include "THintWatcher.h"
#include "TListBox.h"
#include "TPanel.h"
#include "TShape.h"
#include "TSpinEdit.h"
#include "TFilenameEdit.h"
#include "WindowFixture.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QFileDialog>
#include <QHelpEvent>
#include <QToolTip>
#include <QProgressBar>
#include <QPushButton>
#include <QToolButton>

TEST_F(WindowTest, StartsWithTheDefaults)
{
    EXPECT_EQ(MainWindow->windowTitle(), "Plinkavorte");
    EXPECT_FALSE(MainWindow->FOpenButton->isEnabled());
    EXPECT_FALSE(MainWindow->square->isEnabled());
    EXPECT_FALSE(MainWindow->square->isChecked());
    for (QCheckBox* box : {MainWindow->IncSubs, MainWindow->Frame, MainWindow->Clearit})
        EXPECT_FALSE(box->isChecked());
    EXPECT_EQ(MainWindow->aSize->Value(), 200);
    EXPECT_EQ(MainWindow->aFramSize->Value(), 10);
    EXPECT_EQ(MainWindow->FFileList->count(), 0);
    EXPECT_EQ(MainWindow->FStatusPanel->Caption(), "");
    EXPECT_EQ(MainWindow->FProgressBar->minimum(), 0);
    EXPECT_EQ(MainWindow->FProgressBar->maximum(), 100);
    EXPECT_EQ(MainWindow->FProgressBar->value(), 0);
    EXPECT_EQ(MainWindow->ZipFile->Text(), "");
    EXPECT_EQ(MainWindow->FFileList->selectionMode(), QAbstractItemView::ExtendedSelection);

    const TThumbnailSettings settings = MainWindow->ReadSettings();
    EXPECT_EQ(settings.MaxSize, 200);
    EXPECT_FALSE(settings.Framed);
    EXPECT_EQ(settings.FrameWidth, 10);
    EXPECT_FALSE(settings.Square);
    EXPECT_EQ(settings.BackColor, 16053492);
    EXPECT_EQ(settings.BorderColor, 10651742);
}

TEST_F(WindowTest, WindowsCarryTheIconAndTheMenuEntryName)
{
    // The name of the installed .desktop file, without its suffix.
    EXPECT_EQ(QGuiApplication::desktopFileName(), "plinkavorte");
    for (QWidget* window : {static_cast<QWidget*>(MainWindow.get()), static_cast<QWidget*>(PreviewWindow.get())}) {
        const QPixmap icon = window->windowIcon().pixmap(64, 64);
        ASSERT_FALSE(icon.isNull());
        // Drawn, not blank: the corner is clear, the middle is not.
        const QImage image = icon.toImage();
        EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0);
        EXPECT_GT(qAlpha(image.pixel(image.width() / 2, image.height() / 2)), 200);
    }
}

TEST_F(WindowTest, TabOrderFollowsTheRowsThenTheListAndTheRun)
{
    MainWindow->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(MainWindow.get()));
    const QList<QWidget*> expected = {MainWindow->aSize, MainWindow->aFramSize, MainWindow->Frame, MainWindow->square,
                                      MainWindow->FColourSwatch, MainWindow->Clearit, MainWindow->IncSubs,
                                      MainWindow->ZipFile->Edit(), MainWindow->ZipFile->BrowseButton(),
                                      MainWindow->FOpenButton, MainWindow->FFileList, MainWindow->FProgressBar,
                                      MainWindow->FGoButton, MainWindow->aSize};
    // square and Open take the focus only when enabled, STOP only during a run.
    MainWindow->Frame->setChecked(true);
    MainWindow->FrameClick();
    MainWindow->ZipFile->SetText("/x.zip");
    MainWindow->aSize->setFocus();
    QCoreApplication::processEvents();
    for (int i = 0; i < expected.size(); ++i) {
        QWidget* focus = QApplication::focusWidget();
        EXPECT_EQ(focus, expected[i]) << "step " << i << ": " << (focus ? focus->metaObject()->className() : "none");
        QTest::keyClick(focus, Qt::Key_Tab);
    }
}

TEST_F(WindowTest, HintsAreExactAndNeverToolTips)
{
    EXPECT_EQ(THintWatcher::HintOf(MainWindow->FFileList), "Dragged files list - double-click to open view  window");
    EXPECT_EQ(THintWatcher::HintOf(MainWindow->ZipFile), "Select ZIP file ");
    EXPECT_EQ(THintWatcher::HintOf(MainWindow->ZipFile->Edit()), "Select ZIP file ");
    EXPECT_EQ(THintWatcher::HintOf(MainWindow->FColourSwatch),
              "Frame colours - left button background - right button border - keys Space background, Shift+Space border");
    EXPECT_EQ(THintWatcher::HintOf(MainWindow->FStopButton), "STOP file processing");
    EXPECT_EQ(THintWatcher::HintOf(MainWindow->FProgressBar), "");
    EXPECT_EQ(THintWatcher::HintOf(MainWindow->FStatusPanel), "");
    EXPECT_EQ(THintWatcher::HintOf(MainWindow.get()), "");
    for (QWidget* w : MainWindow->findChildren<QWidget*>())
        EXPECT_TRUE(w->toolTip().isEmpty()) << w->metaObject()->className();
}

namespace {

// Asks the widget for its tool tip as the mouse resting on it would.
bool ShowsToolTip(QWidget* widget)
{
    QToolTip::hideText();
    const QPoint at = widget->rect().center();
    QHelpEvent event(QEvent::ToolTip, at, widget->mapToGlobal(at));
    QCoreApplication::sendEvent(widget, &event);
    const bool shown = QToolTip::isVisible() && QToolTip::text() == widget->toolTip();
    QToolTip::hideText();
    return shown;
}

// Widgets of a stock dialog that carry a tool tip of their own.
QList<QWidget*> WithToolTips(QWidget* dialog)
{
    QList<QWidget*> found;
    for (QWidget* w : dialog->findChildren<QWidget*>())
        if (!w->toolTip().isEmpty() && w->isVisible())
            found << w;
    return found;
}

} // namespace

TEST_F(WindowTest, StockDialogsKeepTheirToolTipsTheWindowShowsNone)
{
    MainWindow->FGoButton->setToolTip("would cover the hint panel");
    EXPECT_FALSE(ShowsToolTip(MainWindow->FGoButton));

    QFileDialog files(MainWindow.get(), "Browse");
    files.setOption(QFileDialog::DontUseNativeDialog);
    QColorDialog colours(MainWindow.get());
    colours.setOption(QColorDialog::DontUseNativeDialog);
    for (QDialog* dialog : std::initializer_list<QDialog*>{&files, &colours}) {
        dialog->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog));
        const QList<QWidget*> tipped = WithToolTips(dialog);
        if (dialog == &files) {
            ASSERT_FALSE(tipped.isEmpty());   // its tool buttons: back, up, new folder...
        }
        for (QWidget* w : tipped)
            EXPECT_TRUE(ShowsToolTip(w)) << w->toolTip().toStdString();
        dialog->hide();
    }
}

TEST_F(WindowTest, HintPanelFollowsTheMouse)
{
    auto enter = [](QWidget* w) {
        QEnterEvent event(QPointF(1, 1), QPointF(1, 1), w->mapToGlobal(QPointF(1, 1)));
        QCoreApplication::sendEvent(w, &event);
    };
    auto leave = [](QWidget* w) {
        QEvent event(QEvent::Leave);
        QCoreApplication::sendEvent(w, &event);
    };
    enter(MainWindow->FGoButton);
    EXPECT_EQ(MainWindow->FStatusPanel->Caption(), "Process file list");
    // Into the inner editor of the ZIP field: the field's own hint.
    enter(MainWindow->ZipFile->Edit());
    EXPECT_EQ(MainWindow->FStatusPanel->Caption(), "Select ZIP file ");
    leave(MainWindow->ZipFile->Edit());
    EXPECT_EQ(MainWindow->FStatusPanel->Caption(), "Select ZIP file ");
    leave(MainWindow->ZipFile);
    EXPECT_EQ(MainWindow->FStatusPanel->Caption(), "");   // over the settings panel, no hint
    enter(MainWindow->FFileList->viewport());
    EXPECT_EQ(MainWindow->FStatusPanel->Caption(), "Dragged files list - double-click to open view  window");
    leave(MainWindow->FFileList);
    leave(MainWindow.get());
    EXPECT_EQ(MainWindow->FStatusPanel->Caption(), "");
}

TEST_F(WindowTest, HintLongFormIsTheTextAfterTheFirstBar)
{
    MainWindow->AppHint("short|long|rest");
    EXPECT_EQ(MainWindow->FStatusPanel->Caption(), "long|rest");
    MainWindow->AppHint("no bar");
    EXPECT_EQ(MainWindow->FStatusPanel->Caption(), "no bar");
}

TEST_F(WindowTest, FrameEnablesSquareAndKeepsItsTick)
{
    QTest::mouseClick(MainWindow->Frame, Qt::LeftButton);
    EXPECT_TRUE(MainWindow->Frame->isChecked());
    EXPECT_TRUE(MainWindow->square->isEnabled());
    QTest::mouseClick(MainWindow->square, Qt::LeftButton);
    ASSERT_TRUE(MainWindow->square->isChecked());
    QTest::mouseClick(MainWindow->Frame, Qt::LeftButton);
    EXPECT_FALSE(MainWindow->square->isEnabled());
    EXPECT_TRUE(MainWindow->square->isChecked());
    EXPECT_TRUE(MainWindow->ReadSettings().Square);   // counts again once framed
}

TEST_F(WindowTest, SwatchButtonsPickFillAndOutline)
{
    PickerAnswer = QColor(1, 2, 3);
    QTest::mouseClick(MainWindow->FColourSwatch, Qt::LeftButton);
    ASSERT_EQ(PickerStarts.size(), 1);
    EXPECT_EQ(PickerStarts[0], QColor(244, 244, 244));
    EXPECT_EQ(MainWindow->ReadSettings().BackColor, 0x030201);
    EXPECT_EQ(MainWindow->ReadSettings().BorderColor, 10651742);

    PickerAnswer = QColor(10, 20, 30);
    QTest::mouseClick(MainWindow->FColourSwatch, Qt::RightButton);
    EXPECT_EQ(PickerStarts.last(), QColor(94, 136, 162));
    EXPECT_EQ(MainWindow->ReadSettings().BorderColor, 0x1E140A);

    PickerAnswer = QColor(200, 100, 50);
    QTest::mouseClick(MainWindow->FColourSwatch, Qt::MiddleButton);
    EXPECT_EQ(PickerStarts.last(), QColor(10, 20, 30));
    EXPECT_EQ(MainWindow->ReadSettings().BorderColor, 0x3264C8);

    PickerAnswer.reset();   // cancel
    QTest::mouseClick(MainWindow->FColourSwatch, Qt::LeftButton);
    QTest::mouseClick(MainWindow->FColourSwatch, Qt::RightButton);
    EXPECT_EQ(MainWindow->ReadSettings().BackColor, 0x030201);
    EXPECT_EQ(MainWindow->ReadSettings().BorderColor, 0x3264C8);
    EXPECT_EQ(PickerStarts.size(), 5);

    // The swatch paints what it holds.
    const QImage swatch = MainWindow->FColourSwatch->grab().toImage();
    EXPECT_EQ(QColor(swatch.pixel(swatch.width() / 2, swatch.height() / 2)), QColor(1, 2, 3));
    EXPECT_EQ(QColor(swatch.pixel(0, swatch.height() / 2)), QColor(200, 100, 50));
}

TEST_F(WindowTest, OpenButtonFollowsTheZipFieldName)
{
    QTest::keyClicks(MainWindow->ZipFile->Edit(), "   ");
    EXPECT_FALSE(MainWindow->FOpenButton->isEnabled());
    QTest::keyClicks(MainWindow->ZipFile->Edit(), "/");
    EXPECT_TRUE(MainWindow->FOpenButton->isEnabled());
    MainWindow->ZipFile->SetText("");
    EXPECT_FALSE(MainWindow->FOpenButton->isEnabled());
    MainWindow->ZipFile->SetText("\"\"");
    EXPECT_FALSE(MainWindow->FOpenButton->isEnabled());

    // A name with no archive yet is said, not handed to the desktop.
    MainWindow->HintWatcher()->MouseOver(nullptr);
    MainWindow->ZipFile->SetText(File("missing name.zip"));
    QTest::mouseClick(MainWindow->FOpenButton, Qt::LeftButton);
    Settle();
    EXPECT_TRUE(Opened.isEmpty());
    EXPECT_EQ(MainWindow->FStatusPanel->Caption(), "There is no archive " + File("missing") + " yet: GO makes it");
    Touch("missing");
    QTest::mouseClick(MainWindow->FOpenButton, Qt::LeftButton);
    EXPECT_EQ(Opened, QStringList{File("missing")});
    EXPECT_TRUE(Messages.isEmpty());
}

TEST_F(WindowTest, BrowseStartsInTheNamesFolderAndQuotesBlanks)
{
    const QString folder = Folder("out dir");
    QStringList starts;
    QString answer = folder + "/new thumbs.zip";
    MainWindow->ZipFile->BrowseDialog = [&](const QString& start) {
        starts << start;
        return answer;
    };
    MainWindow->ZipFile->SetText("\"" + folder + "/old.zip\"");
    QTest::mouseClick(MainWindow->ZipFile->BrowseButton(), Qt::LeftButton);
    ASSERT_EQ(starts.size(), 1);
    EXPECT_EQ(starts[0], folder);
    EXPECT_EQ(MainWindow->ZipFile->Text(), "\"" + folder + "/new thumbs.zip\"");
    EXPECT_EQ(MainWindow->ZipFileName(), (folder + "/new thumbs.zip").toStdString());

    answer = File("plain.zip");
    MainWindow->ZipFile->SetText(File("nowhere/x.zip"));
    QTest::mouseClick(MainWindow->ZipFile->BrowseButton(), Qt::LeftButton);
    EXPECT_EQ(starts.last(), "");   // the folder does not exist
    EXPECT_EQ(MainWindow->ZipFile->Text(), File("plain.zip"));

    answer.clear();   // cancel keeps the text
    QTest::mouseClick(MainWindow->ZipFile->BrowseButton(), Qt::LeftButton);
    EXPECT_EQ(MainWindow->ZipFile->Text(), File("plain.zip"));
}

TEST_F(WindowTest, UnhandledExceptionShowsTheMessageWithTheFullStopRule)
{
    // The window's own handler throws here: no entry has the focus.
    QTest::mouseDClick(MainWindow->FFileList->viewport(), Qt::LeftButton);
    Settle();
    ASSERT_EQ(Messages, QStringList{"List index out of bounds (-1)"});
    EXPECT_FALSE(PreviewWindow->isVisible());

    Messages.clear();
    App()->ShowException("Cannot open clipboard");
    App()->ShowException("Stream read error.");
    EXPECT_TRUE(Messages.isEmpty());   // shown from the loop, not from inside
    Settle();
    EXPECT_EQ(Messages, (QStringList{"Cannot open clipboard.", "Stream read error."}));
    // The program goes on: the window still answers.
    QTest::mouseClick(MainWindow->Frame, Qt::LeftButton);
    EXPECT_TRUE(MainWindow->square->isEnabled());
}

TEST_F(WindowTest, MessageShownWhileAnotherIsOpenWaitsForIt)
{
    QStringList order;
    App()->ShowMessage = [&](const QString& text, const QString&) {
        order << "open " + text;
        if (text == "first.")
            App()->ShowException("second");
        QCoreApplication::processEvents();   // a modal box runs a loop of its own
        order << "close " + text;
    };
    App()->ShowException("first");
    Settle();
    Settle();
    EXPECT_EQ(order, (QStringList{"open first.", "close first.", "open second.", "close second."}));
}

TEST_F(WindowTest, PressingGoMovesTheFocusSoTheSizeIsClampedFirst)
{
    MainWindow->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(MainWindow.get()));
    MainWindow->aSize->setFocus();
    MainWindow->aSize->SetText("");
    QTest::keyClicks(MainWindow->aSize, "5000");
    EXPECT_EQ(MainWindow->ReadSettings().MaxSize, 5000);   // read as typed while focused
    QTest::mouseClick(MainWindow->FGoButton, Qt::LeftButton);
    EXPECT_EQ(MainWindow->aSize->Text(), "600");
    EXPECT_EQ(MainWindow->ReadSettings().MaxSize, 600);
}

namespace {
class TThrowingObject : public QObject {
protected:
    bool event(QEvent* e) override
    {
        if (e->type() == QEvent::User)
            throw Exception("Thrown from a handler");
        return QObject::event(e);
    }
};
} // namespace

TEST_F(WindowTest, NotifyCatchesWhatLeavesAnyOtherHandler)
{
    TThrowingObject object;
    QEvent event(QEvent::User);
    EXPECT_TRUE(QCoreApplication::sendEvent(&object, &event));
    Settle();
    EXPECT_EQ(Messages, QStringList{"Thrown from a handler."});
}
