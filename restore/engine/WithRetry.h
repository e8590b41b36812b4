#pragma once

#include "core/seams/CancelToken.h"
#include "core/seams/Sleeper.h"

#include <algorithm>
#include <exception>
#include <functional>
#include <string>
#include <string_view>
#include <type_traits>

namespace keldra {

// Receives one line per retry, written before the wait.
using RetryLogSink = std::function<void(const std::string&)>;

// The failures worth another attempt: the portal's rate limit, transport failures and 5xx answers,
// and storage 5xx, 408 and transport failures. Everything else (cancellation included) is final.
bool isRetryableError(const std::exception& error);

// The text of an error as the user sees it.
std::string errorText(const std::exception& error);

// Runs `operation` up to `maxAttempts` times (at least 1), waiting 2, 4, 8 ... seconds (at most 60)
// between attempts through `sleeper`. A non-retryable error, or the last attempt's error, is rethrown
// unchanged; a wait cancelled through `token` ends with CancelledError.
template <class Operation>
std::invoke_result_t<Operation&> withRetry(int maxAttempts, std::string_view label, const RetryLogSink& log,
                                           Sleeper& sleeper, const CancelToken& token,
                                           Operation&& operation) {
    double delay = 2.0;
    for (int attempt = 1;; ++attempt) {
        try {
            return operation();
        } catch (const std::exception& error) {
            if (!isRetryableError(error) || attempt >= maxAttempts) {
                throw;
            }
            if (log) {
                log(std::string(label) + ": retrying in " + std::to_string(static_cast<long long>(delay)) +
                    "s (" + errorText(error) + ")");
            }
        }
        sleeper.sleepOrThrow(Seconds(delay), token);
        delay = std::min(2.0 * delay, 60.0);
    }
}

} // namespace keldra
