// Backup, restore and validation of fixture datasets: through the services API of the embedded engine
// and of the server test.sh starts, and through gbak (the real one, and stand-ins in the program folder
// that fail or are killed).

#include "DataModuleFixture.h"

#include "core/uAccFunction2_System.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

class BackupRestoreTest : public DataModuleTest {
protected:
    // A dataset with three assets and a process-history row.
    testenv::Dataset datasetWithRows() {
        testenv::Dataset ds = root->addDataset({});
        ds.addAccount({QStringLiteral("100"), QString(), QStringLiteral("固定資産")});
        for (const char* name : {"建物", "車両", "機械"}) {
            testenv::AssetSpec asset;
            asset.name = QString::fromUtf8(name);
            asset.kcode = QStringLiteral("100");
            ds.addAsset(asset);
        }
        ds.execute(QStringLiteral("INSERT INTO OPINF (OPCODE, JOBNAME) VALUES (10, 'JOB')"));
        return ds;
    }
    static QStringList assetNames(const QString& database) {
        fb::Database db(database, testenv::databaseUser());
        db.attach();
        fb::Transaction t(db);
        fb::Query q(t, QStringLiteral("SELECT MEISYOU FROM KS_SISAN ORDER BY REC"));
        QStringList names;
        for (q.open(); !q.eof(); q.next())
            names << q.field(0).asString();
        return names;
    }
    static int count(const QString& database, const QString& table) {
        fb::Database db(database, testenv::databaseUser());
        db.attach();
        return firstInt(db, QStringLiteral("SELECT COUNT(*) FROM ") + table);
    }
    // A gbak stand-in in the program folder running the shell script body.
    void fakeGbak(const QByteArray& body) {
        SystemDef.ProgramDir = e.env.path() + QStringLiteral("/bin");
        const QString path = SystemDef.ProgramDir + QStringLiteral("/gbak");
        ASSERT_TRUE(testenv::writeFile(path, "#!/bin/sh\n" + body));
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    QString server() const { return qEnvironmentVariable("QV_FB_SERVER"); }

    const QStringList names{QStringLiteral("建物"), QStringLiteral("車両"), QStringLiteral("機械")};
};

TEST_F(BackupRestoreTest, ServicesBackupAndRestoreEmbedded) {
    const testenv::Dataset ds = datasetWithRows();
    const QString backup = e.env.temp() + QStringLiteral("/saved.fbk");
    ASSERT_TRUE(testenv::writeFile(backup, "old backup"));
    ASSERT_TRUE(dm->BackupFDB(TDM::ProtocolLocal, QString(), ds.database, backup, false));
    EXPECT_GT(QFileInfo(backup).size(), 1000); // the old file was replaced
    EXPECT_FALSE(QFileInfo::exists(ds.folder + QStringLiteral("/placc.fb_")));

    // Changes after the backup are gone once it is restored over the dataset.
    ds.execute(QStringLiteral("DELETE FROM KS_SISAN"));
    ASSERT_TRUE(dm->RestoreFDB(TDM::ProtocolLocal, QString(), ds.database, backup, true));
    EXPECT_FALSE(dm->IBDatabaseDAT.isConnected());
    EXPECT_EQ(assetNames(ds.database), names);
    EXPECT_EQ(count(ds.database, QStringLiteral("OPINF")), 0); // history of the restored data emptied
    EXPECT_FALSE(QFileInfo::exists(ds.folder + QStringLiteral("/placc.rs_")));

    // A restore into a new file that is not an accounting database keeps its history.
    const QString copy = e.env.temp() + QStringLiteral("/other.fdb");
    ds.execute(QStringLiteral("INSERT INTO OPINF (OPCODE, JOBNAME) VALUES (10, 'JOB')"));
    ASSERT_TRUE(dm->BackupFDB(TDM::ProtocolLocal, QString(), ds.database, backup, true));
    ASSERT_TRUE(dm->RestoreFDB(TDM::ProtocolLocal, QString(), copy, backup, false));
    EXPECT_EQ(count(copy, QStringLiteral("OPINF")), 1);
    EXPECT_TRUE(shown->shown().empty()) << shown->messageTexts().join(u'\n').toStdString();
}

TEST_F(BackupRestoreTest, FailedRestoreKeepsTheDatabaseAndAttachedOneIsNotReplaced) {
    const testenv::Dataset ds = datasetWithRows();
    const QString broken = e.env.temp() + QStringLiteral("/broken.fbk");
    ASSERT_TRUE(testenv::writeFile(broken, QByteArray(70000, 'x')));
    EXPECT_FALSE(dm->RestoreFDB(TDM::ProtocolLocal, QString(), ds.database, broken, true));
    EXPECT_EQ(assetNames(ds.database), names);
    EXPECT_FALSE(QFileInfo::exists(ds.folder + QStringLiteral("/placc.rs_")));
    ASSERT_EQ(shown->messageTexts().size(), 1);
    EXPECT_TRUE(shown->messageTexts()[0].contains(QStringLiteral("データベースのリストアに失敗しました。")));

    const QString backup = e.env.temp() + QStringLiteral("/saved.fbk");
    ASSERT_TRUE(dm->BackupFDB(TDM::ProtocolLocal, QString(), ds.database, backup, true));
    ds.execute(QStringLiteral("DELETE FROM KS_SISAN"));
    {
        auto holder = ds.connect(); // this process
        EXPECT_FALSE(dm->RestoreFDB(TDM::ProtocolLocal, QString(), ds.database, backup, true));
        EXPECT_TRUE(shown->messageTexts().last().contains(QStringLiteral("使用中")));
    }
    {
        testenv::HoldingProcess holder(ds.database); // another process
        ASSERT_TRUE(holder.holding());
        EXPECT_FALSE(dm->RestoreFDB(TDM::ProtocolLocal, QString(), ds.database, backup, true));
        EXPECT_TRUE(shown->messageTexts().last().contains(QStringLiteral("使用中")));
    }
    EXPECT_EQ(count(ds.database, QStringLiteral("KS_SISAN")), 0);
}

// A backup cut short, or an empty file, never replaces the dataset, through either route: the dataset
// keeps every byte and its rows. The whole backup restores, so the cut is what fails.
TEST_F(BackupRestoreTest, CutBackupNeverReplacesTheDataset) {
    const testenv::Dataset ds = datasetWithRows();
    const QString good = e.env.temp() + QStringLiteral("/good.fbk");
    ASSERT_TRUE(dm->BackupFDB(TDM::ProtocolLocal, QString(), ds.database, good, true));
    const QByteArray whole = testenv::readFile(good);
    ASSERT_GT(whole.size(), 40000);

    const QList<std::pair<const char*, qsizetype>> cuts{
        {"half", whole.size() / 2},
        {"400 bytes short", whole.size() - 400},
        {"10 % short", whole.size() - whole.size() / 10},
        {"empty", 0},
    };
    using Restore = std::function<bool(const QString&)>;
    const QList<std::pair<const char*, Restore>> routes{
        {"services",
         [&](const QString& f) {
             return dm->RestoreFDB(TDM::ProtocolLocal, QString(), ds.database, f, true);
         }},
        {"gbak", [&](const QString& f) { return dm->RestoreFDBByGbak(QString(), ds.database, f, true); }},
    };
    for (const auto& [routeName, restore] : routes) {
        for (const auto& [cutName, size] : cuts) {
            SCOPED_TRACE(std::string(routeName) + ", " + cutName);
            const QString cut = e.env.temp() + QStringLiteral("/cut.fbk");
            ASSERT_TRUE(testenv::writeFile(cut, whole.left(size)));
            const QByteArray before = testenv::readFile(ds.database);
            const qsizetype messages = shown->messageTexts().size();
            EXPECT_FALSE(restore(cut));
            EXPECT_TRUE(testenv::readFile(ds.database) == before);
            EXPECT_EQ(assetNames(ds.database), names);
            EXPECT_FALSE(QFileInfo::exists(ds.folder + QStringLiteral("/placc.rs_")));
            ASSERT_EQ(shown->messageTexts().size(), messages + 1);
            EXPECT_TRUE(shown->messageTexts().last().contains(
                QStringLiteral("データベースのリストアに失敗しました。")));
        }
        ds.execute(QStringLiteral("DELETE FROM KS_SISAN"));
        ASSERT_TRUE(restore(good)) << shown->messageTexts().join(u'\n').toStdString();
        EXPECT_EQ(assetNames(ds.database), names);
    }
}

TEST_F(BackupRestoreTest, GbakBackupAndRestoreEmbedded) {
    const testenv::Dataset ds = datasetWithRows();
    const QString backup = e.env.temp() + QStringLiteral("/gbak.fbk");
    ASSERT_TRUE(dm->BackupFDBByGbak(QString(), ds.database, backup, false));
    EXPECT_GT(QFileInfo(backup).size(), 1000);
    const QString target = e.env.temp() + QStringLiteral("/restored/placc.fdb");
    ASSERT_TRUE(ForceFolder(e.env.temp() + QStringLiteral("/restored")));
    ASSERT_TRUE(dm->RestoreFDBByGbak(QString(), target, backup, true));
    EXPECT_EQ(assetNames(target), names);
    EXPECT_EQ(count(target, QStringLiteral("OPINF")), 0);
    EXPECT_FALSE(dm->IBDatabaseDAT.isConnected());
    // A missing backup file fails at once, without a message.
    EXPECT_FALSE(dm->RestoreFDBByGbak(QString(), target, e.env.temp() + QStringLiteral("/none.fbk"), true));
    EXPECT_TRUE(shown->shown().empty()) << shown->messageTexts().join(u'\n').toStdString();
}

// gbak that dies, fails, reports an error with exit code 0, or writes nothing: each is a failure and the
// backup that was there survives unchanged. The stand-in also shows that no password is on its command
// line and that it gets the user through its environment.
TEST_F(BackupRestoreTest, FailingGbakKeepsTheOldBackup) {
    const testenv::Dataset ds = datasetWithRows();
    const QString backup = e.env.temp() + QStringLiteral("/keep.fbk");
    const QString argsFile = e.env.temp() + QStringLiteral("/args.txt");
    struct Case {
        const char* name;
        QByteArray script;
        const char* detail;
    };
    const QList<Case> cases{
        {"killed",
         "echo \"$@\" > '" + argsFile.toUtf8() +
             "'\nfor a; do out=$a; done\nhead -c 5000 /dev/zero > \"$out\"\nkill -9 $$\n",
         "異常終了"},
        {"exit 1", "for a; do out=$a; done\necho partial > \"$out\"\nexit 1\n", "終了コード 1"},
        {"log error", "echo \"gbak: ERROR: I/O error\" > \"$2\"\nfor a; do out=$a; done\necho x > \"$out\"\n",
         "ERROR: I/O error"},
        {"no output", "exit 0\n", "作成されませんでした"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(testenv::writeFile(backup, "the old backup"));
        fakeGbak(c.script);
        EXPECT_FALSE(dm->BackupFDBByGbak(QStringLiteral("dbhost"), ds.database, backup, false));
        EXPECT_EQ(testenv::readFile(backup), "the old backup");
        EXPECT_FALSE(QFileInfo::exists(e.env.temp() + QStringLiteral("/keep.fb_")));
        ASSERT_FALSE(shown->messageTexts().isEmpty());
        EXPECT_TRUE(shown->messageTexts().last().contains(
            QStringLiteral("データベースのバックアップに失敗しました。")));
        EXPECT_TRUE(shown->messageTexts().last().contains(QString::fromUtf8(c.detail)))
            << shown->messageTexts().last().toStdString();
    }
    const QByteArray args = testenv::readFile(argsFile);
    EXPECT_TRUE(args.contains("dbhost:" + ds.database.toUtf8())) << args.toStdString();
    EXPECT_FALSE(args.contains(SystemDef.PASSWORD.toUtf8())) << args.toStdString();

    // A lower-case "error" in the log is no failure; the environment holds the user.
    fakeGbak("echo \"no error here $ISC_USER\" > \"$2\"\nfor a; do out=$a; done\necho backup > \"$out\"\n");
    EXPECT_TRUE(dm->BackupFDBByGbak(QStringLiteral("dbhost"), ds.database, backup, false));
    EXPECT_EQ(testenv::readFile(backup), "backup\n");
    EXPECT_TRUE(testenv::readFile(SystemDef.WinTempDir + QStringLiteral("/gbak.log")).contains("PELLAN"));

    // A restore whose tool fails leaves the database as it was.
    const QString saved = e.env.temp() + QStringLiteral("/saved.fbk");
    ASSERT_TRUE(testenv::writeFile(saved, "backup"));
    fakeGbak("for a; do out=$a; done\necho partial > \"${out#*:}\"\nkill -9 $$\n");
    EXPECT_FALSE(dm->RestoreFDBByGbak(QString(), ds.database, saved, true));
    EXPECT_EQ(assetNames(ds.database), names);
    EXPECT_FALSE(QFileInfo::exists(ds.folder + QStringLiteral("/placc.rs_")));
    EXPECT_TRUE(
        shown->messageTexts().last().contains(QStringLiteral("データベースのリストアに失敗しました。")));
}

TEST_F(BackupRestoreTest, BackupAndRestoreAgainstTheServer) {
    if (server().isEmpty())
        GTEST_SKIP() << "QV_FB_SERVER not set (test.sh starts the server)";
    const testenv::Dataset ds = datasetWithRows();
    // gbak on this computer against the server.
    const QString backup = e.env.temp() + QStringLiteral("/server.fbk");
    ASSERT_TRUE(dm->BackupFDBByGbak(server(), ds.database, backup, false));
    const QString viaGbak = e.env.temp() + QStringLiteral("/gbak/placc.fdb");
    ASSERT_TRUE(ForceFolder(e.env.temp() + QStringLiteral("/gbak")));
    ASSERT_TRUE(dm->RestoreFDBByGbak(server(), viaGbak, backup, true));
    EXPECT_EQ(assetNames(viaGbak), names);
    EXPECT_EQ(count(viaGbak, QStringLiteral("OPINF")), 0);

    // The server's services, in client/server mode: the work files are moved by the server's own file
    // procedures.
    ConnectMode = 1;
    SystemDef.HOSTNAME = server();
    dm->IBDatabaseDEF.detach();
    const QString onServer = e.env.temp() + QStringLiteral("/server2.fbk");
    ASSERT_TRUE(testenv::writeFile(onServer, "old"));
    ASSERT_TRUE(dm->BackupFDB(TDM::ProtocolTcp, server(), ds.database, onServer, false));
    EXPECT_GT(QFileInfo(onServer).size(), 1000);
    EXPECT_FALSE(QFileInfo::exists(ds.folder + QStringLiteral("/placc.fb_")));
    ds.execute(QStringLiteral("DELETE FROM KS_SISAN"));
    ASSERT_TRUE(dm->RestoreFDB(TDM::ProtocolTcp, server(), ds.database, onServer, true));
    EXPECT_EQ(assetNames(server() + u':' + ds.database), names);
    EXPECT_FALSE(QFileInfo::exists(ds.folder + QStringLiteral("/placc.rs_")));
    EXPECT_FALSE(dm->IBDatabaseDEF.isConnected());

    // The server's restore of a backup cut in half never replaces the dataset either.
    const QByteArray whole = testenv::readFile(onServer);
    const QString cut = e.env.temp() + QStringLiteral("/cut.fbk");
    ASSERT_TRUE(testenv::writeFile(cut, whole.left(whole.size() / 2)));
    EXPECT_FALSE(dm->RestoreFDB(TDM::ProtocolTcp, server(), ds.database, cut, true));
    EXPECT_EQ(assetNames(server() + u':' + ds.database), names);
    EXPECT_FALSE(QFileInfo::exists(ds.folder + QStringLiteral("/placc.rs_")));
    ASSERT_EQ(shown->messageTexts().size(), 1);
    EXPECT_TRUE(shown->messageTexts()[0].contains(QStringLiteral("データベースのリストアに失敗しました。")));
    shown->clear();
    EXPECT_TRUE(shown->shown().empty()) << shown->messageTexts().join(u'\n').toStdString();
}

TEST_F(BackupRestoreTest, ValidationTellsSoundDamagedAndUnreadable) {
    const testenv::Dataset ds = datasetWithRows();
    EXPECT_TRUE(dm->fnAccDatConnected(QString(), ds.folder, 0));
    EXPECT_EQ(dm->ValidateFDB(TDM::ProtocolLocal, QString(), ds.database), TDM::ValidateResult::Sound);
    EXPECT_TRUE(dm->IBDatabaseDAT.isConnected());
    dm->fnAccDatDisConnected(ds.folder, 0, 0);

    // Pages in the middle of the file overwritten.
    const QString damaged = e.env.temp() + QStringLiteral("/damaged.fdb");
    ASSERT_TRUE(QFile::copy(ds.database, damaged));
    {
        QFile f(damaged);
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        const qint64 size = f.size();
        for (qint64 at = 8192 * 4; at < size - 8192; at += 8192 * 3) {
            f.seek(at + 100);
            f.write(QByteArray(3000, char(0x5A)));
        }
    }
    EXPECT_EQ(dm->ValidateFDB(TDM::ProtocolLocal, QString(), damaged), TDM::ValidateResult::Damaged);

    EXPECT_EQ(dm->ValidateFDB(TDM::ProtocolLocal, QString(), e.env.temp() + QStringLiteral("/none.fdb")),
              TDM::ValidateResult::CouldNotValidate);
    EXPECT_TRUE(shown->shown().empty());
}

} // namespace
