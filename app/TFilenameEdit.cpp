#include "TFilenameEdit.h"

#include "FileSystem.h"
#include "TApplication.h"
#include "ZipFileName.h"

#include <QCompleter>
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
    QFileDialog dialog(parent, "Browse", startFolder, "ZIP files (*.zip)");
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
