#include "TListBox.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

TListBox::TListBox(QWidget* parent) : QListWidget(parent)
{
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setSortingEnabled(false);
    setUniformItemSizes(true);
}

void TListBox::keyPressEvent(QKeyEvent* event)
{
    // The menu at the current entry; accepted, so no second menu comes from the toolkit.
    if ((event->key() == Qt::Key_Menu && event->modifiers() == Qt::NoModifier) ||
        (event->key() == Qt::Key_F10 && event->modifiers() == Qt::ShiftModifier)) {
        event->accept();
        const QRect at = currentItem() ? visualItemRect(currentItem()) : QRect();
        emit customContextMenuRequested(at.isValid() ? at.center() : viewport()->rect().center());
        return;
    }
    if (OnKeyDown)
        OnKeyDown(event);
    // The view would put the current entry's text on the clipboard, over the
    // block the window's own Ctrl+C has just written.
    if (event->matches(QKeySequence::Copy)) {
        event->accept();
        return;
    }
    QListWidget::keyPressEvent(event);
}

void TListBox::mouseDoubleClickEvent(QMouseEvent* event)
{
    // The press before it has already moved the focus rectangle to the entry.
    QListWidget::mouseDoubleClickEvent(event);
    if (OnDblClick && event->button() == Qt::LeftButton)
        OnDblClick();
}

void TListBox::SetPlaceholder(const QString& text)
{
    FPlaceholder = text;
    viewport()->update();
}

void TListBox::paintEvent(QPaintEvent* event)
{
    QListWidget::paintEvent(event);
    if (count() > 0 || FPlaceholder.isEmpty())
        return;
    QPainter painter(viewport());
    painter.setPen(palette().color(QPalette::PlaceholderText));
    painter.drawText(viewport()->rect().adjusted(4, 4, -4, -4), Qt::AlignCenter | Qt::TextWordWrap, FPlaceholder);
}
