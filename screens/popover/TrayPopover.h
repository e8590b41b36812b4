#pragma once
// The content of the window under the tray icon: whether this computer is protected, the one action that
// matters now, the key numbers, and ways into the main window or out of the application. Two layouts, one
// per popover style: glass (centred around the orb, with two stat pills) and signal (a text-led dashboard
// with a data list, the upload chart and Ctrl+O / Ctrl+Q). Until an account is ready or locked, a short
// sign-in prompt takes the status block's place.
//
// The popover draws in its own theme scope, the model's popover theme, and is rebuilt when its style, the
// block shown, the primary action or the running flag change; other changes update it in place.

#include "app/model/AppPhase.h"
#include "app/model/StatusValues.h"
#include "design/theme/OLRgba.h"
#include "design/theme/OLTextStyle.h"
#include "design/theme/OLWidget.h"
#include "design/update/Refresh.h"

#include <QAbstractButton>
#include <QPointer>
#include <functional>

class QShortcut;

namespace keldra {

class AppModelView;
class DataList;
class KeldraOrb;
class OLButton;
class OLProgressBar;
class OLText;
class TextLink;
class StatPill;
class StatusChip;
class ThroughputChart;

class TrayPopover : public OLWidget {
    Q_OBJECT
public:
    // `openWindow` hides the popover and brings the main window forward; `quit` is the application's own
    // quit.
    TrayPopover(AppModelView& app, std::function<void()> openWindow, std::function<void()> quit,
                QWidget* parent = nullptr);

    // Writes the section (only while the account is ready and when it differs), then opens the window.
    void openApp(AppSection section);
    // The application's quit, from the footer or Ctrl+Q.
    void quitApp();
    // Performs the action; a review, an unlock or a sign-in then opens the window on the Overview.
    void runPrimaryAction(PrimaryAction action);

    bool isSignal() const { return signal_; }
    // The status block (ready and unlock) or the sign-in prompt (every other phase); one of them is set.
    QWidget* statusBlock() const { return status_; }
    QWidget* signInPrompt() const { return signIn_; }
    OLButton* primaryButton() const { return primary_; }
    OLText* titleText() const { return title_; }
    KeldraOrb* orb() const { return orb_; }
    OLProgressBar* progressBar() const { return bar_; }
    StatPill* storagePill() const { return storagePill_; }
    StatPill* secondPill() const { return secondPill_; }
    StatusChip* chip() const { return chip_; }
    DataList* dataList() const { return data_; }
    OLText* speedText() const { return speed_; }
    // The buttons that open the window and quit, in the footer.
    QWidget* footerOpen() const { return footerOpen_; }
    // The signal footer's "OPEN APP" link, drawn in the accent; none in the glass layout.
    TextLink* openLink() const { return openLink_; }
    QWidget* footerQuit() const { return footerQuit_; }
    // Ctrl+O and Ctrl+Q; none in the glass layout.
    QShortcut* openShortcut() const { return openShortcut_; }
    QShortcut* quitShortcut() const { return quitShortcut_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    struct Shape {
        bool signal = false;
        bool status = false;
        std::optional<PrimaryAction> action;
        bool running = false;
        friend bool operator==(const Shape&, const Shape&) = default;
    };
    Shape currentShape() const;
    void refresh();
    void rebuild();
    void updateValues();
    QWidget* buildGlass();
    QWidget* buildSignal();
    QWidget* buildSignIn(QWidget* parent);
    QWidget* buildDivider(QWidget* parent, int topPadding);

    AppModelView& app_;
    std::function<void()> openWindow_;
    std::function<void()> quit_;
    Shape shape_;
    bool built_ = false;
    // One refresh per event-loop turn, after the handler that caused the change returned.
    NextTurn refreshTurn_{this, [this] {
                              refresh();
                          }};
    bool signal_ = false;
    QPointer<QWidget> body_;
    QWidget* status_ = nullptr;
    QWidget* signIn_ = nullptr;
    OLButton* primary_ = nullptr;
    OLText* title_ = nullptr;
    OLText* line_ = nullptr;
    KeldraOrb* orb_ = nullptr;
    OLProgressBar* bar_ = nullptr;
    StatPill* storagePill_ = nullptr;
    StatPill* secondPill_ = nullptr;
    StatusChip* chip_ = nullptr;
    DataList* data_ = nullptr;
    OLText* speed_ = nullptr;
    ThroughputChart* chart_ = nullptr;
    QWidget* footerOpen_ = nullptr;
    TextLink* openLink_ = nullptr;
    QWidget* footerQuit_ = nullptr;
    QShortcut* openShortcut_ = nullptr;
    QShortcut* quitShortcut_ = nullptr;
};

// A glass stat pill: a label, a value and an optional small extra ("Keldra 1.5 GB 15%").
class StatPill : public OLWidget {
    Q_OBJECT
public:
    StatPill(QWidget* parent = nullptr);
    void set(const QString& label, const QString& value, std::optional<QString> extra);
    QString label() const;
    QString value() const;
    QString extra() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    OLText* label_;
    OLText* value_;
    OLText* extra_;
};

// A bare text button: the text in its style and colour, nothing else (the footers' "Quit", "OPEN APP").
class TextLink : public QAbstractButton {
    Q_OBJECT
public:
    TextLink(const QString& text, const OLTextStyle& style, const OLRgba& color, QWidget* parent = nullptr);
    QSize sizeHint() const override;
    void setColor(const OLRgba& color);
    const OLRgba& color() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    OLText* text_;
};

} // namespace keldra
