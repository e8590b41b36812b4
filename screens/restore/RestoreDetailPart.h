#pragma once
// One part of the Restore screen's detail card. A part shows one thing (the header, the versions, where to
// restore to, …) and builds its content anew when what it shows changes, after the event that changed it,
// so several changes in a row build once; a part with nothing to show is hidden and takes no room.

#include "app/model/RestoreModel.h"
#include "design/theme/OLRgba.h"
#include "design/theme/OLTextStyle.h"
#include "screens/restore/RestoreScreenHost.h"

#include <QPointer>
#include <QWidget>
#include <functional>

class QVBoxLayout;

namespace keldra {

class OLText;

// What the parts read: the card's model and host, either of which may go.
struct RestoreDetailSource {
    QPointer<RestoreModel> model;
    QPointer<RestoreScreenHost> host;
};

class RestoreDetailPart final : public QWidget {
    Q_OBJECT
public:
    // `fill` adds the part's content to the stack it is given and says whether there is any.
    explicit RestoreDetailPart(std::function<bool(QVBoxLayout*)> fill, QWidget* parent = nullptr);

    // Builds the content after the current event.
    void scheduleRefresh();
    void refreshNow();

signals:
    // The content was built anew (its height may differ).
    void contentChanged();

private:
    std::function<bool(QVBoxLayout*)> fill_;
    QVBoxLayout* layout_;
    QWidget* content_ = nullptr;
    bool pending_ = false;
};

// The card's building blocks: a text with an optional object name, and a column without margins.
OLText* detailText(const QString& value, const OLTextStyle& style, const OLRgba& color,
                   const char* name = nullptr);
QWidget* detailColumn(int spacing);
QVBoxLayout* detailStack(QWidget* column);

} // namespace keldra
