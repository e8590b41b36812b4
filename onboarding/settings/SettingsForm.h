#pragma once
// Pieces the settings panes build alike: a card of form rows, a vertical or horizontal stack of controls,
// a confirmation dialog, and a model change that must wait until the control that asked for it is done.

#include "onboarding/common/SettingsBinding.h"

#include <QMessageBox>
#include <QString>
#include <functional>
#include <initializer_list>

class QBoxLayout;
class QWidget;

namespace keldra {

class FormRow;
class OLCard;
class OLCheckbox;

// An OLCard (padding 24, not hero) holding the rows top to bottom, spacing 0.
OLCard* makeFormCard(std::initializer_list<FormRow*> rows, QWidget* parent = nullptr);
// A widget whose vertical (or horizontal) layout, margins 0, holds `children` leading-aligned.
QWidget* makeStack(Qt::Orientation orientation, int spacing, std::initializer_list<QWidget*> children);

// A checkbox showing one Bool field of the settings and writing it through the settings binding when the
// user clicks it. It takes the width it is offered, so a wrapping subtitle is measured at that width.
OLCheckbox* makeBoundCheckbox(AppModelView& app, const QString& title, const QString& subtitle,
                              SettingsPath<bool> path);

// A window-modal question over `parent` opened with open(), its texts plain: `confirmTitle` in
// `confirmRole` and "Cancel". `onConfirm` runs only for the confirming button, on a later turn of the event
// loop: what it does may take the parent away.
QMessageBox* openConfirmation(QWidget* parent, const QString& title, const QString& message,
                              const QString& confirmTitle, QMessageBox::ButtonRole confirmRole,
                              QObject* context, std::function<void()> onConfirm);

// Runs `change` on a later turn of the event loop, while `context` still exists.
void afterThisEvent(QObject* context, std::function<void()> change);

} // namespace keldra
