#include "download/retrypolicy.h"

#include <QTimeZone>
#include <curl/curl.h>
#include <gtest/gtest.h>
#include <thread>

using namespace pagemint;

using namespace std::chrono_literals;
using TRetryPolicy::Milliseconds;

namespace {

const QDateTime Now(QDate(1994, 11, 6), QTime(8, 49, 0), QTimeZone::utc());

} // namespace

TEST(RetryPolicy, TransientOutcomes)
{
    for (long status : {408L, 429L, 500L, 502L, 503L, 504L})
        EXPECT_TRUE(TRetryPolicy::IsTransient(status, CURLE_OK)) << status;
    for (long status : {200L, 204L, 301L, 302L, 304L, 400L, 401L, 403L, 404L, 410L, 501L, 505L})
        EXPECT_FALSE(TRetryPolicy::IsTransient(status, CURLE_OK)) << status;

    for (int code : {CURLE_COULDNT_CONNECT, CURLE_OPERATION_TIMEDOUT, CURLE_GOT_NOTHING,
                     CURLE_SEND_ERROR, CURLE_RECV_ERROR, CURLE_PARTIAL_FILE})
        EXPECT_TRUE(TRetryPolicy::IsTransient(0, code)) << code;
    for (int code : {CURLE_WRITE_ERROR, CURLE_ABORTED_BY_CALLBACK, CURLE_COULDNT_RESOLVE_HOST,
                     CURLE_TOO_MANY_REDIRECTS, CURLE_URL_MALFORMAT, CURLE_PEER_FAILED_VERIFICATION})
        EXPECT_FALSE(TRetryPolicy::IsTransient(0, code)) << code;

    // A reset in the middle of a good answer is worth a retry; a write failure never is; an
    // answer that refuses settles it even when the body was cut short.
    EXPECT_TRUE(TRetryPolicy::IsTransient(200, CURLE_RECV_ERROR));
    EXPECT_FALSE(TRetryPolicy::IsTransient(200, CURLE_WRITE_ERROR));
    EXPECT_FALSE(TRetryPolicy::IsTransient(404, CURLE_PARTIAL_FILE));
    EXPECT_TRUE(TRetryPolicy::IsTransient(503, CURLE_HTTP_RETURNED_ERROR));
}

TEST(RetryPolicy, BackoffDoublesWithJitterAndIsCapped)
{
    const auto low = [] { return 0.0; };
    const auto high = [] { return 0.999; };
    EXPECT_EQ(TRetryPolicy::Backoff(1, low), 1000ms);
    EXPECT_EQ(TRetryPolicy::Backoff(2, low), 2000ms);
    EXPECT_EQ(TRetryPolicy::Backoff(3, low), 4000ms);
    EXPECT_EQ(TRetryPolicy::Backoff(1, high), 1499ms);
    EXPECT_EQ(TRetryPolicy::Backoff(6, low), 32000ms);
    EXPECT_EQ(TRetryPolicy::Backoff(7, low), 60000ms);
    EXPECT_EQ(TRetryPolicy::Backoff(10, high), 60000ms);
    EXPECT_EQ(TRetryPolicy::Backoff(1000, high), 60000ms); // no overflow
    EXPECT_EQ(TRetryPolicy::Backoff(0, low), 1000ms);
    const auto outOfRange = [] { return 7.0; };
    EXPECT_EQ(TRetryPolicy::Backoff(1, outOfRange), 1500ms);

    const Milliseconds drawn = TRetryPolicy::Backoff(2);
    EXPECT_GE(drawn, 2000ms);
    EXPECT_LT(drawn, 3000ms);
}

TEST(RetryPolicy, RetryAfterSecondsAndDates)
{
    using TRetryPolicy::ParseRetryAfter;
    EXPECT_EQ(ParseRetryAfter("5", Now), 5000ms);
    EXPECT_EQ(ParseRetryAfter(" 0 ", Now), 0ms);
    EXPECT_EQ(ParseRetryAfter("120", Now), 60000ms);
    EXPECT_EQ(ParseRetryAfter("99999999999999999999999", Now), 60000ms);
    // The three date forms, 37 s after Now.
    EXPECT_EQ(ParseRetryAfter("Sun, 06 Nov 1994 08:49:37 GMT", Now), 37000ms);
    EXPECT_EQ(ParseRetryAfter("Sunday, 06-Nov-94 08:49:37 GMT", Now), 37000ms);
    EXPECT_EQ(ParseRetryAfter("Sun Nov  6 08:49:37 1994", Now), 37000ms);
    // In the past: at once; far ahead: the cap.
    EXPECT_EQ(ParseRetryAfter("Sat, 05 Nov 1994 08:49:37 GMT", Now), 0ms);
    EXPECT_EQ(ParseRetryAfter("Mon, 07 Nov 1994 08:49:37 GMT", Now), 60000ms);

    for (const char* bad : {"", "-5", "1.5", "soon", "Sun, 06 Nov 1994 08:49:37", "Sun, 31 Feb 1994 "
                            "08:49:37 GMT", "Sun, 06 Nov 1994 25:00:00 GMT", "Sun Nov 6 8:49:37 1994"})
        EXPECT_FALSE(ParseRetryAfter(bad, Now).has_value()) << bad;
}

TEST(RetryPolicy, RetryDelayPrefersTheHeader)
{
    const auto low = [] { return 0.0; };
    EXPECT_EQ(TRetryPolicy::RetryDelay(3, "2", Now, low), 2000ms);
    EXPECT_EQ(TRetryPolicy::RetryDelay(3, "", Now, low), 4000ms);
    EXPECT_EQ(TRetryPolicy::RetryDelay(1, "garbage", Now, low), 1000ms);
}

TEST(InterruptibleWait, InterruptEndsAWaitInProgressAndLaterOnes)
{
    TInterruptibleWait wait;
    std::atomic<bool> finished = false;
    bool elapsed = true;
    std::thread worker([&] {
        elapsed = wait.WaitFor(std::chrono::hours(1));
        finished = true;
    });
    EXPECT_FALSE(finished);
    wait.Interrupt();
    worker.join(); // would hang for an hour if the interrupt were lost
    EXPECT_FALSE(elapsed);
    EXPECT_TRUE(wait.IsInterrupted());
    EXPECT_FALSE(wait.WaitFor(std::chrono::hours(1))); // sticky: returns at once
    EXPECT_FALSE(wait.WaitFor(0ms));
}

TEST(InterruptibleWait, ElapsesWhenLeftAlone)
{
    TInterruptibleWait wait;
    EXPECT_TRUE(wait.WaitFor(0ms));
    EXPECT_TRUE(wait.WaitFor(1ms));
    EXPECT_FALSE(wait.IsInterrupted());
}
