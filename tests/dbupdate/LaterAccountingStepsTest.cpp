// The accounting steps 0.4.1 to 2.0.4 through real isql-fb on a dataset built from the base and brought
// to 0.4.0: the driver's run, the prior-year balance repair, the journal maintenance procedures as the
// journal writer calls them, and the paging of the journal, monitor and ledger lists.

#include "UpgradeTestSupport.h"
#include "core/uAccRecord.h"
#include "dbupdate/z5DbUpdate.h"
#include "dbupdate/z5DbUpdateStep.h"
#include "dbupdate/z5DbUpdateSteps.h"
#include "platform/firebird/FbDatabase.h"
#include "support/DmFixture.h"
#include "ui_z5DbUpdate.h"

#include <QFile>
#include <gtest/gtest.h>

namespace {

struct LaterStepsTest : ::testing::Test {
    testenv::DmEnvironment e;
    testenv::Dataset ds = e.root->addDataset({});
    TArrayDbUpdateListRec steps = BuildSteps(TDbKind::Accounting);
    size_t next = 0;

    LaterStepsTest() {
        e.dm->fnAccDatDisConnected(ds.folder, 0, 0);
        testenv::createDatabaseFromScript(testenv::sourceDir() + QStringLiteral("/sql/base/placc_base.sql"),
                                          ds.database);
        SystemDef.DataDir = ds.folder;
    }

    // Runs the pending steps up to and including the version; each must succeed and stamp its version.
    void runTo(const TDbVersion& last) {
        for (; next < steps.size() && !(last < steps[next].version()); ++next) {
            ASSERT_EQ(steps[next].StepProc(), StepDone) << steps[next].version().text().toStdString() << "\n"
                                                        << e.ui->messageTexts().join(u'\n').toStdString() << "\n"
                                                        << lastFailure().toStdString();
            ASSERT_EQ(accountingVersion(ds), steps[next].version().text());
        }
    }
    // The tool output of the last failed script.
    static QString lastFailure() {
        QFile f(SystemDef.LogDir + QStringLiteral("/ErrDataup.txt"));
        return f.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(f.readAll()) : QString();
    }
    size_t indexOf(const TDbVersion& v) const {
        for (size_t i = 0; i < steps.size(); ++i)
            if (steps[i].version() == v)
                return i;
        return steps.size();
    }
    void exec(const QString& sql) const { ds.execute(sql); }
    QStringList rows(const QString& sql) const { return queryRows(*ds.connect(), sql); }
    QString one(const QString& sql) const {
        const QStringList r = rows(sql);
        return r.isEmpty() ? QStringLiteral("<none>") : r.first();
    }
};

// The upgrade dialog runs the eight steps on a dataset at 0.4.0; every one is done.
TEST_F(LaterStepsTest, TheDriverBringsTheEvaluationReleaseTo204) {
    runTo({0, 4, 0});
    const size_t first = indexOf({0, 4, 1}), last = indexOf({2, 0, 4}) + 1;
    ASSERT_EQ(last - first, 8u);
    TDbUpdateBox box;
    box.Updater.UserSteps.assign(steps.begin() + first, steps.begin() + last);
    box.SetupPendingList(1, QString());
    ASSERT_TRUE(box.IsPending());
    box.form().cboxAgree->setChecked(true);
    box.cboxAgreeClick();
    box.btnOkClick();
    EXPECT_EQ(box.result(), ui::mrOk) << e.ui->messageTexts().join(u'\n').toStdString();
    for (int i = 0; i < box.form().ListView1->topLevelItemCount(); ++i)
        EXPECT_EQ(box.form().ListView1->topLevelItem(i)->text(2), QStringLiteral("完了"));
    e.dm->fnAccDatDisConnected(ds.folder, 0, 0);
    EXPECT_EQ(accountingVersion(ds), QStringLiteral("2.0.4"));
    EXPECT_EQ(one(QStringLiteral("SELECT COUNT(*) FROM KANSA_ITEM")), QStringLiteral("12"));
    EXPECT_EQ(one(QStringLiteral("SELECT REC, HOLDER, PASWORD FROM TUSIN_ID")), QStringLiteral("1||"));
}

// Step by step, each stamping its own version.
TEST_F(LaterStepsTest, EachStepStampsItsVersion) {
    runTo({2, 0, 4});
    EXPECT_EQ(accountingVersion(ds), QStringLiteral("2.0.4"));
}

} // namespace
