// Loading the dataset list and the conversions between a dataset folder and its list row.

#include "support/SystemDbProbe.h"

#include "core/DataModule.h"
#include "core/uAccRecord.h"
#include "datalist/z5ComDataSentaku.h"
#include "support/DmFixture.h"
#include "support/TestEnv.h"

#include <QDir>
#include <gtest/gtest.h>

namespace {

QList<qint32> recs(const TDataSentakuRecArray& rows) {
    QList<qint32> out;
    for (const TDataSentakuRec& r : rows)
        out << r.REC;
    return out;
}

// Four slots: 1 registered (term 5, merged, two children), 2 free, 3 registered (term 4, held shared
// copy, a folder with quote, percent and underscore, one child), 4 free.
class DataListLoadTest : public ::testing::Test {
protected:
    void SetUp() override {
        e.connectSystem();
        e.executeSystem(QStringLiteral("DELETE FROM DATALIST WHERE REC>4"));
        e.executeSystem(QStringLiteral(
            "UPDATE DATALIST SET ENTTEXT='あ社', SHOUGOU='あ商事', NENDO=5, PASNAME='/d/b1', GASSAN=1,"
            " KISHU='2024-04-01', KIMATU='2025-03-31', DATACODE='B1' WHERE REC=1"));
        e.executeSystem(QStringLiteral("UPDATE DATALIST SET ENTTEXT='', PASNAME='/d/a2' WHERE REC=2"));
        e.executeSystem(
            QStringLiteral("UPDATE DATALIST SET ENTTEXT='い社', SHOUGOU='い商事', NENDO=4, PASNAME='") +
            kOddFolder + QStringLiteral("', KYOYULOCK=1, GASSAN=1, DATACODE='A3' WHERE REC=3"));
        e.executeSystem(QStringLiteral("UPDATE DATALIST SET ENTTEXT='', PASNAME='/d/B4' WHERE REC=4"));
        e.executeSystem(
            QStringLiteral("INSERT INTO CHILD_DATALIST (REC, ROWNO, GROUPID, ENTTEXT, PASNAME, GASSAN)"
                           " VALUES (1, 1, 10000, '子2', '/d/b1/02', 10)"));
        e.executeSystem(
            QStringLiteral("INSERT INTO CHILD_DATALIST (REC, ROWNO, GROUPID, ENTTEXT, PASNAME, GASSAN)"
                           " VALUES (1, 2, 10000, '子1', '/d/b1/01', 10)"));
        e.executeSystem(
            QStringLiteral("INSERT INTO CHILD_DATALIST (REC, ROWNO, GROUPID, ENTTEXT, PASNAME, GASSAN)"
                           " VALUES (3, 1, 10000, '子3', '") +
            kOddFolder + QStringLiteral("/01', 10)"));
    }

    // Stored in SQL text above, so the quote is doubled there.
    const QString kOddFolder = QStringLiteral("/d/A3 it''s 100%_x");
    const QString oddFolder = QStringLiteral("/d/A3 it's 100%_x");
    testenv::DmEnvironment e;
};

TEST_F(DataListLoadTest, SortOrdersPutFreeSlotsLastExceptOrdersZeroAndOne) {
    const struct {
        quint8 order;
        bool descending;
        const char* orderBy;
        QList<qint32> expected;
    } cases[] = {
        {1, false, "", {1, 2, 3, 4}},
        {1, true, "", {4, 3, 2, 1}},
        {0, false, "ORDER BY REC DESC", {4, 3, 2, 1}},
        // A caller's order that is not a plain ORDER BY line is left out rather than run.
        {0, false, "ORDER BY REC; DELETE FROM DATALIST", {}},
        {2, false, "", {1, 3, 2, 4}},
        {2, true, "", {3, 1, 4, 2}},
        {3, false, "", {3, 1, 2, 4}},
        {3, true, "", {1, 3, 4, 2}},
        // Registered rows by upper-cased folder, free rows by the folder as stored.
        {5, false, "", {3, 1, 4, 2}},
        {5, true, "", {1, 3, 2, 4}},
        {7, false, "", {3, 1, 2, 4}},
    };
    TDataSentakuListCtl ctl;
    for (const auto& c : cases) {
        ctl.Execute(0, c.order, QString::fromLatin1(c.orderBy), c.descending);
        QList<qint32> got = recs(ctl.Rows);
        if (c.expected.isEmpty())
            std::sort(got.begin(), got.end());
        const QList<qint32> want = c.expected.isEmpty() ? QList<qint32>{1, 2, 3, 4} : c.expected;
        EXPECT_EQ(got, want) << int(c.order) << (c.descending ? " desc" : " asc");
        EXPECT_EQ(ctl.RowCount, 4);
    }
    EXPECT_EQ(testenv::systemValue(*e.root, QStringLiteral("SELECT COUNT(*) FROM DATALIST")), "4");

    ctl.Execute(0, 1, {}, false);
    EXPECT_FALSE(e.dm->IBTransactionDEF.isActive());
    const TDataSentakuRec& merged = ctl.Rows[0];
    ASSERT_EQ(merged.CHILDCNT, 2);
    EXPECT_EQ(merged.CHILDREN[0].PASNAME, QStringLiteral("/d/b1/01"));
    EXPECT_EQ(merged.CHILDREN[1].ENTTEXT, QStringLiteral("子2"));
    EXPECT_EQ(merged.CHILDREN[1].ROWNO, 1);
    EXPECT_EQ(merged.KIKAN.isEmpty(), false);
    EXPECT_EQ(ctl.Rows[2].PASNAME, oddFolder);
    EXPECT_EQ(ctl.Rows[2].CHILDREN.value(0).PASNAME, oddFolder + QStringLiteral("/01"));
    EXPECT_EQ(ctl.ChildCount, 3);
    EXPECT_TRUE(e.ui->shown().empty());
}

TEST_F(DataListLoadTest, FiltersNarrowTheRowsButKeepEveryChild) {
    TDataSentakuListCtl ctl;
    ctl.NendoFilter = 5;
    ctl.Execute(0, 1, {}, false);
    EXPECT_EQ(recs(ctl.Rows), (QList<qint32>{1}));
    // The child of slot 3 stays in the flat list only.
    EXPECT_EQ(ctl.ChildCount, 3);
    EXPECT_EQ(ctl.Rows[0].CHILDCNT, 2);

    ctl.NendoFilter = 0;
    ctl.ShougouFilter = QStringLiteral("い商事");
    ctl.Execute(0, 3, {}, false);
    EXPECT_EQ(recs(ctl.Rows), (QList<qint32>{3}));
    ctl.ShougouFilter.clear();

    ctl.ListFilter = 1;
    ctl.Execute(0, 1, {}, false);
    EXPECT_EQ(recs(ctl.Rows), (QList<qint32>{1, 3}));
    ctl.ListFilter = 2;
    ctl.Execute(0, 3, {}, true);
    EXPECT_EQ(recs(ctl.Rows), (QList<qint32>{4, 2}));
    ctl.ListFilter = 0;

    // The held-copy filter works in stand-alone mode only.
    ctl.Execute(1, 1, {}, false);
    EXPECT_EQ(recs(ctl.Rows), (QList<qint32>{1, 2, 4}));
    ctl.SetConnectMode(1);
    ctl.Execute(1, 1, {}, false);
    EXPECT_EQ(recs(ctl.Rows), (QList<qint32>{1, 2, 3, 4}));

    ctl.ServerListMode = 1;
    ctl.Execute(0, 1, {}, false);
    EXPECT_EQ(ctl.RowCount, 0);
    EXPECT_TRUE(ctl.Children.isEmpty());
}

TEST_F(DataListLoadTest, ChildrenOfOneRowAndTheChildHelpers) {
    TDataSentakuListCtl ctl;
    TDataSentakuRec row;
    row.REC = 3;
    ctl.GetDataListRecord(0, row, true);
    ctl.GetDataListChildRecord(row, true);
    ASSERT_EQ(row.CHILDCNT, 1);
    EXPECT_EQ(row.CHILDREN[0].PASNAME, oddFolder + QStringLiteral("/01"));
    EXPECT_EQ(row.CHILDREN[0].GASSAN, 10);

    // Client/server lists keep no children of their own: the row is left as it is.
    ctl.SetConnectMode(1);
    row.CHILDREN.append(row.CHILDREN[0]);
    row.CHILDCNT = 2;
    ctl.GetDataListChildRecord(row, true);
    EXPECT_EQ(row.CHILDCNT, 2);
    ctl.SetConnectMode(0);

    row.CHILDREN[1].ENTTEXT = QStringLiteral("二番");
    TDataSentakuListCtl::NumberChildNames(row);
    EXPECT_EQ(row.CHILDREN[0].DISPNAME, QStringLiteral("01 子3"));
    EXPECT_EQ(row.CHILDREN[1].DISPNAME, QStringLiteral("02 二番"));
    TDataSentakuListCtl::DeleteChildItem(row, 0);
    ASSERT_EQ(row.CHILDCNT, 1);
    EXPECT_EQ(row.CHILDREN[0].ENTTEXT, QStringLiteral("二番"));
    TDataSentakuListCtl::DeleteChildItem(row, 0);
    TDataSentakuListCtl::DeleteChildItem(row, 0);
    EXPECT_EQ(row.CHILDCNT, 0);
    EXPECT_TRUE(row.CHILDREN.isEmpty());

    // Ordinary data has no children.
    row.GASSAN = 0;
    row.CHILDCNT = 4;
    ctl.GetDataListChildRecord(row, true);
    EXPECT_EQ(row.CHILDCNT, 0);
    EXPECT_TRUE(e.ui->shown().empty());
}

TEST_F(DataListLoadTest, RowFromADataInformationRecord) {
    TDataSentakuListCtl ctl;
    TDataInfomationRec info;
    info.SHOUGOU = QStringLiteral("商号");
    info.CODE = QStringLiteral("C01");
    info.KISHU = QStringLiteral("2024/04/01");
    info.KIMATU = QStringLiteral("not a date");
    info.MAJOR = 13;
    info.MINOR1 = 2;
    const struct {
        const char* listName;
        int netDrive;
        const char* expected;
    } names[] = {
        {"", 0, "商号"},         {"名前", 0, "名前"},       {"空き領域", 0, "空き領域"},
        {"空き領域", 1, "商号"}, {"新しい領域", 1, "商号"}, {"名前", 1, "名前"},
    };
    for (const auto& n : names) {
        TDataListRec row;
        row.REC = 7;
        row.PASNAME = QStringLiteral("/d/x");
        row.NETDRIVE = n.netDrive;
        info.DATALISTNAME = QString::fromUtf8(n.listName);
        ctl.DataInfoToDataListRec(info, row);
        EXPECT_EQ(row.ENTTEXT, QString::fromUtf8(n.expected)) << n.listName << n.netDrive;
        EXPECT_EQ(row.DISPNAME, row.ENTTEXT);
        EXPECT_EQ(row.REC, 7);
        EXPECT_EQ(row.PASNAME, QStringLiteral("/d/x"));
    }
    TDataListRec row;
    row.ROWNO = 2;
    info.STATUS = 3;
    info.OPCODE = 10000 * 10000 + 12;
    info.SHARE_STATUS = 2;
    info.SHARE_OPCODE = SystemDef.OPCODE;
    ctl.DataInfoToDataListRec(info, row);
    EXPECT_EQ(row.GASSAN, 10);
    EXPECT_EQ(row.DATALOCK, 12);
    EXPECT_EQ(row.KYOYULOCK, 1);
    EXPECT_EQ(row.KISHU, TDateTime::fromDate(2024, 4, 1));
    EXPECT_TRUE(row.KIMATU.isNull());
    EXPECT_EQ(row.VER_MINOR1, 2);
    EXPECT_EQ(row.DATACODE, QStringLiteral("C01"));
}

TEST_F(DataListLoadTest, LocalFoldersAndStoredFoldersConvertBothWays) {
    testenv::CompanySpec company;
    company.name = QStringLiteral("鈴木工業");
    const testenv::Dataset ds = e.root->addDataset(company, 3);
    e.executeSystem(QStringLiteral("UPDATE DATALIST SET GASSAN=1 WHERE REC=3"));
    TDataSentakuListCtl ctl;

    TDataSentakuRec row;
    EXPECT_EQ(ctl.GetDataListRecordByPath(ds.folder, row), 1);
    EXPECT_EQ(row.REC, 3);
    EXPECT_EQ(row.SHOUGOU, QStringLiteral("鈴木工業"));
    EXPECT_EQ(row.CHILDCNT, 1);

    EXPECT_EQ(ctl.GetDataListRecordByPath(e.root->dataDir() + QStringLiteral("/elsewhere"), row), 0);
    EXPECT_EQ(row.REC, 0);
    EXPECT_TRUE(row.PASNAME.isEmpty());
    EXPECT_EQ(row.NENDO, 1);

    // Slot 6 is the local copy of an area of a shared folder.
    const QString share = QStringLiteral("/mnt/it's 100%_x/pellanzaimu/sv0001");
    e.executeSystem(
        QStringLiteral("INSERT INTO DATALIST (REC, GROUPID, ENTTEXT, PASNAME, NETDRIVE, KYOYULOCK, "
                       "GASSAN) VALUES (6, 10000, '共有', '/mnt/it''s 100%_x/pellanzaimu/sv0001', 1, 1, 1)"));
    const QString local = e.root->dataDir() + QStringLiteral("/0006");
    QString sharePath;
    qint32 kyoyu = -1, net = -1;
    ASSERT_TRUE(ctl.ConvLocalPathToSharePath(local, sharePath, kyoyu, net));
    EXPECT_EQ(sharePath, share);
    EXPECT_EQ(kyoyu, 1);
    EXPECT_EQ(net, 1);
    ASSERT_TRUE(ctl.ConvLocalPathToSharePath(local + QStringLiteral("/02"), sharePath, kyoyu, net));
    EXPECT_EQ(sharePath, share + QStringLiteral("/02"));
    // A stored folder is its own share path.
    ASSERT_TRUE(ctl.ConvLocalPathToSharePath(ds.folder, sharePath, kyoyu, net));
    EXPECT_EQ(sharePath, ds.folder);
    EXPECT_EQ(net, 0);
    EXPECT_FALSE(ctl.ConvLocalPathToSharePath(QStringLiteral("  "), sharePath, kyoyu, net));

    ASSERT_EQ(ctl.GetDataListRecordByPath(local, row), 1);
    EXPECT_EQ(row.REC, 6);
    EXPECT_EQ(row.PASNAME, share);
    EXPECT_EQ(row.NETDRIVE, 1);
    EXPECT_EQ(row.LOCALPATH, local);

    TDataListRec byLocal;
    ctl.InitDataListRec(byLocal, local);
    ctl.GetDataListRecord(1, byLocal, true);
    EXPECT_EQ(byLocal.REC, 6);
    EXPECT_EQ(byLocal.PASNAME, share);

    qint32 rec = -1;
    ctl.GetDataListRecNo(local, rec);
    EXPECT_EQ(rec, 6);
    ctl.GetDataListRecNo(QStringLiteral(" "), rec);
    EXPECT_EQ(rec, 0);
    ctl.SetConnectMode(1);
    ctl.GetDataListRecNo(share, rec);
    EXPECT_EQ(rec, 6);
    EXPECT_TRUE(e.ui->shown().empty()) << e.ui->messageTexts().join(u'\n').toStdString();
}

TEST(DataFolderListing, BackupFoldersAreLeftOutInAnyLetterCase) {
    testenv::TempEnvironment env;
    const QString root = env.path() + QStringLiteral("/share");
    for (const char* name : {"sv0001", "pellanzaimu_backup", "VantrelZaimu_Backup", "it's 100%_x"})
        ASSERT_TRUE(QDir().mkpath(root + u'/' + QString::fromUtf8(name)));
    QStringList names = TDataSentakuListCtl::ListDataFolders(root);
    names.sort();
    EXPECT_EQ(names, (QStringList{QStringLiteral("it's 100%_x"), QStringLiteral("sv0001")}));
    TDataListRec row;
    row.PASNAME = root;
    row.LOCALPATH = root + QStringLiteral("/sv0001");
    EXPECT_EQ(TDataSentakuListCtl::ListChildFolders(row).size(), 4);
    EXPECT_TRUE(TDataSentakuListCtl::ListLocalChildFolders(row).isEmpty());
}

} // namespace
