#include "design/theme/OLRgba.h"

#include <QColor>

namespace keldra {

QColor OLRgba::qcolor() const {
    QColor color(red, green, blue);
    color.setAlphaF(static_cast<float>(alpha));
    return color;
}

} // namespace keldra
