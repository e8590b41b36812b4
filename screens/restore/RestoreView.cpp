#include "screens/restore/RestoreView.h"

#include "app/async/Workers.h"
#include "app/model/RestoreModel.h"
#include "design/button/OLIconButton.h"
#include "design/controls/OLConfirmation.h"
#include "design/controls/OLMenuPicker.h"
#include "design/controls/OLSearchField.h"
#include "design/layout/OLCard.h"
#include "design/update/Refresh.h"
#include "screens/restore/RestoreDetailCard.h"
#include "screens/restore/RestoreListPane.h"
#include "screens/restore/RestoreRowsModel.h"
#include "screens/restore/RestoreScreenHost.h"
#include "screens/restore/RestoreTexts.h"
#include "screens/shell/PageHeader.h"

#include <QBoxLayout>
#include <QListView>
#include <QMessageBox>
#include <QResizeEvent>
#include <QScrollArea>

namespace keldra {

namespace {

using SourceChoice = std::optional<RestoreSource>;

// The detail card's width, and the narrower one that leaves the list room for its names on a narrow page.
constexpr int detailWidth = 380;
constexpr int narrowDetailWidth = 320;
constexpr int narrowPage = 900;

// The detail card's content scrolls when it is taller than the window (thirty versions are); otherwise
// the card is as tall as its content.
class CardScroll final : public QScrollArea {
public:
    explicit CardScroll(QWidget* content) {
        setWidget(content);
        setWidgetResizable(true);
        setFrameShape(QFrame::NoFrame);
        setFocusPolicy(Qt::NoFocus);
        setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        setStyleSheet(
            QStringLiteral("QScrollArea, QScrollArea > QWidget > QWidget { background: transparent; }"));
        viewport()->setAutoFillBackground(false);
        content->setAutoFillBackground(false);
    }
    QSize sizeHint() const override {
        if (!widget()) {
            return {};
        }
        // Wrapped text is as tall as the width it gets.
        const QSize content = widget()->sizeHint();
        const int width =
            this->width() > 2 * frameWidth() ? this->width() - 2 * frameWidth() : content.width();
        const int height = widget()->hasHeightForWidth() ? widget()->heightForWidth(width) : content.height();
        return {content.width(), height + 2 * frameWidth()};
    }
    QSize minimumSizeHint() const override { return {0, 0}; }

protected:
    void resizeEvent(QResizeEvent* event) override {
        QScrollArea::resizeEvent(event);
        if (event->size().width() != event->oldSize().width()) {
            updateGeometry();
        }
    }
};

} // namespace

RestoreView::RestoreView(RestoreScreenHost& host, QWidget* parent)
    : OLWidget(parent), host_(&host),
      rows_(new RestoreRowsModel(
          [host = QPointer<RestoreScreenHost>(&host)] { return host ? host->now() : SystemClock().now(); },
          this)),
      controls_(new QHBoxLayout),
      search_(new OLSearchField(QStringLiteral("Search backed-up files"), {}, QStringLiteral("Ctrl+K"))),
      refresh_(
          new OLIconButton(QStringLiteral("icon-refresh"), QStringLiteral("Refresh from the Keldra"), 34)),
      pane_(new RestoreListPane(rows_)), card_(new RestoreDetailCard(host)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    auto* controls = new QWidget;
    controls->setLayout(controls_);
    controls_->setContentsMargins(0, 0, 0, 0);
    controls_->setSpacing(10);
    search_->setFixedWidth(280);
    controls_->addWidget(search_, 0, Qt::AlignVCenter);
    controls_->addWidget(refresh_, 0, Qt::AlignVCenter);
    layout->addWidget(new PageHeader(QStringLiteral("Restore"), controls));

    auto* body = new QHBoxLayout;
    body->setContentsMargins(32, 0, 32, 32);
    body->setSpacing(24);
    body->addWidget(pane_, 1);
    auto* scroll = new CardScroll(card_);
    connect(card_, &RestoreDetailCard::contentChanged, scroll, [scroll] { scroll->updateGeometry(); });
    auto* card = new OLCard(20, false, scroll);
    card->setFixedWidth(detailWidth);
    detailFrame_ = card;
    body->addWidget(card, 0, Qt::AlignTop);
    layout->addLayout(body, 1);

    connect(search_, &OLSearchField::textEdited, this, [this](const QString& text) {
        if (model_) {
            model_->setQuery(text.toStdString());
        }
    });
    refresh_->setAction([this] { startLoad(true); });
    connect(pane_->list(), &QListView::clicked, this,
            [this](const QModelIndex& index) { activateRow(index.row()); });
    connect(card_, &RestoreDetailCard::deleteRequested, this, &RestoreView::confirmDelete);
    connect(card_, &RestoreDetailCard::deleteErrorDismissed, this, [this] { setDeleteError(std::nullopt); });

    connect(&host, &RestoreScreenHost::restoreModelChanged, this, [this] {
        if (host_) {
            attach(host_->restoreModel());
        }
    });
    connect(&host, &RestoreScreenHost::restoreSearchChanged, this, &RestoreView::takeHandedOverSearch);
    connect(&host, &RestoreScreenHost::searchFocusRequestChanged, this, &RestoreView::focusSearch);
    attach(host.restoreModel());
}

void RestoreView::resizeEvent(QResizeEvent* event) {
    OLWidget::resizeEvent(event);
    detailFrame_->setFixedWidth(width() < narrowPage ? narrowDetailWidth : detailWidth);
}

RestoreView::RestoreView(std::unique_ptr<RestoreScreenHost> host, QWidget* parent)
    : RestoreView(*host, parent) {
    // Made the view's last child, so it outlives every part of the view that reads it.
    host.release()->setParent(this);
}

RestoreView::~RestoreView() {
    if (dialog_) {
        dialog_->disconnect(this);
    }
}

void RestoreView::attach(RestoreModel* model) {
    if (model_) {
        disconnect(model_, nullptr, this, nullptr);
    }
    model_ = model;
    shownNodes_.clear();
    shownSearch_ = false;
    rows_->clear();
    card_->setModel(model);
    if (model) {
        connectEach(model,
                    {&RestoreModel::isLoadingChanged, &RestoreModel::loadErrorChanged,
                     &RestoreModel::treeChanged, &RestoreModel::catalogChanged, &RestoreModel::queryChanged},
                    this, &RestoreView::refreshList);
        connectEach(model, {&RestoreModel::sourceOptionsChanged, &RestoreModel::sourceChanged}, this,
                    &RestoreView::refreshPicker);
        connect(model, &RestoreModel::selectionChanged, this, &RestoreView::refreshSelection);
        connect(model, &RestoreModel::queryChanged, this, [this] {
            const QString query = QString::fromStdString(model_->query());
            if (search_->text() != query) {
                search_->setText(query);
            }
        });
        search_->setText(QString::fromStdString(model->query()));
    } else {
        search_->setText({});
    }
    refreshPicker();
    refreshList();
    refreshSelection();
}

void RestoreView::showEvent(QShowEvent* event) {
    OLWidget::showEvent(event);
    if (appeared_) {
        return;
    }
    appeared_ = true;
    takeHandedOverSearch();
    if (host_ && host_->searchFocusRequest() >= 1) {
        focusSearch();
    }
    startLoad(false);
}

void RestoreView::takeHandedOverSearch() {
    if (!host_ || !model_) {
        return;
    }
    std::string text = host_->restoreSearch();
    if (text.empty()) {
        return;
    }
    model_->setQuery(std::move(text));
    host_->setRestoreSearch({});
}

void RestoreView::focusSearch() {
    search_->requestFocus();
}

void RestoreView::refreshPicker() {
    const std::vector<RestoreSourceOption> options =
        model_ ? model_->sourceOptions() : std::vector<RestoreSourceOption>{};
    if (picker_) {
        controls_->removeWidget(picker_);
        picker_->hide();
        picker_->deleteLater();
        picker_ = nullptr;
    }
    if (options.size() < 2) {
        return;
    }
    OptionList<SourceChoice> choices;
    for (const RestoreSourceOption& option : options) {
        choices.emplace_back(shownName(option.label), SourceChoice(option.id));
    }
    auto* picker = new OLMenuPickerOf<SourceChoice>(std::move(choices), model_->source(),
                                                    [this](const SourceChoice& chosen) {
                                                        if (model_) {
                                                            model_->setSource(chosen);
                                                            startLoad(true);
                                                        }
                                                    });
    picker_ = picker;
    controls_->insertWidget(0, picker_, 0, Qt::AlignVCenter);
}

void RestoreView::refreshList() {
    if (!model_) {
        pane_->showEmpty();
        return;
    }
    const RestoreModel& model = *model_;
    if (model.isLoading() && model.tree().empty()) {
        pane_->showLoading();
        return;
    }
    if (model.loadError()) {
        QPointer<RestoreView> self = this;
        pane_->showFailure(shownName(*model.loadError()), [self] {
            if (self) {
                self->startLoad(true);
            }
        });
        return;
    }
    if (model.tree().empty()) {
        pane_->showEmpty();
        return;
    }
    const bool search = isSearchQuery(model.query());
    const std::vector<RestoreNodePtr>& nodes = search ? model.filteredTree() : model.tree();
    if (search != shownSearch_ || nodes != shownNodes_) {
        shownSearch_ = search;
        shownNodes_ = nodes;
        if (search) {
            rows_->showSearch(nodes);
        } else {
            rows_->showTree(nodes);
        }
    }
    std::optional<QString> noMatch;
    if (search && nodes.empty()) {
        noMatch = noMatchText(model.query());
    }
    pane_->showListing(noMatch, static_cast<std::int64_t>(model.catalog().unreadable.size()));
}

void RestoreView::refreshSelection() {
    const RestoreNodePtr selection = model_ ? model_->selection() : nullptr;
    rows_->setSelectedId(selection ? std::optional<std::string>(selection->id) : std::nullopt);
}

void RestoreView::activateRow(int row) {
    if (!model_ || row < 0 || row >= rows_->rowCount()) {
        return;
    }
    const RestoreNodePtr node = rows_->row(row).node;
    model_->setSelection(node);
    model_->setSelectedVersionID(
        node->versions.empty() ? std::nullopt : std::optional<FlexID>(node->versions.front().file.id));
    if (node->isFolder() && !rows_->isSearch()) {
        rows_->toggle(row);
    }
}

void RestoreView::startLoad(bool force) {
    if (!model_ || !host_) {
        return;
    }
    detachTask(loadTask(model_, host_->restoreContext(), force));
}

QCoro::Task<> RestoreView::loadTask(QPointer<RestoreModel> model, RestoreContext context, bool force) {
    if (!model) {
        co_return;
    }
    auto loading = model->load(std::move(context), force);
    co_await std::move(loading);
}

void RestoreView::confirmDelete() {
    if (!model_ || dialog_) {
        return;
    }
    // The delete acts on the listing shown, so the wording names that listing's source.
    const std::optional<RestoreSource> source =
        model_->listedSource() ? model_->listedSource() : model_->source();
    const RestoreNodePtr selection = model_->selection();
    dialog_ =
        openConfirmation(this, deleteDialogTitle(source), deleteDialogMessage(selection.get(), source),
                         QStringLiteral("Delete every version"), QMessageBox::DestructiveRole, this, [this] {
                             if (model_ && host_) {
                                 detachTask(deleteTask(model_, host_->restoreContext(), this));
                             }
                         });
    // Deleting every version cannot be undone: the question carries the warning sign.
    dialog_->setIcon(QMessageBox::Warning);
    confirmingButton(dialog_)->setObjectName(QStringLiteral("deleteEveryVersion"));
}

QCoro::Task<> RestoreView::deleteTask(QPointer<RestoreModel> model, RestoreContext context,
                                      QPointer<RestoreView> view) {
    if (!model) {
        co_return;
    }
    auto deleting = model->deleteSelected(std::move(context));
    const std::optional<std::string> error = co_await std::move(deleting);
    if (view && view->model_ == model) {
        view->setDeleteError(error ? std::optional<QString>(shownName(*error)) : std::nullopt);
    }
}

void RestoreView::setDeleteError(std::optional<QString> text) {
    deleteError_ = std::move(text);
    card_->setDeleteError(deleteError_);
}

} // namespace keldra
