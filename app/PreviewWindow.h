#pragma once
// The preview window: one picture, centred, shrunk to fit but never enlarged:
// one picture pixel per device pixel, so it shows the thumbnail's real size.

#include <QImage>
#include <QWidget>

class TBitmap;

// Draws its own copy of a picture centred; shrinks it keeping the aspect ratio
// when the area is smaller than the picture.
class TImage : public QWidget {
    Q_OBJECT
public:
    explicit TImage(QWidget* parent = nullptr);
    void SetPicture(const QImage& picture);
    const QImage& Picture() const { return FPicture; }
    // Where the picture is drawn inside the widget, in device pixels.
    QRect DrawRect() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage FPicture;
};

class TPreviewWindow : public QWidget {
    Q_OBJECT
public:
    explicit TPreviewWindow(QWidget* parent = nullptr);

    TImage* FImage;

    // Makes it visible and brings it forward; placed over the main window the
    // first time, then left where the user put it.
    void ShowOver(const QWidget* mainWindow);
    bool Placed() const { return FPlaced; }
    // Where a former session left it; the first showing keeps it there.
    void PlaceAt(const QPoint& at);

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    bool FPlaced = false;
};

// A deep copy of a bitmap as a 24-bit picture; an empty bitmap gives a null image.
QImage ImageOf(const TBitmap& bitmap);
// Top-left of a window of outer size own centred over the outer rect main; never negative.
QPoint CentredOver(const QRect& main, const QSize& own);
