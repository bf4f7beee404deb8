// The data-selection dialog's work with datasets kept on a shared server drive: taking the shared data
// into the row's local copy (共有取得), handing it back (共有保管), giving up the assignment (F4 in
// stand-alone mode), and the cloud-share button.

#include "controls/PerfectGrid.h"
#include "controls/xAnimeProgressDialog.h"
#include "core/DataModule.h"
#include "core/uAccFunction2.h"
#include "core/uAccFunction2_System.h"
#include "core/uAccRecord.h"
#include "datalist/z5ComDataSentaku.h"
#include "datasel/z5DataSentaku.h"
#include "platform/UserInteraction.h"
#include "tusin/z5DataTusin.h"
#include "tusin/z5ServerSentaku.h"
#include "tusin/z5TusinSettei.h"
#include "ui_z5DataSentaku.h"

#include <QFileInfo>
#include <QScopeGuard>
#include <stdexcept>

namespace {

const QString kAlreadyRegistered = QStringLiteral("選択したフォルダには既にデータが登録されています。\r");
const QString kReceiving = QStringLiteral("共有データ受信中");
const QString kReceivingInfo = QStringLiteral("共有データから受信中…");
const QString kSending = QStringLiteral("共有データ送信中");
const QString kSendingInfo = QStringLiteral("共有データへ送信中…");

// "%d.%d.%d" of a version as one comparable number.
qint32 versionNumber(qint32 major, qint32 minor1, qint32 minor2) {
    return major * 65536 + minor1 * 256 + minor2;
}

} // namespace

TServerSentakuBox* TDataSentakuBox::ServerBox() {
    if (!m_serverBox)
        m_serverBox = new TServerSentakuBox(this);
    return m_serverBox;
}

int TDataSentakuBox::listIndexOf(int row) const {
    return ui->PerfectGrid1->CellText(row, colListIndex).toInt();
}

void TDataSentakuBox::markSharedRows(int parentRow, bool held) {
    TPerfectGrid* g = ui->PerfectGrid1;
    const QString index = g->CellText(parentRow, colListIndex);
    for (int r = parentRow; r < g->RowCount(); ++r) {
        if (r != parentRow &&
            (g->CellText(r, colGassan).toInt() != 10 || g->CellText(r, colListIndex) != index))
            break;
        g->SetCellValue(r, colShared, held ? 1 : 0);
        g->SetCellPicture(r, colSharePic, StatePictures[held ? 0 : 2]);
    }
}

void TDataSentakuBox::btnKyoyuDataDownClick() {
    if (!hasCurrentRow())
        return;
    TPerfectGrid* g = ui->PerfectGrid1;
    const int row = g->CurrentRow();
    const auto end = qScopeGuard([&] {
        raise();
        activateWindow();
        SetFunctionKeys();
    });
    if (RowRecord(row).NETDRIVE == 1) {
        ReceiveSharedData(false);
        return;
    }
    if (!g->CellText(row, colName).isEmpty()) {
        ui::showMessage(ui::MsgKind::Information, kAlreadyRegistered);
        return;
    }
    TServerSentakuBox* box = ServerBox();
    box->DriveLetter = SystemDef.ZenkaiDrive.trimmed();
    box->Setup(1);
    int chosen = 0;
    {
        hide();
        const auto showAgain = qScopeGuard([&] {
            show();
            g->update();
        });
        chosen = box->exec();
    }
    if (chosen != 1)
        return;
    showProgress(kReceiving, kReceivingInfo);
    const auto close = qScopeGuard([&] {
        raise();
        closeProgress();
    });
    SystemDef.ZenkaiDrive = box->DriveLetter;
    DM->fnPutSysDef();
    const QString folder = RowDataPath(row);
    TDataSentakuRec& entry = List[listIndexOf(row)];
    entry.NETDRIVE = 1;
    entry.PASNAME = box->ChosenFolder;
    entry.ENTTEXT = box->ChosenName;
    entry.DISPNAME = box->ChosenName;
    entry.LOCALPATH = folder;
    if (ListCtl->ReceiveServerData(entry, 0) != 1)
        DataInfo->ReleaseOwnShareHold(entry.PASNAME);
    TDataSentakuRec stored;
    if (ListCtl->GetDataListRecordByPath(folder, stored) == 1)
        entry = stored;
    ShowRows(DisplayIndexOf(row));
    if (row < g->RowCount())
        g->SetCurrentCell(row, 0);
}

int TDataSentakuBox::ReceiveSharedData(bool automatic) {
    if (!hasCurrentRow())
        return 0;
    if (!automatic &&
        ui::askConfirmation(QStringLiteral("共有データの取得を行います。よろしいですか？")) != ui::mrYes)
        return 0;
    TPerfectGrid* g = ui->PerfectGrid1;
    const int row = g->CurrentRow();
    const int parent = ParentRow(row);
    TDataSentakuRec& entry = List[listIndexOf(parent)];
    const QString folder = RowDataPath(parent);
    entry.LOCALPATH = folder;
    showProgress(kReceiving, kReceivingInfo);
    const auto close = qScopeGuard([&] {
        raise();
        closeProgress();
        g->update();
    });
    const int r = ListCtl->ReceiveServerData(entry, automatic ? 1 : 0);
    if (r == 1) {
        markSharedRows(parent, true);
        DataListRefresh(row);
        if (row < g->RowCount())
            g->SetCurrentCell(row, 0);
    } else {
        // Only a hold this operator set goes; another operator's hold stays.
        DataInfo->ReleaseOwnShareHold(folder);
    }
    return r;
}

int TDataSentakuBox::SendSharedData(bool automatic) {
    if (!hasCurrentRow())
        return 0;
    TPerfectGrid* g = ui->PerfectGrid1;
    const int row = g->CurrentRow();
    const int parent = ParentRow(row);
    TDataSentakuRec& entry = List[listIndexOf(parent)];
    TDataListRec& e = RowRecord(row);
    const QString folder = RowDataPath(row);
    const QString& host = SystemDef.HOSTNAME;
    if (DM->CallDataCheck(host, folder, 0, automatic ? 1 : 0) == 0) {
        e.DATA_STATUS = 1;
        DataListRefresh(row);
        SetFunctionKeys();
        return 0;
    }
    if (IsMergedKind(entry.GASSAN)) {
        bool damaged = false;
        if (entry.DATA_STATUS == 1 || DM->CallDataCheck(host, RowDataPath(parent), 0, 1) == 0) {
            damaged = true;
            entry.DATA_STATUS = 1;
            DataListRefresh(parent);
        } else {
            const QString parentFolder = RowDataPath(parent);
            for (TDataListRec& child : entry.CHILDREN) {
                const QString childFolder =
                    parentFolder + u'/' + QFileInfo(ExcludePathDelim(child.PASNAME)).fileName();
                if (child.DATA_STATUS == 1 || DM->CallDataCheck(host, childFolder, 0, 1) == 0) {
                    damaged = true;
                    child.DATA_STATUS = 1;
                }
            }
            if (damaged)
                DataListRefresh(parent);
        }
        if (damaged && !automatic) {
            ui::showMessage(
                ui::MsgKind::Information,
                QStringLiteral(
                    "合算・分散データに破損したデータが存在するため、共有データの保管を中止します。\r"
                    "データのバックアップを行っている場合は、適正な方法で破損前の状態へ戻して下さい。\r"
                    "ご不明な点がございましたら、お問い合わせ先をご確認の上ご連絡下さい。"));
            SetFunctionKeys();
            return 0;
        }
    }
    if (!automatic &&
        ui::askConfirmation(QStringLiteral("共有データの保管を行います。よろしいですか？")) != ui::mrYes)
        return 0;
    closeProgress();
    showProgress(kSending, kSendingInfo);
    const auto close = qScopeGuard([&] {
        raise();
        closeProgress();
        g->update();
    });
    entry.LOCALPATH = RowDataPath(parent);
    const int r = ListCtl->SendServerData(entry, automatic ? 1 : 0);
    if (r == 1)
        markSharedRows(parent, false);
    return r;
}

void TDataSentakuBox::btnKyoyuDataUpClick() {
    SendSharedData(false);
    raise();
    activateWindow();
    SetFunctionKeys();
}

int TDataSentakuBox::UnassignSharedData() {
    if (!hasCurrentRow())
        return 1;
    TPerfectGrid* g = ui->PerfectGrid1;
    const int row = g->CurrentRow();
    TDataListRec& e = RowRecord(row);
    const QString shared = e.PASNAME;
    const bool held = e.KYOYULOCK == 1;
    const QString folder = RowDataPath(row);
    const QStringList lines{QStringLiteral("【データ名】"),
                            QStringLiteral("　") + g->CellText(row, colName),
                            QString(),
                            QStringLiteral("【会計期間】"),
                            QStringLiteral("　") + g->CellText(row, colKikan),
                            QString(),
                            QStringLiteral("【共有データフォルダ】"),
                            QStringLiteral("　") + g->CellText(row, colFolder)};
    if (ui::showMessage(ui::MsgKind::Confirmation,
                        QStringLiteral("選択した共有データの割り当てを解除します。\rよろしいですか？\r\r") +
                            lines.join(u'\r'),
                        ui::mbOK | ui::mbCancel, QStringLiteral("共有データの割当解除")) != ui::mrOk)
        return 1;
    e.PASNAME = folder;
    e.NETDRIVE = 0;
    e.KYOYULOCK = 0;
    const bool removed = DM->ServerRmDir(folder, ConnectMode, false);
    if (removed && held)
        DataInfo->ReleaseOwnShareHold(shared);
    UpdateListRow(e);
    DataListRefresh(row);
    return removed ? 1 : 0;
}

void TDataSentakuBox::SetSharedHold(bool hold, TDataListRec& entry) {
    const int status = hold ? 2 : 1;
    const auto one = [&](TDataListRec& e) {
        e.KYOYULOCK = hold ? 1 : 0;
        UpdateListRow(e);
        TDataListRec local = e;
        DataInfo->SetShareStatus(ListCtl->BuildLocalPath(local), status);
        // Another operator's hold on the shared data is never taken over or given up from here; a share
        // out of reach keeps its mark until the next transfer.
        try {
            if (!DataInfo->IsShareHeldByOther(e.PASNAME))
                DataInfo->SetShareStatusIfChanged(e.PASNAME, status);
        } catch (const std::exception&) {
        }
    };
    one(entry);
    if (!IsMergedKind(entry.GASSAN))
        return;
    for (TDataSentakuRec& parent : List) {
        if (static_cast<TDataListRec*>(&parent) != &entry)
            continue;
        for (TDataListRec& child : parent.CHILDREN)
            one(child);
    }
}

bool TDataSentakuBox::SyncSharedCopy() {
    if (ConnectMode != 0 || !hasCurrentRow())
        return true;
    const TDataListRec& e = RowRecord(ui->PerfectGrid1->CurrentRow());
    if (e.NETDRIVE != 1 || e.KYOYULOCK != 0)
        return true;
    return ReceiveSharedData(true) > 0 && SendSharedData(true) > 0;
}

void TDataSentakuBox::storeHeldCopy(int row, bool changed) {
    if (SharedState(0, row) != 2)
        return;
    const int r = changed ? SendSharedData(true) : 1;
    if (r > 0)
        SetSharedHold(true, List[listIndexOf(ParentRow(row))]);
    DataListRefresh(row);
    if (row < ui->PerfectGrid1->RowCount())
        ui->PerfectGrid1->SetCurrentCell(row, 0);
}

void TDataSentakuBox::btnCloudShareClick() {
    if (!hasCurrentRow() || !DM->IsCloudShareEnabled(0))
        return;
    const int row = ui->PerfectGrid1->CurrentRow();
    TDataListRec& e = RowRecord(row);
    const QString folder = RowDataPath(row);
    if (ConnectMode != 0) {
        int c = -1;
        try {
            c = CheckDataFolder(folder);
        } catch (const std::exception&) {
            c = -1;
        }
        if (c != 1) {
            DataListRefresh(row);
            return;
        }
    }
    if (versionNumber(e.VER_MAJOR, e.VER_MINOR1, e.VER_MINOR2) <= versionNumber(11, 0, 0)) {
        ui::showMessage(
            ui::MsgKind::Information,
            QStringLiteral(
                "データバージョンが \"Ver11.0.1\" に達していないため、クラウドシェアはご利用できません。\r"
                "クラウドシェアを利用するには、データを選択しデータ更新をおこなってください。"));
        return;
    }
    if (IsMergedKind(e.GASSAN) || e.GASSAN == 10) {
        ui::showMessage(ui::MsgKind::Information,
                        QStringLiteral("合算・分散データはクラウドシェアの設定はおこなえません。"));
        return;
    }
    if (e.NETDRIVE == 1 && e.KYOYULOCK == 0) {
        ui::showMessage(
            ui::MsgKind::Information,
            QStringLiteral("共有保管データはクラウドシェアの設定はおこなえません。\r"
                           "[共有取得]ボタンを押してデータを取得してください。\r"
                           "※[共有データの取得と保管を自動化する]にチェックがある場合は、チェックを外すと["
                           "共有取得]ボタンが有効になります。"));
        return;
    }
    if (!SyncSharedCopy())
        return;
    if (DM->CallDataCheck(SystemDef.HOSTNAME, folder, 0, 0) == 0) {
        e.DATA_STATUS = 1;
        DataListRefresh(row);
        SetFunctionKeys();
        return;
    }
    if (AppKind == 0) {
        if (!DM->SetJobControl(QStringLiteral("QzTusinSettei"), QStringLiteral("SyoriType=1"))) {
            ui::showMessage(
                ui::MsgKind::Information,
                QStringLiteral(
                    "ログインしたオペレータの処理レベルでは起動が認められていません。\r"
                    "一度、データを選択し、「拡張機能」＞「オペレータ登録」より「処理レベル設定」を開き、\r"
                    "当該レベルの「通信設定」メニューの起動を許可してください。"));
            return;
        }
        if (!DataInfo->IsDataPasswordAuth(folder) || !DataInfo->IsDataSiyouKengen(folder)) {
            SetFunctionKeys();
            return;
        }
    }
    if (!m_tusinSettei)
        m_tusinSettei = new TfrmTusinSettei(this);
    TDataSentakuRec& entry = List[listIndexOf(ParentRow(row))];
    int r = 0;
    for (;;) {
        r = m_tusinSettei->OpenCloudShareSettings(folder);
        if (r != 0 || m_tusinSettei->ConfirmedCloudLine <= 0)
            break;
        if (AppKind != 0 || !m_tusinSettei->AreaEmpty) {
            WaitMSec(1);
            break;
        }
        ui->PerfectGrid1->setEnabled(false);
        ui->pnlBottom->setEnabled(false);
        SetFunctionKeys();
        int sent = 0;
        {
            const auto enable = qScopeGuard([&] {
                ui->PerfectGrid1->setEnabled(true);
                ui->pnlBottom->setEnabled(true);
            });
            TfmDataTusin tusin(this);
            sent = tusin.CloudShareSend(folder, QString(), 0);
        }
        if (sent < 1 || sent > 9)
            break;
        ui::showMessage(ui::MsgKind::Information,
                        QStringLiteral("クラウドシェア送信処理でエラーが発生しました。設定画面を開きます。"));
    }
    if (r == 0) {
        entry.CLOUD = m_tusinSettei->ConfirmedCloudLine > 0 ? 1 : 0;
        DataInfo->WriteIniValue(folder, TDataInfomation::SectionInfo, false, QString::number(entry.CLOUD),
                                QStringLiteral("CLOUD_SHARE"));
        UpdateListRow(e);
        DataListRefresh(row);
        if (e.NETDRIVE == 1 && e.KYOYULOCK == 1 && SendSharedData(true) > 0)
            SetSharedHold(true, entry);
    }
    DataListRefresh(row);
    if (row < ui->PerfectGrid1->RowCount())
        ui->PerfectGrid1->SetCurrentCell(row, 0);
    ui->PerfectGrid1->setFocus();
}
