#pragma once
// The multi-select file list; its key and double-click handlers are the window's.

#include <QListWidget>

#include <functional>

class TListBox : public QListWidget {
    Q_OBJECT
public:
    explicit TListBox(QWidget* parent = nullptr);

    // Runs before the list's own handling of the key.
    std::function<void(QKeyEvent*)> OnKeyDown;
    std::function<void()> OnDblClick;

    // The entry with the focus rectangle, -1 when there is none.
    int ItemIndex() const { return currentRow(); }

    // Shown in the middle of the list while it is empty.
    void SetPlaceholder(const QString& text);
    QString Placeholder() const { return FPlaceholder; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    QString FPlaceholder;
};
