#pragma once

#include <QObject>
#include <functional>

namespace keldra {

// Runs its call once on the next turn of the event loop however often it is scheduled before then: a burst
// of changes costs one refresh, and a control that caused the change is replaced only after its own handler
// returned. The call is queued to `owner`, so it never runs after the owner is gone.
class NextTurn {
public:
    NextTurn(QObject* owner, std::function<void()> call);
    NextTurn(const NextTurn&) = delete;
    NextTurn& operator=(const NextTurn&) = delete;

    void schedule();
    bool isPending() const { return pending_; }

private:
    QObject* owner_;
    std::function<void()> call_;
    bool pending_ = false;
};

} // namespace keldra
