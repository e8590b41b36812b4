#include "design/text/OLText.h"

#include "design/access/OLAccessibleControl.h"
#include "design/text/OLFont.h"

#include <QAccessibleWidget>
#include <QEvent>
#include <QFontMetricsF>
#include <QPainter>
#include <QTextLayout>
#include <algorithm>
#include <cmath>
#include <limits>
#include <mutex>

namespace keldra {
namespace {

constexpr double unbounded = 1e6;

// A text reads as a plain widget, or as a heading where it heads a screen or a group.
class OLTextAccessible : public QAccessibleWidget {
public:
    explicit OLTextAccessible(OLText* text) : QAccessibleWidget(text, QAccessible::Client) {}
    QAccessible::Role role() const override {
        const auto* text = static_cast<const OLText*>(widget());
        return text->isHeading() ? QAccessible::Heading : QAccessibleWidget::role();
    }
};

QAccessibleInterface* textFactory(const QString&, QObject* object) {
    // A text that describes itself as a kit control is left to the kit's factory.
    auto* text = qobject_cast<OLText*>(object);
    if (text != nullptr && dynamic_cast<OLAccessibleControl*>(text) == nullptr)
        return new OLTextAccessible(text);
    return nullptr;
}

struct Broken {
    QStringList lines;
    QList<int> starts;
    double widest = 0;
    bool overflow = false; // more lines than allowed, or one line wider than the width
};

Broken breakLines(const QString& text, const QFont& font, double width, int maxLines,
                  const QPaintDevice* device) {
    Broken out;
    QString prepared = text;
    prepared.replace(QLatin1Char('\n'), QChar::LineSeparator);
    QTextLayout layout(prepared, font, const_cast<QPaintDevice*>(device));
    QTextOption option;
    option.setWrapMode(maxLines == 1 ? QTextOption::NoWrap : QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(width > 0 ? width : unbounded);
        out.starts.append(line.textStart());
        QString piece = prepared.mid(line.textStart(), line.textLength());
        while (!piece.isEmpty() && (piece.back() == QChar::LineSeparator || piece.back().isSpace()))
            piece.chop(1);
        out.lines.append(piece);
        out.widest = std::max(out.widest, line.naturalTextWidth());
    }
    layout.endLayout();
    if (out.lines.isEmpty()) {
        out.lines.append(QString());
        out.starts.append(0);
    }
    if (maxLines > 0 && out.lines.size() > maxLines)
        out.overflow = true;
    if (width > 0 && out.widest > width + 0.01)
        out.overflow = true;
    return out;
}

} // namespace

OLText::OLText(QWidget* parent) : QWidget(parent) {
    static std::once_flag installed;
    std::call_once(installed, [] { QAccessible::installFactory(textFactory); });
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
}

OLText::OLText(const QString& text, const OLTextStyle& style, const OLRgba& color, QWidget* parent)
    : OLText(parent) {
    style_ = style;
    color_ = color;
    setText(text);
}

void OLText::setText(const QString& text) {
    if (text == text_)
        return;
    text_ = text;
    setAccessibleName(text);
    invalidate();
}

void OLText::setHeading(bool heading) {
    heading_ = heading;
}

QString OLText::shownText() const {
    return style_.uppercase ? text_.toUpper() : text_;
}

void OLText::setStyle(const OLTextStyle& style) {
    if (style == style_)
        return;
    style_ = style;
    invalidate();
}

void OLText::setColor(const OLRgba& color) {
    if (color == color_)
        return;
    color_ = color;
    update();
}

void OLText::setMaxLines(int lines) {
    maxLines_ = std::max(0, lines);
    invalidate();
}

void OLText::setElideMode(Qt::TextElideMode mode) {
    elide_ = mode;
    invalidate();
}

void OLText::setMinimumScale(double scale) {
    minimumScale_ = std::clamp(scale, 0.05, 1.0);
    invalidate();
}

void OLText::setAlignment(Qt::Alignment alignment) {
    alignment_ = alignment;
    update();
}

QFont OLText::styleFont() const {
    return olFont(style_);
}

void OLText::invalidate() {
    cache_ = Layout{};
    updateGeometry();
    update();
}

OLText::Layout OLText::compute(double width) const {
    Layout out;
    out.width = width;
    const QString shown = shownText();
    double scale = 1;
    Broken broken;
    for (;;) {
        out.font = olFont(style_, scale);
        broken = breakLines(shown, out.font, width, maxLines_, this);
        if (!broken.overflow || scale <= minimumScale_ + 1e-9)
            break;
        scale = std::max(minimumScale_, scale - 0.02);
    }
    const QFontMetricsF metrics(out.font, this);
    out.lineHeight = metrics.height();
    out.ascent = metrics.ascent();
    out.spacing = style_.lineSpacing() * scale;
    out.naturalWidth = broken.widest;
    out.lines = broken.lines;
    if (broken.overflow && elide_ != Qt::ElideNone) {
        const int keep = maxLines_ > 0 ? std::min<int>(maxLines_, static_cast<int>(out.lines.size()))
                                       : static_cast<int>(out.lines.size());
        QString prepared = shown;
        prepared.replace(QLatin1Char('\n'), QLatin1Char(' '));
        QString rest = prepared.mid(broken.starts.at(keep - 1));
        out.lines = out.lines.mid(0, keep);
        const double room = width > 0 ? width : unbounded;
        out.lines[keep - 1] = metrics.elidedText(rest, elide_, room);
        out.elided = true;
    } else if (maxLines_ > 0 && out.lines.size() > maxLines_) {
        out.lines = out.lines.mid(0, maxLines_);
    }
    const auto count = static_cast<double>(out.lines.size());
    out.height = count * out.lineHeight + std::max(0.0, count - 1) * out.spacing;
    return out;
}

const OLText::Layout& OLText::layoutFor(double width) const {
    if (cache_.width != width)
        cache_ = compute(width);
    return cache_;
}

double OLText::baseline() const {
    const Layout& laid = layoutFor(width());
    double top = 0;
    if (alignment_ & Qt::AlignVCenter)
        top = (height() - laid.height) / 2;
    else if (alignment_ & Qt::AlignBottom)
        top = height() - laid.height;
    return top + laid.ascent;
}

bool OLText::isElided() const {
    return layoutFor(width()).elided;
}

QSize OLText::sizeHint() const {
    const Layout natural = compute(-1);
    return {static_cast<int>(std::ceil(natural.naturalWidth)), static_cast<int>(std::ceil(natural.height))};
}

QSize OLText::minimumSizeHint() const {
    const QSize natural = sizeHint();
    if (elide_ == Qt::ElideNone && minimumScale_ >= 1 && maxLines_ == 1)
        return natural;
    const QFontMetricsF metrics(olFont(style_, minimumScale_), this);
    const int least = static_cast<int>(std::ceil(metrics.horizontalAdvance(QStringLiteral("M\u2026"))));
    return {std::min(natural.width(), least), natural.height()};
}

bool OLText::hasHeightForWidth() const {
    return maxLines_ != 1;
}

int OLText::heightForWidth(int width) const {
    // A layout asks with the width of its column, but never lays the text out wider than its maximum (a
    // centred item gets at most that): its lines are counted at the width it will have.
    width = std::min(width, maximumWidth());
    return static_cast<int>(std::ceil(compute(width).height));
}

void OLText::changeEvent(QEvent* event) {
    if (event->type() == QEvent::FontChange || event->type() == QEvent::ScreenChangeInternal)
        invalidate();
    QWidget::changeEvent(event);
}

void OLText::paintEvent(QPaintEvent*) {
    const Layout& laid = layoutFor(width());
    QPainter painter(this);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setFont(laid.font);
    painter.setPen(color_.qcolor());
    const QFontMetricsF metrics(laid.font, this);
    double y = baseline();
    for (const QString& line : laid.lines) {
        const double advance = metrics.horizontalAdvance(line);
        double x = 0;
        if (alignment_ & Qt::AlignHCenter)
            x = (width() - advance) / 2;
        else if (alignment_ & Qt::AlignRight)
            x = width() - advance;
        painter.drawText(QPointF(x, y), line);
        y += laid.lineHeight + laid.spacing;
    }
}

} // namespace keldra
