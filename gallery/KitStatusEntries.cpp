// Chips in every tone, tinted, neutral and on a hero surface.

#include "design/shape/ContinuousRect.h"
#include "design/status/StatusChip.h"
#include "design/theme/OLColor.h"
#include "gallery/KitEntries.h"

#include <QBoxLayout>
#include <QPainter>

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

} // namespace

std::vector<GalleryEntry> kitStatusEntries() {
    return {{QStringLiteral("chip"), QStringLiteral("tones"), [](const OLTheme&) {
                 return kitColumn({kitLabelled(QStringLiteral("tinted"), chips(true, false)),
                                   kitLabelled(QStringLiteral("neutral"), chips(false, false)),
                                   kitLabelled(QStringLiteral("neutral on hero"), chips(false, true)),
                                   kitLabelled(QStringLiteral("tinted on hero"), chips(true, true))},
                                  16);
             }}};
}

} // namespace keldra::gallery
