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

class QBoxLayout;
class QCheckBox;
class QFrame;
class QGridLayout;
class QKeyEvent;
class QMenu;
class QSpacerItem;
class QTimer;
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

    QFrame* FSettingsPanel;
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

    // Puts the window where saved geometry says, instead of centring it.
    bool RestorePlace(const QByteArray& geometry);

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

    // The list's context menu, built afresh with what applies now.
    QMenu* NewListMenu();
    // Files a file manager copied, or lines of absolute paths; taken as a drop is.
    void PasteFiles();
    bool CanPasteFiles() const;
    void AddPhotos();
    void AddFolder();
    void ShowAbout();
    // Renders the last previewed picture again, once the settings rest.
    void SettingChanged();
    int PreviewRenders() const { return FPreviewRenders; }

    // Replaceable for tests: the colour dialog (nullopt on cancel), the shell open.
    std::function<std::optional<QColor>(const QColor& initial)> ColorPicker;
    std::function<void(const QString& path)> OpenDocument;
    // The choosers of Add Photos and Add Folder; empty on cancel.
    std::function<QStringList()> PhotoChooser;
    std::function<QString()> FolderChooser;
    // Shows the About box's text; tests replace it.
    std::function<void(const QString& title, const QString& text)> AboutBox;
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
    void changeEvent(QEvent* event) override;

private:
    void CreateControls();
    void PlaceControls();
    // Sizes, gaps and the minimum size from the current font.
    void SizeFromFont();
    void PlaceFirstRow();
    double FontFactor() const;
    int Gap(int designPixels) const;
    void SetAccessibleNames();
    void CreateActions();
    // Makes the thumbnail of path with the current settings into the preview.
    void Preview(const std::string& path, const TThumbnailSettings& settings, bool bringForward);
    void RenderPreviewAgain();
    // A list key as the window's editing keys handle it.
    void ListKey(uint16_t key, unsigned shift);
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
    QGridLayout* FGrid = nullptr;
    QSpacerItem* FRowGaps[5] = {};
    QBoxLayout* FProgressRow = nullptr;
    QSpacerItem* FProgressGap = nullptr;
    QSpacerItem* FProgressRowEnd = nullptr;
    QSpacerItem* FZipRowEnd = nullptr;
    QAction* FAddPhotosAction = nullptr;
    std::optional<std::string> FPreviewPath;
    QTimer* FPreviewTimer = nullptr;
    int FPreviewRenders = 0;
    QString FDropNote;  // what the last drop said in the status panel
};

// Local file paths of a drop, in drop order; other URLs are left out.
std::vector<std::string> DroppedLocalFiles(const class QMimeData* data);
