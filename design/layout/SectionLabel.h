#pragma once
// The small upper-case heading above a group: semibold with light tracking in glass, the mono eyebrow in
// signal, muted in both.

#include "app/model/ThemeValues.h"
#include "design/text/OLText.h"

namespace keldra {

class SectionLabel : public OLText {
    Q_OBJECT
public:
    explicit SectionLabel(const QString& text, QWidget* parent = nullptr);

    static OLTextStyle styleFor(const OLTheme& theme);

protected:
    bool event(QEvent* event) override;
};

} // namespace keldra
