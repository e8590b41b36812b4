#pragma once
// A full-width button for an action that must not happen on a stray click: the pointer has to hold it for
// 0.8 s while a lighter band sweeps across; letting go early, moving more than 30 px, or the button being
// hidden, disabled or its window deactivated cancels. Keyboard (Return, Space) and assistive technology
// (the press action) get a confirmation dialog instead, whose destructive button reads `confirmTitle`.

#include "design/button/OLAbstractButton.h"

#include <QMessageBox>
#include <QPointF>
#include <QPointer>

class QTimer;

namespace keldra {

class OLAnimatedValue;

class HoldButton : public OLAbstractButton {
    Q_OBJECT
public:
    HoldButton(const QString& title, const QString& confirmTitle, std::function<void()> action,
               QWidget* parent = nullptr);

    QString title() const { return text(); }
    const QString& confirmTitle() const { return confirmTitle_; }

    // Fraction of the width the band covers, 0 to 1.
    double bandProgress() const;
    // Previews set the band directly.
    void setBandProgress(double progress);
    bool isHolding() const { return holding_; }

    // The open confirmation dialog, if any.
    QMessageBox* confirmation() const { return confirmation_; }
    void openConfirmation();

    static constexpr int holdMs = 800;
    static constexpr double maxMovement = 30;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void activateFromKeyboard() override { openConfirmation(); }
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void cancelHold();
    void completeHold();

    QString confirmTitle_;
    std::function<void()> guarded_;
    OLAnimatedValue* band_;
    QTimer* holdTimer_;
    QPointF pressOrigin_;
    bool holding_ = false;
    QPointer<QMessageBox> confirmation_;
};

} // namespace keldra
