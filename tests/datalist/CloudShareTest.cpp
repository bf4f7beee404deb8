// The cloud-share area of a dataset, written into the dataset's own database.

#include "core/DataModule.h"
#include "core/uAccRecord.h"
#include "datalist/z5ComCloudShare.h"
#include "platform/IniFile.h"
#include "support/DmFixture.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

namespace {

class CloudShareTest : public ::testing::Test {
protected:
    void SetUp() override { e.connectSystem(); }

    static QString cloudLine(const testenv::Dataset& ds) {
        auto db = ds.connect();
        fb::Transaction t(*db);
        fb::Query q(t, QStringLiteral("SELECT CLOUD_LINE FROM ACCDEF1 WHERE REC=1"));
        q.open();
        const QString v = q.field(0).asString();
        q.close();
        t.commit();
        return v;
    }
    static QString iniFlag(const testenv::Dataset& ds) {
        IniFile ini(ds.folder + QStringLiteral("/placc.ini"), false);
        return ini.readString(QStringLiteral("DATAINFO"), QStringLiteral("CLOUD_SHARE"),
                              QStringLiteral("<none>"));
    }
    static void setVersion(const testenv::Dataset& ds, int major, int minor1, int minor2) {
        ds.execute(QStringLiteral("UPDATE ACCVERSION SET MAJOR=:A, MINOR1=:B, MINOR2=:C"), [&](fb::Query& q) {
            q.setInt("A", major);
            q.setInt("B", minor1);
            q.setInt("C", minor2);
        });
    }

    testenv::DmEnvironment e;
};

TEST_F(CloudShareTest, OnlyDataNewerThan11HoldsTheArea) {
    const testenv::Dataset ds = e.root->addDataset({}, 1);
    const struct {
        int major, minor1, minor2;
        bool writes;
    } cases[] = {{11, 0, 0, false}, {11, 0, 1, true}, {13, 0, 0, true}};
    for (const auto& c : cases) {
        ds.execute(QStringLiteral("UPDATE ACCDEF1 SET CLOUD_LINE=0"));
        setVersion(ds, c.major, c.minor1, c.minor2);
        TCloudShareIO io;
        EXPECT_TRUE(io.SetCloudLine(QString(), ds.folder, 3)) << c.major << c.minor2;
        EXPECT_EQ(cloudLine(ds), c.writes ? "3" : "0") << c.major << c.minor2;
        EXPECT_EQ(io.GetCloudLine(QString(), ds.folder), c.writes ? 3 : 0);
        if (c.writes) {
            EXPECT_EQ(iniFlag(ds), "1");
        }
        // The call's own connection is gone again.
        EXPECT_FALSE(e.dm->IBDatabaseDAT.isConnected());
    }
    TCloudShareIO io;
    EXPECT_TRUE(io.ClearSetting(QString(), ds.folder));
    EXPECT_EQ(cloudLine(ds), "0");
    EXPECT_EQ(iniFlag(ds), "0");
    EXPECT_TRUE(e.ui->shown().empty()) << e.ui->messageTexts().join(u'\n').toStdString();
}

TEST_F(CloudShareTest, TheSettingGoesIntoTheFoldersOwnDatabaseWhateverIsOpen) {
    const testenv::Dataset open = e.root->addDataset({}, 1);
    const testenv::Dataset other = e.root->addDataset({}, 2);
    ASSERT_TRUE(e.dm->fnAccDatConnected(QString(), open.folder, 0));
    TCloudShareIO io;
    ASSERT_TRUE(io.SetCloudLine(QString(), open.folder, 4));
    ASSERT_TRUE(io.SetCloudLine(QString(), other.folder, 7));
    EXPECT_EQ(cloudLine(open), "4");
    EXPECT_EQ(cloudLine(other), "7");
    EXPECT_EQ(io.GetCloudLine(QString(), other.folder), 7);
    // The open dataset stays open, and it is still the one that was open.
    ASSERT_TRUE(e.dm->IBDatabaseDAT.isConnected());
    EXPECT_EQ(e.dm->IBDatabaseDAT.path(), open.database);
    EXPECT_FALSE(e.dm->IBTransactionDAT.isActive());
    e.dm->fnAccDatDisConnected(open.folder, 0, 0);
    EXPECT_TRUE(e.ui->shown().empty()) << e.ui->messageTexts().join(u'\n').toStdString();
}

TEST_F(CloudShareTest, AFolderNameWithQuotesAndWildcardsIsTakenAsItIs) {
    testenv::Dataset ds = e.root->addDataset({}, 1);
    const QString odd = e.root->dataDir() + QStringLiteral("/it's 100%_x");
    ASSERT_TRUE(QDir().rename(ds.folder, odd));
    ds.folder = odd;
    ds.database = odd + QStringLiteral("/placc.fdb");
    TCloudShareIO io;
    ASSERT_TRUE(io.SetCloudLine(QString(), ds.folder, 9));
    EXPECT_EQ(cloudLine(ds), "9");
    EXPECT_EQ(iniFlag(ds), "1");
    EXPECT_EQ(io.GetCloudLine(QString(), ds.folder), 9);
    EXPECT_TRUE(e.ui->shown().empty()) << e.ui->messageTexts().join(u'\n').toStdString();
}

TEST_F(CloudShareTest, ClientServerModeLeavesTheIniAlone) {
    const QString server = qEnvironmentVariable("QV_FB_SERVER");
    if (server.isEmpty())
        GTEST_SKIP() << "QV_FB_SERVER not set (test.sh starts the server)";
    const testenv::Dataset ds = e.root->addDataset({}, 1);
    ConnectMode = 1;
    SystemDef.HOSTNAME = server;
    TCloudShareIO io;
    ASSERT_TRUE(io.SetCloudLine(QString(), ds.folder, 5));
    EXPECT_EQ(cloudLine(ds), "5");
    EXPECT_EQ(iniFlag(ds), "0");
}

TEST_F(CloudShareTest, AMissingDatasetIsAFailureNotAValue) {
    TCloudShareIO io;
    const QString missing = e.root->dataDir() + QStringLiteral("/0099");
    EXPECT_FALSE(io.SetCloudLine(QString(), missing, 2));
    EXPECT_EQ(io.GetCloudLine(QString(), missing), 0);
    EXPECT_FALSE(e.ui->shown().empty());
    EXPECT_FALSE(e.dm->IBDatabaseDAT.isConnected());
    EXPECT_FALSE(io.SetCloudLine(QString(), QStringLiteral(" "), 2));
}

// The ini mirror that cannot be written takes the database write back with it.
TEST_F(CloudShareTest, AnUnwritableIniKeepsTheOldArea) {
    const testenv::Dataset ds = e.root->addDataset({}, 1);
    TCloudShareIO io;
    ASSERT_TRUE(io.SetCloudLine(QString(), ds.folder, 2));
    // A folder where the ini should be: no write reaches it, whoever runs the test.
    const QString ini = ds.folder + QStringLiteral("/placc.ini");
    ASSERT_TRUE(QFile::remove(ini));
    ASSERT_TRUE(QDir().mkdir(ini));
    EXPECT_FALSE(io.SetCloudLine(QString(), ds.folder, 6));
    EXPECT_EQ(cloudLine(ds), "2");
    EXPECT_TRUE(
        e.ui->messageTexts().join(u'\n').contains(QStringLiteral("クラウドシェアの設定に失敗しました。")));
    EXPECT_FALSE(e.dm->IBDatabaseDAT.isConnected());
}

} // namespace
