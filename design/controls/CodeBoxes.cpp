#include "design/controls/CodeBoxes.h"

#include "design/controls/CodeDigits.h"
#include "design/shape/ContinuousRect.h"
#include "design/text/OLFont.h"
#include "design/theme/OLColor.h"
#include "design/theme/OLSpace.h"
#include "design/theme/OLThemeValues.h"
#include "design/theme/ThemeScope.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QPainter>
#include <algorithm>

namespace keldra {

namespace {

constexpr double boxWidth = OLSize::controlHeightXLarge; // 46
constexpr double boxHeight = OLSize::rowHeight;          // 54
constexpr double spacing = 10;

QString filtered(const QString& text) {
    return QString::fromStdString(keepCodeDigits(text.toStdString()));
}

QFont digitFont() {
    return olFont({24, OLFontWeight::medium, 1.2, 0, false, false, OLRelativeTextStyle::title2});
}

} // namespace

CodeBoxes::CodeBoxes(QString code, std::function<void()> onComplete, QWidget* parent)
    : OLWidget(parent), code_(filtered(code)), onComplete_(std::move(onComplete)) {
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_InputMethodEnabled);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void CodeBoxes::setCode(const QString& code) {
    const QString kept = filtered(code);
    if (kept == code_)
        return;
    code_ = kept;
    update();
    olAccessibleUpdate(this);
}

void CodeBoxes::insertText(const QString& text) {
    write(code_ + text);
}

void CodeBoxes::write(const QString& text) {
    const QString kept = filtered(text);
    const bool changed = kept != code_;
    code_ = kept;
    if (changed) {
        update();
        olAccessibleUpdate(this);
        emit codeEdited(code_);
    }
    if (code_.size() == static_cast<qsizetype>(codeLength) && onComplete_)
        onComplete_();
}

int CodeBoxes::activeBox() const {
    if (!focused_)
        return -1;
    return static_cast<int>(std::min<qsizetype>(code_.size(), codeLength - 1));
}

QSize CodeBoxes::sizeHint() const {
    return {static_cast<int>(codeLength * boxWidth + (codeLength - 1) * spacing),
            static_cast<int>(boxHeight)};
}

QVariant CodeBoxes::inputMethodQuery(Qt::InputMethodQuery query) const {
    switch (query) {
    case Qt::ImEnabled:
        return true;
    case Qt::ImHints:
        return static_cast<int>(Qt::ImhDigitsOnly | Qt::ImhNoPredictiveText);
    case Qt::ImSurroundingText:
        return code_;
    case Qt::ImCursorPosition:
    case Qt::ImAnchorPosition:
        return static_cast<int>(code_.size());
    default:
        return OLWidget::inputMethodQuery(query);
    }
}

OLAccessibleDescription CodeBoxes::accessibleDescription() const {
    return {QAccessible::EditableText, tr("Six-digit code"), code_};
}

void CodeBoxes::keyPressEvent(QKeyEvent* event) {
    if (event->matches(QKeySequence::Paste)) {
        insertText(QGuiApplication::clipboard()->text());
        return;
    }
    if (event->key() == Qt::Key_Backspace) {
        if (!code_.isEmpty())
            write(code_.chopped(1));
        return;
    }
    const QString text = event->text();
    const bool printable = !text.isEmpty() && std::all_of(text.begin(), text.end(), [](QChar c) {
        return c.isPrint() && c != QChar(QChar::Tabulation);
    });
    if (printable && !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))) {
        insertText(text);
        return;
    }
    OLWidget::keyPressEvent(event);
}

void CodeBoxes::inputMethodEvent(QInputMethodEvent* event) {
    if (!event->commitString().isEmpty())
        insertText(event->commitString());
    event->accept();
}

void CodeBoxes::mousePressEvent(QMouseEvent* event) {
    OLWidget::mousePressEvent(event);
    setFocus(Qt::MouseFocusReason);
}

void CodeBoxes::showEvent(QShowEvent* event) {
    OLWidget::showEvent(event);
    setFocus(Qt::OtherFocusReason);
}

void CodeBoxes::focusInEvent(QFocusEvent* event) {
    focused_ = true;
    OLWidget::focusInEvent(event);
    update();
}

void CodeBoxes::focusOutEvent(QFocusEvent* event) {
    focused_ = false;
    OLWidget::focusOutEvent(event);
    update();
}

void CodeBoxes::paintEvent(QPaintEvent*) {
    const auto theme = olTheme(this);
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setFont(digitFont());
    const int active = activeBox();
    for (int i = 0; i < static_cast<int>(codeLength); ++i) {
        const QRectF box(i * (boxWidth + spacing), 0, boxWidth, boxHeight);
        fillContinuousRect(p, box, radiusSmall(theme), OLColor::surface.qcolor());
        if (i == active)
            strokeInside(p, box, radiusSmall(theme), accentColor(theme).qcolor(), 2);
        else
            strokeInside(p, box, radiusSmall(theme), OLColor::border.qcolor(), 1);
        if (i < code_.size()) {
            p.setPen(OLColor::textPrimary.qcolor());
            p.drawText(box, Qt::AlignCenter, code_.mid(i, 1));
        }
    }
}

} // namespace keldra
