// F7 of the details: the dataset's database is rebuilt by a backup and a restore over the same file on
// the backup worker. A safety copy of the database is taken first; whenever the rebuild does not end
// well the safety copy is put back, and it is deleted only once the database is known to be whole.
#include "controls/xAnimeProgressDialog.h"
#include "core/DataModule.h"
#include "core/TBackupRestoreThread.h"
#include "core/uAccFunction2.h"
#include "core/uAccFunction2_System.h"
#include "core/uAccRecord.h"
#include "datalist/z5ComDataSentaku.h"
#include "datalist/z5DataSyosaiInfo.h"
#include "platform/UserInteraction.h"
#include "ui_z5DataSyosaiInfo.h"

#include <QFileInfo>

namespace {

QString withExtension(const QString& folder, const QString& fileName, const QString& extension) {
    return ExcludePathDelim(folder) + u'/' + QFileInfo(fileName).completeBaseName() + extension;
}

// Deletes a file when it is there; a file that is not there is no failure.
bool deleteIfPresent(const QString& path, int mode) {
    return !DM->ServerFExist(path, mode) || DM->ServerFDel(path, mode, false);
}

} // namespace

void TDataSyosaiInfoBox::F7Click() {
    if (ui->F7->text() == QStringLiteral("F7:"))
        return;
    if (ConnectMode != 0 && DM->AccDatInConnection(1, SystemDef.HOSTNAME, false, DataFolder)) {
        ui::showMessage(
            ui::MsgKind::Information,
            QStringLiteral("現在、他のユーザーがデータに接続中です。他のユーザーがデータに接続している間は"
                           "データの再構築は行えません。"));
        return;
    }
    QString question =
        QStringLiteral("データの再構築を行いますか？\r注意１）データサイズによりデータ再構築に時間が"
                       "かかる場合があります。再構築中にコンピュータの電源は切らないで下さい。");
    if (DataInfo && DataInfo->Rec.STATUS == 10)
        question +=
            QStringLiteral("\r注意２）破損データの場合はデータ再構築が適正に行われない場合があります。");
    if (ui::showMessage(ui::MsgKind::Confirmation, question, ui::mbOK | ui::mbCancel) != ui::mrOk)
        return;
    if (!RebuildData())
        return;
    ui::showMessage(ui::MsgKind::Information, QStringLiteral("データの再構築は適正に行われました。"));
    load();
    Rebuilt = true;
}

bool TDataSyosaiInfoBox::RebuildData() {
    const int mode = ConnectMode;
    const bool serverCopy = SharedListMode == 1 && RebuildAllowed;

    TxAnimeProgressDialog progress;
    ExecuteProgramProgress(progress, this, QStringLiteral("再構築中"),
                           QStringLiteral("再構築中、しばらくお待ちください…"), false);

    // The row is marked as worked on by this operator in the list of the data place that holds it.
    TDataSentakuListCtl list;
    list.ConnectMode = quint8(mode);
    list.SetDataPlace(DataPlaceRec);
    const qint32 span = SystemDef.GROUPID * 10000;
    const qint32 operatorCode = span != 0 ? SystemDef.OPCODE % span : SystemDef.OPCODE;
    bool locked = false;
    if (mode != 0 && SharedListMode == 0 && Row.DATALOCK < 1)
        locked = list.ChangeDataLock(Row, Row.DATALOCK, operatorCode);

    const QString temp = ExcludePathDelim(SystemDef.TempDir);
    const QString source = ExcludePathDelim(DataFolder) + u'/' + DataFileName;
    const QString safety = serverCopy ? temp + u'/' + DataFileName
                                      : withExtension(DataFolder, DataFileName, QStringLiteral(".fd_"));
    const QString backup =
        withExtension(mode != 0 ? DataFolder : temp, BackupFileName, QStringLiteral(".fb_"));
    const QString worked = serverCopy ? safety : source;

    bool result = false;
    bool safetyTaken = false;
    bool sourceWhole = true; // the database is as good as before (or rebuilt)
    try {
        for (const QString& name : {BackupFileName, DataFileName, DataIniFileName})
            deleteIfPresent(temp + u'/' + name, mode);
        // A copy that failed may leave a part behind: the safety copy is only what this run wrote.
        safetyTaken = DM->ServerFCopy(source, safety, mode);
        if (!safetyTaken) {
            progress.setAnimeActive(false);
            ui::showMessage(ui::MsgKind::Information,
                            QStringLiteral("データ再構築の前処理（会計データのコピー）に失敗しました。"));
        } else {
            TBackupRestoreThread worker(true);
            worker.Mode = TBackupRestoreThread::ModeRebuild;
            worker.Host = SystemDef.HOSTNAME;
            worker.DatabaseFile = worked;
            worker.BackupFile = backup;
            worker.KeepIndexes = 1;
            worker.MyNumberCheck = 0;
            sourceWhole = false;
            result = RunRebuildWorker ? RunRebuildWorker(worker) : worker.RunAndWait(300);
            if (result && serverCopy)
                result = DM->ServerFCopy(safety, source, mode);
            if (result) {
                sourceWhole = true;
                DataInfo->SetDataStatus(DataFolder, 1);
            } else {
                // The worker stopped part way: the database may be the half-made restore.
                sourceWhole = serverCopy || DM->ServerFCopy(safety, source, mode);
            }
        }
    } catch (const std::exception&) {
        progress.setAnimeActive(false);
        ui::showMessage(ui::MsgKind::Information, QStringLiteral("データ再構築の処理に失敗しました。"));
        result = false;
        sourceWhole = !safetyTaken || serverCopy || DM->ServerFCopy(safety, source, mode);
    }

    deleteIfPresent(backup, mode);
    // The safety copy stays when it could not be put back: it is then the only good copy.
    if (safetyTaken && sourceWhole)
        deleteIfPresent(safety, mode);
    if (locked)
        list.ChangeDataLock(Row, operatorCode, 0);
    show();
    raise();
    activateWindow();
    progress.Close();
    return result;
}
