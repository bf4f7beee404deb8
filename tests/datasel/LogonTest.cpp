// The operator logon against the fixture system database: codes, passwords, a second logon, groups out
// of range, an answer the procedure should never give, and the connection kind.
#include "datasel/Logon.h"

#include "core/uAccRecord.h"
#include "datasel/AppIniCreate.h"
#include "platform/IniFile.h"
#include "support/DmFixture.h"
#include "ui_Logon.h"

#include <QTest>
#include <gtest/gtest.h>

namespace {

const QString kWrongCode =
    QStringLiteral("コードまたはパスワードが違います。\r正しいコードまたはパスワードを入力して下さい。");

class LogonTest : public ::testing::Test {
protected:
    LogonTest() {
        SetScreenPixelsPerInch(96);
        SystemDef.AppIniFile = e.root->appIni();
        SystemDef.OPCODE = 0;
        SystemDef.OperatorName.clear();
        SystemDef.JOBLEVEL = 0;
        e.executeSystem(QStringLiteral("UPDATE OPERATOR SET PASWORD='abc ' WHERE OPCODE=10"));
    }
    ~LogonTest() override { SetScreenPixelsPerInch(0); }

    // One attempt; the dialog's result (0 while it stays open) and the boxes it showed.
    int attempt(TLogonBox& box, const QString& code, const QString& password) {
        e.ui->clear();
        box.setResult(0);
        box.form().txtOpCode->setText(code);
        box.form().txtPassword->setText(password);
        box.OKBtnClick();
        return box.result();
    }

    testenv::DmEnvironment e;
};

TEST_F(LogonTest, RightAndWrongPasswordsAndTheOperatorFieldsAfter) {
    TLogonBox box;
    box.SetProgramDisplayName(QStringLiteral("法人税のCorvane"));
    box.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&box));
    testenv::saveShot(box, QStringLiteral("logon"));
    EXPECT_TRUE(box.form().txtOpCode->hasFocus());
    box.hide();
    EXPECT_EQ(box.windowTitle(), QStringLiteral("ログイン"));
    EXPECT_TRUE(box.form().btnSA->isChecked());
    EXPECT_FALSE(box.form().btnServerSettei->isEnabled());

    EXPECT_EQ(attempt(box, QStringLiteral("9"), QStringLiteral("abc ")), 0);
    EXPECT_EQ(e.ui->messageTexts(), QStringList{kWrongCode});
    EXPECT_EQ(attempt(box, QStringLiteral("10"), QStringLiteral("abc")), 0); // the blank belongs to it
    EXPECT_EQ(e.ui->messageTexts(), QStringList{kWrongCode});
    EXPECT_EQ(SystemDef.OPCODE, 0);

    EXPECT_EQ(attempt(box, QStringLiteral("10"), QStringLiteral("abc ")), 1);
    EXPECT_TRUE(e.ui->shown().empty());
    EXPECT_EQ(SystemDef.OPCODE, 10000 * 10000 + 10);
    EXPECT_EQ(SystemDef.LoginCode, 10);
    EXPECT_EQ(SystemDef.OperatorName, QStringLiteral("管理者"));
    EXPECT_EQ(SystemDef.JOBLEVEL, 9);
    EXPECT_EQ(IniFile(SystemDef.AppIniFile).readString("APPLICATION", "CONNECT"), "0");

    // The same operator again from this computer logs on; from another one it is refused.
    EXPECT_EQ(attempt(box, QStringLiteral("10"), QStringLiteral("abc ")), 1);
    SystemDef.PCName = QStringLiteral("OTHERPC");
    EXPECT_EQ(attempt(box, QStringLiteral("10"), QStringLiteral("abc ")), 0);
    EXPECT_EQ(e.ui->messageTexts(),
              QStringList{QStringLiteral(
                  "指定したユーザーは既にシステムへログインしているため、ログインできませんでした。")});
}

TEST_F(LogonTest, GroupsBeyondTheKeyRangeAndUnknownAnswersAreRefused) {
    TLogonBox box;
    SystemDef.GROUPID = 100000; // no such group: the procedure refuses
    EXPECT_EQ(attempt(box, QStringLiteral("10"), QStringLiteral("abc ")), 0);
    EXPECT_EQ(e.ui->messageTexts(), QStringList{kWrongCode});
    SystemDef.GROUPID = 300000; // its keys would not fit: refused before the procedure
    EXPECT_EQ(attempt(box, QStringLiteral("10"), QStringLiteral("abc ")), 0);
    EXPECT_EQ(e.ui->messageTexts(), QStringList{kWrongCode});
    SystemDef.GROUPID = 10000;
    EXPECT_EQ(attempt(box, QStringLiteral("999999999"), QString()), 0);
    EXPECT_EQ(e.ui->messageTexts(), QStringList{kWrongCode});
    EXPECT_EQ(SystemDef.OPCODE, 0);
}

TEST_F(LogonTest, AnAnswerTheProcedureShouldNeverGiveIsReported) {
    e.executeSystem(QStringLiteral(
        "ALTER PROCEDURE LOGONUSERTEST (PCNAME VARCHAR(60) CHARACTER SET SJIS_0208, GROUPID INTEGER, "
        "OPCODE INTEGER, APPVERSION INTEGER, PASWORD VARCHAR(16) CHARACTER SET SJIS_0208) "
        "RETURNS (NUM INTEGER, LOGINCODE INTEGER, JOBLEVEL INTEGER) AS BEGIN NUM = -2; LOGINCODE = 0; "
        "JOBLEVEL = 0; SUSPEND; END"));
    TLogonBox box;
    EXPECT_EQ(attempt(box, QStringLiteral("10"), QStringLiteral("abc ")), 0);
    EXPECT_EQ(e.ui->messageTexts(), QStringList{QStringLiteral("ログイン処理に失敗しました。")});
    EXPECT_EQ(SystemDef.OPCODE, 0);
}

TEST_F(LogonTest, ClientServerKindNeedsTheServerSettingsBeforeAnyConnection) {
    ASSERT_TRUE(SaveConnectKind(1));
    TLogonBox box;
    EXPECT_TRUE(box.form().btnCS->isChecked());
    EXPECT_EQ(ConnectMode, 1);
    EXPECT_TRUE(box.form().btnServerSettei->isEnabled());
    e.dm->IBDatabaseDEF.detach();
    EXPECT_EQ(attempt(box, QStringLiteral("10"), QStringLiteral("abc ")), 0);
    EXPECT_EQ(e.ui->messageTexts(),
              QStringList{QStringLiteral("データサーバーのコンピュータ名が設定されていません。\r"
                                         "[サーバー設定]ボタンを押して正しい情報を入力して下さい。")});
    EXPECT_FALSE(e.dm->IBDatabaseDEF.isConnected());
    box.form().btnSA->setChecked(true);
    EXPECT_EQ(ConnectMode, 0);
    EXPECT_FALSE(box.form().btnServerSettei->isEnabled());
}

// The server work folder lies beside the product's server data folder; any other data folder holds it.
TEST(ServerWorkFolder, BesideTheServersDataFolderElseInsideTheDataFolder) {
    const struct {
        const char* sysDir;
        const char* work;
    } cases[] = {
        {"/srv/fb/pellanzaimu/data", "/srv/fb/pellanzaimu/temp"},
        {"/srv/fb/pellanzaimu/data/", "/srv/fb/pellanzaimu/temp"},
        {"/srv/Fb/PellanZaimu/DATA", "/srv/Fb/pellanzaimu/temp"},
        {"/pellanzaimu/data", "/pellanzaimu/temp"},
        {"/srv/fbdata", "/srv/fbdata/pellanzaimu/temp"},
        {"/srv/mypellanzaimu/data", "/srv/mypellanzaimu/data/pellanzaimu/temp"},
        {"/srv/pellanzaimu/data/2024", "/srv/pellanzaimu/data/2024/pellanzaimu/temp"},
        {"/", "/pellanzaimu/temp"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ServerWorkFolder(QString::fromUtf8(c.sysDir)), QString::fromUtf8(c.work)) << c.sysDir;
}

} // namespace
