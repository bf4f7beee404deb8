// The start-up environment: SystemDef's folders and connection values, the application ini written on a
// first start, and the database module.
#include "app/StartupEnvironment.h"

#include "core/DataModule.h"
#include "core/TDataListRec.h"
#include "core/uAccRecord.h"
#include "core/z5AppInfo.h"
#include "platform/IniFile.h"
#include "platform/UserInteraction.h"
#include "support/TestEnv.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <gtest/gtest.h>

namespace {

class StartupEnvironment : public ::testing::Test {
protected:
    void SetUp() override {
        ResetProcessState();
        SetAppInfoDefaults(AppInfo); // application name "plzaimu", data root "quarno/pellanzaimu"
        ApplyAppInfo();
    }
    void TearDown() override {
        CreateDataListStoreProc = nullptr;
        ResetProcessState();
    }

    QString dataRoot() const { return env.commonAppData() + QStringLiteral("/quarno/pellanzaimu"); }
    QString appIni() const { return dataRoot() + QStringLiteral("/plzaimu.ini"); }

    testenv::TempEnvironment env;
    ui::ScopedScriptedUi ui;
};

} // namespace

TEST_F(StartupEnvironment, FirstStartLaysOutTheFoldersWritesTheDefaultIniAndCreatesTheModule) {
    SystemDef.HOSTNAME = QStringLiteral("left over");
    TStartupEnvironment startup;
    bool titled = false;
    ASSERT_TRUE(startup.InitApplication(QFont(QStringLiteral("IPAGothic"), 10), [&] {
        // The form takes its title once the environment stands and before the module exists.
        titled = DM == nullptr && SystemDef.DataRoot == dataRoot();
    }));
    EXPECT_TRUE(titled);
    EXPECT_TRUE(ui->shown().empty());

    const TSystemDef& s = SystemDef;
    EXPECT_EQ(s.DataRoot, dataRoot());
    for (const QString& dir : {s.IniDir, s.LogDir, s.TempDir, s.DocumentsDir})
        EXPECT_TRUE(QFileInfo(dir).isDir()) << dir.toStdString();
    EXPECT_EQ(s.IniDir, dataRoot() + QStringLiteral("/ini"));
    EXPECT_EQ(s.DocumentsDir, env.documents() + QStringLiteral("/quarno/pellanzaimu"));
    EXPECT_EQ(s.WinTempDir, env.temp());
    EXPECT_EQ(s.ViewerTempDir, env.temp() + QStringLiteral("/plzview"));
    EXPECT_EQ(s.BaseDir, QFileInfo(s.ProgramDir).absolutePath());
    EXPECT_EQ(s.SqlDir, s.BaseDir + QStringLiteral("/sql"));
    EXPECT_EQ(s.AppIniFile, appIni());
    EXPECT_EQ(s.SYSDIR, dataRoot() + QStringLiteral("/data"));
    EXPECT_EQ(s.USER, QStringLiteral("PELLAN"));
    EXPECT_EQ(s.PASSWORD, QStringLiteral("vintor"));
    EXPECT_TRUE(s.HOSTNAME.isEmpty());
    EXPECT_TRUE(s.DataDir.isEmpty());
    EXPECT_EQ(s.GROUPID, 10000);
    EXPECT_EQ(ConnectMode, 0);
    ASSERT_TRUE(s.BaseFont && s.DisplayFont);
    EXPECT_EQ(s.DisplayFont->family(), QStringLiteral("IPAGothic"));
    ASSERT_TRUE(DM);
    EXPECT_FALSE(DM->IBDatabaseDEF.isConnected());
    EXPECT_TRUE(CreateDataListStoreProc);

    const IniFile ini(appIni());
    EXPECT_EQ(ini.sections(), (QStringList{"APPLICATION", "LOCAL", "SERVER"}));
    EXPECT_EQ(ini.sectionValues("APPLICATION"),
              (QList<QPair<QString, QString>>{
                  {"TOP", "0"}, {"LEFT", "0"}, {"WIDTH", "1024"}, {"HEIGHT", "738"}, {"CONNECT", "0"}}));
    EXPECT_EQ(ini.sectionValues("LOCAL"), (QList<QPair<QString, QString>>{{"HOSTNAME", ""},
                                                                          {"GOGLOBAL", "NO"},
                                                                          {"GROUP", "NO"},
                                                                          {"SYSDIR", dataRoot() + "/data"},
                                                                          {"USER", "PELLAN"},
                                                                          {"PASSWORD", "vintor"}}));
    EXPECT_EQ(ini.sectionValues("SERVER"), (QList<QPair<QString, QString>>{{"HOSTNAME", ""},
                                                                           {"GOGLOBAL", "NO"},
                                                                           {"GROUP", "NO"},
                                                                           {"SYSDIR", ""},
                                                                           {"USER", "PELLAN"},
                                                                           {"PASSWORD", "vintor"}}));
    // It holds the database password.
    EXPECT_EQ(QFile::permissions(appIni()) & (QFile::ReadGroup | QFile::ReadOther), QFile::Permissions());
}

TEST_F(StartupEnvironment, TheIniValuesReplaceTheDefaultsAndStandAloneModeClearsTheHost) {
    struct Case {
        const char* name;
        QByteArray local;
        QString user, password, sysdir;
        quint8 group;
    } cases[] = {
        {"as written",
         "HOSTNAME=server1\r\nGOGLOBAL=yes\r\nGROUP=yes\r\nSYSDIR=\\\\srv\\\\data\r\nUSER=pellan\r\n"
         "PASSWORD=VINTOR\r\n",
         "PELLAN", "vintor", "//srv//data", 1},
        // A key missing from LOCAL reads as empty and replaces the default.
        {"no user", "HOSTNAME=\r\nSYSDIR=/x/data\r\nPASSWORD=pw\r\n", "", "pw", "/x/data", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(testenv::writeFile(appIni(), "[APPLICATION]\r\nTOP=5\r\n[LOCAL]\r\n" + c.local));
        TStartupEnvironment startup;
        startup.InitEnvironment(QFont());
        EXPECT_EQ(SystemDef.USER, c.user);
        EXPECT_EQ(SystemDef.PASSWORD, c.password);
        EXPECT_EQ(SystemDef.SYSDIR, c.sysdir);
        EXPECT_EQ(SystemDef.GROUP, c.group);
        EXPECT_EQ(SystemDef.GOGLOBAL, 0);
        EXPECT_TRUE(SystemDef.HOSTNAME.isEmpty());
        // An ini with connection values is left as it is.
        EXPECT_EQ(IniFile(appIni()).readString("APPLICATION", "TOP"), "5");
    }
}

TEST_F(StartupEnvironment, AnEmptyLocalSectionIsWrittenAgainWithTheDefaults) {
    ASSERT_TRUE(
        testenv::writeFile(appIni(), "[MAINFORM]\r\nLEFT=3\r\n[LOCAL]\r\n\r\n  \r\n[OTHER]\r\nKEY=1\r\n"));
    TStartupEnvironment startup;
    startup.InitEnvironment(QFont());
    const IniFile ini(appIni());
    EXPECT_FALSE(ini.sectionExists("MAINFORM"));
    EXPECT_EQ(ini.readString("OTHER", "KEY"), "1");
    EXPECT_EQ(ini.readString("LOCAL", "SYSDIR"), dataRoot() + "/data");
    EXPECT_EQ(SystemDef.USER, QStringLiteral("PELLAN"));
}

TEST_F(StartupEnvironment, AnIniThatCannotBeWrittenEndsTheStartWithItsBox) {
    // The product's folder name is taken by a file: nothing can be created below it.
    ASSERT_TRUE(testenv::writeFile(env.commonAppData() + QStringLiteral("/quarno"), "not a folder"));
    TStartupEnvironment startup;
    EXPECT_FALSE(startup.InitApplication(QFont()));
    ASSERT_EQ(ui->shown().size(), 1u);
    const ui::MessageRequest& box = ui->shown()[0].message;
    EXPECT_EQ(box.kind, ui::MsgKind::Error);
    EXPECT_EQ(box.buttons, unsigned(ui::mbYes));
    // The application's name is not known yet at this point.
    EXPECT_EQ(box.text, QStringLiteral("アプリケーションの初期設定がおこなわれていないため\rを終了します。"));
    EXPECT_FALSE(DM);
}

TEST_F(StartupEnvironment, TheOrganisationEditionTakesItsOwnColours) {
    const TSysDefColorDefaults standard;
    AppInfo.Application.OEM = QStringLiteral("TavrinoData");
    AppInfo.Zaimu.DataFile = QStringLiteral("other.fdb");
    ApplyAppInfo();
    EXPECT_EQ(TavrinoEdition, 1);
    EXPECT_EQ(DataFileName, QStringLiteral("other.fdb"));
    EXPECT_EQ(SysDefColorDefaults.ClientColor2, 0xF2FFEE);
    EXPECT_EQ(SysDefColorDefaults.TotalColor, 0xD6FFC8);
    EXPECT_EQ(SysDefColorDefaults.ActiveColor, 0x008000);
    EXPECT_EQ(SysDefColorDefaults.NetColor1, standard.NetColor1);
}
