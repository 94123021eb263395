#pragma once
// The window as a batch run sees it: the controls it reads and sets, and
// the tally of what the run did: the pictures whose commit is on disk, the
// names the archive already held, the entry it is on (marked in the list).

#include "BatchRun.h"
#include "Errors.h"
#include "FileListEntry.h"
#include "MainWindow.h"
#include "StatusText.h"
#include "TListBox.h"

#include <QCoreApplication>
#include <QList>
#include <QPersistentModelIndex>
#include <QProgressBar>
#include <QCheckBox>

#include <set>
#include <string>

class TMainWindow::TBatchHost : public IBatchHost {
public:
    explicit TBatchHost(TMainWindow& form) : FWindow(form) {}

    void BeginRun()
    {
        FCount = FFinished = FSkippedFinished = 0;
        FSkipped.clear();
        FSkippedIndices.clear();
        FArchive.clear();
        FPath.clear();
    }
    // The current entry loses its mark, whatever ended the run.
    void EndRun() { Unmark(); }
    // The current picture's name was already in the archive.
    void NoteSkipped()
    {
        FSkipped.append(FCurrent);
        FSkippedIndices.insert(FCurrentIndex);
    }

    // Only pictures reported done count: those whose commit is on disk.
    TRunTally Tally() const { return {FCount, FFinished, FSkippedFinished}; }
    const QList<QPersistentModelIndex>& Skipped() const { return FSkipped; }
    const std::string& Archive() const { return FArchive; }
    const std::string& Path() const { return FPath; }

    std::string ArchiveName() override
    {
        FArchive = FWindow.ZipFileName();
        return FArchive;
    }
    bool ClearTicked() override { return FWindow.Clearit->isChecked(); }
    int ListCount() override { return FWindow.FFileList->count(); }
    std::string ListEntry(int index) override
    {
        FCurrentIndex = index;
        FPath = PeekEntry(index);
        Mark(index);
        FWindow.SetState(WorkingText(index + 1, FCount, BareName(FPath)));
        return FPath;
    }
    std::string PeekEntry(int index) override
    {
        if (index < 0 || index >= ListCount())
            throw ListIndexError(index);
        return FileListPath(*FWindow.FFileList->item(index));
    }
    TThumbnailSettings ReadSettings() override { return FWindow.ReadSettings(); }
    void SetCaption(const std::string& text) override { FWindow.setWindowTitle(CaptionText(text)); }
    void SetProgressMax(int max) override
    {
        FCount = max;
        FWindow.FProgressBar->setMaximum(max);
    }
    void SetProgressPosition(int position) override { FWindow.FProgressBar->setValue(position); }
    int ProgressPosition() override { return FWindow.FProgressBar->value(); }
    void ProcessMessages() override
    {
        QCoreApplication::processEvents();
        if (FWindow.AfterProcessMessages)
            FWindow.AfterProcessMessages();
    }
    // The workers make the thumbnails; this thread only adds them and stays
    // with the window meanwhile.
    void KeepResponsive() override { QCoreApplication::processEvents(); }
    void PictureDone(int index, const std::string&) override
    {
        ++FFinished;
        FSkippedFinished += FSkippedIndices.count(index) > 0 ? 1 : 0;
    }

private:
    void Mark(int index)
    {
        Unmark();
        QListWidgetItem* item = FWindow.FFileList->item(index);
        FCurrent = QPersistentModelIndex(FWindow.FFileList->model()->index(index, 0));
        QFont bold = FWindow.FFileList->font();
        bold.setBold(true);
        QColor shade = FWindow.FFileList->palette().color(QPalette::Highlight);
        shade.setAlpha(70);
        item->setData(Qt::FontRole, bold);
        item->setData(Qt::BackgroundRole, shade);
        FWindow.FFileList->scrollToItem(item);
    }
    void Unmark()
    {
        // Gone if the entry was removed meanwhile.
        if (FCurrent.isValid())
            if (QListWidgetItem* item = FWindow.FFileList->item(FCurrent.row())) {
                item->setData(Qt::FontRole, QVariant());
                item->setData(Qt::BackgroundRole, QVariant());
            }
        FCurrent = QPersistentModelIndex();
    }

    TMainWindow& FWindow;
    int FCount = 0;
    int FFinished = 0;
    int FSkippedFinished = 0;
    int FCurrentIndex = -1;
    std::set<int> FSkippedIndices;
    QPersistentModelIndex FCurrent;
    QList<QPersistentModelIndex> FSkipped;
    std::string FArchive;
    std::string FPath;
};

