#include "screens/chrome/Navigation.h"

#include "app/model/AppModelView.h"
#include "design/controls/OLSearchField.h"

namespace keldra {

void goToSection(AppModelView& app, AppSection section) {
    if (app.section() != section) {
        app.setSection(section);
    }
}

void submitRestoreSearch(AppModelView& app, OLSearchField& field) {
    const std::string query = field.text().toStdString();
    field.setText(QString());
    app.setRestoreSearch(query);
    goToSection(app, AppSection::restore);
}

} // namespace keldra
