#pragma once
/**
 * When a failed download is tried again, and after how long.
 *
 * Transient, so worth another try: no connection (refused), a connection reset or closed early,
 * a time-out or stall, and the answers 408, 429, 500, 502, 503 and 504. Never retried: other
 * answers (other 4xx, redirections), a file that could not be written, a transfer stopped on
 * purpose, and everything else.
 *
 * The wait before retry n (1, 2, ...) is 1 s * 2^(n-1), stretched by a random 0..50 %, at most
 * MaxDelay. A Retry-After header of the answer replaces it, also capped at MaxDelay.
 *
 * Pure functions apart from TInterruptibleWait; any thread.
 */

#include <QByteArray>
#include <QDateTime>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>

namespace pagemint::TRetryPolicy {

using Milliseconds = std::chrono::milliseconds;

inline constexpr Milliseconds FirstDelay{1000};
inline constexpr Milliseconds MaxDelay{60'000};
/** The range of the Retries setting. */
inline constexpr int MinRetries = 0;
inline constexpr int MaxRetries = 10;
inline constexpr int DefaultRetries = 2;

/** A uniform random number in [0, 1). */
using TRandom = std::function<double()>;

/** Whether a transfer that ended with `curlCode` (a CURLcode, 0 for success) and the answer
 *  `httpStatus` (0 without one) deserves another try. */
bool IsTransient(long httpStatus, int curlCode);

/** The back-off before retry number `retry` (1 for the first retry); `random` defaults to a
 *  per-thread generator. */
Milliseconds Backoff(int retry, const TRandom& random = {});

/** A Retry-After value, either delta-seconds ("120") or an HTTP date in any of its three forms,
 *  as a wait from `now`: never negative, at most MaxDelay. nullopt when it parses as neither. */
std::optional<Milliseconds> ParseRetryAfter(const QByteArray& value, const QDateTime& now);

/** The wait before retry number `retry`: the Retry-After header value when it parses, the
 *  back-off otherwise. */
Milliseconds RetryDelay(int retry, const QByteArray& retryAfterHeader, const QDateTime& now,
                        const TRandom& random = {});

} // namespace pagemint::TRetryPolicy

/**
 * A wait a worker thread makes between tries that another thread can cut short at once
 * (Stop, program close). Interrupt is sticky: a wait begun after it returns at once.
 */
class TInterruptibleWait
{
public:
    /** Waits `duration`; true when it elapsed, false when interrupted (before or during it). */
    bool WaitFor(std::chrono::milliseconds duration);
    /** Ends the current wait and every later one. Any thread. */
    void Interrupt();
    bool IsInterrupted() const;

private:
    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_interrupted = false;
};
