#include "gallery/OffscreenSession.h"

#include <QString>
#include <QtGlobal>
#include <cstdio>

namespace keldra::gallery {
namespace {

QtMessageHandler standardHandler = nullptr;

void quietHandler(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (message.contains(QLatin1String("propagateSizeHints")))
        return;
    if (standardHandler != nullptr)
        standardHandler(type, context, message);
    else
        std::fprintf(stderr, "%s\n", qPrintable(message));
}

} // namespace

void prepareOffscreen() {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("KELDRA_ANIMATIONS", "0");
}

void quietOffscreenWarnings() {
    const QtMessageHandler previous = qInstallMessageHandler(quietHandler);
    if (previous != quietHandler)
        standardHandler = previous;
}

} // namespace keldra::gallery
