#pragma once
// Stand-in navigation until the sidebar and the top bar exist: the five sections as text buttons, down
// the side (glass) or along the top (signal); the current one marked in the accent colour. Pressing one
// writes the model's section.

#include "app/model/AppPhase.h"
#include "design/theme/OLWidget.h"

#include <vector>

namespace keldra {

class AppModelView;
class OLButton;

class SectionList : public OLWidget {
    Q_OBJECT
public:
    explicit SectionList(AppModelView& app, QWidget* parent = nullptr);

    const std::vector<OLButton*>& buttons() const { return buttons_; }
    // Where the current section's accent mark is drawn.
    QRect currentMark() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void markCurrent();

    AppModelView& app_;
    std::vector<OLButton*> buttons_;
};

} // namespace keldra
