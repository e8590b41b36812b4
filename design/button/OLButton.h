#pragma once
// Every push button: a title with an optional leading icon, in one of four kinds, with hover, pressed and
// disabled looks, a white spinner while loading (which also refuses clicks), a keyboard shortcut, Tab focus
// and activation with Space or Return. Kind `text` serves as the plain text button.

#include "design/button/OLAbstractButton.h"
#include "design/button/OLButtonStyle.h"
#include "design/layout/FirstBaseline.h"

class QVariantAnimation;

namespace keldra {

class OLAnimatedValue;

class OLButton : public OLAbstractButton, public OLBaselineProvider {
    Q_OBJECT
public:
    explicit OLButton(const QString& title, OLButtonKind kind = OLButtonKind::primary,
                      QWidget* parent = nullptr);

    // The title is the button's text and its accessible name.
    void setTitle(const QString& title);
    QString title() const { return text(); }

    // Asset name of the leading icon ("icon-play"); empty for none.
    void setIconName(const QString& name);
    const QString& iconName() const { return iconName_; }

    void setKind(OLButtonKind kind);
    OLButtonKind kind() const { return kind_; }

    // Stretch to the width offered, the content centred; otherwise hug the content.
    void setFullWidth(bool fullWidth);
    bool isFullWidth() const { return fullWidth_; }

    // Shows the spinner in place of the icon, dims the button and ignores clicks.
    void setLoading(bool loading);
    bool isLoading() const { return loading_; }

    // A text button keeps its title's height; a link among the controls of a form or a screen takes the
    // control height instead, so it is as easy to hit and spaced as any other control.
    void setControlHeight(bool controlHeight);
    bool hasControlHeight() const { return controlHeight_; }

    // The look as drawn now, with the theme of this button's scope.
    OLButtonStyle buttonStyle() const;

    // Enabled and not loading.
    bool acceptsClicks() const override { return isEnabled() && !loading_; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    // The title's baseline, so a row's label lines up with it.
    double firstBaseline() const override;

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    double leadWidth() const;
    double contentWidth() const;
    double padding() const;
    // Where the title's line of text starts, from the top.
    double titleTop() const;
    void updatePolicy();

    QString iconName_;
    OLButtonKind kind_;
    bool fullWidth_ = false;
    bool loading_ = false;
    bool controlHeight_ = false;
    OLAnimatedValue* press_;
    QVariantAnimation* spin_;
    double spinPhase_ = 0;
};

} // namespace keldra
