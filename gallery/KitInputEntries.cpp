// Segmented controls, check boxes, switches, fields, menu pickers and code boxes in their states.

#include "design/controls/CodeBoxes.h"
#include "design/controls/OLCheckbox.h"
#include "design/controls/OLMenuPicker.h"
#include "design/controls/OLSearchField.h"
#include "design/controls/OLSegmented.h"
#include "design/controls/OLSwitch.h"
#include "design/controls/OLTextField.h"
#include "design/controls/StylePicker.h"
#include "gallery/KitEntries.h"

namespace keldra::gallery {
namespace {

using Options = std::vector<std::pair<QString, int>>;

QWidget* segmented(const OLTheme&) {
    const Options options{
        {QStringLiteral("Hourly"), 1}, {QStringLiteral("Daily"), 24}, {QStringLiteral("Weekly"), 168}};
    const Options shared{
        {QStringLiteral("Every day"), 24}, {QStringLiteral("Daily"), 24}, {QStringLiteral("Never"), 0}};
    return kitColumn({
        kitLabelled(QStringLiteral("plain, 34"), new OLSegmentedOf<int>(options, 24, {}, false, 34)),
        kitLabelled(QStringLiteral("mono, 30"), new OLSegmentedOf<int>(options, 1, {}, true, 30)),
        kitLabelled(QStringLiteral("no match: no pill"), new OLSegmentedOf<int>(options, 5, {}, false, 34)),
        kitLabelled(QStringLiteral("equal values: both chosen"),
                    new OLSegmentedOf<int>(shared, 24, {}, false, 34)),
    });
}

QWidget* toggles(const OLTheme&) {
    auto* withSubtitle = new OLCheckbox(QStringLiteral("Skip caches"), true,
                                        QStringLiteral("Browser and app caches are rebuilt on their own, so "
                                                       "backing them up only costs space and time."));
    withSubtitle->setFixedWidth(360);
    return kitColumn({
        kitRow({new OLCheckbox(QStringLiteral("Skip system junk"), true),
                new OLCheckbox(QStringLiteral("Skip developer folders"), false)},
               24),
        withSubtitle,
        new OLCheckbox(QStringLiteral("Off, with a subtitle"), false,
                       QStringLiteral("The box sits on the title line.")),
        kitRow({new OLSwitch(true, QStringLiteral("On")), new OLSwitch(false, QStringLiteral("Off")),
                new OLSwitch(true, QStringLiteral("On, 0.75"), 0.75),
                new OLSwitch(false, QStringLiteral("Off, 0.75"), 0.75)},
               16),
    });
}

QWidget* fields(const OLTheme&) {
    auto* focused = new OLTextField(QStringLiteral("Device name"), QStringLiteral("Studio computer"));
    kitShowFocused(focused);
    auto* mono = new OLTextField(QStringLiteral("Pattern"), QStringLiteral("*.tmp"), false, true);
    return kitColumn({
        kitLabelled(QStringLiteral("empty"), new OLTextField(QStringLiteral("Email address"))),
        kitLabelled(QStringLiteral("typed"),
                    new OLTextField(QStringLiteral("Email"), QStringLiteral("ada@example.org"))),
        kitLabelled(QStringLiteral("focused"), focused),
        kitLabelled(QStringLiteral("secure, typed"),
                    new OLTextField(QStringLiteral("Password"), QStringLiteral("correct horse"), true)),
        kitLabelled(QStringLiteral("mono"), mono),
        kitLabelled(QStringLiteral("search, empty, shortcut"),
                    new OLSearchField(QStringLiteral("Search backups"), {}, QStringLiteral("Ctrl+K"))),
        kitLabelled(QStringLiteral("search, typed"),
                    new OLSearchField(QStringLiteral("Search backups"), QStringLiteral("invoice"),
                                      QStringLiteral("Ctrl+K"))),
        kitLabelled(QStringLiteral("search, no shortcut"), new OLSearchField(QStringLiteral("Filter"))),
    });
}

QWidget* pickers(const OLTheme&) {
    const Options options{
        {QStringLiteral("Every hour"), 1}, {QStringLiteral("Hourly"), 1}, {QStringLiteral("Every day"), 24}};
    return kitColumn({
        kitLabelled(QStringLiteral("chosen"), new OLMenuPickerOf<int>(options, 24, {})),
        kitLabelled(QStringLiteral("duplicate values: first label"), new OLMenuPickerOf<int>(options, 1, {})),
        kitLabelled(QStringLiteral("no match"), new OLMenuPickerOf<int>(options, 3, {})),
        kitLabelled(QStringLiteral("mono"), new OLMenuPickerOf<int>(options, 24, {}, true)),
    });
}

CodeBoxes* codeBoxes(const QString& code, bool focused) {
    auto* boxes = new CodeBoxes(code, {});
    if (focused)
        kitShowFocused(boxes);
    return boxes;
}

QWidget* codes(const OLTheme&) {
    return kitColumn({
        kitLabelled(QStringLiteral("0 digits, focused"), codeBoxes({}, true)),
        kitLabelled(QStringLiteral("3 digits, focused"), codeBoxes(QStringLiteral("482"), true)),
        kitLabelled(QStringLiteral("6 digits, focused"), codeBoxes(QStringLiteral("482913"), true)),
        kitLabelled(QStringLiteral("3 digits, not focused"), codeBoxes(QStringLiteral("482"), false)),
    });
}

} // namespace

std::vector<GalleryEntry> kitInputEntries() {
    return {
        {QStringLiteral("segmented"), QStringLiteral("states"), segmented},
        {QStringLiteral("toggles"), QStringLiteral("states"), toggles},
        {QStringLiteral("fields"), QStringLiteral("states"), fields, 320},
        {QStringLiteral("menu-picker"), QStringLiteral("states"), pickers},
        {QStringLiteral("code-boxes"), QStringLiteral("states"), codes},
        {QStringLiteral("style-picker"), QStringLiteral("glass-teal"),
         [](const OLTheme&) {
             return new StylePicker(OLStyle::glass, OLAccent::teal, {}, {});
         }},
        {QStringLiteral("style-picker"), QStringLiteral("signal-snow"),
         [](const OLTheme&) {
             return new StylePicker(OLStyle::signal, OLAccent::snow, {}, {});
         }},
    };
}

} // namespace keldra::gallery
