#pragma once
// The design kit's gallery pictures, one family per file, and small layout helpers they share.

#include "gallery/GalleryEntry.h"

#include <QWidget>
#include <initializer_list>

namespace keldra::gallery {

std::vector<GalleryEntry> kitEntries();

std::vector<GalleryEntry> kitStatusEntries();
std::vector<GalleryEntry> kitInputEntries();
std::vector<GalleryEntry> kitLayoutEntries();
std::vector<GalleryEntry> kitOrbEntries();
std::vector<GalleryEntry> kitDataEntries();

// Widgets stacked top to bottom or left to right, `spacing` apart, each at its own size.
QWidget* kitColumn(std::initializer_list<QWidget*> widgets, int spacing = 12);
QWidget* kitRow(std::initializer_list<QWidget*> widgets, int spacing = 12);
// A caption naming the state shown beside it.
QWidget* kitCaption(const QString& text);
// `widget` under a caption.
QWidget* kitLabelled(const QString& caption, QWidget* widget);
// `widget` at `width`, as tall as it asks to be at that width (wrapping text included).
QWidget* kitAtWidth(QWidget* widget, int width);
// Tells `widget` it has keyboard focus without a window to hold it (the gallery draws offscreen).
void kitShowFocused(QWidget* widget);

} // namespace keldra::gallery
