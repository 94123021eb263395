#include "MainWindow.h"

#include "ZipSession.h"
#include "FileSystem.h"
#include "ShellOpen.h"
#include "ArchiveErrors.h"
#include "StatusText.h"
#include "WindowBatchHost.h"
#include "BatchRun.h"
#include "Processors.h"
#include "Errors.h"
#include "FileListEntry.h"
#include "ListEditing.h"
#include "QtClipboard.h"
#include "TApplication.h"
#include "ListClipboard.h"
#include "ZipperSetup.h"
#include "TFilenameEdit.h"
#include "THintWatcher.h"
#include "TListBox.h"
#include "TPanel.h"
#include "TShape.h"
#include "TSpinEdit.h"
#include "PreviewWindow.h"

#include "AboutText.h"
#include "PastedFiles.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QColorDialog>
#include <QDesktopServices>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QClipboard>
#include <QFileDialog>
#include <QKeyEvent>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QPersistentModelIndex>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QTimer>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

#include <algorithm>
#include <cstdio>

namespace {

// Long enough for the keys of a typed number, short enough to feel immediate.
constexpr int kPreviewSettleMs = 250;

} // namespace

std::vector<std::string> DroppedLocalFiles(const QMimeData* data)
{
    std::vector<std::string> paths;
    if (!data)
        return paths;
    for (const QUrl& url : data->urls())
        if (url.isLocalFile())
            paths.push_back(LocalPathOfUrl(url));
    return paths;
}

// The list and caption as the drop intake sees them.
class TMainWindow::TListAdapter : public IFileList {
public:
    explicit TListAdapter(TMainWindow& form) : FWindow(form) {}

    bool IncludeSubfolders() override { return FWindow.IncSubs->isChecked(); }
    void Append(const std::string& path) override
    {
        if (Count() >= FWindow.ListCapacity)
            throw Exception("Unable to insert a line");
        FWindow.FFileList->addItem(NewFileListItem(path));
    }
    int Count() override { return FWindow.FFileList->count(); }
    void SetCaption(const std::string& text) override { FWindow.setWindowTitle(CaptionText(text)); }
    void FolderUnreadable(const std::string&, int) override { ++UnreadableFolders; }

    int UnreadableFolders = 0;  // in the drop under way

private:
    TMainWindow& FWindow;
};

// The list as its editing keys see it.
class TMainWindow::TEditableList : public IEditableList {
public:
    explicit TEditableList(TMainWindow& form) : FWindow(form) {}

    int Count() override { return FWindow.FFileList->count(); }
    std::string Entry(int i) override
    {
        if (i < 0 || i >= Count())
            throw ListIndexError(i);
        return FileListPath(*FWindow.FFileList->item(i));
    }
    bool Selected(int i) override { return i >= 0 && i < Count() && FWindow.FFileList->item(i)->isSelected(); }
    void SelectAll() override { FWindow.FFileList->selectAll(); }
    void Remove(int i) override { delete FWindow.FFileList->takeItem(i); }
    void Append(const std::string& line) override { FWindow.FList->Append(line); }
    void SetCaption(const std::string& text) override { FWindow.FList->SetCaption(text); }

private:
    TMainWindow& FWindow;
};

// The key as a Windows virtual key code: letters and digits are their
// upper-case character, the rest that the list keys use mapped one by one.
uint16_t VirtualKeyOf(int key)
{
    if ((key >= Qt::Key_A && key <= Qt::Key_Z) || (key >= Qt::Key_0 && key <= Qt::Key_9))
        return static_cast<uint16_t>(key);
    if (key == Qt::Key_Delete)
        return VK_DELETE;
    return 0;
}

// As the standard shortcuts match: a key that produced no Latin letter (a
// Cyrillic or Greek layout) still counts as the Latin key in its place.
uint16_t VirtualKeyOf(const QKeyEvent& event)
{
    if (const uint16_t key = VirtualKeyOf(event.key()))
        return key;
    const quint32 native = event.nativeVirtualKey();
    if (native >= 'a' && native <= 'z')   // an X keysym
        return static_cast<uint16_t>(native - 'a' + 'A');
    if (native >= 'A' && native <= 'Z')
        return static_cast<uint16_t>(native);
    return 0;
}

unsigned ShiftOf(Qt::KeyboardModifiers modifiers)
{
    unsigned shift = 0;
    if (modifiers & Qt::ShiftModifier)
        shift |= ssShift;
    if (modifiers & Qt::AltModifier)
        shift |= ssAlt;
    if (modifiers & Qt::ControlModifier)
        shift |= ssCtrl;
    return shift;
}

TMainWindow::TMainWindow(QWidget* parent)
    : QWidget(parent),
      FZipper(std::make_unique<TZipper>()),
      FList(std::make_unique<TListAdapter>(*this)),
      FBatchHost(std::make_unique<TBatchHost>(*this)),
      FBatch(std::make_unique<TBatchRun>(*FZipper, OnlineProcessorCount(), true)),
      FEditable(std::make_unique<TEditableList>(*this))
{
    ConfigureThumbnailZipper(*FZipper);
    // The session declines a name the archive already holds; the run goes on.
    FZipper->OnProcessItemFailure = [this](TZipper&, TArchiveItem*, TProcessType, TErrorClass, int32_t code) {
        if (code == ErrDuplicateName)
            FBatchHost->NoteSkipped();
    };
    setWindowTitle("Plinkavorte");
    CreateControls();
    PlaceControls();
    SetHints();
    SetTabOrder();
    SetAccessibleNames();
    CreateActions();

    ColorPicker = [this](const QColor& initial) -> std::optional<QColor> {
        const QColor chosen = QColorDialog::getColor(initial, DialogOwner(this));
        if (!chosen.isValid())
            return std::nullopt;
        return chosen;
    };
    FShellOpen = new TShellOpen(this);
    FShellOpen->OnFailed = [this](const QString& path) { SetState(NothingOpensText(path)); };
    OpenDocument = [this](const QString& path) { FShellOpen->Open(path); };

    FormCreate();
}

TMainWindow::~TMainWindow()
{
    if (FHintWatcher)
        qApp->removeEventFilter(FHintWatcher);
    // Children still signal while QWidget's destructor takes them down (a field
    // losing the focus sets its text); by then this is no longer a TMainWindow.
    for (QObject* child : findChildren<QObject*>())
        child->disconnect(this);
}

void TMainWindow::CreateControls()
{
    FSettingsPanel = new QFrame(this);
    // Mnemonics on a letter of the caption itself, so the caption reads as before.
    IncSubs = new QCheckBox(tr("&Inc subs"), FSettingsPanel);
    FFileList = new TListBox(this);
    FGoButton = new QPushButton(tr("&GO"), FSettingsPanel);
    FProgressBar = new QProgressBar(FSettingsPanel);
    aSize = new TSpinEdit(50, 600, 200, FSettingsPanel);
    Frame = new QCheckBox(tr("&Frame"), FSettingsPanel);
    aFramSize = new TSpinEdit(0, 20, 10, FSettingsPanel);
    FColourSwatch = new TShape(FSettingsPanel);
    square = new QCheckBox(tr("&Square"), FSettingsPanel);
    ZipFile = new TFilenameEdit(FSettingsPanel);
    FOpenButton = new QPushButton(tr("&Open"), FSettingsPanel);
    Clearit = new QCheckBox(tr("&Clear"), FSettingsPanel);
    FStatusPanel = new TPanel(FSettingsPanel);
    FStopButton = new QPushButton(tr("S&TOP"), FSettingsPanel);

    FSettingsPanel->setFrameStyle(QFrame::NoFrame);
    FStatusPanel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    FStatusPanel->setLineWidth(1);
    FProgressBar->setRange(0, 100);
    FProgressBar->setValue(0);
    FProgressBar->setTextVisible(false);
    FColourSwatch->SetBrushColor(16053492);
    FColourSwatch->SetPenColor(10651742);
    square->setEnabled(false);
    FOpenButton->setEnabled(false);
    FStopButton->setEnabled(false);
    for (QPushButton* button : {FGoButton, FOpenButton, FStopButton})
        button->setAutoDefault(false);

    connect(Frame, &QCheckBox::clicked, this, [this] { Guarded([this] { FrameClick(); }); });
    FColourSwatch->OnMouseDown = [this](Qt::MouseButton button) { Guarded([&] { SwatchMouseDown(button); }); };
    FFileList->SetPlaceholder(tr("Drop photos or folders here"));
    FFileList->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(FFileList, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        Guarded([&] {
            QMenu* menu = NewListMenu();
            menu->setAttribute(Qt::WA_DeleteOnClose);
            menu->popup(FFileList->viewport()->mapToGlobal(at));
        });
    });
    FPreviewTimer = new QTimer(this);
    FPreviewTimer->setSingleShot(true);
    FPreviewTimer->setInterval(kPreviewSettleMs);
    connect(FPreviewTimer, &QTimer::timeout, this, [this] { Guarded([this] { RenderPreviewAgain(); }); });
    for (TSpinEdit* field : {aSize, aFramSize})
        connect(field, &TSpinEdit::TextChanged, this, [this] { SettingChanged(); });
    for (QCheckBox* box : {Frame, square})
        connect(box, &QCheckBox::toggled, this, [this] { SettingChanged(); });
    connect(ZipFile, &TFilenameEdit::TextChanged, this, [this] { Guarded([this] { ZipFileChange(); }); });
    connect(FOpenButton, &QPushButton::clicked, this, [this] { Guarded([this] { OpenClick(); }); });
    connect(FGoButton, &QPushButton::clicked, this, [this] { Guarded([this] { GoClick(); }); });
    connect(FStopButton, &QPushButton::clicked, this, [this] { Guarded([this] { StopClick(); }); });
    FFileList->OnDblClick = [this] { Guarded([this] { FileListDblClick(); }); };
    FFileList->OnKeyDown = [this](QKeyEvent* event) { Guarded([&] { FileListKeyDown(event); }); };
}

void TMainWindow::SetHints()
{
    THintWatcher::SetHint(FColourSwatch, tr("Frame colours - left button background - right button border"
                                            " - keys Space background, Shift+Space border"));
    THintWatcher::SetHint(IncSubs, tr("Include sub folders in file drop"));
    THintWatcher::SetHint(FGoButton, tr("Process file list"));
    THintWatcher::SetHint(aSize, tr("Set thumbnail max size in pixels"));
    THintWatcher::SetHint(Frame, tr("Frame image"));
    THintWatcher::SetHint(aFramSize, tr("Set frame size in pixels"));
    THintWatcher::SetHint(square, tr("Set frame square"));
    THintWatcher::SetHint(ZipFile, tr("Select ZIP file "));
    THintWatcher::SetHint(FOpenButton, tr("Open ZIP archive"));
    THintWatcher::SetHint(Clearit, tr("Replace existing archive items"));
    THintWatcher::SetHint(FStopButton, tr("STOP file processing"));
    THintWatcher::SetHint(FFileList, tr("Dragged files list - double-click to open view  window"));
}

void TMainWindow::SetTabOrder()
{
    // As the rows read: the settings, the ZIP row, the list, then the run's row.
    FColourSwatch->setFocusPolicy(Qt::StrongFocus);
    ZipFile->BrowseButton()->setFocusPolicy(Qt::StrongFocus);
    // Reached by Tab only, so a screen reader can read how far a run got.
    FProgressBar->setFocusPolicy(Qt::TabFocus);
    FStatusPanel->setFocusPolicy(Qt::NoFocus);
    QWidget* const order[] = {aSize,           aFramSize,   Frame,     square,        FColourSwatch,
                              Clearit,         IncSubs,     ZipFile->Edit(), ZipFile->BrowseButton(),
                              FOpenButton,     FFileList,   FProgressBar,    FStopButton, FGoButton};
    for (size_t i = 1; i < std::size(order); ++i)
        QWidget::setTabOrder(order[i - 1], order[i]);
}

void TMainWindow::SetAccessibleNames()
{
    setAccessibleName(QStringLiteral("Plinkavorte"));
    aSize->setAccessibleName(tr("Thumbnail size"));
    aFramSize->setAccessibleName(tr("Frame width"));
    ZipFile->setAccessibleName(tr("Archive file"));
    ZipFile->Edit()->setAccessibleName(tr("Archive file"));
    ZipFile->BrowseButton()->setAccessibleName(tr("Choose the archive file"));
    FColourSwatch->setAccessibleName(tr("Frame colours"));
    FFileList->setAccessibleName(tr("Photos to process"));
    FProgressBar->setAccessibleName(tr("Progress"));
    FStatusPanel->setAccessibleName(tr("Status"));
    FSettingsPanel->setAccessibleName(tr("Settings"));
    // The hint is what a control does; a screen reader reads it as the description.
    for (QWidget* w : findChildren<QWidget*>()) {
        const QString hint = w->property("hint").toString();
        if (!hint.isEmpty())
            w->setAccessibleDescription(hint);
    }
    ZipFile->Edit()->setAccessibleDescription(THintWatcher::HintOf(ZipFile));
    ZipFile->BrowseButton()->setAccessibleDescription(THintWatcher::HintOf(ZipFile));
}

void TMainWindow::FormCreate()
{
    setAcceptDrops(true);
    FHintWatcher = new THintWatcher(this, [this](const QString& hint) { AppHint(hint); });
    qApp->installEventFilter(FHintWatcher);
    FClipboardBackend = std::make_unique<TQtClipboard>();
    FListFormat = RegisterClipboardFormat("My format");
    FListClipboard = std::make_unique<TListClipboard>(*FClipboardBackend);
}

void TMainWindow::FormClose()
{
    FListClipboard.reset();
}

void TMainWindow::FileListKeyDown(QKeyEvent* event)
{
    // After FormClose the clipboard object is gone; keys that still arrive
    // while a run winds down must not reach it.
    if (!FListClipboard || FClosed)
        return;
    const int key = event->key();
    if ((key == Qt::Key_Return || key == Qt::Key_Enter) && !(event->modifiers() & ~Qt::KeypadModifier)) {
        FileListDblClick();
        return;
    }
    ListKey(VirtualKeyOf(*event), ShiftOf(event->modifiers()));
}

void TMainWindow::ListKey(uint16_t key, unsigned shift)
{
    if (!FListClipboard || FClosed)
        return;
    // The list's own entries first; files from a file manager only without them.
    if (key == VK_V && (shift & ssCtrl) && !FListClipboard->HasFormat(FListFormat))
        PasteFiles();
    ::FileListKeyDown(*FEditable, *FListClipboard, FListFormat, key, shift);
}

void TMainWindow::CreateActions()
{
    FAddPhotosAction = new QAction(tr("Add &Photos…"), this);
    FAddPhotosAction->setShortcut(QKeySequence::Open);
    connect(FAddPhotosAction, &QAction::triggered, this, [this] { Guarded([this] { AddPhotos(); }); });
    addAction(FAddPhotosAction);
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, this, [this] {
        if (Running())
            StopClick();
    });

    PhotoChooser = [this] {
        return QFileDialog::getOpenFileNames(DialogOwner(this), tr("Add Photos"), QString(),
                                             tr("Pictures") + " (" + PictureFilterPatterns() + ")");
    };
    FolderChooser = [this] { return QFileDialog::getExistingDirectory(DialogOwner(this), tr("Add Folder")); };
    AboutBox = [this](const QString& title, const QString& text) {
        QMessageBox box(QMessageBox::NoIcon, title, text, QMessageBox::Ok, DialogOwner(this));
        box.setIconPixmap(windowIcon().pixmap(64, 64));
        box.setTextFormat(Qt::RichText);
        box.exec();
    };
}

QMenu* TMainWindow::NewListMenu()
{
    auto* menu = new QMenu(this);
    menu->addAction(FAddPhotosAction);
    menu->addAction(tr("Add &Folder…"), this, [this] { Guarded([this] { AddFolder(); }); });
    menu->addSeparator();
    auto add = [&](const QString& text, const QKeySequence& keys, bool enabled, std::function<void()> run) {
        QAction* action = menu->addAction(text, this, [run] { Guarded(run); });
        action->setShortcut(keys);
        // The list's own keys do the work; the entry only names them.
        action->setShortcutContext(Qt::WidgetShortcut);
        action->setEnabled(enabled);
        return action;
    };
    const bool any = FFileList->count() > 0;
    const bool selected = !FFileList->selectedItems().isEmpty();
    const bool current = FFileList->ItemIndex() >= 0 && FFileList->ItemIndex() < FFileList->count();
    const bool paste = FListClipboard && (FListClipboard->HasFormat(FListFormat) || CanPasteFiles());
    add(tr("&Paste"), QKeySequence::Paste, paste, [this] { ListKey(VK_V, ssCtrl); });
    add(tr("Select &All"), QKeySequence::SelectAll, any, [this] { ListKey(VK_A, ssCtrl); });
    add(tr("&Remove"), QKeySequence::Delete, selected, [this] { ListKey(VK_DELETE, ssCtrl); });
    add(tr("Pre&view"), QKeySequence(Qt::Key_Return), current, [this] { FileListDblClick(); });
    menu->addSeparator();
    menu->addAction(tr("A&bout Plinkavorte"), this, [this] { Guarded([this] { ShowAbout(); }); });
    return menu;
}

bool TMainWindow::CanPasteFiles() const
{
    return !PastedPaths(QGuiApplication::clipboard()->mimeData()).empty();
}

void TMainWindow::PasteFiles()
{
    const std::vector<std::string> paths = PastedPaths(QGuiApplication::clipboard()->mimeData());
    if (!paths.empty())
        DropPaths(paths);
}

void TMainWindow::AddPhotos()
{
    std::vector<std::string> paths;
    for (const QString& file : PhotoChooser ? PhotoChooser() : QStringList())
        paths.push_back(QFile::encodeName(file).toStdString());
    if (!paths.empty())
        DropPaths(paths);
}

void TMainWindow::AddFolder()
{
    const QString folder = FolderChooser ? FolderChooser() : QString();
    if (!folder.isEmpty())
        DropPaths({QFile::encodeName(folder).toStdString()});
}

void TMainWindow::ShowAbout()
{
    if (AboutBox)
        AboutBox(tr("About Plinkavorte"), AboutText());
}

bool TMainWindow::RestorePlace(const QByteArray& geometry)
{
    if (!restoreGeometry(geometry))
        return false;
    FCentred = true;
    return true;
}

void TMainWindow::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange)
        SizeFromFont();
}

void TMainWindow::showEvent(QShowEvent* event)
{
    if (!FCentred) {
        FCentred = true;
        if (const QScreen* screen = QGuiApplication::primaryScreen()) {
            QRect frame = frameGeometry();
            frame.moveCenter(screen->availableGeometry().center());
            move(frame.topLeft());
        }
    }
    QWidget::showEvent(event);
}

void TMainWindow::closeEvent(QCloseEvent* event)
{
    if (!FClosed) {
        FClosed = true;
        FormClose();
    }
    // A run still going on ends after its current item, as with STOP; the
    // program ends once it has returned to the message loop.
    FBatch->Stop();
    setAcceptDrops(false);
    if (FPreviewWindow)
        FPreviewWindow->hide();
    event->accept();
}

void TMainWindow::GoClick()
{
    // Reached between two items too: a run is never started inside another.
    if (FClosed || Running())
        return;
    if (ZipFileName().empty()) {
        ZipFile->setFocus(Qt::OtherFocusReason);
        SetState(NoArchiveNamedText());
        return;
    }
    if (FFileList->count() == 0) {
        SetState(EmptyListText());
        return;
    }
    ShowRunning(true);
    FBatchHost->BeginRun();
    try {
        FBatch->Go(*FBatchHost);
    } catch (...) {
        FBatchHost->EndRun();
        ShowRunning(false);
        ReportRunFailure();
        return;
    }
    FBatchHost->EndRun();
    ShowRunning(false);
    ReportRunEnd();
}

void TMainWindow::ShowRunning(bool running)
{
    // A button that loses its focus by being disabled would hand it to the
    // next control in the tab order, a size field.
    const bool goFocused = FGoButton->hasFocus();
    const bool stopFocused = FStopButton->hasFocus();
    if (goFocused || stopFocused)
        FGoButton->window()->setFocus(Qt::OtherFocusReason);
    FGoButton->setEnabled(!running);
    FStopButton->setEnabled(running);
    if (!running && (goFocused || stopFocused))
        FGoButton->setFocus(Qt::OtherFocusReason);
}

void TMainWindow::ReportRunEnd()
{
    const TRunTally tally = FBatchHost->Tally();
    SetState(tally.Finished < tally.Count ? StoppedText(tally) : DoneText(tally));
    SelectSkippedEntries();
}

void TMainWindow::SelectSkippedEntries()
{
    const QList<QPersistentModelIndex>& skipped = FBatchHost->Skipped();
    if (skipped.isEmpty())
        return;
    QItemSelection selection;
    for (const QPersistentModelIndex& index : skipped)
        if (index.isValid())
            selection.select(index, index);
    if (selection.isEmpty())
        return;
    QItemSelectionModel* model = FFileList->selectionModel();
    model->setCurrentIndex(selection.first().topLeft(), QItemSelectionModel::NoUpdate);
    model->select(selection, QItemSelectionModel::ClearAndSelect);
    FFileList->scrollTo(selection.first().topLeft());
}

// The message box names the file the failure concerns below its message;
// only a picture's own failure selects its entry.
void TMainWindow::ReportRunFailure()
{
    const int failedIndex = FBatch->FailedIndex();
    const TRunTally tally = FBatchHost->Tally();
    QString detail;
    switch (FBatch->Failure()) {
    case TRunFailure::rfPicture:
        detail = DisplayName(FBatchHost->Path());
        SetState(PictureFailedText(tally, failedIndex + 1, BareName(FBatchHost->Path())));
        ShowFailedEntry(failedIndex);
        break;
    case TRunFailure::rfArchive:
        detail = DisplayName(FBatchHost->Archive());
        SetState(ArchiveFailedText(tally, BareName(FBatchHost->Archive())));
        break;
    default:
        SetState(RunFailedText(tally, failedIndex + 1));
        break;
    }
    ShowCurrentException(detail);
}

void TMainWindow::ShowFailedEntry(int index)
{
    // The list may have been edited during the run; then there is nothing to point at.
    QListWidgetItem* item = FFileList->item(index);
    if (!item)
        return;
    FFileList->setCurrentItem(item, QItemSelectionModel::ClearAndSelect);
    FFileList->scrollToItem(item);
}

void TMainWindow::StopClick()
{
    FBatch->Stop();
}

bool TMainWindow::Running() const
{
    return FBatch->Running();
}

void TMainWindow::FrameClick()
{
    square->setEnabled(Frame->isChecked());
}

void TMainWindow::SwatchMouseDown(Qt::MouseButton button)
{
    const bool fill = button == Qt::LeftButton;
    if (!fill && button != Qt::RightButton && button != Qt::MiddleButton)
        return;
    const TColor current = fill ? FColourSwatch->BrushColor() : FColourSwatch->PenColor();
    const std::optional<QColor> chosen = ColorPicker ? ColorPicker(QColorOf(current)) : std::nullopt;
    if (!chosen)
        return;
    if (fill)
        FColourSwatch->SetBrushColor(TColorOf(*chosen));
    else
        FColourSwatch->SetPenColor(TColorOf(*chosen));
    SettingChanged();
}

void TMainWindow::ZipFileChange()
{
    FOpenButton->setEnabled(!ZipFileName().empty());
}

void TMainWindow::OpenClick()
{
    const std::string name = ZipFileName();
    if (!FileExists(name)) {
        SetState(NoArchiveYetText(DisplayName(name)));
        return;
    }
    if (OpenDocument)
        OpenDocument(DisplayName(name));
}

void TMainWindow::AppHint(const QString& hint)
{
    const int bar = hint.indexOf('|');
    const QString text = bar < 0 ? hint : hint.mid(bar + 1);
    FStatusPanel->SetCaption(text.isEmpty() ? FState : text);
}

void TMainWindow::SetState(const QString& text)
{
    FState = text;
    if (!FHintWatcher || FHintWatcher->CurrentHint().isEmpty())
        FStatusPanel->SetCaption(text);
}

std::string TMainWindow::ZipFileName() const
{
    return ZipFile->FileName();
}

TThumbnailSettings TMainWindow::ReadSettings() const
{
    TThumbnailSettings settings;
    const bool running = Running();
    settings.MaxSize = running ? aSize->SettledValue() : aSize->Value();
    settings.Framed = Frame->isChecked();
    settings.FrameWidth = running ? aFramSize->SettledValue() : aFramSize->Value();
    settings.Square = square->isChecked();
    settings.BackColor = FColourSwatch->BrushColor();
    settings.BorderColor = FColourSwatch->PenColor();
    return settings;
}

void TMainWindow::FileListDblClick()
{
    const int index = FFileList->ItemIndex();
    if (index < 0 || index >= FFileList->count())
        throw ListIndexError(index);
    const std::string path = FileListPath(*FFileList->item(index));
    FPreviewTimer->stop();
    Preview(path, ReadSettings(), true);
}

void TMainWindow::Preview(const std::string& path, const TThumbnailSettings& settings, bool bringForward)
{
    FPreviewPath = path;
    ++FPreviewRenders;
    std::unique_ptr<TBitmap> slot;
    // Shown on every path, with whatever the slot holds at that moment.
    auto showSlot = [&] {
        if (FPreviewWindow) {
            FPreviewWindow->setWindowTitle(BareName(path));
            if (bringForward)
                FPreviewWindow->ShowOver(this);
            FPreviewWindow->FImage->SetPicture(slot ? ImageOf(*slot) : QImage());
        }
        slot.reset();
    };
    try {
        RenderPreviewBitmap(path, settings, slot);
    } catch (...) {
        showSlot();
        ShowCurrentException(DisplayName(path));
        return;
    }
    showSlot();
}

void TMainWindow::SettingChanged()
{
    if (FPreviewPath && FPreviewWindow && FPreviewWindow->isVisible())
        FPreviewTimer->start();
}

void TMainWindow::RenderPreviewAgain()
{
    if (!FPreviewPath || !FPreviewWindow || !FPreviewWindow->isVisible())
        return;
    // Sizes half typed may lie outside their range: the nearest bound stands in.
    TThumbnailSettings settings = ReadSettings();
    settings.MaxSize = std::clamp(settings.MaxSize, aSize->MinValue(), aSize->MaxValue());
    settings.FrameWidth = std::clamp(settings.FrameWidth, aFramSize->MinValue(), aFramSize->MaxValue());
    // Not brought forward: the focus stays where the user is typing.
    Preview(*FPreviewPath, settings, false);
}

void TMainWindow::DropPaths(const std::vector<std::string>& paths)
{
    FList->UnreadableFolders = 0;
    WMDropFiles(*FList, paths);
    const int unreadable = FList->UnreadableFolders;
    // The note of an earlier drop goes with the next one, unless something else was said since.
    const QString note = unreadable > 0 ? UnreadableFoldersText(unreadable) : QString();
    if (!note.isEmpty() || (!FDropNote.isEmpty() && FState == FDropNote))
        SetState(note);
    FDropNote = note;
}

void TMainWindow::dragEnterEvent(QDragEnterEvent* event)
{
    if (!DroppedLocalFiles(event->mimeData()).empty())
        event->acceptProposedAction();
}

void TMainWindow::dragMoveEvent(QDragMoveEvent* event)
{
    if (!DroppedLocalFiles(event->mimeData()).empty())
        event->acceptProposedAction();
}

void TMainWindow::dropEvent(QDropEvent* event)
{
    if (FClosed)
        return;
    const std::vector<std::string> paths = DroppedLocalFiles(event->mimeData());
    if (paths.empty())
        return;
    event->acceptProposedAction();
    Guarded([&] { DropPaths(paths); });
}
