#pragma once
// A placeholder row while a listing is fetched and decrypted: an icon square, a name bar and a size bar
// that fade between two greys (1.2 s, easing in and out, reversing) while on screen. Drawn still when the
// desktop asks to reduce motion or animations are off.

#include <QWidget>

class QVariantAnimation;

namespace keldra {

class SkeletonRow final : public QWidget {
    Q_OBJECT
public:
    explicit SkeletonRow(QWidget* parent = nullptr);

    // 0 = the resting grey, 1 = the second phase of the pulse.
    double phase() const { return phase_; }
    bool isPulsing() const;

    QSize sizeHint() const override { return {300, 30}; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    double phase_ = 0;
    QVariantAnimation* pulse_;
};

} // namespace keldra
