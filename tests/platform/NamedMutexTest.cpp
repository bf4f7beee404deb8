#include "platform/NamedMutex.h"

#include "support/TestEnv.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QProcess>
#include <QThread>
#include <gtest/gtest.h>

TEST(NamedMutex, CreateHoldsUntilReleaseAndRefusesASecondHolder) {
    testenv::TempEnvironment env;
    const QString name = QStringLiteral("CORVANE_RENDO");
    EXPECT_FALSE(NamedMutex::exists(name));
    {
        NamedMutex first;
        ASSERT_TRUE(first.create(name));
        EXPECT_TRUE(NamedMutex::exists(name));
        EXPECT_FALSE(NamedMutex::exists(QStringLiteral("TESUVIO000")));
        NamedMutex second;
        EXPECT_FALSE(second.create(name));
        EXPECT_FALSE(second.isHeld());
        first.release();
        EXPECT_FALSE(NamedMutex::exists(name));
        EXPECT_TRUE(second.create(name));
    }
    EXPECT_FALSE(NamedMutex::exists(name)); // released by the destructor
}

TEST(NamedMutex, AKilledHolderReleasesIt) {
    testenv::TempEnvironment env;
    const QString name = QStringLiteral("TESUVIO000");
    // Another process, one process to the end, holds the lock file as a holder of the mutex would. It says
    // "ready" only once the flock helper has exited, so killing it leaves no other holder of the file.
    QProcess holder;
    holder.start(QStringLiteral("sh"),
                 {QStringLiteral("-c"),
                  QStringLiteral("exec 9>\"$1\"; flock -x 9; echo ready; exec sleep 600"),
                  QStringLiteral("sh"), NamedMutex::lockFilePath(name)});
    ASSERT_TRUE(holder.waitForStarted());
    QDeadlineTimer deadline(QDeadlineTimer::Forever);
    while (!holder.canReadLine() && !deadline.hasExpired())
        holder.waitForReadyRead(100);
    ASSERT_EQ(holder.readLine().trimmed(), QByteArray("ready"));
    ASSERT_TRUE(NamedMutex::exists(name));
    NamedMutex mine;
    EXPECT_FALSE(mine.create(name));

    holder.kill();
    holder.waitForFinished();
    EXPECT_FALSE(NamedMutex::exists(name));
    EXPECT_TRUE(mine.create(name));
}

TEST(NamedMutex, ALockFileThatCannotBeMadeIsAFailureWithItsReason) {
    testenv::TempEnvironment env;
    const QString name = QStringLiteral("CORVANE_RENDO");
    NamedMutex held;
    QString failure = QStringLiteral("stale");
    ASSERT_TRUE(held.create(name, &failure));
    EXPECT_TRUE(failure.isEmpty());
    // Held elsewhere: no failure of its own.
    NamedMutex second;
    EXPECT_FALSE(second.create(name, &failure));
    EXPECT_TRUE(failure.isEmpty());
    held.release();

    // The lock file is a folder: it cannot be opened.
    ASSERT_TRUE(QDir().mkpath(NamedMutex::lockFilePath(QStringLiteral("OTHER"))));
    EXPECT_FALSE(second.create(QStringLiteral("OTHER"), &failure));
    EXPECT_TRUE(failure.startsWith(NamedMutex::lockFilePath(QStringLiteral("OTHER"))))
        << failure.toStdString();

    // The runtime folder cannot be made.
    QDir(env.runtime()).removeRecursively();
    ASSERT_TRUE(testenv::writeFile(env.runtime(), "a file"));
    EXPECT_FALSE(second.create(name, &failure));
    EXPECT_FALSE(failure.isEmpty());
    EXPECT_FALSE(second.isHeld());
}
