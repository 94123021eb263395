#pragma once
// A rectangle swatch: the fill is the frame background colour, the one-pixel
// outline the frame border colour.

#include "Bitmap.h"

#include <QWidget>

#include <functional>

class TShape : public QWidget {
    Q_OBJECT
public:
    explicit TShape(QWidget* parent = nullptr);

    TColor BrushColor() const { return FBrush; }
    TColor PenColor() const { return FPen; }
    void SetBrushColor(TColor color);
    void SetPenColor(TColor color);

    // A mouse button, or the one a key stands for: Space or Enter the left
    // (background), with Shift the right (border).
    std::function<void(Qt::MouseButton)> OnMouseDown;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    TColor FBrush = 0;
    TColor FPen = 0;
};

QColor QColorOf(TColor color);
TColor TColorOf(const QColor& color);
