#pragma once
// The look chooser: two style cards with live miniatures (glass, signal) and three accent swatches. It keeps
// no choice of its own: it shows the style and accent it is given and reports clicks, also on the item
// already chosen; the host stores the choice and sets it back.

#include "app/model/ThemeValues.h"

#include <QWidget>
#include <functional>

class QAbstractButton;

namespace keldra {

class OLText;

class StylePicker : public QWidget {
    Q_OBJECT
public:
    StylePicker(OLStyle style, OLAccent accent, std::function<void(OLStyle)> onStyle,
                std::function<void(OLAccent)> onAccent, QWidget* parent = nullptr);

    void setStyleChoice(OLStyle style);
    void setAccentChoice(OLAccent accent);
    OLStyle styleChoice() const { return style_; }
    OLAccent accentChoice() const { return accent_; }

    QAbstractButton* styleCard(OLStyle style) const;
    QAbstractButton* accentSwatch(OLAccent accent) const;
    OLText* accentName() const { return accentName_; }

private:
    void refresh();

    OLStyle style_;
    OLAccent accent_;
    std::function<void(OLStyle)> onStyle_;
    std::function<void(OLAccent)> onAccent_;
    QAbstractButton* cards_[2];
    QAbstractButton* swatches_[3];
    OLText* accentName_;
};

} // namespace keldra
