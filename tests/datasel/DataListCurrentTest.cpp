// Keeping the data-selection list current: the refresh of every row with its cancel button, a dataset
// rebuilt from its details read again, and held shared data's row in the shared-server list.
#include "support/SystemDbProbe.h"

#include "controls/PerfectGrid.h"
#include "controls/xAnimeProgressDialog.h"
#include "core/DataModule.h"
#include "core/TBackupRestoreThread.h"
#include "core/uAccRecord.h"
#include "datalist/z5DataSyosaiInfo.h"
#include "datasel/z5DataSentaku.h"
#include "platform/IniFile.h"
#include "support/DmFixture.h"
#include "ui_z5DataSentaku.h"
#include "ui_z5DataSyosaiInfo.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

class DataListCurrentTest : public ::testing::Test {
protected:
    void SetUp() override {
        e.connectSystem();
        for (int rec = 1; rec <= 3; ++rec) {
            testenv::CompanySpec c;
            c.code = QStringLiteral("%1").arg(1200 + rec);
            c.name = QStringLiteral("商事%1").arg(rec);
            datasets.push_back(e.root->addDataset(c, rec));
        }
        box = std::make_unique<TDataSentakuBox>();
        box->KeepOnClose = true;
        box->SetParams({QStringLiteral("SyoriType=0")});
        box->Prepare(true);
    }
    int rowOf(const QString& code) const {
        for (int r = 0; r < box->Grid()->RowCount(); ++r)
            if (box->Grid()->CellText(r, TDataSentakuBox::colCode) == code)
                return r;
        return -1;
    }
    QString ini(int index) const { return datasets[index].folder + QStringLiteral("/placc.ini"); }

    testenv::DmEnvironment e;
    std::vector<testenv::Dataset> datasets;
    std::unique_ptr<TDataSentakuBox> box;
};

TEST_F(DataListCurrentTest, TheRefreshReadsEveryRowUnlessCancelled) {
    // The refresh writes each dataset's information file again: the files show which rows it reached.
    const auto removeInis = [&] {
        for (int i = 0; i < 3; ++i)
            QFile::remove(ini(i));
    };
    ASSERT_EQ(rowOf(QStringLiteral("1201")), 0);
    removeInis();
    int asked = 0;
    box->RefreshCancelled = [&] { return ++asked >= 1; }; // cancelled during the first row
    e.ui->queueAnswer(ui::mrYes);
    box->btnListUpdateClick();
    EXPECT_EQ(e.ui->messageTexts(),
              QStringList{QStringLiteral("データリストの更新を行います。\rよろしいですか？")});
    EXPECT_TRUE(QFile::exists(ini(0)));
    EXPECT_FALSE(QFile::exists(ini(1)));
    EXPECT_FALSE(QFile::exists(ini(2)));

    // The progress window names the row under way.
    QStringList lines;
    box->RefreshCancelled = [&] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* p = qobject_cast<TxProgressForm*>(w))
                lines << p->label()->text();
        return false;
    };
    e.ui->queueAnswer(ui::mrYes);
    box->btnListUpdateClick();
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(QFile::exists(ini(i))) << i;
    ASSERT_EQ(lines.size(), box->Grid()->RowCount());
    EXPECT_EQ(lines.first(), QStringLiteral("データリスト（1行目）の更新中…"));
    EXPECT_EQ(lines.last(), QStringLiteral("データリスト（%1行目）の更新中…").arg(lines.size()));

    // Nothing while the grid does not respond.
    e.ui->clear();
    box->Grid()->setEnabled(false);
    box->btnListUpdateClick();
    EXPECT_EQ(e.ui->messageTexts(),
              QStringList{QStringLiteral("データリストが応答状態ではないので処理は行えません。")});
}

TEST_F(DataListCurrentTest, ARebuiltDatasetIsReadAgainHoweverTheDetailsClose) {
    TPerfectGrid* g = box->Grid();
    const int r = rowOf(QStringLiteral("1202"));
    ASSERT_GE(r, 0);
    g->SetCurrentCell(r, 0);
    box->RowRecord(r).DATA_STATUS = 1; // marked damaged
    bool shown = false;
    QTimer::singleShot(0, [&] {
        auto* details = qobject_cast<TDataSyosaiInfoBox*>(QApplication::activeModalWidget());
        ASSERT_NE(details, nullptr);
        shown = true;
        details->RunRebuildWorker = [](TBackupRestoreThread&) { return true; };
        e.ui->queueAnswer(ui::mrOk);
        details->form().F7->click();
        EXPECT_TRUE(details->Rebuilt);
        details->form().btnCancel->click();
    });
    box->form().btnDataInfo->click();
    ASSERT_TRUE(shown);
    EXPECT_EQ(box->RowRecord(r).DATA_STATUS, 0);
    EXPECT_EQ(g->CurrentRow(), r);
    EXPECT_TRUE(e.ui->messageTexts().contains(QStringLiteral("データの再構築は適正に行われました。")));
}

TEST_F(DataListCurrentTest, HeldSharedDataCarriesItsNewNameIntoTheSharedServerList) {
    const QString area = e.env.temp() + QStringLiteral("/share/sv0001");
    ASSERT_TRUE(QDir().mkpath(area));
    TDataListRec entry = box->RowRecord(rowOf(QStringLiteral("1201")));
    entry.NETDRIVE = 1;
    entry.KYOYULOCK = 1;
    entry.PASNAME = area;
    entry.ENTTEXT = QStringLiteral("共有の新名");
    entry.UPDATE_LOCK = 1;
    box->UpdateServerListRow(entry);
    EXPECT_EQ(testenv::systemValue(*e.root, QStringLiteral("SELECT ENTTEXT || '/' || UPDATE_LOCK FROM "
                                                           "SERVERDATALIST")),
              QStringLiteral("共有の新名/1"));
    const IniFile areaIni(area + QStringLiteral("/placc.ini"));
    EXPECT_EQ(areaIni.readString(QStringLiteral("DATAINFO"), QStringLiteral("DATALISTNAME"), QString()),
              QStringLiteral("共有の新名"));
    // A local dataset has no row there.
    entry.NETDRIVE = 0;
    entry.ENTTEXT = QStringLiteral("別名");
    box->UpdateServerListRow(entry);
    EXPECT_EQ(testenv::systemValue(*e.root, QStringLiteral("SELECT ENTTEXT FROM SERVERDATALIST")),
              QStringLiteral("共有の新名"));
    // The refresh of a held shared row carries the dataset's own name there too.
    const int r = rowOf(QStringLiteral("1201"));
    TDataListRec& held = box->RowRecord(r);
    held.NETDRIVE = 1;
    held.KYOYULOCK = 1;
    held.PASNAME = area;
    box->DataListRefresh(r);
    EXPECT_EQ(testenv::systemValue(*e.root, QStringLiteral("SELECT ENTTEXT FROM SERVERDATALIST")),
              QStringLiteral("商事1"));
}

} // namespace
