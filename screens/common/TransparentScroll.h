#pragma once
// A vertical scroll area over the page's own background (no frame, no fill), its content as wide as the
// viewport.

#include <QScrollArea>

namespace keldra {

class TransparentScroll : public QScrollArea {
    Q_OBJECT
public:
    explicit TransparentScroll(QWidget* content, QWidget* parent = nullptr);
};

} // namespace keldra
