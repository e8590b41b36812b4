#pragma once

#include <QObject>

namespace keldra {

// The Restore screen's state. Empty until the restore screen's model joins the application; the app model
// already owns one per signed-in account and replaces it on sign-out.
class RestoreModel : public QObject {
public:
    using QObject::QObject;
};

} // namespace keldra
