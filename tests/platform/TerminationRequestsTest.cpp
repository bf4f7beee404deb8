#include "platform/TerminationRequests.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <csignal>
#include <gtest/gtest.h>

TEST(TerminationRequests, ASignalArrivesInTheEventLoop) {
    int requests = 0;
    {
        TerminationRequests term;
        QObject::connect(&term, &TerminationRequests::requested, [&] { ++requests; });
        ::raise(SIGTERM);
        QDeadlineTimer deadline(QDeadlineTimer::Forever);
        while (requests == 0 && !deadline.hasExpired())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    EXPECT_EQ(requests, 1);
}
