// The application ini: first creation, the connection kind, the per-kind settings and the data-server
// settings dialog.
#include "datasel/AppIniCreate.h"

#include "../controls/ModalRun.h"
#include "core/uAccRecord.h"
#include "platform/IniFile.h"
#include "platform/UserInteraction.h"
#include "support/TestEnv.h"
#include "ui_AppIniCreate.h"

#include <QFile>
#include <gtest/gtest.h>

namespace {

class AppIniTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetProcessState();
        SetScreenPixelsPerInch(96);
        SystemDef.AppIniFile = env.path() + QStringLiteral("/root/plzaimu.ini");
    }
    void TearDown() override {
        SetScreenPixelsPerInch(0);
        ResetProcessState();
    }
    IniFile ini() const { return IniFile(SystemDef.AppIniFile); }

    testenv::TempEnvironment env;
    ui::ScopedScriptedUi shown;
};

TEST_F(AppIniTest, FirstCreationWritesTheDefaultSectionsForItsOwnerOnly) {
    ASSERT_TRUE(testenv::writeFile(SystemDef.AppIniFile,
                                   "[MAINFORM]\r\nTOP=3\r\n[OTHER]\r\nKEEP=1\r\n[DATABASE]\r\nX=1\r\n"));
    ConnectMode = 0;
    SystemDef.HOSTNAME = QStringLiteral("thispc");
    SystemDef.SYSDIR = QStringLiteral("/r/data");
    SystemDef.USER = QStringLiteral("PELLAN");
    SystemDef.PASSWORD = QStringLiteral("vintor");
    ASSERT_TRUE(WriteAppIni(1));
    const IniFile f = ini();
    EXPECT_TRUE(f.keys(QStringLiteral("MAINFORM")).isEmpty());
    EXPECT_TRUE(f.keys(QStringLiteral("DATABASE")).isEmpty());
    EXPECT_EQ(f.readString("OTHER", "KEEP"), "1");
    const std::pair<const char*, const char*> app[] = {
        {"TOP", "0"}, {"LEFT", "0"}, {"WIDTH", "1024"}, {"HEIGHT", "738"}, {"CONNECT", "0"}};
    for (const auto& [key, value] : app)
        EXPECT_EQ(f.readString("APPLICATION", key), value) << key;
    EXPECT_EQ(f.readString("LOCAL", "HOSTNAME", "x"), "");
    EXPECT_EQ(f.readString("LOCAL", "SYSDIR"), "/r/data");
    EXPECT_EQ(f.readString("LOCAL", "GOGLOBAL"), "NO");
    EXPECT_EQ(f.readString("SERVER", "SYSDIR", "x"), "");
    EXPECT_EQ(f.readString("SERVER", "USER"), "PELLAN");
    EXPECT_EQ(f.readString("SERVER", "PASSWORD"), "vintor");
    EXPECT_EQ(QFile::permissions(SystemDef.AppIniFile) & 0x0077, 0) << "only the owner may read the password";
}

TEST_F(AppIniTest, ConnectKindAndPerKindSettingsRead) {
    EXPECT_EQ(ReadConnectKind(), 0); // no file
    ASSERT_TRUE(SaveConnectKind(1));
    EXPECT_EQ(ReadConnectKind(), 1);
    ASSERT_TRUE(SaveConnectKind(5)); // not a kind: left as it was
    EXPECT_EQ(ReadConnectKind(), 1);
    ASSERT_TRUE(testenv::writeFile(SystemDef.AppIniFile,
                                   "[APPLICATION]\r\nCONNECT=abc\r\n[LOCAL]\r\nHOSTNAME=\r\nGOGLOBAL=yes\r\n"
                                   "SYSDIR=/Data/Root\r\nUSER=pellan\r\nPASSWORD=VINTOR\r\n"));
    EXPECT_EQ(ReadConnectKind(), 0);
    SystemDef.GROUP = 1;
    ReadDbSettings(0);
    EXPECT_EQ(SystemDef.GOGLOBAL, 0); // only "YES" counts
    EXPECT_EQ(SystemDef.GROUP, 0);
    EXPECT_EQ(SystemDef.SYSDIR, QStringLiteral("/Data/Root"));
    EXPECT_EQ(SystemDef.USER, QStringLiteral("PELLAN"));
    EXPECT_EQ(SystemDef.PASSWORD, QStringLiteral("vintor"));
    ReadDbSettings(1); // no SERVER section
    EXPECT_EQ(SystemDef.HOSTNAME, QString());
    EXPECT_EQ(SystemDef.SYSDIR, QString());
    EXPECT_EQ(SystemDef.USER, QStringLiteral("PELLAN"));
    EXPECT_EQ(SystemDef.PASSWORD, QStringLiteral("vintor"));
}

TEST_F(AppIniTest, SettingsDialogRefusesABlankServerAndStoresTheServerSection) {
    SystemDef.USER = QStringLiteral("PELLAN");
    SystemDef.PASSWORD = QStringLiteral("vintor");
    ASSERT_TRUE(WriteAppIni(1));
    ConnectMode = 1;
    TAppIniCreateBox box;
    EXPECT_EQ(box.windowTitle(), QStringLiteral("データサーバーの設定"));
    EXPECT_EQ(runModal(box,
                       [&] {
                           testenv::saveShot(box, QStringLiteral("appini"));
                           box.form().txtHostName->setText(QStringLiteral("   "));
                           box.OKBtnClick();
                           EXPECT_TRUE(box.isVisible());
                           box.form().txtHostName->setText(QStringLiteral("DBSERVER"));
                           box.form().txtDataPath->setText(QStringLiteral("/srv/Pellan/data"));
                           box.OKBtnClick();
                       }),
              1);
    EXPECT_EQ(shown->messageTexts(),
              QStringList{QStringLiteral("コンピュータ名が指定されていません。\r入力してください。")});
    const IniFile f = ini();
    EXPECT_EQ(f.readString("SERVER", "HOSTNAME"), "dbserver");
    EXPECT_EQ(f.readString("SERVER", "SYSDIR"), "/srv/Pellan/data");
    EXPECT_EQ(f.readString("LOCAL", "HOSTNAME", "x"), "");
}

// 「参照」 asks for the server's name as what it is, a typed name, starting from the one in the edit.
TEST_F(AppIniTest, BrowseForTheServerAsksForItsName) {
    ConnectMode = 1;
    TAppIniCreateBox box;
    box.form().txtHostName->setText(QStringLiteral("old"));
    shown->queueInput(QStringLiteral(" server2 "));
    QTest::mouseClick(box.form().btnCompShow, Qt::LeftButton);
    ASSERT_EQ(shown->shown().size(), 1u);
    const ui::InputRequest& asked = shown->shown().front().input;
    EXPECT_EQ(asked.prompt, QStringLiteral("サーバーのコンピュータ名またはIPアドレスを入力して下さい。"));
    EXPECT_EQ(asked.initial, QStringLiteral("old"));
    EXPECT_EQ(box.form().txtHostName->text(), QStringLiteral("server2"));
}

} // namespace
