// The accounting steps 3.0.0 to 13.0.0: which of its version folder's files each step reads for which
// data (medical-corporation data or other data, data type, edition), in which order and where in the
// script; the probes that choose files; a missing file under each rule, also through the upgrade dialog.

#include "UpgradeTestSupport.h"
#include "core/uAccRecord.h"
#include "dbupdate/z5DbUpdate.h"
#include "dbupdate/z5DbUpdateScript.h"
#include "dbupdate/z5DbUpdateStep.h"
#include "dbupdate/z5DbUpdateSteps.h"
#include "platform/firebird/FbQuery.h"
#include "platform/firebird/FbTransaction.h"
#include "support/DbCompare.h"
#include "support/DmFixture.h"
#include "support/TestEnv.h"
#include "ui_z5DbUpdate.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>
#include <gtest/gtest.h>

namespace {

// A copy of the version folders of sql/ in which every step file holds one line naming itself.
struct MarkedSqlFolder {
    testenv::TempEnvironment env;
    QString root = env.path() + QStringLiteral("/sql");
    const QString savedSqlDir = SystemDef.SqlDir;
    const quint8 savedEdition = TavrinoEdition;
    const TACCINF savedAccInf = AccInf;

    MarkedSqlFolder() {
        for (QDirIterator it(testenv::sourceDir() + QStringLiteral("/sql"), {QStringLiteral("plzup*.sql")},
                             QDir::Files, QDirIterator::Subdirectories);
             it.hasNext();) {
            const QFileInfo f(it.next());
            const QString version = f.dir().dirName();
            QDir().mkpath(root + u'/' + version);
            QFile out(root + u'/' + version + u'/' + f.fileName());
            if (out.open(QIODevice::WriteOnly))
                out.write(QStringLiteral("/* %1/%2 */\n\n").arg(version, f.fileName()).toLatin1());
        }
        SystemDef.SqlDir = root;
    }
    ~MarkedSqlFolder() {
        SystemDef.SqlDir = savedSqlDir;
        TavrinoEdition = savedEdition;
        AccInf = savedAccInf;
    }
    void remove(const char* file) const { QFile::remove(root + u'/' + QLatin1String(file)); }

    // The script of the step as written now, or "missing" when it ends for a missing file.
    static QStringList script(const TDbVersion& v) {
        const TStepSpec* spec = FindStep(TDbKind::Accounting, v);
        QStringList lines;
        if (!spec || !ComposeStepScript(*spec, spec->Content(), lines))
            return {QStringLiteral("missing")};
        return lines;
    }
    // The numbers of the files the step's script holds, in script order.
    static QStringList filesRead(const TDbVersion& v) {
        static const QRegularExpression marker(QStringLiteral("^/\\* \\d+/plzup(\\d+)\\.sql \\*/$"));
        QStringList numbers;
        for (const QString& line : script(v)) {
            if (line == QLatin1String("missing"))
                return {line};
            if (const auto m = marker.match(line); m.hasMatch())
                numbers << m.captured(1);
        }
        return numbers;
    }
};

void setData(int dataType, int codeType, int edition) {
    AccInf.DATATYPE = dataType;
    AccInf.CODETYPE = codeType;
    AccInf.IryoFlag = dataType == 3 && codeType == 1 ? 1 : 0;
    TavrinoEdition = quint8(edition);
}

QStringList numbers(const char* list) {
    return QString::fromLatin1(list).split(u' ', Qt::SkipEmptyParts);
}

TEST(LatestAccountingSteps, EachStepReadsTheFilesOfItsKindOfDataInListOrder) {
    MarkedSqlFolder sql;
    struct Case {
        TDbVersion version;
        int dataType, codeType, edition;
        const char* files;
    } cases[] = {
        {{13, 0, 0}, 3, 1, 0, "01 02 04"},
        {{13, 0, 0}, 1, 1, 0, "01 02 03"},
        // A medical corporation of another code type counts as other data.
        {{13, 0, 0}, 3, 2, 0, "01 02 03"},
        {{8, 0, 2}, 1, 1, 0, "07 01 02 05 06"},
        {{8, 0, 2}, 3, 1, 0, "07 03 04 05 06"},
        {{5, 0, 0}, 1, 1, 0, "02 04 05 06 07 08 10 11"},
        {{5, 0, 0}, 1, 1, 1, "02 04 05 06 07 08 09 10 11"},
        {{5, 0, 0}, 3, 1, 2, "01 03 04 05 06 07 08 09 11"},
        {{5, 0, 5}, 2, 1, 0, "01 02"},
        {{5, 0, 5}, 2, 1, 1, "01 02"},
        {{5, 0, 5}, 1, 1, 0, "01 02 04"},
        {{5, 0, 5}, 1, 1, 1, "01 02 05"},
        {{5, 0, 5}, 1, 1, 3, "01 02 04 05"},
        {{5, 0, 5}, 3, 1, 1, "01 03"},
        {{3, 0, 3}, 1, 1, 0, ""},
        {{3, 0, 3}, 3, 1, 0, "01 02 03 04 05 06"},
        {{3, 0, 7}, 1, 1, 0, "01 08"},
        {{4, 0, 0}, 1, 1, 0, "01 02 03 06 07 08"},
        {{4, 0, 0}, 3, 1, 0, "01 04 05 06 09"},
        {{6, 0, 0}, 2, 1, 0, "01 02 03 04 05 06 07 08 09 15 16 18"},
        {{6, 0, 0}, 3, 1, 0, "01 02 10 11 12 13 14 15 17 18"},
        {{7, 0, 0}, 1, 1, 0, "01 02 03 08 10 11"},
        {{7, 0, 0}, 3, 1, 0, "04 05 06 07 09 10"},
        {{11, 0, 0}, 1, 1, 0, "01 02 03 04 05 06 08"},
        {{11, 0, 0}, 3, 1, 0, "01 02 03 04 05 07"},
        {{11, 1, 0}, 3, 1, 0, "02 03 04"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(QStringLiteral("%1 data type %2 code type %3 edition %4")
                         .arg(c.version.text())
                         .arg(c.dataType)
                         .arg(c.codeType)
                         .arg(c.edition)
                         .toStdString());
        setData(c.dataType, c.codeType, c.edition);
        EXPECT_EQ(sql.filesRead(c.version), numbers(c.files));
    }
}

// Layout B writes the stamp after the files, layout C before them; both with the character-set line.
TEST(LatestAccountingSteps, TheStampComesAfterTheFilesInTheOlderLayoutAndBeforeThemInTheNewer) {
    MarkedSqlFolder sql;
    setData(1, 1, 0);
    const auto positions = [&](const TDbVersion& v) {
        const QStringList lines = sql.script(v);
        const auto stamp = std::find_if(lines.begin(), lines.end(), [](const QString& l) {
            return l.startsWith(QLatin1String("UPDATE ACCVERSION"));
        });
        const auto file = std::find_if(lines.begin(), lines.end(),
                                       [](const QString& l) { return l.contains(QLatin1String("plzup")); });
        EXPECT_TRUE(lines.contains(QStringLiteral("SET NAMES SJIS_0208;")));
        EXPECT_EQ(lines.back(), QStringLiteral("EXIT;"));
        return std::make_pair(stamp - lines.begin(), file - lines.begin());
    };
    const auto b = positions({4, 0, 2});
    EXPECT_LT(b.second, b.first);
    const auto c = positions({5, 0, 5});
    EXPECT_LT(c.first, c.second);
    // The memo of the newest steps is the operator form without trailing blanks.
    const QStringList newest = sql.script({13, 0, 0});
    const auto memo = std::find_if(newest.begin(), newest.end(), [](const QString& l) {
        return l.startsWith(QLatin1String("UPDATE ACCVERSION"));
    });
    ASSERT_NE(memo, newest.end());
    EXPECT_TRUE(memo->contains(QStringLiteral("MAJOR=13,MINOR1=0,MINOR2=0,MEMO='")));
    EXPECT_FALSE(memo->contains(QStringLiteral(" '"))) << memo->toStdString();
}

// A missing file ends a newer step even when the data would not have received it; an older step passes
// it over and reads the others.
TEST(LatestAccountingSteps, AMissingFileEndsTheNewerStepsAndIsPassedOverByTheOlder) {
    MarkedSqlFolder sql;
    setData(3, 1, 0);
    sql.remove("1300/plzup03.sql");
    EXPECT_EQ(sql.filesRead({13, 0, 0}), QStringList{QStringLiteral("missing")});
    sql.remove("613/plzup03.sql");
    setData(1, 1, 0);
    EXPECT_EQ(sql.filesRead({6, 1, 3}), numbers("01 04 05 06 07"));
    sql.remove("300/plzup02.sql");
    EXPECT_EQ(sql.filesRead({3, 0, 0}), numbers("01 03 04 05 06 07 08 09 10"));
}

} // namespace

namespace {

// The probes look into the dataset while the script is written.
struct ProbedStepsTest : ::testing::Test {
    testenv::DmEnvironment e;
    testenv::Dataset ds = e.root->addDataset({});
    MarkedSqlFolder sql;

    ProbedStepsTest() {
        e.dm->fnAccDatDisConnected(ds.folder, 0, 0);
        SystemDef.DataDir = ds.folder;
    }
    QString one(const QString& statement) const {
        const QStringList r = queryRows(*ds.connect(), statement);
        return r.isEmpty() ? QString() : r.first();
    }
};

TEST_F(ProbedStepsTest, TheTriggerAndTaxCodeProbesLeaveTheirFilesOut) {
    setData(1, 1, 0);
    ds.execute(QStringLiteral("DELETE FROM TAXMST WHERE TAX_CODE = 116"));
    EXPECT_EQ(sql.filesRead({7, 0, 4}), numbers("70201 70202 01 02 03"));
    ds.execute(QStringLiteral("INSERT INTO TAXMST (TAX_CODE, TAX_NAME) VALUES (116, '特定課税仕入')"));
    EXPECT_EQ(sql.filesRead({7, 0, 4}), numbers("01 02 03"));
    // Under the rule of 7.0.4 the two files must exist all the same.
    sql.remove("704/plzup70202.sql");
    EXPECT_EQ(sql.filesRead({7, 0, 4}), QStringList{QStringLiteral("missing")});

    const bool had = ProbeAccTrigger(QStringLiteral("KAMOKUMST_AFTER_UPDATE2"));
    if (had)
        ds.execute(QStringLiteral("DROP TRIGGER KAMOKUMST_AFTER_UPDATE2"));
    EXPECT_EQ(sql.filesRead({3, 0, 4}), numbers("01 02 03 04"));
    ds.execute(
        QStringLiteral("CREATE TRIGGER KAMOKUMST_AFTER_UPDATE2 FOR KAMOKUMST AFTER UPDATE AS BEGIN END"));
    EXPECT_EQ(sql.filesRead({3, 0, 4}), numbers("01 02 03"));
}

// The standard account sets of medical-corporation data choose one of the two files of 3.0.6.
TEST_F(ProbedStepsTest, TheAccountCountOfMedicalDataChoosesTheFileOf306) {
    // Brings the account master to n rows, in one transaction.
    const auto accounts = [&](int n) {
        ds.execute(QStringLiteral("DELETE FROM KAMOKUMST WHERE KCODE STARTING WITH 'Z'"));
        auto db = ds.connect();
        fb::Transaction t(*db);
        fb::Query count(t, QStringLiteral("SELECT COUNT(*) FROM KAMOKUMST"));
        count.open();
        const int have = count.field(0).asInt();
        count.close();
        fb::Query insert(t, QStringLiteral("INSERT INTO KAMOKUMST (KCODE, USERCODE) VALUES (:K, :K)"));
        for (int i = have; i < n; ++i) {
            insert.setString("K", QStringLiteral("Z%1").arg(i));
            insert.execute();
        }
        t.commit();
    };
    setData(1, 1, 0);
    EXPECT_EQ(sql.filesRead({3, 0, 6}), QStringList());
    setData(3, 1, 0);
    const int base = one(QStringLiteral("SELECT COUNT(*) FROM KAMOKUMST")).toInt();
    ASSERT_LT(base, 377);
    accounts(377);
    EXPECT_EQ(sql.filesRead({3, 0, 6}), numbers("01"));
    accounts(567);
    EXPECT_EQ(sql.filesRead({3, 0, 6}), numbers("02"));
    accounts(400);
    EXPECT_EQ(sql.filesRead({3, 0, 6}), QStringList());
}

} // namespace

namespace {

// Through the upgrade dialog: a missing file of 13.0.0 shows "ﾌｧｲﾙ不足" and the dataset is restored.
TEST(LatestAccountingStepsRun, AMissingFileIsShownAndTheDatasetRestored) {
    testenv::DmEnvironment e;
    testenv::CompanySpec company;
    company.dataType = 3;
    company.codeType = 1;
    const testenv::Dataset ds = e.root->addDataset(company);
    MarkedSqlFolder sql;
    sql.remove("1300/plzup03.sql");
    const TBackupWorkerProc savedWorker = DbUpdateBackupWorker;
    DbUpdateBackupWorker = [](const TBackupJob& job, TErrInfomation& result) {
        return RunBackupJobOnThread(job, result);
    };
    SystemDef.DataDir = ds.folder;
    ds.execute(QStringLiteral("UPDATE ACCVERSION SET MAJOR=12, MINOR1=0, MINOR2=0 WHERE REC=1"));
    // The reconnect after the run writes the company's default settings: they are in place before the copy.
    ASSERT_TRUE(e.dm->fnAccDatConnected(QString(), ds.folder, 0));
    e.dm->fnGetAccInfo();
    e.dm->fnAccDatDisConnected(ds.folder, 0, 0);
    const QString before = e.env.temp() + QStringLiteral("/before.fdb");
    ASSERT_TRUE(QFile::copy(ds.database, before));

    TDbUpdateBox box;
    for (const TDbUpdateListRec& step : BuildSteps(TDbKind::Accounting))
        if (step.version() == TDbVersion{13, 0, 0})
            box.Updater.UserSteps.push_back(step);
    box.SetupPendingList(1, QString());
    ASSERT_TRUE(box.IsPending()) << e.ui->messageTexts().join(u'\n').toStdString();
    box.form().cboxAgree->setChecked(true);
    box.cboxAgreeClick();
    box.btnOkClick();
    DbUpdateBackupWorker = savedWorker;
    EXPECT_EQ(box.result(), ui::mrRetry);
    ASSERT_GE(box.form().ListView1->topLevelItemCount(), 1);
    EXPECT_EQ(box.form().ListView1->topLevelItem(0)->text(2), QStringLiteral("ﾌｧｲﾙ不足"));
    e.dm->fnAccDatDisConnected(ds.folder, 0, 0);
    EXPECT_EQ(accountingVersion(ds), QStringLiteral("12.0.0"));
    const QStringList diff = testenv::compareDatabases(before, ds.database);
    EXPECT_TRUE(diff.isEmpty()) << diff.join(u'\n').toStdString();
}

} // namespace
