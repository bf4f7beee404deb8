#include "core/DataModule.h"
#include "core/FbValues.h"
#include "core/uAccRecord.h"
#include "datalist/z5ComDataSentaku.h"
#include "support/DmFixture.h"

#include <gtest/gtest.h>

namespace {

TEST(DataStatusNames, EveryCodeHasItsText) {
    const struct {
        int code;
        const char* text;
    } cases[] = {{-1, "状態不明"},  {0, "－"},     {1, "－"},       {2, "使用中"},     {3, "データロック中"},
                 {4, "保存中"},     {5, "復元中"}, {6, "コピー中"}, {7, "貼り付け中"}, {8, "削除中"},
                 {9, "新規作成中"}, {10, "破損"},  {11, "状態不明"}};
    for (const auto& c : cases)
        EXPECT_EQ(DataStatusName(c.code), QString::fromUtf8(c.text)) << c.code;
}

class DataListStoreTest : public ::testing::Test {
protected:
    void SetUp() override { e.connectSystem(); }

    // A list row as another attachment sees it (committed data only).
    QString storedText(int rec, const char* column) {
        auto db = e.root->connectSystem();
        fb::Transaction t(*db);
        fb::Query q(t,
                    QStringLiteral("SELECT %1 AS V FROM DATALIST WHERE REC=:REC").arg(QLatin1String(column)));
        q.setInt("REC", rec);
        q.open();
        const QString v = q.eof() ? QStringLiteral("<none>") : q.field("V").asString();
        t.commit();
        return v;
    }
    int rowCount(const QString& where = {}) {
        auto db = e.root->connectSystem();
        fb::Transaction t(*db);
        fb::Query q(t, QStringLiteral("SELECT COUNT(*) AS N FROM DATALIST ") + where);
        q.open();
        const int n = q.field("N").asInt();
        t.commit();
        return n;
    }

    testenv::DmEnvironment e;
};

TEST_F(DataListStoreTest, RowReadByNumberAndByPathAndWrittenBack) {
    testenv::CompanySpec company;
    company.name = QStringLiteral("鈴木工業");
    company.nendo = 7;
    const testenv::Dataset ds = e.root->addDataset(company, 3);

    TDataSentakuListCtl ctl;
    TDataListRec byNumber;
    byNumber.REC = 3;
    ctl.GetDataListRecord(0, byNumber, true);
    EXPECT_EQ(byNumber.SHOUGOU, QStringLiteral("鈴木工業"));
    EXPECT_EQ(byNumber.NENDO, 7);
    EXPECT_EQ(byNumber.PASNAME, ds.folder);
    EXPECT_EQ(byNumber.LOCALPATH, ds.folder);
    EXPECT_EQ(byNumber.DISPNAME, QStringLiteral("鈴木工業"));
    EXPECT_EQ(byNumber.KISHU, TDateTime::fromDate(2024, 4, 1));
    EXPECT_EQ(byNumber.GROUPID, 10000);

    TDataListRec byPath;
    ctl.InitDataListRec(byPath, ds.folder);
    EXPECT_EQ(byPath.NENDO, 1);
    ctl.GetDataListRecord(1, byPath, true);
    EXPECT_EQ(byPath.REC, 3);
    EXPECT_EQ(byPath.SHOUGOU, byNumber.SHOUGOU);

    byPath.SHOUGOU = QStringLiteral("鈴木工業株式会社");
    byPath.VER_MAJOR = 14;
    byPath.READ_ONLY = 1;
    ASSERT_TRUE(ctl.UpdateDataListRecord(byPath, true, true));
    EXPECT_EQ(storedText(3, "SHOUGOU"), QStringLiteral("鈴木工業株式会社"));
    EXPECT_EQ(storedText(3, "VER_MAJOR"), "14");
    EXPECT_EQ(storedText(3, "READ_ONLY"), "1");
    EXPECT_FALSE(e.dm->IBTransactionDEF.isActive());

    // A folder nobody registered keeps list number 0.
    TDataListRec unknown;
    ctl.InitDataListRec(unknown, e.root->dataDir() + QStringLiteral("/elsewhere"));
    ctl.GetDataListRecord(1, unknown, true);
    EXPECT_EQ(unknown.REC, 0);
    EXPECT_FALSE(ctl.UpdateDataListRecord(unknown, true, true));
    EXPECT_TRUE(e.ui->shown().empty());
}

TEST_F(DataListStoreTest, OlderSystemDatabasesNeitherReadNorWriteTheNewColumns) {
    e.root->addDataset({}, 2);
    e.executeSystem(QStringLiteral("UPDATE DATALIST SET CLOUD=1, READ_ONLY=1 WHERE REC=2"));
    const struct {
        int major, minor1, minor2;
        quint8 cloud;
        int readOnly;
    } cases[] = {{11, 0, 0, 0, 0}, {11, 0, 1, 1, 0}, {12, 0, 0, 1, 1}};
    for (const auto& c : cases) {
        SystemDef.SysDbMAJOR = c.major;
        SystemDef.SysDbMINOR1 = c.minor1;
        SystemDef.SysDbMINOR2 = c.minor2;
        TDataSentakuListCtl ctl;
        TDataListRec row;
        row.REC = 2;
        ctl.GetDataListRecord(0, row, true);
        EXPECT_EQ(row.CLOUD, c.cloud) << c.major << "." << c.minor2;
        EXPECT_EQ(row.READ_ONLY, c.readOnly) << c.major << "." << c.minor2;
        // Writing the row leaves a column the version does not know as it was.
        row.CLOUD = 0;
        row.READ_ONLY = 0;
        ASSERT_TRUE(ctl.UpdateDataListRecord(row, true, true));
        ctl.GetDataListRecord(0, row, true);
        EXPECT_EQ(storedText(2, "CLOUD"), c.cloud ? "0" : "1");
        EXPECT_EQ(storedText(2, "READ_ONLY"), c.readOnly ? "0" : "1");
        e.executeSystem(QStringLiteral("UPDATE DATALIST SET CLOUD=1, READ_ONLY=1 WHERE REC=2"));
    }
}

TEST_F(DataListStoreTest, StandAloneSlotsAreOnlyUpdatedAndChildrenKeptInTheirTable) {
    TDataSentakuListCtl ctl;
    TDataListRec row;
    ctl.InitDataListRec(row, e.root->dataDir() + QStringLiteral("/0005"));
    EXPECT_TRUE(ctl.InsertDataListRecord(row, true));
    EXPECT_EQ(rowCount(), 120);

    row.REC = 5;
    row.ENTTEXT = QStringLiteral("合算データ");
    row.SHOUGOU = QStringLiteral("合算会社");
    row.GASSAN = 1;
    row.KISHU = TDateTime::fromDate(2024, 4, 1);
    ASSERT_TRUE(ctl.UpdateDataListRecord(row, true, true));
    EXPECT_EQ(storedText(5, "ENTTEXT"), QStringLiteral("合算データ"));

    TDataListRec child = row;
    child.GASSAN = 10;
    child.ROWNO = 1;
    child.PASNAME = row.PASNAME + QStringLiteral("/01");
    child.ENTTEXT = QStringLiteral("子データ");
    ASSERT_TRUE(ctl.UpdateDataListRecord(child, true, true));
    child.ENTTEXT = QStringLiteral("子データ改");
    ASSERT_TRUE(ctl.UpdateDataListRecord(child, true, true));
    TDataListRec read;
    read.REC = 5;
    read.ROWNO = 1;
    read.GASSAN = 10;
    ctl.GetDataListRecord(0, read, true);
    EXPECT_EQ(read.ENTTEXT, QStringLiteral("子データ改"));
    EXPECT_EQ(read.PASNAME, child.PASNAME);

    // Emptying the parent slot takes its children with it.
    row.SHOUGOU.clear();
    row.ENTTEXT.clear();
    row.KISHU = TDateTime();
    row.KIMATU = TDateTime();
    ASSERT_TRUE(ctl.UpdateDataListRecord(row, true, true));
    read = TDataListRec();
    read.REC = 5;
    read.ROWNO = 1;
    read.GASSAN = 10;
    ctl.GetDataListRecord(0, read, true);
    EXPECT_TRUE(read.ENTTEXT.isEmpty());
    ctl.RenumberDataListRecords();
    EXPECT_EQ(rowCount(), 120);
}

TEST_F(DataListStoreTest, ClientServerRowsAreAddedDeletedAndRenumberedAboveTheSlots) {
    TDataSentakuListCtl ctl;
    ctl.SetConnectMode(1);
    EXPECT_EQ(ctl.GetDataFolderName(1), 121);
    for (int i = 1; i <= 5; ++i) {
        TDataListRec row;
        ctl.InitDataListRec(row, QStringLiteral("/srv/extra/%1").arg(i));
        row.ENTTEXT = QStringLiteral("追加%1").arg(i);
        ASSERT_TRUE(ctl.InsertDataListRecord(row, true));
        EXPECT_EQ(row.REC, 120 + i);
    }
    for (int i : {1, 3}) {
        TDataListRec row;
        ctl.InitDataListRec(row, QStringLiteral("/srv/extra/%1").arg(i));
        ASSERT_TRUE(ctl.DeleteDataListRecord(row, true));
    }
    // A slot at or below the configured count is never deleted.
    TDataListRec slot;
    ctl.InitDataListRec(slot, e.root->dataDir() + QStringLiteral("/0001"));
    ASSERT_TRUE(ctl.DeleteDataListRecord(slot, true));
    EXPECT_EQ(rowCount(), 123);

    ctl.RenumberDataListRecords();
    EXPECT_EQ(storedText(121, "ENTTEXT"), QStringLiteral("追加2"));
    EXPECT_EQ(storedText(122, "ENTTEXT"), QStringLiteral("追加4"));
    EXPECT_EQ(storedText(123, "ENTTEXT"), QStringLiteral("追加5"));
    EXPECT_EQ(storedText(124, "ENTTEXT"), QStringLiteral("<none>"));

    // Another computer reused slot 121 for another folder: the stale row is not written.
    TDataListRec stale;
    ctl.InitDataListRec(stale, QStringLiteral("/srv/extra/1"));
    stale.REC = 121;
    stale.ENTTEXT = QStringLiteral("古い");
    EXPECT_TRUE(ctl.UpdateDataListRecord(stale, true, true));
    EXPECT_EQ(storedText(121, "ENTTEXT"), QStringLiteral("追加2"));
    // The same folder in other letter case is the same slot.
    stale.PASNAME = QStringLiteral("/SRV/EXTRA/2");
    EXPECT_TRUE(ctl.UpdateDataListRecord(stale, true, true));
    EXPECT_EQ(storedText(121, "ENTTEXT"), QStringLiteral("古い"));
    EXPECT_EQ(ctl.FindRecByPasName(QStringLiteral("/srv/extra/4")), 122);
    EXPECT_TRUE(ctl.IsDataPathToroku(QStringLiteral("/SRV/extra/5")));
    EXPECT_FALSE(ctl.IsDataPathToroku(QStringLiteral("/srv/extra/1")));
}

TEST_F(DataListStoreTest, WritesCommitACallersTransactionAndKeepItRunning) {
    TDataSentakuListCtl ctl;
    TDataListRec row;
    row.REC = 4;
    ctl.GetDataListRecord(0, row, true);
    e.dm->IBTransactionDEF.start();
    row.ENTTEXT = QStringLiteral("途中");
    ASSERT_TRUE(ctl.UpdateDataListRecord(row, true, true));
    EXPECT_TRUE(e.dm->IBTransactionDEF.isActive());
    EXPECT_EQ(storedText(4, "ENTTEXT"), QStringLiteral("途中"));
    // A read inside the caller's transaction leaves it running as well.
    ctl.GetDataListRecord(0, row, true);
    EXPECT_TRUE(e.dm->IBTransactionDEF.isActive());
    e.dm->IBTransactionDEF.rollback();
    EXPECT_EQ(storedText(4, "ENTTEXT"), QStringLiteral("途中"));
}

TEST_F(DataListStoreTest, ServerListModeTouchesNoListTable) {
    TDataSentakuListCtl ctl;
    ctl.ServerListMode = 1;
    TDataListRec row;
    ctl.InitDataListRec(row, QStringLiteral("/x"));
    row.REC = 1;
    EXPECT_TRUE(ctl.InsertDataListRecord(row, true));
    EXPECT_TRUE(ctl.UpdateDataListRecord(row, true, true));
    EXPECT_TRUE(ctl.DeleteDataListRecord(row, true));
    EXPECT_TRUE(ctl.IsDataPathToroku(QStringLiteral("/x")));
    EXPECT_EQ(ctl.GetDataFolderName(1), 0);
    EXPECT_EQ(storedText(1, "PASNAME"), e.root->dataDir() + QStringLiteral("/0001"));
}

TEST_F(DataListStoreTest, LocalFolderOfASharedRowIsTheSlotUnderTheDataFolder) {
    TDataSentakuListCtl ctl;
    TDataListRec row;
    row.REC = 7;
    row.PASNAME = QStringLiteral("/mnt/share/pellanzaimu/sv0002");
    row.NETDRIVE = 1;
    EXPECT_EQ(ctl.BuildLocalPath(row), SystemDef.SYSDIR + QStringLiteral("/0007"));
    row.GASSAN = 10;
    row.PASNAME += QStringLiteral("/c01");
    EXPECT_EQ(ctl.BuildLocalPath(row), SystemDef.SYSDIR + QStringLiteral("/0007/c01"));
    row.NETDRIVE = 0;
    row.PASNAME = QStringLiteral("/data/0003/");
    EXPECT_EQ(ctl.BuildLocalPath(row), QStringLiteral("/data/0003"));
    EXPECT_EQ(row.LOCALPATH, QStringLiteral("/data/0003"));
}

// Disconnecting a dataset with the list refresh writes what the database says into its list row.
TEST_F(DataListStoreTest, DisconnectRefreshesTheDatasetRow) {
    InstallDataListStore();
    testenv::CompanySpec company;
    company.name = QStringLiteral("旧商号");
    const testenv::Dataset ds = e.root->addDataset(company, 9);
    ds.execute(QStringLiteral("UPDATE ACCDEF1 SET SHOUGOU=:S, NENDO=12 WHERE REC=1"),
               [](fb::Query& q) { q.setString("S", QStringLiteral("新商号")); });
    ASSERT_TRUE(e.dm->fnAccDatConnected(QString(), ds.folder, 1));
    ASSERT_TRUE(e.dm->fnAccDatDisConnected(ds.folder, 1, 1));
    EXPECT_EQ(storedText(9, "SHOUGOU"), QStringLiteral("新商号"));
    EXPECT_EQ(storedText(9, "NENDO"), "12");
    EXPECT_EQ(storedText(9, "VER_MAJOR"), "13");

    // A folder that is not in the list is disconnected without touching any row.
    const testenv::Dataset loose = e.root->addDataset(company, 10);
    e.executeSystem(QStringLiteral("UPDATE DATALIST SET PASNAME='' , ENTTEXT='' WHERE REC=10"));
    const int before = rowCount(QStringLiteral("WHERE SHOUGOU='新商号'"));
    ASSERT_TRUE(e.dm->fnAccDatConnected(QString(), loose.folder, 0));
    EXPECT_TRUE(e.dm->fnAccDatDisConnected(loose.folder, 0, 1));
    EXPECT_EQ(rowCount(QStringLiteral("WHERE SHOUGOU='新商号'")), before);
    EXPECT_TRUE(e.ui->shown().empty()) << e.ui->messageTexts().join(u'\n').toStdString();
    CreateDataListStoreProc = nullptr;
}

} // namespace
