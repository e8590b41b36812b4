#pragma once
// What the navigation controls write: the section (only when it differs, so observers see no change for a
// click on the page already shown) and the Restore page's search.

#include "app/model/AppPhase.h"

#include <functional>

class QString;

namespace keldra {

class AppModelView;
class OLSearchField;

void goToSection(AppModelView& app, AppSection section);

// Submits `field`'s text as typed (empty too): the box is emptied first, because selecting Restore may
// delete the page that holds it; then the restore search is set and Restore selected.
void submitRestoreSearch(AppModelView& app, OLSearchField& field);

} // namespace keldra
