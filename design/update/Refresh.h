#pragma once
// The two ways a view follows its model: the same refresh on each of several change signals, and a refresh
// put off to the event loop's next turn (NextTurn).

#include "app/async/NextTurn.h"

#include <QObject>
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

} // namespace keldra
