// Versions, the two step registries and the pending-version check, on texts (as the data selection asks
// through its hidden dialog) and on the version a database holds.

#include "core/uAccRecord.h"
#include "core/z5AppInfo.h"
#include "dbupdate/z5DbUpdate.h"
#include "support/DbCompare.h"
#include "support/DmFixture.h"
#include "support/TestEnv.h"
#include "ui_z5DbUpdate.h"

#include <QDir>
#include <QFile>
#include <algorithm>
#include <gtest/gtest.h>

namespace {

TEST(DbVersionTest, TextsGiveThreeNumbersOrNothing) {
    struct Case {
        const char* text;
        TDbVersion version;
    } cases[] = {
        {"9.0.4", {9, 0, 4}},       {"10.0.0", {10, 0, 0}},
        {"12.x.0", {12, 0, 0}},     {"12.0", {}},
        {"12.0.0.1", {}},           {"", {}},
        {" 7 . 0 . 2 ", {7, 0, 2}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(TDbVersion::fromText(QString::fromUtf8(c.text)), c.version) << c.text;
    // Per component, as numbers.
    EXPECT_LT((TDbVersion{9, 0, 5}), (TDbVersion{10, 0, 0}));
    EXPECT_LT((TDbVersion{9, 0, 5}), (TDbVersion{9, 0, 10}));
    EXPECT_LT((TDbVersion{11, 0, 1}), (TDbVersion{11, 1, 0}));
    EXPECT_EQ((TDbVersion{10, 0, 4}).text(), QStringLiteral("10.0.4"));
}

TEST(StepRegistryTest, BothRegistriesAreFullAndAscending) {
    const TDbUpdater updater;
    ASSERT_EQ(updater.SystemSteps.size(), 18u);
    ASSERT_EQ(updater.UserSteps.size(), 59u);
    for (const TArrayDbUpdateListRec* steps : {&updater.SystemSteps, &updater.UserSteps}) {
        for (size_t i = 0; i < steps->size(); ++i) {
            const TDbUpdateListRec& e = (*steps)[i];
            EXPECT_TRUE(e.StepProc) << e.version().text().toStdString();
            EXPECT_FALSE(e.Title.isEmpty()) << e.version().text().toStdString();
            EXPECT_FALSE(e.Description.isEmpty()) << e.version().text().toStdString();
            if (i > 0) {
                EXPECT_LT((*steps)[i - 1].version(), e.version());
            }
        }
    }
    EXPECT_EQ(updater.SystemSteps[0].version(), (TDbVersion{0, 3, 1}));
    EXPECT_EQ(updater.SystemSteps[1].version(), (TDbVersion{0, 3, 2}));
    EXPECT_EQ(updater.SystemSteps.back().version(), (TDbVersion{12, 0, 0}));
    EXPECT_EQ(updater.UserSteps[0].version(), (TDbVersion{0, 1, 1}));
    EXPECT_EQ(updater.UserSteps.back().version(), (TDbVersion{13, 0, 0}));
    for (const TDbVersion missing :
         {TDbVersion{3, 0, 2}, TDbVersion{3, 0, 5}, TDbVersion{4, 0, 1}, TDbVersion{4, 0, 4}})
        EXPECT_EQ(FindStep(TDbKind::Accounting, missing), nullptr) << missing.text().toStdString();
    int systemBackups = 0;
    for (const TDbUpdateListRec& e : updater.SystemSteps)
        systemBackups += e.NeedBackup;
    EXPECT_EQ(systemBackups, 10);
}

struct TextsFixture : ::testing::Test {
    TAppInfoRec savedInfo = AppInfo;
    quint8 savedEdition = TavrinoEdition;
    ~TextsFixture() override {
        AppInfo = savedInfo;
        TavrinoEdition = savedEdition;
    }
    static const TDbUpdateListRec& entry(const TArrayDbUpdateListRec& steps, TDbVersion v) {
        for (const TDbUpdateListRec& e : steps)
            if (e.version() == v)
                return e;
        throw std::runtime_error("no such step");
    }
};

TEST_F(TextsFixture, DisplayNameAndEditionShapeTheTexts) {
    AppInfo.Zaimu.AppTitle = QStringLiteral("ペラン財務");
    TavrinoEdition = 0;
    {
        const TDbUpdater u;
        EXPECT_EQ(entry(u.UserSteps, {4, 0, 0}).Title, QStringLiteral("ペラン財務１２のデータ形式に変換"));
        EXPECT_EQ(
            entry(u.UserSteps, {4, 0, 0}).Description,
            QStringLiteral(
                "１）ペラン財務１２のデータ形式に変換します。\r２）過年度残高集計処理を高速化します。"));
        EXPECT_EQ(entry(u.UserSteps, {5, 0, 0}).Description,
                  QStringLiteral("１）ペラン財務１３のデータ形式に変換します。\r"));
        EXPECT_EQ(entry(u.UserSteps, {7, 0, 2}).Description.back(), u'\r');
        EXPECT_EQ(entry(u.UserSteps, {13, 0, 0}).Title, QStringLiteral("青色申告決算書の改正 他"));
        EXPECT_EQ(entry(u.SystemSteps, {7, 0, 0}).Title, QStringLiteral("ペラン財務１５のデータ形式に変換"));
        EXPECT_EQ(entry(u.UserSteps, {0, 2, 1}).Title, QStringLiteral("過年度残高の修復 "));
    }
    AppInfo.Zaimu.AppTitle.clear();
    {
        const TDbUpdater u;
        EXPECT_EQ(entry(u.UserSteps, {4, 0, 0}).Title, QStringLiteral("１２のデータ形式に変換"));
        EXPECT_TRUE(entry(u.UserSteps, {4, 0, 0})
                        .Description.startsWith(QStringLiteral("１）１２のデータ形式に変換します。")));
    }
    const QString strong = QStringLiteral("機能強化および不具合修正");
    TavrinoEdition = 1;
    {
        const TDbUpdater u;
        EXPECT_EQ(entry(u.UserSteps, {13, 0, 0}).Title, strong);
        EXPECT_EQ(entry(u.UserSteps, {8, 0, 3}).Title, strong);
        EXPECT_EQ(entry(u.SystemSteps, {10, 0, 4}).Title, strong);
        EXPECT_EQ(entry(u.SystemSteps, {7, 0, 0}).Title, QStringLiteral("個別原価管理機能の追加"));
        EXPECT_EQ(entry(u.UserSteps, {8, 0, 2}).Title, QStringLiteral("不具合修正"));
        EXPECT_EQ(entry(u.UserSteps, {7, 0, 3}).Description,
                  QStringLiteral("１）消費税試算表の仕訳帳ジャンプ機能の仕様を変更しました。\r"));
        EXPECT_EQ(entry(u.UserSteps, {8, 0, 0}).Title, QStringLiteral("１６のデータ形式に変換 他"));
    }
    TavrinoEdition = 2;
    {
        const TDbUpdater u;
        const TDbUpdateListRec& s700 = entry(u.UserSteps, {7, 0, 0});
        EXPECT_EQ(s700.Description.count(u'\r'), 2);
        EXPECT_TRUE(s700.Description.endsWith(QStringLiteral("\r３）個別原価管理機能を新たに追加します。")));
        EXPECT_EQ(s700.Title, QStringLiteral("１５のデータ形式に変換 他"));
    }
    TavrinoEdition = 3;
    EXPECT_EQ(entry(TDbUpdater().UserSteps, {13, 0, 0}).Title, QStringLiteral("青色申告決算書の改正 他"));
}

// The data selection's question: a hidden dialog, the version as text.
TEST(PendingCheckTest, VersionTextsAgainstTheRegistries) {
    struct Case {
        quint8 kind;
        const char* text;
        bool pending;
        const char* first; // version of the first pending step
        int rows;
        int backups;
    } cases[] = {
        {1, "0.0.0", true, "0.1.1", 59, 55},    {1, "13.0.0", false, "", 0, 0},
        {1, "14.0.0", false, "", 0, 0},         {1, "7.0.1", true, "7.0.2", 22, 22},
        {1, "9.0.10", true, "10.0.0", 10, 10},  {1, "12.0", true, "0.1.1", 59, 55},
        {1, "12.0.0.1", true, "0.1.1", 59, 55}, {1, "12.x.0", true, "13.0.0", 1, 1},
        {1, "0.3.4", true, "0.4.0", 46, 45},    {1, "3.0.1", true, "3.0.3", 35, 35},
        {1, "11.0.1", true, "11.1.0", 3, 3},    {0, "12.0.0", false, "", 0, 0},
        {0, "0.0.0", true, "0.3.1", 18, 10},    {0, "9.0.4", true, "10.0.4", 3, 3},
    };
    TDbUpdateBox box;
    for (const Case& c : cases) {
        const QString text = QString::fromUtf8(c.text);
        box.SetupPendingList(c.kind, text);
        const TDbUpdater& u = box.Updater;
        EXPECT_EQ(box.IsPending(), c.pending) << c.text;
        EXPECT_EQ(u.BackupCount, c.backups) << c.text;
        EXPECT_FALSE(u.IsUpdated);
        if (!c.pending) {
            EXPECT_EQ(u.FirstPending, -1) << c.text;
            EXPECT_EQ(u.LastPending, -1) << c.text;
            continue;
        }
        EXPECT_EQ(u.CurrentSteps()[u.FirstPending].version().text(), QString::fromUtf8(c.first)) << c.text;
        EXPECT_EQ(u.LastPending, int(u.CurrentSteps().size()) - 1);
        EXPECT_EQ(box.form().ListView1->topLevelItemCount(), c.rows) << c.text;
        EXPECT_EQ(box.form().ListView1->topLevelItem(0)->text(0), QString::fromUtf8(c.first));
        EXPECT_EQ(box.form().ListView1->topLevelItem(0)->text(2), QString());
        EXPECT_EQ(box.form().RichEdit1->toPlainText(),
                  QString(u.CurrentSteps()[u.FirstPending].Description).replace(u'\r', u'\n'));
    }
    if (!qEnvironmentVariableIsEmpty("QV_SCREENSHOT_DIR")) {
        const QString dir = qEnvironmentVariable("QV_SCREENSHOT_DIR");
        box.SetupPendingList(1, QStringLiteral("9.0.10"));
        box.grab().save(dir + QStringLiteral("/dbupdate-accounting.png"));
        box.SetupPendingList(0, QStringLiteral("0.0.0"));
        box.grab().save(dir + QStringLiteral("/dbupdate-system.png"));
    }
}

TEST(PendingCheckTest, NothingPendingKeepsTheListAndKindShapesTheDialog) {
    TDbUpdateBox box;
    Ui::TDbUpdateBox& f = box.form();
    box.SetupPendingList(1, QStringLiteral("12.0.0"));
    ASSERT_EQ(f.ListView1->topLevelItemCount(), 1);
    box.SetupPendingList(1, QStringLiteral("13.0.0"));
    EXPECT_FALSE(box.IsPending());
    EXPECT_EQ(f.ListView1->topLevelItemCount(), 1);
    EXPECT_EQ(f.ListView1->topLevelItem(0)->text(0), QStringLiteral("13.0.0"));

    // Accounting data: consent first, Cancel beside OK, the backup warnings.
    EXPECT_FALSE(f.cboxAgree->isHidden());
    EXPECT_FALSE(f.btnCancel->isHidden());
    EXPECT_FALSE(f.btnOk->isEnabled());
    EXPECT_EQ(f.lblTitle1->text(), QStringLiteral("会計データの更新を行います。"));
    EXPECT_FALSE(f.lblTitle2->text().isEmpty());
    f.cboxAgree->click();
    EXPECT_TRUE(f.btnOk->isEnabled());
    f.cboxAgree->click();
    EXPECT_FALSE(f.btnOk->isEnabled());

    // The system database: no consent, no Cancel, OK at Cancel's place and enabled at once.
    box.SetupPendingList(0, QStringLiteral("12.0.0"));
    EXPECT_TRUE(f.cboxAgree->isHidden());
    EXPECT_TRUE(f.btnCancel->isHidden());
    EXPECT_TRUE(f.btnOk->isEnabled());
    EXPECT_EQ(f.btnOk->x(), f.btnCancel->x());
    EXPECT_EQ(f.lblTitle1->text(), QStringLiteral("システムデータの更新を行います。"));
    EXPECT_TRUE(f.lblTitle2->text().isEmpty());
    EXPECT_TRUE(f.ImageGrn->isHidden());
}

// The version the databases hold, read when no text is given.
TEST(PendingCheckTest, VersionsReadFromTheDatabases) {
    testenv::DmEnvironment e;
    const testenv::Dataset ds = e.root->addDataset({});
    SystemDef.DataDir = ds.folder;
    ds.execute(QStringLiteral("UPDATE ACCVERSION SET MAJOR=9, MINOR1=0, MINOR2=4 WHERE REC=1"));
    TDbUpdater u;
    u.SetupPending(1, QString());
    EXPECT_EQ(u.DbVersion, (TDbVersion{9, 0, 4}));
    EXPECT_TRUE(u.IsPending);
    EXPECT_EQ(u.UserSteps[u.FirstPending].version(), (TDbVersion{9, 0, 5}));

    // The newest row of VERSION counts, whatever order the rows were written in.
    e.executeSystem(QStringLiteral("INSERT INTO VERSION (REC, MAJOR, MINOR1, MINOR2) VALUES (100, 4, 0, 2)"));
    u.SetupPending(0, QString());
    EXPECT_EQ(u.DbVersion, (TDbVersion{12, 0, 0}));
    EXPECT_FALSE(u.IsPending);
    e.executeSystem(QStringLiteral("DELETE FROM VERSION WHERE MAJOR=12"));
    u.SetupPending(0, QString());
    EXPECT_EQ(u.DbVersion, (TDbVersion{4, 0, 2}));
    EXPECT_EQ(u.SystemSteps[u.FirstPending].version(), (TDbVersion{5, 0, 0}));
    EXPECT_TRUE(e.ui->shown().empty()) << e.ui->messageTexts().join(u'\n').toStdString();
}

// A version that cannot be read leaves nothing pending (a run would otherwise start from the first step).
TEST(PendingCheckTest, AFailedVersionReadStopsTheCheck) {
    testenv::DmEnvironment e;
    const testenv::Dataset ds = e.root->addDataset({});
    SystemDef.DataDir = ds.folder;
    ds.execute(QStringLiteral("DROP TABLE ACCVERSION"));
    TDbUpdater u;
    u.SetupPending(1, QString());
    EXPECT_FALSE(u.IsPending);
    EXPECT_EQ(u.FirstPending, -1);
    EXPECT_TRUE(u.DbVersion.isEmpty());
    EXPECT_TRUE(e.ui->messageTexts().join(u'\n').contains(
        QStringLiteral("データベースバージョンの取得に失敗しました。")))
        << e.ui->messageTexts().join(u'\n').toStdString();
}

// The databases the step tests start from: the system database before its first step, the accounting
// database at 0.1.0, so every step of each registry is pending.
TEST(PendingCheckTest, BaseDatabasesStandBeforeEveryStep) {
    testenv::DmEnvironment e;
    const testenv::Dataset full = e.root->addDataset({});
    const QString dataset = e.env.path() + QStringLiteral("/base");
    ASSERT_TRUE(QDir().mkpath(dataset));
    e.dm->IBDatabaseDEF.detach();
    testenv::createDatabaseFromScript(testenv::sourceDir() + QStringLiteral("/sql/base/placcdef_base.sql"),
                                      e.root->systemDatabase());
    testenv::createDatabaseFromScript(testenv::sourceDir() + QStringLiteral("/sql/base/placc_base.sql"),
                                      dataset + QStringLiteral("/placc.fdb"));
    SystemDef.DataDir = dataset;
    TDbUpdater u;
    u.SetupPending(0, QString());
    EXPECT_TRUE(u.DbVersion.isEmpty());
    EXPECT_EQ(u.FirstPending, 0);
    u.SetupPending(1, QString());
    EXPECT_EQ(u.DbVersion, (TDbVersion{0, 1, 0}));
    EXPECT_EQ(u.FirstPending, 0);
    e.dm->IBDatabaseDEF.detach();
    e.dm->fnAccDatDisConnected(dataset, 0, 0);
    EXPECT_TRUE(e.ui->shown().empty()) << e.ui->messageTexts().join(u'\n').toStdString();

    // The comparison sees what the newest schema adds to the base, and nothing between equal copies.
    const QString copy = e.env.path() + QStringLiteral("/copy.fdb");
    ASSERT_TRUE(QFile::copy(full.database, copy));
    EXPECT_EQ(testenv::compareDatabases(full.database, copy), QStringList());
    const QStringList diff = testenv::compareDatabases(dataset + QStringLiteral("/placc.fdb"), full.database);
    const auto has = [&](const QString& prefix) {
        return std::any_of(diff.begin(), diff.end(), [&](const QString& l) { return l.startsWith(prefix); });
    };
    EXPECT_TRUE(has(QStringLiteral("+ PROCEDURE SP_SIWAKE_DEL|"))) << diff.join(u'\n').toStdString();
    EXPECT_TRUE(has(QStringLiteral("+ COLUMN KS_SISAN|")));
    EXPECT_TRUE(has(QStringLiteral("- TABLE ACCVERSION rows=1 ")));
}

} // namespace
