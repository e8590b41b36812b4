#include "desktop/ApplicationAdaptor.h"

#include "desktop/SingleInstance.h"

namespace keldra {

ApplicationAdaptor::ApplicationAdaptor(SingleInstance& instance)
    : QDBusAbstractAdaptor(&instance), instance_(instance) {}

void ApplicationAdaptor::Activate(const QVariantMap& platformData) {
    instance_.activate(platformData);
}

void ApplicationAdaptor::Open(const QStringList&, const QVariantMap& platformData) {
    instance_.activate(platformData);
}

void ApplicationAdaptor::ActivateAction(const QString&, const QVariantList&, const QVariantMap&) {}

} // namespace keldra
