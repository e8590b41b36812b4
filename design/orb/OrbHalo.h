#pragma once
// The glow of a protected orb. It lives beside the orb, in the orb's parent and stacked under it, so it can
// reach past the orb's own rectangle; it follows the orb's place, visibility, parent and stacking itself.

#include <QColor>
#include <QImage>
#include <QPointer>
#include <QWidget>

namespace keldra {

class OrbHalo final : public QWidget {
public:
    // Follows `orb`, which must have a parent to draw in.
    explicit OrbHalo(QWidget& orb);

    // The glow around an orb of `orbSize` in `color`; shown only while `glows` and the orb is on screen.
    void setGlow(double orbSize, const QColor& color, bool glows);
    // How far the glow reaches beyond the orb's round area.
    double reach() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    double blur() const;
    void follow();

    QPointer<QWidget> orb_;
    double orbSize_ = 0;
    QColor color_;
    bool glows_ = false;
    QImage image_;
};

} // namespace keldra
