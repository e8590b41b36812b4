#pragma once
// The window under the tray icon that holds the tray popover: a frameless, stay-on-top tool window 360 px
// wide whose height follows its content. Escape and the loss of activation hide it. It is a top-level
// window, not a Qt::Popup, because Wayland refuses a popup without a parent window.

#include <QElapsedTimer>
#include <QWidget>
#include <optional>

namespace keldra {

class PopoverWindow : public QWidget {
    Q_OBJECT
public:
    explicit PopoverWindow(QWidget* parent = nullptr);

    // Replaces the content (the window takes it).
    void setContent(QWidget* content);
    QWidget* content() const { return content_; }

    // What a left click on the tray icon does: opens the window beside the icon, or closes it while open.
    // A click that itself took the activation away (and so already hid the window) only closes it.
    void toggle(std::optional<QRect> trayGeometry, QPoint cursor);
    void showAt(std::optional<QRect> trayGeometry, QPoint cursor);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    QWidget* content_ = nullptr;
    // When the loss of activation last hid the window.
    QElapsedTimer hiddenByDeactivation_;
};

} // namespace keldra
