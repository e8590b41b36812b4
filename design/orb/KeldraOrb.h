#pragma once
// The status orb: one round button showing the health. A dark disc with the safe-door glyph, an outer ring
// in the health's tone, a progress ring while a backup runs, a glow when protected and a badge. While
// backing up it breathes, unless the desktop asks to reduce motion. Only the round area takes clicks; the
// widget keeps 2 % of room on each side for the pulse, and the glow is painted outside it, under it.

#include "design/button/OLAbstractButton.h"
#include "design/health/HealthPresentation.h"

#include <QPointer>
#include <functional>
#include <optional>

class QVariantAnimation;

namespace keldra {

class OLAnimatedValue;
class OrbHalo;

class KeldraOrb : public OLAbstractButton {
    Q_OBJECT
public:
    KeldraOrb(HealthPresentation presentation, std::optional<double> progress, double size,
              const QString& accessibilityAction, std::function<void()> action, QWidget* parent = nullptr);
    ~KeldraOrb() override;

    void setPresentation(const HealthPresentation& presentation);
    void setProgress(std::optional<double> progress);
    void setAccessibilityAction(const QString& title);
    // The orb's diameter (its widget adds room for the pulse).
    void setSize(double size);
    double orbSize() const { return size_; }
    // The desktop's reduce-motion choice; follows the installed monitor, settable like any environment value.
    void setReduceMotion(bool reduce);

    const HealthPresentation& presentation() const { return presentation_; }
    // The fraction of the circle the progress ring covers, or nothing when no ring is drawn.
    std::optional<double> ringFraction() const;
    // Whether the orb pulses now (backing up, and motion not reduced).
    bool breathingActive() const;
    // The orb's scale and its outer ring's opacity as drawn now: the pulse while breathing, easing back to
    // rest (1 and 1) for 0.25 s once a backup ends.
    double pulseScale() const { return pulse().scale; }
    double outerRingOpacity() const { return pulse().ringOpacity; }
    // The glyph's colour for the current health.
    OLRgba glyphColor() const;
    // The glow's widget, present while the health is protected and the orb has a parent to draw in.
    QWidget* halo() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    bool hitButton(const QPoint& pos) const override;
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    struct Pulse {
        double scale = 1;
        double ringOpacity = 1;
    };

    bool isBackingUp() const;
    Pulse pulse() const;
    // The margin kept around the orb for the pulse, and the orb's own square inside the widget.
    double breathRoom() const;
    QRectF orbRect() const;
    // `shown` is the pulse as drawn before the change, where settling starts from.
    void updateBreathing(Pulse shown);
    // 0 … 1: the phase of the pulse, as the breathing animation has it.
    double breathPhase() const;
    // Tells the glow the health and size; makes it once it is first wanted.
    void updateGlow();

    HealthPresentation presentation_;
    std::optional<double> progress_;
    double size_;
    bool reduceMotion_;
    OLAnimatedValue* shownProgress_;
    // Each animated value has one owner: the breathing animation holds the pulse's phase while backing up,
    // `settle_` the way (0 … 1) from the pulse as it was when breathing stopped (`settleFrom_`) to rest.
    // The pulse drawn is worked out from them.
    QVariantAnimation* breathing_;
    OLAnimatedValue* settle_;
    Pulse settleFrom_;
    QPointer<OrbHalo> halo_;
};

} // namespace keldra
