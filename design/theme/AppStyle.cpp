#include "design/theme/AppStyle.h"

#include "design/text/OLFont.h"
#include "design/theme/OLColor.h"
#include "design/theme/OLThemeValues.h"

#include <QApplication>
#include <QPalette>
#include <QString>

namespace keldra {
namespace {

QString css(const OLRgba& c) {
    return QStringLiteral("rgba(%1, %2, %3, %4)").arg(c.red).arg(c.green).arg(c.blue).arg(c.alpha);
}

} // namespace

QPalette olPalette() {
    QPalette palette;
    auto set = [&palette](QPalette::ColorRole role, const OLRgba& color) {
        palette.setColor(QPalette::All, role, color.qcolor());
    };
    set(QPalette::Window, OLColor::background);
    set(QPalette::WindowText, OLColor::textPrimary);
    set(QPalette::Base, OLColor::surface);
    set(QPalette::AlternateBase, OLColor::surfaceRaised);
    set(QPalette::ToolTipBase, OLColor::surfaceRaised);
    set(QPalette::ToolTipText, OLColor::textPrimary);
    set(QPalette::PlaceholderText, OLColor::textFaint);
    set(QPalette::Text, OLColor::textPrimary);
    set(QPalette::Button, OLColor::surface);
    set(QPalette::ButtonText, OLColor::textPrimary);
    set(QPalette::BrightText, OLColor::textOnFill);
    set(QPalette::Light, OLColor::surfaceRaised);
    set(QPalette::Midlight, OLColor::surfaceRaised);
    set(QPalette::Mid, OLColor::switchTrackOff);
    set(QPalette::Dark, OLColor::chrome);
    set(QPalette::Shadow, OLColor::scrim);
    set(QPalette::Highlight, OLColor::buttonPrimary);
    set(QPalette::HighlightedText, OLColor::textOnFill);
    set(QPalette::Link, OLColor::toneInfo);
    set(QPalette::LinkVisited, OLColor::violet);
    palette.setColor(QPalette::Disabled, QPalette::WindowText, OLColor::textFaint.qcolor());
    palette.setColor(QPalette::Disabled, QPalette::Text, OLColor::textFaint.qcolor());
    palette.setColor(QPalette::Disabled, QPalette::ButtonText, OLColor::textFaint.qcolor());
    return palette;
}

QString olStockStyleSheet() {
    return QStringLiteral(
               "QMenu { background: %1; color: %2; border: 1px solid %3; border-radius: 8px; padding: 4px; }"
               "QMenu::item { padding: 6px 16px; border-radius: 6px; }"
               "QMenu::item:selected { background: %4; }"
               "QMenu::item:disabled { color: %5; }"
               "QMenu::separator { height: 1px; background: %6; margin: 4px 8px; }"
               "QToolTip { background: %4; color: %2; border: 1px solid %3; padding: 4px 8px; }"
               "QMessageBox { background: %7; }"
               "QMessageBox QLabel { color: %2; }"
               "QScrollBar:vertical { background: transparent; width: 10px; margin: 0; }"
               "QScrollBar:horizontal { background: transparent; height: 10px; margin: 0; }"
               "QScrollBar::handle { background: %3; border-radius: 4px; min-height: 24px; min-width: 24px; }"
               "QScrollBar::handle:hover { background: %8; }"
               "QScrollBar::add-line, QScrollBar::sub-line { width: 0; height: 0; }"
               "QScrollBar::add-page, QScrollBar::sub-page { background: transparent; }")
        .arg(css(OLColor::surface), css(OLColor::textPrimary), css(OLColor::border),
             css(OLColor::surfaceRaised), css(OLColor::textFaint), css(OLColor::hairline),
             css(OLColor::background), css(OLColor::borderStrong));
}

QPalette olPalette(OLAccent accent) {
    QPalette palette = olPalette();
    palette.setColor(QPalette::All, QPalette::Highlight, accentColor(accent).qcolor());
    palette.setColor(QPalette::All, QPalette::HighlightedText, OLColor::inkOnLight.qcolor());
    palette.setColor(QPalette::All, QPalette::Link, accentColor(accent).qcolor());
    return palette;
}

void olApplyAppStyle(QApplication& app) {
    app.setPalette(olPalette());
    app.setFont(olFont(OLTextStyle::callout));
    app.setStyleSheet(olStockStyleSheet());
}

} // namespace keldra
