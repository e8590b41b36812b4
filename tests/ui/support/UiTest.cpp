#include "tests/ui/support/UiTest.h"

#include <QCoreApplication>
#include <QLayout>
#include <QWidget>
#include <cstdlib>

namespace keldra::test {

QImage grab(QWidget* widget) {
    // Hidden widgets defer their resize events, so nested layouts would not settle.
    if (widget->isWindow() && !widget->isVisible()) {
        widget->setAttribute(Qt::WA_DontShowOnScreen);
        widget->show();
    }
    widget->ensurePolished();
    if (widget->layout() != nullptr)
        widget->layout()->activate();
    QCoreApplication::processEvents();
    return widget->grab().toImage().convertToFormat(QImage::Format_ARGB32);
}

bool near(const QColor& actual, const QColor& expected, int tolerance) {
    return std::abs(actual.red() - expected.red()) <= tolerance &&
           std::abs(actual.green() - expected.green()) <= tolerance &&
           std::abs(actual.blue() - expected.blue()) <= tolerance &&
           std::abs(actual.alpha() - expected.alpha()) <= tolerance;
}

QColor blend(const QColor& color, const QColor& background) {
    const double a = color.alphaF();
    auto mix = [a](int top, int bottom) {
        return static_cast<int>(top * a + bottom * (1 - a) + 0.5);
    };
    return QColor(mix(color.red(), background.red()), mix(color.green(), background.green()),
                  mix(color.blue(), background.blue()));
}

bool hasDetail(const QImage& image) {
    if (image.isNull())
        return false;
    const QRgb first = image.pixel(0, 0);
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (image.pixel(x, y) != first)
                return true;
        }
    }
    return false;
}

namespace {
QStringList* captured = nullptr;
QtMessageHandler previous = nullptr;

void capture(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (type == QtWarningMsg && captured != nullptr)
        captured->append(message);
    else if (previous != nullptr)
        previous(type, context, message);
}
} // namespace

QStringList captureWarnings(const std::function<void()>& body) {
    QStringList warnings;
    captured = &warnings;
    previous = qInstallMessageHandler(capture);
    body();
    qInstallMessageHandler(previous);
    captured = nullptr;
    return warnings;
}

} // namespace keldra::test
