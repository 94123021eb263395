// Settings kept between starts in a file of their own; Clear never.

#include "RememberedSettings.h"
#include "TFilenameEdit.h"
#include "TShape.h"
#include "TSpinEdit.h"
#include "WindowFixture.h"

#include <QCheckBox>
#include <QPushButton>
#include <QSettings>

class RememberedSettingsTest : public WindowTest {
protected:
    QString Store() const { return File("config/plinkavorte/plinkavorte.conf"); }
    // A second start: fresh windows, the settings loaded.
    void Restart()
    {
        MainWindow = std::make_unique<TMainWindow>();
        PreviewWindow = std::make_unique<TPreviewWindow>();
        MainWindow->SetPreviewWindow(PreviewWindow.get());
        TRememberedSettings(Store()).Load(*MainWindow, *PreviewWindow);
    }
    void WriteStore(const QByteArray& bytes) const
    {
        QDir().mkpath(File("config/plinkavorte"));
        QFile file(Store());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
    void ExpectDefaults() const
    {
        EXPECT_EQ(MainWindow->aSize->Text(), "200");
        EXPECT_EQ(MainWindow->aFramSize->Text(), "10");
        EXPECT_FALSE(MainWindow->Frame->isChecked());
        EXPECT_FALSE(MainWindow->square->isChecked());
        EXPECT_FALSE(MainWindow->IncSubs->isChecked());
        EXPECT_EQ(MainWindow->FColourSwatch->BrushColor(), 16053492);
        EXPECT_EQ(MainWindow->FColourSwatch->PenColor(), 10651742);
        EXPECT_EQ(MainWindow->ZipFile->Text(), "");
    }
};

TEST_F(RememberedSettingsTest, EverySettingButClearComesBack)
{
    MainWindow->aSize->SetText("700");   // out of range: kept as its bound
    MainWindow->aFramSize->SetValue(3);
    MainWindow->Frame->click();
    MainWindow->square->setChecked(true);
    MainWindow->IncSubs->setChecked(true);
    MainWindow->Clearit->setChecked(true);
    MainWindow->FColourSwatch->SetBrushColor(TColorOf(QColor(1, 2, 3)));
    MainWindow->FColourSwatch->SetPenColor(TColorOf(QColor(250, 251, 252)));
    MainWindow->ZipFile->SetText("\"/photos/my thumbs.zip\"");
    MainWindow->resize(640, 520);
    PreviewWindow->PlaceAt(QPoint(30, 40));
    ASSERT_TRUE(TRememberedSettings(Store()).Save(*MainWindow, *PreviewWindow));

    Restart();
    EXPECT_EQ(MainWindow->aSize->Text(), "600");
    EXPECT_EQ(MainWindow->aFramSize->Text(), "3");
    EXPECT_TRUE(MainWindow->Frame->isChecked());
    EXPECT_TRUE(MainWindow->square->isEnabled());
    EXPECT_TRUE(MainWindow->square->isChecked());
    EXPECT_TRUE(MainWindow->IncSubs->isChecked());
    EXPECT_FALSE(MainWindow->Clearit->isChecked());
    EXPECT_EQ(MainWindow->FColourSwatch->BrushColor(), TColorOf(QColor(1, 2, 3)));
    EXPECT_EQ(MainWindow->FColourSwatch->PenColor(), TColorOf(QColor(250, 251, 252)));
    EXPECT_EQ(MainWindow->ZipFile->Text(), "\"/photos/my thumbs.zip\"");
    EXPECT_TRUE(MainWindow->FOpenButton->isEnabled());
    EXPECT_EQ(MainWindow->size(), QSize(640, 520));
    EXPECT_TRUE(PreviewWindow->Placed());
    EXPECT_EQ(PreviewWindow->pos(), QPoint(30, 40));
    // Clear is not even in the file.
    EXPECT_FALSE(QSettings(Store(), QSettings::IniFormat).allKeys().join(' ').contains("clear", Qt::CaseInsensitive));
}

TEST_F(RememberedSettingsTest, BrokenOrForeignFilesAreIgnoredAndReplaced)
{
    const QByteArray broken[] = {
        QByteArray("\x00\xff\xfe garbage [[[ =\n\x01", 20),
        "[General]\nsize=abc\nframeWidth=99\nframe=yes\nbackground=red\nborder=#12345\narchive=@Variant(\\0\\0\\0\\x7f)\n",
        "[General]\nsize=-5\nsquare=1\npreview\\x=999999\npreview\\y=5\nwindow\\geometry=@ByteArray(nonsense)\n",
        "[other]\ncolour=blue\n",
    };
    for (const QByteArray& bytes : broken) {
        WriteStore(bytes);
        Restart();
        ExpectDefaults();
        EXPECT_FALSE(PreviewWindow->Placed());
        MainWindow->aSize->SetValue(321);
        ASSERT_TRUE(TRememberedSettings(Store()).Save(*MainWindow, *PreviewWindow));
        Restart();
        EXPECT_EQ(MainWindow->aSize->Text(), "321");
        EXPECT_FALSE(QSettings(Store(), QSettings::IniFormat).childGroups().contains("other"));
    }
}

TEST_F(RememberedSettingsTest, ForgetStartsFromTheDefaultsAndAFolderInTheWayIsNoCrash)
{
    MainWindow->aSize->SetValue(90);
    ASSERT_TRUE(TRememberedSettings(Store()).Save(*MainWindow, *PreviewWindow));
    TRememberedSettings(Store()).Forget();
    Restart();
    ExpectDefaults();

    // Where the file should be there is a folder: nothing loads, the save says it failed.
    QFile::remove(Store());
    QDir().mkpath(Store());
    Restart();
    ExpectDefaults();
    EXPECT_FALSE(TRememberedSettings(Store()).Save(*MainWindow, *PreviewWindow));
}

TEST(RememberedSettingsFile, LivesUnderTheConfigFolder)
{
    const QString file = TRememberedSettings::DefaultFile();
    EXPECT_TRUE(file.endsWith("/plinkavorte/plinkavorte.conf")) << file.toStdString();
}
