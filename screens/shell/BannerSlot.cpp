#include "screens/shell/BannerSlot.h"

#include "app/model/AppModelView.h"
#include "design/motion/OLMotion.h"
#include "design/status/StateBanner.h"

#include <QGraphicsOpacityEffect>
#include <QVBoxLayout>

namespace keldra {

namespace {

QString text(const std::string& value) {
    return QString::fromStdString(value);
}

std::optional<QString> text(const std::optional<std::string>& value) {
    return value ? std::optional(text(*value)) : std::nullopt;
}

// Everything a banner shows, as one comparable text.
std::string shownKey(const BannerModel& banner) {
    std::string key = banner.id;
    for (const auto& part :
         {std::to_string(static_cast<int>(banner.tone)), banner.title, banner.message,
          banner.actionTitle.value_or(""), banner.secondaryTitle.value_or(""),
          std::string(banner.dismissible ? "1" : "0"), std::string(banner.action ? "a" : "-"),
          std::string(banner.secondary ? "s" : "-")}) {
        key += '\x1f';
        key += part;
    }
    return key;
}

// A banner comes and goes with a fade of the platform's default length.
constexpr OLAnimationTiming bannerFade = OLAnimationTiming::easeInOut(0.35);

// Fades `banner` between two opacities; `done` runs at the end (at once with animations off).
void fade(QWidget* banner, double from, double to, std::function<void()> done = {}) {
    if (!OLMotion::animationsEnabled()) {
        if (done) {
            done();
        }
        return;
    }
    auto* effect = new QGraphicsOpacityEffect(banner);
    effect->setOpacity(from);
    banner->setGraphicsEffect(effect);
    auto* value = new OLAnimatedValue(from, false, banner);
    QObject::connect(value, &OLAnimatedValue::valueChanged, effect, &QGraphicsOpacityEffect::setOpacity);
    QObject::connect(value, &OLAnimatedValue::finished, banner, [banner, done = std::move(done)] {
        // A drawn opacity effect costs an offscreen pass on every paint; a settled banner needs none.
        banner->setGraphicsEffect(nullptr);
        if (done) {
            done();
        }
    });
    value->animateTo(to, bannerFade);
}

} // namespace

BannerSlot::BannerSlot(AppModelView& app, QWidget* parent) : QWidget(parent), app_(app) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    connectEach(&app_, {&AppModelView::statusChanged, &AppModelView::dismissedBannersChanged}, this,
                [this] { refreshTurn_.schedule(); });
    refresh();
}

void BannerSlot::refresh() {
    std::optional<BannerModel> current = app_.currentBanner();
    const std::string key = current ? shownKey(*current) : std::string();
    if (refreshed_ && key == shownKey_ && (current.has_value() == (banner_ != nullptr))) {
        return;
    }
    refreshed_ = true;
    const QPointer<StateBanner> leaving = banner_;
    banner_ = nullptr;
    shownKey_ = key;
    shownID_ = current ? current->id : std::string();
    if (!current) {
        // The last banner fades out in place; hidden, the slot then takes no space in its page's layout.
        if (leaving) {
            fade(leaving, 1, 0, [this, leaving] {
                if (leaving) {
                    layout()->removeWidget(leaving);
                    leaving->hide();
                    leaving->deleteLater();
                }
                if (!banner_) {
                    hide();
                }
            });
        } else {
            hide();
        }
        return;
    }
    if (leaving) {
        // Replaced at once: the next banner fades in where it stood.
        layout()->removeWidget(leaving);
        leaving->hide();
        leaving->deleteLater();
    }
    std::function<void()> onDismiss;
    if (current->dismissible) {
        onDismiss = [this, id = current->id] {
            auto dismissed = app_.dismissedBanners();
            dismissed.insert(id);
            app_.setDismissedBanners(std::move(dismissed));
        };
    }
    banner_ = new StateBanner(current->tone, text(current->title), text(current->message),
                              text(current->actionTitle), current->action, text(current->secondaryTitle),
                              current->secondary, std::move(onDismiss), this);
    layout()->addWidget(banner_);
    fade(banner_, 0, 1);
    // A slot not yet placed in its page is shown with the page (showing it now would open a window).
    if (!isWindow()) {
        show();
    }
}

} // namespace keldra
