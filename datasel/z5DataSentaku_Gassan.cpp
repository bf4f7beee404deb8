// Merged data in the data selection (stand-alone): F3 on a merged row adds a distributed-input child;
// deleting a child writes the merged dataset's new child count.
#include "controls/PerfectGrid.h"
#include "controls/xAnimeProgressDialog.h"
#include "core/DataModule.h"
#include "core/uAccRecord.h"
#include "datalist/z5ComDataSentaku.h"
#include "datasel/z5DataSentaku.h"
#include "datasel/z5GassanSyori.h"
#include "platform/UserInteraction.h"
#include "ui_z5DataSentaku.h"

namespace {

// The most children a merged dataset can have.
constexpr qint32 kMaxChildren = 99;

} // namespace

void TDataSentakuBox::AddBunsanData() {
    if (ConnectMode != 0 || !hasCurrentRow())
        return;
    TPerfectGrid* g = ui->PerfectGrid1;
    const int row = ParentRow(g->CurrentRow());
    const int index = g->CellText(row, colListIndex).toInt();
    if (index < 0 || index >= List.size())
        return;
    TDataSentakuRec& parent = List[index];
    if (parent.GASSAN != 1 && parent.GASSAN != 2)
        return;
    if (parent.CHILDCNT >= kMaxChildren) {
        ui::showMessage(ui::MsgKind::Information,
                        QStringLiteral("これ以上の分散データの追加は行えません。(最大99件)\r"), ui::mbOK);
        return;
    }
    if (ui::showMessage(ui::MsgKind::Confirmation,
                        QStringLiteral("分散入力用のデータを追加します。\rよろしいですか？"),
                        ui::mbYes | ui::mbNo) != ui::mrYes)
        return;
    const QString folder = RowDataPath(row);
    if (!GassanCtl)
        GassanCtl = new TGassanDataCtl(this);

    TxAnimeProgressDialog progress;
    ExecuteProgramProgress(progress, this, QStringLiteral("分散データの追加"),
                           QStringLiteral("分散データの作成中…"), false);
    // Whatever happens, the merged dataset ends disconnected and the dialog comes back.
    struct Guard {
        TDataSentakuBox* box;
        TxAnimeProgressDialog& progress;
        QString folder;
        ~Guard() {
            if (DM->IBDatabaseDAT.isConnected())
                DM->fnAccDatDisConnected(folder, 0, 0);
            box->raise();
            box->activateWindow();
            progress.Close();
            box->show();
        }
    } guard{this, progress, folder};

    bool added = false;
    try {
        GassanCtl->SetDataPath(folder);
        GassanCtl->SetRec(parent.REC);
        GassanCtl->SetActive(true);
        added = GassanCtl->AddBunsanData(QString());
        // The count follows only a child that was made.
        if (added)
            GassanCtl->WriteGassanSettings(parent.GASSAN, parent.CHILDCNT + 1);
    } catch (const std::exception& e) {
        progress.setAnimeActive(false);
        ui::showMessage(ui::MsgKind::Information, QString::fromUtf8(e.what()));
    }
    ListCtl->GetDataListChildRecord(parent, true);
    DataListRefresh(row);
}

void TDataSentakuBox::WriteGassanSettings(const TDataSentakuRec& parent, const QString& folder,
                                          qint32 count) {
    if (ConnectMode != 0)
        return;
    if (!GassanCtl)
        GassanCtl = new TGassanDataCtl(this);
    GassanCtl->SetDataPath(folder);
    GassanCtl->SetRec(parent.REC);
    GassanCtl->SetActive(true);
    GassanCtl->WriteGassanSettings(parent.GASSAN, std::max<qint32>(count, 0));
}
