#include "Errors.h"
#include "THintWatcher.h"
#include "TListBox.h"
#include "TPanel.h"
#include "TShape.h"
#include "TSpinEdit.h"
#include "TFilenameEdit.h"
#include "WindowFixture.h"

#include <QCheckBox>
#include <QProgressBar>
#include <QPushButton>
#include <QToolButton>

TEST_F(WindowTest, StartsWithTheDefaults)
{
    EXPECT_EQ(Form1->windowTitle(), "Plinkavorte");
    EXPECT_FALSE(Form1->Button2->isEnabled());
    EXPECT_FALSE(Form1->square->isEnabled());
    EXPECT_FALSE(Form1->square->isChecked());
    for (QCheckBox* box : {Form1->IncSubs, Form1->Frame, Form1->Clearit})
        EXPECT_FALSE(box->isChecked());
    EXPECT_EQ(Form1->aSize->Value(), 200);
    EXPECT_EQ(Form1->aFramSize->Value(), 10);
    EXPECT_EQ(Form1->ListBox1->count(), 0);
    EXPECT_EQ(Form1->Panel1->Caption(), "");
    EXPECT_EQ(Form1->ProgressBar1->minimum(), 0);
    EXPECT_EQ(Form1->ProgressBar1->maximum(), 100);
    EXPECT_EQ(Form1->ProgressBar1->value(), 0);
    EXPECT_EQ(Form1->ZipFile->Text(), "");
    EXPECT_EQ(Form1->ListBox1->selectionMode(), QAbstractItemView::ExtendedSelection);

    const TThumbnailSettings settings = Form1->ReadSettings();
    EXPECT_EQ(settings.MaxSize, 200);
    EXPECT_FALSE(settings.Framed);
    EXPECT_EQ(settings.FrameWidth, 10);
    EXPECT_FALSE(settings.Square);
    EXPECT_EQ(settings.BackColor, 16053492);
    EXPECT_EQ(settings.BorderColor, 10651742);
}

TEST_F(WindowTest, GeometryAndMinimumSize)
{
    EXPECT_EQ(Form1->minimumSize(), QSize(497, 401));
    EXPECT_EQ(Form1->Panel2->height(), 145);
    EXPECT_EQ(Form1->aSize->geometry(), QRect(16, 13, 53, 26));
    EXPECT_EQ(Form1->Panel1->geometry(), QRect(5, 115, 477, 25));
    EXPECT_EQ(Form1->Button1->geometry(), QRect(403, 79, 64, 25));
    // The list fills what is left below the settings panel.
    EXPECT_EQ(Form1->ListBox1->y(), 5 + 145);
    EXPECT_GT(Form1->ListBox1->height(), 200);
    Form1->resize(800, 700);
    QCoreApplication::processEvents();
    EXPECT_EQ(Form1->ListBox1->width(), 800 - 10);
}

TEST_F(WindowTest, TabOrderFollowsTheTable)
{
    Form1->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(Form1.get()));
    QList<QWidget*> expected = {Form1->ListBox1, Form1->IncSubs, Form1->Button1, Form1->aSize,
                                Form1->Frame, Form1->aFramSize, Form1->square, Form1->ZipFile->Edit(),
                                Form1->Button2, Form1->Clearit, Form1->Button3, Form1->ListBox1};
    Form1->Frame->setChecked(true);   // square and Open take the focus only when enabled
    Form1->FrameClick();
    Form1->ZipFile->SetText("/x.zip");
    Form1->ListBox1->setFocus();
    QCoreApplication::processEvents();
    for (int i = 0; i < expected.size(); ++i) {
        QWidget* focus = QApplication::focusWidget();
        EXPECT_EQ(focus, expected[i]) << "step " << i << ": " << (focus ? focus->metaObject()->className() : "none");
        QTest::keyClick(focus, Qt::Key_Tab);
    }
}

TEST_F(WindowTest, HintsAreExactAndNeverToolTips)
{
    EXPECT_EQ(THintWatcher::HintOf(Form1->ListBox1), "Dragged files list - double-click to open view  window");
    EXPECT_EQ(THintWatcher::HintOf(Form1->ZipFile), "Select ZIP file ");
    EXPECT_EQ(THintWatcher::HintOf(Form1->ZipFile->Edit()), "Select ZIP file ");
    EXPECT_EQ(THintWatcher::HintOf(Form1->Shape1), "Frame colours - left button background - right button border");
    EXPECT_EQ(THintWatcher::HintOf(Form1->Button3), "STOP file processing");
    EXPECT_EQ(THintWatcher::HintOf(Form1->ProgressBar1), "");
    EXPECT_EQ(THintWatcher::HintOf(Form1->Panel1), "");
    EXPECT_EQ(THintWatcher::HintOf(Form1.get()), "");
    for (QWidget* w : Form1->findChildren<QWidget*>())
        EXPECT_TRUE(w->toolTip().isEmpty()) << w->metaObject()->className();
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
    enter(Form1->Button1);
    EXPECT_EQ(Form1->Panel1->Caption(), "Process file list");
    // Into the inner editor of the ZIP field: the field's own hint.
    enter(Form1->ZipFile->Edit());
    EXPECT_EQ(Form1->Panel1->Caption(), "Select ZIP file ");
    leave(Form1->ZipFile->Edit());
    EXPECT_EQ(Form1->Panel1->Caption(), "Select ZIP file ");
    leave(Form1->ZipFile);
    EXPECT_EQ(Form1->Panel1->Caption(), "");   // over the settings panel, no hint
    enter(Form1->ListBox1->viewport());
    EXPECT_EQ(Form1->Panel1->Caption(), "Dragged files list - double-click to open view  window");
    leave(Form1->ListBox1);
    leave(Form1.get());
    EXPECT_EQ(Form1->Panel1->Caption(), "");
}

TEST_F(WindowTest, HintLongFormIsTheTextAfterTheFirstBar)
{
    Form1->AppHint("short|long|rest");
    EXPECT_EQ(Form1->Panel1->Caption(), "long|rest");
    Form1->AppHint("no bar");
    EXPECT_EQ(Form1->Panel1->Caption(), "no bar");
}

TEST_F(WindowTest, FrameEnablesSquareAndKeepsItsTick)
{
    QTest::mouseClick(Form1->Frame, Qt::LeftButton);
    EXPECT_TRUE(Form1->Frame->isChecked());
    EXPECT_TRUE(Form1->square->isEnabled());
    QTest::mouseClick(Form1->square, Qt::LeftButton);
    ASSERT_TRUE(Form1->square->isChecked());
    QTest::mouseClick(Form1->Frame, Qt::LeftButton);
    EXPECT_FALSE(Form1->square->isEnabled());
    EXPECT_TRUE(Form1->square->isChecked());
    EXPECT_TRUE(Form1->ReadSettings().Square);   // counts again once framed
}

TEST_F(WindowTest, SwatchButtonsPickFillAndOutline)
{
    PickerAnswer = QColor(1, 2, 3);
    QTest::mouseClick(Form1->Shape1, Qt::LeftButton);
    ASSERT_EQ(PickerStarts.size(), 1);
    EXPECT_EQ(PickerStarts[0], QColor(244, 244, 244));
    EXPECT_EQ(Form1->ReadSettings().BackColor, 0x030201);
    EXPECT_EQ(Form1->ReadSettings().BorderColor, 10651742);

    PickerAnswer = QColor(10, 20, 30);
    QTest::mouseClick(Form1->Shape1, Qt::RightButton);
    EXPECT_EQ(PickerStarts.last(), QColor(94, 136, 162));
    EXPECT_EQ(Form1->ReadSettings().BorderColor, 0x1E140A);

    PickerAnswer = QColor(200, 100, 50);
    QTest::mouseClick(Form1->Shape1, Qt::MiddleButton);
    EXPECT_EQ(PickerStarts.last(), QColor(10, 20, 30));
    EXPECT_EQ(Form1->ReadSettings().BorderColor, 0x3264C8);

    PickerAnswer.reset();   // cancel
    QTest::mouseClick(Form1->Shape1, Qt::LeftButton);
    QTest::mouseClick(Form1->Shape1, Qt::RightButton);
    EXPECT_EQ(Form1->ReadSettings().BackColor, 0x030201);
    EXPECT_EQ(Form1->ReadSettings().BorderColor, 0x3264C8);
    EXPECT_EQ(PickerStarts.size(), 5);

    // The swatch paints what it holds.
    const QImage swatch = Form1->Shape1->grab().toImage();
    EXPECT_EQ(QColor(swatch.pixel(swatch.width() / 2, swatch.height() / 2)), QColor(1, 2, 3));
    EXPECT_EQ(QColor(swatch.pixel(0, swatch.height() / 2)), QColor(200, 100, 50));
}

TEST_F(WindowTest, OpenButtonFollowsTheZipFieldName)
{
    QTest::keyClicks(Form1->ZipFile->Edit(), "   ");
    EXPECT_FALSE(Form1->Button2->isEnabled());
    QTest::keyClicks(Form1->ZipFile->Edit(), "/");
    EXPECT_TRUE(Form1->Button2->isEnabled());
    Form1->ZipFile->SetText("");
    EXPECT_FALSE(Form1->Button2->isEnabled());
    Form1->ZipFile->SetText("\"\"");
    EXPECT_FALSE(Form1->Button2->isEnabled());

    Form1->ZipFile->SetText(File("missing name.zip"));
    QTest::mouseClick(Form1->Button2, Qt::LeftButton);
    Settle();
    EXPECT_EQ(Opened, QStringList{File("missing")});
    EXPECT_TRUE(Messages.isEmpty());
}

TEST_F(WindowTest, BrowseStartsInTheNamesFolderAndQuotesBlanks)
{
    const QString folder = Folder("out dir");
    QStringList starts;
    QString answer = folder + "/new thumbs.zip";
    Form1->ZipFile->BrowseDialog = [&](const QString& start) {
        starts << start;
        return answer;
    };
    Form1->ZipFile->SetText("\"" + folder + "/old.zip\"");
    QTest::mouseClick(Form1->ZipFile->BrowseButton(), Qt::LeftButton);
    ASSERT_EQ(starts.size(), 1);
    EXPECT_EQ(starts[0], folder);
    EXPECT_EQ(Form1->ZipFile->Text(), "\"" + folder + "/new thumbs.zip\"");
    EXPECT_EQ(Form1->ZipFileName(), (folder + "/new thumbs.zip").toStdString());

    answer = File("plain.zip");
    Form1->ZipFile->SetText(File("nowhere/x.zip"));
    QTest::mouseClick(Form1->ZipFile->BrowseButton(), Qt::LeftButton);
    EXPECT_EQ(starts.last(), "");   // the folder does not exist
    EXPECT_EQ(Form1->ZipFile->Text(), File("plain.zip"));

    answer.clear();   // cancel keeps the text
    QTest::mouseClick(Form1->ZipFile->BrowseButton(), Qt::LeftButton);
    EXPECT_EQ(Form1->ZipFile->Text(), File("plain.zip"));
}

TEST_F(WindowTest, UnhandledExceptionShowsTheMessageWithTheFullStopRule)
{
    // The window's own handler throws here: no entry has the focus.
    QTest::mouseDClick(Form1->ListBox1->viewport(), Qt::LeftButton);
    Settle();
    ASSERT_EQ(Messages, QStringList{"List index out of bounds (-1)"});
    EXPECT_FALSE(Form2->isVisible());

    Messages.clear();
    App()->ShowException("Cannot open clipboard");
    App()->ShowException("Stream read error.");
    EXPECT_TRUE(Messages.isEmpty());   // shown from the loop, not from inside
    Settle();
    EXPECT_EQ(Messages, (QStringList{"Cannot open clipboard.", "Stream read error."}));
    // The program goes on: the window still answers.
    QTest::mouseClick(Form1->Frame, Qt::LeftButton);
    EXPECT_TRUE(Form1->square->isEnabled());
}

TEST_F(WindowTest, MessageShownWhileAnotherIsOpenWaitsForIt)
{
    QStringList order;
    App()->ShowMessage = [&](const QString& text) {
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
    Form1->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(Form1.get()));
    Form1->aSize->setFocus();
    Form1->aSize->SetText("");
    QTest::keyClicks(Form1->aSize, "5000");
    EXPECT_EQ(Form1->ReadSettings().MaxSize, 5000);   // read as typed while focused
    QTest::mouseClick(Form1->Button1, Qt::LeftButton);
    EXPECT_EQ(Form1->aSize->Text(), "600");
    EXPECT_EQ(Form1->ReadSettings().MaxSize, 600);
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
