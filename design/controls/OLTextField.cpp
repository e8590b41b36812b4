#include "design/controls/OLTextField.h"

#include "design/controls/KitLineEdit.h"
#include "design/shape/ContinuousRect.h"
#include "design/theme/OLColor.h"
#include "design/theme/OLSpace.h"
#include "design/theme/OLThemeValues.h"
#include "design/theme/ThemeScope.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPainter>

namespace keldra {

namespace {
constexpr int sidePadding = 12;
}

OLTextField::OLTextField(const QString& placeholder, const QString& text, bool secure, bool mono,
                         std::function<void()> onSubmit, QWidget* parent)
    : OLWidget(parent), edit_(new QLineEdit(this)) {
    setUpKitLineEdit(edit_, mono ? OLTextStyle::mono : OLLiteralFont::field);
    edit_->setPlaceholderText(placeholder);
    edit_->setAccessibleName(placeholder);
    edit_->setText(text);
    if (secure)
        edit_->setEchoMode(QLineEdit::Password);
    if (onSubmit)
        connect(edit_, &QLineEdit::returnPressed, this, [onSubmit = std::move(onSubmit)] { onSubmit(); });
    connect(edit_, &QLineEdit::textEdited, this, &OLTextField::textEdited);
    edit_->installEventFilter(this);

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(sidePadding, 0, sidePadding, 0);
    layout->addWidget(edit_);
    setFocusProxy(edit_);
    setFixedHeight(static_cast<int>(OLSize::fieldHeight));
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

QString OLTextField::text() const {
    return edit_->text();
}

void OLTextField::setText(const QString& text) {
    if (edit_->text() != text)
        edit_->setText(text);
}

QSize OLTextField::sizeHint() const {
    return {240, static_cast<int>(OLSize::fieldHeight)};
}

QSize OLTextField::minimumSizeHint() const {
    return {2 * sidePadding + 40, static_cast<int>(OLSize::fieldHeight)};
}

bool OLTextField::eventFilter(QObject* watched, QEvent* event) {
    if (watched == edit_ && (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut)) {
        focused_ = event->type() == QEvent::FocusIn;
        update();
    }
    return OLWidget::eventFilter(watched, event);
}

void OLTextField::paintEvent(QPaintEvent*) {
    const auto theme = olTheme(this);
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF frame = rect();
    fillContinuousRect(p, frame, radiusSmall(theme), OLColor::surface.qcolor());
    if (focused_)
        strokeInside(p, frame, radiusSmall(theme), OLColor::focusRing.qcolor(), 2);
    else
        strokeInside(p, frame, radiusSmall(theme),
                     (isGlass(theme) ? OLColor::hairline : OLColor::border).qcolor(), 1);
}

} // namespace keldra
