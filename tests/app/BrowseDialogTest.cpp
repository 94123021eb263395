#include "TFilenameEdit.h"
#include "WindowFixture.h"

#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QTimer>

namespace {

// Runs the Browse chooser as Qt draws it itself: types a name into it and
// presses Enter. A question over the chooser is recorded and answered No,
// and a chooser still open after that is cancelled.
struct TChooserRun {
    QString Picked;
    QStringList Questions;
    QFileDialog::AcceptMode Mode = QFileDialog::AcceptOpen;
};

TChooserRun Choose(const QString& folder, const QString& typed)
{
    TChooserRun run;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        run.Mode = dialog->acceptMode();
        auto* name = dialog->findChild<QLineEdit*>("fileNameEdit");
        ASSERT_NE(name, nullptr);
        name->setText(typed);
        QTest::keyClick(name, Qt::Key_Return);
    });
    QTimer guard;
    int ticks = 0;
    QObject::connect(&guard, &QTimer::timeout, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            run.Questions << box->text();
            box->reject();
        } else if (auto* dialog = qobject_cast<QFileDialog*>(modal); dialog && ++ticks > 40) {
            dialog->reject();
        }
    });
    guard.start(50);
    run.Picked = ShowBrowseDialog(nullptr, folder);
    return run;
}

} // namespace

TEST_F(WindowTest, BrowseNamesANewArchiveWithTheZipSuffix)
{
    const TChooserRun run = Choose(Dir.path(), "fresh");
    // The save-style chooser: on GTK and portal desktops the open one takes only existing files.
    EXPECT_EQ(run.Mode, QFileDialog::AcceptSave);
    EXPECT_EQ(run.Picked, File("fresh.zip"));
    EXPECT_TRUE(run.Questions.isEmpty()) << run.Questions.join(";").toStdString();
    EXPECT_FALSE(QFile::exists(File("fresh.zip")));   // naming it makes no file
}

TEST_F(WindowTest, BrowseTakesAnExistingArchiveWithoutAnOverwriteQuestion)
{
    const QString old = Touch("old.zip");
    const TChooserRun run = Choose(Dir.path(), "old.zip");
    EXPECT_EQ(run.Picked, old);
    // Thumbnails are added to it; nothing is overwritten.
    EXPECT_TRUE(run.Questions.isEmpty()) << run.Questions.join(";").toStdString();
    QFile file(old);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), "x");
}
