// Receiving a shared-server dataset into its local copy and sending it back: two temporary folders stand
// for the share and this computer, and a second operator is the logged-on operator changed for a while.

#include "support/SystemDbProbe.h"

#include "core/TDataInfomation.h"
#include "core/uAccFunction2_System.h"
#include "core/uAccRecord.h"
#include "datalist/z5ComDataSentaku.h"
#include "support/DmFixture.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

constexpr int kRec = 5;
const qint32 kMe = 10000 * 10000 + 10;
const qint32 kOther = 10000 * 10000 + 20;

class SharedServerCopyTest : public ::testing::Test {
protected:
    void SetUp() override {
        e.connectSystem();
        shared = e.env.path() + QStringLiteral("/share/pellanzaimu/sv0001");
        local = QStringLiteral("%1/%2").arg(SystemDef.SYSDIR).arg(kRec, 4, 10, QLatin1Char('0'));
    }
    void TearDown() override {
        SystemDef.OPCODE = kMe;
        SystemDef.OperatorName = QStringLiteral("管理者");
    }

    // A dataset folder: its database file holds the text, its ini the names and the merge kind.
    static void putData(const QString& folder, const QByteArray& content, int kind = 0,
                        const QString& name = QStringLiteral("共有会社")) {
        ASSERT_TRUE(QDir().mkpath(folder));
        QFile f(folder + u'/' + DataFileName);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(content);
        f.close();
        TDataInfomation info;
        TDataInfomationRec r;
        r.DATALISTNAME = name;
        r.SHOUGOU = name;
        r.NENDO = 3;
        r.KISHU = QStringLiteral("2024/04/01");
        r.KIMATU = QStringLiteral("2025/03/31");
        r.GASSANKBN = quint8(kind);
        info.WriteIniFile(folder, QString(), r);
    }
    static QByteArray content(const QString& folder) {
        QFile f(folder + u'/' + DataFileName);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<none>");
    }
    static TDataInfomationRec record(const QString& folder) {
        TDataInfomation info;
        TDataInfomationRec r;
        info.ReadDataIni(folder, r);
        return r;
    }
    // A file the copy cannot take (a named pipe) among the files of a dataset.
    static void blockCopy(const QString& folder) {
        ASSERT_EQ(::mkfifo(QFile::encodeName(folder + QStringLiteral("/placc.pipe")).constData(), 0600), 0);
    }
    static void unblockCopy(const QString& folder) { QFile::remove(folder + QStringLiteral("/placc.pipe")); }

    // Merged data on the share: the head dataset and children 01 and 02.
    void sharedMerged() {
        putData(shared, "head v1", 1, QStringLiteral("合算会社"));
        putData(shared + QStringLiteral("/01"), "child01 v1");
        putData(shared + QStringLiteral("/02"), "child02 v1");
    }
    // The list slot assigned to the shared area, not held.
    TDataSentakuRec assignedRow() {
        TDataSentakuRec row;
        row.REC = kRec;
        list.GetDataListRecord(0, row, true);
        row.NETDRIVE = 1;
        row.PASNAME = shared;
        row.ENTTEXT = QStringLiteral("合算会社");
        EXPECT_TRUE(list.UpdateDataListRecord(row, true, true));
        row.LOCALPATH = local;
        return row;
    }
    TDataSentakuRec storedRow() {
        TDataSentakuRec row;
        list.GetDataListRecordByPath(local, row);
        return row;
    }
    QString stored(const char* column) const {
        return testenv::systemValue(
            *e.root,
            QStringLiteral("SELECT %1 FROM DATALIST WHERE REC=%2").arg(QLatin1String(column)).arg(kRec));
    }
    QStringList messages() { return e.ui->messageTexts(); }

    testenv::DmEnvironment e;
    TDataSentakuListCtl list;
    QString shared;
    QString local;
};

TEST_F(SharedServerCopyTest, ReceiveOfMergedDataReplacesTheLocalCopyAndTakesTheHold) {
    sharedMerged();
    // An older local copy: a child the share still has and one it no longer has.
    putData(local, "head old", 1);
    putData(local + QStringLiteral("/01"), "child01 old");
    putData(local + QStringLiteral("/03"), "child03 old");
    TDataSentakuRec row = assignedRow();

    ASSERT_EQ(list.ReceiveServerData(row, 0), 1) << messages().join(u'|').toStdString();

    EXPECT_EQ(content(local), "head v1");
    EXPECT_EQ(content(local + QStringLiteral("/01")), "child01 v1");
    EXPECT_EQ(content(local + QStringLiteral("/02")), "child02 v1");
    EXPECT_FALSE(QFileInfo::exists(local + QStringLiteral("/03")));
    EXPECT_FALSE(QFileInfo::exists(local + QStringLiteral("/~kyoyu")));
    for (const QString& folder : {shared, shared + QStringLiteral("/01"), local}) {
        const TDataInfomationRec r = record(folder);
        EXPECT_EQ(r.SHARE_STATUS, 2) << folder.toStdString();
        EXPECT_EQ(r.SHARE_OPCODE, kMe) << folder.toStdString();
        EXPECT_EQ(r.STATUS, 1) << folder.toStdString();
    }
    EXPECT_EQ(stored("KYOYULOCK"), QStringLiteral("1"));
    EXPECT_EQ(stored("ENTTEXT"), QStringLiteral("合算会社"));
    const TDataSentakuRec again = storedRow();
    ASSERT_EQ(again.CHILDREN.size(), 2);
    EXPECT_EQ(again.CHILDREN[1].PASNAME, shared + QStringLiteral("/02"));
    EXPECT_EQ(again.CHILDREN[1].KYOYULOCK, 1);
    EXPECT_TRUE(messages().isEmpty()) << messages().join(u'|').toStdString();
}

TEST_F(SharedServerCopyTest, FailedChildOfAReceiveLosesNothingAndLeavesTheShareFree) {
    sharedMerged();
    putData(local, "head old", 1);
    putData(local + QStringLiteral("/01"), "child01 old");
    putData(local + QStringLiteral("/02"), "child02 old");
    blockCopy(shared + QStringLiteral("/02"));
    TDataSentakuRec row = assignedRow();

    EXPECT_EQ(list.ReceiveServerData(row, 1), 0);

    EXPECT_EQ(content(local), "head old");
    EXPECT_EQ(content(local + QStringLiteral("/01")), "child01 old");
    EXPECT_EQ(content(local + QStringLiteral("/02")), "child02 old");
    EXPECT_FALSE(QFileInfo::exists(local + QStringLiteral("/~kyoyu")));
    for (const QString& folder : {shared, shared + QStringLiteral("/01"), shared + QStringLiteral("/02")})
        EXPECT_EQ(record(folder).SHARE_STATUS, 1) << folder.toStdString();
    EXPECT_EQ(stored("KYOYULOCK"), QStringLiteral("0"));

    // Once the share can be read again the same receive goes through.
    unblockCopy(shared + QStringLiteral("/02"));
    row = storedRow();
    row.LOCALPATH = local;
    EXPECT_EQ(list.ReceiveServerData(row, 1), 1);
    EXPECT_EQ(content(local + QStringLiteral("/02")), "child02 v1");
}

TEST_F(SharedServerCopyTest, FailedChildOfASendLeavesTheShareAsItWasAndKeepsTheHold) {
    sharedMerged();
    // A child deleted from the local copy goes from the share only with a send that is complete.
    putData(shared + QStringLiteral("/03"), "child03 v1");
    TDataSentakuRec row = assignedRow();
    ASSERT_EQ(list.ReceiveServerData(row, 1), 1);
    ShellFolderOp(local + QStringLiteral("/03"), FO_DELETE, false, false);
    putData(local, "head v2", 1, QStringLiteral("合算会社"));
    putData(local + QStringLiteral("/01"), "child01 v2");
    putData(local + QStringLiteral("/02"), "child02 v2");
    TDataInfomation info;
    for (const QString& folder : {local, local + QStringLiteral("/01"), local + QStringLiteral("/02")})
        info.SetShareStatus(folder, 2);
    blockCopy(local + QStringLiteral("/02"));
    row = storedRow();
    row.LOCALPATH = local;

    EXPECT_EQ(list.SendServerData(row, 1), 0);

    EXPECT_EQ(content(shared), "head v1");
    EXPECT_EQ(content(shared + QStringLiteral("/01")), "child01 v1");
    EXPECT_EQ(content(shared + QStringLiteral("/02")), "child02 v1");
    EXPECT_FALSE(QFileInfo::exists(shared + QStringLiteral("/~kyoyu")));
    EXPECT_EQ(record(shared).SHARE_STATUS, 2);
    EXPECT_EQ(record(local).SHARE_STATUS, 2);
    EXPECT_EQ(record(local + QStringLiteral("/01")).SHARE_STATUS, 2);
    EXPECT_EQ(stored("KYOYULOCK"), QStringLiteral("1"));

    unblockCopy(local + QStringLiteral("/02"));
    ASSERT_EQ(list.SendServerData(row, 1), 1);
    EXPECT_EQ(content(shared), "head v2");
    EXPECT_EQ(content(shared + QStringLiteral("/01")), "child01 v2");
    EXPECT_EQ(content(shared + QStringLiteral("/02")), "child02 v2");
    EXPECT_FALSE(QFileInfo::exists(shared + QStringLiteral("/03")));
    EXPECT_FALSE(QFileInfo::exists(shared + QStringLiteral("/~kyoyu")));
    for (const QString& folder : {shared, shared + QStringLiteral("/02"), local})
        EXPECT_EQ(record(folder).SHARE_STATUS, 1) << folder.toStdString();
    EXPECT_EQ(stored("KYOYULOCK"), QStringLiteral("0"));

    // The next receive brings the two children that are left, and only those.
    row = storedRow();
    row.LOCALPATH = local;
    ASSERT_EQ(list.ReceiveServerData(row, 1), 1);
    EXPECT_FALSE(QFileInfo::exists(local + QStringLiteral("/03")));
    const TDataSentakuRec again = storedRow();
    EXPECT_EQ(again.CHILDCNT, 2);
    ASSERT_EQ(again.CHILDREN.size(), 2);
    EXPECT_EQ(again.CHILDREN[1].PASNAME, shared + QStringLiteral("/02"));
}

TEST_F(SharedServerCopyTest, DataTakenOutByAnotherOperatorIsNeitherOverwrittenNorReleased) {
    putData(shared, "theirs");
    SystemDef.OPCODE = kOther;
    SystemDef.OperatorName = QStringLiteral("佐藤");
    TDataInfomation().SetShareStatus(shared, 2);
    SystemDef.OPCODE = kMe;
    SystemDef.OperatorName = QStringLiteral("管理者");
    putData(local, "mine");
    TDataSentakuRec row = assignedRow();
    row.ENTTEXT = QStringLiteral("共有会社");

    EXPECT_EQ(list.SendServerData(row, 0), -1);
    EXPECT_EQ(content(shared), "theirs");
    ASSERT_EQ(messages().size(), 1);
    EXPECT_TRUE(messages()[0].startsWith(QStringLiteral("共有データは現在使用されています。")));
    EXPECT_TRUE(messages()[0].contains(QStringLiteral("　20\r"))) << messages()[0].toStdString();
    EXPECT_TRUE(messages()[0].contains(QStringLiteral("　佐藤")));

    e.ui->clear();
    EXPECT_EQ(list.ReceiveServerData(row, 0), -1);
    EXPECT_EQ(content(local), "mine");
    EXPECT_TRUE(messages().value(0).startsWith(QStringLiteral("共有データは現在使用されています。")));
    EXPECT_EQ(stored("KYOYULOCK"), QStringLiteral("0"));

    // The data-information transfer itself refuses as well.
    TDataInfomation info;
    EXPECT_EQ(info.SendShareData(shared, local, 1), -1);
    EXPECT_EQ(content(shared), "theirs");

    // What a failed receive gives up is only this operator's own hold.
    EXPECT_FALSE(info.ReleaseOwnShareHold(shared));
    EXPECT_EQ(record(shared).SHARE_OPCODE, kOther);
    EXPECT_EQ(record(shared).SHARE_STATUS, 2);
}

TEST_F(SharedServerCopyTest, RefusedReceives) {
    struct Case {
        const char* what;
        bool reachable;
        bool damagedChild;
        int quiet;
        int result;
        const char* message; // start of the one message, or null for none
    } cases[] = {
        {"unreachable, quiet", false, false, 1, 0, nullptr},
        {"unreachable", false, false, 0, 0, "共有サーバーが起動していない"},
        {"damaged child", true, true, 1, -1, "共有サーバー上のデータが破損しているため"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ShellFolderOp(e.env.path() + QStringLiteral("/share"), FO_DELETE, false, false);
        if (c.reachable)
            sharedMerged();
        if (c.damagedChild)
            TDataInfomation().SetDataStatus(shared + QStringLiteral("/02"), 10);
        e.ui->clear();
        TDataSentakuRec row = assignedRow();
        EXPECT_EQ(list.ReceiveServerData(row, c.quiet), c.result);
        if (c.message) {
            ASSERT_EQ(messages().size(), 1);
            EXPECT_TRUE(messages()[0].startsWith(QString::fromUtf8(c.message)))
                << messages()[0].toStdString();
        } else {
            EXPECT_TRUE(messages().isEmpty());
        }
        EXPECT_FALSE(QFileInfo::exists(local + u'/' + DataFileName));
        if (c.damagedChild) {
            // The list already follows the share: both children are listed.
            EXPECT_EQ(storedRow().CHILDREN.size(), 2);
            EXPECT_EQ(record(shared).SHARE_STATUS, 1);
        }
    }
}

} // namespace
