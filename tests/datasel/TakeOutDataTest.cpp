// Taking a dataset of the test server out to this computer's own data root and bringing it back. The
// data-selection dialog lists the server's datasets (client/server mode); the second, local dialog is
// the registered "QzDataSenkaku" of type 5, scripted once it shows. After every run, failed or not, the
// process-wide connection settings must be those of the server again and the server row must carry
// the lock only while the data is out.

#include "support/ModalScript.h"

#include "controls/PerfectGrid.h"
#include "controls/xPlButton.h"
#include "controls/xRadioButton.h"
#include "core/DataModule.h"
#include "core/DialogRegistry.h"
#include "core/uAccRecord.h"
#include "datasel/z5DataSentaku.h"
#include "datasel/z5WhichDataSet.h"
#include "platform/firebird/FbDatabase.h"
#include "platform/firebird/FbQuery.h"
#include "platform/firebird/FbTransaction.h"
#include "support/DmFixture.h"
#include "ui_z5WhichDataSet.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

namespace {

using Box = TDataSentakuBox;

void focusFolder(Box& box, const QString& folder) {
    TPerfectGrid* g = box.Grid();
    const QString shown = QString(folder).replace(SystemDef.DataRoot, QStringLiteral("~"));
    for (int r = 0; r < g->RowCount(); ++r) {
        if (g->CellText(r, Box::colFolder).compare(shown, Qt::CaseInsensitive) == 0) {
            g->SetCurrentCell(r, 0);
            box.SetFunctionKeys();
            return;
        }
    }
    ADD_FAILURE() << "no row for " << folder.toStdString();
}

// Everything the switch to this computer's data changes, one line each.
std::string connectionState() {
    return QStringList{QString::number(ConnectMode),
                       SystemDef.HOSTNAME,
                       SystemDef.SYSDIR,
                       SystemDef.DataDir,
                       SystemDef.ListPath,
                       SystemDef.SelectedPaths,
                       QString::number(SystemDef.AllSisetuSwitch),
                       QStringLiteral("%1.%2.%3")
                           .arg(SystemDef.SysDbMAJOR)
                           .arg(SystemDef.SysDbMINOR1)
                           .arg(SystemDef.SysDbMINOR2),
                       DM->IBDatabaseDEF.isConnected() ? DM->IBDatabaseDEF.path()
                                                       : QStringLiteral("<detached>")}
        .join(u'\n')
        .toStdString();
}

class TakeOutDataTest : public ::testing::Test {
protected:
    void SetUp() override {
        server = qEnvironmentVariable("QV_FB_SERVER");
        if (server.isEmpty())
            GTEST_SKIP() << "QV_FB_SERVER not set (test.sh starts the server)";
        RegisterDataSentakuBox();
        RunDialogByNameProc = RunNamedDialog;
        // The server's data root lies apart from this computer's own (the default one of the fixture).
        serverRoot = std::make_unique<testenv::DataRoot>(e.env.path() + QStringLiteral("/server"));
        testenv::CompanySpec c;
        c.code = QStringLiteral("1201");
        c.name = QStringLiteral("甲商事");
        serverData = serverRoot->addDataset(c, 1);
        localSlot = e.root->dataDir() + QStringLiteral("/0005");
        transfer = e.env.temp();

        // The server keeps its file-manager database, so backups come to this computer through it.
        testenv::createDatabaseFromScript(testenv::fileManagerSchemaScript(),
                                          serverRoot->dataDir() + QStringLiteral("/plfileman.fdb"));
        ASSERT_TRUE(e.logOnToServer(server, serverRoot->dataDir()))
            << e.ui->messageTexts().join(u'\n').toStdString();
        // A data folder of the server's own choosing holds the work folder.
        ASSERT_EQ(SystemDef.ServerDriveDir, serverRoot->dataDir() + QStringLiteral("/pellanzaimu/temp"));
        SystemDef.DataDir = QStringLiteral("/nowhere/chosen");
        SystemDef.ListPath = QStringLiteral("/nowhere/listed");
        SystemDef.SelectedPaths = QStringLiteral("PATH1=a\rPATH2=b");
        SystemDef.SysDbMINOR1 = 3;
        serverState = connectionState();
    }
    void TearDown() override {
        if (e.dm) {
            e.dm->fnAccDatDisConnected(QString(), 0, 0);
            e.dm->IBDatabaseDEF.detach();
        }
        ConnectMode = 0;
        RunDialogByNameProc = nullptr;
    }

    std::unique_ptr<Box> prepared() {
        auto box = std::make_unique<Box>();
        box->KeepOnClose = true;
        box->SetParams({QStringLiteral("SyoriType=0")});
        box->Prepare(true);
        focusFolder(*box, serverData.folder);
        return box;
    }
    void setOperator(int code, int jobLevel) {
        SystemDef.LoginCode = code;
        SystemDef.OPCODE = 10000 * 10000 + code;
        SystemDef.JOBLEVEL = jobLevel;
        // Facilities do not limit anyone here: only the lock decides.
        SystemDef.SisetuFree = 1;
    }
    // The choice answers OK; then the local dialog, when one shows, gets its script (the save before it
    // may take long on a busy computer). A script whose run showed no local dialog does nothing on a
    // later one.
    void script(bool expectTakenOut, const std::function<void(Box&)>& local = {}) {
        const int generation = ++scriptGeneration;
        testenv::whenShown<TWhichDataSetBox>([=, this](TWhichDataSetBox& d) {
            EXPECT_EQ(d.MochidashiButton()->isEnabled(), !expectTakenOut);
            EXPECT_EQ(d.MochikaeriButton()->isChecked(), expectTakenOut);
            if (local) {
                testenv::whenShown<Box>([=, this](Box& b) {
                    if (generation != scriptGeneration)
                        return;
                    localShown = true;
                    EXPECT_EQ(b.SyoriType, 5);
                    EXPECT_EQ(ConnectMode, 0);
                    EXPECT_EQ(SystemDef.SYSDIR, e.root->dataDir());
                    EXPECT_EQ(SystemDef.AllSisetuSwitch, 1);
                    local(b);
                });
            }
            d.form().btnOK->click();
        });
    }
    // Through the module's connection, which is the server's.
    QString serverLock() {
        OwnTransaction own(DM->IBTransactionDEF);
        fb::Query q(DM->IBTransactionDEF, QStringLiteral("SELECT DATALOCK FROM DATALIST WHERE REC=1"));
        q.open();
        const QString value = q.eof() ? QStringLiteral("<none>") : q.field(0).asString();
        q.close();
        own.commit();
        return value;
    }
    // One value of a dataset's database: through the server for its datasets, embedded for local ones.
    QString stored(const QString& database, const QString& sql) {
        fb::Database db(database, testenv::databaseUser());
        try {
            db.attach();
        } catch (const fb::Error&) {
            return QStringLiteral("<no database>");
        }
        fb::Transaction t(db);
        fb::Query q(t, sql);
        q.open();
        const QString value = q.eof() ? QStringLiteral("<none>") : q.field(0).asString();
        q.close();
        t.commit();
        return value;
    }
    QString serverMarker() { return stored(server + u':' + serverData.database, kMarkerSql); }
    void runAndSelectLocal(Box& b) {
        focusFolder(b, localSlot);
        b.F12Click();
    }

    const QString kMarkerSql =
        QStringLiteral("SELECT ATEXT FROM ACCREG WHERE AGROUP='持ち出し' AND ACODE='確認'");
    testenv::DmEnvironment e;
    QString server;
    std::unique_ptr<testenv::DataRoot> serverRoot;
    testenv::Dataset serverData;
    QString localSlot;
    QString transfer;
    std::string serverState;
    bool localShown = false;
    int scriptGeneration = 0;
};

TEST_F(TakeOutDataTest, TakeOutAndBringBackOnlyForTheOperatorWhoTookTheDataOut) {
    auto box = prepared();
    EXPECT_EQ(box->KeyCaption(Box::kF3), QStringLiteral("F3:持ち出し"));

    // Out, by F3: the server's dataset lands in the local slot and the server row carries the lock.
    script(false, [this](Box& b) { runAndSelectLocal(b); });
    box->F3Click();
    EXPECT_TRUE(localShown);
    EXPECT_EQ(connectionState(), serverState);
    EXPECT_EQ(stored(localSlot + QStringLiteral("/placc.fdb"),
                     QStringLiteral("SELECT SHOUGOU FROM ACCDEF1 WHERE REC=1")),
              QStringLiteral("甲商事"));
    EXPECT_EQ(serverLock(), QStringLiteral("10"));
    EXPECT_EQ(box->Grid()->CellText(box->Grid()->CurrentRow(), Box::colLock), QStringLiteral("10"));
    EXPECT_EQ(e.ui->messageTexts(),
              QStringList{QStringLiteral("続いて、このコンピュータのデータリストを表示します。\r持ち出し先を"
                                         "選んで下さい。")});

    // Worked on at this computer.
    testenv::Dataset local;
    local.database = localSlot + QStringLiteral("/placc.fdb");
    local.setAccReg(QStringLiteral("持ち出し"), QStringLiteral("確認"), QStringLiteral("文字"),
                    QStringLiteral("持ち帰り分"));

    // Another operator: a restricted one is refused before anything is shown; an unrestricted one may
    // go on (and here cancels the local dialog). The lock stays with operator 10 either way.
    struct Other {
        int code;
        int jobLevel;
        bool allowed;
    } others[] = {{20, 1, false}, {30, 9, true}};
    for (const Other& o : others) {
        SCOPED_TRACE(o.code);
        setOperator(o.code, o.jobLevel);
        e.ui->clear();
        localShown = false;
        const auto cancel = [](Box& b) { QTest::keyClick(b.Grid(), Qt::Key_Escape); };
        script(true, cancel);
        EXPECT_FALSE(box->TakeOutData());
        EXPECT_EQ(localShown, o.allowed);
        const QString shown = e.ui->messageTexts().join(u'\n');
        EXPECT_EQ(shown.contains(QStringLiteral(
                      "このデータは違うオペレータにより持ち出されているため持ち帰りは行えません。")),
                  !o.allowed)
            << shown.toStdString();
        EXPECT_EQ(serverLock(), QStringLiteral("10"));
        EXPECT_EQ(connectionState(), serverState);
    }
    EXPECT_EQ(serverMarker(), QStringLiteral("<none>"));

    // Back, by the operator who took it out (restricted otherwise): the server row takes the local
    // data and the lock goes.
    setOperator(10, 1);
    e.ui->clear();
    localShown = false;
    script(true, [this](Box& b) { runAndSelectLocal(b); });
    EXPECT_TRUE(box->TakeOutData());
    EXPECT_TRUE(localShown);
    EXPECT_EQ(connectionState(), serverState);
    EXPECT_EQ(serverLock(), QStringLiteral("0"));
    EXPECT_EQ(serverMarker(), QStringLiteral("持ち帰り分"));
    EXPECT_EQ(box->Grid()->CellText(box->Grid()->CurrentRow(), Box::colLock), QStringLiteral("0"));
}

TEST_F(TakeOutDataTest, FailuresLeaveTheServerRowAsItWasAndTheServerSettingsInForce) {
    auto box = prepared();

    // Nothing happens in the third server mode.
    ConnectMode = 2;
    EXPECT_TRUE(box->TakeOutData());
    ConnectMode = 1;
    EXPECT_TRUE(e.ui->shown().empty());

    // A take-out cancelled in the local dialog: no lock, the backup waits in the temporary folder.
    script(false, [](Box& b) { QTest::keyClick(b.Grid(), Qt::Key_Escape); });
    EXPECT_FALSE(box->TakeOutData());
    EXPECT_TRUE(localShown);
    EXPECT_EQ(connectionState(), serverState);
    EXPECT_EQ(serverLock(), QStringLiteral("0"));
    EXPECT_TRUE(QFileInfo::exists(transfer + QStringLiteral("/placc.fbk")));
    EXPECT_FALSE(QFileInfo::exists(localSlot + QStringLiteral("/placc.fdb")));

    // The server cannot be reached again after the local dialog: the row is not locked, though the
    // data did land here, and the settings are the server's.
    const QString system = serverRoot->systemDatabase();
    localShown = false;
    script(false, [&](Box& b) {
        runAndSelectLocal(b);
        ASSERT_TRUE(QFile::rename(system, system + QStringLiteral(".away")));
    });
    e.ui->clear();
    EXPECT_FALSE(box->TakeOutData());
    EXPECT_TRUE(localShown);
    ASSERT_TRUE(QFile::rename(system + QStringLiteral(".away"), system));
    // The information before the local dialog, then the failed connection.
    EXPECT_GE(e.ui->shown().size(), 2u) << e.ui->messageTexts().join(u'\n').toStdString();
    EXPECT_EQ(connectionState(), serverState.substr(0, serverState.rfind('\n') + 1) + "<detached>");
    ASSERT_TRUE(DM->fnAccDefConnected(QString(), 1));
    EXPECT_EQ(connectionState(), serverState);
    EXPECT_EQ(serverLock(), QStringLiteral("0"));
    EXPECT_TRUE(QFileInfo::exists(localSlot + QStringLiteral("/placc.fdb")));

    // A bring-back whose restore fails: the server data is untouched and the lock is put back.
    box = prepared();
    box->SetRowLock(true);
    ASSERT_EQ(serverLock(), QStringLiteral("10"));
    localShown = false;
    script(true, [this](Box& b) {
        runAndSelectLocal(b);
        // What arrives is no backup.
        testenv::writeFile(transfer + QStringLiteral("/placc.fbk"), QByteArray(4096, 'x'));
    });
    e.ui->clear();
    EXPECT_FALSE(box->TakeOutData());
    EXPECT_TRUE(localShown);
    EXPECT_FALSE(e.ui->shown().empty());
    EXPECT_EQ(connectionState(), serverState);
    EXPECT_EQ(serverLock(), QStringLiteral("10"));
    EXPECT_EQ(box->Grid()->CellText(box->Grid()->CurrentRow(), Box::colLock), QStringLiteral("10"));
    EXPECT_EQ(stored(server + u':' + serverData.database,
                     QStringLiteral("SELECT SHOUGOU FROM ACCDEF1 WHERE REC=1")),
              QStringLiteral("甲商事"));
}

} // namespace
