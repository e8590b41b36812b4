#include "screens/restore/RestoreActionBlock.h"

#include "app/async/Workers.h"
#include "design/button/OLButton.h"
#include "design/controls/OLProgressBar.h"
#include "design/text/OLText.h"
#include "design/theme/OLColor.h"
#include "design/theme/OLThemeValues.h"
#include "design/theme/ThemeScope.h"
#include "screens/restore/RestoreTexts.h"

#include <QBoxLayout>

namespace keldra {

namespace {

constexpr OLTextStyle progressStyle{12,    OLFontWeight::regular,       1.4, 0, true,
                                    false, OLRelativeTextStyle::caption};

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

QCoro::Task<> startRestoreTask(QPointer<RestoreModel> model, RestoreContext context) {
    if (!model) {
        co_return;
    }
    auto starting = model->startRestore(std::move(context));
    co_await std::move(starting);
}

} // namespace

bool fillActionBlock(QVBoxLayout* stack, const RestoreDetailSource& source, RestoreProgressLine& progress) {
    progress = {};
    if (!source.model || !source.model->selection()) {
        return false;
    }
    QPointer<RestoreModel> model = source.model;
    if (!model->isRestoring()) {
        auto* button = new OLButton(restoreButtonTitle(*model->selection()), OLButtonKind::primary);
        button->setObjectName(QStringLiteral("restoreButton"));
        button->setIconName(QStringLiteral("icon-restore"));
        button->setFullWidth(true);
        button->setAction([model, host = source.host] {
            if (model && host) {
                detachTask(startRestoreTask(model, host->restoreContext()));
            }
        });
        stack->addWidget(button);
        return true;
    }
    QWidget* block = detailColumn(8);
    progress.bar = new AccentProgressBar;
    progress.bar->setObjectName(QStringLiteral("progressBar"));
    detailStack(block)->addWidget(progress.bar);
    auto* line = new QWidget;
    auto* row = new QHBoxLayout(line);
    row->setContentsMargins(0, 0, 0, 0);
    progress.text = detailText(QString(), progressStyle, OLColor::textSecondary, "progressText");
    row->addWidget(progress.text);
    row->addStretch(1);
    auto* stop = new OLButton(QStringLiteral("Stop"), OLButtonKind::text);
    stop->setObjectName(QStringLiteral("stopButton"));
    stop->setAction([model] {
        if (model && model->restoreTask()) {
            model->restoreTask()->cancel();
        }
    });
    row->addWidget(stop);
    detailStack(block)->addWidget(line);
    showRestoreProgress(progress, model);
    stack->addWidget(block);
    return true;
}

void showRestoreProgress(const RestoreProgressLine& progress, const RestoreModel* model) {
    if (!model || !progress.bar || !progress.text) {
        return;
    }
    progress.bar->setFraction(progressFraction(model->progress()));
    progress.text->setText(progressText(model->progress()));
}

} // namespace keldra
