// The Browse chooser as GNOME-like desktops show it: Qt hands it to GTK
// (QT_QPA_PLATFORMTHEME=gtk3), and xdotool types into it on the X server
// of xvfb-run, as a user would.

#include "TFilenameEdit.h"

#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <ostream>

// Readable failure output.
inline void PrintTo(const QString& text, std::ostream* os)
{
    *os << '"' << text.toStdString() << '"';
}

namespace {

struct TGtkRun {
    QString Picked;
    bool Native = false;
};

// Types the name and Enter into the chooser once it is on screen; cancels it
// if it is still open after that, so a chooser that refuses the name fails
// the test instead of hanging it.
TGtkRun ChooseInGtk(const QString& folder, const QString& typed)
{
    TGtkRun run;
    QProcess typist;
    // xdotool's type takes every word after it, so Enter is a second call,
    // after the name field's completion has settled.
    typist.start("sh", {"-c",
                        "xdotool search --sync --onlyvisible --name '^Browse$' windowfocus --sync sleep 0.5 "
                        "type --delay 40 \"$1\" && xdotool sleep 1 key Return",
                        "typist", typed});
    auto chooser = [] () -> QFileDialog* {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* dialog = qobject_cast<QFileDialog*>(w))
                return dialog;
        return nullptr;
    };
    QTimer::singleShot(300, [&] {
        // Qt's own chooser would have its widgets; the GTK one leaves it bare.
        if (QFileDialog* dialog = chooser())
            run.Native = dialog->findChildren<QLineEdit*>().isEmpty();
    });
    QTimer::singleShot(15000, [&] {
        // Escape first closes a question GTK may have put over the chooser.
        QProcess::execute("xdotool", {"key", "Escape"});
        if (QFileDialog* dialog = chooser())
            dialog->reject();
    });
    run.Picked = ShowBrowseDialog(nullptr, folder);
    typist.waitForFinished(5000);
    return run;
}

} // namespace

TEST(GtkBrowseDialog, SaveStyleChooserTakesANewName)
{
    ASSERT_EQ(QApplication::platformName(), "xcb");
    QTemporaryDir dir;
    const TGtkRun run = ChooseInGtk(dir.path(), "fresh");
    EXPECT_TRUE(run.Native);
    EXPECT_EQ(run.Picked, dir.filePath("fresh.zip"));
}

TEST(GtkBrowseDialog, ExistingArchiveIsTakenWithoutAnOverwriteQuestion)
{
    QTemporaryDir dir;
    QFile old(dir.filePath("old.zip"));
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.close();
    // A question would stand between Enter and the answer until the chooser is cancelled.
    const TGtkRun run = ChooseInGtk(dir.path(), "old.zip");
    EXPECT_EQ(run.Picked, old.fileName());
}
