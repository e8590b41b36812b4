#pragma once
// Pictures of the virtual display, and keldra-gallery's pictures of the same screens, for comparing what the
// keldra program shows with what the gallery draws.

#include "app/model/ThemeValues.h"

#include <QImage>
#include <QRect>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <filesystem>
#include <optional>

namespace keldra::test {

// The build folder's "screenshots/<kind>": "window" (the whole display), "gallery", "diff".
std::filesystem::path screenshotFolder(const char* kind);

// The gallery's file name for a screen: "<component>-<state>-<style>-<accent>.png".
QString pictureName(const QString& entry, OLStyle style, OLAccent accent);

// The whole display now, the tray included.
QImage grabDisplay();

// Whether the tray in the display's top right corner shows an icon (more than its plain background).
bool showsTrayIcon(const QImage& display);

// keldra-gallery's picture of `entry` ("onboarding-signin-empty"), drawn into the build folder; null when
// the gallery failed.
QImage galleryPicture(const QString& entry, OLStyle style, OLAccent accent);
// The screen inside a gallery picture, without the band of window background around it.
QImage galleryScreen(const QImage& picture);

struct PictureDifference {
    std::int64_t pixels = 0;
    QRect bounds; // of the differing pixels
};
// Pixels that differ between two pictures of one size (all of them when the sizes differ).
PictureDifference difference(const QImage& a, const QImage& b);
// A blinking text caret and nothing else: a few pixels in one thin upright strip.
bool onlyCaret(const PictureDifference& difference);
// `shown` dimmed, with each pixel that differs from `expected` in magenta.
QImage differencePicture(const QImage& shown, const QImage& expected);

// Runs xdotool (the user's pointer and keyboard, through the X server's test extension); its standard
// output, or nothing when it failed.
std::optional<QString> xdotool(const QStringList& arguments);

} // namespace keldra::test
