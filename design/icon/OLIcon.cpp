#include "design/icon/OLIcon.h"

#include "design/log/WarnOnce.h"

#include <QFile>
#include <QImage>
#include <QLoggingCategory>
#include <QPainter>
#include <QPixmapCache>
#include <QSvgRenderer>
#include <cmath>
#include <mutex>

// Resources of a static library must be registered by hand, outside any namespace.
static void registerIconResources() {
    static std::once_flag once;
    std::call_once(once, [] { Q_INIT_RESOURCE(keldra_icons); });
}

namespace keldra {
namespace {

Q_LOGGING_CATEGORY(iconLog, "keldra.design.icon")

QString resourcePath(const QString& name) {
    return QStringLiteral(":/keldra/icons/%1.svg").arg(name);
}

void warnUnknownOnce(const QString& name) {
    warnOnce(iconLog(), name, QStringLiteral("No icon named \"%1\"").arg(name));
}

} // namespace

bool olIconExists(const QString& name) {
    registerIconResources();
    return QFile::exists(resourcePath(name));
}

QPixmap olIconPixmap(const QString& name, double size, const QColor& tint, double devicePixelRatio) {
    if (size <= 0)
        return {};
    if (!olIconExists(name)) {
        warnUnknownOnce(name);
        return {};
    }
    const QString key = QStringLiteral("keldra-icon:%1:%2:%3:%4")
                            .arg(name)
                            .arg(size)
                            .arg(tint.name(QColor::HexArgb))
                            .arg(devicePixelRatio);
    QPixmap cached;
    if (QPixmapCache::find(key, &cached))
        return cached;

    QSvgRenderer renderer(resourcePath(name));
    const int side = static_cast<int>(std::ceil(size * devicePixelRatio));
    QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        QSizeF art = renderer.viewBoxF().size();
        if (art.isEmpty())
            art = QSizeF(renderer.defaultSize());
        art.scale(side, side, Qt::KeepAspectRatio);
        const QRectF target((side - art.width()) / 2, (side - art.height()) / 2, art.width(), art.height());
        renderer.render(&painter, target);
        // Template rendering: the artwork's shape, the context's colour.
        painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
        painter.fillRect(image.rect(), tint);
    }
    image.setDevicePixelRatio(devicePixelRatio);
    QPixmap pixmap = QPixmap::fromImage(std::move(image));
    QPixmapCache::insert(key, pixmap);
    return pixmap;
}

void olDrawIcon(QPainter& painter, const QRectF& rect, const QString& name, const QColor& tint) {
    const double side = std::min(rect.width(), rect.height());
    const double ratio = painter.device() ? painter.device()->devicePixelRatioF() : 1.0;
    const QPixmap pixmap = olIconPixmap(name, side, tint, ratio);
    if (pixmap.isNull())
        return;
    const QRectF target(rect.center().x() - side / 2, rect.center().y() - side / 2, side, side);
    painter.drawPixmap(target, pixmap, QRectF(QPointF(0, 0), QSizeF(pixmap.size())));
}

OLIcon::OLIcon(const QString& name, double size, QWidget* parent)
    : QWidget(parent), name_(name), size_(size) {
    setFixedSize(sizeHint());
    setFocusPolicy(Qt::NoFocus);
}

void OLIcon::setName(const QString& name) {
    name_ = name;
    update();
}

void OLIcon::setIconSize(double size) {
    size_ = size;
    setFixedSize(sizeHint());
    update();
}

void OLIcon::setColor(const OLRgba& color) {
    color_ = color;
    update();
}

QSize OLIcon::sizeHint() const {
    const int side = static_cast<int>(std::ceil(size_));
    return {side, side};
}

void OLIcon::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    olDrawIcon(painter, QRectF(0, 0, size_, size_), name_, color_.qcolor());
}

} // namespace keldra
