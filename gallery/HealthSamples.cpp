#include "gallery/HealthSamples.h"

#include "design/text/OLText.h"
#include "design/theme/OLColor.h"
#include "design/theme/OLSpace.h"
#include "gallery/ColorChip.h"

#include <QHBoxLayout>

namespace keldra::gallery {
namespace {

QString badgeName(const std::optional<HealthPresentation::Badge>& badge) {
    if (!badge)
        return QStringLiteral("no badge");
    switch (*badge) {
    case HealthPresentation::Badge::tick:
        return QStringLiteral("tick");
    case HealthPresentation::Badge::warning:
        return QStringLiteral("warning");
    case HealthPresentation::Badge::danger:
        return QStringLiteral("danger");
    }
    return {};
}

} // namespace

std::vector<HealthSample> healthSamples() {
    using R = BlockReason;
    return {
        {QStringLiteral("protected"), BackupHealth::protectedState()},
        {QStringLiteral("backing-up"), BackupHealth::backingUp()},
        {QStringLiteral("paused"), BackupHealth::paused()},
        {QStringLiteral("attention"), BackupHealth::attention()},
        {QStringLiteral("at-risk"), BackupHealth::atRisk()},
        {QStringLiteral("storage-full"), BackupHealth::storageFull()},
        {QStringLiteral("locked"), BackupHealth::locked()},
        {QStringLiteral("blocked-server-not-ready"), BackupHealth::blocked(R::serverNotReady("versions"))},
        {QStringLiteral("blocked-access-denied"), BackupHealth::blocked(R::accessDenied("Not allowed"))},
        {QStringLiteral("blocked-geo-wiped"), BackupHealth::blocked(R::geoBlocked(true))},
        {QStringLiteral("blocked-geo-blocked"), BackupHealth::blocked(R::geoBlocked(false))},
        {QStringLiteral("blocked-geo-risk"), BackupHealth::blocked(R::geoRisk("XX"))},
        {QStringLiteral("blocked-signed-out"), BackupHealth::blocked(R::signedOut())},
        {QStringLiteral("blocked-suspended"), BackupHealth::blocked(R::suspended())},
        {QStringLiteral("blocked-no-plan"), BackupHealth::blocked(R::noPlan())},
        {QStringLiteral("blocked-account-disabled"), BackupHealth::blocked(R::accountDisabled())},
        {QStringLiteral("blocked-offline"), BackupHealth::blocked(R::offline())},
    };
}

QWidget* healthRow(const HealthPresentation& presentation) {
    auto* root = new QWidget;
    auto* row = new QHBoxLayout(root);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(static_cast<int>(OLSpace::s12));
    const OLRgba tone = presentation.toneColor();
    row->addWidget(new ColorChip(tone, QSize(14, 14), 7, false), 0, Qt::AlignVCenter);
    auto* title = new OLText(QString::fromStdString(presentation.title()), OLTextStyle::headline, tone);
    title->setFixedWidth(220);
    row->addWidget(title, 0, Qt::AlignVCenter);
    auto* status = new OLText(QString::fromStdString(presentation.shortStatus()), OLTextStyle::eyebrow, tone);
    status->setFixedWidth(130);
    row->addWidget(status, 0, Qt::AlignVCenter);
    row->addWidget(new OLText(badgeName(presentation.badge()), OLTextStyle::mono, OLColor::textFaint), 0,
                   Qt::AlignVCenter);
    return root;
}

} // namespace keldra::gallery
