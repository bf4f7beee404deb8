// The dataset operations of the data-selection dialog: copy and paste, save and restore, new data and
// delete. Each works on the focused row through the row services (z5DataSentaku_Rows.cpp); long
// database work runs on the backup worker while a progress window shows.
//
// Nothing is given up before its replacement is in place: a paste copies into a work folder and moves
// the copy over the target only when it can be opened, a save writes a work file that replaces the old
// "placc.fbk" only when complete, and the children of a merged target go only after its paste or
// restore succeeded.

#include "controls/PerfectGrid.h"
#include "controls/xAnimeProgressDialog.h"
#include "controls/z5InputDlg.h"
#include "core/DataModule.h"
#include "core/DialogRegistry.h"
#include "core/TBackupRestoreThread.h"
#include "core/uAccFunction2.h"
#include "core/uAccFunction2_System.h"
#include "core/uAccRecord.h"
#include "datalist/z5ComDataSentaku.h"
#include "datasel/z5DataSentaku.h"
#include "datasel/z5FileOperationDlg.h"
#include "datasel/z5FileOperationDlgEx1.h"
#include "platform/ShellFileOps.h"
#include "platform/UserInteraction.h"
#include "tusin/z5DataTusin.h"
#include "ui_z5DataSentaku.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <cstdio>
#include <optional>
#include <stdexcept>

namespace {

const QString kLogName = QStringLiteral("データ選択");
const QString kWorkRefused = QStringLiteral("このフォルダは選択出来ません。他の場所を選んで下さい。");
const QString kHistoryFile = QStringLiteral("history.ini");
const QString kHistorySection = QStringLiteral("DataBackFolder");
const QString kNamePasteFailed = QStringLiteral("データのコピーに失敗しました。");

bool isMerged(int kind) {
    return kind == 1 || kind == 2;
}

QString fileIn(const QString& folder, const QString& file) {
    return ExcludePathDelim(folder) + u'/' + file;
}

QString localWorkFolder() {
    return ExcludePathDelim(SystemDef.TempDir);
}

// The place the folder dialogs offer first: the application's folder in the documents.
QString defaultBackupPlace() {
    return GetMyDocumentsDir() + u'/' + HomeDirName.section(u'/', -1);
}

QString placeHint(const QString& what) {
    return QStringLiteral(
               "ﾃﾞｰﾀを%1場所を選択します。変更する場合は［参照］を押してください。|ﾃﾞｰﾀを%1場所を選択"
               "します。\r\n前回保存又は復元を行った場所を初期値として表示しています。それ以前の場所もリス"
               "トから選択できます。その他の場所を指定する場合は［参照］を押してください。\r\n［OK］を押"
               "すと処理を実行します。")
        .arg(what);
}

void showWorkerFailure(const TBackupRestoreThread& worker) {
    if (worker.ErrInfo.Message.isEmpty() && worker.ErrInfo.Detail.isEmpty())
        return; // the database module has shown it
    ui::showMessage(ui::MsgKind::Warning, worker.ErrInfo.Message + u'\r' + worker.ErrInfo.Detail);
}

bool databaseIn(const QString& folder) {
    const QString file = fileIn(folder, DataFileName);
    return ConnectMode == 0 ? QFileInfo(file).isFile() : DM->ServerFExist(file, ConnectMode);
}

// Replaces target by source in one step (rename over the old file).
bool replaceFile(const QString& source, const QString& target) {
    return std::rename(QFile::encodeName(source).constData(), QFile::encodeName(target).constData()) == 0;
}

QString damagedChildText(const QString& what) {
    return QStringList{
        QStringLiteral("合算・分散データに破損したデータが存在するため、データの%1を中止します。").arg(what),
        QStringLiteral("データのバックアップを行っている場合は、適正な方法で破損前の状態へ戻して下さい。"),
        QStringLiteral("ご不明な点がございましたら、お問い合わせ先をご確認の上ご連絡下さい。")}
        .join(u'\r');
}

bool hasDamagedChild(const TDataSentakuRec& parent) {
    for (const TDataListRec& c : parent.CHILDREN)
        if (c.DATA_STATUS == 1)
            return true;
    return false;
}

QString versionText(const TDataInfomationRec& info) {
    return QStringLiteral("%1.%2.%3").arg(info.MAJOR).arg(info.MINOR1).arg(info.MINOR2);
}

// The identity a backup's trailer carries, from the dataset's information and back.
void zoneFromInfo(TBackupRestoreThread& worker, const TDataInfomationRec& info) {
    worker.ZoneShougou = info.SHOUGOU;
    worker.ZoneKishu = info.KISHU;
    worker.ZoneKimatu = info.KIMATU;
    worker.ZoneSiwake = info.SIWAKE;
    worker.ZoneTotalSiwake = info.TOTALSIWAKE;
    worker.ZoneDataVersion = versionText(info);
    worker.ZoneGassan = info.GASSANKBN;
    worker.ZoneUseMyNumber = info.USEMYNUMBER;
}

void infoFromZone(const TBackupRestoreThread& worker, TDataInfomationRec& info) {
    info.SHOUGOU = worker.ZoneShougou;
    info.KISHU = worker.ZoneKishu;
    info.KIMATU = worker.ZoneKimatu;
    info.SIWAKE = worker.ZoneSiwake;
    info.TOTALSIWAKE = worker.ZoneTotalSiwake;
    const QStringList v = worker.ZoneDataVersion.split(u'.');
    info.MAJOR = v.value(0).toInt();
    info.MINOR1 = v.value(1).toInt();
    info.MINOR2 = v.value(2).toInt();
    info.GASSANKBN = quint8(worker.ZoneGassan);
    info.USEMYNUMBER = worker.ZoneUseMyNumber;
}

// What a restore remembers of the data it brings: read by the merge-kind fix afterwards.
void rememberIdentity(TDataListRec& entry, const TDataInfomationRec& info) {
    entry.SHOUGOU = info.SHOUGOU;
    entry.KISHU = StrToDateFixed(info.KISHU);
    entry.KIMATU = StrToDateFixed(info.KIMATU);
    entry.VER_TEXT = versionText(info);
    entry.GASSAN = info.GASSANKBN;
}

// A restore of the backup into the database; a backup on this computer travels to the server in the
// client/server modes.
void prepareRestore(TBackupRestoreThread& worker, const QString& database, const QString& backup,
                    bool onServer) {
    worker.Mode = TBackupRestoreThread::ModeRestore;
    worker.ProcName = kLogName;
    worker.TransferKind = ConnectMode != 0 && !onServer ? 1 : 0;
    worker.Host = SystemDef.HOSTNAME;
    worker.DatabaseFile = database;
    worker.BackupFile = backup;
}

// A row that now holds the dataset of the information: its entry and the cells drawn from it.
void takeInformation(TPerfectGrid* g, int row, TDataListRec& e, const TDataInfomationRec& now) {
    e.DATACODE = now.CODE;
    e.ENTTEXT = now.DATALISTNAME;
    e.DISPNAME = now.DATALISTNAME;
    e.UPDATE_LOCK = now.UPDATE_LOCK;
    e.GASSAN = now.GASSANKBN;
    e.CLOUD = now.CLOUD_SHARE;
    e.READ_ONLY = now.READ_ONLY;
    e.DATA_STATUS = 0;
    g->SetCellText(row, TDataSentakuBox::colCode, e.DATACODE);
    g->SetCellText(row, TDataSentakuBox::colName, e.DISPNAME);
    g->SetCellValue(row, TDataSentakuBox::colUpdate, e.UPDATE_LOCK);
    g->SetCellValue(row, TDataSentakuBox::colGassan, e.GASSAN);
    g->SetCellValue(row, TDataSentakuBox::colStatus, e.DATA_STATUS);
    g->SetCellValue(row, TDataSentakuBox::colReadOnly, e.READ_ONLY);
}

void configureBackupBox(TFileOperationBox& box, int kind, const QString& caption, const QString& message,
                        const QString& hintWhat) {
    box.FileKind = kind;
    box.UseHistory = true;
    box.HistoryDir = SystemDef.IniDir;
    box.HistoryFile = kHistoryFile;
    box.HistorySection = kHistorySection;
    box.CaptionText = caption;
    box.MessageText = message;
    box.MessageColor = 255;
    box.PlaceLabel = QStringLiteral("保存先の場所:");
    box.PlaceHint = placeHint(hintWhat);
}

} // namespace

// ---- shared pieces ---------------------------------------------------------------------------------------

void TDataSentakuBox::showProgress(const QString& caption, const QString& info) {
    if (!m_progress)
        m_progress = std::make_unique<TxAnimeProgressDialog>();
    m_progress->setCaption(caption);
    m_progress->setInfoLabel(info);
    m_progress->setCancelBtnShow(false);
    if (!m_progress->Active()) {
        m_progress->setAviFile(fileIn(SystemDef.ProgramDir, QStringLiteral("progress.avi")));
        m_progress->setCommonAVI(aviCopyFiles);
        m_progress->Execute(this);
    }
}

void TDataSentakuBox::closeProgress() {
    if (m_progress && m_progress->Active())
        m_progress->Close();
}

void TDataSentakuBox::readDataInfo(const QString& folder, TDataInfomationRec& info) {
    DataInfo->ConnectMode = ConnectMode;
    if (ConnectMode == 0)
        DataInfo->ReadDataIni(folder, info);
    else
        DataInfo->GetDataInfoRecOfFolder(folder, info);
}

void TDataSentakuBox::setEntryLock(TDataListRec& entry, bool locked) {
    entry.DATALOCK = locked ? SystemDef.LoginCode : 0;
    UpdateListRow(entry);
}

bool TDataSentakuBox::cloudReceive(TDataListRec& entry, const QString& folder) {
    if (ConnectMode != 0) {
        int c = -1;
        try {
            c = CheckDataFolder(folder);
        } catch (const std::exception&) {
            c = -1;
        }
        if (c != 1)
            return false;
    }
    ui->PerfectGrid1->setEnabled(false);
    ui->pnlBottom->setEnabled(false);
    SetFunctionKeys();
    const auto restore = qScopeGuard([&] {
        try {
            if (ConnectMode != 0)
                setEntryLock(entry, false);
        } catch (const std::exception&) {
        }
        ui->PerfectGrid1->setEnabled(true);
        ui->pnlBottom->setEnabled(true);
    });
    if (ConnectMode != 0)
        setEntryLock(entry, true);
    TfmDataTusin tusin(this);
    int r = tusin.CloudShareReceive(folder, 0);
    // The receive takes the area; copying and saving only read the dataset, so it is free again.
    if (r == 0 && AppKind == 0)
        r = tusin.ReleaseCloudShareArea(folder);
    return r < 1 || r > 9;
}

TFileOperationBox* TDataSentakuBox::SaveFolderBox() {
    if (!m_saveBox) {
        m_saveBox = new TFileOperationBox(this);
        configureBackupBox(*m_saveBox, TFileOperationBox::WriteFolder, QStringLiteral("データの保存"),
                           QStringLiteral("選択中のデータを保存します。"), QStringLiteral("保存する"));
    }
    m_saveBox->DefaultFolder = defaultBackupPlace();
    return m_saveBox;
}

TFileOperationBoxEx1* TDataSentakuBox::RestoreSourceBox() {
    if (!m_restoreBox) {
        m_restoreBox = new TFileOperationBoxEx1(this);
        TFileOperationBoxEx1& b = *m_restoreBox;
        configureBackupBox(
            b, TFileOperationBox::ReadFolder, QStringLiteral("データの復元"),
            QStringLiteral("指定された保存先の場所にバックアップファイルがある場合は、商号、会計期間"
                           "および仕訳数をチェックし、条件が満たされれば復元されます。"),
            QStringLiteral("保存されている"));
        b.SetChoice1Caption(QStringLiteral("保存先の場所を選択して復元する"));
        b.SetChoice2Caption(QStringLiteral("プログラムの既定の保存先の場所より復元する"));
    }
    m_restoreBox->DefaultFolder = defaultBackupPlace();
    return m_restoreBox;
}

// ---- copy and paste --------------------------------------------------------------------------------------

void TDataSentakuBox::CopyPasteData() {
    if (!hasCurrentRow())
        return;
    const int row = ui->PerfectGrid1->CurrentRow();
    if (CopyPending)
        copyStep(row);
    else
        pasteStep(row);
}

void TDataSentakuBox::copyStep(int row) {
    TDataListRec& e = RowRecord(row);
    const int index = ui->PerfectGrid1->CellText(row, colListIndex).toInt();
    const QString folder = RowDataPath(row);
    const auto refuse = [&](bool refresh) {
        CopyPending = false;
        if (refresh)
            DataListRefresh(row);
    };
    if (DM->IsCloudShareEnabled(0) && e.CLOUD == 1 && !cloudReceive(e, folder))
        return refuse(true);
    if (DM->CallDataCheck(SystemDef.HOSTNAME, folder, 0, 0) == 0) {
        e.DATA_STATUS = 1;
        return refuse(true);
    }
    const TDataSentakuRec& parent = List[index];
    if (isMerged(parent.GASSAN) && hasDamagedChild(parent)) {
        ui::showMessage(ui::MsgKind::Information, damagedChildText(QStringLiteral("コピー")));
        return refuse(false);
    }
    const int s = CheckDataStatus(folder, true, true);
    if (!(s == 1 || (ConnectMode != 0 && s == 2)))
        return refuse(true);
    if (!DataInfo->IsDataSiyouKengen(folder))
        return refuse(true);
    if (ConnectMode != 0 && s == 2 &&
        ui::showMessage(ui::MsgKind::Confirmation,
                        QStringLiteral("このデータは他のオペレータが使用中です。コピーしますか？"),
                        ui::mbOK | ui::mbCancel) != ui::mrOk)
        return refuse(true);
    CopySource = folder;
    CopySourceEntry = e;
    const QString name = TrimZenkaku(LeftStrB(e.ENTTEXT + QStringLiteral("～コピー"), 40));
    CopySourceEntry.ENTTEXT = name;
    CopySourceEntry.DISPNAME = name;
    CopySourceEntry.WORKNO = index;
    SetDataStatus(folder, 6);
}

void TDataSentakuBox::pasteStep(int row) {
    TDataListRec& e = RowRecord(row);
    const QString target = RowDataPath(row);
    const QString source = CopySource;
    const auto release = [this, source] { SetDataStatus(source, 1); };
    if (target == source)
        return release();
    if (DM->IsCloudShareEnabled(0) && e.CLOUD == 1) {
        ui::showMessage(ui::MsgKind::Information,
                        QStringLiteral("クラウドシェアデータのため貼り付け処理は行えません。"));
        return release();
    }
    if (CopySourceEntry.GASSAN == 10 && CopySourceEntry.REC == e.REC) {
        ui::showMessage(ui::MsgKind::Information,
                        QStringLiteral("同ブロックの分散入力データからの貼り付けは行えません。"));
        return release();
    }
    const int s = CheckDataStatus(target, false, true);
    if (s != 1 && s != 10) {
        if (ConnectMode != 0 && s == 2)
            ui::showMessage(ui::MsgKind::Information,
                            QStringLiteral("このデータは他のオペレータが使用中のため貼り付けは行えません。"));
        return release();
    }
    const bool damaged = s == 10;
    if (damaged)
        DM->fnAccDatDisConnected(target, 0, 0);
    else if (!DataInfo->IsDataSiyouKengen(target))
        return release();

    showProgress(QStringLiteral("コピー中"), QStringLiteral("データのコピー中…"));
    bool targetMarked = false;
    const auto guard = qScopeGuard([&] {
        closeProgress();
        try {
            release();
            // Also when the paste stopped with an error: the target is not left in the pasting state.
            if (targetMarked)
                SetDataStatus(target, 1);
        } catch (const std::exception&) {
        }
        show();
        raise();
        activateWindow();
    });

    TDataInfomationRec info;
    readDataInfo(source, info);
    if (damaged) {
        closeProgress();
        if (ui::showMessage(
                ui::MsgKind::Confirmation,
                QStringLiteral("このデータは破損データのため、データ間の照合チェックは行わずに貼り付けを行い"
                               "ます。\rよろしいですか？"),
                ui::mbOK | ui::mbCancel) != ui::mrOk)
            return;
    } else if (!CheckRestorePattern(QStringLiteral("貼り付け"), info, target)) {
        return;
    }
    SetDataStatus(target, 7);
    targetMarked = true;
    showProgress(QStringLiteral("コピー中"), QStringLiteral("データのコピー中…"));
    const bool copied = ConnectMode != 0 ? pasteOnServer(row, target) : pasteLocal(row, target);
    if (FinishCopyOrRestore(row, copied) != 1)
        return;

    TDataListRec& entry = RowRecord(row);
    TDataInfomationRec now;
    TPerfectGrid* g = ui->PerfectGrid1;
    if (DataInfo->GetDataInfoRecOfFolder(target, now) == 1) {
        now.DATALISTNAME = CopySourceEntry.ENTTEXT;
        now.UPDATE_LOCK = CopySourceEntry.UPDATE_LOCK;
        now.READ_ONLY = CopySourceEntry.READ_ONLY;
        DataInfo->UpdateDataInfomation(SystemDef.HOSTNAME, target, now);
        if (ConnectMode == 0)
            DataInfo->WriteIniFile(target, TDataInfomation::SectionInfo, now);
        takeInformation(g, row, entry, now);
        UpdateListRow(entry);
        CopyChildRows(row);
    } else {
        entry.DATA_STATUS = 1;
    }
    DataListRefresh(row);
    g->SetCurrentCell(row, 0);
    storeHeldCopy(row, true);
}

bool TDataSentakuBox::pasteLocal(int row, const QString& target) {
    const TDataListRec& e = RowRecord(row);
    const bool child = e.GASSAN == 10;
    if (!child && target.startsWith(ExcludePathDelim(CopySource) + u'/'))
        throw std::runtime_error("貼付先にコピー元のパスが含まれています。処理を中断します。");
    // The copy goes into a work folder beside the target first: the target keeps its data until the
    // copy is complete and its database opens.
    const QString work = ExcludePathDelim(target) + QStringLiteral(".paste");
    if (QFileInfo::exists(work))
        shellfileops::remove(work, false);
    QString error;
    bool ok = ForceFolder(work);
    if (ok)
        ok = child ? shellfileops::copy(fileIn(CopySource, DataFileName), fileIn(work, DataFileName), &error)
                   : shellfileops::copy(fileIn(CopySource, QStringLiteral("*")), work, &error);
    TDataInfomationRec probe;
    if (ok && DataInfo->GetDataInfoRecOfFolder(work, probe) != 1) {
        ok = false;
        error = QStringLiteral("コピーしたデータを開けませんでした。");
    }
    if (ok) {
        if (isMerged(e.GASSAN))
            RemoveChildRows(row, true);
        // The database first, copied beside the old one and renamed over it: when it cannot take its
        // place, nothing of the target has changed.
        ok = shellfileops::move(fileIn(work, DataFileName), fileIn(target, DataFileName), &error);
        if (ok && !QDir(work).isEmpty())
            ok = shellfileops::move(fileIn(work, QStringLiteral("*")), target, &error);
    }
    shellfileops::remove(work, false);
    if (!ok) {
        closeProgress();
        ui::showMessage(ui::MsgKind::Warning, kNamePasteFailed + u'\r' + error);
    }
    return ok;
}

bool TDataSentakuBox::pasteOnServer(int row, const QString& target) {
    m_progress->setInfoLabel(QStringLiteral("データをコピー中…"));
    TDataListRec& e = RowRecord(row);
    setEntryLock(e, true);
    const auto unlock = qScopeGuard([&] {
        try {
            setEntryLock(e, false);
        } catch (const std::exception&) {
        }
    });
    const QString work = ExcludePathDelim(SystemDef.ServerDriveDir);
    if (!DM->ServerDExist(work, ConnectMode))
        DM->ServerMkDir(work, ConnectMode);
    const QString localBackup = fileIn(localWorkFolder(), BackupFileName);
    if (QFileInfo::exists(localBackup))
        QFile::remove(localBackup);
    TBackupRestoreThread worker(true);
    worker.Mode = TBackupRestoreThread::ModeCopy;
    worker.ProcName = kLogName;
    worker.TransferKind = 0;
    worker.Host = SystemDef.HOSTNAME;
    worker.DatabaseFile = fileIn(CopySource, DataFileName);
    worker.TargetFile = fileIn(target, DataFileName);
    worker.BackupFile =
        fileIn(work, QFileInfo(BackupFileName).completeBaseName() + u'.' + QString::number(SystemDef.OPCODE));
    worker.KeepIndexes = 1;
    const bool ok = worker.RunAndWait(500);
    if (!ok) {
        closeProgress();
        showWorkerFailure(worker);
    }
    return ok;
}

bool TDataSentakuBox::CheckRestorePattern(const QString& caption, const TDataInfomationRec& source,
                                          const QString& target) {
    if (target.isEmpty()) {
        ui::showMessage(ui::MsgKind::Warning,
                        QStringLiteral("%1先のデータパスが不正です。").arg(caption) + u'\r');
        return false;
    }
    if (!DM->ServerDExist(target, ConnectMode)) {
        DM->ServerMkDir(target, ConnectMode);
        return true;
    }
    if (!databaseIn(target))
        return true;
    DataInfo->RefreshIniFile(target, TDataInfomation::SectionInfo);
    TDataInfomationRec current;
    readDataInfo(target, current);
    const int from = source.GASSANKBN, to = current.GASSANKBN;
    const bool forbidden =
        ((from == 0 || from == 10) && isMerged(to)) || (from == 1 && to == 2) || (from == 2 && to == 1);
    if (forbidden) {
        closeProgress();
        const QStringList lines{QStringLiteral("以下のパターンの復元（貼付）は禁止されています。"),
                                QStringLiteral(" ①通常データ       を 合算データ（合算本支店データ） へ"),
                                QStringLiteral(" ②分散データ       を 合算データ（合算本支店データ） へ"),
                                QStringLiteral(" ③合算データ       を 合算本支店データ へ"),
                                QStringLiteral(" ④合算本支店データ を 合算データ へ")};
        ui::showMessage(
            ui::MsgKind::Warning,
            QStringLiteral(
                "%1先の合算データ区分が妥当ではありません。\rデータリストの空行を選んで処理を行って"
                "下さい。")
                    .arg(caption) +
                QStringLiteral("\r\r") + lines.join(u'\r'),
            ui::mbOK, QStringLiteral("警告"));
        return false;
    }
    const bool same = CompareDataIdentity(caption, source, current);
    if (same && caption == QStringLiteral("復元"))
        rememberIdentity(CopySourceEntry, source);
    return same;
}

bool TDataSentakuBox::CompareDataIdentity(const QString& caption, const TDataInfomationRec& source,
                                          const TDataInfomationRec& target) {
    const auto blank = [](const TDataInfomationRec& r) {
        return r.SHOUGOU.isEmpty() && r.KISHU.isEmpty() && r.KIMATU.isEmpty();
    };
    if (blank(source)) {
        ui::showMessage(ui::MsgKind::Warning,
                        QStringLiteral("%1処理元のデータ情報が不正です。").arg(caption) + u'\r');
        return false;
    }
    if (blank(target)) {
        ui::showMessage(ui::MsgKind::Warning,
                        QStringLiteral("%1処理先のデータ情報が不正です。").arg(caption) + u'\r');
        return false;
    }
    QStringList lines;
    const auto pair = [&](const QString& heading, const QString& from, const QString& to) {
        lines << heading << QStringLiteral("　【%1元】：%2").arg(caption, from)
              << QStringLiteral("　【%1先】：%2").arg(caption, to) << QString();
    };
    const auto date = [](const QString& text) { return DateToStrKind(4, StrToDateFixed(text)); };
    if (source.SHOUGOU != target.SHOUGOU) {
        pair(QStringLiteral("会社名に違いがありました。"), source.SHOUGOU, target.SHOUGOU);
        if (ConnectMode == 0 && caption == QStringLiteral("復元") && isMerged(target.GASSANKBN))
            lines << QStringLiteral("　注）") + caption +
                         QStringLiteral("を続行した場合は配下の分散データは削除されます。")
                  << QString();
    }
    if (source.KISHU != target.KISHU)
        pair(QStringLiteral("期首に違いがありました。"), date(source.KISHU), date(target.KISHU));
    if (source.KIMATU != target.KIMATU)
        pair(QStringLiteral("期末に違いがありました。"), date(source.KIMATU), date(target.KIMATU));
    if (source.TOTALSIWAKE < target.TOTALSIWAKE) {
        lines << QStringLiteral("仕訳件数(修正・削除仕訳含む)が減っています。")
              << QStringLiteral("　【%1元】：%2 件").arg(caption, IntToComma(source.TOTALSIWAKE))
              << QStringLiteral("　【%1先】：%2 件").arg(caption, IntToComma(target.TOTALSIWAKE))
              << QString();
    }
    if (lines.isEmpty())
        return true;
    closeProgress();
    const QString text = QStringLiteral("以下の項目に違いが検出されました。\r\r") + lines.join(u'\r') +
                         u'\r' + QStringLiteral("データ%1処理の続行に同意します。").arg(caption);
    return ui::showMessage(ui::MsgKind::Confirmation, text, ui::mbOK | ui::mbCancel,
                           QStringLiteral("データ照合チェックの結果")) == ui::mrOk;
}

// ---- save and restore ------------------------------------------------------------------------------------

int TDataSentakuBox::SaveData(const QString& folder) {
    if (!hasCurrentRow())
        return 0;
    TPerfectGrid* g = ui->PerfectGrid1;
    const int row = g->CurrentRow();
    TDataListRec& e = RowRecord(row);
    const QString source = RowDataPath(row);
    if (!SyncSharedCopy())
        return 0;
    if (DM->IsCloudShareEnabled(0) && e.CLOUD == 1 && !cloudReceive(e, source)) {
        DataListRefresh(row);
        return 0;
    }
    if (DM->CallDataCheck(SystemDef.HOSTNAME, source, 0, 0) == 0) {
        e.DATA_STATUS = 1;
        DataListRefresh(row);
        return 0;
    }
    const int s = CheckDataStatus(source, true, true);
    if (s != 1 && !(ConnectMode != 0 && s == 2 &&
                    ui::showMessage(ui::MsgKind::Confirmation,
                                    QStringLiteral("このデータは他のオペレータが使用中です。保存しますか？"),
                                    ui::mbOK | ui::mbCancel) == ui::mrOk))
        return 0;
    TDataInfomationRec info;
    readDataInfo(source, info);
    if (!DataInfo->IsDataSiyouKengen(source)) {
        DataListRefresh(row);
        return 0;
    }

    QString dest;
    for (;;) {
        if (!folder.isEmpty()) {
            dest = ExcludePathDelim(folder);
        } else {
            TFileOperationBox* box = SaveFolderBox();
            box->Setup(1);
            if (box->exec() != ui::mrOk)
                return 0;
            dest = ExcludePathDelim(box->ResultPath);
        }
        if (dest != localWorkFolder())
            break;
        ui::showMessage(ui::MsgKind::Information, kWorkRefused);
        // A given folder cannot be asked for again.
        if (!folder.isEmpty())
            return 0;
    }
    if (!ForceFolder(dest)) {
        ui::showMessage(ui::MsgKind::Information,
                        QStringLiteral("バックアップフォルダの作成に失敗しました。"));
        return 0;
    }
    const QString backup = fileIn(dest, BackupFileName);
    // A given folder's old backup is replaced without asking, as it is for the caller's own use.
    if (folder.isEmpty() && QFileInfo::exists(backup) &&
        ui::showMessage(
            ui::MsgKind::Confirmation,
            QStringLiteral(
                "この場所には、同じ名前のバックアップファイルが既に存在します。\r上書きしますか？"),
            ui::mbOK | ui::mbCancel) != ui::mrOk)
        return 0;

    SetDataStatus(source, 4);
    showProgress(QStringLiteral("保存中"), QStringLiteral("保存中、しばらくお待ちください…"));
    const auto guard = qScopeGuard([&] {
        // The desktop of this platform shows new files by itself: no refresh is sent to it.
        raise();
        closeProgress();
        try {
            SetDataStatus(source, 1);
        } catch (const std::exception&) {
        }
        show();
    });
    DataListRefresh(row);

    const QString part = backup + QStringLiteral(".part");
    if (QFileInfo::exists(part))
        QFile::remove(part);
    TBackupRestoreThread worker(true);
    worker.Mode = TBackupRestoreThread::ModeBackup;
    worker.ProcName = kLogName;
    worker.TransferKind = ConnectMode != 0 ? 1 : 0;
    worker.Host = SystemDef.HOSTNAME;
    worker.DatabaseFile = fileIn(source, DataFileName);
    worker.BackupFile = part;
    worker.KeepIndexes = 1;
    worker.ClearZoneInfo();
    worker.WriteZone = 1;
    zoneFromInfo(worker, info);
    worker.AskMyNumber = 1;
    worker.MyNumberLog = 1;
    bool ok = worker.RunAndWait(300);
    if (ok && !replaceFile(part, backup)) {
        ok = false;
        worker.ErrInfo.Message = QStringLiteral("データベースの保存に失敗しました。");
        worker.ErrInfo.Detail = backup;
    }
    if (QFileInfo::exists(part))
        QFile::remove(part);
    if (!ok) {
        closeProgress();
        showWorkerFailure(worker);
    }
    g->SetCurrentCell(row, 0);
    return ok ? 1 : -1;
}

int TDataSentakuBox::RestoreData(const QString& folder) {
    if (!hasCurrentRow())
        return -1;
    TPerfectGrid* g = ui->PerfectGrid1;
    const int row = g->CurrentRow();
    const QString target = RowDataPath(row);
    bool damaged = false;
    {
        TDataListRec& e = RowRecord(row);
        if (e.DATA_STATUS == 1) {
            DM->fnAccDatDisConnected(target, 0, 0);
            damaged = true;
        } else if ((e.KISHU.value() > 0 || e.KIMATU.value() > 0) &&
                   DM->CallDataCheck(SystemDef.HOSTNAME, target, 0, 0) == 0) {
            e.DATA_STATUS = 1;
            DataListRefresh(row);
            damaged = true;
        }
    }
    const auto inUse = [this](int s) {
        if (ConnectMode != 0 && s == 2)
            ui::showMessage(ui::MsgKind::Information,
                            QStringLiteral("このデータは他のオペレータが使用中のため復元処理は行えません。"));
    };
    if (!damaged) {
        if (DM->IsCloudShareEnabled(0) && RowRecord(row).CLOUD == 1) {
            ui::showMessage(ui::MsgKind::Information,
                            QStringLiteral("クラウドシェアデータのため復元処理は行えません。"));
            return -1;
        }
        const int s = CheckDataStatus(target, false, true);
        if (s != 1) {
            inUse(s);
            return -1;
        }
        if (!DataInfo->IsDataSiyouKengen(target))
            return -1;
    }

    QString from;
    bool onServer = false;
    for (;;) {
        if (!folder.isEmpty()) {
            from = ExcludePathDelim(folder);
        } else {
            TFileOperationBoxEx1* box = RestoreSourceBox();
            box->Setup(1);
            box->SelectChoice(1);
            if (box->exec() != ui::mrOk)
                return -1;
            if (box->Source == 2) {
                from = target;
                onServer = ConnectMode != 0;
                break;
            }
            from = ExcludePathDelim(box->ResultPath);
        }
        if (from != localWorkFolder())
            break;
        ui::showMessage(ui::MsgKind::Information, kWorkRefused);
        if (!folder.isEmpty())
            return -1;
    }
    const int s = CheckDataStatus(target, false, true);
    if (s != 1 && s != 10) {
        inUse(s);
        return -1;
    }
    const QString backup = fileIn(from, BackupFileName);
    if (!(onServer ? DM->ServerFExist(backup, ConnectMode) : QFileInfo(backup).isFile())) {
        ui::showMessage(
            ui::MsgKind::Information,
            QStringLiteral("この場所には、バックアップファイル(%1)がありませんでした。").arg(BackupFileName));
        return -1;
    }

    showProgress(QStringLiteral("復元中"), QStringLiteral("復元中、しばらくお待ちください…"));
    if (ConnectMode != 0)
        setEntryLock(RowRecord(row), true);
    const QString work = localWorkFolder();
    ForceFolder(work);
    for (const QString& name : {BackupFileName, DataFileName, DataIniFileName})
        if (QFileInfo::exists(fileIn(work, name)))
            QFile::remove(fileIn(work, name));
    const auto guard = qScopeGuard([&] {
        try {
            if (ConnectMode != 0) {
                setEntryLock(RowRecord(row), false);
                DataListRefresh(row);
            }
        } catch (const std::exception&) {
        }
        raise();
        closeProgress();
        try {
            if (DM->ServerDExist(target, ConnectMode))
                SetDataStatus(target, 1);
        } catch (const std::exception&) {
        }
        show();
    });

    QString restoreFrom = backup;
    TBackupRestoreThread zone(true);
    bool hasZone = false;
    if (onServer) {
        const QString serverWork = ExcludePathDelim(SystemDef.ServerDriveDir);
        if (!DM->ServerDExist(serverWork, ConnectMode))
            DM->ServerMkDir(serverWork, ConnectMode);
    } else {
        restoreFrom = fileIn(work, BackupFileName);
        if (!DM->ServerFCopy(backup, restoreFrom, 0)) {
            closeProgress();
            ui::showMessage(
                ui::MsgKind::Information,
                QStringLiteral("ワーク領域にファイルをコピー出来なかったため、復元処理は失敗しました。"));
            return -1;
        }
        // The worker restores from a copy cut at the trailer; the values are read here.
        hasZone = zone.ReadZoneInfo(restoreFrom);
    }

    const bool targetHadData = databaseIn(target);
    TDataInfomationRec info;
    DataInfo->InitDataInfoRec(info);
    if (damaged) {
        closeProgress();
        if (ui::showMessage(
                ui::MsgKind::Confirmation,
                QStringLiteral(
                    "このデータは破損データのため、データ間の照合チェックは行わずに復元を行います。\r"
                    "よろしいですか？"),
                ui::mbOK | ui::mbCancel) != ui::mrOk)
            return -1;
    } else {
        ListCtl->InitDataListRec(CopySourceEntry, QString());
        if (targetHadData) {
            m_progress->setInfoLabel(QStringLiteral("照合チェック中、しばらくお待ちください…"));
            if (hasZone) {
                infoFromZone(zone, info);
            } else {
                // Without a trailer the backup tells who it is by a trial restore into a work folder.
                const QString trialFolder =
                    ConnectMode != 0 ? ExcludePathDelim(SystemDef.ServerDriveDir) : work;
                TBackupRestoreThread trial(true);
                prepareRestore(trial, fileIn(trialFolder, DataFileName), restoreFrom, onServer);
                trial.KeepIndexes = 0;
                trial.MyNumberCheck = 0;
                const bool tried = trial.RunAndWait(300);
                if (tried)
                    readDataInfo(trialFolder, info);
                if (ConnectMode != 0) {
                    if (DM->ServerFExist(fileIn(trialFolder, DataFileName), ConnectMode))
                        DM->AccDatDropDatabase(SystemDef.HOSTNAME, trialFolder);
                } else {
                    QFile::remove(fileIn(trialFolder, DataFileName));
                    QFile::remove(fileIn(trialFolder, DataIniFileName));
                }
                if (!tried) {
                    closeProgress();
                    showWorkerFailure(trial);
                    return -1;
                }
            }
            if (!CheckRestorePattern(QStringLiteral("復元"), info, target))
                return -1;
        }
    }

    showProgress(QStringLiteral("復元中"), QStringLiteral("復元中、しばらくお待ちください…"));
    const bool targetFolderExisted = DM->ServerDExist(target, ConnectMode);
    if (!targetFolderExisted)
        DM->ServerMkDir(target, ConnectMode);
    SetDataStatus(target, 5);
    const bool dropChildren =
        ConnectMode == 0 && isMerged(RowRecord(row).GASSAN) && RowRecord(row).SHOUGOU != info.SHOUGOU;
    TBackupRestoreThread worker(true);
    prepareRestore(worker, fileIn(target, DataFileName), restoreFrom, onServer);
    worker.KeepIndexes = 1;
    worker.MyNumberCheck = 1;
    worker.AskMyNumber = 1;
    worker.MyNumberLog = 1;
    if (!info.SHOUGOU.isEmpty())
        zoneFromInfo(worker, info);
    else if (hasZone)
        worker.ZoneUseMyNumber = zone.ZoneUseMyNumber;
    if (!worker.RunAndWait(300)) {
        closeProgress();
        showWorkerFailure(worker);
        FinishCopyOrRestore(row, false);
        // An empty row keeps no folder of a restore that did not happen.
        if (!targetFolderExisted && !databaseIn(target))
            DM->ServerRmDir(target, ConnectMode, false);
        return -1;
    }
    if (dropChildren)
        RemoveChildRows(row, true);
    if (!targetHadData || damaged) {
        TDataInfomationRec restored;
        if (DataInfo->GetDataInfoRecOfFolder(target, restored) == 1)
            rememberIdentity(CopySourceEntry, restored);
    }
    FinishCopyOrRestore(row, true);

    TDataListRec& e = RowRecord(row);
    TDataInfomationRec now;
    if (DataInfo->GetDataInfoRecOfFolder(target, now) == 1) {
        DataInfo->UpdateDataInfomation(SystemDef.HOSTNAME, target, now);
        takeInformation(g, row, e, now);
    }
    DataListRefresh(row);
    g->SetCurrentCell(row, 0);
    if (DM->IsCloudShareEnabled(0) && RowRecord(row).CLOUD == 1) {
        ui->PerfectGrid1->setEnabled(false);
        ui->pnlBottom->setEnabled(false);
        const auto enable = qScopeGuard([&] {
            ui->PerfectGrid1->setEnabled(true);
            ui->pnlBottom->setEnabled(true);
        });
        TfmDataTusin tusin(this);
        const int r = tusin.CloudShareSend(target, QStringLiteral("復元"), 1);
        if (r >= 1 && r <= 9)
            return 1;
    }
    storeHeldCopy(row, true);
    return 1;
}

// ---- new data and delete ---------------------------------------------------------------------------------

int TDataSentakuBox::NewData() {
    if (!hasCurrentRow())
        return 1;
    const int row = ui->PerfectGrid1->CurrentRow();
    const QString folder = RowDataPath(row);
    if (CheckDataStatus(folder, false, false) != 1)
        return 1;
    const bool folderExisted = DM->ServerDExist(folder, ConnectMode);
    const bool iniExisted = ConnectMode == 0 && QFileInfo::exists(TDataInfomation::IniPath(folder));
    DM->ServerMkDir(folder, ConnectMode);
    TDataInfomationRec status;
    DataInfo->InitDataInfoRec(status);
    status.STATUS = 9;
    status.OPCODE = SystemDef.OPCODE;
    status.OPERATOR = SystemDef.OperatorName;
    DataInfo->WriteIniFile(folder, TDataInfomation::SectionStatus, status);

    const int parentIndex = ui->PerfectGrid1->CellText(row, colListIndex).toInt();
    if (ConnectMode != 0)
        setEntryLock(RowRecord(row), true);
    const auto unlock = qScopeGuard([&] {
        try {
            if (ConnectMode != 0)
                setEntryLock(RowRecord(row), false);
        } catch (const std::exception&) {
        }
    });
    const QString params = QStringLiteral("DataPath=%1\rDataListRec=%2\rPHandle=%3")
                               .arg(folder)
                               .arg(List[parentIndex].REC)
                               .arg(quintptr(winId()));
    int r = RunDialogByNameProc ? RunDialogByNameProc(QStringLiteral("QzKihonWiz"), 1, params) : -1;
    TDataListRec& e = RowRecord(row);
    if (r == 1) {
        ListCtl->GetDataListRecord(0, e, true);
        TDataSentakuRec& parent = List[parentIndex];
        ListCtl->GetDataListChildRecord(parent, true);
        if (e.NETDRIVE == 1) {
            const QString local = RowDataPath(ParentRow(row));
            for (TDataListRec& child : parent.CHILDREN) {
                child.NETDRIVE = 1;
                child.PASNAME.replace(local, parent.PASNAME, Qt::CaseInsensitive);
                UpdateListRow(child);
            }
        }
        SetDataStatus(folder, 1);
    } else if (r == 2 && e.NETDRIVE == 0) {
        DM->ServerRmDir(folder, ConnectMode, false);
    } else {
        // No creator ran, or it failed: nothing is left in the creating state.
        if (!folderExisted && e.NETDRIVE == 0)
            DM->ServerRmDir(folder, ConnectMode, false);
        else if (!iniExisted && ConnectMode == 0)
            QFile::remove(TDataInfomation::IniPath(folder));
        else
            SetDataStatus(folder, 1);
    }
    storeHeldCopy(row, r == 1);
    DataListRefresh(row);
    return 1;
}

bool TDataSentakuBox::AddArea() {
    constexpr int kMaxEntries = 2000;
    if (List.size() >= kMaxEntries) {
        ui::showMessage(ui::MsgKind::Warning,
                        QStringLiteral("これ以上の領域追加は行えません。(最大%1件)").arg(kMaxEntries));
        return true;
    }
    ui::InputRequest request;
    request.caption = QStringLiteral("データの領域追加");
    request.prompt = QStringLiteral("新しく作成するフォルダ名を入力して下さい。");
    request.initial = QStringLiteral("%1").arg(ListCtl->GetDataFolderName(1), 4, 10, QLatin1Char('0'));
    request.maxLength = 8;
    request.hint = QStringLiteral("新しく作成するフォルダ名を入力します。");
    request.charFilter = TInputDlgBox::cfFileName;
    const std::optional<QString> answer = ui::current().input(request);
    if (!answer)
        return true;
    const QString name = TrimZenkaku(*answer);
    if (name.isEmpty())
        return true;
    const QString folder = IncludePathDelim(PlacePath) + name;
    // The input dialog refuses the separators; a name that leaves the data place is refused here too.
    if (name == QStringLiteral(".") || name == QStringLiteral("..") || name.contains(u'/') ||
        name.contains(u'\\')) {
        ui::showMessage(ui::MsgKind::Warning, QStringLiteral("\"%1\"の作成に失敗しました。").arg(folder));
        return true;
    }
    if (ListCtl->IsDataPathToroku(folder)) {
        ui::showMessage(ui::MsgKind::Warning,
                        QStringLiteral("\"%1\"は既にデータリスト上に作成されています。\r").arg(folder));
        return true;
    }
    if (DM->ServerDExist(folder, ConnectMode)) {
        ui::showMessage(ui::MsgKind::Warning,
                        QStringLiteral("\"%1\"に会計データが作成されています。\r").arg(folder));
        return true;
    }
    TDataSentakuRec entry;
    FillEntry(entry, true);
    entry.ENTTEXT.clear();
    entry.DISPNAME.clear();
    entry.PASNAME = folder;
    if (!ListCtl->InsertDataListRecord(entry, true))
        return true;
    List.append(entry);
    ReselectRow(ui->PerfectGrid1->TopRow(), entry);
    ui->PerfectGrid1->setFocus();
    return true;
}

int TDataSentakuBox::DeleteData(bool errorMessage) {
    if (!hasCurrentRow())
        return 1;
    TPerfectGrid* g = ui->PerfectGrid1;
    const int row = g->CurrentRow();
    const QString folder = RowDataPath(row);
    TDataSentakuRec& parent = List[g->CellText(row, colListIndex).toInt()];
    const bool damaged = RowRecord(row).DATA_STATUS == 1;
    if (damaged) {
        DM->fnAccDatDisConnected(folder, 0, 0);
    } else {
        TDataListRec& e = RowRecord(row);
        if (DM->CallDataCheck(SystemDef.HOSTNAME, folder, 0, 0) == 0) {
            e.DATA_STATUS = 1;
            DataListRefresh(row);
            SetFunctionKeys();
            return 1;
        }
        if (isMerged(parent.GASSAN) && hasDamagedChild(parent)) {
            CopyPending = false;
            ui::showMessage(ui::MsgKind::Information, damagedChildText(QStringLiteral("削除")));
            SetFunctionKeys();
            return 1;
        }
        if (e.NETDRIVE == 1 && e.GASSAN != 10) {
            ui::showMessage(
                ui::MsgKind::Information,
                QStringLiteral(
                    "共有データの削除は行えません。\r[F4:割当解除]後に「共有データの選択」ウィンドウを"
                    "表示して削除を行って下さい。"));
            return 1;
        }
        if (DM->IsCloudShareEnabled(0) && e.CLOUD == 1) {
            ui::showMessage(ui::MsgKind::Information,
                            QStringLiteral("クラウドシェアデータのため削除処理は行えません。"));
            return 1;
        }
        if (folder.toLower() == ExcludePathDelim(SystemDef.DataDir).toLower()) {
            ui::showMessage(ui::MsgKind::Information,
                            SyoriType == 2
                                ? QStringLiteral("このデータは現在選択中のデータのため削除は行えません。")
                                : QStringLiteral("このデータは前回起動データのため削除は行えません。"));
            return 1;
        }
        const int s = CheckDataStatus(folder, true, true);
        if (ConnectMode != 0 && s == 2) {
            ui::showMessage(ui::MsgKind::Information,
                            QStringLiteral("このデータは他のオペレータが使用中のため削除は行えません。"));
            return 1;
        }
        if (s != 1)
            return 1;
        if (!DataInfo->IsDataSiyouKengen(folder))
            return 1;
    }
    const QStringList lines{
        QStringLiteral("【データ名】"),       QStringLiteral("　") + g->CellText(row, colName),  QString(),
        QStringLiteral("【会計期間】"),       QStringLiteral("　") + g->CellText(row, colKikan), QString(),
        QStringLiteral("【データフォルダ】"), QStringLiteral("　") + g->CellText(row, colFolder)};
    if (ui::showMessage(ui::MsgKind::Confirmation,
                        QStringLiteral("選択したデータを削除します。\r\r") + lines.join(u'\r') +
                            QStringLiteral("\r\rデータの削除に同意します"),
                        ui::mbOK | ui::mbCancel, QStringLiteral("データの削除")) != ui::mrOk)
        return 1;

    TDataListRec& e = RowRecord(row);
    e.DATA_STATUS = 0;
    const TDataListRec entry = e;
    bool removed;
    if (ConnectMode == 0) {
        removed = DM->ServerRmDir(folder, 0, false);
        if (removed && entry.GASSAN == 10 && isMerged(parent.GASSAN))
            WriteMergeSettings(RowDataPath(ParentRow(row)), parent.GASSAN, qMax(0, parent.CHILDCNT - 1));
    } else {
        if (!damaged)
            DM->AccDatDropDatabase(SystemDef.HOSTNAME, folder);
        removed = DM->ServerRmDir(folder, ConnectMode, false);
    }
    // The list keeps a dataset whose folder could not be removed.
    const bool r = removed && ListCtl->DeleteDataListRecord(e, false);
    if (r && isMerged(entry.GASSAN))
        RemoveChildRows(row, true);
    DataListRefresh(row);
    if (!r) {
        if (errorMessage)
            ui::showMessage(ui::MsgKind::Error, QStringLiteral("データの削除に失敗しました。\r"));
        return 0;
    }
    if (ConnectMode != 0 || entry.GASSAN == 10) {
        ReselectRow(g->TopRow(), entry);
        g->setFocus();
    }
    return 1;
}
