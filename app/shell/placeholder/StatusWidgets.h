#pragma once
// Plain stock widgets showing the model's status, shared by the placeholder window content and the tray
// popup until the designed screens take their place.

#include "app/model/StatusValues.h"

#include <QPointer>
#include <QWidget>

class QLabel;
class QPushButton;

namespace keldra {

class AppModel;

// The main button's words for a placeholder screen.
QString primaryActionTitle(PrimaryAction action);

// A label that shows text exactly as given (names, paths and portal messages are never markup).
QLabel* plainLabel(const QString& text, QWidget* parent = nullptr);

// Health title, status sentence, progress line and the main button.
class StatusSummary final : public QWidget {
    Q_OBJECT

public:
    explicit StatusSummary(AppModel& model, QWidget* parent = nullptr);
    void update();

    QLabel* title() const { return title_; }
    QLabel* sentence() const { return sentence_; }
    QLabel* progress() const { return progress_; }
    QPushButton* primary() const { return primary_; }

private:
    QPointer<AppModel> model_;
    QLabel* title_;
    QLabel* sentence_;
    QLabel* progress_;
    QPushButton* primary_;
};

// The current banner with its buttons and, when it may be closed, a close button.
class BannerStrip final : public QWidget {
    Q_OBJECT

public:
    explicit BannerStrip(AppModel& model, QWidget* parent = nullptr);
    void update();

    QLabel* title() const { return title_; }
    QLabel* message() const { return message_; }
    QPushButton* action() const { return action_; }
    QPushButton* secondary() const { return secondary_; }
    QPushButton* dismiss() const { return dismiss_; }

private:
    QPointer<AppModel> model_;
    std::optional<BannerModel> shown_;
    QLabel* title_;
    QLabel* message_;
    QPushButton* action_;
    QPushButton* secondary_;
    QPushButton* dismiss_;
};

} // namespace keldra
