#include "core/DataModule.h"
#include "core/TDataInfomation.h"
#include "core/uAccFunction2.h"
#include "core/uAccFunction_AccReg.h"
#include "core/uAccRecord.h"
#include "core/z5AppInfo.h"
#include "platform/Cp932.h"
#include "platform/IniFile.h"
#include "support/DmFixture.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

class DataInfomationTest : public ::testing::Test {
protected:
    QString iniOf(const testenv::Dataset& ds) const { return ds.folder + QStringLiteral("/placc.ini"); }

    testenv::DmEnvironment e;
};

TEST_F(DataInfomationTest, DatabaseRecordCarriesIdentityCountsAndVersion) {
    testenv::CompanySpec company;
    company.name = QStringLiteral("情報株式会社");
    company.code = QStringLiteral("A100");
    const testenv::Dataset ds = e.root->addDataset(company);
    ds.execute(QStringLiteral("UPDATE ACCDEF1 SET SITEN=1, BUMON=1, CLOUD_LINE=3, READ_ONLY=1 WHERE REC=1"));
    ds.execute(QStringLiteral("INSERT INTO SISETUMST (SCODE,SNAME,SIWAKECOUNT) VALUES ('01','本店',120)"));
    ds.execute(QStringLiteral("INSERT INTO SISETUMST (SCODE,SNAME,SIWAKECOUNT) VALUES ('02','支店',30)"));
    ds.execute(QStringLiteral("INSERT INTO BUMONMST (BCODE,BNAME) VALUES ('1','営業')"));

    TDataInfomation info;
    TDataInfomationRec rec;
    EXPECT_EQ(info.GetDataInfoRecOfFolder(ds.folder, rec), 1);
    EXPECT_FALSE(e.dm->IBDatabaseDAT.isConnected());
    EXPECT_EQ(rec.SHOUGOU, QStringLiteral("情報株式会社"));
    EXPECT_EQ(rec.CODE, QStringLiteral("A100"));
    EXPECT_EQ(rec.KISHU, "2024/04/01");
    EXPECT_EQ(rec.KIMATU, "2025/03/31");
    EXPECT_EQ(rec.SITENCNT, 2);
    EXPECT_EQ(rec.BUMONCNT, 1);
    EXPECT_EQ(rec.SIWAKE, 150);
    EXPECT_EQ(rec.TOTALSIWAKE, 150);
    EXPECT_EQ(rec.MAJOR, 13);
    EXPECT_EQ(rec.VERSION2, QStringLiteral("13.0"));
    EXPECT_EQ(rec.CLOUD_SHARE, 1);
    EXPECT_EQ(rec.READ_ONLY, 1);
    EXPECT_EQ(rec.STATUS, 1);

    // Reading the record creates the two typed settings it reads.
    ASSERT_TRUE(e.dm->fnAccDatConnected(QString(), ds.folder, 0));
    EXPECT_EQ(
        GetAccReg(QStringLiteral("基本設定"), QStringLiteral("合算データ区分"), QStringLiteral("文字"), {}),
        QStringLiteral("0"));
    e.dm->fnAccDatDisConnected(ds.folder, 0, 0);
    EXPECT_EQ(info.GetDataInfoRecOfFolder(e.root->dataDir() + QStringLiteral("/0077"), rec), 0);
    EXPECT_TRUE(e.ui->shown().empty());
}

TEST_F(DataInfomationTest, IniReadingTakesDefaultsAndCreatesAMissingIni) {
    TDataInfomation info;
    TDataInfomationRec rec;
    EXPECT_EQ(info.ReadIniFile(QString(), e.root->dataDir() + QStringLiteral("/0050"), rec), 0);
    EXPECT_EQ(rec.STATUS, 1);
    EXPECT_EQ(rec.SHARE_STATUS, 1);
    EXPECT_EQ(info.ReadIniFile(QString(), QString(), rec), 1);

    testenv::CompanySpec company;
    company.name = QStringLiteral("無印商店");
    const testenv::Dataset ds = e.root->addDataset(company);
    ASSERT_TRUE(QFile::remove(iniOf(ds)));
    EXPECT_EQ(info.ReadIniFile(QString(), ds.folder, rec), 1);
    EXPECT_TRUE(QFile::exists(iniOf(ds)));
    EXPECT_EQ(rec.STATUS, 1);
    EXPECT_EQ(rec.OPCODE, 0);
    EXPECT_EQ(rec.SHOUGOU, QStringLiteral("無印商店"));

    IniFile ini(iniOf(ds));
    ini.deleteKey("DATAINFO", "DATALISTNAME");
    ini.writeString("DATAINFO", "VERSION1", "12.1");
    ini.deleteKey("DATASTS", "STATUS");
    EXPECT_EQ(info.ReadDataIni(ds.folder, rec), 1);
    EXPECT_EQ(rec.DATALISTNAME, QStringLiteral("無印商店"));
    EXPECT_EQ(rec.MAJOR, 12);
    EXPECT_EQ(rec.MINOR1, 1);
    EXPECT_EQ(rec.MINOR2, 0);
    EXPECT_EQ(rec.STATUS, 1);
}

TEST_F(DataInfomationTest, StatusKeysCarryTheOperatorOnlyWhileSet) {
    const testenv::Dataset ds = e.root->addDataset({});
    TDataInfomation info;
    info.SetDataStatus(ds.folder, 3);
    IniFile ini(iniOf(ds));
    EXPECT_EQ(ini.readString("DATASTS", "STATUS"), "3");
    EXPECT_EQ(ini.readString("DATASTS", "OPCODE"), QString::number(SystemDef.OPCODE));
    EXPECT_EQ(ini.readString("DATASTS", "OPERATOR"), QStringLiteral("管理者"));
    EXPECT_EQ(cp932::decode(testenv::readFile(iniOf(ds))).count(QStringLiteral("管理者")), 1);
    info.SetDataStatus(ds.folder, 1);
    ini.reload();
    EXPECT_EQ(ini.readString("DATASTS", "STATUS"), "1");
    EXPECT_FALSE(ini.valueExists("DATASTS", "OPCODE"));
    EXPECT_FALSE(ini.valueExists("DATASTS", "OPERATOR"));

    EXPECT_FALSE(info.SetShareStatusIfChanged(ds.folder, 1));
    EXPECT_TRUE(info.SetShareStatusIfChanged(ds.folder, 2));
    EXPECT_FALSE(info.SetShareStatusIfChanged(ds.folder, 2));

    // Client/server mode keeps no ini.
    const QByteArray before = testenv::readFile(iniOf(ds));
    info.ConnectMode = 1;
    info.SetDataStatus(ds.folder, 4);
    info.WriteIniFile(ds.folder, QString(), TDataInfomationRec());
    EXPECT_EQ(testenv::readFile(iniOf(ds)), before);
}

// A dataset's ini replaced by a symbolic link (on a shared folder anyone may plant one) is never written
// through: the write is refused, the operator is told, and the file the link names stays as it was.
TEST_F(DataInfomationTest, ASymlinkedIniIsRefusedAndTheFileItNamesKept) {
    const testenv::Dataset ds = e.root->addDataset({});
    const QString outside = e.env.path() + QStringLiteral("/outside.txt");
    ASSERT_TRUE(testenv::writeFile(outside, "not an ini\n"));
    ASSERT_TRUE(QFile::remove(iniOf(ds)));
    ASSERT_TRUE(QFile::link(outside, iniOf(ds)));

    // Opening and closing the dataset marks it in the ini.
    e.ui->clear();
    e.dm->fnAccDatConnected(QString(), ds.folder, 1);
    e.dm->fnAccDatDisConnected(ds.folder, 1, 0);
    const QString told = e.ui->messageTexts().join(u'\n');
    EXPECT_TRUE(told.contains(QStringLiteral("シンボリックリンクには書き込めません。")))
        << told.toStdString();
    EXPECT_TRUE(told.contains(iniOf(ds))) << told.toStdString();

    TDataInfomation info;
    EXPECT_THROW(info.SetDataStatus(ds.folder, 3), std::runtime_error);
    EXPECT_EQ(testenv::readFile(outside), QByteArray("not an ini\n"));
    EXPECT_TRUE(QFileInfo(iniOf(ds)).isSymLink());
    EXPECT_EQ(QDir(ds.folder).entryList({QStringLiteral("*.tmp")}, QDir::Files | QDir::Hidden),
              QStringList());
}

TEST_F(DataInfomationTest, RefreshRewritesASectionOrTheWholeIniFromTheDatabase) {
    testenv::CompanySpec company;
    company.name = QStringLiteral("更新前");
    const testenv::Dataset ds = e.root->addDataset(company);
    ds.execute(QStringLiteral("UPDATE ACCDEF1 SET SHOUGOU='更新後' WHERE REC=1"));
    TDataInfomation info;
    info.SetDataStatus(ds.folder, 4);
    info.RefreshIniFile(ds.folder, TDataInfomation::SectionInfo);
    IniFile ini(iniOf(ds));
    EXPECT_EQ(ini.readString("DATAINFO", "SHOUGOU"), QStringLiteral("更新後"));
    EXPECT_EQ(ini.readString("DATASTS", "STATUS"), "4");
    info.RefreshIniFile(ds.folder, TDataInfomation::SectionStatus);
    ini.reload();
    EXPECT_EQ(ini.readString("DATASTS", "STATUS"), "1");
    EXPECT_FALSE(ini.valueExists("DATASTS", "OPCODE"));
    ASSERT_TRUE(QFile::remove(iniOf(ds)));
    info.RefreshIniFile(ds.folder, QString());
    ini.reload();
    EXPECT_EQ(ini.readString("DATASTS", "STATUS"), "1");
    EXPECT_EQ(ini.readString("DATAINFO", "SHOUGOU"), QStringLiteral("更新後"));
    EXPECT_FALSE(e.dm->IBDatabaseDAT.isConnected());
}

TEST_F(DataInfomationTest, ClientServerLockRowIsReadWithoutOpeningTheDataset) {
    e.connectSystem();
    testenv::CompanySpec company;
    company.name = QStringLiteral("施錠商事");
    const testenv::Dataset ds = e.root->addDataset(company, 6);
    e.executeSystem(QStringLiteral("UPDATE DATALIST SET DATALOCK=10 WHERE REC=6"));
    ConnectMode = 1;
    TDataInfomation info;
    info.ConnectMode = 1;
    TDataInfomationRec rec;
    EXPECT_EQ(info.ReadIniFile(QString(), ds.folder, rec), 0);
    EXPECT_EQ(rec.STATUS, 3);
    EXPECT_EQ(rec.OPCODE, 10000 * 10000 + 10);
    EXPECT_EQ(rec.OPERATOR, QStringLiteral("管理者"));
    EXPECT_EQ(rec.SHOUGOU, QStringLiteral("施錠商事"));
    EXPECT_EQ(rec.KISHU, "2024/04/01");
    EXPECT_FALSE(e.dm->IBDatabaseDAT.isConnected());
}

TEST_F(DataInfomationTest, TitleIsCutToFortyBytesWithoutHalvingACharacter) {
    const testenv::Dataset ds = e.root->addDataset({});
    TDataInfomation info;
    TDataInfomationRec rec;
    rec.DATALISTNAME = QStringLiteral("A") + QString(30, QChar(0x3042)); // 1 + 60 bytes
    rec.UPDATE_LOCK = 1;
    rec.READ_ONLY = 1;
    info.UpdateDataInfomation(QString(), ds.folder, rec);
    EXPECT_EQ(rec.DATALISTNAME, QStringLiteral("A") + QString(19, QChar(0x3042)));
    EXPECT_FALSE(e.dm->IBDatabaseDAT.isConnected());
    TDataInfomationRec read;
    ASSERT_EQ(info.GetDataInfoRecOfFolder(ds.folder, read), 1);
    EXPECT_EQ(read.DATALISTNAME, rec.DATALISTNAME);
    EXPECT_EQ(read.UPDATE_LOCK, 1);
    EXPECT_EQ(read.READ_ONLY, 1);
    EXPECT_EQ(read.MAJOR, 13);
}

TEST_F(DataInfomationTest, VersionLabels) {
    TDataInfomation info;
    EXPECT_EQ(info.GetDataVersionLabel(0, 5), QStringLiteral("評価版"));
    EXPECT_EQ(info.GetDataVersionLabel(2, 0), QStringLiteral("10版"));
    EXPECT_EQ(info.GetDataVersionLabel(9, 9), QStringLiteral("9.9"));
    // The installed accounting product is registered with a version but no "Type" name.
    const TAppInfoRec saved = AppInfo;
    AppInfo.Application.RegKey = QStringLiteral("\\SOFTWARE\\QUARNO");
    AppInfo.Zaimu.RegKey = QStringLiteral("PELLANZAIMU");
    testenv::registerAccountingProduct(QStringLiteral("13.0.0"), QStringLiteral("ペラン財務"));
    TDataInfomation registered;
    AppInfo = saved;
    EXPECT_EQ(registered.GetDataVersionLabel(13, 0), QStringLiteral("13.0"));
}

class ShareCopyTest : public DataInfomationTest {
protected:
    void SetUp() override {
        testenv::CompanySpec company;
        company.name = QStringLiteral("共有会社");
        shared = e.root->addDataset(company, 30);
        local = e.root->dataDir() + QStringLiteral("/0031");
    }
    IniFile sharedIni() { return IniFile(iniOf(shared)); }

    testenv::Dataset shared;
    QString local;
};

TEST_F(ShareCopyTest, ReceiveTakesTheDatasetOutAndSendHandsItBack) {
    TDataInfomation info;
    EXPECT_EQ(info.ReceiveShareData(shared.folder, local, 0), 1);
    EXPECT_EQ(testenv::readFile(local + QStringLiteral("/placc.fdb")), testenv::readFile(shared.database));
    IniFile localIni(local + QStringLiteral("/placc.ini"));
    EXPECT_EQ(localIni.readString("DATASTS", "SHARE_STATUS"), "2");
    EXPECT_EQ(localIni.readString("DATASTS", "SHARE_OPCODE"), QString::number(SystemDef.OPCODE));
    EXPECT_EQ(localIni.readString("DATASTS", "STATUS"), "1");
    EXPECT_EQ(sharedIni().readString("DATASTS", "SHARE_STATUS"), "2");

    // Work done on the local copy goes back to the shared folder.
    testenv::Dataset localDs = shared;
    localDs.folder = local;
    localDs.database = local + QStringLiteral("/placc.fdb");
    localDs.execute(QStringLiteral("UPDATE ACCDEF1 SET ENTTEXT='済' WHERE REC=1"));
    EXPECT_EQ(info.SendShareData(shared.folder, local, 0), 1);
    EXPECT_EQ(testenv::readFile(shared.database), testenv::readFile(localDs.database));
    EXPECT_EQ(sharedIni().readString("DATASTS", "SHARE_STATUS"), "1");
    EXPECT_EQ(sharedIni().readString("DATASTS", "STATUS"), "1");
    localIni.reload();
    EXPECT_EQ(localIni.readString("DATASTS", "SHARE_STATUS"), "1");
    EXPECT_TRUE(e.ui->shown().empty());
}

TEST_F(ShareCopyTest, ATakenOutDatasetIsNotCopiedOverTheLocalCopy) {
    TDataInfomation info;
    ASSERT_EQ(info.ReceiveShareData(shared.folder, local, 0), 1);
    const QString localDb = local + QStringLiteral("/placc.fdb");
    ASSERT_TRUE(testenv::writeFile(localDb, "local work not yet handed back"));
    EXPECT_EQ(info.ReceiveShareData(shared.folder, local, 0), -1);
    EXPECT_EQ(testenv::readFile(localDb), QByteArray("local work not yet handed back"));
}

TEST_F(ShareCopyTest, AFailedCopyDoesNotMarkTheSharedDataTakenOut) {
    // A pipe in place of the shared database file cannot be copied.
    const QString kept = shared.database + QStringLiteral(".kept");
    ASSERT_TRUE(QFile::rename(shared.database, kept));
    ASSERT_EQ(::mkfifo(QFile::encodeName(shared.database).constData(), 0600), 0);
    TDataInfomation info;
    EXPECT_EQ(info.ReceiveShareData(shared.folder, local, 1), 0);
    EXPECT_NE(sharedIni().readString("DATASTS", "SHARE_STATUS"), "2");
    EXPECT_EQ(sharedIni().readString("DATASTS", "STATUS"), "1");
    // The shared data can still be taken out once the file is back.
    ASSERT_TRUE(QFile::remove(shared.database));
    ASSERT_TRUE(QFile::rename(kept, shared.database));
    EXPECT_EQ(info.ReceiveShareData(shared.folder, local, 1), 1);
    EXPECT_EQ(sharedIni().readString("DATASTS", "SHARE_STATUS"), "2");
}

TEST_F(ShareCopyTest, ADamagedSharedDatasetIsNeitherCopiedNorQuietlyAccepted) {
    IniFile ini = sharedIni();
    ini.writeString("DATASTS", "STATUS", "10");
    TDataInfomation info;
    try {
        info.ReceiveShareData(shared.folder, local, 0);
        ADD_FAILURE() << "no error";
    } catch (const std::runtime_error& error) {
        EXPECT_TRUE(QString::fromUtf8(error.what())
                        .startsWith(QStringLiteral("共有サーバー上のデータが破損している")));
    }
    EXPECT_EQ(info.ReceiveShareData(shared.folder, local, 1), -1);
    EXPECT_FALSE(QFile::exists(local + QStringLiteral("/placc.fdb")));
    EXPECT_EQ(info.ReceiveShareData(e.root->dataDir() + QStringLiteral("/gone"), local, 1), 0);
}

} // namespace

namespace {

class DataCheckQuestionsTest : public DataInfomationTest {
protected:
    void SetUp() override {
        testenv::CompanySpec company;
        company.extra = {{QStringLiteral("SITEN"), QStringLiteral("1")}};
        ds = e.root->addDataset(company);
        for (const char* code : {"01", "02", "03"})
            ds.execute(QStringLiteral("INSERT INTO SISETUMST (SCODE,SNAME) VALUES (:S,'拠点')"),
                       [code](fb::Query& q) { q.setString("S", QString::fromLatin1(code)); });
        // A limited operator with a usual facility.
        SystemDef.JOBLEVEL = 3;
        ds.execute(QStringLiteral("INSERT INTO OPDEFSISETU (OPCODE,SCODE) VALUES (:K,'01')"),
                   [](fb::Query& q) { q.setInt("K", SystemDef.OPCODE); });
    }
    void permit(const char* code) {
        ds.execute(QStringLiteral("INSERT INTO OPLICENSE (OPCODE,SCODE) VALUES (:K,:S)"),
                   [code](fb::Query& q) {
                       q.setInt("K", SystemDef.OPCODE);
                       q.setString("S", QString::fromLatin1(code));
                   });
    }

    testenv::Dataset ds;
};

TEST_F(DataCheckQuestionsTest, UsageRightNeedsEveryFacility) {
    TDataInfomation info;
    permit("01");
    permit("02");
    EXPECT_FALSE(info.IsDataSiyouKengen(ds.folder));
    ASSERT_EQ(e.ui->messageTexts().size(), 1);
    EXPECT_TRUE(e.ui->messageTexts()[0].startsWith(QStringLiteral("このデータを扱う権限がありません")));
    EXPECT_FALSE(e.dm->IBDatabaseDAT.isConnected());

    permit("03");
    e.ui->clear();
    EXPECT_TRUE(info.IsDataSiyouKengen(ds.folder));
    EXPECT_TRUE(e.ui->shown().empty());

    // No database in the folder, or an unrestricted operator: nothing to ask.
    EXPECT_TRUE(info.IsDataSiyouKengen(e.root->dataDir() + QStringLiteral("/0088")));
    EXPECT_FALSE(info.IsDataSiyouKengen(QString()));
    EXPECT_FALSE(e.dm->IBTransactionDAT.isActive());
}

TEST_F(DataCheckQuestionsTest, DataPasswordIsAskedWhenTheDatasetHasOne) {
    TDataInfomation info;
    EXPECT_TRUE(info.IsDataPasswordAuth(ds.folder));
    EXPECT_TRUE(e.ui->shown().empty());

    TEasyEncodeInfo coded;
    coded.Key = QStringLiteral("quelvor");
    EasyEncodeClear(coded);
    coded.TargetLength = 8;
    coded.PlainLength = 8;
    coded.PlainText = QStringLiteral("Ab12");
    ASSERT_TRUE(EasyEncode(coded));
    ds.setAccReg(QStringLiteral("基本設定"), QStringLiteral("データパスワードV2"), QStringLiteral("文字"),
                 coded.CodedText);
    e.ui->queueInput(QStringLiteral("Ab12"));
    EXPECT_TRUE(info.IsDataPasswordAuth(ds.folder));
    for (const char* wrong : {"ab12", "x", "y"})
        e.ui->queueInput(QString::fromLatin1(wrong));
    EXPECT_FALSE(info.IsDataPasswordAuth(ds.folder));
    EXPECT_TRUE(e.ui->messageTexts().constLast().startsWith(
        QStringLiteral("このデータに設定されている「パスワード」と一致しませんでした。")));
    EXPECT_FALSE(e.dm->IBDatabaseDAT.isConnected());
}

} // namespace
