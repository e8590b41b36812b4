#pragma once
// The container of a group. Glass: a rounded surface (a gradient on hero cards) with a hairline border,
// the content padded on every side. Signal: no fill, a 1 px rule on top, the content padded above and
// below only (by 0.6 of the padding).

#include "design/theme/OLWidget.h"

namespace keldra {

class OLCard : public OLWidget {
    Q_OBJECT
public:
    OLCard(double padding, bool hero, QWidget* content, QWidget* parent = nullptr);

    QWidget* content() const { return content_; }

protected:
    void applyTheme(const OLTheme& theme) override;
    void paintEvent(QPaintEvent* event) override;

private:
    double padding_;
    bool hero_;
    QWidget* content_;
};

} // namespace keldra
