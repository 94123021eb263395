#include "TShape.h"

#include <QMouseEvent>
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
}

void TShape::mousePressEvent(QMouseEvent* event)
{
    if (OnMouseDown)
        OnMouseDown(event->button());
    event->accept();
}
