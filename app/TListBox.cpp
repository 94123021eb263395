#include "TListBox.h"

#include <QMouseEvent>

TListBox::TListBox(QWidget* parent) : QListWidget(parent)
{
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setSortingEnabled(false);
    setUniformItemSizes(true);
}

void TListBox::keyPressEvent(QKeyEvent* event)
{
    if (OnKeyDown)
        OnKeyDown(event);
    QListWidget::keyPressEvent(event);
}

void TListBox::mouseDoubleClickEvent(QMouseEvent* event)
{
    // The press before it has already moved the focus rectangle to the entry.
    QListWidget::mouseDoubleClickEvent(event);
    if (OnDblClick && event->button() == Qt::LeftButton)
        OnDblClick();
}
