#include "app/async/NextTurn.h"

#include <utility>

namespace keldra {

NextTurn::NextTurn(QObject* owner, std::function<void()> call) : owner_(owner), call_(std::move(call)) {}

void NextTurn::schedule() {
    if (pending_) {
        return;
    }
    pending_ = true;
    QMetaObject::invokeMethod(
        owner_,
        [this] {
            pending_ = false;
            call_();
        },
        Qt::QueuedConnection);
}

} // namespace keldra
