#include "platform/CallerWindow.h"

#include "support/TestEnv.h"

#include <gtest/gtest.h>

TEST(CallerWindow, CallsArriveInOrderAsLines) {
    testenv::TempEnvironment env;
    CallerWindowListener caller(4711);
    ASSERT_TRUE(caller.isListening());
    CallerWindow window(4711);
    window.setEnabled(false);
    window.setForeground();
    window.setEnabled(true);
    window.postMessage(1234, -5, 2);
    ASSERT_TRUE(caller.waitForMessages(4));
    EXPECT_EQ(caller.messages(), QStringList({QStringLiteral("disable"), QStringLiteral("foreground"),
                                              QStringLiteral("enable"), QStringLiteral("post 1234 -5 2")}));
}

TEST(CallerWindow, HandleZeroAndAbsentListenersAreIgnored) {
    testenv::TempEnvironment env;
    CallerWindowListener zero(0);
    {
        CallerWindow window(0);
        window.setEnabled(false);
        window.postMessage(1, 2, 3);
    }
    CallerWindow nobody(99);
    nobody.setEnabled(false);
    nobody.postMessage(1, 2, 3);
    EXPECT_FALSE(zero.waitForMessages(1, 300));
}

TEST(CallerWindow, ACallerThatCameBackIsReachedAgain) {
    testenv::TempEnvironment env;
    CallerWindow window(12);
    auto first = std::make_unique<CallerWindowListener>(12);
    window.setEnabled(false);
    ASSERT_TRUE(first->waitForMessages(1));
    first.reset();
    CallerWindowListener second(12);
    window.setEnabled(true);
    ASSERT_TRUE(second.waitForMessages(1));
    EXPECT_EQ(second.messages(), QStringList({QStringLiteral("enable")}));
}
