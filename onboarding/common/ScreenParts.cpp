#include "onboarding/common/ScreenParts.h"

#include "app/async/Workers.h"
#include "design/button/OLButton.h"
#include "design/text/OLText.h"
#include "design/theme/OLColor.h"

namespace keldra {

OLText* makeErrorLine() {
    auto* line = new OLText(QString(), OLTextStyle::callout, OLColor::textError);
    line->hide();
    return line;
}

void showError(OLText* line, const std::optional<std::string>& message) {
    line->setText(message ? QString::fromStdString(*message) : QString());
    line->setVisible(message.has_value());
}

OLButton* makeMainButton(const QString& title) {
    auto* button = new OLButton(title, OLButtonKind::primary);
    button->setFullWidth(true);
    return button;
}

OLButton* makeTextLink(const QString& title) {
    auto* link = new OLButton(title, OLButtonKind::text);
    link->setControlHeight(true);
    return link;
}

void runDetached(QCoro::Task<> task) {
    detachTask(std::move(task));
}

} // namespace keldra
