#pragma once
// The one widget for styled text: a token text style (family, size, weight, tracking, extra line spacing,
// case), a colour, an optional line limit with end or middle elision, and shrinking down to a minimum scale
// before eliding. Always plain text: data (names, paths, portal messages) is never read as markup.

#include "design/theme/OLRgba.h"
#include "design/theme/OLTextStyle.h"

#include <QFont>
#include <QStringList>
#include <QWidget>

namespace keldra {

class OLText : public QWidget {
    Q_OBJECT
public:
    explicit OLText(QWidget* parent = nullptr);
    OLText(const QString& text, const OLTextStyle& style, const OLRgba& color, QWidget* parent = nullptr);

    void setText(const QString& text);
    const QString& text() const { return text_; }
    // The text as drawn (upper-cased for an upper-case style, otherwise exactly as given).
    QString shownText() const;

    void setStyle(const OLTextStyle& style);
    const OLTextStyle& style() const { return style_; }

    void setColor(const OLRgba& color);
    const OLRgba& color() const { return color_; }

    // 0 = no limit. One line never wraps.
    void setMaxLines(int lines);
    int maxLines() const { return maxLines_; }

    // Qt::ElideRight (default) or Qt::ElideMiddle (paths); Qt::ElideNone clips.
    void setElideMode(Qt::TextElideMode mode);

    // Text that does not fit first shrinks down to this fraction of its size (1 = never).
    void setMinimumScale(double scale);

    // Horizontal and vertical placement inside the widget.
    void setAlignment(Qt::Alignment alignment);

    // A heading reads to assistive technologies with the heading role.
    void setHeading(bool heading);
    bool isHeading() const { return heading_; }

    // The font the style gives (before any shrinking).
    QFont styleFont() const;
    // Distance from the top of the widget to the first line's baseline.
    double baseline() const;
    // Whether the last layout had to elide.
    bool isElided() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    bool hasHeightForWidth() const override;
    int heightForWidth(int width) const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    struct Layout {
        double width = -1;
        QFont font;
        QStringList lines;
        double lineHeight = 0;
        double ascent = 0;
        double spacing = 0;
        double height = 0;
        double naturalWidth = 0;
        bool elided = false;
    };

    const Layout& layoutFor(double width) const;
    Layout compute(double width) const;
    void invalidate();

    QString text_;
    OLTextStyle style_ = OLTextStyle::body;
    OLRgba color_{0xEC, 0xEF, 0xF4, 1};
    int maxLines_ = 0;
    Qt::TextElideMode elide_ = Qt::ElideRight;
    double minimumScale_ = 1;
    Qt::Alignment alignment_ = Qt::AlignLeft | Qt::AlignTop;
    bool heading_ = false;
    mutable Layout cache_;
};

} // namespace keldra
