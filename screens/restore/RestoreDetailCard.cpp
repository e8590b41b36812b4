#include "screens/restore/RestoreDetailCard.h"

#include "app/async/Workers.h"
#include "app/model/RestoreModel.h"
#include "core/settings/BackupSource.h"
#include "design/button/OLAbstractButton.h"
#include "design/button/OLButton.h"
#include "design/controls/OLProgressBar.h"
#include "design/controls/OLSegmented.h"
#include "design/layout/IconTile.h"
#include "design/layout/SectionLabel.h"
#include "design/status/StateBanner.h"
#include "design/text/OLFont.h"
#include "design/text/OLText.h"
#include "design/theme/OLColor.h"
#include "design/theme/OLThemeValues.h"
#include "design/theme/ThemeScope.h"
#include "screens/restore/RestoreChoiceRows.h"
#include "screens/restore/RestoreScreenHost.h"
#include "screens/restore/RestoreTexts.h"

#include <QBoxLayout>
#include <QFontMetricsF>
#include <QLabel>
#include <QPainter>
#include <QTimer>
#include <functional>

namespace keldra {

namespace {

constexpr int maxVersionRows = 30;
constexpr OLRgba deleteColor{0xE5, 0xA0, 0xA6, 1};
constexpr OLTextStyle deleteStyle{12.5,  OLFontWeight::medium,        1.2, 0, false,
                                  false, OLRelativeTextStyle::caption};
constexpr OLTextStyle progressStyle{12,    OLFontWeight::regular,       1.4, 0, true,
                                    false, OLRelativeTextStyle::caption};

// The chrome-less red delete button.
class DeleteLink final : public OLAbstractButton {
public:
    explicit DeleteLink(const QString& title, QWidget* parent = nullptr) : OLAbstractButton(parent) {
        setText(title);
        setCursor(Qt::PointingHandCursor);
        setFocusRingOver(true);
    }
    QSize sizeHint() const override {
        const QFontMetricsF metrics(olFont(deleteStyle));
        return QSize(static_cast<int>(std::ceil(metrics.horizontalAdvance(text()))) + 2,
                     static_cast<int>(std::ceil(metrics.height())) + 6);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setFont(olFont(deleteStyle));
        QColor color = deleteColor.qcolor();
        if (!isEnabled()) {
            color.setAlphaF(0.45);
        }
        painter.setPen(color);
        painter.drawText(rect(), Qt::AlignLeft | Qt::AlignVCenter, text());
    }
};

// "Listed from …": the age is worked out each time the line is drawn; it does not tick on its own.
class ListedLine final : public OLText {
public:
    explicit ListedLine(std::function<QString()> compute)
        : OLText(compute(), OLTextStyle::caption, OLColor::textMuted), compute_(std::move(compute)) {}

protected:
    void paintEvent(QPaintEvent* event) override {
        const QString now = compute_();
        if (now != text()) {
            setText(now);
        }
        OLText::paintEvent(event);
    }

private:
    std::function<QString()> compute_;
};

// The bar in the accent of the scope it is drawn in, also after an accent change.
class AccentProgressBar final : public OLProgressBar {
public:
    AccentProgressBar() : OLProgressBar(0, accentColor(defaultTheme), 4, QStringLiteral("Progress")) {}

protected:
    void paintEvent(QPaintEvent* event) override {
        const OLRgba accent = accentColor(theme());
        if (!(accent == tint_)) {
            tint_ = accent;
            setTint(accent);
        }
        OLProgressBar::paintEvent(event);
    }

private:
    OLRgba tint_ = accentColor(defaultTheme);
};

OLText* text(const QString& value, const OLTextStyle& style, const OLRgba& color,
             const char* name = nullptr) {
    auto* label = new OLText(value, style, color);
    if (name) {
        label->setObjectName(QString::fromLatin1(name));
    }
    return label;
}

QWidget* column(int spacing) {
    auto* widget = new QWidget;
    auto* layout = new QVBoxLayout(widget);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(spacing);
    return widget;
}

QVBoxLayout* stackOf(QWidget* widget) {
    return static_cast<QVBoxLayout*>(widget->layout());
}

// The stored path on at most two lines, cut in the middle when longer.
QString twoLinePath(const QString& path, const QFont& font, double width) {
    const QFontMetricsF metrics(font);
    const QString cut = metrics.elidedText(path, Qt::ElideMiddle, width * 2 - metrics.averageCharWidth() * 2);
    QString first;
    int i = 0;
    while (i < cut.size() && metrics.horizontalAdvance(first + cut[i]) <= width) {
        first += cut[i++];
    }
    return i >= cut.size() ? first : first + QLatin1Char('\n') + cut.mid(i);
}

QCoro::Task<> chooseFolderTask(QPointer<RestoreModel> model) {
    if (!model) {
        co_return;
    }
    auto choosing = model->chooseFolder();
    co_await std::move(choosing);
}

QCoro::Task<> startRestoreTask(QPointer<RestoreModel> model, RestoreContext context) {
    if (!model) {
        co_return;
    }
    auto starting = model->startRestore(std::move(context));
    co_await std::move(starting);
}

} // namespace

RestoreDetailCard::RestoreDetailCard(RestoreScreenHost& host, QWidget* parent)
    : QWidget(parent), host_(&host), layout_(new QVBoxLayout(this)) {
    layout_->setContentsMargins(0, 0, 0, 0);
    layout_->setSpacing(0);
    rebuild();
}

void RestoreDetailCard::setModel(RestoreModel* model) {
    model_ = model;
    rebuild();
}

void RestoreDetailCard::setDeleteError(std::optional<QString> text) {
    deleteError_ = std::move(text);
    scheduleRebuild();
}

void RestoreDetailCard::scheduleRebuild() {
    if (rebuildPending_) {
        return;
    }
    rebuildPending_ = true;
    QTimer::singleShot(0, this, [this] {
        rebuildPending_ = false;
        rebuild();
    });
}

void RestoreDetailCard::rebuild() {
    if (content_) {
        // A button of the old content may be running the click that led here.
        content_->hide();
        content_->deleteLater();
    }
    progressBar_ = nullptr;
    progressText_ = nullptr;
    content_ = column(16);
    QVBoxLayout* stack = stackOf(content_);
    if (model_ && model_->summary()) {
        const BannerText banner = summaryBanner(*model_->summary());
        QPointer<RestoreModel> model = model_;
        auto* widget = new StateBanner(banner.tone, banner.title, banner.message, std::nullopt, {},
                                       std::nullopt, {}, [model] {
                                           if (model) {
                                               model->setSummary(std::nullopt);
                                           }
                                       });
        widget->setObjectName(QStringLiteral("summaryBanner"));
        stack->addWidget(widget);
    }
    if (deleteError_) {
        auto* widget =
            new StateBanner(StatusTone::danger, QStringLiteral("Delete didn't finish"), *deleteError_,
                            std::nullopt, {}, std::nullopt, {}, [this] { emit deleteErrorDismissed(); });
        widget->setObjectName(QStringLiteral("deleteErrorBanner"));
        stack->addWidget(widget);
    }
    if (model_ && model_->selection()) {
        addSelection(stack);
    } else {
        addEmptyState(stack);
    }
    stack->addStretch(1);
    layout_->addWidget(content_);
    emit contentChanged();
}

void RestoreDetailCard::addEmptyState(QVBoxLayout* stack) {
    QWidget* empty = column(8);
    QVBoxLayout* inner = stackOf(empty);
    inner->addWidget(text(QStringLiteral("Pick something to restore"), OLTextStyle::headline,
                          OLColor::textPrimary, "emptyTitle"));
    inner->addWidget(
        text(QStringLiteral("Choose a file to restore it or one of its earlier versions. Choose a "
                            "folder to restore the latest version of everything inside it."),
             OLTextStyle::callout, OLColor::textSecondary));
    if (model_ && model_->loadedAt() && host_) {
        QPointer<RestoreModel> model = model_;
        QPointer<RestoreScreenHost> host = host_;
        auto* line = new ListedLine([model, host]() -> QString {
            if (!model || !host || !model->loadedAt()) {
                return {};
            }
            // The listing shown is the one described, whatever the picker says meanwhile.
            const std::optional<RestoreSource>& listed =
                model->listedSource() ? model->listedSource() : model->source();
            const RemoteCatalog& catalog = model->catalog();
            return listedLine(listed, *model->loadedAt(), host->now(),
                              static_cast<std::int64_t>(catalog.byPath.size()),
                              static_cast<std::int64_t>(catalog.versionCount()));
        });
        line->setObjectName(QStringLiteral("listedLine"));
        inner->addSpacing(6);
        inner->addWidget(line);
    }
    stack->addWidget(empty);
}

void RestoreDetailCard::addSelection(QVBoxLayout* stack) {
    const RestoreNode& node = *model_->selection();
    stack->addWidget(header());
    if (!node.isFolder() && !node.versions.empty()) {
        stack->addWidget(versions());
    }
    stack->addWidget(destination());
    stack->addWidget(actions());
    stack->addWidget(deleteButton());
}

QWidget* RestoreDetailCard::header() {
    const RestoreNode& node = *model_->selection();
    auto* row = new QWidget;
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(12);
    layout->addWidget(
        new IconTile(node.isFolder() ? QStringLiteral("icon-folder") : QStringLiteral("icon-file"),
                     std::nullopt, 40),
        0, Qt::AlignTop);
    QWidget* texts = column(3);
    auto* name = text(shownName(node.name), OLTextStyle::headline, OLColor::textPrimary, "selectionName");
    name->setMaxLines(2);
    name->setElideMode(Qt::ElideMiddle);
    stackOf(texts)->addWidget(name);

    // Selectable, so the path can be copied.
    auto* path = new QLabel;
    path->setObjectName(QStringLiteral("selectionPath"));
    path->setTextFormat(Qt::PlainText);
    path->setTextInteractionFlags(Qt::TextSelectableByMouse);
    const QFont mono = olFont(OLTextStyle::mono);
    path->setFont(mono);
    QPalette palette = path->palette();
    palette.setColor(QPalette::WindowText, OLColor::textMuted.qcolor());
    path->setPalette(palette);
    const double cardWidth = width() > 0 ? width() : 340;
    path->setText(twoLinePath(shownName(node.id), mono, std::max(60.0, cardWidth - 40 - 12)));
    path->setToolTip(shownName(node.id));
    stackOf(texts)->addWidget(path);

    const QString size = node.isFolder() ? countText(node.fileCount) + QStringLiteral(" files \u00B7 ") +
                                               byteText(node.totalBytes)
                                         : byteText(node.totalBytes);
    stackOf(texts)->addWidget(text(size, OLTextStyle::caption, OLColor::textSecondary, "sizeLine"));
    layout->addWidget(texts, 1);
    return row;
}

QWidget* RestoreDetailCard::versions() {
    const RestoreNode& node = *model_->selection();
    QWidget* section = column(8);
    QVBoxLayout* stack = stackOf(section);
    auto* label =
        new SectionLabel(QStringLiteral("Versions \u00B7 ") + QString::number(node.versions.size()));
    label->setObjectName(QStringLiteral("versionsLabel"));
    stack->addWidget(label);
    QWidget* rows = column(0);
    rows->setObjectName(QStringLiteral("versionRows"));
    const std::optional<FlexID>& chosen = model_->selectedVersionID();
    const SystemTime now = host_ ? host_->now() : SystemClock().now();
    const int count = std::min<int>(static_cast<int>(node.versions.size()), maxVersionRows);
    for (int i = 0; i < count; ++i) {
        const RemoteEntry& entry = node.versions[static_cast<std::size_t>(i)];
        const std::int64_t size = entry.file.sizeBytes ? entry.file.sizeBytes->value : 0;
        auto* row = new VersionRow(versionDateText(entry, now).value_or(QStringLiteral("Unknown date")),
                                   byteText(size), i == 0, chosen && *chosen == entry.file.id);
        QPointer<RestoreModel> model = model_;
        row->setAction([model, id = entry.file.id] {
            if (model) {
                model->setSelectedVersionID(id);
            }
        });
        stackOf(rows)->addWidget(row);
    }
    stack->addWidget(rows);
    const int days = host_ ? host_->versionRetentionDays() : 0;
    stack->addWidget(text(QStringLiteral("Older versions are kept for ") + QString::number(days) +
                              QStringLiteral(" days after a newer one is backed up."),
                          OLTextStyle::caption, OLColor::textMuted, "retentionNote"));
    return section;
}

QWidget* RestoreDetailCard::destination() {
    QWidget* section = column(10);
    QVBoxLayout* stack = stackOf(section);
    stack->addWidget(new SectionLabel(QStringLiteral("Restore to")));
    QPointer<RestoreModel> model = model_;
    const bool original = model_->destinationIsOriginal();
    const std::optional<std::filesystem::path>& folder = model_->destinationFolder();

    auto* first = new DestinationOption(QStringLiteral("Original location"),
                                        QStringLiteral("Where it was on this computer"), original);
    first->setObjectName(QStringLiteral("originalOption"));
    first->setAction([model] {
        if (model) {
            model->setDestinationIsOriginal(true);
        }
    });
    stack->addWidget(first);

    auto* second = new DestinationOption(QStringLiteral("Another folder\u2026"),
                                         folder ? shownName(BackupSource::abbreviatePath(*folder))
                                                : QStringLiteral("Choose where to put it"),
                                         !original);
    second->setObjectName(QStringLiteral("folderOption"));
    second->setAction([model] {
        if (!model) {
            return;
        }
        if (model->destinationFolder()) {
            model->setDestinationIsOriginal(false);
        } else {
            detachTask(chooseFolderTask(model));
        }
    });
    stack->addWidget(second);

    if (!original && folder) {
        auto* change = new OLButton(QStringLiteral("Change folder\u2026"), OLButtonKind::text);
        change->setObjectName(QStringLiteral("changeFolderButton"));
        change->setAction([model] { detachTask(chooseFolderTask(model)); });
        stack->addWidget(change, 0, Qt::AlignLeft);
    }

    auto* conflict = new QWidget;
    auto* row = new QHBoxLayout(conflict);
    row->setContentsMargins(0, 0, 0, 0);
    // The label at the middle of the picker's height.
    row->addWidget(text(QStringLiteral("If a file already exists"), OLTextStyle::caption, OLColor::textMuted),
                   0, Qt::AlignVCenter);
    row->addStretch(1);
    auto* segmented = new OLSegmentedOf<ConflictPolicy>(
        {{QStringLiteral("Keep both"), ConflictPolicy::keepBoth},
         {QStringLiteral("Replace"), ConflictPolicy::replace}},
        model_->conflictPolicy(),
        [model](const ConflictPolicy& policy) {
            if (model) {
                model->setConflictPolicy(policy);
            }
        },
        false, 30);
    segmented->setObjectName(QStringLiteral("conflictControl"));
    row->addWidget(segmented);
    stack->addWidget(conflict);
    return section;
}

QWidget* RestoreDetailCard::actions() {
    const RestoreNode& node = *model_->selection();
    QPointer<RestoreModel> model = model_;
    if (!model_->isRestoring()) {
        auto* button = new OLButton(restoreButtonTitle(node), OLButtonKind::primary);
        button->setObjectName(QStringLiteral("restoreButton"));
        button->setIconName(QStringLiteral("icon-restore"));
        button->setFullWidth(true);
        QPointer<RestoreScreenHost> host = host_;
        button->setAction([model, host] {
            if (model && host) {
                detachTask(startRestoreTask(model, host->restoreContext()));
            }
        });
        return button;
    }
    QWidget* block = column(8);
    progressBar_ = new AccentProgressBar;
    progressBar_->setObjectName(QStringLiteral("progressBar"));
    stackOf(block)->addWidget(progressBar_);
    auto* line = new QWidget;
    auto* row = new QHBoxLayout(line);
    row->setContentsMargins(0, 0, 0, 0);
    progressText_ = text(QString(), progressStyle, OLColor::textSecondary, "progressText");
    row->addWidget(progressText_);
    row->addStretch(1);
    auto* stop = new OLButton(QStringLiteral("Stop"), OLButtonKind::text);
    stop->setObjectName(QStringLiteral("stopButton"));
    stop->setAction([model] {
        if (model && model->restoreTask()) {
            model->restoreTask()->cancel();
        }
    });
    row->addWidget(stop);
    stackOf(block)->addWidget(line);
    updateProgress();
    return block;
}

void RestoreDetailCard::updateProgress() {
    if (!model_ || !progressBar_ || !progressText_) {
        return;
    }
    progressBar_->setFraction(progressFraction(model_->progress()));
    progressText_->setText(progressText(model_->progress()));
}

QWidget* RestoreDetailCard::deleteButton() {
    auto* button = new DeleteLink(deleteButtonTitle(
        model_->isDeleting(), model_->listedSource() ? model_->listedSource() : model_->source()));
    button->setObjectName(QStringLiteral("deleteButton"));
    button->setEnabled(!model_->isDeleting() && !model_->isRestoring());
    button->setAction([this] { emit deleteRequested(); });
    return button;
}

} // namespace keldra
