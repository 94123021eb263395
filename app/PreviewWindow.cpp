#include "PreviewWindow.h"

#include "Bitmap.h"

#include <QKeyEvent>
#include <QPainter>
#include <QVBoxLayout>

#include <algorithm>
#include <cstring>

QImage ImageOf(const TBitmap& bitmap)
{
    if (bitmap.Empty() || bitmap.Width() <= 0 || bitmap.Height() <= 0)
        return {};
    const TBitmap* source = &bitmap;
    TBitmap converted;
    if (bitmap.PixelFormat() != TPixelFormat::pf24bit) {
        converted.Assign(bitmap);
        converted.SetPixelFormat(TPixelFormat::pf24bit);
        source = &converted;
    }
    QImage image(source->Width(), source->Height(), QImage::Format_BGR888);
    for (int32_t row = 0; row < source->Height(); ++row)
        std::memcpy(image.scanLine(row), source->ScanLine(row), static_cast<size_t>(source->Width()) * 3);
    return image;
}

QPoint CentredOver(const QRect& main, const QSize& own)
{
    const int left = main.left() + (main.width() - own.width()) / 2;
    const int top = main.top() + (main.height() - own.height()) / 2;
    return {std::max(left, 0), std::max(top, 0)};
}

TImage::TImage(QWidget* parent) : QWidget(parent)
{
}

void TImage::SetPicture(const QImage& picture)
{
    FPicture = picture;
    update();
}

QRect TImage::DrawRect() const
{
    if (FPicture.isNull())
        return {};
    const QSize area = (QSizeF(size()) * devicePixelRatioF()).toSize();
    QSize size = FPicture.size();
    if (size.width() > area.width() || size.height() > area.height())
        size.scale(area, Qt::KeepAspectRatio);
    return QRect(QPoint((area.width() - size.width()) / 2, (area.height() - size.height()) / 2), size);
}

void TImage::paintEvent(QPaintEvent*)
{
    if (FPicture.isNull())
        return;
    const QRect device = DrawRect();
    const qreal ratio = devicePixelRatioF();
    QPainter painter(this);
    // Smoothed only when shrunk to fit; at its own size every pixel lands on
    // one device pixel, on a scaled display too.
    if (device.size() != FPicture.size())
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(QRectF(QPointF(device.topLeft()) / ratio, QSizeF(device.size()) / ratio), FPicture);
}

TPreviewWindow::TPreviewWindow(QWidget* parent) : QWidget(parent, Qt::Window | Qt::WindowStaysOnTopHint), FImage(new TImage(this))
{
    setWindowTitle("Plinkavorte");
    setAttribute(Qt::WA_QuitOnClose, false);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(FImage);
    resize(298, 242);
}

void TPreviewWindow::PlaceAt(const QPoint& at)
{
    move(at);
    FPlaced = true;
}

void TPreviewWindow::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

void TPreviewWindow::ShowOver(const QWidget* mainWindow)
{
    if (!FPlaced && mainWindow) {
        // The frame is not known before the first showing; assume the main
        // window's decoration.
        const QRect outer = mainWindow->frameGeometry();
        const QSize decoration = outer.size() - mainWindow->size();
        move(CentredOver(outer, size() + decoration));
    }
    FPlaced = true;
    show();
    raise();
    activateWindow();
}
