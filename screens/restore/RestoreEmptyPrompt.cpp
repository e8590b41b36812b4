#include "screens/restore/RestoreEmptyPrompt.h"

#include "design/text/OLText.h"
#include "design/theme/OLColor.h"
#include "screens/restore/RestoreTexts.h"

#include <QVBoxLayout>
#include <functional>

namespace keldra {

namespace {

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

} // namespace

bool fillEmptyPrompt(QVBoxLayout* stack, const RestoreDetailSource& source) {
    if (source.model && source.model->selection()) {
        return false;
    }
    QWidget* empty = detailColumn(8);
    QVBoxLayout* inner = detailStack(empty);
    inner->addWidget(detailText(QStringLiteral("Pick something to restore"), OLTextStyle::headline,
                                OLColor::textPrimary, "emptyTitle"));
    inner->addWidget(
        detailText(QStringLiteral("Choose a file to restore it or one of its earlier versions. Choose a "
                                  "folder to restore the latest version of everything inside it."),
                   OLTextStyle::callout, OLColor::textSecondary));
    if (source.model && source.model->loadedAt() && source.host) {
        auto* line = new ListedLine([model = source.model, host = source.host]() -> QString {
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
    return true;
}

} // namespace keldra
