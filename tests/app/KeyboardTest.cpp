// The window without a mouse: the swatch's keys, mnemonics, Escape, Enter,
// and the accessible names and descriptions a screen reader reads.

#include "TFilenameEdit.h"
#include "StatusText.h"
#include "THintWatcher.h"
#include "TListBox.h"
#include "TPanel.h"
#include "TShape.h"
#include "TSpinEdit.h"
#include "WindowFixture.h"

#include <QAccessible>
#include <QCheckBox>
#include <QProgressBar>
#include <QPushButton>
#include <QToolButton>

TEST_F(WindowTest, SwatchKeysChooseBackgroundAndBorder)
{
    MainWindow->FColourSwatch->setFocus();
    PickerAnswer = QColor(10, 20, 30);
    QTest::keyClick(MainWindow->FColourSwatch, Qt::Key_Space);
    EXPECT_EQ(MainWindow->FColourSwatch->BrushColor(), TColorOf(QColor(10, 20, 30)));
    PickerAnswer = QColor(40, 50, 60);
    QTest::keyClick(MainWindow->FColourSwatch, Qt::Key_Return, Qt::ShiftModifier);
    EXPECT_EQ(MainWindow->FColourSwatch->PenColor(), TColorOf(QColor(40, 50, 60)));
    PickerAnswer = QColor(70, 80, 90);
    QTest::keyClick(MainWindow->FColourSwatch, Qt::Key_Space, Qt::ShiftModifier);
    QTest::keyClick(MainWindow->FColourSwatch, Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_EQ(MainWindow->FColourSwatch->PenColor(), TColorOf(QColor(70, 80, 90)));
    EXPECT_EQ(MainWindow->FColourSwatch->BrushColor(), TColorOf(QColor(70, 80, 90)));
    ASSERT_EQ(PickerStarts.size(), 4);
    EXPECT_EQ(PickerStarts[1], QColor(94, 136, 162));   // the border colour it started from
    // Other keys and Ctrl choose nothing.
    QTest::keyClick(MainWindow->FColourSwatch, Qt::Key_X);
    QTest::keyClick(MainWindow->FColourSwatch, Qt::Key_Space, Qt::ControlModifier);
    EXPECT_EQ(PickerStarts.size(), 4);
}

TEST_F(WindowTest, MnemonicsReachTheCaptionsControls)
{
    MainWindow->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(MainWindow.get()));
    MainWindow->FFileList->setFocus();
    // A mnemonic clicks as a button does, after its press shows.
    const auto press = [this](Qt::Key key, QAbstractButton* box) {
        QTest::keyClick(MainWindow.get(), key, Qt::AltModifier);
        return QTest::qWaitFor([box] { return box->isChecked(); }, 2000);
    };
    EXPECT_TRUE(press(Qt::Key_F, MainWindow->Frame));
    EXPECT_TRUE(MainWindow->square->isEnabled());   // as a click on Frame does
    EXPECT_TRUE(press(Qt::Key_S, MainWindow->square));
    EXPECT_TRUE(press(Qt::Key_I, MainWindow->IncSubs));
    EXPECT_TRUE(press(Qt::Key_C, MainWindow->Clearit));
    // Alt+G is GO: with no archive named it says so in the panel.
    QTest::keyClick(MainWindow.get(), Qt::Key_G, Qt::AltModifier);
    EXPECT_TRUE(QTest::qWaitFor([this] { return MainWindow->FStatusPanel->Caption() == NoArchiveNamedText(); }, 2000))
        << MainWindow->FStatusPanel->Caption().toStdString();
    // The captions read as before: the mnemonic only underlines a letter.
    for (QAbstractButton* button : std::initializer_list<QAbstractButton*>{
             MainWindow->Frame, MainWindow->square, MainWindow->IncSubs, MainWindow->Clearit, MainWindow->FGoButton,
             MainWindow->FOpenButton, MainWindow->FStopButton})
        EXPECT_TRUE(QStringList({"Frame", "Square", "Inc subs", "Clear", "GO", "Open", "STOP"})
                        .contains(QString(button->text()).remove('&')))
            << button->text().toStdString();
}

TEST_F(WindowTest, EscapeStopsARunAndClosesThePreview)
{
    for (int i = 0; i < 4; ++i)
        MainWindow->FFileList->addItem(Jpeg(QString("p%1.jpg").arg(i), 80, 60));
    MainWindow->ZipFile->SetText(File("out.zip"));
    int items = 0;
    MainWindow->AfterProcessMessages = [&] {
        if (++items == 1)
            QTest::keyClick(MainWindow->aSize, Qt::Key_Escape);
    };
    QTest::mouseClick(MainWindow->FGoButton, Qt::LeftButton);
    Settle();
    MainWindow->AfterProcessMessages = nullptr;
    EXPECT_FALSE(MainWindow->Running());
    EXPECT_TRUE(MainWindow->FStatusPanel->Caption().startsWith("Stopped after")) << MainWindow->FStatusPanel->Caption().toStdString();

    // Escape with no run going is harmless; on the preview it closes it.
    QTest::keyClick(MainWindow->aSize, Qt::Key_Escape);
    MainWindow->FFileList->setCurrentRow(0);
    MainWindow->FFileList->setFocus();
    QTest::keyClick(MainWindow->FFileList, Qt::Key_Return);
    ASSERT_TRUE(PreviewWindow->isVisible());
    EXPECT_EQ(PreviewWindow->windowTitle(), "p0.jpg");
    PreviewWindow->activateWindow();   // as a click on it does
    ASSERT_TRUE(QTest::qWaitForWindowActive(PreviewWindow.get()));
    QTest::keyClick(PreviewWindow.get(), Qt::Key_Escape);
    EXPECT_FALSE(PreviewWindow->isVisible());
    EXPECT_TRUE(MainWindow->isVisible());
}

TEST_F(WindowTest, EveryControlHasAnAccessibleNameAndItsHintAsDescription)
{
    const QList<std::pair<QWidget*, QString>> named = {
        {MainWindow->aSize, "Thumbnail size"},        {MainWindow->aFramSize, "Frame width"},
        {MainWindow->ZipFile->Edit(), "Archive file"}, {MainWindow->FColourSwatch, "Frame colours"},
        {MainWindow->FFileList, "Photos to process"}, {MainWindow->Frame, "Frame"},
        {MainWindow->square, "Square"},               {MainWindow->Clearit, "Clear"},
        {MainWindow->IncSubs, "Inc subs"},            {MainWindow->FGoButton, "GO"},
        {MainWindow->FOpenButton, "Open"},            {MainWindow->FStopButton, "STOP"},
        {MainWindow->FProgressBar, "Progress"},       {MainWindow->ZipFile->BrowseButton(), "Choose the archive file"}};
    for (const auto& [widget, name] : named) {
        QAccessibleInterface* face = QAccessible::queryAccessibleInterface(widget);
        ASSERT_NE(face, nullptr) << name.toStdString();
        EXPECT_EQ(face->text(QAccessible::Name), name);
        const QString hint = THintWatcher::HintOf(widget);
        if (widget != MainWindow->FProgressBar) {
            EXPECT_FALSE(hint.isEmpty()) << name.toStdString();
        }
        EXPECT_EQ(face->text(QAccessible::Description), hint) << name.toStdString();
    }
    EXPECT_EQ(QAccessible::queryAccessibleInterface(MainWindow.get())->role(), QAccessible::Window);
    EXPECT_EQ(QAccessible::queryAccessibleInterface(PreviewWindow.get())->role(), QAccessible::Window);
    EXPECT_EQ(QAccessible::queryAccessibleInterface(MainWindow->FColourSwatch)->role(), QAccessible::Button);
}
