// Chips in every tone, tinted, neutral and on a hero surface; banners with none, one and two buttons.

#include "design/shape/ContinuousRect.h"
#include "design/status/StateBanner.h"
#include "design/status/StatusChip.h"
#include "design/theme/OLColor.h"
#include "gallery/KitEntries.h"

#include <QBoxLayout>
#include <QPainter>
#include <functional>
#include <optional>

namespace keldra::gallery {
namespace {

constexpr StatusTone tones[] = {StatusTone::secure, StatusTone::warning, StatusTone::danger,
                                StatusTone::info};

QString toneName(StatusTone tone) {
    switch (tone) {
    case StatusTone::secure:
        return QStringLiteral("Protected");
    case StatusTone::warning:
        return QStringLiteral("Waiting");
    case StatusTone::danger:
        return QStringLiteral("Failed");
    case StatusTone::info:
        return QStringLiteral("Info");
    }
    return {};
}

// The hero card's surface, so chips meant for it are seen on it.
class HeroSurface : public QWidget {
public:
    explicit HeroSurface(QWidget* content) {
        auto* layout = new QVBoxLayout(this);
        layout->setContentsMargins(12, 12, 12, 12);
        layout->addWidget(content);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        QLinearGradient gradient(0, 0, 0, height());
        gradient.setColorAt(0, OLColor::surfaceHero.qcolor());
        gradient.setColorAt(1, OLColor::gradientTop.qcolor());
        p.fillPath(continuousRect(rect(), 24), gradient);
    }
};

QWidget* chips(bool tinted, bool onHero) {
    auto* row = kitRow({}, 10);
    auto* layout = static_cast<QBoxLayout*>(row->layout());
    for (StatusTone tone : tones)
        layout->insertWidget(layout->count() - 1, new StatusChip(toneName(tone), tone, tinted, onHero));
    return onHero ? new HeroSurface(row) : row;
}

QWidget* banners(const OLTheme&) {
    const std::function<void()> run = [] {
    };
    const std::optional<QString> none;
    return kitColumn({
        kitAtWidth(new StateBanner(StatusTone::secure, QStringLiteral("Backups are on"),
                                   QStringLiteral("Everything is protected.")),
                   520),
        kitAtWidth(new StateBanner(StatusTone::warning, QStringLiteral("Waiting for network"),
                                   QStringLiteral("Backups resume when the computer is online."),
                                   QStringLiteral("Retry"), run),
                   520),
        kitAtWidth(new StateBanner(StatusTone::danger, QStringLiteral("Storage full"),
                                   QStringLiteral("New files are not backed up."),
                                   QStringLiteral("See plans"), run, QStringLiteral("Review files"), run,
                                   run),
                   520),
        kitAtWidth(new StateBanner(StatusTone::info, QStringLiteral("Only the second button"),
                                   QStringLiteral("The first has no title."), none, {},
                                   QStringLiteral("Details"), run),
                   520),
        kitAtWidth(
            new StateBanner(StatusTone::warning, QStringLiteral("A long message"),
                            QStringLiteral("This message is long enough to wrap onto several lines: it "
                                           "explains what happened, what the computer will do next and what "
                                           "the user can do about it, and it is shown at its full height "
                                           "however many lines that takes. <b>Markup</b> stays as typed."),
                            QStringLiteral("Open"), run, none, {}, run),
            520),
    });
}

} // namespace

std::vector<GalleryEntry> kitStatusEntries() {
    return {{QStringLiteral("chip"), QStringLiteral("tones"),
             [](const OLTheme&) {
                 return kitColumn({kitLabelled(QStringLiteral("tinted"), chips(true, false)),
                                   kitLabelled(QStringLiteral("neutral"), chips(false, false)),
                                   kitLabelled(QStringLiteral("neutral on hero"), chips(false, true)),
                                   kitLabelled(QStringLiteral("tinted on hero"), chips(true, true))},
                                  16);
             }},
            {QStringLiteral("banner"), QStringLiteral("states"), banners}};
}

} // namespace keldra::gallery
