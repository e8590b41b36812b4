#pragma once

#include <QMainWindow>
#include <QPointer>

namespace keldra {

// The one main window ("main"): titled "Orlivane Keldra", 1200 × 760 at first. Closing it only hides it;
// the application lives on in the tray. Its content is whatever root view it is given.
class MainWindow final : public QMainWindow {
    Q_OBJECT

public:
    static constexpr int defaultWidth = 1200;
    static constexpr int defaultHeight = 760;

    explicit MainWindow(QWidget* parent = nullptr);

    // Replaces the content; the previous root view is deleted.
    void setRootView(QWidget* root);
    QWidget* rootView() const { return centralWidget(); }

    // Shows the window (again), un-minimised, raised and active; 0.15 s later it is raised and activated
    // once more, after the desktop has finished mapping it.
    void openMainWindow();

signals:
    // The user closed the window (it is hidden, not destroyed).
    void closedByUser();

protected:
    void closeEvent(QCloseEvent* event) override;
    // With nothing inside the content focused, Tab goes to the content, which walks its own reading order.
    bool focusNextPrevChild(bool next) override;

private:
    // Set while a Tab is handed to the content: an unanswered one comes back up to the window.
    bool handingTabToContent_ = false;
};

} // namespace keldra
