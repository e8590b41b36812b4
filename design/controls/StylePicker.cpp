#include "design/controls/StylePicker.h"

#include "design/access/OLAccessibleControl.h"
#include "design/button/OLAbstractButton.h"
#include "design/focus/FocusRing.h"
#include "design/icon/OLIcon.h"
#include "design/orb/HaloImage.h"
#include "design/shape/ContinuousRect.h"
#include "design/text/OLFont.h"
#include "design/text/OLText.h"
#include "design/theme/OLColor.h"
#include "design/theme/OLThemeValues.h"
#include "design/theme/ThemeScope.h"

#include <QAbstractButton>
#include <QFontMetricsF>
#include <QHBoxLayout>
#include <QPainter>
#include <QVBoxLayout>
#include <cmath>

namespace keldra {

namespace {

constexpr double cardWidth = 260;
// Where the row is too narrow for two full cards (a small window) they give way down to this width.
constexpr double narrowestCardWidth = 196;
constexpr double previewHeight = 100;
constexpr double swatchSize = 24;
constexpr double swatchRing = 3;

// A card or swatch: a kit button that is drawn chosen or not and reads as selected when chosen.
class PickerButton : public OLAbstractButton, public OLAccessibleControl {
public:
    explicit PickerButton(QWidget* parent) : OLAbstractButton(parent) { setFocusPolicy(Qt::TabFocus); }

    void setChosen(bool chosen) {
        if (chosen_ == chosen)
            return;
        chosen_ = chosen;
        update();
        olAccessibleUpdate(this);
    }
    bool chosen() const { return chosen_; }

    OLAccessibleDescription accessibleDescription() const override {
        return {QAccessible::Button, accessibleName(), {}, false, false, chosen_};
    }
    void accessiblePress() override { click(); }
    bool hasAccessiblePress() const override { return true; }

private:
    bool chosen_ = false;
};

constexpr OLTextStyle glassWord{17, OLFontWeight::heavy, 1.2, 0, false, false, OLRelativeTextStyle::headline};
constexpr OLTextStyle signalWord{
    28, OLFontWeight::heavy, 1.2, -1.2 / 28, false, false, OLRelativeTextStyle::largeTitle};

class StyleCard : public PickerButton {
public:
    StyleCard(OLStyle style, QWidget* parent) : PickerButton(parent), style_(style) {
        setAccessibleName(style == OLStyle::glass ? StylePicker::tr("Glass style")
                                                  : StylePicker::tr("Signal style"));
        setFixedHeight(static_cast<int>(std::ceil(previewHeight + textBlockHeight())));
        setMinimumWidth(static_cast<int>(narrowestCardWidth));
        setMaximumWidth(static_cast<int>(cardWidth));
        setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    }

    QSize sizeHint() const override { return {static_cast<int>(cardWidth), minimumHeight()}; }

    void setPreviewAccent(OLAccent accent) {
        accent_ = accent;
        glow_ = QImage();
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override {
        const auto theme = olTheme(this);
        const double r = radius(theme);
        const QRectF card = rect();
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        p.save();
        p.setClipPath(continuousRect(card, r));
        p.fillRect(card, OLColor::surface.qcolor());
        paintPreview(p, QRectF(0, 0, card.width(), previewHeight));
        paintTexts(p, QRectF(0, previewHeight, card.width(), card.height() - previewHeight));
        p.restore();

        strokeInside(p, card, r, (chosen() ? accentColor(theme) : OLColor::borderStrong).qcolor(), 2);
        if (chosen()) {
            const QRectF badge(card.right() - 8 - 22, 8, 22, 22);
            p.setPen(Qt::NoPen);
            p.setBrush(accentColor(theme).qcolor());
            p.drawEllipse(badge);
            olDrawIcon(p, QRectF(badge.center().x() - 7, badge.center().y() - 7, 14, 14),
                       QStringLiteral("icon-check"), OLColor::inkOnLight.qcolor());
        }
        if (showsFocusRing())
            drawFocusRing(p, card.adjusted(3, 3, -3, -3), std::max(0.0, r - 3));
    }

private:
    QString title() const {
        return style_ == OLStyle::glass ? QStringLiteral("Glass") : QStringLiteral("Signal");
    }
    QString subtitle() const {
        return style_ == OLStyle::glass ? QStringLiteral("Calm. One click to back up.")
                                        : QStringLiteral("Every detail, live.");
    }

    static double textBlockHeight() {
        return 12 + QFontMetricsF(olFont(OLTextStyle::bodyStrong)).height() + 2 +
               QFontMetricsF(olFont(OLTextStyle::caption)).height() + 12;
    }

    void paintTexts(QPainter& p, const QRectF& area) {
        const QFontMetricsF titleMetrics(olFont(OLTextStyle::bodyStrong));
        const QRectF inner = area.adjusted(16, 12, -16, -12);
        p.setFont(olFont(OLTextStyle::bodyStrong));
        p.setPen(OLColor::textPrimary.qcolor());
        p.drawText(QRectF(inner.left(), inner.top(), inner.width(), titleMetrics.height()),
                   Qt::AlignLeft | Qt::AlignVCenter, title());
        p.setFont(olFont(OLTextStyle::caption));
        p.setPen(OLColor::textSecondary.qcolor());
        p.drawText(QRectF(inner.left(), inner.top() + titleMetrics.height() + 2, inner.width(),
                          QFontMetricsF(olFont(OLTextStyle::caption)).height()),
                   Qt::AlignLeft | Qt::AlignVCenter, subtitle());
    }

    void paintPreview(QPainter& p, const QRectF& area) {
        p.fillRect(area, OLColor::background.qcolor());
        const QColor accent = accentColor(accent_).qcolor();
        if (style_ == OLStyle::glass) {
            const QString word = StylePicker::tr("Protected");
            const QFont font = olFont(glassWord);
            const double wordWidth = QFontMetricsF(font).horizontalAdvance(word);
            const double orb = 58;
            const double left = area.center().x() - (orb + 16 + wordWidth) / 2;
            const QRectF ring(left, area.center().y() - orb / 2, orb, orb);
            const double dpr = devicePixelRatioF();
            if (glow_.isNull() || glow_.devicePixelRatio() != dpr)
                glow_ = haloImage(orb, 14, accentColor(accent_).opacity(0.22).qcolor(), dpr);
            const QSizeF glowSize = QSizeF(glow_.size()) / dpr;
            p.drawImage(
                QPointF(ring.center().x() - glowSize.width() / 2, ring.center().y() - glowSize.height() / 2),
                glow_);
            p.setBrush(Qt::NoBrush);
            p.setPen(QPen(accent, 1.2));
            p.drawEllipse(ring.adjusted(0.6, 0.6, -0.6, -0.6));
            p.setFont(font);
            p.setPen(OLColor::textPrimary.qcolor());
            p.drawText(QRectF(ring.right() + 16, area.top(), wordWidth + 2, area.height()),
                       Qt::AlignLeft | Qt::AlignVCenter, word);
        } else {
            const QFont wordFont = olFont(signalWord);
            const QFont metaFont = olFont(OLTextStyle::eyebrow);
            const double wordHeight = QFontMetricsF(wordFont).height();
            const double metaHeight = QFontMetricsF(metaFont).height();
            const double top = area.center().y() - (wordHeight + 6 + metaHeight) / 2;
            p.setFont(wordFont);
            p.setPen(accent);
            p.drawText(QRectF(area.left() + 18, top, area.width() - 36, wordHeight),
                       Qt::AlignLeft | Qt::AlignVCenter, StylePicker::tr("Protected."));
            p.setFont(metaFont);
            p.setPen(OLColor::textSecondary.qcolor());
            p.drawText(QRectF(area.left() + 18, top + wordHeight + 6, area.width() - 36, metaHeight),
                       Qt::AlignLeft | Qt::AlignVCenter,
                       olShownText(OLTextStyle::eyebrow, StylePicker::tr("LAST 14:02 · 12,408 FILES")));
        }
    }

    OLStyle style_;
    OLAccent accent_ = OLAccent::frost;
    QImage glow_;
};

class AccentSwatch : public PickerButton {
public:
    AccentSwatch(OLAccent accent, QWidget* parent) : PickerButton(parent), accent_(accent) {
        setAccessibleName(StylePicker::tr("%1 accent").arg(QString::fromUtf8(displayName(accent).data())));
        const int side = static_cast<int>(swatchSize + 2 * swatchRing);
        setFixedSize(side, side);
    }

protected:
    bool hitButton(const QPoint& pos) const override {
        const QPointF d = QPointF(pos) + QPointF(0.5, 0.5) - QRectF(rect()).center();
        return std::hypot(d.x(), d.y()) <= swatchSize / 2 + swatchRing;
    }

    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        const QRectF swatch(swatchRing, swatchRing, swatchSize, swatchSize);
        p.setPen(Qt::NoPen);
        p.setBrush(accentColor(accent_).qcolor());
        p.drawEllipse(swatch);
        const QRectF ring = rect();
        if (chosen()) {
            p.setBrush(Qt::NoBrush);
            p.setPen(QPen(OLColor::textPrimary.qcolor(), 2));
            p.drawEllipse(ring.adjusted(1, 1, -1, -1));
        }
        if (showsFocusRing()) {
            p.setBrush(Qt::NoBrush);
            p.setPen(QPen(OLColor::focusRing.qcolor(), 1));
            p.drawEllipse(ring.adjusted(0.5, 0.5, -0.5, -0.5));
        }
    }

private:
    OLAccent accent_;
};

} // namespace

StylePicker::StylePicker(OLStyle style, OLAccent accent, std::function<void(OLStyle)> onStyle,
                         std::function<void(OLAccent)> onAccent, QWidget* parent)
    : QWidget(parent), style_(style), accent_(accent), onStyle_(std::move(onStyle)),
      onAccent_(std::move(onAccent)),
      accentName_(new OLText(QString(), OLTextStyle::callout, OLColor::textSecondary, this)) {
    auto* cardRow = new QHBoxLayout;
    cardRow->setSpacing(12);
    for (size_t i = 0; i < allStyles.size(); ++i) {
        const OLStyle cardStyle = allStyles[i];
        auto* card = new StyleCard(cardStyle, this);
        connect(card, &QAbstractButton::clicked, this, [this, cardStyle] {
            if (onStyle_)
                onStyle_(cardStyle);
        });
        cards_[i] = card;
        cardRow->addWidget(card);
    }
    cardRow->addStretch(1);

    auto* accentRow = new QHBoxLayout;
    // 12 between the 24 px swatches; each widget carries its 3 px selection ring on both sides.
    accentRow->setSpacing(static_cast<int>(12 - 2 * swatchRing));
    for (size_t i = 0; i < allAccents.size(); ++i) {
        const OLAccent swatchAccent = allAccents[i];
        auto* swatch = new AccentSwatch(swatchAccent, this);
        connect(swatch, &QAbstractButton::clicked, this, [this, swatchAccent] {
            if (onAccent_)
                onAccent_(swatchAccent);
        });
        swatches_[i] = swatch;
        accentRow->addWidget(swatch);
    }
    accentRow->addSpacing(static_cast<int>(12 - swatchRing + 6));
    accentRow->addWidget(accentName_, 0, Qt::AlignVCenter);
    accentRow->addStretch(1);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(static_cast<int>(18 - swatchRing));
    layout->addLayout(cardRow);
    layout->addLayout(accentRow);
    refresh();
}

void StylePicker::setStyleChoice(OLStyle style) {
    style_ = style;
    refresh();
}

void StylePicker::setAccentChoice(OLAccent accent) {
    accent_ = accent;
    refresh();
}

QAbstractButton* StylePicker::styleCard(OLStyle style) const {
    return cards_[style == OLStyle::glass ? 0 : 1];
}

QAbstractButton* StylePicker::accentSwatch(OLAccent accent) const {
    for (size_t i = 0; i < allAccents.size(); ++i) {
        if (allAccents[i] == accent)
            return swatches_[i];
    }
    return swatches_[0];
}

void StylePicker::refresh() {
    for (size_t i = 0; i < allStyles.size(); ++i) {
        auto* card = static_cast<StyleCard*>(cards_[i]);
        card->setChosen(allStyles[i] == style_);
        card->setPreviewAccent(accent_);
    }
    for (size_t i = 0; i < allAccents.size(); ++i)
        static_cast<AccentSwatch*>(swatches_[i])->setChosen(allAccents[i] == accent_);
    accentName_->setText(QString::fromUtf8(displayName(accent_).data()));
}

} // namespace keldra
