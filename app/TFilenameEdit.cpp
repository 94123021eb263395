#include "TFilenameEdit.h"

#include "FileSystem.h"
#include "TApplication.h"
#include "ZipFileName.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCompleter>
#include <QMouseEvent>
#include <QPointer>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QHBoxLayout>
#include <QMimeData>
#include <QToolButton>

namespace {

QString FirstLocalFile(const QMimeData* data)
{
    if (!data)
        return {};
    for (const QUrl& url : data->urls())
        if (url.isLocalFile())
            return url.toLocalFile();
    return {};
}

// The completer closes its list on a click outside it and swallows that
// click, and the toolkit then drops its release; this gives the control
// under the mouse the whole click, so GO runs on the first one.
class TClickThrough : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::MouseButtonPress || !watched->isWidgetType())
            return false;
        auto* popup = static_cast<QWidget*>(watched);
        const auto* press = static_cast<QMouseEvent*>(event);
        const QPoint global = press->globalPosition().toPoint();
        if (popup->rect().contains(popup->mapFromGlobal(global)))
            return false;
        popup->hide();
        QPointer<QWidget> target = QApplication::widgetAt(global);
        if (target && press->button() == Qt::LeftButton)
            // After this event: the click may start a whole run.
            QMetaObject::invokeMethod(target, [target, global] { Click(target, global); }, Qt::QueuedConnection);
        return true;
    }

private:
    static void Click(const QPointer<QWidget>& target, const QPoint& global)
    {
        const QPointF local(target->mapFromGlobal(global));
        QMouseEvent press(QEvent::MouseButtonPress, local, QPointF(global), Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(target, &press);
        // The press may have taken the control away.
        QMouseEvent release(QEvent::MouseButtonRelease, local, QPointF(global), Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
        if (target)
            QCoreApplication::sendEvent(target, &release);
    }
};

} // namespace

QString FieldTextFor(const QString& fileName)
{
    return QFile::decodeName(QByteArray::fromStdString(QuoteIfBlank(QFile::encodeName(fileName).toStdString())));
}

void TFileDropLineEdit::dragEnterEvent(QDragEnterEvent* event)
{
    if (!FirstLocalFile(event->mimeData()).isEmpty())
        event->acceptProposedAction();
    else
        QLineEdit::dragEnterEvent(event);
}

void TFileDropLineEdit::dragMoveEvent(QDragMoveEvent* event)
{
    if (!FirstLocalFile(event->mimeData()).isEmpty())
        event->acceptProposedAction();
    else
        QLineEdit::dragMoveEvent(event);
}

void TFileDropLineEdit::dropEvent(QDropEvent* event)
{
    const QString file = FirstLocalFile(event->mimeData());
    if (file.isEmpty()) {
        QLineEdit::dropEvent(event);
        return;
    }
    setText(FieldTextFor(file));
    event->acceptProposedAction();
}

TFilenameEdit::TFilenameEdit(QWidget* parent)
    : QWidget(parent), FEdit(new TFileDropLineEdit(this)), FBrowse(new QToolButton(this))
{
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(FEdit);
    layout->addWidget(FBrowse);
    FBrowse->setText("...");
    FBrowse->setFocusPolicy(Qt::NoFocus);
    setFocusProxy(FEdit);
    FEdit->setAcceptDrops(true);

    auto* model = new QFileSystemModel(this);
    model->setRootPath("/");
    auto* completer = new QCompleter(model, this);
    completer->setCompletionMode(QCompleter::PopupCompletion);
    FEdit->setCompleter(completer);
    // Installed after the completer's own filter, so it sees the click first.
    completer->popup()->setAttribute(Qt::WA_NoMouseReplay);
    completer->popup()->installEventFilter(new TClickThrough(completer));

    BrowseDialog = [this](const QString& start) { return ShowBrowseDialog(DialogOwner(this), start); };
    connect(FBrowse, &QToolButton::clicked, this, [this] { Guarded([this] { Browse(); }); });
    connect(FEdit, &QLineEdit::textChanged, this, &TFilenameEdit::TextChanged);
}

QString TFilenameEdit::Text() const
{
    return FEdit->text();
}

void TFilenameEdit::SetText(const QString& text)
{
    FEdit->setText(text);
}

std::string TFilenameEdit::FileName() const
{
    return ZipFileNameOf(QFile::encodeName(Text()).toStdString());
}

QString TFilenameEdit::StartFolder() const
{
    const QString name = QFile::decodeName(QByteArray::fromStdString(FileName()));
    if (name.isEmpty())
        return {};
    const QString folder = name.endsWith('/') ? name : QFileInfo(name).path();
    return QFileInfo(folder).isDir() ? folder : QString();
}

void TFilenameEdit::Browse()
{
    const QString picked = BrowseDialog ? BrowseDialog(StartFolder()) : QString();
    if (!picked.isEmpty())
        SetText(FieldTextFor(picked));
}

QString ShowBrowseDialog(QWidget* parent, const QString& startFolder)
{
    QFileDialog dialog(parent, TFilenameEdit::tr("Browse"), startFolder, TFilenameEdit::tr("ZIP files (*.zip)"));
    // The save-style chooser, as a new archive's name may be typed: the open
    // one of GTK and portal desktops takes only existing files. An existing
    // archive is added to, never overwritten, so nothing to confirm.
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    dialog.setDefaultSuffix("zip");
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().first();
}
