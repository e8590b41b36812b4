#pragma once
// One labelled row of a settings form: a 220 px label column (the label, and an optional wrapping detail
// under it) beside the control, lined up on their first text baselines, with a hairline under the row
// when asked.

#include "design/theme/OLWidget.h"

#include <optional>

class QSpacerItem;

namespace keldra {

class OLText;

class FormRow : public OLWidget {
    Q_OBJECT
public:
    FormRow(const QString& label, std::optional<QString> detail, bool showDivider, QWidget* content,
            QWidget* parent = nullptr);

    QWidget* content() const { return content_; }
    OLText* labelText() const { return label_; }
    OLText* detailText() const { return detail_; }

protected:
    void applyTheme(const OLTheme& theme) override;
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void alignBaselines();

    OLText* label_;
    OLText* detail_ = nullptr;
    QWidget* content_;
    bool showDivider_;
    QSpacerItem* labelOffset_;
    QSpacerItem* contentOffset_;
};

} // namespace keldra
