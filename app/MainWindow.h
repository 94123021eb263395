#pragma once
// The main window: every setting of a thumbnail run, the file list, the
// archive component and the private clipboard object.

#include "Bitmap.h"
#include "DropIntake.h"
#include "ThumbnailRecipe.h"

#include <QColor>
#include <QWidget>

#include <functional>
#include <limits>
#include <memory>
#include <optional>

class QCheckBox;
class QKeyEvent;
class TZipper;
class TQtClipboard;
class TListClipboard;
class TBatchRun;
class QPushButton;
class QProgressBar;
class TFilenameEdit;
class TPreviewWindow;
class THintWatcher;
class TListBox;
class TPanel;
class TShape;
class TShellOpen;
class TSpinEdit;

class TMainWindow : public QWidget {
    Q_OBJECT
public:
    explicit TMainWindow(QWidget* parent = nullptr);
    ~TMainWindow() override;

    TPanel* FSettingsPanel;
    QCheckBox* IncSubs;
    TListBox* FFileList;
    QPushButton* FGoButton;
    QProgressBar* FProgressBar;
    TSpinEdit* aSize;
    QCheckBox* Frame;
    TSpinEdit* aFramSize;
    TShape* FColourSwatch;
    QCheckBox* square;
    TFilenameEdit* ZipFile;
    QPushButton* FOpenButton;
    QCheckBox* Clearit;
    TPanel* FStatusPanel;
    QPushButton* FStopButton;
    std::unique_ptr<TZipper> FZipper;

    // The preview window the program entry created.
    void SetPreviewWindow(TPreviewWindow* form) { FPreviewWindow = form; }

    // Handlers.
    void FrameClick();
    void SwatchMouseDown(Qt::MouseButton button);
    void ZipFileChange();
    void OpenClick();
    void AppHint(const QString& hint);
    // The window's latest state, shown while no control under the mouse has a hint.
    void SetState(const QString& text);
    QString State() const { return FState; }
    void FileListDblClick();
    void DropPaths(const std::vector<std::string>& paths);
    void FileListKeyDown(QKeyEvent* event);
    void GoClick();
    void StopClick();
    bool Running() const;

    // During a run a size field still being typed into counts at the value
    // it held before the edit began, and every size inside its range.
    TThumbnailSettings ReadSettings() const;
    std::string ZipFileName() const;

    // Replaceable for tests: the colour dialog (nullopt on cancel), the shell open.
    std::function<std::optional<QColor>(const QColor& initial)> ColorPicker;
    std::function<void(const QString& path)> OpenDocument;
    // How many lines the list can take.
    int ListCapacity = std::numeric_limits<int>::max();
    // Runs after the waiting messages are handled between two items of a run.
    std::function<void()> AfterProcessMessages;

    THintWatcher* HintWatcher() const { return FHintWatcher; }

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void CreateControls();
    void PlaceControls();
    void SetHints();
    void SetTabOrder();
    // Selects the entry a run failed at and brings it into view.
    void ShowFailedEntry(int index);
    void ReportRunEnd();
    void ReportRunFailure();
    void SelectSkippedEntries();
    // GO and STOP as a run begins or ends.
    void ShowRunning(bool running);
    void FormCreate();
    void FormClose();

    class TListAdapter;
    class TBatchHost;
    class TEditableList;
    std::unique_ptr<TListAdapter> FList;
    std::unique_ptr<TBatchHost> FBatchHost;
    std::unique_ptr<TBatchRun> FBatch;
    std::unique_ptr<TEditableList> FEditable;
    std::unique_ptr<TQtClipboard> FClipboardBackend;
    uint16_t FListFormat = 0;
    std::unique_ptr<TListClipboard> FListClipboard;
    // Set once the window was closed; a run still going on then ends after its item.
    bool FClosed = false;
    THintWatcher* FHintWatcher = nullptr;
    TPreviewWindow* FPreviewWindow = nullptr;
    bool FCentred = false;
    QString FState;
    TShellOpen* FShellOpen = nullptr;
};

// Local file paths of a drop, in drop order; other URLs are left out.
std::vector<std::string> DroppedLocalFiles(const class QMimeData* data);
