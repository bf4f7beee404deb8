// An upgrade killed with kill -9 (the runner process, tests/dbupdate/runner) never looks finished: cut
// after its backup or between step 8.0.2's script and its migration, the next run brings the work to its
// end. A child tool running at the kill goes with the program.

#include "UpgradeTestSupport.h"
#include "support/DmFixture.h"
#include "support/TestEnv.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <csignal>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

struct InterruptedUpgradeTest : ::testing::Test {
    testenv::DmEnvironment e;
    testenv::Dataset ds = e.root->addDataset({});

    InterruptedUpgradeTest() {
        e.dm->fnAccDatDisConnected(ds.folder, 0, 0);
        // As before step 8.0.2, which fills the groups and rules.
        for (const char* t : {"KAMOKU_KOSEI_GROUP", "SOLVARNE_YOJITU_HYOKARULE", "JOBCONTROL2"})
            ds.execute(QStringLiteral("DELETE FROM %1").arg(QLatin1String(t)));
        ds.execute(QStringLiteral("UPDATE ACCVERSION SET MAJOR=8, MINOR1=0, MINOR2=0 WHERE REC=1"));
    }

    // The runner on the dataset; halt names where it stops to be killed ("" for a whole run).
    void start(QProcess& runner, const QString& halt, const QProcessEnvironment& env) const {
        runner.setProcessEnvironment(env);
        runner.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        QStringList args{e.root->root(), ds.folder};
        if (!halt.isEmpty())
            args << halt;
        runner.start(testenv::buildDir() + QStringLiteral("/tests/upgrade_runner"), args);
        ASSERT_TRUE(runner.waitForStarted(-1)) << runner.errorString().toStdString();
    }
    // What the runner printed up to a line starting with prefix, or up to its end.
    static QByteArray readUntil(QProcess& runner, const QByteArray& prefix) {
        QByteArray out;
        for (;;) {
            while (runner.canReadLine()) {
                const QByteArray line = runner.readLine();
                out += line;
                if (line.startsWith(prefix))
                    return out;
            }
            if (runner.state() == QProcess::NotRunning) {
                out += runner.readAll();
                return out;
            }
            runner.waitForReadyRead(-1);
        }
    }
    static void kill9(QProcess& runner) {
        ::kill(pid_t(runner.processId()), SIGKILL);
        runner.waitForFinished(-1);
    }
    QStringList rows(const QString& sql) const { return queryRows(*ds.connect(), sql); }
    QStringList tempFiles() const { return QDir(e.root->tempDir()).entryList(QDir::Files | QDir::Hidden); }
};

TEST_F(InterruptedUpgradeTest, TheNextRunFinishesARunKilledMidway) {
    for (const char* halt : {"backup", "migration"}) {
        SCOPED_TRACE(halt);
        QProcess first;
        start(first, QString::fromLatin1(halt), QProcessEnvironment::systemEnvironment());
        const QByteArray said = readUntil(first, "HALT");
        ASSERT_TRUE(said.contains("HALT " + QByteArray(halt))) << said.toStdString();
        kill9(first);
        if (QByteArray(halt) == "migration") {
            // Killed between the script and the migration: stamped, without the migration's rows.
            EXPECT_EQ(accountingVersion(ds), QStringLiteral("8.0.2"));
            EXPECT_TRUE(rows(QStringLiteral("SELECT * FROM KAMOKU_KOSEI_GROUP")).isEmpty());
        }

        QProcess next;
        start(next, {}, QProcessEnvironment::systemEnvironment());
        next.waitForFinished(-1);
        const QByteArray out = next.readAll();
        EXPECT_TRUE(out.contains("RESULT 1\n")) << out.toStdString();
        EXPECT_EQ(accountingVersion(ds), QStringLiteral("8.0.2"));
        EXPECT_EQ(rows(QStringLiteral("SELECT FGNAME FROM KAMOKU_KOSEI_GROUP")).size(), 12);
        EXPECT_EQ(rows(QStringLiteral("SELECT FGCODE FROM SOLVARNE_YOJITU_HYOKARULE")).size(), 12);
        // Nothing of either run is left: no backup, no record of a run.
        EXPECT_TRUE(tempFiles().isEmpty()) << tempFiles().join(u' ').toStdString();

        // Back to the state before the step for the next case.
        for (const char* t : {"KAMOKU_KOSEI_GROUP", "SOLVARNE_YOJITU_HYOKARULE", "JOBCONTROL2"})
            ds.execute(QStringLiteral("DELETE FROM %1").arg(QLatin1String(t)));
        ds.execute(QStringLiteral("UPDATE ACCVERSION SET MAJOR=8, MINOR1=0, MINOR2=0 WHERE REC=1"));
    }
}

// isql-fb stands in as a script that stays until it is killed: killing the program takes it along.
TEST_F(InterruptedUpgradeTest, AChildToolEndsWithTheProgram) {
    const QString pidFile = e.env.path() + QStringLiteral("/tool.pid");
    const QString tool = e.env.path() + QStringLiteral("/bin/isql-fb");
    ASSERT_TRUE(testenv::writeFile(tool, QStringLiteral("#!/bin/sh\necho $$ > '%1.new' && mv '%1.new' '%1'\n"
                                                        "exec sleep 100000\n")
                                             .arg(pidFile)
                                             .toUtf8()));
    QFile::setPermissions(tool, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QV_ISQL"), tool);
    QProcess runner;
    start(runner, {}, env);
    // The tool has started once it wrote its process id; the runner waits for it meanwhile.
    while (!QFileInfo::exists(pidFile) && runner.state() != QProcess::NotRunning)
        runner.waitForFinished(50);
    ASSERT_TRUE(QFileInfo::exists(pidFile)) << runner.readAll().toStdString();
    const pid_t child = pid_t(testenv::readFile(pidFile).trimmed().toInt());
    ASSERT_GT(child, 0);
    const int handle = int(syscall(SYS_pidfd_open, child, 0));
    ASSERT_GE(handle, 0);
    kill9(runner);

    // The kernel sends the tool its signal as the runner ends; the bound only keeps a failure short.
    pollfd gone{handle, POLLIN, 0};
    const int ended = poll(&gone, 1, 60000);
    close(handle);
    if (ended != 1)
        ::kill(child, SIGKILL);
    EXPECT_EQ(ended, 1) << "the tool outlived the program";
}

} // namespace
