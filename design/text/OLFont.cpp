#include "design/text/OLFont.h"

#include "design/log/WarnOnce.h"

#include <QFontDatabase>
#include <QGuiApplication>
#include <QLoggingCategory>
#include <QScreen>
#include <cmath>

namespace keldra {
namespace {

Q_LOGGING_CATEGORY(fontLog, "keldra.design.font")

double logicalDpi() {
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        return screen->logicalDotsPerInchY();
    return 96;
}

void warnMissingOnce(const QString& family) {
    warnOnce(
        fontLog(), family,
        QStringLiteral("Font family \"%1\" is not installed; using the system's fallback font").arg(family));
}

} // namespace

QFont::Weight qtWeight(OLFontWeight weight) {
    switch (weight) {
    case OLFontWeight::regular:
        return QFont::Normal;
    case OLFontWeight::medium:
        return QFont::Medium;
    case OLFontWeight::semibold:
        return QFont::DemiBold;
    case OLFontWeight::bold:
        return QFont::Bold;
    case OLFontWeight::heavy:
        return QFont::ExtraBold;
    }
    return QFont::Normal;
}

void setPixelSizeF(QFont& font, double pixels) {
    if (std::abs(pixels - std::round(pixels)) < 1e-6 && pixels >= 1)
        font.setPixelSize(static_cast<int>(std::round(pixels)));
    else
        font.setPointSizeF(pixels * 72.0 / logicalDpi());
}

QString olShownText(const OLTextStyle& style, const QString& text) {
    return style.uppercase ? text.toUpper() : text;
}

bool olFamilyAvailable(std::string_view family) {
    return QFontDatabase::families().contains(
        QString::fromUtf8(family.data(), static_cast<qsizetype>(family.size())));
}

QFont olFont(const OLTextStyle& style, double scale) {
    const std::string_view family = style.family();
    const QString name = QString::fromUtf8(family.data(), static_cast<qsizetype>(family.size()));
    if (!olFamilyAvailable(family))
        warnMissingOnce(name);
    QFont font(name);
    font.setStyleHint(style.isMono ? QFont::Monospace : QFont::SansSerif);
    setPixelSizeF(font, style.size * scale);
    font.setWeight(qtWeight(style.weight));
    if (style.tracking() != 0)
        font.setLetterSpacing(QFont::AbsoluteSpacing, style.tracking() * scale);
    font.setKerning(true);
    return font;
}

} // namespace keldra
