#pragma once
// A notice box: a tone icon, a title, a wrapping message, up to two accent-coloured text buttons and an
// optional close button. It keeps no state; it runs the caller's closures.

#include "app/model/ThemeValues.h"
#include "design/theme/OLWidget.h"

#include <functional>
#include <optional>

class QAbstractButton;

namespace keldra {

class OLButton;
class OLText;

class StateBanner : public OLWidget {
    Q_OBJECT
public:
    StateBanner(StatusTone tone, const QString& title, const QString& message,
                std::optional<QString> actionTitle = std::nullopt, std::function<void()> action = {},
                std::optional<QString> secondaryTitle = std::nullopt, std::function<void()> secondary = {},
                std::function<void()> onDismiss = {}, QWidget* parent = nullptr);

    // The row of text buttons, absent when neither title is given.
    QWidget* buttonRow() const { return buttonRow_; }
    OLButton* actionButton() const { return actionButton_; }
    OLButton* secondaryButton() const { return secondaryButton_; }
    QAbstractButton* dismissButton() const { return dismissButton_; }
    OLText* titleText() const { return title_; }
    OLText* messageText() const { return message_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    StatusTone tone_;
    OLText* title_;
    OLText* message_;
    QWidget* buttonRow_ = nullptr;
    OLButton* actionButton_ = nullptr;
    OLButton* secondaryButton_ = nullptr;
    QAbstractButton* dismissButton_ = nullptr;
};

} // namespace keldra
