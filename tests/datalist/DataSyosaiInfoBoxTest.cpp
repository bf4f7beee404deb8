// The dataset details: what a fixture dataset shows, who may clear a status left behind, damaged and
// old data, the list name on OK, and the rebuild with its safety copy.
#include "datalist/z5DataSyosaiInfo.h"

#include "core/TBackupRestoreThread.h"
#include "core/uAccRecord.h"
#include "core/z5AppInfo.h"
#include "datalist/z5ComDataSentaku.h"
#include "platform/IniFile.h"
#include "platform/firebird/FbQuery.h"
#include "support/DmFixture.h"
#include "ui_z5DataSyosaiInfo.h"

#include <QDir>
#include <QFile>
#include <QInputMethodEvent>
#include <QtTest/QTest>
#include <gtest/gtest.h>

namespace {

class DataSyosaiInfoBoxTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetScreenPixelsPerInch(96);
        e.connectSystem();
        AppInfo.Zaimu.AppTitle = QStringLiteral("ペラン財務");
        testenv::CompanySpec c;
        c.code = QStringLiteral("1201");
        c.name = QStringLiteral("甲商事株式会社");
        c.kana = QStringLiteral("ｺｳｼｮｳｼﾞ");
        c.nendo = 12;
        ds = e.root->addDataset(c, 1);
        setInfo({{"TANTO", "7"},
                 {"BUMON", "2"},
                 {"BUMONCNT", "5"},
                 {"SITEN", "1"},
                 {"SITENCNT", "3"},
                 {"SIWAKE", "1234"}});
        box = std::make_unique<TDataSyosaiInfoBox>();
        box->Row.REC = 1;
        box->Row.SHOUGOU = c.name;
        box->DataFolder = ds.folder;
        box->ListName = QStringLiteral("甲商事（本年）");
    }
    void TearDown() override {
        box.reset();
        ConnectMode = 0;
        SystemDef.JOBLEVEL = 0;
        SetScreenPixelsPerInch(0);
    }

    void setIni(const char* section, const QList<QPair<QString, QString>>& values) const {
        IniFile ini(ds.folder + QStringLiteral("/placc.ini"), false);
        for (const auto& [key, value] : values)
            ini.writeString(QString::fromLatin1(section), key, value);
        ASSERT_TRUE(ini.save());
    }
    void setInfo(const QList<QPair<QString, QString>>& values) const { setIni("DATAINFO", values); }
    void setStatus(int status, int opcode) const {
        setIni("DATASTS", {{"STATUS", QString::number(status)}, {"OPCODE", QString::number(opcode)}});
    }

    testenv::DmEnvironment e;
    testenv::Dataset ds;
    std::unique_ptr<TDataSyosaiInfoBox> box;
};

TEST_F(DataSyosaiInfoBoxTest, AFixtureDatasetShowsItsDetails) {
    box->Setup(1);
    Ui::TDataSyosaiInfoBox& f = box->form();
    const QStringList shown = {f.lblCode->text(),  f.lblKubun->text(),    f.lblShougou->text(),
                               f.lblKana->text(),  f.txtListName->text(), f.lblNendo->text(),
                               f.lblTanto->text(), f.lblBumon->text(),    f.lblSiten->text(),
                               f.lblSiwake->text()};
    EXPECT_EQ(shown, (QStringList{"1201", "法人", "甲商事株式会社", "ｺｳｼｮｳｼﾞ", "甲商事（本年）", "12期", "7",
                                  "全科目に5部門設定", "3支店設定", "1234件"}));
    EXPECT_TRUE(f.lblKikan->text().contains(QStringLiteral(" ～ ")));
    EXPECT_EQ(f.lblStatus->text(), DataStatusName(1));
    EXPECT_EQ(f.txtFolder->text(),
              QStringLiteral("[ペラン財務のデータ]") + ds.folder.mid(e.root->root().size()));
    EXPECT_FALSE(box->ClearOffered);
    EXPECT_TRUE(box->RebuildAllowed);
    EXPECT_EQ(f.F7->text(), QStringLiteral("F7:再構築"));
    EXPECT_FALSE(f.txtListName->isReadOnly());
    EXPECT_TRUE(f.chkReadOnly->isEnabled());

    box->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(box.get()));
    testenv::saveShot(*box, QStringLiteral("datasyosaiinfo"));
    EXPECT_TRUE(f.txtListName->hasFocus());
    f.chkUpdateLock->setChecked(true);
    f.txtListName->setText(QStringLiteral("甲商事"));
    f.btnOK->click();
    EXPECT_FALSE(box->isVisible());
    EXPECT_EQ(box->result(), 1);
    EXPECT_EQ(box->ResultListName, QStringLiteral("甲商事"));
    EXPECT_EQ(box->ResultUpdateLock, 1);
    EXPECT_EQ(box->ResultReadOnly, 0);
    EXPECT_FALSE(box->StatusCleared);
}
TEST_F(DataSyosaiInfoBoxTest, WhoMayClearAStatusLeftBehind) {
    const qint32 own = SystemDef.OPCODE, other = 10000 * 10000 + 20;
    const struct {
        int status;
        qint32 opcode;
        int jobLevel;
        bool cleared, editable, ok;
    } cases[] = {
        {2, other, 0, false, true, true},  // in use by another operator
        {2, other, 9, true, false, true},  // ... but this one may use every facility
        {2, own, 0, true, false, true},    // left behind by this operator
        {1, own, 9, false, true, true},    // free: nothing to clear
        {3, own, 9, true, false, true},    // data locked
        {10, own, 9, false, false, false}, // damaged: neither OK nor the clear box
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "status " << c.status << " level " << c.jobLevel);
        setStatus(c.status, c.opcode);
        SystemDef.JOBLEVEL = c.jobLevel;
        box->Setup(1);
        EXPECT_EQ(box->ClearOffered && !box->form().chkClear->isHidden(), c.cleared);
        EXPECT_EQ(!box->form().txtListName->isReadOnly(), c.editable);
        EXPECT_EQ(!box->form().btnOK->isHidden(), c.ok);
        EXPECT_EQ(box->form().chkUpdateLock->isEnabled(), c.editable);
    }
    // A locked dataset hides what it cannot read.
    setStatus(3, own);
    box->Setup(1);
    EXPECT_EQ(box->form().lblKana->text(), QStringLiteral("-"));
    EXPECT_EQ(box->form().lblSiwake->text(), QStringLiteral("-件"));
}

TEST_F(DataSyosaiInfoBoxTest, OldDataCannotForbidJournalInputAndNoDataFileShowsDefaults) {
    setInfo({{"VERSION1", "11.9.9"}});
    box->Setup(1);
    EXPECT_FALSE(box->form().chkReadOnly->isEnabled());
    setInfo({{"VERSION1", "12.0.0"}});
    box->Setup(1);
    EXPECT_TRUE(box->form().chkReadOnly->isEnabled());

    box->DataFolder = e.root->dataDir() + QStringLiteral("/9999");
    box->ListName.clear();
    box->Setup(1);
    EXPECT_EQ(box->form().lblCode->text(), QStringLiteral("設定なし"));
    EXPECT_EQ(box->form().lblKikan->text(), QStringLiteral("設定なし"));
    EXPECT_EQ(box->form().lblSiwake->text(), QStringLiteral("0件"));
    EXPECT_TRUE(box->RebuildAllowed); // the row has a company name
}

TEST_F(DataSyosaiInfoBoxTest, ComposingInTheListNameTakesTheRebuildKeyAway) {
    box->Setup(1);
    const auto send = [&](const QString& preedit, const QString& commit) {
        QInputMethodEvent ev(preedit, {});
        ev.setCommitString(commit);
        QCoreApplication::sendEvent(box->form().txtListName, &ev);
    };
    send(QStringLiteral("こう"), QString());
    EXPECT_EQ(box->form().F7->text(), QStringLiteral("F7:"));
    box->form().F7->click(); // a bare key does nothing
    EXPECT_TRUE(e.ui->shown().empty());
    send(QString(), QStringLiteral("甲"));
    EXPECT_EQ(box->form().F7->text(), QStringLiteral("F7:再構築"));
}

TEST_F(DataSyosaiInfoBoxTest, AnEmptyListNameOffersTheCompanyNameAndKeepsTheDialogOpen) {
    box->Setup(1);
    box->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(box.get()));
    box->form().txtListName->setText(QStringLiteral(" 　"));
    e.ui->queueAnswer(ui::mrOk);
    box->OKClick();
    EXPECT_EQ(e.ui->messageTexts(),
              QStringList{QStringLiteral("データリスト名が入力されていません。会社名を設定しますか？")});
    EXPECT_TRUE(box->isVisible());
    EXPECT_EQ(box->form().txtListName->text(), QStringLiteral("甲商事株式会社"));
    box->OKClick();
    EXPECT_FALSE(box->isVisible());
    EXPECT_EQ(box->ResultListName, QStringLiteral("甲商事株式会社"));
}

// ---- rebuild ----

class DataSyosaiRebuildTest : public DataSyosaiInfoBoxTest {
protected:
    QString safety() const { return ds.folder + QStringLiteral("/placc.fd_"); }
    QByteArray bytes(const QString& path) const {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    void spoil(const QString& path) const {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write("half a restore");
    }
    int companyRows() const {
        auto db = ds.connect();
        fb::Transaction t(*db);
        t.start();
        fb::Query q(t, QStringLiteral("SELECT COUNT(*) FROM ACCDEF1"));
        q.open();
        const int n = q.field(0).asInt();
        q.close();
        t.commit();
        return n;
    }
};

TEST_F(DataSyosaiRebuildTest, ADamagedDatasetIsRebuiltAndShownAgain) {
    setStatus(10, SystemDef.OPCODE);
    const int before = companyRows();
    box->Setup(1);
    e.ui->queueAnswer(ui::mrOk);
    box->form().F7->click();
    const QStringList texts = e.ui->messageTexts();
    ASSERT_EQ(texts.size(), 2) << texts.join(u'\n').toStdString();
    EXPECT_TRUE(texts[0].startsWith(QStringLiteral("データの再構築を行いますか？\r注意１）")));
    EXPECT_TRUE(texts[0].contains(QStringLiteral("\r注意２）破損データの場合は")));
    EXPECT_EQ(texts[1], QStringLiteral("データの再構築は適正に行われました。"));
    EXPECT_TRUE(box->Rebuilt);
    // Loaded again: the status was set back to free.
    EXPECT_EQ(box->DataInfo->Rec.STATUS, 1);
    EXPECT_EQ(box->form().lblStatus->text(), DataStatusName(1));
    EXPECT_EQ(companyRows(), before);
    EXPECT_FALSE(QFile::exists(safety()));
    EXPECT_TRUE(QDir(e.root->tempDir()).entryList(QDir::Files).isEmpty());

    // A cancelled confirmation does nothing.
    e.ui->clear();
    bool ran = false;
    box->RunRebuildWorker = [&](TBackupRestoreThread&) { return ran = true; };
    e.ui->queueAnswer(ui::mrCancel);
    box->form().F7->click();
    EXPECT_FALSE(ran);
    EXPECT_EQ(e.ui->messageTexts().size(), 1);
}

TEST_F(DataSyosaiRebuildTest, AFailedRebuildPutsTheSafetyCopyBack) {
    const QByteArray original = bytes(ds.database);
    ASSERT_FALSE(original.isEmpty());
    struct Case {
        const char* name;
        std::function<bool(TBackupRestoreThread&)> worker;
        QStringList messages;
    };
    const Case cases[] = {
        {"the worker reports failure",
         [&](TBackupRestoreThread& w) {
             EXPECT_EQ(w.Mode, TBackupRestoreThread::ModeRebuild);
             EXPECT_EQ(w.DatabaseFile, ds.database);
             EXPECT_EQ(bytes(safety()), original); // taken before the worker starts
             spoil(w.DatabaseFile);
             return false;
         },
         {}},
        {"the rebuild throws",
         [&](TBackupRestoreThread& w) -> bool {
             spoil(w.DatabaseFile);
             throw std::runtime_error("disk full");
         },
         {QStringLiteral("データ再構築の処理に失敗しました。")}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        e.ui->clear();
        box->RunRebuildWorker = c.worker;
        box->Setup(1);
        EXPECT_FALSE(box->RebuildData());
        EXPECT_EQ(e.ui->messageTexts(), c.messages);
        EXPECT_EQ(bytes(ds.database), original);
        EXPECT_FALSE(QFile::exists(safety()));
        EXPECT_FALSE(box->Rebuilt);
    }

    // The safety copy cannot be put back: it is kept, as the only good copy.
    e.ui->clear();
    box->RunRebuildWorker = [&](TBackupRestoreThread& w) {
        QFile::remove(w.DatabaseFile);
        EXPECT_TRUE(QDir().mkpath(w.DatabaseFile + QStringLiteral("/placc.fd_/placc.fd_"))); // no copy lands
        return false;
    };
    EXPECT_FALSE(box->RebuildData());
    EXPECT_EQ(bytes(safety()), original) << e.ui->messageTexts().join(u'\n').toStdString();
}

TEST_F(DataSyosaiRebuildTest, WithoutADataFileTheSafetyCopyFailsAndNothingIsRebuilt) {
    box->DataFolder = e.root->dataDir() + QStringLiteral("/0099");
    ASSERT_TRUE(QDir().mkpath(box->DataFolder));
    box->Setup(1);
    ASSERT_TRUE(box->RebuildAllowed);
    bool ran = false;
    box->RunRebuildWorker = [&](TBackupRestoreThread&) { return ran = true; };
    e.ui->queueAnswer(ui::mrOk);
    box->F7Click();
    EXPECT_FALSE(ran);
    EXPECT_TRUE(e.ui->messageTexts().contains(
        QStringLiteral("データ再構築の前処理（会計データのコピー）に失敗しました。")));
    EXPECT_FALSE(box->Rebuilt);
}

// Client/server: while the rebuild runs, the row carries the operator's lock in the list of the data
// place that holds it, and only there.
TEST_F(DataSyosaiRebuildTest, TheRowIsLockedInTheListOfItsDataPlace) {
    const QString server = qEnvironmentVariable("QV_FB_SERVER");
    if (server.isEmpty())
        GTEST_SKIP() << "QV_FB_SERVER not set (test.sh starts the server)";
    e.executeSystem(QStringLiteral("UPDATE OR INSERT INTO DATAPLACEMAN (REC, ORDERKBN, NAME, PATH) "
                                   "VALUES (5, 6, '支店', '/place5') MATCHING (REC)"));
    e.executeSystem(QStringLiteral("INSERT INTO DATALIST_EX (DATAPLACEREC, REC, GROUPID, PASNAME, DATALOCK) "
                                   "VALUES (5, 1, 10000, '%1', 0)")
                        .arg(ds.folder));
    e.dm->IBDatabaseDAT.detach();
    e.dm->IBDatabaseDEF.detach();
    ConnectMode = 1;
    SystemDef.HOSTNAME = server;
    ASSERT_TRUE(e.dm->fnAccDefConnected(QString(), 1));
    const auto locks = [&] {
        OwnTransaction own(e.dm->IBTransactionDEF);
        fb::Query q(e.dm->IBTransactionDEF,
                    QStringLiteral(
                        "SELECT (SELECT DATALOCK FROM DATALIST_EX WHERE DATAPLACEREC=5 AND REC=1) || '/' || "
                        "(SELECT DATALOCK FROM DATALIST WHERE REC=1) FROM RDB$DATABASE"));
        q.open();
        const QString v = q.field(0).asString();
        q.close();
        own.commit();
        return v;
    };
    box->DataPlaceRec = 5;
    box->Setup(1);
    QString during;
    box->RunRebuildWorker = [&](TBackupRestoreThread&) {
        during = locks();
        return true;
    };
    e.ui->onMessage = [&](const ui::MessageRequest&) {
        if (during.isEmpty())
            during = locks();
        return -1;
    };
    box->RebuildData();
    EXPECT_EQ(during, QStringLiteral("10/0")) << e.ui->messageTexts().join(u'\n').toStdString();
    EXPECT_EQ(locks(), QStringLiteral("0/0"));
    e.dm->IBDatabaseDEF.detach();
}

} // namespace
