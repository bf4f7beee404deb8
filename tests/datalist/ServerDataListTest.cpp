// The shared-server dataset lists and the list writes that keep them current.

#include "support/SystemDbProbe.h"

#include "core/DataModule.h"
#include "core/uAccRecord.h"
#include "datalist/z5ComDataSentaku.h"
#include "support/DmFixture.h"

#include <QDir>
#include <gtest/gtest.h>

namespace {

class ServerDataListTest : public ::testing::Test {
protected:
    void SetUp() override {
        e.connectSystem();
        // A share root whose name holds a quote, a percent sign and an underscore.
        root = e.env.path() + QStringLiteral("/mnt/it's 100%_x/pellanzaimu");
        ASSERT_TRUE(QDir().mkpath(root));
    }

    QString area(const QString& name) const { return root + u'/' + name; }
    void makeFolders(const QStringList& names) const {
        for (const QString& n : names)
            ASSERT_TRUE(QDir().mkpath(area(n)));
    }
    // A stored area row, written past the controller.
    void storeArea(const QString& table, int rec, const QString& folder, const QString& name,
                   int rowNo = 0) const {
        auto db = e.root->connectSystem();
        fb::Transaction t(*db);
        fb::Query q(t, rowNo == 0
                           ? QStringLiteral("INSERT INTO SERVERDATALIST (GROUPID, DRIVELETTER, REC, "
                                            "ENTTEXT, PASNAME) VALUES (10000, :D, :REC, :E, :P)")
                           : QStringLiteral("INSERT INTO ") + table +
                                 QStringLiteral(" (GROUPID, DRIVELETTER, REC, ROWNO, ENTTEXT, PASNAME) "
                                                "VALUES (10000, :D, :REC, :ROWNO, :E, :P)"));
        q.setString("D", folder.left(1));
        q.setInt("REC", rec);
        if (rowNo != 0)
            q.setInt("ROWNO", rowNo);
        q.setString("E", name);
        q.setString("P", folder);
        q.execute();
        t.commit();
    }
    QStringList stored(const QString& sql) const { return testenv::systemColumn(*e.root, sql); }

    TDataListRec areaRow(const QString& folder, const QString& name, int nendo, TDateTime kishu) {
        TDataListRec row;
        list.InitDataListRec(row, folder);
        row.NETDRIVE = 1;
        row.ENTTEXT = name;
        row.SHOUGOU = name;
        row.NENDO = nendo;
        row.KISHU = kishu;
        row.KIMATU = kishu;
        return row;
    }
    QStringList folders(const TDataSentakuRecArray& rows) const {
        QStringList out;
        for (const TDataSentakuRec& r : rows)
            out << r.PASNAME.mid(root.size() + 1);
        return out;
    }

    testenv::DmEnvironment e;
    QString root;
    TDataSentakuListCtl list;
};

TEST_F(ServerDataListTest, RebuildListsTheShareFoldersAsFreeAreas) {
    makeFolders(
        {QStringLiteral("sv0001/01"), QStringLiteral("sv0001/02"), QStringLiteral("PELLANZAIMU_BACKUP")});
    storeArea(QStringLiteral("SERVERDATALIST"), 1, area(QStringLiteral("sv0009")), QStringLiteral("古い"));
    storeArea(QStringLiteral("CHILD_SERVERDATALIST"), 1, area(QStringLiteral("sv0009/01")),
              QStringLiteral("子"), 1);
    // Another share on the same file tree keeps its rows.
    const QString other = e.env.path() + QStringLiteral("/mnt/other/pellanzaimu/sv0001");
    storeArea(QStringLiteral("SERVERDATALIST"), 2, other, QStringLiteral("他"));

    TDataSentakuListCtl ctl;
    ctl.ServerListMode = 1;
    ctl.ServerExecute(1, root, {}, false, 1);
    ASSERT_EQ(ctl.RowCount, 1);
    const TDataSentakuRec& parent = ctl.Rows[0];
    EXPECT_EQ(parent.PASNAME, area(QStringLiteral("sv0001")));
    EXPECT_EQ(parent.ENTTEXT, kFreeAreaText);
    EXPECT_EQ(parent.KIKAN, QStringLiteral("～"));
    EXPECT_EQ(parent.NETDRIVE, 1);
    EXPECT_EQ(parent.REC, 0);
    ASSERT_EQ(parent.CHILDCNT, 2);
    QStringList childFolders{parent.CHILDREN[0].PASNAME, parent.CHILDREN[1].PASNAME};
    childFolders.sort();
    EXPECT_EQ(childFolders,
              (QStringList{area(QStringLiteral("sv0001/01")), area(QStringLiteral("sv0001/02"))}));
    EXPECT_EQ(parent.CHILDREN[1].ROWNO, 2);
    EXPECT_EQ(parent.CHILDREN[1].GASSAN, 10);
    EXPECT_EQ(ctl.ChildCount, 2);
    EXPECT_EQ(stored(QStringLiteral("SELECT PASNAME FROM SERVERDATALIST")), QStringList{other});
    EXPECT_TRUE(stored(QStringLiteral("SELECT PASNAME FROM CHILD_SERVERDATALIST")).isEmpty());

    // Only the shared-server list loads these tables.
    TDataSentakuListCtl plain;
    plain.ServerExecute(1, other, {}, false, 1);
    EXPECT_EQ(plain.RowCount, 0);
    EXPECT_EQ(stored(QStringLiteral("SELECT COUNT(*) FROM SERVERDATALIST")), QStringList{"1"});
    EXPECT_TRUE(e.ui->shown().empty());
}

TEST_F(ServerDataListTest, AreasAreWrittenAndLoadedInOrder) {
    makeFolders({QStringLiteral("sv0001"), QStringLiteral("sv0002"), QStringLiteral("sv0003"),
                 QStringLiteral("sv0004")});
    TDataListRec rows[] = {
        areaRow(area(QStringLiteral("sv0001")), QStringLiteral("B社"), 3, TDateTime::fromDate(2023, 4, 1)),
        areaRow(area(QStringLiteral("sv0002")), kFreeAreaText, 0, TDateTime()),
        areaRow(area(QStringLiteral("sv0003")), QStringLiteral("A社"), 5, TDateTime::fromDate(2024, 4, 1)),
        areaRow(area(QStringLiteral("sv0004")), kNewAreaText, 0, TDateTime()),
    };
    for (int i = 0; i < 4; ++i) {
        ASSERT_TRUE(list.UpdateServerDataListRecord(rows[i], true, true));
        EXPECT_EQ(rows[i].REC, i + 1);
    }

    TDataSentakuListCtl ctl;
    ctl.ServerListMode = 1;
    const struct {
        quint8 order;
        bool descending;
        QStringList expected;
    } cases[] = {
        {3, false, {"sv0001", "sv0003", "sv0002", "sv0004"}},
        {3, true, {"sv0003", "sv0001", "sv0002", "sv0004"}},
        {2, false, {"sv0003", "sv0001", "sv0002", "sv0004"}},
        {5, false, {"sv0001", "sv0002", "sv0003", "sv0004"}},
        {5, true, {"sv0004", "sv0003", "sv0002", "sv0001"}},
        {1, true, {"sv0001", "sv0002", "sv0003", "sv0004"}},
    };
    for (const auto& c : cases) {
        ctl.ServerExecute(0, root, {}, c.descending, c.order);
        EXPECT_EQ(folders(ctl.Rows), c.expected) << int(c.order) << c.descending;
    }
    EXPECT_EQ(ctl.Rows[0].NETDRIVE, 1);
    EXPECT_EQ(ctl.Rows[0].KYOYULOCK, 0);
    EXPECT_EQ(ctl.Rows[0].SHOUGOU, QStringLiteral("B社"));

    // Without names only the data columns change.
    rows[0].ENTTEXT = QStringLiteral("改名");
    rows[0].NENDO = 9;
    ASSERT_TRUE(list.UpdateServerDataListRecord(rows[0], false, true));
    EXPECT_EQ(stored(QStringLiteral("SELECT ENTTEXT || '/' || NENDO FROM SERVERDATALIST WHERE REC=1")),
              QStringList{"B社/9"});

    // An emptied area row goes.
    rows[2].ENTTEXT.clear();
    rows[2].KISHU = TDateTime();
    rows[2].KIMATU = TDateTime();
    ASSERT_TRUE(list.UpdateServerDataListRecord(rows[2], true, true));
    EXPECT_TRUE(stored(QStringLiteral("SELECT REC FROM SERVERDATALIST WHERE REC=3")).isEmpty());

    // A folder stored twice ends as one row with a fresh number.
    storeArea(QStringLiteral("SERVERDATALIST"), 9, area(QStringLiteral("sv0001")), QStringLiteral("重複"));
    ASSERT_TRUE(list.UpdateServerDataListRecord(rows[0], true, true));
    EXPECT_EQ(rows[0].REC, 5);
    EXPECT_EQ(stored(QStringLiteral("SELECT REC FROM SERVERDATALIST ORDER BY REC")),
              (QStringList{"2", "4", "5"}));
    EXPECT_TRUE(e.ui->shown().empty());
}

TEST_F(ServerDataListTest, AFolderGoneFromTheShareStillPassesItsLockToTheList) {
    const QString gone = area(QStringLiteral("sv0099"));
    e.executeSystem(QStringLiteral("UPDATE DATALIST SET PASNAME='") +
                    QString(gone).replace(u'\'', QStringLiteral("''")) +
                    QStringLiteral("', NETDRIVE=1 WHERE REC=7"));
    TDataListRec row = areaRow(gone, QStringLiteral("名"), 1, TDateTime::fromDate(2024, 4, 1));
    row.DATALOCK = 12;
    ASSERT_TRUE(list.UpdateServerDataListRecord(row, true, true));
    EXPECT_TRUE(stored(QStringLiteral("SELECT REC FROM SERVERDATALIST")).isEmpty());
    EXPECT_EQ(stored(QStringLiteral("SELECT DATALOCK FROM DATALIST WHERE REC=7")), QStringList{"12"});
    EXPECT_EQ(stored(QStringLiteral("SELECT DATALOCK FROM DATALIST WHERE REC=8")), QStringList{"0"});
    // A row of no folder writes nothing at all.
    row.PASNAME.clear();
    EXPECT_FALSE(list.UpdateServerDataListRecord(row, true, true));
    EXPECT_EQ(stored(QStringLiteral("SELECT COUNT(*) FROM DATALIST WHERE DATALOCK<>0")), QStringList{"1"});
}

TEST_F(ServerDataListTest, ChildAreasFollowTheirParentArea) {
    makeFolders({QStringLiteral("sv0001/01"), QStringLiteral("sv0001/02")});
    TDataListRec parent =
        areaRow(area(QStringLiteral("sv0001")), QStringLiteral("合算"), 2, TDateTime::fromDate(2024, 4, 1));
    parent.GASSAN = 1;
    ASSERT_TRUE(list.UpdateServerDataListRecord(parent, true, true));

    TDataListRec child =
        areaRow(area(QStringLiteral("sv0001/02")), QStringLiteral("子B"), 2, TDateTime::fromDate(2024, 4, 1));
    child.GASSAN = 10;
    child.ROWNO = 1;
    ASSERT_TRUE(list.UpdateServerDataListRecord(child, true, true));
    EXPECT_EQ(child.REC, parent.REC);
    TDataListRec sibling = areaRow(area(QStringLiteral("sv0001/01")), QStringLiteral("子A"), 2, TDateTime());
    sibling.GASSAN = 10;
    sibling.ROWNO = 2;
    ASSERT_TRUE(list.UpdateServerDataListChildRecord(sibling, true, true));
    // The list numbered its children anew: the row of the folder is written, not the one of the number.
    child.ROWNO = 2;
    child.ENTTEXT = QStringLiteral("子B改");
    ASSERT_TRUE(list.UpdateServerDataListChildRecord(child, true, true));
    EXPECT_EQ(
        stored(QStringLiteral("SELECT ENTTEXT || '/' || ROWNO FROM CHILD_SERVERDATALIST ORDER BY ROWNO")),
        (QStringList{QStringLiteral("子B改/1"), QStringLiteral("子A/2")}));
    e.executeSystem(QStringLiteral("DELETE FROM CHILD_SERVERDATALIST WHERE ROWNO=2"));
    // A child whose parent area is not stored gets no row.
    TDataListRec orphan = areaRow(area(QStringLiteral("sv0005/01")), QStringLiteral("孤児"), 1, TDateTime());
    orphan.GASSAN = 10;
    ASSERT_TRUE(list.UpdateServerDataListChildRecord(orphan, true, true));
    EXPECT_EQ(stored(QStringLiteral("SELECT ENTTEXT FROM CHILD_SERVERDATALIST")), QStringList{"子B改"});

    TDataSentakuListCtl ctl;
    ctl.ServerListMode = 1;
    ctl.ServerExecute(0, root, {}, false, 5);
    ASSERT_EQ(ctl.RowCount, 1);
    ASSERT_EQ(ctl.Rows[0].CHILDCNT, 1);
    EXPECT_EQ(ctl.Rows[0].CHILDREN[0].PASNAME, area(QStringLiteral("sv0001/02")));
    EXPECT_EQ(ctl.Rows[0].CHILDREN[0].NETDRIVE, 1);

    ASSERT_TRUE(list.DeleteServerDataListChildRecord(parent, true));
    EXPECT_TRUE(stored(QStringLiteral("SELECT ENTTEXT FROM CHILD_SERVERDATALIST")).isEmpty());
    parent.NETDRIVE = 0;
    EXPECT_TRUE(list.DeleteServerDataListChildRecord(parent, true));
    EXPECT_TRUE(e.ui->shown().empty());
}

// A refresh writes a share's areas through one writer; it must store what writing each area on its
// own stores: numbers after other shares' rows, an emptied area removed (and its children with it), a
// folder equal to an earlier one but for trailing blanks taking that row, a missing folder passing only
// its lock, a folder outside the share on the general road.
TEST_F(ServerDataListTest, ARefreshStoresWhatWritingEachAreaOnItsOwnStores) {
    const QString otherRoot = e.env.path() + QStringLiteral("/mnt/other/pellanzaimu");
    storeArea(QStringLiteral("SERVERDATALIST"), 3, otherRoot + QStringLiteral("/sv0001"),
              QStringLiteral("他"));
    makeFolders({QStringLiteral("sv0001"), QStringLiteral("sv0002/01"), QStringLiteral("sv0002/02"),
                 QStringLiteral("sv0003/01"), QStringLiteral("sv0004"), QStringLiteral("sv0004 "),
                 QStringLiteral("sv0006")});
    ASSERT_TRUE(QDir().mkpath(otherRoot + QStringLiteral("/sv0002")));
    const auto quoted = [](QString text) {
        return u'\'' + text.replace(u'\'', QStringLiteral("''")) + u'\'';
    };
    e.executeSystem(QStringLiteral("UPDATE DATALIST SET NETDRIVE=1, PASNAME=") +
                    quoted(area(QStringLiteral("sv0001"))) + QStringLiteral(" WHERE REC=7"));
    e.executeSystem(QStringLiteral("UPDATE DATALIST SET NETDRIVE=1, PASNAME=") +
                    quoted(area(QStringLiteral("sv0005"))) + QStringLiteral(" WHERE REC=8"));

    const TDateTime kishu = TDateTime::fromDate(2024, 4, 1);
    const auto rows = [&] {
        std::vector<TDataListRec> out;
        const auto add = [&](const QString& name, const QString& text, TDateTime date, int gassan = 0,
                             int rowNo = 0, int lock = 0) {
            TDataListRec row = areaRow(name.startsWith(u'/') ? name : area(name), text, 1, date);
            row.GASSAN = quint8(gassan);
            row.ROWNO = rowNo;
            row.DATALOCK = lock;
            out.push_back(row);
        };
        add(QStringLiteral("sv0001"), QStringLiteral("A社"), kishu, 0, 0, 5);
        add(QStringLiteral("sv0002"), QStringLiteral("合算"), kishu, 1);
        add(QStringLiteral("sv0002/01"), QStringLiteral("子A"), kishu, 10, 1);
        add(QStringLiteral("sv0002/02"), kFreeAreaText, TDateTime(), 10, 2);
        add(QStringLiteral("sv0003"), QStringLiteral("日付なし"), TDateTime());
        add(QStringLiteral("sv0003/01"), QStringLiteral("子C"), kishu, 10, 1);
        add(QStringLiteral("sv0004"), kFreeAreaText, TDateTime());
        add(QStringLiteral("sv0004 "), QStringLiteral("重なり"), kishu);
        add(QStringLiteral("sv0005"), QStringLiteral("消えた"), kishu, 0, 0, 9);
        add(otherRoot + QStringLiteral("/sv0002"), QStringLiteral("他B"), kishu);
        add(QStringLiteral("sv0006"), QStringLiteral("F社"), kishu);
        return out;
    };
    const auto snapshot = [&] {
        return stored(QStringLiteral(
                   "SELECT REC||'|'||COALESCE(ENTTEXT,'-')||'|'||COALESCE(SHOUGOU,'-')||'|'||PASNAME||'|'||"
                   "NENDO||'|'||COALESCE(KISHU,'-')||'|'||DATALOCK||'|'||GASSAN FROM SERVERDATALIST ORDER BY "
                   "REC")) +
               stored(QStringLiteral("SELECT REC||'|'||ROWNO||'|'||ENTTEXT||'|'||PASNAME||'|'||GASSAN "
                                     "FROM CHILD_SERVERDATALIST ORDER BY REC,ROWNO")) +
               stored(
                   QStringLiteral("SELECT REC||'|'||DATALOCK FROM DATALIST WHERE DATALOCK<>0 ORDER BY REC"));
    };
    const auto reset = [&] {
        e.executeSystem(QStringLiteral("DELETE FROM SERVERDATALIST WHERE REC<>3"));
        e.executeSystem(QStringLiteral("UPDATE DATALIST SET DATALOCK=0"));
    };

    std::vector<TDataListRec> oneByOne = rows();
    for (TDataListRec& row : oneByOne)
        list.UpdateServerDataListRecord(row, true, true);
    const QStringList expected = snapshot();
    reset();

    std::vector<TDataListRec> refreshed = rows();
    {
        OwnTransaction own(DM->IBTransactionDEF);
        TDataSentakuListCtl::ServerAreaWriter writer(list, root);
        for (TDataListRec& row : refreshed)
            EXPECT_TRUE(writer.Write(row)) << row.PASNAME.toStdString();
        own.commit();
    }
    EXPECT_EQ(snapshot(), expected);
    for (size_t i = 0; i < refreshed.size(); ++i)
        EXPECT_EQ(refreshed[i].REC, oneByOne[i].REC) << refreshed[i].PASNAME.toStdString();

    // What the stored rows say, so that both roads cannot be wrong alike.
    EXPECT_EQ(stored(QStringLiteral("SELECT REC||' '||ENTTEXT FROM SERVERDATALIST ORDER BY REC")),
              (QStringList{"3 他", "4 A社", "5 合算", "6 重なり", "7 他B", "8 F社"}));
    EXPECT_EQ(stored(QStringLiteral("SELECT REC||' '||ROWNO||' '||ENTTEXT FROM CHILD_SERVERDATALIST")),
              (QStringList{"5 1 子A", QStringLiteral("5 2 ") + kFreeAreaText}));
    EXPECT_EQ(
        stored(QStringLiteral("SELECT REC||' '||DATALOCK FROM DATALIST WHERE DATALOCK<>0 ORDER BY REC")),
        (QStringList{"7 5", "8 9"}));
    EXPECT_TRUE(e.ui->shown().empty());
}

TEST_F(ServerDataListTest, NextAreaFolderNameAndLocalFolderOfAnArea) {
    storeArea(QStringLiteral("SERVERDATALIST"), 1, area(QStringLiteral("sv0007")), QStringLiteral("七"));
    storeArea(QStringLiteral("SERVERDATALIST"), 2, area(QStringLiteral("sv0003")), QStringLiteral("三"));
    // "_" and "%" in a share root are no patterns: a look-alike root is another share.
    const QString lookAlike = e.env.path() + QStringLiteral("/mnt/it's 100%Ax/pellanzaimu");
    storeArea(QStringLiteral("SERVERDATALIST"), 3, lookAlike + QStringLiteral("/sv0042"),
              QStringLiteral("他"));
    EXPECT_EQ(list.GetNextServerFolderName(root, 1), QStringLiteral("sv0008"));
    EXPECT_EQ(list.GetNextServerFolderName(root, 2), QStringLiteral("sv0009"));
    EXPECT_EQ(list.GetNextServerFolderName(lookAlike, 1), QStringLiteral("sv0043"));
    EXPECT_EQ(list.GetNextServerFolderName(e.env.path() + QStringLiteral("/empty"), 1),
              QStringLiteral("sv0001"));

    const QString areaFolder = area(QStringLiteral("sv0003"));
    e.executeSystem(QStringLiteral("UPDATE DATALIST SET PASNAME='") +
                    QString(areaFolder).replace(u'\'', QStringLiteral("''")) +
                    QStringLiteral("', NETDRIVE=1 WHERE REC=5"));
    EXPECT_EQ(list.GetSharedDataLocalPath(areaFolder + QStringLiteral("/02"), 10),
              SystemDef.SYSDIR + QStringLiteral("/0005/02"));
    EXPECT_EQ(list.GetSharedDataLocalPath(areaFolder, 0), SystemDef.SYSDIR + QStringLiteral("/0005"));
    EXPECT_TRUE(list.GetSharedDataLocalPath(area(QStringLiteral("sv0004")), 0).isEmpty());
    EXPECT_TRUE(list.GetSharedDataLocalPath(QString(), 0).isEmpty());
}

// Deleting a shared merged row removes the child areas below its folder and nothing that only looks alike.
TEST_F(ServerDataListTest, DeletingASharedParentTakesOnlyItsOwnChildAreas) {
    const QString parent = area(QStringLiteral("sv0001"));
    const QString lookAlike = e.env.path() + QStringLiteral("/mnt/it's 100%Ax/pellanzaimu/sv0001");
    storeArea(QStringLiteral("SERVERDATALIST"), 1, parent, QStringLiteral("親"));
    storeArea(QStringLiteral("SERVERDATALIST"), 2, area(QStringLiteral("sv00011")), QStringLiteral("隣"));
    storeArea(QStringLiteral("SERVERDATALIST"), 3, lookAlike, QStringLiteral("他"));
    storeArea(QStringLiteral("CHILD_SERVERDATALIST"), 1, parent + QStringLiteral("/01"), QStringLiteral("子"),
              1);
    storeArea(QStringLiteral("CHILD_SERVERDATALIST"), 2, area(QStringLiteral("sv00011/01")),
              QStringLiteral("隣子"), 1);
    storeArea(QStringLiteral("CHILD_SERVERDATALIST"), 3, lookAlike + QStringLiteral("/01"),
              QStringLiteral("他子"), 1);
    TDataListRec row = areaRow(parent, QStringLiteral("親"), 1, TDateTime());
    row.REC = 4;
    row.GASSAN = 1;
    ASSERT_TRUE(list.DeleteDataListChildRecord(row, true));
    EXPECT_EQ(stored(QStringLiteral("SELECT ENTTEXT FROM CHILD_SERVERDATALIST ORDER BY REC")),
              (QStringList{QStringLiteral("隣子"), QStringLiteral("他子")}));
}

// A list row that is a local copy of shared data keeps the share's list current as well.
TEST_F(ServerDataListTest, ListWritesOfSharedRowsUpdateTheShareList) {
    makeFolders({QStringLiteral("sv0001/01")});
    TDataListRec row = areaRow(area(QStringLiteral("sv0001")), QStringLiteral("共有データ"), 4,
                               TDateTime::fromDate(2024, 4, 1));
    row.REC = 5;
    row.GASSAN = 1;
    ASSERT_TRUE(list.UpdateDataListRecord(row, true, true));
    EXPECT_EQ(row.REC, 5);
    EXPECT_EQ(stored(QStringLiteral("SELECT ENTTEXT FROM DATALIST WHERE REC=5")), QStringList{"共有データ"});
    EXPECT_EQ(stored(QStringLiteral("SELECT ENTTEXT || '/' || REC FROM SERVERDATALIST")),
              QStringList{"共有データ/1"});

    TDataListRec child = row;
    child.GASSAN = 10;
    child.ROWNO = 1;
    child.PASNAME = area(QStringLiteral("sv0001/01"));
    child.ENTTEXT = QStringLiteral("支店");
    ASSERT_TRUE(list.UpdateDataListRecord(child, true, true));
    EXPECT_EQ(child.REC, 5);
    EXPECT_EQ(stored(QStringLiteral("SELECT ENTTEXT FROM CHILD_DATALIST WHERE REC=5")), QStringList{"支店"});
    EXPECT_EQ(stored(QStringLiteral("SELECT ENTTEXT || '/' || REC FROM CHILD_SERVERDATALIST")),
              QStringList{"支店/1"});
    EXPECT_FALSE(e.dm->IBTransactionDEF.isActive());
    EXPECT_TRUE(e.ui->shown().empty());
}

// A share write that fails takes the list write with it: the row is not left half-written.
TEST_F(ServerDataListTest, AFailedShareWriteLeavesTheListRowAsItWas) {
    makeFolders({QStringLiteral("sv0001")});
    // No operator group 20000 exists, so the share row cannot be stored for it.
    SystemDef.GROUPID = 20000;
    TDataListRec row =
        areaRow(area(QStringLiteral("sv0001")), QStringLiteral("共有"), 4, TDateTime::fromDate(2024, 4, 1));
    row.REC = 5;
    EXPECT_FALSE(list.UpdateDataListRecord(row, true, true));
    EXPECT_EQ(stored(QStringLiteral("SELECT ENTTEXT FROM DATALIST WHERE REC=5")), QStringList{""});
    EXPECT_FALSE(e.dm->IBTransactionDEF.isActive());
    ASSERT_EQ(e.ui->shown().size(), 1u);
    EXPECT_TRUE(
        e.ui->messageTexts().join(u'\n').contains(QStringLiteral("データリストの更新に失敗しました。")));
}

// The same write through the Firebird server that test.sh starts, in client/server mode.
TEST_F(ServerDataListTest, ListWritesOfSharedRowsThroughTheServer) {
    const QString server = qEnvironmentVariable("QV_FB_SERVER");
    if (server.isEmpty())
        GTEST_SKIP() << "QV_FB_SERVER not set (test.sh starts the server)";
    makeFolders({QStringLiteral("sv0002")});
    const QString folder = area(QStringLiteral("sv0002"));
    e.executeSystem(
        QStringLiteral("INSERT INTO DATALIST (REC, GROUPID, PASNAME, NETDRIVE) VALUES (121, 10000, '") +
        QString(folder).replace(u'\'', QStringLiteral("''")) + QStringLiteral("', 1)"));
    e.dm->IBDatabaseDEF.detach();
    ConnectMode = 1;
    SystemDef.HOSTNAME = server;
    ASSERT_TRUE(e.dm->fnAccDefConnected(QString(), 1));
    ASSERT_TRUE(e.dm->IBDatabaseDEF.path().startsWith(server + u':'));
    TDataSentakuListCtl ctl;
    ctl.SetConnectMode(1);
    TDataListRec row = areaRow(folder, QStringLiteral("サーバ経由"), 2, TDateTime::fromDate(2024, 4, 1));
    row.REC = 121;
    row.DATALOCK = 15;
    ASSERT_TRUE(ctl.UpdateDataListRecord(row, true, true));
    EXPECT_EQ(row.REC, 121);
    e.dm->IBDatabaseDEF.detach();
    EXPECT_EQ(stored(QStringLiteral("SELECT ENTTEXT || '/' || DATALOCK FROM DATALIST WHERE REC=121")),
              QStringList{"サーバ経由/15"});
    EXPECT_EQ(stored(QStringLiteral("SELECT ENTTEXT || '/' || PASNAME FROM SERVERDATALIST")),
              QStringList{QStringLiteral("サーバ経由/") + folder});
    EXPECT_TRUE(e.ui->shown().empty()) << e.ui->messageTexts().join(u'\n').toStdString();
}

} // namespace
