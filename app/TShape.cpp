#include "TShape.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QStyle>
#include <QStyleOptionFocusRect>
#include <QPainter>

QColor QColorOf(TColor color)
{
    return QColor(color & 0xFF, (color >> 8) & 0xFF, (color >> 16) & 0xFF);
}

TColor TColorOf(const QColor& color)
{
    return static_cast<TColor>(color.red() | (color.green() << 8) | (color.blue() << 16));
}

TShape::TShape(QWidget* parent) : QWidget(parent)
{
}

void TShape::SetBrushColor(TColor color)
{
    FBrush = color;
    update();
}

void TShape::SetPenColor(TColor color)
{
    FPen = color;
    update();
}

void TShape::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), QColorOf(FBrush));
    painter.setPen(QColorOf(FPen));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
    if (hasFocus()) {
        QStyleOptionFocusRect option;
        option.initFrom(this);
        option.rect = rect().adjusted(2, 2, -2, -2);
        option.backgroundColor = QColorOf(FBrush);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter, this);
    }
}

void TShape::keyPressEvent(QKeyEvent* event)
{
    const int key = event->key();
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
    const bool chooses = key == Qt::Key_Space || key == Qt::Key_Return || key == Qt::Key_Enter;
    if (!chooses || (modifiers != Qt::NoModifier && modifiers != Qt::ShiftModifier)) {
        QWidget::keyPressEvent(event);
        return;
    }
    event->accept();
    if (OnMouseDown)
        OnMouseDown(modifiers == Qt::ShiftModifier ? Qt::RightButton : Qt::LeftButton);
}

void TShape::mousePressEvent(QMouseEvent* event)
{
    if (OnMouseDown)
        OnMouseDown(event->button());
    event->accept();
}
