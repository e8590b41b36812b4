#pragma once
// Draws gallery entries offscreen: each component framed on the window background, under one theme.

#include "gallery/GalleryEntry.h"

#include <QImage>
#include <QString>

namespace keldra::gallery {

// The band of window background around each component in its picture.
inline constexpr int frameMargin = 16;

// "<component>-<state>-<style>-<accent>.png"
QString fileName(const GalleryEntry& entry, const OLTheme& theme);

QImage render(const GalleryEntry& entry, const OLTheme& theme);

} // namespace keldra::gallery
