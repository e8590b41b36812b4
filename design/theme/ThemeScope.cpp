#include "design/theme/ThemeScope.h"

#include <QCoreApplication>
#include <QVariant>
#include <QWidget>

Q_DECLARE_METATYPE(keldra::OLTheme)

namespace keldra {
namespace {

constexpr const char* themeProperty = "_keldra_theme";

void notifySubtree(QWidget* root) {
    const OLTheme theme = olTheme(root);
    OLThemeChangeEvent event(theme);
    QCoreApplication::sendEvent(root, &event);
    const auto children = root->findChildren<QWidget*>();
    for (QWidget* child : children) {
        OLThemeChangeEvent childEvent(olTheme(child));
        QCoreApplication::sendEvent(child, &childEvent);
    }
}

} // namespace

QEvent::Type OLThemeChangeEvent::eventType() {
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

OLTheme olTheme(const QWidget* widget) {
    for (const QWidget* w = widget; w != nullptr; w = w->parentWidget()) {
        const QVariant value = w->property(themeProperty);
        if (value.isValid())
            return value.value<OLTheme>();
    }
    return OLTheme{};
}

void olSetTheme(QWidget* widget, const OLTheme& theme) {
    const QVariant current = widget->property(themeProperty);
    if (current.isValid() && current.value<OLTheme>() == theme)
        return;
    widget->setProperty(themeProperty, QVariant::fromValue(theme));
    notifySubtree(widget);
}

void olClearTheme(QWidget* widget) {
    if (!widget->property(themeProperty).isValid())
        return;
    widget->setProperty(themeProperty, QVariant());
    notifySubtree(widget);
}

} // namespace keldra
