#pragma once
// A file-name field with a browse button, completion from the file system,
// and a file dropped onto it taken as its text.

#include <QLineEdit>
#include <QWidget>

#include <functional>

class QToolButton;

// The text part; a drop of files writes the first one's name.
class TFileDropLineEdit : public QLineEdit {
    Q_OBJECT
public:
    using QLineEdit::QLineEdit;

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
};

class TFilenameEdit : public QWidget {
    Q_OBJECT
public:
    explicit TFilenameEdit(QWidget* parent = nullptr);

    QString Text() const;
    void SetText(const QString& text);
    // The archive name the text stands for, computed afresh.
    std::string FileName() const;

    QLineEdit* Edit() const { return FEdit; }
    QToolButton* BrowseButton() const { return FBrowse; }

    // Returns the picked name, or an empty text on cancel. Tests replace it.
    std::function<QString(const QString& startFolder)> BrowseDialog;

    void Browse();

signals:
    void TextChanged(const QString& text);

private:
    QString StartFolder() const;

    TFileDropLineEdit* FEdit;
    QToolButton* FBrowse;
};

// Writes a picked or dropped name so that its first word is the whole name.
QString FieldTextFor(const QString& fileName);
QString ShowBrowseDialog(QWidget* parent, const QString& startFolder);
