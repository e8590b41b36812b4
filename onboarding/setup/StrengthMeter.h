#pragma once
// The advisory gauge under the new-passphrase fields: a score from 0 to 4 by length, character classes and
// word count, drawn as four segments and a one-word label. The passphrase step does not consult it.

#include "design/access/OLAccessibleControl.h"

#include <QWidget>
#include <string_view>

namespace keldra {

class StrengthMeter : public QWidget, public OLAccessibleControl {
    Q_OBJECT
public:
    static constexpr int segmentCount = 4;
    static constexpr double gaugeWidth = 160;
    static constexpr double segmentSpacing = 4;
    static constexpr double segmentHeight = 4;
    static constexpr double labelSpacing = 10;

    explicit StrengthMeter(QWidget* parent = nullptr);

    void setPassphrase(const QString& passphrase);
    int score() const { return score_; }

    // The score of UTF-8 text, 0 to 4.
    static int score(std::string_view passphrase);
    // "", "Too short or weak", "OK", "Good", "Strong" for 0 to 4.
    static QString label(int score);
    // The colour of the lit segments for a score (unlit for 0).
    static QColor segmentColor(int score);
    static QColor unlitColor();

    // The rectangle of segment `index` inside the meter.
    QRectF segmentRect(int index) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }
    OLAccessibleDescription accessibleDescription() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    bool empty_ = true;
    int score_ = 0;
};

} // namespace keldra
