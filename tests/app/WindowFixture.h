#pragma once
// A fresh main window and preview window per test, with the dialogs, the shell
// open and the message box replaced by recorders.

#include "TApplication.h"
#include "MainWindow.h"
#include "PreviewWindow.h"
#include "TListBox.h"

#include <QDir>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>
#include <ostream>

// Readable failure output.
inline void PrintTo(const QString& text, std::ostream* os)
{
    *os << '"' << text.toStdString() << '"';
}

class WindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        // For a look at what a test wrote: PLK_KEEP_TEST_FILES=1 keeps its folder.
        if (qEnvironmentVariableIsSet("PLK_KEEP_TEST_FILES"))
            Dir.setAutoRemove(false);
        App()->ShowMessage = [this](const QString& text, const QString& informative) {
            Messages << text;
            Informative << informative;
        };
        MainWindow = std::make_unique<TMainWindow>();
        PreviewWindow = std::make_unique<TPreviewWindow>();
        MainWindow->SetPreviewWindow(PreviewWindow.get());
        MainWindow->OpenDocument = [this](const QString& path) { Opened << path; };
        MainWindow->ColorPicker = [this](const QColor& initial) -> std::optional<QColor> {
            PickerStarts << initial;
            return PickerAnswer;
        };
        MainWindow->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(MainWindow.get()));
    }
    void TearDown() override
    {
        MainWindow.reset();
        PreviewWindow.reset();
        App()->ShowMessage = ShowCriticalMessage;
    }

    static TApplication* App() { return static_cast<TApplication*>(qApp); }

    // Lets queued calls (the message box among them) run.
    static void Settle() { QCoreApplication::processEvents(); QCoreApplication::processEvents(); }

    QString File(const QString& name) const { return Dir.filePath(name); }
    QString Touch(const QString& name) const
    {
        QFile file(File(name));
        file.open(QIODevice::WriteOnly);
        file.write("x");
        return file.fileName();
    }
    QString Folder(const QString& name) const
    {
        QDir().mkpath(File(name));
        return File(name);
    }
    QString Jpeg(const QString& name, int width, int height) const
    {
        QImage image(width, height, QImage::Format_RGB32);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                image.setPixel(x, y, qRgb(x * 255 / width, y * 255 / height, 128));
        const QString path = File(name);
        EXPECT_TRUE(image.save(path, "JPG", 90));
        return path;
    }
    QStringList ListEntries() const
    {
        QStringList entries;
        for (int i = 0; i < MainWindow->FFileList->count(); ++i)
            entries << MainWindow->FFileList->item(i)->text();
        return entries;
    }

    QTemporaryDir Dir;
    std::unique_ptr<TMainWindow> MainWindow;
    std::unique_ptr<TPreviewWindow> PreviewWindow;
    QStringList Messages;
    QStringList Informative;  // what each message box shows below its text
    QStringList Opened;
    QList<QColor> PickerStarts;
    std::optional<QColor> PickerAnswer;
};
