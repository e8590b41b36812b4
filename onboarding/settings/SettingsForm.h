#pragma once
// Pieces the settings panes build alike: a card of form rows, a vertical or horizontal stack of controls
// and a bound checkbox; with them the kit's confirmation and its change that waits until the control that
// asked for it is done.

#include "design/controls/OLConfirmation.h"
#include "onboarding/common/SettingsBinding.h"

#include <QString>
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

} // namespace keldra
