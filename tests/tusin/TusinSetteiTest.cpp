// The communication settings: started by name it shows and stores the pair of its mode; for one dataset
// it edits the cloud-share area and picks it from the relay server's area list.
#include "ModalSteps.h"
#include "RelayServers.h"
#include "controls/PerfectGrid.h"
#include "core/DataModule.h"
#include "core/DialogRegistry.h"
#include "core/uAccRecord.h"
#include "platform/Cp932.h"
#include "platform/firebird/FbQuery.h"
#include "platform/firebird/FbTransaction.h"
#include "support/DmFixture.h"
#include "tusin/xPzConv.h"
#include "tusin/z5DataTusin.h"
#include "tusin/z5TusinSettei.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>

namespace {

class TusinSetteiTest : public ::testing::Test {
protected:
    void SetUp() override {
        e.connectSystem();
        testenv::CompanySpec company;
        company.title = QStringLiteral("設定テスト");
        company.kishu = QDate(2025, 4, 1);
        ds = e.root->addDataset(company, 1);
        if (servers.available()) {
            id = servers.addId();
            RelaySettings() = servers.settings;
        }
        setGeneral(QStringLiteral("abcd12345678"), QStringLiteral("pw1"));
        SystemDef.DataDir = ds.folder;
        connectData();
    }
    void TearDown() override {
        RelaySettings() = TRelaySettings();
        if (e.dm->IBDatabaseDAT.isConnected())
            e.dm->fnAccDatDisConnected(ds.folder, 0, 0);
    }
    void connectData() {
        if (!e.dm->IBDatabaseDAT.isConnected()) {
            ASSERT_TRUE(e.dm->fnAccDatConnected(QString(), ds.folder, 0));
        }
        ASSERT_TRUE(e.dm->fnGetAccInfo());
    }
    void setGeneral(const QString& holder, const QString& password) const {
        ds.execute(QStringLiteral("UPDATE ACCDEF1 SET WEB_HOLDER=:H, PASWORD=:P"), [&](fb::Query& q) {
            q.setString("H", holder);
            q.setString("P", password);
        });
    }
    QString datasetText(const QString& sql) const {
        auto db = ds.connect();
        fb::Transaction t(*db);
        fb::Query q(t, sql);
        q.open();
        const QString v = q.eof() ? QStringLiteral("<none>") : q.field(0).asString();
        q.close();
        t.commit();
        return v;
    }
    static void press(QWidget* w, Qt::Key key) {
        QTest::keyPress(w, key);
        QTest::keyRelease(w, key);
    }

    testenv::DmEnvironment e;
    RelayServers servers;
    testenv::Dataset ds;
    QString id;
};

} // namespace

TEST(TusinSetteiId, ShownAndStoredForms) {
    const struct {
        QString stored, shown;
    } cases[] = {
        {QStringLiteral("abcd12345678"), QStringLiteral("abcd-1234-5678")},
        {QStringLiteral("            "), QString()},
        {QString(), QString()},
        {QStringLiteral("abcd1234567"), QString()},
        {QStringLiteral("abcd123456789"), QString()},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TfrmTusinSettei::ShownId(c.stored), c.shown) << c.stored.toStdString();

    ui::ScopedScriptedUi scripted;
    TfrmTusinSettei f;
    f.txtConID()->setText(QStringLiteral("ab1"));
    EXPECT_EQ(f.IdEditText(), QStringLiteral("ab1 -    -    "));
    EXPECT_EQ(f.StoredIdText(), QStringLiteral("ab1         "));
    EXPECT_FALSE(f.IdComplete());
    f.txtConID()->setText(QStringLiteral("wxyz98765432"));
    EXPECT_EQ(f.IdEditText(), QStringLiteral("wxyz-9876-5432"));
    EXPECT_TRUE(f.IdComplete());
}

TEST(TusinSetteiKeys, OnlyLettersAndDigitsAreTyped) {
    ui::ScopedScriptedUi scripted;
    TfrmTusinSettei f;
    f.show();
    QLineEdit* pw = f.txtConPasswd();
    pw->setFocus();
    for (const QChar c : QStringLiteral("a-_1Ｂ b2c3d4")) {
        // Typed as text: a full-width character has no key of its own.
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
        QApplication::sendEvent(pw, &press);
    }
    QTest::keyClick(pw, Qt::Key_X, Qt::ControlModifier);
    // Six at most: "a1bb2c" of the letters and digits.
    EXPECT_EQ(pw->text(), QStringLiteral("a1b2c3"));
    QLineEdit* idEdit = f.txtConID();
    idEdit->setFocus();
    idEdit->setCursorPosition(0);
    QTest::keyClicks(idEdit, QStringLiteral("ab-cd_12"));
    EXPECT_EQ(f.IdEditText(), QStringLiteral("abcd-12  -    "));
}

TEST_F(TusinSetteiTest, StartedByNameInTheGeneralMode) {
    std::optional<QString> shown;
    whenShown<TfrmTusinSettei>([&](TfrmTusinSettei* f) {
        shown = f->txtConID()->displayText();
        EXPECT_TRUE(f->CheckBox1()->isVisible());
        EXPECT_TRUE(f->xURLButton()->isVisible());
        EXPECT_FALSE(f->RadioButton1()->isVisible());
        f->txtConID()->setText(QStringLiteral("wxyz98765432"));
        f->txtConPasswd()->setText(QStringLiteral("NEW123"));
        f->CheckBox1()->setChecked(true);
        press(f->txtConID(), Qt::Key_F12);
    });
    const int result = RunNamedDialog(QStringLiteral("QzTusinSettei"), 1, QStringLiteral("SyoriType=1"));
    EXPECT_EQ(result, ui::mrOk);
    EXPECT_EQ(shown, QStringLiteral("abcd-1234-5678"));
    EXPECT_EQ(datasetText(QStringLiteral("SELECT WEB_HOLDER FROM ACCDEF1 WHERE REC=1")),
              QStringLiteral("wxyz98765432"));
    EXPECT_EQ(datasetText(QStringLiteral("SELECT PASWORD FROM ACCDEF1 WHERE REC=1")),
              QStringLiteral("NEW123"));
    EXPECT_EQ(datasetText(QStringLiteral("SELECT ATEXT FROM ACCREG WHERE ACODE='クラウド区分'")),
              QStringLiteral("1"));
    EXPECT_EQ(AccInf.WEB_HOLDER, QStringLiteral("wxyz98765432"));
    EXPECT_TRUE(e.ui->shown().empty()) << e.ui->messageTexts().join(u'\n').toStdString();
}

TEST_F(TusinSetteiTest, AnEmptyIdAsksAndIsStoredAsBlanks) {
    const QString incomplete = QStringLiteral(
        "通信ＩＤを設定する場合はスペース無しの英数12桁で入力して下さい。(-を含めると14桁)"
        "\r\n通信ＩＤが設定さ"
        "れていないため中継サーバーを使ったデータの送受信はできません。\r\n通信設定を終了しますか？");
    const struct {
        int mode;
        QString select, stored;
    } cases[] = {
        {1, QStringLiteral("SELECT '[' || WEB_HOLDER || ']' FROM ACCDEF1 WHERE REC=1"),
         QStringLiteral("[            ]")},
        {2, QStringLiteral("SELECT '[' || HOLDER || ']' FROM TUSIN_ID WHERE REC=1"), QStringLiteral("[]")},
    };
    ds.execute(QStringLiteral("UPDATE TUSIN_ID SET HOLDER = 'cash00000001', PASWORD = 'c1' WHERE REC = 1"));
    for (const auto& c : cases) {
        e.ui->clear();
        // No on the first close keeps the dialog open with the pair already stored; Yes closes.
        e.ui->queueAnswer(ui::mrNo);
        e.ui->queueAnswer(ui::mrYes);
        int closes = 0;
        whenShown<TfrmTusinSettei>([&](TfrmTusinSettei* f) {
            f->txtConID()->clear();
            press(f->txtConID(), Qt::Key_F12);
            closes += f->isVisible() ? 1 : 0;
            press(f->txtConID(), Qt::Key_F12);
        });
        RunNamedDialog(QStringLiteral("QzTusinSettei"), 1, QStringLiteral("SyoriType=%1").arg(c.mode));
        EXPECT_EQ(closes, 1) << c.mode;
        EXPECT_EQ(e.ui->messageTexts(), (QStringList{incomplete, incomplete})) << c.mode;
        EXPECT_EQ(datasetText(c.select), c.stored) << c.mode;
    }
}

TEST_F(TusinSetteiTest, CashBookModeRefusesDataWithApprovedJournals) {
    ds.execute(QStringLiteral("INSERT INTO SIWAKE (REC, SWKREC, SHONIN_OPCODE) VALUES (1, 1, 5)"));
    e.dm->fnAccDatDisConnected(ds.folder, 0, 0);
    EXPECT_EQ(RunNamedDialog(QStringLiteral("QzTusinSettei"), 1, QStringLiteral("SyoriType=2")), -1);
    EXPECT_EQ(e.ui->messageTexts(),
              QStringList{QStringLiteral("現在ご利用中のデータは承認済み仕訳が含まれます。\r\n"
                                         "現金出納帳通信処理は行えません。")});
    EXPECT_EQ(e.ui->shown().front().message.kind, ui::MsgKind::Warning);
}

TEST_F(TusinSetteiTest, CloudModeByNameKeepsTheDatasetsArea) {
    ds.execute(QStringLiteral("UPDATE ACCDEF1 SET CLOUD_LINE=3"));
    connectData();
    QString label;
    bool useChecked = false;
    whenShown<TfrmTusinSettei>([&](TfrmTusinSettei* f) {
        label = f->Label5()->text();
        useChecked = f->RadioButton1()->isChecked();
        EXPECT_FALSE(f->CheckBox1()->isVisible());
        EXPECT_TRUE(f->btnKyouyu()->isVisible());
        press(f->txtConID(), Qt::Key_F12);
    });
    RunNamedDialog(QStringLiteral("QzTusinSettei"), 1, QStringLiteral("SyoriType=5"));
    EXPECT_EQ(label, QStringLiteral("領域選択：　　 No. 3"));
    EXPECT_TRUE(useChecked);
    EXPECT_EQ(datasetText(QStringLiteral("SELECT CLOUD_LINE FROM ACCDEF1 WHERE REC=1")), QStringLiteral("3"));
}

TEST_F(TusinSetteiTest, CloudShareSettingsOfADataset) {
    e.dm->fnAccDatDisConnected(ds.folder, 0, 0);
    TfrmTusinSettei f;
    EXPECT_EQ(f.OpenCloudShareSettings(QString()), 1);
    EXPECT_TRUE(e.ui->shown().empty());

    // Esc: cancelled, nothing stored.
    whenShown<TfrmTusinSettei>([](TfrmTusinSettei* w) {
        w->txtConPasswd()->setText(QStringLiteral("zzz"));
        press(w->txtConPasswd(), Qt::Key_Escape);
    });
    EXPECT_EQ(f.OpenCloudShareSettings(ds.folder), 9);
    EXPECT_FALSE(f.isVisible());
    EXPECT_EQ(datasetText(QStringLiteral("SELECT PASWORD FROM ACCDEF1 WHERE REC=1")), QStringLiteral("pw1"));
    EXPECT_FALSE(e.dm->IBDatabaseDAT.isConnected());
}

TEST_F(TusinSetteiTest, AnAreaPickedFromTheServedListIsAccepted) {
    SKIP_WITHOUT_RELAY(servers);
    e.dm->fnAccDatDisConnected(ds.folder, 0, 0);
    setGeneral(id.leftJustified(12, u'0').left(12), QStringLiteral("pw1"));
    // The relay account is named by the stored ID.
    const QString relayId = id.leftJustified(12, u'0').left(12);
    servers.control({{"cmd", "add"}, {"id", relayId}});
    const QString taken = QStringLiteral("他のデータ");
    servers.entry(relayId, "area", 1,
                  {{"DataName", TxPzConv::EncodeBase64(cp932::encode(taken))},
                   {"Password", "pw1"},
                   {"ShareStatus", "1"}});

    TfrmTusinSettei f;
    whenShown<TfrmTusinSettei>([](TfrmTusinSettei* w) {
        w->RadioButton1()->setChecked(true);
        // The area list opens modally from the button; row 3 is free.
        whenShown<TfmDataTusin>([](TfmDataTusin* list) {
            list->PerfectGrid1()->SetCurrentCell(2, 1);
            list->F1Click(TfmDataTusin::kF12);
        });
        w->btnKyouyu()->click();
    });
    EXPECT_EQ(f.OpenCloudShareSettings(ds.folder), 0) << e.ui->messageTexts().join(u'\n').toStdString();
    EXPECT_EQ(f.ConfirmedCloudLine, 3);
    EXPECT_TRUE(f.AreaEmpty);
    EXPECT_FALSE(f.Cancelled);
    EXPECT_EQ(datasetText(QStringLiteral("SELECT CLOUD_LINE FROM ACCDEF1 WHERE REC=1")), QStringLiteral("3"));
    EXPECT_TRUE(e.ui->messageTexts().contains(
        QStringLiteral("お手元のデータをアップロードしてクラウドシェアを開始します。")));
    EXPECT_FALSE(e.dm->IBDatabaseDAT.isConnected());
}

// The settings of one dataset are never written into another dataset that happens to be open, and that
// dataset stays open; the open dataset itself is used as it is and stays open too.
TEST_F(TusinSetteiTest, CloudShareSettingsLeaveAnotherOpenDatasetAlone) {
    testenv::CompanySpec other;
    other.title = QStringLiteral("別の会社");
    other.kishu = QDate(2025, 4, 1);
    const testenv::Dataset second = e.root->addDataset(other, 2);
    TfrmTusinSettei f;
    EXPECT_EQ(f.OpenCloudShareSettings(second.folder), 9);
    EXPECT_TRUE(e.ui->messageTexts().contains(QStringLiteral("データに接続できません。")));
    ASSERT_TRUE(e.dm->IBDatabaseDAT.isConnected());
    EXPECT_EQ(QDir::cleanPath(e.dm->IBDatabaseDAT.path()),
              QDir::cleanPath(TDM::DatabaseName(SystemDef.HOSTNAME, ds.folder, DataFileName)));

    whenShown<TfrmTusinSettei>([](TfrmTusinSettei* w) { press(w->txtConPasswd(), Qt::Key_Escape); });
    EXPECT_EQ(f.OpenCloudShareSettings(ds.folder), 9);
    EXPECT_TRUE(e.dm->IBDatabaseDAT.isConnected());
}
