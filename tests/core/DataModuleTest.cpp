#include "core/DataModule.h"
#include "core/uAccFunction_AccReg.h"
#include "core/uAccRecord.h"
#include "platform/IniFile.h"
#include "platform/firebird/FbServices.h"
#include "support/DmFixture.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <gtest/gtest.h>

namespace {

using testenv::DmEnvironment;

IniFile datasetIni(const testenv::Dataset& ds) {
    return IniFile(ds.folder + QStringLiteral("/placc.ini"));
}

struct NameCase {
    const char* label;
    quint8 mode;
    const char* host;
    const char* folder;
    const char* expected;
};

TEST(DataModuleNames, DatabaseNamesByConnectionMode) {
    ResetProcessState();
    SystemDef.HOSTNAME = QStringLiteral("dbserver");
    SystemDef.DataDir = QStringLiteral("/srv/data/0003");
    const NameCase cases[] = {
        {"stand-alone ignores the host", 0, "dbserver", "/d/0001", "/d/0001/placc.fdb"},
        {"client/server names the host", 1, "dbserver", "/d/0001", "dbserver:/d/0001/placc.fdb"},
        {"a port stays with the host", 1, "127.0.0.1/30550", "/d/0001", "127.0.0.1/30550:/d/0001/placc.fdb"},
        // The embedded engine cannot share a file with a running server: this computer goes through it too.
        {"loopback through the server", 1, "127.0.0.1", "/d/0001", "127.0.0.1:/d/0001/placc.fdb"},
        {"this computer by name through the server", 1, "localhost", "/d/0001",
         "localhost:/d/0001/placc.fdb"},
        {"empty host is the configured host", 1, "", "/d/0001", "dbserver:/d/0001/placc.fdb"},
        {"empty folder is the chosen dataset", 0, "", "", "/srv/data/0003/placc.fdb"},
        {"trailing delimiter dropped", 0, "", "/d/0002/", "/d/0002/placc.fdb"},
    };
    for (const NameCase& c : cases) {
        ConnectMode = c.mode;
        EXPECT_EQ(TDM::DatabaseName(QString::fromUtf8(c.host), QString::fromUtf8(c.folder), DataFileName),
                  QString::fromUtf8(c.expected))
            << c.label;
    }
    ResetProcessState();
}

class DataModuleTest : public ::testing::Test {
protected:
    DmEnvironment e;
};

TEST_F(DataModuleTest, ConnectReadDisconnectMarksTheDatasetInUseAndFree) {
    e.connectSystem();
    testenv::CompanySpec company;
    company.name = QStringLiteral("山田商事");
    const testenv::Dataset ds = e.root->addDataset(company);
    SystemDef.DataDir = ds.folder;

    ASSERT_TRUE(e.dm->fnAccDatConnected(QString(), ds.folder, 1));
    EXPECT_EQ(e.dm->IBDatabaseDAT.path(), ds.database);
    {
        IniFile ini = datasetIni(ds);
        EXPECT_EQ(ini.readString("DATASTS", "STATUS"), "2");
        EXPECT_EQ(ini.readString("DATASTS", "OPCODE"), QString::number(SystemDef.OPCODE));
        EXPECT_EQ(ini.readString("DATASTS", "OPERATOR"), QStringLiteral("管理者"));
        EXPECT_EQ(ini.readString("DATAINFO", "SHOUGOU"), QStringLiteral("山田商事"));
        EXPECT_EQ(ini.readString("DATAINFO", "KISHU"), "2024/04/01");
        EXPECT_EQ(ini.readString("DATAINFO", "VERSION1"), "13.0.0");
    }
    auto q = CreateAccQuery(QStringLiteral("ACCDAT"), false);
    ASSERT_TRUE(q);
    q->setSql(QStringLiteral("SELECT SHOUGOU FROM ACCDEF1 WHERE REC=1"));
    q->open();
    EXPECT_EQ(q->field("SHOUGOU").asString(), QStringLiteral("山田商事"));
    q->close();
    q->transaction().commit();

    EXPECT_TRUE(e.dm->fnAccDatDisConnected(ds.folder, 1, 0));
    EXPECT_FALSE(e.dm->IBDatabaseDAT.isConnected());
    IniFile ini = datasetIni(ds);
    EXPECT_EQ(ini.readString("DATASTS", "STATUS"), "1");
    EXPECT_FALSE(ini.valueExists("DATASTS", "OPCODE"));
    EXPECT_FALSE(ini.valueExists("DATASTS", "OPERATOR"));
    EXPECT_TRUE(e.ui->shown().empty());
}

// The dataset's folder stops taking writes while the dataset is open (made read-only, or its ini
// replaced): the disconnect reports the mark it cannot write and still closes the dataset.
TEST_F(DataModuleTest, AMarkThatCannotBeWrittenAtDisconnectIsReportedAndTheDatasetStillCloses) {
    const testenv::Dataset ds = e.root->addDataset({});
    SystemDef.DataDir = ds.folder;
    ASSERT_TRUE(e.dm->fnAccDatConnected(QString(), ds.folder, 1));
    const QString ini = ds.folder + QStringLiteral("/placc.ini");
    ASSERT_TRUE(QFile::remove(ini));
    ASSERT_TRUE(QDir().mkdir(ini)); // a folder in its place: no write reaches it, whoever runs the test
    EXPECT_TRUE(e.dm->fnAccDatDisConnected(ds.folder, 1, 0));
    EXPECT_FALSE(e.dm->IBDatabaseDAT.isConnected());
    ASSERT_EQ(e.ui->shown().size(), 1u);
    EXPECT_TRUE(e.ui->shown()[0].message.text.startsWith(
        QStringLiteral("ユーザーデータベースの切断処理に失敗しました。")))
        << e.ui->shown()[0].message.text.toStdString();
    EXPECT_TRUE(QFileInfo(ini).isDir());
}

TEST_F(DataModuleTest, ConnectAndDisconnectWithoutFlagsLeaveTheIniAlone) {
    const testenv::Dataset ds = e.root->addDataset({});
    const QByteArray before = testenv::readFile(ds.folder + QStringLiteral("/placc.ini"));
    ASSERT_TRUE(e.dm->fnAccDatConnected(QString(), ds.folder, 0));
    EXPECT_TRUE(e.dm->fnAccDatDisConnected(ds.folder, 0, 0));
    EXPECT_EQ(testenv::readFile(ds.folder + QStringLiteral("/placc.ini")), before);
}

TEST_F(DataModuleTest, ConnectingAnotherFolderSwitchesDatasets) {
    testenv::CompanySpec a, b;
    a.name = QStringLiteral("甲社");
    b.name = QStringLiteral("乙社");
    const testenv::Dataset first = e.root->addDataset(a);
    const testenv::Dataset second = e.root->addDataset(b);
    ASSERT_TRUE(e.dm->fnAccDatConnected(QString(), first.folder, 0));
    ASSERT_TRUE(e.dm->fnAccDatConnected(QString(), second.folder, 0));
    EXPECT_EQ(e.dm->IBDatabaseDAT.path(), second.database);
    e.dm->fnAccDatDisConnected(second.folder, 0, 0);
}

TEST_F(DataModuleTest, DataCheckRunsQuietlyOnlyWhenSwitchedOnAndNotForAMissingFile) {
    std::vector<std::pair<QString, int>> calls;
    DataCheckProc = [&calls](const QString&, const QString& folder, int quiet, int& result) {
        calls.emplace_back(folder, quiet);
        result = 0;
    };
    const testenv::Dataset ds = e.root->addDataset({});
    // A file that is no database: the engine answers with a format error, not an I/O error.
    ASSERT_TRUE(testenv::writeFile(ds.database, QByteArray(16384, 'x')));

    SystemDef.DataCheck = 0;
    EXPECT_FALSE(e.dm->fnAccDatConnected(QString(), ds.folder, 0));
    EXPECT_TRUE(calls.empty());

    SystemDef.DataCheck = 1;
    EXPECT_FALSE(e.dm->fnAccDatConnected(QString(), ds.folder, 0));
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].first, ds.folder);
    EXPECT_EQ(calls[0].second, 1);

    // A missing database file is an I/O error: checking its data would not help.
    calls.clear();
    EXPECT_FALSE(e.dm->fnAccDatConnected(QString(), e.root->dataDir() + QStringLiteral("/0099"), 0));
    EXPECT_TRUE(calls.empty());
    EXPECT_FALSE(e.ui->messageTexts().isEmpty());
    EXPECT_TRUE(e.ui->messageTexts().constLast().contains(
        QStringLiteral("ユーザーデータベースの接続処理に失敗しました。")));

    // Forced, the hook runs whatever the setting says; without a hook the data counts as sound.
    SystemDef.DataCheck = 0;
    EXPECT_EQ(e.dm->CallDataCheck(QString(), ds.folder, 1, 0), 0);
    DataCheckProc = nullptr;
    EXPECT_EQ(e.dm->CallDataCheck(QString(), ds.folder, 1, 0), 1);
}

TEST_F(DataModuleTest, SystemDatabaseConnectsOnceAndReportsOnRequest) {
    EXPECT_TRUE(e.dm->fnAccDefConnected(QString(), 1));
    EXPECT_EQ(e.dm->IBDatabaseDEF.path(), e.root->systemDatabase());
    EXPECT_TRUE(e.dm->fnAccDefConnected(QString(), 1));
    e.dm->IBDatabaseDEF.detach();

    SystemDef.SYSDIR = e.root->root() + QStringLiteral("/missing");
    EXPECT_FALSE(e.dm->fnAccDefConnected(QString(), 1));
    ASSERT_EQ(e.ui->messageTexts().size(), 1);
    EXPECT_TRUE(
        e.ui->messageTexts()[0].contains(QStringLiteral("システムデータベースの接続処理に失敗しました。")));
    // Without the report flag the caller gets the error itself.
    EXPECT_THROW(e.dm->fnAccDefConnected(QString(), 0), fb::Error);
}

TEST_F(DataModuleTest, FileManagerDatabaseIsOptionalAndSilent) {
    EXPECT_FALSE(e.dm->fnFileManConnected(QString()));
    ASSERT_TRUE(testenv::writeFile(SystemDef.SYSDIR + QStringLiteral("/plfileman.fdb"), "not a database"));
    EXPECT_FALSE(e.dm->fnFileManConnected(QString()));
    EXPECT_TRUE(e.ui->shown().empty());
}

TEST_F(DataModuleTest, InUseCountsOwnAttachmentOnlyWhenKept) {
    const testenv::Dataset ds = e.root->addDataset({});
    EXPECT_FALSE(e.dm->AccDatInConnection(1, QString(), false, ds.folder));
    ASSERT_TRUE(e.dm->fnAccDatConnected(QString(), ds.folder, 0));
    EXPECT_TRUE(e.dm->AccDatInConnection(1, QString(), true, ds.folder));
    // Not kept: the own attachment is left out of the count and restored afterwards.
    EXPECT_FALSE(e.dm->AccDatInConnection(1, QString(), false, ds.folder));
    EXPECT_TRUE(e.dm->IBDatabaseDAT.isConnected());
    EXPECT_FALSE(e.dm->AccDatInConnection(1, QString(), false, QStringLiteral("  ")));
    EXPECT_TRUE(e.ui->shown().empty());
}

TEST_F(DataModuleTest, InUseNeverDropsAConnectionWithRunningWork) {
    const testenv::Dataset ds = e.root->addDataset({});
    ASSERT_TRUE(e.dm->fnAccDatConnected(QString(), ds.folder, 0));
    e.dm->IBTransactionDAT.start();
    PutAccReg(QStringLiteral("テスト"), QStringLiteral("値"), QStringLiteral("整数"), 5);

    EXPECT_TRUE(e.dm->AccDatInConnection(1, QString(), false, ds.folder));
    ASSERT_TRUE(e.dm->IBTransactionDAT.isActive());
    EXPECT_EQ(GetAccReg(QStringLiteral("テスト"), QStringLiteral("値"), QStringLiteral("整数"),
                        QStringLiteral("0")),
              5);
    e.dm->IBTransactionDAT.commit();
}

TEST_F(DataModuleTest, InUseWhenAnotherProcessHoldsTheDataset) {
    const testenv::Dataset ds = e.root->addDataset({});
    {
        testenv::HoldingProcess other(ds.database);
        ASSERT_TRUE(other.holding());
        EXPECT_TRUE(e.dm->AccDatInConnection(1, QString(), false, ds.folder));
        // The other process's hold shows as an I/O error: no data check for it.
        int checks = 0;
        SystemDef.DataCheck = 1;
        DataCheckProc = [&checks](const QString&, const QString&, int, int& result) {
            ++checks;
            result = 1;
        };
        EXPECT_FALSE(e.dm->fnAccDatConnected(QString(), ds.folder, 1));
        EXPECT_EQ(checks, 0);
    }
    EXPECT_FALSE(e.dm->AccDatInConnection(1, QString(), false, ds.folder));
}

TEST_F(DataModuleTest, DropDeletesTheDatasetDatabase) {
    const testenv::Dataset ds = e.root->addDataset({});
    EXPECT_TRUE(e.dm->AccDatDropDatabase(QString(), ds.folder));
    EXPECT_FALSE(QFile::exists(ds.database));
    EXPECT_FALSE(e.dm->AccDatDropDatabase(QString(), QString()));
    EXPECT_FALSE(e.dm->AccDatDropDatabase(QString(), ds.folder));
    ASSERT_EQ(e.ui->messageTexts().size(), 1);
    EXPECT_TRUE(
        e.ui->messageTexts()[0].contains(QStringLiteral("ユーザーデータベースの削除処理に失敗しました。")));
}

TEST_F(DataModuleTest, DialogTimerRunsThePendingRequestAndClearsIt) {
    QStringList runs;
    RunDialogByNameProc = [&runs](const QString& name, int number, const QString& params) {
        runs << QStringLiteral("%1|%2|%3").arg(name).arg(number).arg(params);
        return 0;
    };
    e.dm->SyoriKidouName = QStringLiteral("QzDataSenkaku");
    e.dm->SyoriKidouNo = 1;
    e.dm->SyoriKidouParams = QStringLiteral("SyoriType=3");
    e.dm->TimerSyoriKidou.start();
    e.dm->TimerSyoriKidouTimer();
    EXPECT_EQ(runs, QStringList{QStringLiteral("QzDataSenkaku|1|SyoriType=3")});
    EXPECT_FALSE(e.dm->TimerSyoriKidou.isActive());
    EXPECT_TRUE(e.dm->SyoriKidouName.isEmpty());
    RunDialogByNameProc = nullptr;
}

// The same module against the server that test.sh starts: remote names, no ini in client/server mode,
// attachments seen through the server's services.
TEST_F(DataModuleTest, ClientServerModeConnectsThroughTheServer) {
    const QString server = qEnvironmentVariable("QV_FB_SERVER");
    if (server.isEmpty())
        GTEST_SKIP() << "QV_FB_SERVER not set (test.sh starts the server)";
    const testenv::Dataset ds = e.root->addDataset({});
    const QByteArray iniBefore = testenv::readFile(ds.folder + QStringLiteral("/placc.ini"));
    ConnectMode = 1;
    SystemDef.HOSTNAME = server;
    ASSERT_TRUE(e.dm->fnAccDefConnected(QString(), 1));
    EXPECT_EQ(e.dm->IBDatabaseDEF.path(), server + u':' + e.root->systemDatabase());
    ASSERT_TRUE(e.dm->fnAccDatConnected(QString(), ds.folder, 1));
    EXPECT_TRUE(e.dm->IBDatabaseDAT.isRemote());
    EXPECT_TRUE(e.dm->AccDatInConnection(1, QString(), true, ds.folder));
    EXPECT_FALSE(e.dm->AccDatInConnection(1, QString(), false, ds.folder));
    EXPECT_TRUE(e.dm->IBDatabaseDAT.isConnected());
    // Another program on this computer works on the same dataset through the server meanwhile.
    QProcess isql;
    isql.setProcessChannelMode(QProcess::MergedChannels);
    isql.start(testenv::isqlProgram(),
               {QStringLiteral("-user"), QStringLiteral("PELLAN"), QStringLiteral("-password"),
                QStringLiteral("vintor"), server + u':' + ds.database});
    isql.write("SELECT COUNT(*) FROM KS_SISAN;\n");
    isql.closeWriteChannel();
    ASSERT_TRUE(isql.waitForFinished(60000));
    EXPECT_EQ(isql.exitCode(), 0) << isql.readAll().toStdString();
    fb::Query mine(e.dm->IBTransactionDAT, QStringLiteral("SELECT COUNT(*) AS N FROM KS_SISAN"));
    e.dm->IBTransactionDAT.start();
    mine.open();
    EXPECT_EQ(mine.field("N").asInt(), 0);
    mine.close();
    e.dm->IBTransactionDAT.commit();
    e.dm->fnAccDatDisConnected(ds.folder, 1, 0);
    EXPECT_EQ(testenv::readFile(ds.folder + QStringLiteral("/placc.ini")), iniBefore);
    e.dm->IBDatabaseDEF.detach();
    EXPECT_TRUE(e.ui->shown().empty()) << e.ui->messageTexts().join(u'\n').toStdString();
}

} // namespace
