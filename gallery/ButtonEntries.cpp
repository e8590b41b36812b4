// The gallery's buttons: each kind in each state, the icon button and the hold button.

#include "design/button/HoldButton.h"
#include "design/button/OLButton.h"
#include "design/button/OLIconButton.h"
#include "gallery/GalleryEntry.h"

#include <utility>

namespace keldra::gallery {
namespace {

const QString longTitle = QStringLiteral("Back up every selected folder to all connected drives now");

struct Kind {
    const char* name;
    OLButtonKind kind;
    const char* title;
    const char* icon;
};

constexpr Kind kinds[] = {
    {"primary", OLButtonKind::primary, "Back up now", "icon-upload"},
    {"secondary", OLButtonKind::secondary, "Choose folders", "icon-folder"},
    {"destructive", OLButtonKind::destructive, "Remove drive", "icon-trash"},
    {"text", OLButtonKind::text, "Show details", "icon-chevron-right"},
};

using Setup = void (*)(OLButton&);

struct State {
    const char* name;
    Setup setup;
    int width;
};

const State states[] = {
    {"idle", [](OLButton&) {}, 0},
    {"hover", [](OLButton& b) { b.setHovered(true); }, 0},
    {"pressed", [](OLButton& b) { b.setDown(true); }, 0},
    {"disabled", [](OLButton& b) { b.setEnabled(false); }, 0},
    {"disabled-hover",
     [](OLButton& b) {
         b.setEnabled(false);
         b.setHovered(true);
     },
     0},
    {"loading", [](OLButton& b) { b.setLoading(true); }, 0},
    {"focused", [](OLButton& b) { b.setPreviewFocus(true); }, 0},
    {"full-width", [](OLButton& b) { b.setFullWidth(true); }, 360},
    {"long-title", [](OLButton& b) { b.setTitle(longTitle); }, 220},
};

} // namespace

std::vector<GalleryEntry> buttonEntries() {
    std::vector<GalleryEntry> entries;
    for (const Kind& kind : kinds) {
        const QString component = QStringLiteral("button-%1").arg(QLatin1String(kind.name));
        for (const State& state : states) {
            entries.push_back({component, QLatin1String(state.name),
                               [kind, state](const OLTheme&) {
                                   auto* button = new OLButton(QString::fromUtf8(kind.title), kind.kind);
                                   state.setup(*button);
                                   return button;
                               },
                               state.width});
        }
        entries.push_back({component, QStringLiteral("icon"), [kind](const OLTheme&) {
                               auto* button = new OLButton(QString::fromUtf8(kind.title), kind.kind);
                               button->setIconName(QString::fromUtf8(kind.icon));
                               return button;
                           }});
        entries.push_back({component, QStringLiteral("icon-loading"), [kind](const OLTheme&) {
                               auto* button = new OLButton(QString::fromUtf8(kind.title), kind.kind);
                               button->setIconName(QString::fromUtf8(kind.icon));
                               button->setLoading(true);
                               return button;
                           }});
    }

    auto iconButton = [](void (*setup)(OLIconButton&)) {
        return [setup](const OLTheme&) {
            auto* button = new OLIconButton(QStringLiteral("icon-refresh"), QStringLiteral("Refresh"), 30);
            setup(*button);
            return button;
        };
    };
    entries.push_back(
        {QStringLiteral("icon-button"), QStringLiteral("idle"), iconButton([](OLIconButton&) {})});
    entries.push_back({QStringLiteral("icon-button"), QStringLiteral("hover"),
                       iconButton([](OLIconButton& b) { b.setHovered(true); })});
    entries.push_back({QStringLiteral("icon-button"), QStringLiteral("focused"),
                       iconButton([](OLIconButton& b) { b.setPreviewFocus(true); })});
    entries.push_back({QStringLiteral("icon-button"), QStringLiteral("disabled"),
                       iconButton([](OLIconButton& b) { b.setEnabled(false); })});
    entries.push_back({QStringLiteral("icon-button"), QStringLiteral("large"), [](const OLTheme&) {
                           return new OLIconButton(QStringLiteral("icon-close"), QStringLiteral("Close"), 44);
                       }});

    auto hold = [](double progress, bool focused) {
        return [progress, focused](const OLTheme&) {
            auto* button =
                new HoldButton(QStringLiteral("Hold to pause"), QStringLiteral("Pause backup"), [] {});
            button->setBandProgress(progress);
            button->setPreviewFocus(focused);
            return button;
        };
    };
    entries.push_back({QStringLiteral("hold-button"), QStringLiteral("rest"), hold(0, false), 320});
    entries.push_back({QStringLiteral("hold-button"), QStringLiteral("half-held"), hold(0.5, false), 320});
    entries.push_back({QStringLiteral("hold-button"), QStringLiteral("nearly-held"), hold(0.97, false), 320});
    entries.push_back({QStringLiteral("hold-button"), QStringLiteral("focused"), hold(0, true), 320});
    return entries;
}

} // namespace keldra::gallery
