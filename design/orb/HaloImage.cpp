#include "design/orb/HaloImage.h"

#include <QPainter>
#include <algorithm>
#include <cmath>
#include <vector>

namespace keldra {

namespace {

// One box blur along rows (stride 1) or columns (stride = width) with a running sum.
void boxBlur(std::vector<float>& data, int width, int height, int radius, bool rows) {
    if (radius < 1)
        return;
    const int lines = rows ? height : width;
    const int length = rows ? width : height;
    const int step = rows ? 1 : width;
    std::vector<float> line(static_cast<size_t>(length));
    const float scale = 1.0f / static_cast<float>(2 * radius + 1);
    for (int l = 0; l < lines; ++l) {
        const int start = rows ? l * width : l;
        for (int i = 0; i < length; ++i)
            line[static_cast<size_t>(i)] = data[static_cast<size_t>(start + i * step)];
        float sum = 0;
        for (int i = -radius; i <= radius; ++i)
            sum += line[static_cast<size_t>(std::clamp(i, 0, length - 1))];
        for (int i = 0; i < length; ++i) {
            data[static_cast<size_t>(start + i * step)] = sum * scale;
            const int add = std::min(i + radius + 1, length - 1);
            const int drop = std::max(i - radius, 0);
            sum += line[static_cast<size_t>(add)] - line[static_cast<size_t>(drop)];
        }
    }
}

} // namespace

double haloReach(double blurRadius) {
    return 3 * blurRadius;
}

QImage haloImage(double diameter, double blurRadius, const QColor& color, double dpr) {
    const double logicalSide = diameter + 2 * haloReach(blurRadius);
    const int side = std::max(1, static_cast<int>(std::ceil(logicalSide * dpr)));
    QImage mask(side, side, QImage::Format_Alpha8);
    mask.fill(0);
    {
        QPainter p(&mask);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::black);
        const double r = diameter * dpr / 2;
        p.drawEllipse(QPointF(side / 2.0, side / 2.0), r, r);
    }
    std::vector<float> alpha(static_cast<size_t>(side) * static_cast<size_t>(side));
    for (int y = 0; y < side; ++y) {
        const uchar* row = mask.constScanLine(y);
        for (int x = 0; x < side; ++x)
            alpha[static_cast<size_t>(y * side + x)] = row[x] / 255.0f;
    }
    // Three box passes approximate a Gaussian with sigma = blurRadius.
    const double sigma = blurRadius * dpr;
    const int box = std::max(0, static_cast<int>(std::round((std::sqrt(4 * sigma * sigma + 1) - 1) / 2)));
    for (int pass = 0; pass < 3; ++pass) {
        boxBlur(alpha, side, side, box, true);
        boxBlur(alpha, side, side, box, false);
    }

    QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
    const double base = color.alphaF();
    for (int y = 0; y < side; ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < side; ++x) {
            const double a = std::clamp(alpha[static_cast<size_t>(y * side + x)] * base, 0.0, 1.0);
            row[x] = qPremultiply(
                qRgba(color.red(), color.green(), color.blue(), static_cast<int>(a * 255 + 0.5)));
        }
    }
    image.setDevicePixelRatio(dpr);
    return image;
}

} // namespace keldra
