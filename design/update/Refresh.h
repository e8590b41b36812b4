#pragma once
// The two ways a view follows its model: the same refresh on each of several change signals, and a refresh
// put off to the event loop's next turn so that a burst of changes costs one, and a control that caused the
// change is replaced only after its own handler returned.

#include <QObject>
#include <functional>
#include <initializer_list>

namespace keldra {

// Connects each of the `changes` signals of `sender` to `slot` of `receiver`.
template <typename Sender, typename Signal, typename Receiver, typename Slot>
void connectEach(const Sender* sender, std::initializer_list<Signal> changes, const Receiver* receiver,
                 Slot slot) {
    for (Signal signal : changes) {
        QObject::connect(sender, signal, receiver, slot);
    }
}

// Runs its call once on the next turn of the event loop however often it is scheduled before then. The call
// belongs to `owner`: it is dropped if the owner goes first.
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
