// The backup worker on fixture datasets: its result codes, the trailer of a dataset backup, the
// individual-number rules (asked, excluded through a copy, refused restores, log rows), copy and
// rebuild. Every run goes through the thread with the event loop turning, as callers do.

#include "DataModuleFixture.h"

#include "core/TBackupRestoreThread.h"
#include "core/TBufFileStream.h"
#include "core/uAccFunction2_System.h"
#include "core/z5ComMyNumber.h"
#include "platform/Cp932.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

dev_t deviceOf(const QString& path) {
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_dev : dev_t(0);
}

// A folder on another file system than the test's own folder: a small tmpfs the test mounts below its
// folder when it runs as root, else a folder in /dev/shm when that is another device. It goes with the
// object, the mount too.
class OtherFileSystem {
public:
    OtherFileSystem(const QString& testFolder, const QByteArray& size) {
        const QString point = testFolder + QStringLiteral("/otherfs");
        if (::geteuid() == 0 && QDir().mkpath(point) &&
            ::mount("tmpfs", QFile::encodeName(point).constData(), "tmpfs", MS_NOSUID | MS_NODEV,
                    ("size=" + size + ",mode=0700").constData()) == 0) {
            m_path = point;
            m_mounted = true;
            return;
        }
        if (deviceOf(QStringLiteral("/dev/shm")) != deviceOf(testFolder)) {
            const QString folder = QStringLiteral("/dev/shm/qv-otherfs-%1").arg(::getpid());
            QDir(folder).removeRecursively();
            if (QDir().mkpath(folder))
                m_path = folder;
        }
    }
    ~OtherFileSystem() {
        if (m_mounted)
            ::umount2(QFile::encodeName(m_path).constData(), MNT_DETACH);
        else if (!m_path.isEmpty())
            QDir(m_path).removeRecursively();
    }
    OtherFileSystem(const OtherFileSystem&) = delete;
    OtherFileSystem& operator=(const OtherFileSystem&) = delete;

    // Empty when no other file system could be had.
    const QString& path() const { return m_path; }
    // A tmpfs of the given size (else a folder of the big /dev/shm, which a test cannot fill).
    bool mounted() const { return m_mounted; }

private:
    QString m_path;
    bool m_mounted = false;
};

class BackupRestoreThreadTest : public DataModuleTest {
protected:
    void SetUp() override {
        DataModuleTest::SetUp();
        SystemDef.MYNUMBER_ADM = 0;
    }

    testenv::Dataset dataset(bool myNumbers = false) {
        testenv::Dataset ds = root->addDataset({});
        ds.addAccount({QStringLiteral("100"), QString(), QStringLiteral("固定資産")});
        testenv::AssetSpec asset;
        asset.name = QStringLiteral("建物");
        asset.kcode = QStringLiteral("100");
        ds.addAsset(asset);
        if (myNumbers) {
            ds.setAccReg(QStringLiteral("基本設定"), QStringLiteral("＃USE"), QStringLiteral("整数"),
                         QStringLiteral("1"));
            ds.setAccReg(QStringLiteral("基本設定"), QStringLiteral("＃KEY"), QStringLiteral("文字"),
                         QStringLiteral("abc123"));
            ds.setAccReg(QStringLiteral("基本設定"), QStringLiteral("＃VALUE"), QStringLiteral("文字"),
                         QStringLiteral("secret"));
        }
        return ds;
    }
    static int count(const QString& database, const QString& sql) {
        fb::Database db(database, testenv::databaseUser());
        db.attach();
        return firstInt(db, sql);
    }
    static QString accReg(const QString& database, const QString& key) {
        fb::Database db(database, testenv::databaseUser());
        db.attach();
        fb::Transaction t(db);
        fb::Query q(t, QStringLiteral("SELECT ATEXT FROM ACCREG WHERE ACODE=:K"));
        q.setString("K", key);
        q.open();
        return q.eof() ? QStringLiteral("<none>") : q.field(0).asString();
    }
    static QByteArray md5(const QString& file) {
        return QCryptographicHash::hash(testenv::readFile(file), QCryptographicHash::Md5);
    }

    struct Result {
        bool success;
        TErrInfomation info;
    };
    Result run(TBackupRestoreThread& t) {
        const bool ok = t.RunAndWait(10);
        return {ok, t.ErrInfo};
    }
    Result backup(const QString& database, const QString& file,
                  const std::function<void(TBackupRestoreThread&)>& set = {}) {
        TBackupRestoreThread t(true);
        t.Mode = TBackupRestoreThread::ModeBackup;
        t.Host = QStringLiteral("127.0.0.1");
        t.DatabaseFile = database;
        t.BackupFile = file;
        t.KeepIndexes = 1;
        if (set)
            set(t);
        return run(t);
    }
    Result restore(const QString& database, const QString& file, int myNumberCheck = 1) {
        TBackupRestoreThread t(true);
        t.ReadZoneInfo(file);
        t.Mode = TBackupRestoreThread::ModeRestore;
        t.Host = QStringLiteral("127.0.0.1");
        t.DatabaseFile = database;
        t.BackupFile = file;
        t.KeepIndexes = 1;
        t.MyNumberCheck = quint8(myNumberCheck);
        t.MyNumberLog = 1;
        t.ProcName = QStringLiteral("データ選択");
        return run(t);
    }
    static void zoneFrom(TBackupRestoreThread& t, int useMyNumber) {
        t.ZoneShougou = QStringLiteral("株式会社テスト");
        t.ZoneKishu = QStringLiteral("2024/04/01");
        t.ZoneKimatu = QStringLiteral("2025/03/31");
        t.ZoneSiwake = 12;
        t.ZoneTotalSiwake = 15;
        t.ZoneDataVersion = QStringLiteral("13.0.0");
        t.ZoneGassan = 0;
        t.ZoneUseMyNumber = useMyNumber;
        t.WriteZone = 1;
    }
    QString file(const QString& name) const { return e.env.temp() + u'/' + name; }
};

TEST_F(BackupRestoreThreadTest, TrailerBytesAndReading) {
    const QString f = file(QStringLiteral("zone.fbk"));
    ASSERT_TRUE(testenv::writeFile(f, "BACKUPDATA"));
    TBackupRestoreThread t(true);
    t.WriteZoneInfo(f); // no company name: no trailer
    EXPECT_EQ(testenv::readFile(f), "BACKUPDATA");
    EXPECT_FALSE(t.ReadZoneInfo(f));
    EXPECT_TRUE(t.ZoneShougou.isEmpty());
    EXPECT_EQ(t.ZoneSiwake, 0);

    zoneFrom(t, 1);
    t.WriteZoneInfo(f);
    const QByteArray expected =
        "BACKUPDATA## TesuvioZone\r\nSHOUGOU=" + cp932::encode(QStringLiteral("株式会社テスト")) +
        "\r\nKISHU=2024/04/01\r\nKIMATU=2025/03/31\r\nSIWAKE=12\r\nTOTALSIWAKE=15\r\n"
        "DATAVARSION=13.0.0\r\nGASSAN=0\r\nUSEMYNUMBER=1\r\n";
    EXPECT_EQ(testenv::readFile(f), expected);

    TBackupRestoreThread r(true);
    ASSERT_TRUE(r.ReadZoneInfo(f));
    EXPECT_EQ(r.ZoneShougou, QStringLiteral("株式会社テスト"));
    EXPECT_EQ(r.ZoneKimatu, QStringLiteral("2025/03/31"));
    EXPECT_EQ(r.ZoneTotalSiwake, 15);
    EXPECT_EQ(r.ZoneDataVersion, QStringLiteral("13.0.0"));
    EXPECT_EQ(r.ZoneUseMyNumber, 1);
    EXPECT_EQ(testenv::readFile(f), expected); // reading never cuts the file

    const QString cut = file(QStringLiteral("cut.fbk"));
    EXPECT_TRUE(TBackupRestoreThread::CopyWithoutZone(f, cut));
    EXPECT_EQ(testenv::readFile(cut), "BACKUPDATA");
    EXPECT_FALSE(TBackupRestoreThread::CopyWithoutZone(cut, file(QStringLiteral("none.fbk"))));
    EXPECT_FALSE(QFileInfo::exists(file(QStringLiteral("none.fbk"))));
}

// A saved dataset with its trailer comes back over later changes; the operator's backup file is the
// same byte for byte afterwards, trailer included.
TEST_F(BackupRestoreThreadTest, BackupThenRestoreKeepsTheBackupFile) {
    const testenv::Dataset ds = dataset();
    const QString f = file(QStringLiteral("saved.fbk"));
    const Result b = backup(ds.database, f, [](TBackupRestoreThread& t) { zoneFrom(t, 0); });
    ASSERT_TRUE(b.success) << b.info.Message.toStdString();
    EXPECT_FALSE(b.info.Error);
    EXPECT_TRUE(testenv::readFile(f).contains("## TesuvioZone\r\nSHOUGOU="));
    const QByteArray before = md5(f);

    ds.execute(QStringLiteral("DELETE FROM KS_SISAN"));
    const Result r = restore(ds.database, f);
    ASSERT_TRUE(r.success) << r.info.Message.toStdString() << shown->messageTexts().join(u'\n').toStdString();
    EXPECT_EQ(count(ds.database, QStringLiteral("SELECT COUNT(*) FROM KS_SISAN")), 1);
    EXPECT_EQ(md5(f), before);
    EXPECT_TRUE(shown->shown().empty()) << shown->messageTexts().join(u'\n').toStdString();
}

TEST_F(BackupRestoreThreadTest, ResultCodes) {
    const testenv::Dataset ds = dataset();
    const QString good = file(QStringLiteral("good.fbk"));
    ASSERT_TRUE(backup(ds.database, good).success);
    const QString broken = file(QStringLiteral("broken.fbk"));
    ASSERT_TRUE(testenv::writeFile(broken, QByteArray(70000, 'x')));
    const QString other = file(QStringLiteral("other.fdb"));
    ASSERT_TRUE(testenv::writeFile(other, "not ours"));

    struct Case {
        const char* name;
        std::function<Result()> run;
        QString operation, code, message, detail;
    };
    const QString backupStopped = QStringLiteral("データベースの保存処理を中止しました。");
    const QString restoreStopped = QStringLiteral("データベースの復元処理を中止しました。");
    const QString notOurs = QStringLiteral("指定されたファイルはペラン財務用のデータではありません。");
    std::unique_ptr<testenv::HoldingProcess> holder;
    const std::vector<Case> cases{
        {"backup of another file", [&] { return backup(other, file(QStringLiteral("x.fbk"))); },
         QStringLiteral("BackupDatabase"), QStringLiteral("101"), notOurs, backupStopped},
        {"backup of a missing dataset",
         [&] {
             return backup(e.env.temp() + QStringLiteral("/none/placc.fdb"), file(QStringLiteral("y.fbk")));
         },
         QStringLiteral("BackupDatabase"), QStringLiteral("100"),
         QStringLiteral("データベースの保存に失敗しました。"), backupStopped},
        {"restore into another file", [&] { return restore(other, good); }, QStringLiteral("RestoreDatabase"),
         QStringLiteral("201"), notOurs, restoreStopped},
        {"restore of a broken backup", [&] { return restore(ds.database, broken); },
         QStringLiteral("RestoreDatabase"), QStringLiteral("200"),
         QStringLiteral("データベースの復元に失敗しました。"), restoreStopped},
        {"restore onto data in use",
         [&] {
             holder = std::make_unique<testenv::HoldingProcess>(ds.database);
             EXPECT_TRUE(holder->holding());
             Result r = restore(ds.database, good);
             holder.reset();
             return r;
         },
         QStringLiteral("RestoreDatabase"), QStringLiteral("202"),
         QStringLiteral("このデータは、他のオペレータが使用中のため復元処理を行うことが出来ません。"),
         restoreStopped},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Result r = c.run();
        EXPECT_FALSE(r.success);
        EXPECT_TRUE(r.info.Error);
        EXPECT_EQ(r.info.Operation, c.operation);
        EXPECT_EQ(r.info.Code, c.code);
        EXPECT_EQ(r.info.Message, c.message);
        EXPECT_EQ(r.info.Detail, c.detail);
    }
    EXPECT_EQ(testenv::readFile(other), "not ours");
    EXPECT_FALSE(QFileInfo::exists(file(QStringLiteral("x.fbk"))));
    EXPECT_EQ(count(ds.database, QStringLiteral("SELECT COUNT(*) FROM KS_SISAN")), 1);
}

// An operator who does not administer individual numbers saves data that manages them: the box says
// so, the backup holds no numbers (and says so in its trailer), and the dataset keeps its settings
// without ever having lost them. Restoring that backup onto the data that manages numbers is refused.
TEST_F(BackupRestoreThreadTest, BackupWithoutIndividualNumbersWorksOnACopy) {
    const testenv::Dataset ds = dataset(true);
    const QString f = file(QStringLiteral("nomn.fbk"));
    const Result b = backup(ds.database, f, [](TBackupRestoreThread& t) {
        zoneFrom(t, 1);
        t.AskMyNumber = 1;
        t.MyNumberLog = 1;
        t.ProcName = QStringLiteral("データ選択");
    });
    ASSERT_TRUE(b.success) << b.info.Message.toStdString() << shown->messageTexts().join(u'\n').toStdString();
    EXPECT_EQ(shown->messageTexts(),
              QStringList{QStringLiteral("保存データにマイナンバー情報は含まれません。")});
    EXPECT_TRUE(testenv::readFile(f).endsWith("USEMYNUMBER=0\r\n"));
    // The dataset: settings as they were, no log row of a clearing, no copy left behind.
    EXPECT_EQ(accReg(ds.database, QStringLiteral("＃USE")), QStringLiteral("1"));
    EXPECT_EQ(accReg(ds.database, QStringLiteral("＃KEY")), QStringLiteral("abc123"));
    EXPECT_EQ(count(ds.database, QStringLiteral("SELECT COUNT(*) FROM MYNUMBER_LOG")), 0);
    EXPECT_FALSE(QFileInfo::exists(ds.folder + QStringLiteral("/mynumber_10001")));

    // The backup restored elsewhere: no numbers, and the log row of the clearing.
    const testenv::Dataset other = root->addDataset({});
    shown->clear();
    ASSERT_TRUE(restore(other.database, f).success) << shown->messageTexts().join(u'\n').toStdString();
    EXPECT_EQ(accReg(other.database, QStringLiteral("＃USE")), QStringLiteral("0"));
    EXPECT_EQ(accReg(other.database, QStringLiteral("＃KEY")).trimmed(), QString());
    EXPECT_EQ(accReg(other.database, QStringLiteral("＃VALUE")).trimmed(), QString());
    EXPECT_EQ(count(other.database, QStringLiteral("SELECT COUNT(*) FROM MYNUMBER_LOG WHERE FSTATE=3 AND "
                                                   "FPROCNAME='データ選択＞データ保存'")),
              1);

    // Onto the data that manages numbers: refused, nothing restored.
    ds.execute(QStringLiteral("DELETE FROM KS_SISAN"));
    const Result r = restore(ds.database, f);
    EXPECT_FALSE(r.success);
    EXPECT_EQ(r.info.Code, QStringLiteral("200"));
    EXPECT_EQ(r.info.Message,
              QStringLiteral("マイナンバー情報を管理しているデータへの復元はおこなえません。"));
    EXPECT_EQ(count(ds.database, QStringLiteral("SELECT COUNT(*) FROM KS_SISAN")), 0);
}

// The administrator keeps the numbers in the backup after giving the password; the save is logged in
// the dataset, and a restore onto other data of the company carries the log over and logs itself.
TEST_F(BackupRestoreThreadTest, AdministratorSavesAndRestoresWithIndividualNumbers) {
    SystemDef.MYNUMBER_ADM = 1;
    const testenv::Dataset ds = dataset(true);
    const auto withNumbers = [](TBackupRestoreThread& t) {
        zoneFrom(t, 1);
        t.AskMyNumber = 1;
        t.MyNumberLog = 1;
        t.ProcName = QStringLiteral("データ選択");
    };
    // Three wrong passwords stop the save.
    const QString refused = file(QStringLiteral("refused.fbk"));
    shown->queueAnswer(ui::mrYes);
    for (int i = 0; i < 3; ++i)
        shown->queueInput(QStringLiteral("wrong"));
    const Result stop = backup(ds.database, refused, withNumbers);
    EXPECT_FALSE(stop.success);
    EXPECT_EQ(stop.info.Code, QStringLiteral("100"));
    EXPECT_EQ(stop.info.Message, QStringLiteral("データベースの保存処理を中止しました。"));
    EXPECT_TRUE(stop.info.Detail.isEmpty());
    EXPECT_FALSE(QFileInfo::exists(refused));

    const QString f = file(QStringLiteral("mn.fbk"));
    shown->clear();
    shown->queueAnswer(ui::mrYes);
    shown->queueInput(QStringLiteral(" abc 123 "));
    ASSERT_TRUE(backup(ds.database, f, withNumbers).success)
        << shown->messageTexts().join(u'\n').toStdString();
    EXPECT_EQ(shown->messageTexts(),
              QStringList{QStringLiteral("保存データにマイナンバー情報を含めますか？")});
    EXPECT_TRUE(testenv::readFile(f).endsWith("USEMYNUMBER=1\r\n"));
    EXPECT_EQ(count(ds.database, QStringLiteral("SELECT COUNT(*) FROM MYNUMBER_LOG WHERE FSTATE=6")), 1);

    // Restored over a copy of the company that has a log row of its own: the row survives, the
    // restore is logged.
    const testenv::Dataset other = root->addDataset({});
    other.execute(QStringLiteral("INSERT INTO MYNUMBER_LOG (FHIZUKE,FSERIAL,FOPCODE,FHOST,FSTATE) "
                                 "VALUES ('2020-01-01 10:00:00','1.0','10','PC',1)"));
    ASSERT_TRUE(restore(other.database, f).success) << shown->messageTexts().join(u'\n').toStdString();
    EXPECT_EQ(accReg(other.database, QStringLiteral("＃KEY")), QStringLiteral("abc123"));
    EXPECT_EQ(count(other.database, QStringLiteral("SELECT COUNT(*) FROM MYNUMBER_LOG WHERE FSTATE=1")), 1);
    EXPECT_EQ(count(other.database, QStringLiteral("SELECT COUNT(*) FROM MYNUMBER_LOG WHERE FSTATE=6")), 1);
    EXPECT_EQ(
        count(other.database, QStringLiteral("SELECT COUNT(*) FROM MYNUMBER_LOG WHERE FSTATE=7 AND "
                                             "FCOMMENT='マイナンバー情報を含むデータが復元されました。'")),
        1);
}

TEST_F(BackupRestoreThreadTest, CopyAndRebuild) {
    const testenv::Dataset ds = dataset();
    const testenv::Dataset target = root->addDataset({});
    TBackupRestoreThread copy(true);
    copy.Mode = TBackupRestoreThread::ModeCopy;
    copy.Host = QStringLiteral("127.0.0.1");
    copy.DatabaseFile = ds.database;
    copy.TargetFile = target.database;
    copy.BackupFile = file(QStringLiteral("copy.fbk"));
    copy.KeepIndexes = 1;
    const Result c = run(copy);
    ASSERT_TRUE(c.success) << shown->messageTexts().join(u'\n').toStdString();
    EXPECT_FALSE(c.info.Error);
    EXPECT_EQ(count(target.database, QStringLiteral("SELECT COUNT(*) FROM KS_SISAN")), 1);

    TBackupRestoreThread rebuild(true);
    rebuild.Mode = TBackupRestoreThread::ModeRebuild;
    rebuild.DatabaseFile = ds.database;
    rebuild.BackupFile = file(QStringLiteral("rebuild.fbk"));
    rebuild.KeepIndexes = 1;
    ASSERT_TRUE(run(rebuild).success);
    EXPECT_EQ(rebuild.TargetFile, ds.database);
    EXPECT_EQ(count(ds.database, QStringLiteral("SELECT COUNT(*) FROM KS_SISAN")), 1);

    // A copy that fails reports only the flag.
    TBackupRestoreThread failing(true);
    failing.Mode = TBackupRestoreThread::ModeCopy;
    failing.DatabaseFile = e.env.temp() + QStringLiteral("/none/placc.fdb");
    failing.TargetFile = target.database;
    failing.BackupFile = file(QStringLiteral("f.fbk"));
    const Result f = run(failing);
    EXPECT_FALSE(f.success);
    EXPECT_TRUE(f.info.Error);
    EXPECT_TRUE(f.info.Code.isEmpty());
    EXPECT_TRUE(f.info.Message.isEmpty());
}

// A backup cut short whose last 20 KB start with a planted trailer marker: the restore cuts the file at
// the marker and must then refuse it, through the services and through gbak; the dataset stays as it
// was. The same backup whole restores.
TEST_F(BackupRestoreThreadTest, PlantedTrailerInACutBackupIsRefused) {
    const testenv::Dataset ds = dataset();
    const QString good = file(QStringLiteral("good.fbk"));
    ASSERT_TRUE(backup(ds.database, good, [](TBackupRestoreThread& t) {
                    t.MyNumberCheck = 0;
                    zoneFrom(t, 0);
                }).success);
    QByteArray planted = testenv::readFile(good);
    QString tail;
    const qint64 marker = FindTextInFile(good, TBackupRestoreThread::ZoneMarker, tail);
    ASSERT_GT(marker, 40000);
    planted = planted.left(marker);
    planted.replace(planted.size() - 20 * 1024, TBackupRestoreThread::ZoneMarker.size(),
                    TBackupRestoreThread::ZoneMarker);
    const QString cut = file(QStringLiteral("planted.fbk"));
    ASSERT_TRUE(testenv::writeFile(cut, planted));

    const auto restoreBy = [&](int transferKind, const QString& host, const QString& backupFile) {
        TBackupRestoreThread t(true);
        t.ReadZoneInfo(backupFile);
        t.Mode = TBackupRestoreThread::ModeRestore;
        t.TransferKind = quint8(transferKind);
        t.Host = host;
        t.DatabaseFile = ds.database;
        t.BackupFile = backupFile;
        t.KeepIndexes = 1;
        t.MyNumberCheck = 0;
        return run(t);
    };
    for (const int transferKind : {0, 1}) { // services; gbak (no file-manager database)
        SCOPED_TRACE(transferKind == 0 ? "services" : "gbak");
        const Result r =
            restoreBy(transferKind, transferKind == 0 ? QStringLiteral("127.0.0.1") : QString(), cut);
        EXPECT_FALSE(r.success);
        EXPECT_EQ(r.info.Code, QStringLiteral("200"));
        EXPECT_FALSE(QFileInfo::exists(ds.folder + QStringLiteral("/placc.rs_")));
        EXPECT_EQ(count(ds.database, QStringLiteral("SELECT COUNT(*) FROM KS_SISAN")), 1);
        EXPECT_EQ(count(ds.database, QStringLiteral("SELECT COUNT(*) FROM ACCDEF1")), 1);
        EXPECT_EQ(testenv::readFile(cut), planted); // the operator's file as it was

        ds.execute(QStringLiteral("DELETE FROM KS_SISAN"));
        const Result whole =
            restoreBy(transferKind, transferKind == 0 ? QStringLiteral("127.0.0.1") : QString(), good);
        ASSERT_TRUE(whole.success) << shown->messageTexts().join(u'\n').toStdString();
        EXPECT_EQ(count(ds.database, QStringLiteral("SELECT COUNT(*) FROM KS_SISAN")), 1);
    }
}

// A backup with its trailer into a folder on another file system (another disk, a stick, tmpfs) is
// made there and restores. On a full file system it fails, leaves no work file and keeps the old
// backup whole.
TEST_F(BackupRestoreThreadTest, BackupToAnotherFileSystem) {
    OtherFileSystem other(e.env.path(), "8m");
    if (other.path().isEmpty())
        GTEST_SKIP() << "no other file system: /dev/shm is on the test folder's device and mounting a "
                        "tmpfs needs root";
    const testenv::Dataset ds = dataset();
    const QString target = other.path() + QStringLiteral("/placc.fbk");
    ASSERT_TRUE(testenv::writeFile(target, "the old backup"));
    const auto save = [&] {
        return backup(ds.database, target, [](TBackupRestoreThread& t) {
            t.MyNumberCheck = 0;
            zoneFrom(t, 0);
        });
    };
    const Result b = save();
    ASSERT_TRUE(b.success) << b.info.Message.toStdString() << ' ' << b.info.Detail.toStdString() << ' '
                           << shown->messageTexts().join(u'\n').toStdString();
    TBackupRestoreThread zone(true);
    EXPECT_TRUE(zone.ReadZoneInfo(target));
    EXPECT_EQ(zone.ZoneShougou, QStringLiteral("株式会社テスト"));
    EXPECT_EQ(QDir(other.path()).entryList(QDir::Files), QStringList{QStringLiteral("placc.fbk")});
    ds.execute(QStringLiteral("DELETE FROM KS_SISAN"));
    const Result r = restore(ds.database, target, 0);
    ASSERT_TRUE(r.success) << r.info.Message.toStdString() << shown->messageTexts().join(u'\n').toStdString();
    EXPECT_EQ(count(ds.database, QStringLiteral("SELECT COUNT(*) FROM KS_SISAN")), 1);

    if (!other.mounted()) {
        std::printf("the full file system is not tried: /dev/shm cannot be filled, mounting needs root\n");
        return;
    }
    // Filled up to 64 KB: far less than a backup takes.
    const QByteArray old = testenv::readFile(target);
    {
        QFile filler(other.path() + QStringLiteral("/filler"));
        ASSERT_TRUE(filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
        const QByteArray block(64 * 1024, 'f');
        while (filler.write(block) == block.size()) {
        }
        ASSERT_TRUE(filler.resize(filler.size() / block.size() * block.size() - block.size()));
    }
    const qsizetype messages = shown->messageTexts().size();
    const Result full = save();
    EXPECT_FALSE(full.success);
    EXPECT_EQ(full.info.Code, QStringLiteral("100"));
    EXPECT_GT(shown->messageTexts().size(), messages);
    EXPECT_TRUE(testenv::readFile(target) == old);
    QStringList left = QDir(other.path()).entryList(QDir::Files);
    left.sort();
    EXPECT_EQ(left, (QStringList{QStringLiteral("filler"), QStringLiteral("placc.fbk")}));
}

// Client/server mode with the backup file on this computer: through the file-manager database's
// transfer table when it exists, else through gbak; both ways restore again.
TEST_F(BackupRestoreThreadTest, TransferThroughTheServer) {
    const QString server = qEnvironmentVariable("QV_FB_SERVER");
    if (server.isEmpty())
        GTEST_SKIP() << "QV_FB_SERVER not set (test.sh starts the server)";
    const testenv::Dataset ds = dataset();
    const testenv::Dataset target = root->addDataset({});
    ASSERT_TRUE(e.logOnToServer(server, root->dataDir())) << shown->messageTexts().join(u'\n').toStdString();
    const auto transfer = [&](int mode, const QString& database, const QString& file) {
        TBackupRestoreThread t(true);
        t.Mode = mode;
        t.TransferKind = 1;
        t.MyNumberCheck = 0;
        t.Host = server;
        t.DatabaseFile = database;
        t.BackupFile = file;
        t.KeepIndexes = 1;
        return run(t);
    };
    for (const bool fileManager : {true, false}) {
        SCOPED_TRACE(fileManager ? "file manager" : "gbak");
        const QString plfileman = SystemDef.SYSDIR + QStringLiteral("/plfileman.fdb");
        if (fileManager)
            testenv::createDatabaseFromScript(testenv::fileManagerSchemaScript(), plfileman);
        else
            QFile::remove(plfileman);
        const QString f = file(fileManager ? QStringLiteral("fm.fbk") : QStringLiteral("gbak.fbk"));
        const Result b = transfer(TBackupRestoreThread::ModeBackup, ds.database, f);
        ASSERT_TRUE(b.success) << b.info.Message.toStdString()
                               << shown->messageTexts().join(u'\n').toStdString();
        EXPECT_GT(QFileInfo(f).size(), 1000);
        target.execute(QStringLiteral("DELETE FROM KS_SISAN"));
        const Result r = transfer(TBackupRestoreThread::ModeRestore, target.database, f);
        ASSERT_TRUE(r.success) << r.info.Message.toStdString()
                               << shown->messageTexts().join(u'\n').toStdString();
        EXPECT_EQ(count(server + u':' + target.database, QStringLiteral("SELECT COUNT(*) FROM KS_SISAN")), 1);
        if (fileManager) {
            EXPECT_TRUE(QFileInfo::exists(SystemDef.ServerDriveDir + u'/' +
                                          QStringLiteral("placc.%1").arg(SystemDef.OPCODE)));
            EXPECT_EQ(count(server + u':' + plfileman, QStringLiteral("SELECT COUNT(*) FROM FILETRANS")), 0);
        }
    }
    EXPECT_TRUE(shown->shown().empty()) << shown->messageTexts().join(u'\n').toStdString();
}

} // namespace
