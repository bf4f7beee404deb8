// The details of the focused dataset ("情報") and what the operator changed there.
#include "controls/PerfectGrid.h"
#include "core/DataModule.h"
#include "core/uAccRecord.h"
#include "datalist/z5ComDataSentaku.h"
#include "datalist/z5DataSyosaiInfo.h"
#include "datasel/z5DataSentaku.h"
#include "platform/UserInteraction.h"
#include "ui_z5DataSentaku.h"

#include <QFileInfo>

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
    box.DataPlaceRec = ConnectMode != 0 ? PlaceRec : 0;
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
            UpdateServerListRow(entry);
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
    // A rebuilt dataset is read again, whatever the dialog's result.
    if (box.Rebuilt) {
        entry.DATA_STATUS = 0;
        DataListRefresh(row);
        g->SetCurrentCell(row, 0);
    }
    SetFunctionKeys();
}

void TDataSentakuBox::UpdateServerListRow(const TDataListRec& entry) {
    if (entry.NETDRIVE != 1)
        return;
    TDataSentakuListCtl server;
    server.ConnectMode = quint8(ConnectMode);
    server.ServerListMode = 1;
    // The shared-server list keeps its own numbers: the entry's are not changed.
    TDataListRec row = entry;
    if (row.GASSAN == 10) {
        server.UpdateServerDataListChildRecord(row, true, true);
        return;
    }
    if (!server.UpdateServerDataListRecord(row, true, true))
        return;
    // The area's data-information file carries the names and locks as well; the area may be out of
    // reach, which leaves the list row written all the same.
    if (!QFileInfo(row.PASNAME).isDir())
        return;
    try {
        TDataInfomation info;
        info.ConnectMode = quint8(ConnectMode);
        info.WriteIniValue(row.PASNAME, TDataInfomation::SectionInfo, false, row.ENTTEXT,
                           QStringLiteral("DATALISTNAME"));
        info.WriteIniValue(row.PASNAME, TDataInfomation::SectionStatus, false,
                           QString::number(row.UPDATE_LOCK), QStringLiteral("UPDATE_LOCK"));
        info.WriteIniValue(row.PASNAME, TDataInfomation::SectionStatus, false, QString::number(row.READ_ONLY),
                           QStringLiteral("READ_ONLY"));
    } catch (const std::exception&) {
    }
}
