#pragma once
// A drawn check box with a title and an optional wrapping subtitle; a click anywhere on the row toggles it,
// at once. The checked state mirrors the caller's value: `setOn` from the model, `toggled` from the user.

#include "design/access/OLAccessibleControl.h"
#include "design/button/OLAbstractButton.h"
#include "design/layout/FirstBaseline.h"

namespace keldra {

class OLCheckbox : public OLAbstractButton, public OLAccessibleControl, public OLBaselineProvider {
    Q_OBJECT
public:
    OLCheckbox(QString title, bool isOn, QString subtitle = {}, QWidget* parent = nullptr);

    void setOn(bool on) { setChecked(on); }
    bool isOn() const { return isChecked(); }
    void setSubtitle(const QString& subtitle);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    OLAccessibleDescription accessibleDescription() const override;
    double firstBaseline() const override;
    void accessiblePress() override { click(); }
    bool hasAccessiblePress() const override { return true; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    double textWidth(int width) const;
    double subtitleHeight(double textWidth) const;

    QString subtitle_;
};

} // namespace keldra
