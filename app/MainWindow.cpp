#include "MainWindow.h"

#include "ZipSession.h"
#include "BatchRun.h"
#include "Errors.h"
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

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QColorDialog>
#include <QDesktopServices>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QKeyEvent>
#include <QFile>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QUrl>
#include <QVBoxLayout>

#include <cstdio>

namespace {

constexpr int kClientWidth = 497;
constexpr int kClientHeight = 401;
constexpr int kItemHeight = 16;

Exception ListIndexError(int index)
{
    char message[64];
    std::snprintf(message, sizeof message, "List index out of bounds (%d)", index);
    return Exception(message);
}

std::string LocalName(const QString& text)
{
    return QFile::encodeName(text).toStdString();
}

QString DisplayName(const std::string& path)
{
    return QFile::decodeName(QByteArray::fromStdString(path));
}

} // namespace

std::vector<std::string> DroppedLocalFiles(const QMimeData* data)
{
    std::vector<std::string> paths;
    if (!data)
        return paths;
    for (const QUrl& url : data->urls())
        if (url.isLocalFile())
            paths.push_back(LocalName(url.toLocalFile()));
    return paths;
}

// The list and caption as the drop intake sees them.
class TForm1::TListAdapter : public IFileList {
public:
    explicit TListAdapter(TForm1& form) : FForm(form) {}

    bool IncludeSubfolders() override { return FForm.IncSubs->isChecked(); }
    void Append(const std::string& path) override
    {
        if (Count() >= FForm.ListCapacity)
            throw Exception("Unable to insert a line");
        auto* item = new QListWidgetItem(DisplayName(path));
        item->setSizeHint(QSize(0, kItemHeight));
        FForm.ListBox1->addItem(item);
    }
    int Count() override { return FForm.ListBox1->count(); }
    void SetCaption(const std::string& text) override { FForm.setWindowTitle(DisplayName(text)); }

private:
    TForm1& FForm;
};

// The controls as a batch run sees them.
class TForm1::TBatchHost : public IBatchHost {
public:
    explicit TBatchHost(TForm1& form) : FForm(form) {}

    std::string ArchiveName() override { return FForm.ZipFileName(); }
    bool ClearTicked() override { return FForm.Clearit->isChecked(); }
    int ListCount() override { return FForm.ListBox1->count(); }
    std::string ListEntry(int index) override
    {
        if (index < 0 || index >= ListCount())
            throw ListIndexError(index);
        return LocalName(FForm.ListBox1->item(index)->text());
    }
    TThumbnailSettings ReadSettings() override { return FForm.ReadSettings(); }
    void SetCaption(const std::string& text) override { FForm.setWindowTitle(DisplayName(text)); }
    void SetProgressMax(int max) override { FForm.ProgressBar1->setMaximum(max); }
    void SetProgressPosition(int position) override { FForm.ProgressBar1->setValue(position); }
    int ProgressPosition() override { return FForm.ProgressBar1->value(); }
    void ProcessMessages() override
    {
        QCoreApplication::processEvents();
        if (FForm.AfterProcessMessages)
            FForm.AfterProcessMessages();
    }

private:
    TForm1& FForm;
};

// The list as its editing keys see it.
class TForm1::TEditableList : public IEditableList {
public:
    explicit TEditableList(TForm1& form) : FForm(form) {}

    int Count() override { return FForm.ListBox1->count(); }
    std::string Entry(int i) override
    {
        if (i < 0 || i >= Count())
            throw ListIndexError(i);
        return LocalName(FForm.ListBox1->item(i)->text());
    }
    bool Selected(int i) override { return i >= 0 && i < Count() && FForm.ListBox1->item(i)->isSelected(); }
    void SelectAll() override { FForm.ListBox1->selectAll(); }
    void Remove(int i) override { delete FForm.ListBox1->takeItem(i); }
    void Append(const std::string& line) override { FForm.FList->Append(line); }
    void SetCaption(const std::string& text) override { FForm.FList->SetCaption(text); }

private:
    TForm1& FForm;
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

TForm1::TForm1(QWidget* parent)
    : QWidget(parent),
      Zipper1(std::make_unique<TZipper>()),
      FList(std::make_unique<TListAdapter>(*this)),
      FBatchHost(std::make_unique<TBatchHost>(*this)),
      FBatch(std::make_unique<TBatchRun>(*Zipper1)),
      FEditable(std::make_unique<TEditableList>(*this))
{
    ConfigureThumbnailZipper(*Zipper1);
    setWindowTitle("Plinkavorte");
    CreateControls();
    PlaceControls();
    SetHints();
    SetTabOrder();

    ColorPicker = [this](const QColor& initial) -> std::optional<QColor> {
        const QColor chosen = QColorDialog::getColor(initial, this);
        if (!chosen.isValid())
            return std::nullopt;
        return chosen;
    };
    OpenDocument = [](const QString& path) { QDesktopServices::openUrl(QUrl::fromLocalFile(path)); };

    FormCreate();
}

TForm1::~TForm1()
{
    if (FHintWatcher)
        qApp->removeEventFilter(FHintWatcher);
}

void TForm1::CreateControls()
{
    Panel2 = new TPanel(this);
    IncSubs = new QCheckBox("Inc subs", Panel2);
    ListBox1 = new TListBox(this);
    Button1 = new QPushButton("GO", Panel2);
    ProgressBar1 = new QProgressBar(Panel2);
    aSize = new TSpinEdit(50, 600, 200, Panel2);
    Frame = new QCheckBox("Frame", Panel2);
    aFramSize = new TSpinEdit(0, 20, 10, Panel2);
    Shape1 = new TShape(Panel2);
    square = new QCheckBox("Square", Panel2);
    ZipFile = new TFilenameEdit(Panel2);
    Button2 = new QPushButton("Open", Panel2);
    Clearit = new QCheckBox("Clear", Panel2);
    Panel1 = new TPanel(Panel2);
    Button3 = new QPushButton("STOP", Panel2);

    Panel2->setFrameStyle(QFrame::NoFrame);
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Panel1->setLineWidth(1);
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);
    ProgressBar1->setTextVisible(false);
    Shape1->SetBrushColor(16053492);
    Shape1->SetPenColor(10651742);
    square->setEnabled(false);
    Button2->setEnabled(false);
    for (QPushButton* button : {Button1, Button2, Button3})
        button->setAutoDefault(false);

    connect(Frame, &QCheckBox::clicked, this, [this] { Guarded([this] { FrameClick(); }); });
    Shape1->OnMouseDown = [this](Qt::MouseButton button) { Guarded([&] { Shape1MouseDown(button); }); };
    connect(ZipFile, &TFilenameEdit::TextChanged, this, [this] { Guarded([this] { ZipFileChange(); }); });
    connect(Button2, &QPushButton::clicked, this, [this] { Guarded([this] { Button2Click(); }); });
    connect(Button1, &QPushButton::clicked, this, [this] { Guarded([this] { Button1Click(); }); });
    connect(Button3, &QPushButton::clicked, this, [this] { Guarded([this] { Button3Click(); }); });
    ListBox1->OnDblClick = [this] { Guarded([this] { ListBox1DblClick(); }); };
    ListBox1->OnKeyDown = [this](QKeyEvent* event) { Guarded([&] { ListBox1KeyDown(event); }); };
}

void TForm1::PlaceControls()
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(5, 5, 5, 5);
    layout->setSpacing(0);
    layout->addWidget(Panel2);
    layout->addWidget(ListBox1, 1);
    Panel2->setFixedHeight(145);

    aSize->setGeometry(16, 13, 53, 26);
    aFramSize->setGeometry(75, 13, 44, 26);
    Frame->setGeometry(129, 16, 66, 17);
    square->setGeometry(193, 16, 66, 17);
    Shape1->setGeometry(272, 12, 49, 24);
    Clearit->setGeometry(334, 16, 59, 17);
    IncSubs->setGeometry(403, 16, 76, 17);
    ZipFile->setGeometry(16, 46, 370, 24);
    Button2->setGeometry(403, 44, 64, 25);
    ProgressBar1->setGeometry(16, 83, 289, 17);
    Button3->setGeometry(323, 79, 64, 25);
    Button1->setGeometry(403, 79, 64, 25);
    Panel1->setGeometry(5, 115, 477, 25);

    resize(kClientWidth, kClientHeight);
    setMinimumSize(kClientWidth, kClientHeight);
}

void TForm1::SetHints()
{
    THintWatcher::SetHint(Shape1, "Frame colours - left button background - right button border");
    THintWatcher::SetHint(IncSubs, "Include sub folders in file drop");
    THintWatcher::SetHint(Button1, "Process file list");
    THintWatcher::SetHint(aSize, "Set thumbnail max size in pixels");
    THintWatcher::SetHint(Frame, "Frame image");
    THintWatcher::SetHint(aFramSize, "Set frame size in pixels");
    THintWatcher::SetHint(square, "Set frame square");
    THintWatcher::SetHint(ZipFile, "Select ZIP file ");
    THintWatcher::SetHint(Button2, "Open ZIP archive");
    THintWatcher::SetHint(Clearit, "Replace existing archive items");
    THintWatcher::SetHint(Button3, "STOP file processing");
    THintWatcher::SetHint(ListBox1, "Dragged files list - double-click to open view  window");
}

void TForm1::SetTabOrder()
{
    Shape1->setFocusPolicy(Qt::NoFocus);
    ProgressBar1->setFocusPolicy(Qt::NoFocus);
    Panel1->setFocusPolicy(Qt::NoFocus);
    const QWidget* order[] = {ListBox1, IncSubs, Button1, aSize, Frame, aFramSize,
                              square, ZipFile->Edit(), Button2, Clearit, Button3};
    for (size_t i = 1; i < std::size(order); ++i)
        QWidget::setTabOrder(const_cast<QWidget*>(order[i - 1]), const_cast<QWidget*>(order[i]));
}

void TForm1::FormCreate()
{
    setAcceptDrops(true);
    FHintWatcher = new THintWatcher([this](const QString& hint) { AppHint(hint); }, this);
    qApp->installEventFilter(FHintWatcher);
    FClipboardBackend = std::make_unique<TQtClipboard>();
    FMyFormat = RegisterClipboardFormat("My format");
    FMyClipboard = std::make_unique<tMyClipboard>(*FClipboardBackend);
}

void TForm1::FormClose()
{
    FMyClipboard.reset();
}

void TForm1::ListBox1KeyDown(QKeyEvent* event)
{
    // After FormClose the clipboard object is gone; keys that still arrive
    // while a run winds down must not reach it.
    if (!FMyClipboard || FClosed)
        return;
    ::ListBox1KeyDown(*FEditable, *FMyClipboard, FMyFormat, VirtualKeyOf(event->key()), ShiftOf(event->modifiers()));
}

void TForm1::showEvent(QShowEvent* event)
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

void TForm1::closeEvent(QCloseEvent* event)
{
    if (!FClosed) {
        FClosed = true;
        FormClose();
    }
    // A run still going on ends after its current item, as with STOP; the
    // program ends once it has returned to the message loop.
    FBatch->Stop();
    setAcceptDrops(false);
    if (FForm2)
        FForm2->hide();
    event->accept();
}

void TForm1::Button1Click()
{
    if (FClosed)
        return;
    FBatch->Go(*FBatchHost);   // ignored while a run is going on
}

void TForm1::Button3Click()
{
    FBatch->Stop();
}

bool TForm1::Running() const
{
    return FBatch->Running();
}

void TForm1::FrameClick()
{
    square->setEnabled(Frame->isChecked());
}

void TForm1::Shape1MouseDown(Qt::MouseButton button)
{
    const bool fill = button == Qt::LeftButton;
    if (!fill && button != Qt::RightButton && button != Qt::MiddleButton)
        return;
    const TColor current = fill ? Shape1->BrushColor() : Shape1->PenColor();
    const std::optional<QColor> chosen = ColorPicker ? ColorPicker(QColorOf(current)) : std::nullopt;
    if (!chosen)
        return;
    if (fill)
        Shape1->SetBrushColor(TColorOf(*chosen));
    else
        Shape1->SetPenColor(TColorOf(*chosen));
}

void TForm1::ZipFileChange()
{
    Button2->setEnabled(!ZipFileName().empty());
}

void TForm1::Button2Click()
{
    if (OpenDocument)
        OpenDocument(DisplayName(ZipFileName()));
}

void TForm1::AppHint(const QString& hint)
{
    const int bar = hint.indexOf('|');
    Panel1->SetCaption(bar < 0 ? hint : hint.mid(bar + 1));
}

std::string TForm1::ZipFileName() const
{
    return ZipFile->FileName();
}

TThumbnailSettings TForm1::ReadSettings() const
{
    TThumbnailSettings settings;
    settings.MaxSize = aSize->Value();
    settings.Framed = Frame->isChecked();
    settings.FrameWidth = aFramSize->Value();
    settings.Square = square->isChecked();
    settings.BackColor = Shape1->BrushColor();
    settings.BorderColor = Shape1->PenColor();
    return settings;
}

void TForm1::ListBox1DblClick()
{
    const int index = ListBox1->ItemIndex();
    if (index < 0 || index >= ListBox1->count())
        throw ListIndexError(index);
    const std::string path = LocalName(ListBox1->item(index)->text());
    const TThumbnailSettings settings = ReadSettings();

    std::unique_ptr<TBitmap> slot;
    // Shown on every path, with whatever the slot holds at that moment.
    auto showSlot = [&] {
        if (FForm2) {
            FForm2->ShowOver(this);
            FForm2->Image1->SetPicture(slot ? ImageOf(*slot) : QImage());
        }
        slot.reset();
    };
    try {
        RenderPreviewBitmap(path, settings, slot);
    } catch (...) {
        showSlot();
        throw;
    }
    showSlot();
}

void TForm1::DropPaths(const std::vector<std::string>& paths)
{
    WMDropFiles(*FList, paths);
}

void TForm1::dragEnterEvent(QDragEnterEvent* event)
{
    if (!DroppedLocalFiles(event->mimeData()).empty())
        event->acceptProposedAction();
}

void TForm1::dragMoveEvent(QDragMoveEvent* event)
{
    if (!DroppedLocalFiles(event->mimeData()).empty())
        event->acceptProposedAction();
}

void TForm1::dropEvent(QDropEvent* event)
{
    if (FClosed)
        return;
    const std::vector<std::string> paths = DroppedLocalFiles(event->mimeData());
    if (paths.empty())
        return;
    event->acceptProposedAction();
    Guarded([&] { DropPaths(paths); });
}
