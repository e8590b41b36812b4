#pragma once

#include "app/model/AppPhase.h"

#include <QPointer>
#include <QWidget>

class QVBoxLayout;

namespace keldra {

class AppModel;

// Window content until the designed screens exist: for each phase a page of plain stock widgets that drives
// the real model (sign-in, code, passphrase, set-up steps, unlock; when ready the status, the banner and the
// main button). A phase change replaces the page; the old one is deleted later, so a page may change the
// phase from its own button.
class PlaceholderRoot final : public QWidget {
    Q_OBJECT

public:
    explicit PlaceholderRoot(AppModel& model, QWidget* parent = nullptr);

    QWidget* page() const { return page_; }
    AppPhase shownPhase() const { return shown_; }

private:
    void showPhase();

    QPointer<AppModel> model_;
    QVBoxLayout* layout_;
    QPointer<QWidget> page_;
    AppPhase shown_ = AppPhase::launching;
};

} // namespace keldra
