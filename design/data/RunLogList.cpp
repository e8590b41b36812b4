#include "design/data/RunLogList.h"

#include "design/text/OLText.h"
#include "design/theme/OLColor.h"

#include <QDateTime>
#include <QHBoxLayout>
#include <QPainter>
#include <QVBoxLayout>
#include <chrono>

namespace keldra {

namespace {

struct ToneLook {
    QString symbol;
    OLRgba symbolColor;
    OLRgba textColor;
};

ToneLook lookOf(LogLine::Tone tone) {
    switch (tone) {
    case LogLine::Tone::info:
        return {QStringLiteral("\u00B7"), OLColor::textMuted, OLColor::textSecondary};
    case LogLine::Tone::ok:
        return {QStringLiteral("\u2713"), OLColor::toneSecure, OLColor::textSecondary};
    case LogLine::Tone::warning:
        return {QStringLiteral("!"), OLColor::toneWarning, OLColor::toneWarning};
    case LogLine::Tone::error:
        return {QStringLiteral("\u2715"), OLColor::textError, OLColor::textError};
    }
    return {QStringLiteral("\u00B7"), OLColor::textMuted, OLColor::textSecondary};
}

class LogRow : public QWidget {
public:
    LogRow(const LogLine& line, QWidget* parent) : QWidget(parent) {
        const ToneLook look = lookOf(line.tone);
        auto* time = new OLText(logTimeOfDay(line.date), OLTextStyle::mono, OLColor::textMuted, this);
        time->setMaxLines(1);
        time->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
        auto* symbol = new OLText(look.symbol, OLTextStyle::mono, look.symbolColor, this);
        symbol->setFixedWidth(10);
        symbol->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
        text_ = new OLText(QString::fromStdString(line.text), OLTextStyle::mono, look.textColor, this);
        text_->setMaxLines(2);
        text_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
        auto* layout = new QHBoxLayout(this);
        layout->setContentsMargins(0, 10, 0, 10);
        layout->setSpacing(14);
        // All three share one style, so their first baselines line up when their tops do.
        layout->addWidget(time, 0, Qt::AlignTop);
        layout->addWidget(symbol, 0, Qt::AlignTop);
        layout->addWidget(text_, 1, Qt::AlignTop);
    }

    OLText* text() const { return text_; }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.fillRect(QRectF(0, height() - 1, width(), 1), OLColor::hairline.qcolor());
    }

private:
    OLText* text_;
};

} // namespace

QString logTimeOfDay(SystemTime date) {
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(date.time_since_epoch()).count();
    return QDateTime::fromMSecsSinceEpoch(ms).toString(QStringLiteral("HH:mm:ss"));
}

RunLogList::RunLogList(std::vector<LogLine> lines, int limit, QWidget* parent)
    : RuledList(parent), lines_(std::move(lines)), limit_(std::max(limit, 0)) {
    // A wrapped line makes its row taller than the one-line hint, so the list's height follows its width:
    // a fixed policy would cap it at the hint and cut every second line off.
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    rebuild();
}

void RunLogList::setLines(std::vector<LogLine> lines) {
    if (lines == lines_)
        return;
    lines_ = std::move(lines);
    rebuild();
}

void RunLogList::rebuild() {
    clearRows();
    if (lines_.empty()) {
        auto* empty = new OLText(tr("No activity yet."), OLTextStyle::mono, OLColor::textMuted, this);
        empty->setMinimumHeight(38);
        empty->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        addRow(empty);
        return;
    }
    const size_t shown = std::min(lines_.size(), static_cast<size_t>(limit_));
    for (size_t i = 0; i < shown; ++i)
        addRow(new LogRow(lines_[lines_.size() - 1 - i], this));
}

QStringList RunLogList::shownTexts() const {
    QStringList out;
    for (QWidget* widget : rowWidgets()) {
        if (auto* row = dynamic_cast<LogRow*>(widget))
            out << row->text()->text();
    }
    return out;
}

int RunLogList::rowCount() const {
    return static_cast<int>(shownTexts().size());
}

} // namespace keldra
