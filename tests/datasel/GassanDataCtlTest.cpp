// Merged data: the children found on disk and in the list, the next sub-folder, a new distributed-input
// child cleared down to an empty dataset, a clearing that fails, the merge settings, and F3 of the data
// selection on a merged row.
#include "controls/PerfectGrid.h"
#include "core/DataModule.h"
#include "core/uAccRecord.h"
#include "datasel/z5DataSentaku.h"
#include "datasel/z5GassanSyori.h"
#include "platform/firebird/FbQuery.h"
#include "support/DmFixture.h"

#include <QDir>
#include <QFileInfo>
#include <QtTest/QTest>
#include <gtest/gtest.h>

namespace {

class GassanDataCtlTest : public ::testing::Test {
protected:
    void SetUp() override {
        e.connectSystem();
        testenv::CompanySpec c;
        c.code = QStringLiteral("5000");
        c.name = QStringLiteral("合算商事");
        merged = e.root->addDataset(c, 1);
        merged.setAccReg(QStringLiteral("基本設定"), QStringLiteral("合算データ区分"), QStringLiteral("整数"),
                         QStringLiteral("1"));
        merged.setAccReg(QStringLiteral("基本設定"), QStringLiteral("合算データ数"), QStringLiteral("整数"),
                         QStringLiteral("0"));
        e.executeSystem(QStringLiteral("UPDATE DATALIST SET GASSAN=1 WHERE REC=1"));
    }

    // One value of the first row of a query on a database.
    static QString value(const QString& database, const QString& sql) {
        fb::Database db(database, testenv::databaseUser());
        db.attach();
        fb::Transaction t(db);
        t.start();
        fb::Query q(t, sql);
        q.open();
        const QString v = q.eof() ? QString() : q.field(0).asString();
        q.close();
        t.commit();
        return v;
    }
    // The merge kind and child count of a dataset, "kind/count".
    static QString settings(const QString& database) {
        const auto one = [&](const char* key) {
            return value(database, QStringLiteral("SELECT TRIM(ATEXT) FROM ACCREG WHERE AGROUP='基本設定' AND "
                                                  "ACODE='%1'")
                                       .arg(QString::fromUtf8(key)));
        };
        return one("合算データ区分") + u'/' + one("合算データ数");
    }
    QString childList(const QString& column) const {
        fb::Database db(e.root->systemDatabase(), testenv::databaseUser());
        db.attach();
        fb::Transaction t(db);
        t.start();
        fb::Query q(t, QStringLiteral("SELECT ") + column + QStringLiteral(" FROM CHILD_DATALIST ORDER BY ROWNO"));
        QStringList out;
        for (q.open(); !q.eof(); q.next())
            out << q.field(0).asString().trimmed();
        q.close();
        t.commit();
        return out.join(u',');
    }
    void mkdirs(const QStringList& names) const {
        for (const QString& n : names)
            ASSERT_TRUE(QDir().mkpath(merged.folder + u'/' + n));
    }
    std::unique_ptr<TGassanDataCtl> activated() const {
        auto ctl = std::make_unique<TGassanDataCtl>();
        ctl->SetDataPath(merged.folder + u'/');
        ctl->SetRec(1);
        ctl->SetActive(true);
        return ctl;
    }

    testenv::DmEnvironment e;
    testenv::Dataset merged;
};

TEST_F(GassanDataCtlTest, TheNextSubFolderCountsOnlyNumberedFolders) {
    const struct {
        QStringList folders;
        QString next;
    } cases[] = {
        {{}, QStringLiteral("001")},
        {{"001", "005", "abc"}, QStringLiteral("006")},
        {{"998"}, QStringLiteral("999")},
    };
    for (const auto& c : cases) {
        QTemporaryDir dir;
        for (const QString& f : c.folders)
            QDir(dir.path()).mkdir(f);
        EXPECT_EQ(TGassanDataCtl::NextFolderName(dir.path(), 1), c.next) << c.folders.join(u',').toStdString();
    }
    QTemporaryDir full;
    QDir(full.path()).mkdir(QStringLiteral("999"));
    try {
        TGassanDataCtl::NextFolderName(full.path(), 1);
        ADD_FAILURE() << "no error beyond 999";
    } catch (const std::runtime_error& x) {
        EXPECT_EQ(QString::fromUtf8(x.what()), QStringLiteral("作成できるフォルダ名は[999]までです。"));
    }
    EXPECT_EQ(TGassanDataCtl::NextFolderName(full.path() + QStringLiteral("/none"), 1), QString());
}

TEST_F(GassanDataCtlTest, ChildrenOnDiskAreNumberedByPositionOrByTheirListRow) {
    mkdirs({"001", "003", "00", "xyz"});
    e.executeSystem(QStringLiteral("INSERT INTO CHILD_DATALIST (REC, ROWNO, GROUPID, PASNAME, GASSAN) VALUES (1, 7, "
                                   "10000, '") +
                    merged.folder + QStringLiteral("/003', 10)"));
    auto ctl = activated();
    EXPECT_EQ(ctl->Data().Rec, 1);
    EXPECT_EQ(ctl->Data().Folder, merged.folder);
    QMap<QString, qint32> rows;
    for (const TGassanChildDataRec& c : ctl->Children())
        rows[c.Folder.section(u'/', -1)] = c.RowNo;
    ASSERT_EQ(rows.keys(), (QStringList{"001", "003"})); // "00" only in medical-corporation data
    EXPECT_EQ(rows["003"], 7);                           // the list's row number
    EXPECT_TRUE(rows["001"] == 1 || rows["001"] == 2);   // its place on disk
    EXPECT_EQ(ctl->NextRowNo(1), 8);
    EXPECT_EQ(ctl->IndexOfChild(merged.folder + QStringLiteral("/003")) >= 0, true);
    EXPECT_EQ(ctl->IndexOfChild(merged.folder + QStringLiteral("/004")), -1);
    EXPECT_FALSE(e.dm->IBDatabaseDAT.isConnected());

    merged.execute(QStringLiteral("UPDATE ACCDEF1 SET DATATYPE=3, CODETYPE=1"));
    ctl->SetActive(true);
    EXPECT_EQ(ctl->Children().size(), 3);
}

TEST_F(GassanDataCtlTest, ANewChildIsAnEmptyInputDatasetRegisteredAsAChildRow) {
    testenv::AccountSpec account;
    account.kcode = QStringLiteral("150");
    account.name = QStringLiteral("車両運搬具");
    merged.addAccount(account);
    testenv::AssetSpec asset;
    asset.kcode = QStringLiteral("150");
    asset.name = QStringLiteral("車両");
    merged.addAsset(asset);
    merged.execute(QStringLiteral("UPDATE ACCDEF1 SET KANSA_LOCK=1, KANSA_DATE='2025-03-31'"));
    merged.execute(QStringLiteral("SET GENERATOR KSSISAN_GEN TO 40"));

    auto ctl = activated();
    ASSERT_TRUE(ctl->Children().isEmpty());
    ASSERT_TRUE(ctl->AddBunsanData(QString())) << e.ui->messageTexts().join(u'\n').toStdString();
    ctl->WriteGassanSettings(1, 1);

    const QString child = merged.folder + QStringLiteral("/001/placc.fdb");
    ASSERT_TRUE(QFileInfo(child).isFile());
    EXPECT_EQ(value(child, QStringLiteral("SELECT COUNT(*) FROM KS_SISAN")), QStringLiteral("0"));
    EXPECT_EQ(value(child, QStringLiteral("SELECT COUNT(*) FROM SIWAKE")), QStringLiteral("0"));
    EXPECT_EQ(value(child, QStringLiteral("SELECT GEN_ID(KSSISAN_GEN, 0) FROM RDB$DATABASE")), QStringLiteral("0"));
    EXPECT_EQ(value(child, QStringLiteral("SELECT KANSA_LOCK || ' ' || CAST(KANSA_DATE AS DATE) FROM ACCDEF1")),
              QStringLiteral("0 1899-12-30"));
    EXPECT_EQ(settings(child), QStringLiteral("10/0"));
    // The merged dataset keeps its figures and counts its child.
    EXPECT_EQ(value(merged.database, QStringLiteral("SELECT COUNT(*) FROM KS_SISAN")), QStringLiteral("1"));
    EXPECT_EQ(settings(merged.database), QStringLiteral("1/1"));

    EXPECT_EQ(childList(QStringLiteral("ROWNO")), QStringLiteral("1"));
    EXPECT_EQ(childList(QStringLiteral("GASSAN")), QStringLiteral("10"));
    EXPECT_EQ(childList(QStringLiteral("SHOUGOU")), QStringLiteral("合算商事"));
    ASSERT_EQ(ctl->Children().size(), 1);
    EXPECT_EQ(ctl->Children()[0].RowNo, 1);

    // The next one goes into 002 with row number 2; kind 10 always writes count 0.
    ASSERT_TRUE(ctl->AddBunsanData(QString()));
    EXPECT_TRUE(QFileInfo(merged.folder + QStringLiteral("/002/placc.fdb")).isFile());
    EXPECT_EQ(childList(QStringLiteral("ROWNO")), QStringLiteral("1,2"));
    ctl->WriteGassanSettings(10, 5);
    EXPECT_EQ(settings(merged.database), QStringLiteral("10/0"));
    EXPECT_FALSE(e.dm->IBDatabaseDAT.isConnected());
}

TEST_F(GassanDataCtlTest, NothingIsMadeWithoutAFacilityCodeOrWhenTheClearingFails) {
    // Merged data with branches needs the facility code.
    merged.execute(QStringLiteral("UPDATE ACCDEF1 SET SITEN=1"));
    auto ctl = activated();
    EXPECT_FALSE(ctl->AddBunsanData(QString()));
    EXPECT_TRUE(TGassanDataCtl::NextFolderName(merged.folder, 1) == QStringLiteral("001"));

    // A clearing that fails part way is rolled back: the copy is never left half cleared, and then it
    // is removed.
    merged.execute(QStringLiteral("UPDATE ACCDEF1 SET SITEN=0, KANSA_LOCK=1"));
    merged.execute(QStringLiteral("DROP TABLE KAKOSIWAKE2"));
    const QString child = merged.folder + QStringLiteral("/001/placc.fdb");
    QString lockWhenReported;
    e.ui->onMessage = [&](const ui::MessageRequest&) {
        if (lockWhenReported.isEmpty() && QFileInfo(child).isFile())
            lockWhenReported = value(child, QStringLiteral("SELECT KANSA_LOCK FROM ACCDEF1"));
        return -1;
    };
    ctl->SetActive(true);
    EXPECT_FALSE(ctl->AddBunsanData(QString()));
    EXPECT_TRUE(e.ui->messageTexts().join(u'\n').contains(QStringLiteral("分散入力用データの初期化に失敗しました。")));
    EXPECT_EQ(lockWhenReported, QStringLiteral("1"));
    EXPECT_FALSE(QFileInfo::exists(merged.folder + QStringLiteral("/001")));
    EXPECT_TRUE(ctl->Children().isEmpty());
    EXPECT_EQ(childList(QStringLiteral("ROWNO")), QString());
    EXPECT_FALSE(e.dm->IBDatabaseDAT.isConnected());
}

TEST_F(GassanDataCtlTest, F3OnAMergedRowAddsADistributedChildToTheList) {
    auto box = std::make_unique<TDataSentakuBox>();
    box->KeepOnClose = true;
    box->SetParams({QStringLiteral("SyoriType=0")});
    box->Prepare(true);
    box->resize(1000, 500);
    box->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(box.get()));
    TPerfectGrid* g = box->Grid();
    int row = -1;
    for (int r = 0; r < g->RowCount(); ++r)
        if (g->CellText(r, TDataSentakuBox::colCode) == QStringLiteral("5000"))
            row = r;
    ASSERT_GE(row, 0);
    g->SetCurrentCell(row, 0);
    box->PerfectGrid1CellGotFocus(row, 0);
    ASSERT_EQ(box->KeyCaption(TDataSentakuBox::kF3), QStringLiteral("F3:分散追加"));

    for (int i = 0; i < 2; ++i) {
        e.ui->queueAnswer(ui::mrYes);
        box->F3Click();
    }
    EXPECT_EQ(e.ui->messageTexts(), QStringList(2, QStringLiteral("分散入力用のデータを追加します。\rよろしいですか？")));
    QStringList children;
    for (int r = 0; r < g->RowCount(); ++r)
        if (g->CellText(r, TDataSentakuBox::colGassan) == QStringLiteral("10"))
            children << g->CellText(r, TDataSentakuBox::colFolder).section(u'/', -1);
    EXPECT_EQ(children, (QStringList{"001", "002"}));
    EXPECT_EQ(box->List[g->CellText(row, TDataSentakuBox::colListIndex).toInt()].CHILDCNT, 2);
    EXPECT_EQ(settings(merged.database), QStringLiteral("1/2"));
    testenv::saveShot(*box, QStringLiteral("datasentaku_merged_children"));

    // A child that goes writes the count one lower.
    box->WriteGassanSettings(box->List[g->CellText(row, TDataSentakuBox::colListIndex).toInt()], merged.folder, 1);
    EXPECT_EQ(settings(merged.database), QStringLiteral("1/1"));
}

TEST_F(GassanDataCtlTest, AChildOfMedicalDataWithBranchesKeepsOnlyItsOwnFacility) {
    merged.execute(QStringLiteral("UPDATE ACCDEF1 SET DATATYPE=3, CODETYPE=1, SITEN=1"));
    for (const char* code : {"01", "02", "03"})
        merged.execute(QStringLiteral("INSERT INTO SISETUMST (SCODE, SNAME) VALUES ('%1', '施設')")
                           .arg(QLatin1String(code)));
    auto ctl = activated();
    ASSERT_TRUE(ctl->AddBunsanData(QStringLiteral("02"))) << e.ui->messageTexts().join(u'\n').toStdString();
    const QString child = merged.folder + QStringLiteral("/02/placc.fdb");
    EXPECT_EQ(value(child, QStringLiteral("SELECT LIST(TRIM(SCODE), ',') FROM (SELECT SCODE FROM SISETUMST ORDER BY "
                                          "SCODE)")),
              QStringLiteral(",02"));
    ASSERT_EQ(ctl->Children().size(), 1);
    EXPECT_EQ(ctl->Children()[0].SubFolder, QStringLiteral("02"));
    EXPECT_EQ(value(merged.database, QStringLiteral("SELECT COUNT(*) FROM SISETUMST")), QStringLiteral("4"));
}

} // namespace
