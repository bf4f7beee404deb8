// The shared-server buttons of the data-selection dialog in stand-alone mode on a real dataset kept in a
// temporary folder that stands for the share: 共有取得, 共有保管 and F4 (assignment removed).

#include "support/SystemDbProbe.h"

#include "controls/PerfectGrid.h"
#include "core/DataModule.h"
#include "core/TDataInfomation.h"
#include "core/uAccFunction2_System.h"
#include "core/uAccFunction_AccReg.h"
#include "core/uAccRecord.h"
#include "datasel/z5DataSentaku.h"
#include "platform/IniFile.h"
#include "support/DmFixture.h"
#include "tusin/z5ServerSentaku.h"
#include "ui_z5DataSentaku.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <QTimer>
#include <gtest/gtest.h>
#include <memory>

namespace {

using Box = TDataSentakuBox;
constexpr int kRec = 7;

class SharedServerCopyBoxTest : public ::testing::Test {
protected:
    void SetUp() override {
        e.connectSystem();
        testenv::CompanySpec c;
        c.code = QStringLiteral("3001");
        c.name = QStringLiteral("共有商事");
        const testenv::Dataset ds = e.root->addDataset(c, kRec);
        local = ds.folder;
        if (merged) {
            // Merged data with one distributed child in "001".
            ds.setAccReg(QStringLiteral("基本設定"), QStringLiteral("合算データ区分"), QStringLiteral("整数"),
                         QStringLiteral("1"));
            ds.setAccReg(QStringLiteral("基本設定"), QStringLiteral("合算データ数"), QStringLiteral("整数"),
                         QStringLiteral("1"));
            ASSERT_TRUE(QDir().mkpath(local + QStringLiteral("/001")));
            ASSERT_TRUE(QFile::copy(ds.database, local + QStringLiteral("/001/placc.fdb")));
            IniFile ini(local + QStringLiteral("/placc.ini"), false);
            ini.writeString(QStringLiteral("DATAINFO"), QStringLiteral("GASSANKBN"), QStringLiteral("1"));
            ASSERT_TRUE(ini.save());
            e.executeSystem(QStringLiteral("UPDATE DATALIST SET GASSAN=1 WHERE REC=%1").arg(kRec));
        }
        // The dataset lives on the share; the row works on a local copy that is not there yet.
        shared = e.env.path() + QStringLiteral("/share/pellanzaimu/sv0001");
        ASSERT_TRUE(QDir().mkpath(shared));
        ASSERT_TRUE(ShellFolderCopyMove(local + QStringLiteral("/*"), shared, FO_MOVE));
        ASSERT_TRUE(QDir(local).removeRecursively());
        e.executeSystem(
            QStringLiteral("UPDATE DATALIST SET NETDRIVE=1, KYOYULOCK=0, PASNAME='%1' WHERE REC=%2")
                .arg(shared)
                .arg(kRec));
    }

    std::unique_ptr<Box> prepared() {
        auto box = std::make_unique<Box>();
        box->KeepOnClose = true;
        box->SetParams({QStringLiteral("SyoriType=0")});
        box->Prepare(true);
        return box;
    }
    int rowOfRec(const Box& box, int rec) const {
        const TPerfectGrid* g = box.Grid();
        for (int r = 0; r < g->RowCount(); ++r)
            if (g->CellText(r, -1).toInt() == rec && g->CellText(r, Box::colGassan).toInt() != 10)
                return r;
        return -1;
    }
    void focus(Box& box, int rec) {
        const int r = rowOfRec(box, rec);
        ASSERT_GE(r, 0);
        box.Grid()->SetCurrentCell(r, 0);
        box.SetFunctionKeys();
    }
    QString listValue(const char* column) const {
        return testenv::systemValue(
            *e.root,
            QStringLiteral("SELECT %1 FROM DATALIST WHERE REC=%2").arg(QLatin1String(column)).arg(kRec));
    }
    static int shareStatus(const QString& folder) {
        TDataInfomation info;
        TDataInfomationRec r;
        info.ReadDataIni(folder, r);
        return r.SHARE_STATUS;
    }

    testenv::DmEnvironment e;
    bool merged = false;
    QString shared;
    QString local;
};

class SharedMergedCopyBoxTest : public SharedServerCopyBoxTest {
protected:
    void SetUp() override {
        merged = true;
        SharedServerCopyBoxTest::SetUp();
    }
};

TEST_F(SharedServerCopyBoxTest, GetStoreAndUnassign) {
    auto box = prepared();
    focus(*box, kRec);
    const int row = rowOfRec(*box, kRec);

    e.ui->queueAnswer(ui::mrYes);
    box->form().btnSharedGet->click();
    EXPECT_TRUE(QFileInfo::exists(local + u'/' + DataFileName));
    EXPECT_EQ(listValue("KYOYULOCK"), QStringLiteral("1"));
    EXPECT_EQ(shareStatus(shared), 2);
    EXPECT_EQ(box->Grid()->CellText(row, Box::colShared), QStringLiteral("1"));
    box->show();
    testenv::saveShot(*box, QStringLiteral("data_selection_shared_held"));

    e.ui->clear();
    e.ui->queueAnswer(ui::mrYes);
    focus(*box, kRec);
    box->form().btnSharedPut->click();
    EXPECT_EQ(e.ui->messageTexts(),
              QStringList{QStringLiteral("共有データの保管を行います。よろしいですか？")});
    EXPECT_EQ(listValue("KYOYULOCK"), QStringLiteral("0"));
    EXPECT_EQ(shareStatus(shared), 1);
    EXPECT_EQ(box->Grid()->CellText(row, Box::colShared), QStringLiteral("0"));

    // F4: the row is no longer assigned and the local copy is gone; the share keeps its data.
    e.ui->clear();
    e.ui->queueAnswer(ui::mrOk);
    focus(*box, kRec);
    EXPECT_EQ(box->UnassignSharedData(), 1);
    EXPECT_EQ(listValue("NETDRIVE"), QStringLiteral("0"));
    EXPECT_FALSE(QFileInfo::exists(local));
    EXPECT_TRUE(QFileInfo::exists(shared + u'/' + DataFileName));
}

TEST_F(SharedServerCopyBoxTest, GetOnARowThatHoldsOtherDataIsRefused) {
    testenv::CompanySpec c;
    c.code = QStringLiteral("3002");
    c.name = QStringLiteral("手元商事");
    e.root->addDataset(c, 8);
    auto box = prepared();
    focus(*box, 8);
    // The key bar keeps the button disabled on such a row; the handler refuses all the same.
    EXPECT_FALSE(box->form().btnSharedGet->isEnabled());
    box->btnKyoyuDataDownClick();
    EXPECT_EQ(e.ui->messageTexts(),
              QStringList{QStringLiteral("選択したフォルダには既にデータが登録されています。\r")});
}

TEST_F(SharedMergedCopyBoxTest, ADamagedChildStopsAManualStoreButNotAnAutomaticOne) {
    auto box = prepared();
    focus(*box, kRec);
    ASSERT_EQ(box->ReceiveSharedData(true), 1) << e.ui->messageTexts().join(u'|').toStdString();
    ASSERT_TRUE(QFileInfo::exists(local + QStringLiteral("/001/placc.fdb")));
    // The data check finds the child's local copy damaged.
    const QString damagedChild = local + QStringLiteral("/001");
    SystemDef.DataCheck = 1;
    DataCheckProc = [&](const QString&, const QString& folder, int, int& result) {
        result = folder == damagedChild ? 0 : 1;
    };
    const auto restore = qScopeGuard([] {
        SystemDef.DataCheck = 0;
        DataCheckProc = nullptr;
    });

    e.ui->clear();
    focus(*box, kRec);
    EXPECT_EQ(box->SendSharedData(false), 0);
    ASSERT_FALSE(e.ui->messageTexts().isEmpty());
    EXPECT_TRUE(e.ui->messageTexts().last().startsWith(
        QStringLiteral("合算・分散データに破損したデータが存在するため、共有データの保管を中止します。")));
    EXPECT_EQ(listValue("KYOYULOCK"), QStringLiteral("1"));

    focus(*box, kRec);
    EXPECT_EQ(box->SendSharedData(true), 1);
    EXPECT_EQ(listValue("KYOYULOCK"), QStringLiteral("0"));
}

TEST_F(SharedServerCopyBoxTest, GetOnAnEmptyRowAssignsTheAreaChosenOnTheShare) {
    // The share folder as the application ini names it; the row of slot 7 is taken back to nothing.
    SystemDef.AppIniFile = e.root->appIni();
    IniFile ini(SystemDef.AppIniFile, false);
    ini.writeString(QStringLiteral("SHAREFOLDER"), QStringLiteral("S"),
                    e.env.path() + QStringLiteral("/share"));
    ASSERT_TRUE(ini.save());
    SystemDef.ZenkaiDrive = QStringLiteral("S");
    e.executeSystem(QStringLiteral("UPDATE DATALIST SET NETDRIVE=0, ENTTEXT='', SHOUGOU='', DATACODE='', "
                                   "PASNAME='%1' WHERE REC=%2")
                        .arg(local)
                        .arg(kRec));
    auto box = prepared();
    focus(*box, kRec);
    ASSERT_TRUE(box->form().btnSharedGet->isEnabled());

    bool chosen = false;
    QTimer::singleShot(0, [&] {
        TServerSentakuBox* server = box->ServerBox();
        const TPerfectGrid* g = server->Grid();
        for (int r = 0; r < g->RowCount(); ++r)
            if (g->CellText(r, TServerSentakuBox::colFolder) == shared) {
                server->Grid()->SetCurrentCell(r, TServerSentakuBox::colName);
                server->SetFunctionKeys();
                server->F12Click();
                chosen = true;
            }
        if (!chosen)
            server->reject();
    });
    box->form().btnSharedGet->click();

    ASSERT_TRUE(chosen);
    EXPECT_TRUE(QFileInfo::exists(local + u'/' + DataFileName));
    EXPECT_EQ(listValue("NETDRIVE"), QStringLiteral("1"));
    EXPECT_EQ(listValue("PASNAME"), shared);
    EXPECT_EQ(listValue("KYOYULOCK"), QStringLiteral("1"));
    EXPECT_EQ(listValue("ENTTEXT"), QStringLiteral("共有商事"));
    EXPECT_EQ(shareStatus(shared), 2);
}

} // namespace
