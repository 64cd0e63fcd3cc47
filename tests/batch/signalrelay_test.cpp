#include "batch/signalrelay.h"

#include <QSignalSpy>
#include <gtest/gtest.h>

#include <csignal>

TEST(SignalRelay, DeliversSignalsOnTheEventLoopAndRestoresHandlers)
{
    struct sigaction before = {};
    ::sigaction(SIGTERM, nullptr, &before);
    {
        TSignalRelay relay;
        ASSERT_TRUE(relay.IsActive());
        // Only one relay owns the handlers at a time.
        TSignalRelay second;
        EXPECT_FALSE(second.IsActive());

        QSignalSpy spy(&relay, &TSignalRelay::Signalled);
        ASSERT_EQ(::raise(SIGTERM), 0);
        ASSERT_TRUE(spy.wait(5000));
        ASSERT_EQ(spy.count(), 1);
        EXPECT_EQ(spy.at(0).at(0).toInt(), SIGTERM);
        EXPECT_EQ(spy.at(0).at(1).toInt(), 1);

        ASSERT_EQ(::raise(SIGINT), 0);
        ASSERT_TRUE(spy.count() == 2 || spy.wait(5000));
        EXPECT_EQ(spy.at(1).at(0).toInt(), SIGINT);
        EXPECT_EQ(spy.at(1).at(1).toInt(), 2);

        // After the second signal a third one would take the default action.
        struct sigaction now = {};
        ::sigaction(SIGINT, nullptr, &now);
        EXPECT_EQ(now.sa_handler, SIG_DFL);
    }
    struct sigaction after = {};
    ::sigaction(SIGTERM, nullptr, &after);
    EXPECT_EQ(after.sa_handler, before.sa_handler);

    // A new relay works again once the old one is gone.
    TSignalRelay again;
    EXPECT_TRUE(again.IsActive());
}
