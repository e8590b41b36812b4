#pragma once
// A 1 px horizontal line across its width, in one colour (the border by default).

#include "design/theme/OLColor.h"

#include <QWidget>

namespace keldra {

class OLRule final : public QWidget {
public:
    explicit OLRule(QWidget* parent = nullptr, const OLRgba& color = OLColor::border);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    OLRgba color_;
};

} // namespace keldra
