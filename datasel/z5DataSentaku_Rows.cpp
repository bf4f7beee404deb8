// The row services of the data-selection dialog: the entry and folder behind a grid row, the status
// gate, the operator lock, the children of merged data, the merge settings and the row refresh.

#include "controls/PerfectGrid.h"
#include "controls/xAnimeProgressDialog.h"
#include "core/DataModule.h"
#include "core/uAccFunction2.h"
#include "core/uAccFunction2_System.h"
#include "core/uAccFunction_AccReg.h"
#include "core/uAccFunction_ErrLog.h"
#include "core/uAccRecord.h"
#include "datalist/z5ComCloudShare.h"
#include "datalist/z5ComDataSentaku.h"
#include "datasel/z5DataSentaku.h"
#include "platform/UserInteraction.h"
#include "platform/firebird/FbError.h"
#include "ui_z5DataSentaku.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <stdexcept>

namespace {

const QString kBadFolder = QStringLiteral("データフォルダパスが不正です。\r処理を中止します。");
const QString kNoData = QStringLiteral("このフォルダには財務データがありません。\r");
const QString kRefreshFailed = QStringLiteral("データリストの更新に失敗しました。");

bool isParentKind(int kind) {
    return kind == 0 || kind == 1 || kind == 2;
}

bool isMergedKind(int kind) {
    return kind == 1 || kind == 2;
}

} // namespace

qint32 TDataSentakuBox::OperatorCodeOf(qint32 key) {
    return OperatorCodeOfKey(key);
}

TDataListRec& TDataSentakuBox::RowRecord(int row) {
    TPerfectGrid* g = ui->PerfectGrid1;
    const int kind = g->CellText(row, colGassan).toInt();
    const int index = g->CellText(row, colListIndex).toInt();
    if (index < 0 || index >= List.size())
        throw std::runtime_error(kBadFolder.toStdString());
    TDataSentakuRec& parent = List[index];
    if (isParentKind(kind))
        return parent;
    const int child = g->CellText(row, colChild).toInt();
    if (child < 0 || child >= parent.CHILDREN.size())
        throw std::runtime_error(kBadFolder.toStdString());
    return parent.CHILDREN[child];
}

int TDataSentakuBox::ParentRow(int row) const {
    TPerfectGrid* g = ui->PerfectGrid1;
    if (isParentKind(g->CellText(row, colGassan).toInt()))
        return row;
    const QString index = g->CellText(row, colListIndex);
    for (int r = 0; r < g->RowCount(); ++r)
        if (isParentKind(g->CellText(r, colGassan).toInt()) && g->CellText(r, colListIndex) == index &&
            g->CellText(r, colChild).toInt() == 0)
            return r;
    return row;
}

QString TDataSentakuBox::RowDataPath(int row) {
    const TDataListRec& e = RowRecord(row);
    if (e.NETDRIVE == 1) {
        const QString slot = QStringLiteral("%1/%2")
                                 .arg(ExcludePathDelim(SystemDef.SYSDIR))
                                 .arg(e.REC, 4, 10, QLatin1Char('0'));
        if (isParentKind(e.GASSAN))
            return slot;
        return slot + u'/' + ExcludePathDelim(e.PASNAME).section(u'/', -1);
    }
    return ExcludePathDelim(e.PASNAME);
}

int TDataSentakuBox::SharedState(int source, int index) {
    const TDataListRec& e = source == 0 ? RowRecord(index) : static_cast<const TDataListRec&>(List.at(index));
    if (e.NETDRIVE != 1)
        return 0;
    return e.KYOYULOCK == 1 ? 2 : 1;
}

void TDataSentakuBox::showStatusBox(const QString& caption, const QString& folder, qint32 opcode,
                                    const QString& name, const QString& text) {
    ShowStatusLines(caption, text, OperatorLines(folder, opcode, name));
}

int TDataSentakuBox::CheckDataStatus(const QString& folder, bool message, bool gate) {
    const QString database = ExcludePathDelim(folder) + u'/' + DataFileName;
    const bool exists =
        ConnectMode == 0 ? QFileInfo(database).isFile() : DM->ServerFExist(database, ConnectMode);
    if (!exists) {
        if (!message)
            return 1;
        ui::showMessage(ui::MsgKind::Warning, kNoData);
        return 0;
    }
    DataInfo->ConnectMode = ConnectMode;
    DataInfo->ReadDataIni(folder, InfoBuf);
    const int s = InfoBuf.STATUS;
    const bool allowed = s == 1 || (ConnectMode != 0 && s == 2);
    if (s == 0 || s == 10 || !gate || allowed)
        return s;
    QString text = QStringLiteral("このデータは%1のため処理が行えません。").arg(DataStatusName(s));
    if (s == 2)
        text += QStringLiteral("\r前回、異常終了した場合は情報ボタンを押してデータの状態を回復して下さい。");
    showStatusBox(QStringLiteral("選択データの状態"), folder, InfoBuf.OPCODE, InfoBuf.OPERATOR, text);
    return s;
}

void TDataSentakuBox::SetDataStatus(const QString& folder, int status) {
    if (folder.isEmpty())
        return;
    DataInfo->ConnectMode = ConnectMode;
    DataInfo->SetDataStatus(folder, status);
}

void TDataSentakuBox::UpdateListRow(TDataListRec& entry) {
    if (TrimZenkaku(entry.PASNAME).isEmpty())
        throw std::runtime_error(kBadFolder.toStdString());
    ListCtl->UpdateDataListRecord(entry, true, true);
}

void TDataSentakuBox::SetRowLock(bool locked) {
    TPerfectGrid* g = ui->PerfectGrid1;
    if (!hasCurrentRow())
        return;
    const int row = g->CurrentRow();
    g->SetCellPicture(row, colLockPic, StatePictures[locked ? 1 : 0]);
    g->SetCellValue(row, colLock, locked ? OperatorCodeOfKey(SystemDef.OPCODE) : 0);
    TDataListRec& e = RowRecord(row);
    e.DATALOCK = g->CellText(row, colLock).toInt();
    UpdateListRow(e);
}

void TDataSentakuBox::ToggleRowLock(int row) {
    TPerfectGrid* g = ui->PerfectGrid1;
    if (row < 0 || row >= g->RowCount())
        return;
    const QString folder = RowDataPath(row);
    const int s = CheckDataStatus(folder, true, false);
    if (s == 0)
        return;
    if (s < 1 || s > 3) {
        showStatusBox(QStringLiteral("選択データの状態"), folder, InfoBuf.OPCODE, InfoBuf.OPERATOR,
                      QStringLiteral("このデータは%1のため処理が行えません。").arg(DataStatusName(s)));
        return;
    }
    TDataListRec& e = RowRecord(row);
    const qint32 mine = OperatorCodeOfKey(SystemDef.OPCODE);
    const auto show = [&](qint32 lock) {
        g->SetCellPicture(row, colLockPic, StatePictures[lock != 0 ? 1 : 0]);
        g->SetCellValue(row, colLock, lock);
        e.DATALOCK = lock;
    };
    const auto refuseOther = [&] {
        const qint32 other = OperatorCodeOfKey(InfoBuf.OPCODE);
        show(other);
        showStatusBox(
            QStringLiteral("ロックデータの状態"), folder, InfoBuf.OPCODE, InfoBuf.OPERATOR,
            QStringLiteral("このデータは違うオペレータによりロックされているため解除は行えません。"));
    };
    // The stored lock decides, not the row as it was drawn: another operator may have locked or freed
    // the data since.
    const bool storedLock = s == 3;
    const bool mineStored = storedLock && InfoBuf.OPCODE == SystemDef.OPCODE;
    const bool shownLocked = g->CellText(row, colLock).toInt() != 0;
    if (storedLock && !mineStored) {
        refuseOther();
        return;
    }
    if (shownLocked) {
        if (!mineStored) {
            // Freed meanwhile: show it as it is.
            show(0);
            return;
        }
        if (!ListCtl->ChangeDataLock(e, mine, 0)) {
            DataInfo->ReadDataIni(folder, InfoBuf);
            if (InfoBuf.STATUS == 3 && InfoBuf.OPCODE != SystemDef.OPCODE)
                refuseOther();
            return;
        }
        SetDataStatus(folder, 1);
        show(0);
        return;
    }
    if (mineStored) {
        show(mine);
        return;
    }
    if (!ListCtl->ChangeDataLock(e, 0, mine)) {
        // Taken by someone else between the read and the write.
        DataInfo->ReadDataIni(folder, InfoBuf);
        if (InfoBuf.STATUS == 3 && InfoBuf.OPCODE != SystemDef.OPCODE)
            refuseOther();
        return;
    }
    SetDataStatus(folder, 3);
    show(mine);
}

void TDataSentakuBox::RemoveChildRows(int row, bool all) {
    const int parentRow = ParentRow(row);
    TDataSentakuRec& parent = List[ui->PerfectGrid1->CellText(parentRow, colListIndex).toInt()];
    if (!all) {
        TDataSentakuListCtl::DeleteChildItem(parent, ui->PerfectGrid1->CellText(row, colChild).toInt());
        return;
    }
    parent.CHILDREN.clear();
    parent.CHILDCNT = 0;
    if (!isMergedKind(parent.GASSAN))
        return;
    ListCtl->DeleteDataListChildRecord(parent, true);
    for (const QString& sub : TDataSentakuListCtl::ListChildFolders(parent))
        DM->ServerRmDir(ExcludePathDelim(parent.PASNAME) + u'/' + sub, ConnectMode, false);
    if (parent.NETDRIVE == 1 && parent.KYOYULOCK == 1)
        for (const QString& sub : TDataSentakuListCtl::ListLocalChildFolders(parent))
            DM->ServerRmDir(RowDataPath(parentRow) + u'/' + sub, 0, false);
}

void TDataSentakuBox::CopyChildRows(int row) {
    TPerfectGrid* g = ui->PerfectGrid1;
    if (!isParentKind(g->CellText(row, colGassan).toInt()))
        return;
    TDataSentakuRec& target = List[g->CellText(row, colListIndex).toInt()];
    if (!isMergedKind(target.GASSAN)) {
        target.CHILDREN.clear();
        target.CHILDCNT = 0;
        return;
    }
    if (!isMergedKind(CopySourceEntry.GASSAN))
        return;
    const qint32 sourceIndex = CopySourceEntry.WORKNO;
    if (sourceIndex < 0 || sourceIndex >= List.size())
        return;
    const TDataSentakuRec& source = List[sourceIndex];
    target.CHILDREN.clear();
    for (TDataListRec child : source.CHILDREN) {
        child.REC = target.REC;
        child.PASNAME.replace(source.PASNAME, target.PASNAME, Qt::CaseInsensitive);
        ListCtl->UpdateDataListChildRecord(child, true);
        target.CHILDREN.append(child);
    }
    target.CHILDCNT = qint32(target.CHILDREN.size());
}

void TDataSentakuBox::FixMergeKind(int row) {
    TPerfectGrid* g = ui->PerfectGrid1;
    const int target = g->CellText(row, colGassan).toInt();
    const int source = CopySourceEntry.GASSAN;
    int kind = -1, count = 0;
    if (ConnectMode != 0) {
        kind = 0;
    } else if (isMergedKind(source)) {
        if (isMergedKind(target)) {
            kind = target;
            count = qint32(static_cast<TDataSentakuRec&>(RowRecord(row)).CHILDREN.size());
        } else if (target == 10) {
            kind = 10;
        }
    } else if (source == 10) {
        if (target == 0 || isMergedKind(target))
            kind = 0;
    } else if (source == 0) {
        if (target == 10)
            kind = 10;
    }
    if (kind < 0)
        return;
    if (kind == 0 || kind == 10)
        count = 0;
    WriteMergeSettings(RowDataPath(row), kind, count);
}

void TDataSentakuBox::WriteMergeSettings(const QString& folder, int kind, int count) {
    if (!DM->fnAccDatConnected(SystemDef.HOSTNAME, folder, 0)) {
        DM->fnAccDatDisConnected(folder, 0, 0);
        return;
    }
    try {
        PutAccReg(QStringLiteral("基本設定"), QStringLiteral("合算データ区分"), QStringLiteral("整数"), kind);
        PutAccReg(QStringLiteral("基本設定"), QStringLiteral("合算データ数"), QStringLiteral("整数"), count);
    } catch (...) {
        DM->fnAccDatDisConnected(folder, 0, 0);
        throw;
    }
    DM->fnAccDatDisConnected(folder, 0, 0);
}

int TDataSentakuBox::FinishCopyOrRestore(int row, bool workerSucceeded) {
    const QString folder = RowDataPath(row);
    SetDataStatus(folder, 1);
    if (!workerSucceeded) {
        // The target holds whatever the failed worker left (or nothing): the list shows that.
        DataListRefresh(row);
        return -1;
    }
    FixMergeKind(row);
    TCloudShareIO().ClearSetting(SystemDef.HOSTNAME, folder);
    DataListRefresh(row);
    return 1;
}

int TDataSentakuBox::DisplayIndexOf(int row) const {
    const int index = ui->PerfectGrid1->CellText(row, colListIndex).toInt();
    if (ui->btnSearchCancel->isEnabled() || SyoriType == 3) {
        const int pos = int(Disp.indexOf(index));
        return pos < 0 ? 0 : pos;
    }
    return index;
}

void TDataSentakuBox::ReselectRow(int topRow, const TDataListRec& entry) {
    TPerfectGrid* g = ui->PerfectGrid1;
    LoadList();
    ShowRows(-1);
    if (topRow < 0 || topRow > 32699)
        topRow = 0;
    if (topRow < g->RowCount())
        g->SetTopRow(topRow);
    QString folder = entry.PASNAME.toUpper();
    if (!SystemDef.DataRoot.isEmpty())
        folder.replace(ExcludePathDelim(SystemDef.DataRoot).toUpper(), QStringLiteral("~"),
                       Qt::CaseInsensitive);
    for (int r = 0; r < g->RowCount(); ++r) {
        if (g->CellText(r, -1).toInt() != entry.REC)
            continue;
        if (!entry.PASNAME.isEmpty() && g->CellText(r, colFolder).toUpper() != folder)
            continue;
        g->SetCurrentCell(r, 0);
        return;
    }
    if (topRow < g->RowCount())
        g->SetCurrentCell(topRow, 0);
}

void TDataSentakuBox::DataListRefresh(int row) {
    TPerfectGrid* g = ui->PerfectGrid1;
    if (row == -1) {
        const auto inform = [this](const QString& text) {
            if (m_refreshProgress)
                m_refreshProgress->setInfoLabel(text);
        };
        if (ConnectMode != 0) {
            inform(QStringLiteral("データリストの更新中…"));
            try {
                TDataListRec focused;
                if (hasCurrentRow())
                    focused = RowRecord(g->CurrentRow());
                ListCtl->RenumberDataListRecords();
                ReselectRow(g->TopRow(), focused);
            } catch (const fb::Error& e) {
                ErrFbAccess(e, QStringLiteral("TDataSentakuBox.DataListRefresh"), kRefreshFailed);
            } catch (const std::exception& e) {
                ShowErrDetail(kRefreshFailed, QString::fromStdString(e.what()), ui::MsgKind::Error);
            }
        }
        for (int r = 0; r < g->RowCount(); ++r) {
            inform(QStringLiteral("データリスト（%1行目）の更新中…").arg(r + 1));
            DataListRefresh(r);
            QApplication::processEvents();
            if (RefreshCancelled && RefreshCancelled())
                break;
        }
        return;
    }
    if (row < 0 || row >= g->RowCount())
        return;
    TDataListRec& e = RowRecord(row);
    if (e.DATA_STATUS == 1) {
        g->SetCellValue(row, colStatus, 1);
        g->SetRowBackColor(row, 255);
        return;
    }
    const QString folder = RowDataPath(row);
    const QString database = folder + u'/' + DataFileName;
    const int kind = g->CellText(row, colGassan).toInt();
    int redraw = row;
    if (kind == 10)
        redraw = ParentRow(row);
    else if (!isParentKind(kind))
        return;
    const int position = DisplayIndexOf(redraw);
    const bool named = !g->CellText(row, colName).isEmpty();
    DataInfo->ConnectMode = ConnectMode;
    if (ConnectMode != 0) {
        if (DM->ServerFExist(database, ConnectMode)) {
            DataInfo->ReadDataIni(folder, InfoBuf);
            FillEntry(e, false);
            UpdateListRow(e);
            ShowRows(position);
        } else if (named) {
            FillEntry(e, true);
            UpdateListRow(e);
            ShowRows(position);
        }
        return;
    }
    bool skipShared = false;
    if (QFileInfo(database).isFile()) {
        DataInfo->ReadDataIni(folder, InfoBuf);
        TDataInfomationRec fromDb;
        if (DataInfo->GetDataInfoRecOfFolder(folder, fromDb) == 1) {
            TDataInfomationRec merged = fromDb;
            merged.STATUS = InfoBuf.STATUS;
            merged.OPCODE = InfoBuf.OPCODE;
            merged.OPERATOR = InfoBuf.OPERATOR;
            merged.SHARE_STATUS = InfoBuf.SHARE_STATUS;
            merged.SHARE_OPCODE = InfoBuf.SHARE_OPCODE;
            merged.SHARE_OPERATOR = InfoBuf.SHARE_OPERATOR;
            DataInfo->WriteIniFile(folder, QString(), merged);
            InfoBuf = merged;
            FillEntry(e, false);
            UpdateListRow(e);
            if (isParentKind(kind))
                ReadChildRows(row);
        } else if (SystemDef.DataDamaged == 1) {
            e.DATA_STATUS = 1;
        }
    } else {
        if (e.NETDRIVE == 0 && QFileInfo::exists(TDataInfomation::IniPath(folder)))
            QFile::remove(TDataInfomation::IniPath(folder));
        if (named) {
            if (kind != 10) {
                FillEntry(e, true);
                auto& parent = static_cast<TDataSentakuRec&>(e);
                parent.CHILDREN.clear();
                parent.CHILDCNT = 0;
                UpdateListRow(e);
            } else {
                RemoveChildRows(row, false);
                skipShared = true;
            }
        }
    }
    ShowRows(position);
    // Held shared data carries its names into the shared-server list; that list being out of reach
    // does not stop the refresh.
    if (!skipShared && e.NETDRIVE == 1 && e.KYOYULOCK == 1) {
        try {
            UpdateServerListRow(e);
        } catch (const std::exception&) {
        }
    }
}

void TDataSentakuBox::ReadChildRows(int row) {
    TPerfectGrid* g = ui->PerfectGrid1;
    TDataSentakuRec& parent = List[g->CellText(row, colListIndex).toInt()];
    if (parent.NETDRIVE == 1 && parent.KYOYULOCK != 1)
        return;
    for (const TDataListRec& c : std::as_const(parent.CHILDREN))
        if (c.DATA_STATUS == 1) {
            g->SetRowBackColor(row, 255);
            return;
        }
    parent.CHILDREN.clear();
    parent.CHILDCNT = 0;
    ListCtl->DeleteDataListChildRecord(parent, true);
    if (!isMergedKind(parent.GASSAN))
        return;
    const QString local = RowDataPath(row);
    const QStringList subs = TDataSentakuListCtl::ListDataFolders(local);
    int number = 0;
    for (const QString& sub : subs) {
        ++number;
        const QString childFolder = local + u'/' + sub;
        if (!QFileInfo(childFolder + u'/' + DataFileName).isFile())
            continue;
        TDataListRec child;
        ListCtl->InitDataListRec(child, ExcludePathDelim(parent.PASNAME) + u'/' + sub);
        child.REC = parent.REC;
        child.ROWNO = number;
        child.NETDRIVE = parent.NETDRIVE;
        child.KYOYULOCK = parent.KYOYULOCK;
        child.GASSAN = 10;
        TDataInfomationRec info;
        if (DataInfo->GetDataInfoRecOfFolder(childFolder, info) == 1) {
            ListCtl->DataInfoToDataListRec(info, child);
            child.GASSAN = 10;
            UpdateListRow(child);
            DataInfo->WriteIniFile(childFolder, QString(), info);
        } else {
            DataInfo->ReadDataIni(childFolder, info);
            if (info.DATALISTNAME.isEmpty()) {
                child.ENTTEXT = QStringLiteral("破損データ");
                child.SHOUGOU = parent.SHOUGOU;
                child.NENDO = parent.NENDO;
                child.KISHU = parent.KISHU;
                child.KIMATU = parent.KIMATU;
                child.KIKAN = parent.KIKAN;
                child.DATATYPE = parent.DATATYPE;
                child.CODETYPE = parent.CODETYPE;
                child.TANTOU = parent.TANTOU;
                child.VER_MAJOR = parent.VER_MAJOR;
                child.VER_MINOR1 = parent.VER_MINOR1;
                child.VER_MINOR2 = parent.VER_MINOR2;
                child.VER_TEXT = parent.VER_TEXT;
                child.DISPNAME = parent.ENTTEXT;
            } else {
                ListCtl->DataInfoToDataListRec(info, child);
                child.GASSAN = 10;
            }
            child.DATA_STATUS = 1;
            UpdateListRow(child);
        }
        parent.CHILDREN.append(child);
    }
    parent.CHILDCNT = qint32(parent.CHILDREN.size());
}
