#include "design/controls/OLSearchField.h"

#include "design/access/OLAccessibleControl.h"
#include "design/button/OLAbstractButton.h"
#include "design/controls/KitLineEdit.h"
#include "design/icon/OLIcon.h"
#include "design/shape/ContinuousRect.h"
#include "design/text/OLFont.h"
#include "design/theme/OLColor.h"
#include "design/theme/OLSpace.h"
#include "design/theme/OLThemeValues.h"
#include "design/theme/ThemeScope.h"

#include <QAbstractButton>
#include <QFocusEvent>
#include <QFontMetricsF>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPainter>
#include <cmath>

namespace keldra {

namespace {

constexpr int sidePadding = 12;
constexpr double searchIconSize = 16;
constexpr double clearIconSize = 12;
constexpr double fieldRadius = 10;

OLTextStyle hintStyle() {
    return {11, OLFontWeight::regular, 1.2, 0, true, false, OLRelativeTextStyle::caption2};
}

class SearchIcon : public QWidget {
public:
    explicit SearchIcon(QWidget* parent) : QWidget(parent) {
        setFixedSize(static_cast<int>(searchIconSize), static_cast<int>(searchIconSize));
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        olDrawIcon(p, rect(), QStringLiteral("icon-search"), OLColor::textMuted.qcolor());
    }
};

// Clears the text without taking focus from the field.
class ClearButton : public OLAbstractButton, public OLAccessibleControl {
public:
    explicit ClearButton(QWidget* parent) : OLAbstractButton(parent) {
        setFocusPolicy(Qt::NoFocus);
        setCursor(Qt::ArrowCursor);
        setFixedSize(static_cast<int>(clearIconSize) + 4, static_cast<int>(clearIconSize) + 4);
        setAccessibleName(OLSearchField::tr("Clear search"));
    }
    OLAccessibleDescription accessibleDescription() const override {
        return {QAccessible::Button, accessibleName(), {}};
    }
    void accessiblePress() override { click(); }
    bool hasAccessiblePress() const override { return true; }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        const QRectF icon(2, 2, clearIconSize, clearIconSize);
        olDrawIcon(p, icon, QStringLiteral("icon-close"), OLColor::textMuted.qcolor());
    }
};

} // namespace

class SearchShortcutHint : public QWidget {
public:
    SearchShortcutHint(QString text, QWidget* parent) : QWidget(parent), text_(std::move(text)) {
        const QFontMetricsF metrics(olFont(hintStyle()));
        setFixedSize(static_cast<int>(std::ceil(metrics.horizontalAdvance(text_) + 12)),
                     static_cast<int>(std::ceil(metrics.height() + 4)));
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        strokeInside(p, rect(), 4, OLColor::border.qcolor(), 1);
        p.setFont(olFont(hintStyle()));
        p.setPen(OLColor::textMuted.qcolor());
        p.drawText(rect(), Qt::AlignCenter, text_);
    }

private:
    QString text_;
};

OLSearchField::OLSearchField(const QString& placeholder, const QString& text, const QString& shortcut,
                             std::function<void()> onSubmit, QWidget* parent)
    : OLWidget(parent), edit_(new QLineEdit(this)), clear_(new ClearButton(this)) {
    setUpKitLineEdit(edit_, OLLiteralFont::field);
    edit_->setPlaceholderText(placeholder);
    edit_->setAccessibleName(placeholder);
    edit_->setText(text);
    edit_->installEventFilter(this);
    if (onSubmit)
        connect(edit_, &QLineEdit::returnPressed, this, [onSubmit = std::move(onSubmit)] { onSubmit(); });
    connect(edit_, &QLineEdit::textEdited, this, &OLSearchField::textEdited);
    connect(edit_, &QLineEdit::textChanged, this, [this] { updateAccessory(); });
    connect(clear_, &QAbstractButton::clicked, this, [this] {
        edit_->clear();
        emit textEdited(QString());
    });
    if (!shortcut.isEmpty())
        hint_ = new SearchShortcutHint(shortcut, this);

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(sidePadding, 0, sidePadding, 0);
    layout->setSpacing(10);
    layout->addWidget(new SearchIcon(this));
    layout->addWidget(edit_, 1);
    layout->addWidget(clear_);
    if (hint_)
        layout->addWidget(hint_);
    setFocusProxy(edit_);
    setFixedHeight(static_cast<int>(OLSize::fieldHeight));
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    updateAccessory();
}

QString OLSearchField::text() const {
    return edit_->text();
}

void OLSearchField::setText(const QString& text) {
    if (edit_->text() != text)
        edit_->setText(text);
}

void OLSearchField::requestFocus() {
    edit_->setFocus(Qt::OtherFocusReason);
}

bool OLSearchField::isFocused() const {
    return edit_->hasFocus();
}

QWidget* OLSearchField::shortcutHint() const {
    return hint_;
}

void OLSearchField::updateAccessory() {
    const bool hasText = !edit_->text().isEmpty();
    clear_->setVisible(hasText);
    if (hint_)
        hint_->setVisible(!hasText);
}

QSize OLSearchField::sizeHint() const {
    return {260, static_cast<int>(OLSize::fieldHeight)};
}

QSize OLSearchField::minimumSizeHint() const {
    return {2 * sidePadding + 80, static_cast<int>(OLSize::fieldHeight)};
}

bool OLSearchField::eventFilter(QObject* watched, QEvent* event) {
    if (watched == edit_ && (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut)) {
        if (event->type() == QEvent::FocusIn)
            keyboardFocus_.focusIn(*static_cast<QFocusEvent*>(event));
        else
            keyboardFocus_.focusOut();
        update();
        emit focusChanged(event->type() == QEvent::FocusIn);
    }
    if (watched == edit_ && event->type() == QEvent::MouseButtonPress) {
        keyboardFocus_.pointerPressed();
        update();
    }
    return OLWidget::eventFilter(watched, event);
}

void OLSearchField::paintEvent(QPaintEvent*) {
    const auto theme = olTheme(this);
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    fillContinuousRect(p, rect(), fieldRadius, OLColor::surface.qcolor());
    strokeInside(p, rect(), fieldRadius, (isGlass(theme) ? OLColor::hairline : OLColor::border).qcolor(), 1);
    // Only when the keyboard brought focus here: a click shows the caret where the user expects it.
    if (edit_->hasFocus() && keyboardFocus_.visible())
        drawFocusRing(p, rect(), fieldRadius);
}

} // namespace keldra
