#pragma once

#include "app/model/BackupHealth.h"

#include <QColor>
#include <QIcon>
#include <QImage>
#include <QString>

namespace keldra {

// The tray shows one of five images: the shield of a protected computer, two frames of a running backup
// (alternated while a run goes on), an idle shield for paused or locked, and an attention shield for anything
// that needs the user. They are drawn here in one colour, so they follow the panel's text colour.
enum class TrayImage { protected_, runningA, runningB, idle, attention };

// The image for a health; `secondFrame` picks the running backup's second frame.
TrayImage trayImageFor(BackupHealth::Kind kind, bool secondFrame);

// The image's name, for logs and file names ("tray-keldra-protected" …).
QString trayImageName(TrayImage image);

// One image, `size` pixels square (16 to 64), in `color` on a transparent background.
QImage drawTrayImage(TrayImage image, int size, const QColor& color);

// The image at every size a tray may ask for.
QIcon trayIcon(TrayImage image, const QColor& color);

} // namespace keldra
