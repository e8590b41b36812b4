#pragma once
// The large status word of the health ("Protected.") with the status sentence under it. The word fades
// into a new word when the health's word changes; a change that keeps the word does not fade.

#include "design/health/HealthPresentation.h"
#include "design/theme/OLTextStyle.h"

#include <QWidget>
#include <optional>

class QGraphicsOpacityEffect;

namespace keldra {

class OLAnimatedValue;
class OLText;

class StatusHeadline : public QWidget {
    Q_OBJECT
public:
    StatusHeadline(const HealthPresentation& presentation, const OLTextStyle& style,
                   std::optional<QString> sentence, double sentenceWidth, QWidget* parent = nullptr);

    void setPresentation(const HealthPresentation& presentation);
    void setSentence(std::optional<QString> sentence);

    QString word() const;
    // Whether the old word is still fading out.
    bool isCrossFading() const;
    OLText* wordText() const { return word_; }
    OLText* sentenceText() const { return sentence_; }

private:
    OLTextStyle style_;
    OLText* word_;
    OLText* fading_;
    QGraphicsOpacityEffect* wordOpacity_;
    QGraphicsOpacityEffect* fadingOpacity_;
    OLAnimatedValue* fade_;
    OLText* sentence_;
    QWidget* sentenceBox_;
};

} // namespace keldra
