// The send and receive roads of the communication dialog: the package is built or opened in the work
// folders, travels by FTP to or from the relay server, and each step is reported to the status service.
// The receive road ends with the restore of the received backup over the target dataset.
#include "tusin/z5DataTusin.h"

#include "clouddump/FtpSession.h"
#include "controls/PerfectGrid.h"
#include "core/DataModule.h"
#include "core/TBackupRestoreThread.h"
#include "core/TBufFileStream.h"
#include "core/uAccFunction2.h"
#include "core/uAccFunction2_System.h"
#include "core/uAccRecord.h"
#include "platform/UserInteraction.h"
#include "tusin/z5WaitMess.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPushButton>
#include <QScopeGuard>
#include <functional>

namespace {

QString framed(const QString& text) {
    return QStringLiteral("　\r\n") + text + QStringLiteral("\r\n ");
}

void error(const QString& text, ui::Buttons buttons = ui::mbOK) {
    ui::showMessage(ui::MsgKind::Error, text, buttons);
}

// A step with the status service: an exception inside it is a failure with the step's own text.
bool guardedStep(const QString& failure, const std::function<bool()>& step) {
    try {
        return step();
    } catch (const std::exception&) {
        error(framed(failure));
        return false;
    }
}

QString twoDigits(int n) {
    return QStringLiteral("%1").arg(n, 2, 10, QChar(u'0'));
}

void step(TfmWaitMess* wait, int line, const QString& text, TWaitStep state) {
    if (!wait)
        return;
    wait->line(line)->setText(text);
    SetWaitStep(wait->line(line), state);
    QApplication::processEvents();
}

// "YYYYMMDDHHNN..." as "YYYY/MM/DD HH:NN".
QString compactTimeText(const QString& t) {
    if (t.size() < 12)
        return t;
    return t.mid(0, 4) + u'/' + t.mid(4, 2) + u'/' + t.mid(6, 2) + u' ' + t.mid(8, 2) + u':' + t.mid(10, 2);
}

// The refusal of a received merge kind that the open dataset cannot take; empty when it can.
QString mergeRefusal(int open, int received) {
    static const auto name = [](int k) {
        switch (k) {
        case 0:
            return QStringLiteral("通常データ");
        case 1:
            return QStringLiteral("合算データ");
        case 2:
            return QStringLiteral("合算本支店データ");
        default:
            return QStringLiteral("分散データ");
        }
    };
    const bool refused = (open == 1 && (received == 0 || received == 2 || received == 10)) ||
                         (open == 2 && (received == 0 || received == 1 || received == 10));
    if (!refused)
        return {};
    return QStringLiteral("現在の処理データは、%1ですが、受信したデータは、%2なので、復元出来ません。")
        .arg(name(open), name(received));
}

} // namespace

// ---- send --------------------------------------------------------------------------------------------

int TfmDataTusin::SendData() {
    const bool cloud = SyoriType == tkCloudSend;
    const int row = SelectedRow();
    const int slot = cloud ? AccInf.CLOUD_LINE : row + 1;
    if (!cloud) {
        const int answer = ui::askConfirmation(
            QStringLiteral("　\r\n中継サーバーの No.") + QString::number(slot) +
            QStringLiteral(" フォルダに、現在利用中のデータを送信します。実行しますか？\r\n "));
        if (answer != ui::mrYes)
            return 1;
    }
    const bool analysis = CloudAnalysisSend == 1;
    const QString relayWord =
        cloud ? QStringLiteral("クラウドへデータ送信") : QStringLiteral("中継サーバーへデータ送信");
    WaitMessParent = this;
    std::unique_ptr<TfmWaitMess> wait(new TfmWaitMess(this));
    fmWaitMess = wait.get();
    if (cloud && !CaptionText.isEmpty())
        wait->setWindowTitle(CaptionText);
    step(wait.get(), 1, QStringLiteral("送信用データ保存　実行中"), TWaitStep::Running);
    step(wait.get(), 2, QStringLiteral("送信用データ圧縮"), TWaitStep::ToCome);
    step(wait.get(), 3, QStringLiteral("送信用データ暗号化"), TWaitStep::ToCome);
    step(wait.get(), 4, relayWord, TWaitStep::ToCome);
    const bool box5 = analysis && !cloud;
    step(wait.get(), 5, QStringLiteral("経営Solvarnetクラウドへデータ送信"), TWaitStep::ToCome);
    wait->line(5)->setVisible(box5);
    wait->resize(435, box5 ? 206 : 194);
    wait->show();
    setEnabled(false);
    pause();

    bool areaTaken = false;
    const auto end = qScopeGuard([&] {
        setEnabled(true);
        ShowNormalCursor();
        wait.reset();
        CleanUpStages(TPackageRoad::Send);
        if (areaTaken) {
            try {
                SetAreaShareStatus(slot, 1);
            } catch (const std::exception&) {
                // The release could not reach the service; the area is freed by the service's timeout.
            }
        }
    });

    if (cloud && !guardedStep(QStringLiteral("送信開始処理エラー"), [&] {
            if (RequestAreaUse(ServerInfo, TAreaUsePurpose::BeforeSend, slot, OperatorText, ComputerText,
                               relayContext(), nullptr, Relay) != TRelayOutcome::Ok)
                return false;
            // From here on the area is this site's until the road gives it back.
            areaTaken = true;
            if (!UpdateCloudTime(ServerInfo.ServerTime)) {
                error(QStringLiteral("ローカルデータの最終更新日付更新エラー"));
                return false;
            }
            return true;
        }))
        return 1;

    const TPackageStages stages = SendStages();
    if (!packForSend(wait.get(), TPackageRoad::Send))
        return 1;
    step(wait.get(), 4, relayWord + QStringLiteral("　実行中"), TWaitStep::Running);
    pause();
    if (!QFileInfo::exists(stages.Package))
        return 1;
    const QString folder = u'/' + twoDigits(slot);
    const QString name = cloud ? QStringLiteral("cplacc.wen") : QStringLiteral("placc.wen");

    if (cloud && !RequestServerInfo())
        return 1;

    if (!uploadPackage(AccInf.WEB_HOLDER.trimmed(), folder, stages.Package, name))
        return 1;

    TRelaySentData data;
    data.DataName = AccInf.ENTTEXT;
    data.FiscalYear = AccInf.NENDO;
    data.PeriodStart = AccInf.KISHU;
    data.PeriodEnd = AccInf.KIMATU;
    // A relay-folder send carries the process's data version, which nothing sets.
    data.VersionMajor = cloud ? VersionMajor : 0;
    data.VersionMinor = cloud ? VersionMinor1 : 0;
    data.OperatorText = OperatorText;
    data.ComputerText = ComputerText;
    YobiText = QStringLiteral("%1%2").arg(twoDigits(data.VersionMajor), twoDigits(data.VersionMinor));
    if (!guardedStep(QStringLiteral("送信エラー"), [&] {
            if (RequestSendComplete(ServerInfo, cloud ? 1823 : 1820, slot, data, relayContext(), Relay) !=
                TRelayOutcome::Ok)
                return false;
            if (cloud && !UpdateCloudTime(ServerInfo.ServerTime)) {
                error(QStringLiteral("ローカルデータの送信時間更新エラー"));
                return false;
            }
            return true;
        }))
        return 1;
    if (cloud) {
        areaTaken = false;
    } else {
        TRelayServerEntry& e = ServerInfo.Entries[slot - 1];
        e.DataName = AccInf.ENTTEXT;
        e.FiscalYear = QString::number(AccInf.NENDO);
        e.PeriodStartText = DateToStrFmt(QStringLiteral("yyyy/mm/dd"), 4, AccInf.KISHU);
        e.PeriodEndText = DateToStrFmt(QStringLiteral("yyyy/mm/dd"), 4, AccInf.KIMATU);
        e.SendTimeText = compactTimeText(e.SendTime);
        e.Password = AccInf.PASWORD;
        e.Version = YobiText;
        TPerfectGrid* g = PerfectGrid1();
        if (row >= 0 && row < g->RowCount()) {
            g->SetCellText(row, 1, e.DataName);
            g->SetCellText(row, 2, e.FiscalYear + QStringLiteral("期"));
            g->SetCellText(row, 3, e.PeriodStartText + QStringLiteral(" ～ ") + e.PeriodEndText);
            g->SetCellText(row, 4, e.SendTimeText);
            g->SetCellText(row, 5, e.ReceiveTimeText);
            g->SetCellText(row, 6, VersionLabel(data.VersionMajor, data.VersionMinor));
        }
    }
    step(wait.get(), 4, relayWord + QStringLiteral("　終了"), TWaitStep::Done);
    pause();
    if (analysis) {
        step(wait.get(), 5, QStringLiteral("経営Solvarnetクラウドへデータ送信　実行中"), TWaitStep::Running);
        if (!SendToSolvarnetCloud())
            return 1;
        step(wait.get(), 5, QStringLiteral("経営Solvarnetクラウドへデータ送信　終了"), TWaitStep::Done);
        pause();
    }
    wait.reset();
    setEnabled(true);
    if (!cloud)
        ui::showMessage(ui::MsgKind::Information, framed(QStringLiteral("データ送信処理が終了しました。")),
                        ui::mbYes);
    return 0;
}

// ---- receive -----------------------------------------------------------------------------------------

int TfmDataTusin::ReceiveData() {
    const bool cloud = SyoriType == tkCloudReceive || SyoriType == tkCloudReceiveToFolder;
    const int row = SelectedRow();
    const int slot = cloud ? AccInf.CLOUD_LINE : row + 1;
    if (slot < 1 || slot > 10)
        return 1;
    const TRelayServerEntry& entry = ServerInfo.Entries[slot - 1];
    if (!cloud) {
        const QString shown =
            row >= 0 && row < PerfectGrid1()->RowCount() ? PerfectGrid1()->CellText(row, 1) : QString();
        if (shown.trimmed().isEmpty()) {
            ui::showMessage(ui::MsgKind::Information,
                            framed(QStringLiteral("選択したフォルダには、データは存在しません。")),
                            ui::mbYes);
            return 1;
        }
        if (entry.Password != AccInf.PASWORD) {
            ui::showMessage(
                ui::MsgKind::Warning,
                framed(QStringLiteral("選択したデータと現在利用中のデータではパスワードが一致しません。")),
                ui::mbYes);
            return 1;
        }
        if (ui::askConfirmation(
                framed(QStringLiteral("受信処理を開始します。現在利用中のデータが中継サーバーのデータで"
                                      "上書きされます。実行しますか？"))) != ui::mrYes)
            return 1;
    } else if (entry.Password != AccInf.PASWORD) {
        ui::showMessage(
            ui::MsgKind::Warning,
            framed(QStringLiteral("クラウドデータと現在利用中のデータではパスワードが一致しません。")),
            ui::mbYes);
        return 1;
    }
    keyButton(kF12)->setEnabled(false);
    keyButton(kF5)->setEnabled(false);
    if (ConnectMode == 0) {
        GassanKbnText.clear();
        GassanCountText.clear();
        ReadGassanSetting();
    }
    const QString relayWord =
        cloud ? QStringLiteral("クラウドからデータ受信") : QStringLiteral("中継サーバーからデータ受信");
    std::unique_ptr<TfmWaitMess> wait = showReceiveProgress(relayWord);
    setEnabled(false);

    // From the work folder on, a cloud-share area claimed by the start request is released after any
    // failure.
    bool releaseArea = false;
    bool failed = true;
    const auto end = qScopeGuard([&] {
        if (cloud && releaseArea && failed) {
            try {
                SetAreaShareStatus(slot, 1);
            } catch (const std::exception&) {
                // The service cannot be reached; the area is freed by its timeout.
            }
        }
        setEnabled(true);
        keyButton(kF12)->setEnabled(true);
        keyButton(kF5)->setEnabled(true);
        ShowNormalCursor();
        wait.reset();
        CleanUpStages(TPackageRoad::Receive);
    });

    releaseArea = true;
    if (!PreparePackageFolder(TPackageRoad::Receive))
        return 1;
    const TPackageStages stages = ReceiveStages();
    const QString name = cloud ? QStringLiteral("cplacc.wen") : QStringLiteral("placc.wen");
    if (cloud) {
        QByteArray timeLine;
        if (!guardedStep(QStringLiteral("受信開始処理エラー"), [&] {
                return RequestAreaUse(ServerInfo, TAreaUsePurpose::BeforeReceive, slot, OperatorText,
                                      ComputerText, relayContext(), &timeLine, Relay) == TRelayOutcome::Ok;
            }))
            return 1;
        // The area's time becomes the dataset's cloud time: without a whole one the receive stops, or
        // every later start would download the area again.
        if (timeLine.size() < 11 || ServerInfo.ServerTime.isNull())
            return 1;
    }
    if (QFileInfo::exists(stages.Package) && !QFile::remove(stages.Package)) {
        error(QStringLiteral("旧ワークファイルが削除出来ません。"), ui::mbYes);
        return 1;
    }
    {
        TFtpSession ftp(ServerInfo.FtpHost, Relay.FtpPort, AccInf.WEB_HOLDER.trimmed(),
                        ServerInfo.FtpPassword);
        if (!ftp.Connect()) {
            error(framed(QStringLiteral("サーバーの接続に失敗しました。")));
            return 1;
        }
        if (!ftp.ChangeDir(u'/' + twoDigits(slot))) {
            error(framed(QStringLiteral("転送先のディレクトリが存在しません。")));
            return 1;
        }
        if (ftp.Size(name) < 1) {
            ui::showMessage(ui::MsgKind::Warning,
                            framed(QStringLiteral("ダウンロードファイルが見つかりません。")));
            return 1;
        }
        if (!ftp.Get(name, stages.Package)) {
            // A broken download is said so, not passed over in silence.
            QFile::remove(stages.Package);
            error(framed(QStringLiteral("データの受信に失敗しました。")));
            return 1;
        }
    }
    step(wait.get(), 1, relayWord + QStringLiteral("　終了"), TWaitStep::Done);
    step(wait.get(), 2, QStringLiteral("受信データ暗号解読　実行中"), TWaitStep::Running);
    if (!DecryptSequence(TPackageRoad::Receive))
        return 1;
    step(wait.get(), 2, QStringLiteral("受信データ暗号解読　終了"), TWaitStep::Done);
    step(wait.get(), 3, QStringLiteral("受信データ圧縮解凍　実行中"), TWaitStep::Running);
    if (!ExtractSequence(TPackageRoad::Receive)) {
        if (!QFileInfo::exists(stages.Backup))
            error(framed(QStringLiteral("データの受信に失敗しました。")));
        return 1;
    }
    step(wait.get(), 3, QStringLiteral("受信データ圧縮解凍　終了"), TWaitStep::Done);
    step(wait.get(), 4, QStringLiteral("受信データ復元・照合　実行中"), TWaitStep::Running);
    pause();
    if (!QFileInfo::exists(stages.Backup)) {
        error(framed(QStringLiteral("解凍ファイルが見つかりません。")));
        return 1;
    }
    if (!RestoreReceivedData(true))
        return 1;
    step(wait.get(), 4, QStringLiteral("受信データ復元　終了"), TWaitStep::Done);
    pause();

    // The merged-data settings are the local dataset's own, not the sender's.
    if (ConnectMode != 0) {
        GassanKbnText = GassanCountText = QStringLiteral("0");
        WriteGassanSetting();
    } else if (!GassanKbnText.isEmpty()) {
        const QString kept = GassanKbnText.trimmed();
        if (kept == u"1" || kept == u"2" || kept == u"10") {
            WriteGassanSetting();
        } else if (kept == u"0") {
            GassanKbnText.clear();
            GassanCountText.clear();
            ReadGassanSetting();
            if (GassanKbnText.trimmed() == u"10") {
                GassanKbnText = GassanCountText = QStringLiteral("0");
                WriteGassanSetting();
            }
        }
    }
    if (DM && DM->IBTransactionDEF.isActive())
        DM->IBTransactionDEF.commit();
    wait.reset();

    if (!guardedStep(QStringLiteral("受信完了処理エラー"), [&] {
            if (SyoriType == tkReceive) {
                if (RequestReceiveComplete(ServerInfo, slot, relayContext(), Relay) != TRelayOutcome::Ok)
                    return false;
                if (row >= 0 && row < PerfectGrid1()->RowCount())
                    PerfectGrid1()->SetCellText(row, 5, ServerInfo.Entries[slot - 1].ReceiveTimeText);
            } else if (SyoriType == tkCloudReceive && !UpdateCloudTime(ServerInfo.ServerTime)) {
                error(QStringLiteral("ローカルデータの最終更新日付更新エラー"));
                return false;
            }
            return true;
        }))
        return 1;
    failed = false;
    if (SyoriType == tkReceive)
        ui::showMessage(ui::MsgKind::Information, framed(QStringLiteral("データ受信処理が終了しました。")),
                        ui::mbYes);
    return 0;
}

// ---- restore -----------------------------------------------------------------------------------------

bool TfmDataTusin::RestoreReceivedData(bool showFailMessage) {
    DataInfo->ConnectMode = ConnectMode;
    const bool toFolder = SyoriType == tkCloudReceiveToFolder;
    // The cash-book receives restore into the work area for their import; the dataset stays as it is.
    const bool cashBook = SyoriType == 4 || SyoriType == 6 || SyoriType == 10;
    if (SyoriType >= tkCloudSend) {
        if (GetDataListRecord() == 0)
            return false;
        if (DM && DM->AccDatInConnection(1, SystemDef.HOSTNAME, false, DataFolder)) {
            ui::showWarning(QStringLiteral("このデータは他のオペレータが使用中です。 "));
            return false;
        }
    } else if (SyoriType == tkReceive) {
        const int row = SelectedRow();
        if (row == -1 || row == 32700)
            return false;
    }
    const QString target = ExcludePathDelim(SyoriType < tkCloudSend ? SystemDef.DataDir : DataFolder);
    const QString received = ReceiveStages().Folder + u'/' + BackupName;
    if (!QFileInfo::exists(received)) {
        ui::showMessage(
            ui::MsgKind::Information,
            QStringLiteral("この場所には、バックアップファイル(%1)がありませんでした。\r").arg(BackupName),
            ui::mbYes);
        return false;
    }
    const QString work = ExcludePathDelim(SystemDef.TempDir);
    QDir().mkpath(work);
    const QString copy = work + u'/' + BackupName;
    for (const QString& f : {copy, work + QStringLiteral("/placc.fdb"), work + QStringLiteral("/placc.ini")})
        QFile::remove(f);
    if (!QFile::copy(received, copy)) {
        ui::showMessage(
            ui::MsgKind::Information,
            QStringLiteral("ワーク領域にファイルをコピー出来なかったため、復元処理は失敗しました。"),
            ui::mbYes);
        return false;
    }

    // A refusal or a declined comparison returns at once: it ends the restore in silence.
    bool restored = false;
    QString folderOfStatus = target;
    const auto finish = qScopeGuard([&] { SetFolderStatus(target, 1); });
    try {
        TBackupRestoreThread zone(true);
        bool trailer = false;
        if (!toFolder) {
            trailer = zone.ReadZoneInfo(copy);
            // The work copy is ours: its trailer is cut off in place rather than copied around.
            QString tail;
            const qint64 marker = FindTextInFile(copy, TBackupRestoreThread::ZoneMarker, tail);
            if (marker > 0 && !QFile::resize(copy, marker))
                throw std::runtime_error(
                    QStringLiteral("ワーク領域のバックアップファイルを切り詰められませんでした。")
                        .toStdString());
        }
        if (!toFolder && DM->ServerFExist(target + u'/' + DataFileName, ConnectMode)) {
            if (trailer && cashBook) {
                // A cash-book package is taken in by the import, which makes its own checks.
            } else if (trailer) {
                if (const QString refusal = mergeRefusal(AccInf.GassanKbn, zone.ZoneGassan);
                    !refusal.isEmpty()) {
                    ui::showMessage(ui::MsgKind::Warning, refusal, ui::mbYes);
                    return false;
                }
                TCompareInfo info;
                info.SHOUGOU = zone.ZoneShougou;
                info.KISHU = zone.ZoneKishu;
                info.KIMATU = zone.ZoneKimatu;
                info.TOTALSIWAKE = zone.ZoneTotalSiwake;
                if (!CompareRecordWithFolder(QStringLiteral("復元"), info, target))
                    return false;
            } else {
                // An older sender's backup: restored on this computer first and compared database to
                // database.
                TBackupRestoreThread trial(true);
                trial.Mode = TBackupRestoreThread::ModeRestore;
                trial.Host = QString();
                trial.DatabaseFile = work + QStringLiteral("/placc.fdb");
                trial.BackupFile = copy;
                if (!trial.RunAndWait(300)) {
                    ui::showMessage(ui::MsgKind::Warning,
                                    trial.ErrInfo.Message + u'\r' + trial.ErrInfo.Detail, ui::mbYes);
                    return false;
                }
                if (!CompareFolders(QStringLiteral("復元"), QString(), target, work))
                    return false;
            }
        }
        QString database = target + u'/' + DataFileName;
        if (cashBook) {
            database = work + u'/' + DataFileName;
            QFile::remove(database); // a comparison's restore of an older package
        } else if (toFolder) {
            const QString into = work + QStringLiteral("/receive");
            QDir(into).removeRecursively();
            QDir().mkpath(into);
            database = into + u'/' + DataFileName;
            folderOfStatus = into;
        } else {
            DM->ServerMkDir(target, ConnectMode);
        }
        SetFolderStatus(folderOfStatus, 5);
        // Our own attachments to the target go before it is replaced.
        if (!cashBook && DM->IBDatabaseDAT.isConnected())
            DM->fnAccDatDisConnected(target, 0, 0);
        BackupWorker = std::make_unique<TBackupRestoreThread>(true);
        TBackupRestoreThread& w = *BackupWorker;
        w.Mode = TBackupRestoreThread::ModeRestore;
        // The dataset goes back into use at once: its indexes are restored active.
        w.KeepIndexes = 1;
        w.MyNumberLog = 1;
        w.ProcName =
            SyoriType < tkCloudSend ? QStringLiteral("データ受信") : QStringLiteral("クラウドシェア受信");
        w.ZoneUseMyNumber = zone.ZoneUseMyNumber;
        w.Host = toFolder || cashBook || ConnectMode == 0 ? QString() : SystemDef.HOSTNAME;
        w.DatabaseFile = database;
        w.BackupFile = copy;
        restored = w.RunAndWait(300);
        if (!restored)
            ui::showMessage(ui::MsgKind::Warning, w.ErrInfo.Message + u'\r' + w.ErrInfo.Detail, ui::mbYes);
        BackupWorker.reset();
        if (restored && !toFolder && !cashBook) {
            TDataInfomationRec rec;
            DataInfo->GetDataInfoRecOfFolder(target, rec);
            DataInfo->UpdateDataInfomation(SystemDef.HOSTNAME, target, rec);
            // The list row of the target folder takes the restored data's values.
            GetDataListRecord();
            for (int i = 0; i < ListRows.size(); ++i) {
                TDataSentakuRec& r = ListRows[i];
                if (ExcludePathDelim(r.PASNAME) != target)
                    continue;
                r.ENTTEXT = rec.SHOUGOU;
                r.SHOUGOU = rec.SHOUGOU;
                r.NENDO = rec.NENDO;
                r.KISHU = StrToDateSafe(rec.KISHU);
                r.KIMATU = StrToDateSafe(rec.KIMATU);
                r.VER_MAJOR = rec.MAJOR;
                r.VER_MINOR1 = rec.MINOR1;
                r.VER_MINOR2 = rec.MINOR2;
                r.VER_TEXT = rec.VERSION2;
                UpdateDataListRecord(i);
                break;
            }
            if (SyoriType == tkReceive)
                UpdateCloudLine(0);
        }
    } catch (const std::exception& e) {
        BackupWorker.reset();
        ui::showMessage(ui::MsgKind::Error, QString::fromUtf8(e.what()), ui::mbYes);
        restored = false;
    }
    if (restored)
        Received = 1;
    else if (showFailMessage)
        ui::showMessage(ui::MsgKind::Error,
                        QStringLiteral("データの復元に失敗しました。\r復元処理を中止しました。"), ui::mbYes);
    return restored;
}
