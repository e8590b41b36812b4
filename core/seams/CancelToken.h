#pragma once

#include <stop_token>

#include "core/Error.h"

namespace keldra {

// Cancellation of long operations: checked between files and chunks, wakes cancellable sleeps.
using CancelToken = std::stop_token;
using CancelSource = std::stop_source;

inline void throwIfCancelled(const CancelToken& token) {
    if (token.stop_requested()) {
        throw CancelledError{};
    }
}

} // namespace keldra
