#include "tests/integration/ScreenPictures.h"

#include "gallery/GalleryRenderer.h"

#include <QGuiApplication>
#include <QPainter>
#include <QPixmap>
#include <QProcess>
#include <QScreen>

namespace keldra::test {

namespace {

QString raw(std::string_view text) {
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

// A caret is one or two pixels wide and a line of text tall.
constexpr int caretWidth = 3;
constexpr int caretHeight = 30;

} // namespace

std::filesystem::path screenshotFolder(const char* kind) {
    const auto folder = std::filesystem::path(KELDRA_BINARY_DIR) / "screenshots" / kind;
    std::filesystem::create_directories(folder);
    return folder;
}

QString pictureName(const QString& entry, OLStyle style, OLAccent accent) {
    return QStringLiteral("%1-%2-%3.png").arg(entry, raw(rawValue(style)), raw(rawValue(accent)));
}

QImage grabDisplay() {
    QScreen* screen = QGuiApplication::primaryScreen();
    if (screen == nullptr) {
        return {};
    }
    return screen->grabWindow(0).toImage().convertToFormat(QImage::Format_RGB32);
}

bool showsTrayIcon(const QImage& display) {
    // The tray is one icon tall along the top edge, aligned right.
    constexpr int traySize = 32;
    const QImage corner = display.copy(QRect(display.width() - traySize, 0, traySize, traySize))
                              .convertToFormat(QImage::Format_RGB32);
    const QRgb first = corner.pixel(0, 0);
    for (int y = 0; y < corner.height(); ++y) {
        for (int x = 0; x < corner.width(); ++x) {
            if (corner.pixel(x, y) != first) {
                return true;
            }
        }
    }
    return false;
}

QImage galleryPicture(const QString& entry, OLStyle style, OLAccent accent) {
    const QString folder = QString::fromStdString(screenshotFolder("gallery").string());
    QProcess gallery;
    gallery.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    gallery.start(QStringLiteral(KELDRA_GALLERY_PROGRAM),
                  {QStringLiteral("--out"), folder, QStringLiteral("--only"), entry,
                   QStringLiteral("--style"), raw(rawValue(style)), QStringLiteral("--accent"),
                   raw(rawValue(accent))});
    if (!gallery.waitForFinished(60000) || gallery.exitStatus() != QProcess::NormalExit ||
        gallery.exitCode() != 0) {
        return {};
    }
    return QImage(folder + QLatin1Char('/') + pictureName(entry, style, accent))
        .convertToFormat(QImage::Format_RGB32);
}

QImage galleryScreen(const QImage& picture) {
    const int margin = gallery::frameMargin;
    return picture.copy(picture.rect().adjusted(margin, margin, -margin, -margin));
}

PictureDifference difference(const QImage& a, const QImage& b) {
    if (a.size() != b.size()) {
        const QRect all = a.rect().united(b.rect());
        return {std::int64_t{all.width()} * all.height(), all};
    }
    const QImage left = a.convertToFormat(QImage::Format_RGB32);
    const QImage right = b.convertToFormat(QImage::Format_RGB32);
    PictureDifference found;
    for (int y = 0; y < left.height(); ++y) {
        const auto* one = reinterpret_cast<const QRgb*>(left.constScanLine(y));
        const auto* other = reinterpret_cast<const QRgb*>(right.constScanLine(y));
        for (int x = 0; x < left.width(); ++x) {
            if (qRed(one[x]) != qRed(other[x]) || qGreen(one[x]) != qGreen(other[x]) ||
                qBlue(one[x]) != qBlue(other[x])) {
                ++found.pixels;
                found.bounds = found.bounds.united(QRect(x, y, 1, 1));
            }
        }
    }
    return found;
}

bool onlyCaret(const PictureDifference& difference) {
    return difference.pixels == 0 ||
           (difference.bounds.width() <= caretWidth && difference.bounds.height() <= caretHeight);
}

QImage differencePicture(const QImage& shown, const QImage& expected) {
    QImage picture = shown.convertToFormat(QImage::Format_RGB32);
    {
        QPainter painter(&picture);
        painter.fillRect(picture.rect(), QColor(0, 0, 0, 170));
    }
    if (shown.size() != expected.size()) {
        return picture;
    }
    const QImage left = shown.convertToFormat(QImage::Format_RGB32);
    const QImage right = expected.convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < left.height(); ++y) {
        const auto* one = reinterpret_cast<const QRgb*>(left.constScanLine(y));
        const auto* other = reinterpret_cast<const QRgb*>(right.constScanLine(y));
        auto* out = reinterpret_cast<QRgb*>(picture.scanLine(y));
        for (int x = 0; x < left.width(); ++x) {
            if ((one[x] & 0xffffff) != (other[x] & 0xffffff)) {
                out[x] = qRgb(255, 0, 255);
            }
        }
    }
    return picture;
}

std::optional<QString> xdotool(const QStringList& arguments) {
    QProcess tool;
    tool.start(QStringLiteral("xdotool"), arguments);
    if (!tool.waitForFinished(10000) || tool.exitStatus() != QProcess::NormalExit || tool.exitCode() != 0) {
        return std::nullopt;
    }
    return QString::fromUtf8(tool.readAllStandardOutput());
}

} // namespace keldra::test
