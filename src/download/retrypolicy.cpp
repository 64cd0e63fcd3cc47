#include "download/retrypolicy.h"

#include <QList>
#include <QTimeZone>
#include <algorithm>
#include <curl/curl.h>
#include <random>

namespace pagemint::TRetryPolicy {

namespace {

bool IsTransientStatus(long status)
{
    switch (status) {
    case 408: case 429: case 500: case 502: case 503: case 504:
        return true;
    default:
        return false;
    }
}

double DefaultRandom()
{
    thread_local std::mt19937_64 generator{std::random_device{}()};
    return std::uniform_real_distribution<double>(0.0, 1.0)(generator);
}

bool AllDigits(const QByteArray& text)
{
    return !text.isEmpty()
        && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

int MonthNumber(const QByteArray& name)
{
    static const char* const months[] = {"jan", "feb", "mar", "apr", "may", "jun",
                                         "jul", "aug", "sep", "oct", "nov", "dec"};
    const QByteArray lower = name.toLower();
    for (int i = 0; i < 12; ++i) {
        if (lower == months[i])
            return i + 1;
    }
    return 0;
}

bool ParseNumber(const QByteArray& text, int maxDigits, int& value)
{
    if (!AllDigits(text) || text.size() > maxDigits)
        return false;
    value = text.toInt();
    return true;
}

bool ParseClock(const QByteArray& text, QTime& time)
{
    const QList<QByteArray> parts = text.split(':');
    int h = 0, m = 0, s = 0;
    if (parts.size() != 3 || parts[0].size() != 2 || parts[1].size() != 2 || parts[2].size() != 2
        || !ParseNumber(parts[0], 2, h) || !ParseNumber(parts[1], 2, m)
        || !ParseNumber(parts[2], 2, s))
        return false;
    time = QTime(h, m, s);
    return time.isValid();
}

/** The three HTTP date forms: "Sun, 06 Nov 1994 08:49:37 GMT", "Sunday, 06-Nov-94 08:49:37
 *  GMT" and "Sun Nov  6 08:49:37 1994". The weekday is not checked. */
QDateTime ParseHttpDate(QByteArray text)
{
    text.replace(',', ' ').replace('-', ' ');
    const QList<QByteArray> tokens = text.simplified().split(' ');
    if (tokens.size() < 5)
        return {};
    int day = 0, month = 0, year = 0;
    QTime clock;
    if (MonthNumber(tokens[1]) != 0) {
        if (tokens.size() != 5)
            return {};
        month = MonthNumber(tokens[1]);
        if (!ParseNumber(tokens[2], 2, day) || !ParseClock(tokens[3], clock)
            || !ParseNumber(tokens[4], 4, year) || tokens[4].size() != 4)
            return {};
    } else {
        if (tokens.size() != 6 || tokens[5].toUpper() != "GMT")
            return {};
        month = MonthNumber(tokens[2]);
        if (month == 0 || !ParseNumber(tokens[1], 2, day) || !ParseClock(tokens[4], clock))
            return {};
        if (tokens[3].size() == 2 && ParseNumber(tokens[3], 2, year))
            year += year < 70 ? 2000 : 1900;
        else if (tokens[3].size() != 4 || !ParseNumber(tokens[3], 4, year))
            return {};
    }
    const QDate date(year, month, day);
    if (!date.isValid())
        return {};
    return QDateTime(date, clock, QTimeZone::utc());
}

} // namespace

bool IsTransient(long httpStatus, int curlCode)
{
    // An answer that refuses the request settles it, whatever happened to the transfer after.
    if (httpStatus >= 300)
        return IsTransientStatus(httpStatus);
    switch (curlCode) {
    case CURLE_COULDNT_CONNECT:     // refused
    case CURLE_OPERATION_TIMEDOUT:  // time-out, or the stall limit
    case CURLE_GOT_NOTHING:         // closed before an answer
    case CURLE_SEND_ERROR:          // reset while sending
    case CURLE_RECV_ERROR:          // reset while receiving
    case CURLE_PARTIAL_FILE:        // closed before the whole body came
        return true;
    default:
        return false;
    }
}

Milliseconds Backoff(int retry, const TRandom& random)
{
    const int exponent = std::clamp(retry, 1, 16) - 1;
    const double base = double(FirstDelay.count()) * double(1 << exponent);
    double r = random ? random() : DefaultRandom();
    r = std::clamp(r, 0.0, 1.0);
    const double delay = std::min(base * (1.0 + 0.5 * r), double(MaxDelay.count()));
    return Milliseconds(qint64(delay));
}

std::optional<Milliseconds> ParseRetryAfter(const QByteArray& value, const QDateTime& now)
{
    const QByteArray text = value.trimmed();
    if (AllDigits(text)) {
        // Long digit strings would overflow; anything beyond the cap is the cap.
        if (text.size() > 6)
            return MaxDelay;
        return std::min(Milliseconds(text.toLongLong() * 1000), MaxDelay);
    }
    const QDateTime when = ParseHttpDate(text);
    if (!when.isValid() || !now.isValid())
        return std::nullopt;
    const qint64 wait = now.msecsTo(when);
    return std::clamp(Milliseconds(wait), Milliseconds(0), MaxDelay);
}

Milliseconds RetryDelay(int retry, const QByteArray& retryAfterHeader, const QDateTime& now,
                        const TRandom& random)
{
    if (const auto fromHeader = ParseRetryAfter(retryAfterHeader, now))
        return *fromHeader;
    return Backoff(retry, random);
}

} // namespace pagemint::TRetryPolicy

bool TInterruptibleWait::WaitFor(std::chrono::milliseconds duration)
{
    std::unique_lock lock(m_mutex);
    if (duration.count() <= 0)
        return !m_interrupted;
    return !m_wake.wait_for(lock, duration, [this] { return m_interrupted; });
}

void TInterruptibleWait::Interrupt()
{
    {
        std::lock_guard lock(m_mutex);
        m_interrupted = true;
    }
    m_wake.notify_all();
}

bool TInterruptibleWait::IsInterrupted() const
{
    std::lock_guard lock(m_mutex);
    return m_interrupted;
}
