// Writes a photo-like JPEG for the screenshot test: make_test_jpeg PATH W H

#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <cmath>
#include <cstdlib>

int main(int argc, char** argv)
{
    if (argc != 4)
        return 2;
    const int width = std::atoi(argv[2]);
    const int height = std::atoi(argv[3]);
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const int ripple = static_cast<int>(40 * std::sin(x * 0.05) * std::cos(y * 0.07));
            image.setPixel(x, y, qRgb(std::clamp(x * 255 / width + ripple, 0, 255), y * 255 / height,
                                      std::clamp(160 - ripple, 0, 255)));
        }
    return image.save(QString::fromLocal8Bit(argv[1]), "JPG", 90) ? 0 : 1;
}
