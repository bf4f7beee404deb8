// The host procedures: the launcher-menu stub, the data check hook that marks a damaged dataset, and
// their installation by the main form's creation.
#include "app/HostProcs.h"

#include "core/DataModule.h"
#include "core/DialogRegistry.h"
#include "core/TDataInfomation.h"
#include "core/uAccRecord.h"
#include "platform/IniFile.h"
#include "support/DmFixture.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

namespace {

using testenv::Dataset;

class HostProcsTest : public ::testing::Test {
protected:
    HostProcsTest() { e.connectSystem(); }
    ~HostProcsTest() override { SetDatabaseValidator({}); }

    int listStatus(int rec) {
        int status = -1;
        auto db = e.root->connectSystem();
        fb::Transaction t(*db);
        t.start();
        fb::Query q(t);
        q.setSql(QStringLiteral("SELECT DATA_STATUS FROM DATALIST WHERE REC=:REC"));
        q.setInt("REC", rec);
        q.open();
        if (!q.eof())
            status = q.field("DATA_STATUS").asInt();
        q.close();
        t.commit();
        return status;
    }
    static QString iniStatus(const QString& folder) {
        return IniFile(TDataInfomation::IniPath(folder))
            .readString(QStringLiteral("DATASTS"), QStringLiteral("STATUS"));
    }

    testenv::DmEnvironment e;
};

TEST_F(HostProcsTest, DamagedDatasetIsMarkedWithoutABoxInQuietMode) {
    const Dataset sound = e.root->addDataset({});
    Dataset damaged = e.root->addDataset({});
    {
        // A torn header: the engine no longer knows the file as a database.
        QFile f(damaged.database);
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        ASSERT_EQ(f.write(QByteArray(1024, '\x5a')), 1024);
    }
    EXPECT_EQ(DataCheckHook(QString(), sound.folder, 1), 1);
    EXPECT_EQ(SystemDef.DataDamaged, 0);
    EXPECT_NE(iniStatus(sound.folder), QStringLiteral("10"));

    EXPECT_EQ(DataCheckHook(QStringLiteral("127.0.0.1"), damaged.folder, 1), 0);
    EXPECT_EQ(SystemDef.DataDamaged, 1);
    EXPECT_TRUE(e.ui->shown().empty());
    EXPECT_EQ(listStatus(damaged.rec), 1);
    EXPECT_NE(listStatus(sound.rec), 1);
    EXPECT_EQ(iniStatus(damaged.folder), QStringLiteral("10"));
}

TEST_F(HostProcsTest, LoopbackValidatesHereAndAFolderOutsideTheListIsMarkedInItsIniOnly) {
    QStringList hosts;
    SetDatabaseValidator([&hosts](const QString& host, const QString&) {
        hosts << host;
        return false;
    });
    const QString folder = e.root->dataDir() + QStringLiteral("/elsewhere");
    QDir().mkpath(folder);
    EXPECT_EQ(DataCheckHook(QStringLiteral("127.0.0.1"), folder, 0), 0);
    EXPECT_EQ(DataCheckHook(QStringLiteral("dbserver"), folder, 1), 0);
    EXPECT_EQ(hosts, (QStringList{QString(), QStringLiteral("dbserver")}));
    ASSERT_EQ(e.ui->shown().size(), 1u);
    EXPECT_TRUE(e.ui->shown()[0].message.text.startsWith(
        QStringLiteral("データ検証の結果、このデータは破損している恐れがあります。\r")));
    EXPECT_EQ(iniStatus(folder), QStringLiteral("10"));
}

TEST_F(HostProcsTest, InstalledProcsAnswerAndAreClearedAgain) {
    InstallHostProcs();
    ASSERT_TRUE(HostMenuProc && DataCheckProc && RunDialogByNameProc);
    EXPECT_EQ(HostMenuProc(10, QString()), 0);
    EXPECT_EQ(RunDialogByNameProc(QStringLiteral("QzKihonWiz"), 1, QString()), -1);
    SetDatabaseValidator([](const QString&, const QString&) { return true; });
    EXPECT_EQ(e.dm->CallDataCheck(QString(), e.root->dataDir(), 1, 1), 1);
    ClearHostProcs();
    EXPECT_FALSE(HostMenuProc || DataCheckProc || RunDialogByNameProc);
}

} // namespace
