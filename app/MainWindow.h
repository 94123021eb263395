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
class tMyClipboard;
class TBatchRun;
class QPushButton;
class QProgressBar;
class TFilenameEdit;
class TForm2;
class THintWatcher;
class TListBox;
class TPanel;
class TShape;
class TSpinEdit;

class TForm1 : public QWidget {
    Q_OBJECT
public:
    explicit TForm1(QWidget* parent = nullptr);
    ~TForm1() override;

    TPanel* Panel2;
    QCheckBox* IncSubs;
    TListBox* ListBox1;
    QPushButton* Button1;
    QProgressBar* ProgressBar1;
    TSpinEdit* aSize;
    QCheckBox* Frame;
    TSpinEdit* aFramSize;
    TShape* Shape1;
    QCheckBox* square;
    TFilenameEdit* ZipFile;
    QPushButton* Button2;
    QCheckBox* Clearit;
    TPanel* Panel1;
    QPushButton* Button3;
    std::unique_ptr<TZipper> Zipper1;

    // The preview window the program entry created.
    void SetPreviewWindow(TForm2* form) { FForm2 = form; }

    // Handlers.
    void FrameClick();
    void Shape1MouseDown(Qt::MouseButton button);
    void ZipFileChange();
    void Button2Click();
    void AppHint(const QString& hint);
    void ListBox1DblClick();
    void DropPaths(const std::vector<std::string>& paths);
    void ListBox1KeyDown(QKeyEvent* event);
    void Button1Click();
    void Button3Click();
    bool Running() const;

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
    uint16_t FMyFormat = 0;
    std::unique_ptr<tMyClipboard> FMyClipboard;
    // Set once the window was closed; a run still going on then ends after its item.
    bool FClosed = false;
    THintWatcher* FHintWatcher = nullptr;
    TForm2* FForm2 = nullptr;
    bool FCentred = false;
};

// Local file paths of a drop, in drop order; other URLs are left out.
std::vector<std::string> DroppedLocalFiles(const class QMimeData* data);
