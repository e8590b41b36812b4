#include "design/data/StatusHeadline.h"

#include "design/motion/OLMotion.h"
#include "design/text/OLText.h"
#include "design/theme/OLColor.h"

#include <QGraphicsOpacityEffect>
#include <QGridLayout>
#include <QVBoxLayout>

namespace keldra {

namespace {

OLText* makeWord(const OLTextStyle& style, QWidget* parent) {
    auto* word = new OLText(QString(), style, OLColor::textPrimary, parent);
    word->setMaxLines(1);
    word->setMinimumScale(0.5);
    word->setAccessibleDescription(QStringLiteral("heading"));
    return word;
}

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
    sentence_->setMaximumWidth(static_cast<int>(sentenceWidth));
    sentence_->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Minimum);

    // The old and the new word share one cell while they cross-fade.
    auto* wordCell = new QGridLayout;
    wordCell->setContentsMargins(0, 0, 0, 0);
    wordCell->addWidget(fading_, 0, 0, Qt::AlignLeft | Qt::AlignTop);
    wordCell->addWidget(word_, 0, 0, Qt::AlignLeft | Qt::AlignTop);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(18);
    layout->addLayout(wordCell);
    layout->addWidget(sentence_, 0, Qt::AlignLeft);

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
        fade_->animateTo(1, OLAnimationSpec::easeOut(0.25));
        if (!fade_->isRunning())
            fading_->hide();
    }
    word_->setColor(presentation.toneColor());
}

void StatusHeadline::setSentence(std::optional<QString> sentence) {
    sentence_->setVisible(sentence.has_value());
    sentence_->setText(sentence.value_or(QString()));
}

QString StatusHeadline::word() const {
    return word_->text();
}

bool StatusHeadline::isCrossFading() const {
    return fade_->isRunning();
}

} // namespace keldra
