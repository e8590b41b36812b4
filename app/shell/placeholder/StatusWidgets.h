#pragma once
// Plain stock widgets showing the model's status, for the tray popup until its designed panel takes its
// place.

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

} // namespace keldra
