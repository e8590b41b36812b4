#pragma once

#include <QPointer>
#include <QWidget>
#include <functional>

class QPushButton;

namespace keldra {

class AppModel;
class StatusSummary;

// The panel the tray icon opens: the health, its sentence, the main button, "Open Orlivane Keldra" and
// "Quit".
class TrayPopup final : public QWidget {
    Q_OBJECT

public:
    TrayPopup(AppModel& model, std::function<void()> openWindow, std::function<void()> quit,
              QWidget* parent = nullptr);

    StatusSummary* summary() const { return summary_; }
    QPushButton* openButton() const { return open_; }
    QPushButton* quitButton() const { return quit_; }

private:
    StatusSummary* summary_;
    QPushButton* open_;
    QPushButton* quit_;
};

} // namespace keldra
