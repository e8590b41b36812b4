#include "onboarding/setup/StrengthMeter.h"

#include "core/text/Graphemes.h"
#include "core/text/Utf8Text.h"
#include "design/text/OLFont.h"
#include "design/theme/OLColor.h"
#include "design/theme/OLTextStyle.h"

#include <QFontMetricsF>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <unicode/uchar.h>

namespace keldra {

namespace {

// A character is judged by its first scalar.
UChar32 firstScalar(const std::string& cluster) {
    const auto character = utf8CharacterAt(cluster, 0);
    return character ? static_cast<UChar32>(character->codePoint) : 0xFFFD;
}

bool isNumber(UChar32 c) {
    return u_getIntPropertyValue(c, UCHAR_NUMERIC_TYPE) != U_NT_NONE;
}

bool isLetter(UChar32 c) {
    return u_hasBinaryProperty(c, UCHAR_ALPHABETIC) != 0;
}

// Pieces between U+0020 only; tabs and other white space join words.
std::size_t spaceSeparatedWords(std::string_view text) {
    std::size_t words = 0;
    bool inWord = false;
    for (const char c : text) {
        if (c == ' ') {
            inWord = false;
        } else if (!inWord) {
            inWord = true;
            ++words;
        }
    }
    return words;
}

} // namespace

StrengthMeter::StrengthMeter(QWidget* parent) : QWidget(parent) {
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

void StrengthMeter::setPassphrase(const QString& passphrase) {
    const int score = StrengthMeter::score(passphrase.toStdString());
    const bool empty = passphrase.isEmpty();
    if (score == score_ && empty == empty_) {
        return;
    }
    score_ = score;
    empty_ = empty;
    olAccessibleUpdate(this);
    update();
}

int StrengthMeter::score(std::string_view passphrase) {
    const std::vector<std::string> characters = graphemeClusters(passphrase);
    const std::size_t count = characters.size();
    if (count < 10) {
        return count == 0 ? 0 : 1;
    }
    int score = count < 14 ? 1 : 2;
    bool number = false;
    bool other = false;
    for (const std::string& character : characters) {
        const UChar32 c = firstScalar(character);
        if (isNumber(c)) {
            number = true;
            break;
        }
        if (!isLetter(c)) {
            other = true;
        }
    }
    if (number || other) {
        ++score;
    }
    if (spaceSeparatedWords(passphrase) > 3 || count >= 20) {
        ++score;
    }
    return std::min(score, 4);
}

QString StrengthMeter::label(int score) {
    switch (score) {
    case 1:
        return QStringLiteral("Too short or weak");
    case 2:
        return QStringLiteral("OK");
    case 3:
        return QStringLiteral("Good");
    case 4:
        return QStringLiteral("Strong");
    default:
        return {};
    }
}

QColor StrengthMeter::segmentColor(int score) {
    switch (score) {
    case 1:
        return OLColor::toneDanger.qcolor();
    case 2:
        return OLColor::toneWarning.qcolor();
    case 3:
    case 4:
        return OLColor::toneSecure.qcolor();
    default:
        return unlitColor();
    }
}

QColor StrengthMeter::unlitColor() {
    return OLRgba{0xD8, 0xDE, 0xE9, 0.12}.qcolor();
}

QRectF StrengthMeter::segmentRect(int index) const {
    const double width = (gaugeWidth - (segmentCount - 1) * segmentSpacing) / segmentCount;
    return {index * (width + segmentSpacing), (height() - segmentHeight) / 2, width, segmentHeight};
}

QSize StrengthMeter::sizeHint() const {
    const QFontMetricsF metrics(olFont(OLTextStyle::caption));
    const double labelWidth = metrics.horizontalAdvance(label(4));
    return QSize(static_cast<int>(std::ceil(gaugeWidth + labelSpacing + labelWidth)),
                 static_cast<int>(std::ceil(OLTextStyle::caption.size * OLTextStyle::caption.lineHeight)));
}

OLAccessibleDescription StrengthMeter::accessibleDescription() const {
    OLAccessibleDescription description;
    description.role = QAccessible::StaticText;
    description.name = QStringLiteral("Passphrase strength: ") + label(score_);
    return description;
}

void StrengthMeter::paintEvent(QPaintEvent*) {
    // Invisible while empty, but laid out all the same so the fields around it stay put.
    if (empty_) {
        return;
    }
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    for (int i = 0; i < segmentCount; ++i) {
        painter.setBrush(i < score_ ? segmentColor(score_) : unlitColor());
        const QRectF rect = segmentRect(i);
        painter.drawRoundedRect(rect, rect.height() / 2, rect.height() / 2);
    }
    painter.setFont(olFont(OLTextStyle::caption));
    painter.setPen(OLColor::textMuted.qcolor());
    const QRectF text(gaugeWidth + labelSpacing, 0, width() - gaugeWidth - labelSpacing, height());
    painter.drawText(text, Qt::AlignLeft | Qt::AlignVCenter, label(score_));
}

} // namespace keldra
