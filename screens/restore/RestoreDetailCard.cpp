#include "screens/restore/RestoreDetailCard.h"

#include "design/status/StateBanner.h"
#include "screens/restore/RestoreDeleteLink.h"
#include "screens/restore/RestoreDestinationChoice.h"
#include "screens/restore/RestoreEmptyPrompt.h"
#include "screens/restore/RestoreSelectionHeader.h"
#include "screens/restore/RestoreTexts.h"
#include "screens/restore/RestoreVersionList.h"

#include <QVBoxLayout>

namespace keldra {

RestoreDetailCard::RestoreDetailCard(RestoreScreenHost& host, QWidget* parent)
    : QWidget(parent), source_{nullptr, &host}, layout_(new QVBoxLayout(this)) {
    layout_->setContentsMargins(0, 0, 0, 0);
    layout_->setSpacing(16);
    summary_ = addPart([this](QVBoxLayout* stack) { return fillSummaryBanner(stack); });
    deleteErrorBanner_ = addPart([this](QVBoxLayout* stack) { return fillDeleteErrorBanner(stack); });
    emptyPrompt_ = addPart([this](QVBoxLayout* stack) { return fillEmptyPrompt(stack, source_); });
    header_ = addPart([this](QVBoxLayout* stack) {
        return fillSelectionHeader(stack, source_, width() > 0 ? width() : 340);
    });
    versions_ = addPart([this](QVBoxLayout* stack) { return fillVersionList(stack, source_); });
    destination_ = addPart([this](QVBoxLayout* stack) { return fillDestinationChoice(stack, source_); });
    action_ = addPart([this](QVBoxLayout* stack) { return fillActionBlock(stack, source_, progress_); });
    deleteLink_ = addPart([this](QVBoxLayout* stack) {
        return fillDeleteLink(stack, source_, [this] { emit deleteRequested(); });
    });
    layout_->addStretch(1);
    connect(&host, &RestoreScreenHost::settingsChanged, this, &RestoreDetailCard::scheduleRebuild);
    for (RestoreDetailPart* part : parts_) {
        part->refreshNow();
    }
}

RestoreDetailPart* RestoreDetailCard::addPart(std::function<bool(QVBoxLayout*)> fill) {
    auto* part = new RestoreDetailPart(std::move(fill), this);
    part->hide();
    layout_->addWidget(part);
    connect(part, &RestoreDetailPart::contentChanged, this, &RestoreDetailCard::contentChanged);
    parts_.push_back(part);
    return part;
}

template <class Signal>
void RestoreDetailCard::follow(Signal signal, std::initializer_list<RestoreDetailPart*> parts) {
    for (RestoreDetailPart* part : parts) {
        connect(source_.model, signal, part, &RestoreDetailPart::scheduleRefresh);
    }
}

void RestoreDetailCard::setModel(RestoreModel* model) {
    if (source_.model) {
        disconnect(source_.model, nullptr, this, nullptr);
        for (RestoreDetailPart* part : parts_) {
            disconnect(source_.model, nullptr, part, nullptr);
        }
    }
    source_.model = model;
    if (model) {
        const std::initializer_list<RestoreDetailPart*> selectionParts = {emptyPrompt_, header_, versions_,
                                                                          destination_, action_, deleteLink_};
        follow(&RestoreModel::selectionChanged, selectionParts);
        // A new listing may describe the selected item anew.
        follow(&RestoreModel::catalogChanged, {emptyPrompt_, header_, versions_, deleteLink_});
        follow(&RestoreModel::loadedAtChanged, {emptyPrompt_});
        follow(&RestoreModel::sourceChanged, {emptyPrompt_, deleteLink_});
        follow(&RestoreModel::listingCompleted, {emptyPrompt_, deleteLink_});
        follow(&RestoreModel::selectedVersionIDChanged, {versions_});
        follow(&RestoreModel::destinationIsOriginalChanged, {destination_});
        follow(&RestoreModel::destinationFolderChanged, {destination_});
        follow(&RestoreModel::conflictPolicyChanged, {destination_});
        follow(&RestoreModel::isRestoringChanged, {action_, deleteLink_});
        follow(&RestoreModel::isDeletingChanged, {deleteLink_});
        follow(&RestoreModel::summaryChanged, {summary_});
        connect(model, &RestoreModel::progressChanged, this, &RestoreDetailCard::updateProgress);
    }
    for (RestoreDetailPart* part : parts_) {
        part->refreshNow();
    }
}

void RestoreDetailCard::setDeleteError(std::optional<QString> text) {
    deleteError_ = std::move(text);
    deleteErrorBanner_->scheduleRefresh();
}

void RestoreDetailCard::scheduleRebuild() {
    for (RestoreDetailPart* part : parts_) {
        part->scheduleRefresh();
    }
}

void RestoreDetailCard::updateProgress() {
    showRestoreProgress(progress_, source_.model);
}

bool RestoreDetailCard::fillSummaryBanner(QVBoxLayout* stack) {
    if (!source_.model || !source_.model->summary()) {
        return false;
    }
    const BannerText banner = summaryBanner(*source_.model->summary());
    auto* widget = new StateBanner(banner.tone, banner.title, banner.message, std::nullopt, {}, std::nullopt,
                                   {}, [model = source_.model] {
                                       if (model) {
                                           model->setSummary(std::nullopt);
                                       }
                                   });
    widget->setObjectName(QStringLiteral("summaryBanner"));
    stack->addWidget(widget);
    return true;
}

bool RestoreDetailCard::fillDeleteErrorBanner(QVBoxLayout* stack) {
    if (!deleteError_) {
        return false;
    }
    auto* widget =
        new StateBanner(StatusTone::danger, QStringLiteral("Delete didn't finish"), *deleteError_,
                        std::nullopt, {}, std::nullopt, {}, [this] { emit deleteErrorDismissed(); });
    widget->setObjectName(QStringLiteral("deleteErrorBanner"));
    stack->addWidget(widget);
    return true;
}

} // namespace keldra
