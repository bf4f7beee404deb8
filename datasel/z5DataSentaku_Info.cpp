// The details of the focused dataset ("情報") and what the operator changed there.
#include "controls/PerfectGrid.h"
#include "core/DataModule.h"
#include "core/uAccRecord.h"
#include "datasel/z5ComDataSentaku.h"
#include "datasel/z5DataSentaku.h"
#include "datasel/z5DataSyosaiInfo.h"
#include "platform/UserInteraction.h"
#include "ui_z5DataSentaku.h"

void TDataSentakuBox::btnDataInfoClick() {
    TPerfectGrid* g = ui->PerfectGrid1;
    if (!g->isEnabled()) {
        ui::showMessage(ui::MsgKind::Information,
                        QStringLiteral("データリストが応答状態ではないので処理は行えません。"));
        return;
    }
    if (!hasCurrentRow())
        return;
    const int row = g->CurrentRow();
    const QString folder = RowDataPath(row);
    TDataListRec& entry = RowRecord(row);
    // A dataset with a period that fails its check is marked damaged first.
    if ((!entry.KISHU.isNull() || !entry.KIMATU.isNull()) && entry.DATA_STATUS != 1 &&
        DM->CallDataCheck(SystemDef.HOSTNAME, folder, 0, 0) == 0) {
        entry.DATA_STATUS = 1;
        DataListRefresh(row);
        SetFunctionKeys();
    }

    if (!SyosaiBox)
        SyosaiBox = new TDataSyosaiInfoBox(this);
    TDataSyosaiInfoBox& box = *SyosaiBox;
    box.SharedListMode = 0;
    box.Row = entry;
    // The folder as it is: a file system that tells letter cases apart would not find it upper-cased.
    box.DataFolder = folder;
    box.UpdateLock = entry.UPDATE_LOCK;
    box.ReadOnly = entry.READ_ONLY;
    box.ListName = entry.ENTTEXT;
    box.Editable = SharedState(0, row) != 1;
    box.Setup(1);
    if (box.exec() == ui::mrOk) {
        const int s = CheckDataStatus(folder, true, false);
        const bool allowed = s == 1 || (ConnectMode != 0 && s == 2);
        if (allowed) {
            InfoBuf.DATALISTNAME = box.ResultListName;
            InfoBuf.UPDATE_LOCK = box.ResultUpdateLock;
            InfoBuf.READ_ONLY = box.ResultReadOnly;
            DataInfo->UpdateDataInfomation(SystemDef.HOSTNAME, folder, InfoBuf);

            entry.ENTTEXT = box.ResultListName;
            entry.DISPNAME = box.ResultListName;
            entry.UPDATE_LOCK = box.ResultUpdateLock;
            entry.READ_ONLY = box.ResultReadOnly;
            const int index = g->CellText(row, colListIndex).toInt();
            if (index >= 0 && index < List.size())
                TDataSentakuListCtl::NumberChildNames(List[index]);
            g->SetCellText(row, colName, box.ResultListName);
            g->SetCellValue(row, colUpdate, box.ResultUpdateLock);
            g->SetCellValue(row, colReadOnly, box.ResultReadOnly);
            DataInfo->WriteIniValue(folder, TDataInfomation::SectionInfo, false, box.ResultListName,
                                    QStringLiteral("DATALISTNAME"));
            DataInfo->WriteIniValue(folder, TDataInfomation::SectionStatus, false,
                                    QString::number(box.ResultUpdateLock), QStringLiteral("UPDATE_LOCK"));
            DataInfo->WriteIniValue(folder, TDataInfomation::SectionStatus, false,
                                    QString::number(box.ResultReadOnly), QStringLiteral("READ_ONLY"));
        }
        if (box.StatusCleared) {
            SetDataStatus(folder, 1);
            CopyPending = false;
            entry.DATALOCK = 0;
            g->SetCellPicture(row, colLockPic, StatePictures[0]);
            g->SetCellValue(row, colLock, 0);
        }
        UpdateListRow(entry);
        CheckDbUpdate(row, true);
        PerfectGrid1CellGotFocus(row, g->CurrentCol());
    }
    SetFunctionKeys();
}
