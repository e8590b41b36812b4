#pragma once
// A figure tile: a small label, a large value with an optional unit (or, with a tone, a coloured phrase)
// and an optional footer. A card in glass, a ruled block in signal.

#include "app/model/ThemeValues.h"
#include "design/access/OLAccessibleControl.h"
#include "design/theme/OLWidget.h"

#include <optional>

class QSpacerItem;

namespace keldra {

class OLText;

// One element to a screen reader: the label, then the value and unit.
class StatTile : public OLWidget, public OLAccessibleControl {
    Q_OBJECT
public:
    StatTile(const QString& label, const QString& value, std::optional<QString> unit,
             std::optional<StatusTone> tone, bool primary, QWidget* footer = nullptr,
             QWidget* parent = nullptr);

    void setValue(const QString& value);
    OLText* valueText() const { return value_; }
    // The unit's text, absent when there is none or a tone hides it.
    OLText* unitText() const { return unit_; }

    OLAccessibleDescription accessibleDescription() const override;

protected:
    void applyTheme(const OLTheme& theme) override;
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void alignUnit();

    std::optional<StatusTone> tone_;
    bool primary_;
    OLText* label_;
    OLText* value_;
    OLText* unit_ = nullptr;
    QSpacerItem* unitOffset_ = nullptr;
};

} // namespace keldra
