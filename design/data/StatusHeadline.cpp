#include "design/data/StatusHeadline.h"

#include "design/motion/OLMotion.h"
#include "design/text/OLText.h"
#include "design/theme/OLColor.h"

#include <QGraphicsOpacityEffect>
#include <QGridLayout>
#include <QVBoxLayout>
#include <algorithm>

namespace keldra {

namespace {

OLText* makeWord(const OLTextStyle& style, QWidget* parent) {
    auto* word = new OLText(QString(), style, OLColor::textPrimary, parent);
    word->setMaxLines(1);
    word->setMinimumScale(0.5);
    word->setHeading(true);
    return word;
}

// Holds the sentence at no more than its largest width, and asks it for its height at that width (a
// layout would ask at the full width and cut the wrapped lines short).
class WidthCap : public QWidget {
public:
    WidthCap(OLText* text, int cap, QWidget* parent) : QWidget(parent), text_(text), cap_(cap) {
        text_->setParent(this);
        QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Preferred);
        policy.setHeightForWidth(true);
        setSizePolicy(policy);
    }

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override { return text_->heightForWidth(std::min(width, cap_)); }
    QSize sizeHint() const override {
        const int width = std::min(text_->sizeHint().width(), cap_);
        return {width, heightForWidth(width)};
    }
    QSize minimumSizeHint() const override { return {0, 0}; }

protected:
    void resizeEvent(QResizeEvent*) override { text_->setGeometry(0, 0, std::min(width(), cap_), height()); }

private:
    OLText* text_;
    int cap_;
};

} // namespace

StatusHeadline::StatusHeadline(const HealthPresentation& presentation, const OLTextStyle& style,
                               std::optional<QString> sentence, double sentenceWidth, QWidget* parent)
    : QWidget(parent), style_(style), word_(makeWord(style, this)), fading_(makeWord(style, this)),
      wordOpacity_(new QGraphicsOpacityEffect(word_)), fadingOpacity_(new QGraphicsOpacityEffect(fading_)),
      fade_(new OLAnimatedValue(1, false, this)),
      sentence_(new OLText(QString(), OLTextStyle::body, OLColor::textSecondary, this)) {
    // An opacity effect starts at 0.7; the word is drawn whole until a fade.
    wordOpacity_->setOpacity(1);
    fadingOpacity_->setOpacity(0);
    word_->setGraphicsEffect(wordOpacity_);
    fading_->setGraphicsEffect(fadingOpacity_);
    fading_->hide();

    // The old and the new word share one cell while they cross-fade.
    auto* wordCell = new QGridLayout;
    wordCell->setContentsMargins(0, 0, 0, 0);
    wordCell->addWidget(fading_, 0, 0, Qt::AlignLeft | Qt::AlignTop);
    wordCell->addWidget(word_, 0, 0, Qt::AlignLeft | Qt::AlignTop);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(18);
    layout->addLayout(wordCell);
    sentenceBox_ = new WidthCap(sentence_, static_cast<int>(sentenceWidth), this);
    layout->addWidget(sentenceBox_);

    connect(fade_, &OLAnimatedValue::valueChanged, this, [this](double t) {
        wordOpacity_->setOpacity(t);
        fadingOpacity_->setOpacity(1 - t);
    });
    connect(fade_, &OLAnimatedValue::finished, this, [this] { fading_->hide(); });

    const QString shown = QString::fromStdString(presentation.shortStatus());
    word_->setText(shown);
    word_->setColor(presentation.toneColor());
    setSentence(std::move(sentence));
}

void StatusHeadline::setPresentation(const HealthPresentation& presentation) {
    const QString shown = QString::fromStdString(presentation.shortStatus());
    if (shown != word_->text()) {
        fading_->setText(word_->text());
        fading_->setColor(word_->color());
        fading_->show();
        word_->setText(shown);
        fade_->setValue(0);
        fade_->animateTo(1, OLAnimationTiming::easeOut(0.25));
        if (!fade_->isRunning())
            fading_->hide();
    }
    word_->setColor(presentation.toneColor());
}

void StatusHeadline::setSentence(std::optional<QString> sentence) {
    sentenceBox_->setVisible(sentence.has_value());
    sentence_->setText(sentence.value_or(QString()));
}

QString StatusHeadline::word() const {
    return word_->text();
}

bool StatusHeadline::isCrossFading() const {
    return fade_->isRunning();
}

} // namespace keldra
