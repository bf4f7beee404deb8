// The data package: a backup of the dataset with its information trailer, packed into an LHA archive
// and encrypted file to file. Sends build it in the work folder "ComS", receives open it in "ComR".
#include "tusin/z5DataTusin.h"

#include "core/DataModule.h"
#include "core/TBackupRestoreThread.h"
#include "core/uAccFunction2.h"
#include "core/uAccFunction2_System.h"
#include "core/uAccRecord.h"
#include "platform/UserInteraction.h"
#include "tusin/EscapeKeyHook.h"
#include "tusin/rijn.h"
#include "tusin/unlha32.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

// The fixed part of every package key; the password of the communication pair follows it. Both sides
// of a transfer must use the same text.
const QString kPackageKeyPrefix = QStringLiteral("QV4725");

QString framed(const QString& text) {
    return QStringLiteral("　\r\n") + text + QStringLiteral("\r\n ");
}

bool fail(const QString& text) {
    ui::showMessage(ui::MsgKind::Error, text, ui::mbYes);
    return false;
}

bool exists(const QString& path) {
    return QFileInfo::exists(path);
}

// A stage file left by an earlier run: false when it is there and cannot be deleted.
bool removeOld(const QString& path) {
    return !exists(path) || QFile::remove(path);
}

bool isSendRoad(TPackageRoad road) {
    return road == TPackageRoad::Send || road == TPackageRoad::CashSend;
}

bool isCashRoad(TPackageRoad road) {
    return road == TPackageRoad::CashSend || road == TPackageRoad::CashReceive;
}

QString quoted(const QString& path) {
    return u'"' + path + u'"';
}

} // namespace

TPackageStages TfmDataTusin::StagesOf(TPackageRoad road) const {
    const bool cloud = !isCashRoad(road) && BackupName.startsWith(u'c');
    const QString prefix = cloud ? QStringLiteral("cplacc") : QStringLiteral("placc");
    TPackageStages s;
    s.Folder = PackageTempFolder() + (isSendRoad(road) ? QStringLiteral("/ComS") : QStringLiteral("/ComR"));
    s.Backup = s.Folder + u'/' + prefix + QStringLiteral(".fbk");
    s.Archive = s.Folder + u'/' + prefix + QStringLiteral(".lzh");
    s.Package = s.Folder + u'/' + prefix + QStringLiteral(".wen");
    return s;
}

TPackageStages TfmDataTusin::SendStages() const {
    return StagesOf(TPackageRoad::Send);
}

TPackageStages TfmDataTusin::ReceiveStages() const {
    return StagesOf(TPackageRoad::Receive);
}

QString TfmDataTusin::PackageKey(const QString& password) {
    return kPackageKeyPrefix + password;
}

QString TfmDataTusin::PackageKeyOf(TPackageRoad road) const {
    return PackageKey(isCashRoad(road) ? AccInf.TusinPasword[1] : AccInf.PASWORD);
}

void TfmDataTusin::SetFolderStatus(const QString& folder, int status) {
    DataInfo->SetDataStatus(folder, status);
}

bool TfmDataTusin::PreparePackageFolder(TPackageRoad road) {
    const TPackageStages s = StagesOf(road);
    if (!QDir().mkpath(s.Folder)) {
        switch (road) {
        case TPackageRoad::Send:
            return fail(QStringLiteral("送信用フォルダの作成に失敗しました。"));
        case TPackageRoad::CashSend:
            return fail(framed(QStringLiteral("送信用フォルダの作成に失敗しました。")));
        case TPackageRoad::Receive:
            return fail(framed(QStringLiteral("受信用フォルダの作成に失敗しました。")));
        case TPackageRoad::CashReceive:
            return fail(QStringLiteral("受信用フォルダの作成に失敗しました。"));
        }
    }
    if (isSendRoad(road) && !removeOld(s.Backup))
        return fail(QStringLiteral("旧バックアップファイルが削除出来ません。"));
    return true;
}

bool TfmDataTusin::SaveSendBackup(bool showFailMessage) {
    DataInfo->ConnectMode = ConnectMode;
    const bool cloud = SyoriType >= tkCloudSend;
    const QString source = ExcludePathDelim(cloud ? DataFolder : SystemDef.DataDir);
    const TPackageStages stages = SendStages();
    bool result = false;
    SetFolderStatus(source, 4);
    try {
        if (!BackupWorker)
            BackupWorker = std::make_unique<TBackupRestoreThread>(true);
        TBackupRestoreThread& w = *BackupWorker;
        w.Mode = TBackupRestoreThread::ModeBackup;
        // In client/server mode the backup travels from the server to this computer's work folder.
        w.TransferKind = ConnectMode != 0 ? 1 : 0;
        w.Host = ConnectMode != 0 ? SystemDef.HOSTNAME : QString();
        w.DatabaseFile = source + u'/' + DataFileName;
        w.BackupFile = stages.Backup;
        w.ClearZoneInfo();
        w.WriteZone = 1;
        w.ZoneShougou = AccInf.SHOUGOU;
        w.ZoneKishu = DateToStrFmt(QStringLiteral("yyyy/mm/dd"), 4, AccInf.KISHU);
        w.ZoneKimatu = DateToStrFmt(QStringLiteral("yyyy/mm/dd"), 4, AccInf.KIMATU);
        if (DM && DM->IBDatabaseDAT.isConnected()) {
            w.ZoneSiwake = DM->GetYukouSiwakeCount(QString());
            w.ZoneTotalSiwake = DM->GetSiwakeTotalCount(QString());
        }
        // The cloud-share send carries the dataset's own version; every other send the process's data
        // version, which nothing sets, so those packages say 0.0.0.
        w.ZoneDataVersion = cloud ? QStringLiteral("%1.%2.%3").arg(VersionMajor).arg(VersionMinor1).arg(VersionMinor2)
                                  : QStringLiteral("0.0.0");
        w.ZoneGassan = AccInf.GassanKbn;
        w.ZoneUseMyNumber = AccInf.MyNumberUse;
        w.MyNumberLog = 1;
        w.ProcName = cloud ? QStringLiteral("クラウドシェア送信") : QStringLiteral("データ送信");
        result = w.RunAndWait(300);
        if (!result)
            ui::showMessage(ui::MsgKind::Warning, w.ErrInfo.Message + u'\r' + w.ErrInfo.Detail, ui::mbYes);
        BackupWorker.reset();
    } catch (const std::exception& e) {
        BackupWorker.reset();
        ui::showMessage(ui::MsgKind::Error, QString::fromUtf8(e.what()), ui::mbYes);
        result = false;
    }
    // Putting the dialog back to not-topmost has nothing to do on Linux.
    SetFolderStatus(source, 1);
    if (!result && showFailMessage)
        fail(QStringLiteral("データの保存に失敗しました。\r保存処理を中止しました。"));
    return result;
}

bool TfmDataTusin::PackSequence(TPackageRoad road) {
    const TPackageStages s = StagesOf(road);
    pause();
    TEscapeKeyHookScope hook;
    if (!removeOld(s.Archive))
        return fail(QStringLiteral("旧圧縮ファイルが削除出来ません。"));
    if (!exists(s.Backup))
        return fail(framed(QStringLiteral("バックアップファイルが見つかりません。")));
    try {
        if (Unlha(this, QStringLiteral("a ") + quoted(s.Archive) + u' ' + quoted(s.Backup)) != 0)
            return fail(road == TPackageRoad::CashSend ? QStringLiteral("圧縮失敗") : QStringLiteral("圧縮エラー"));
    } catch (const std::exception&) {
        return fail(road == TPackageRoad::CashSend ? framed(QStringLiteral("圧縮失敗")) : QStringLiteral("圧縮失敗"));
    }
    pause();
    // A missing archive is reported by the encrypt step.
    if (exists(s.Archive) && UnlhaCheckArchive(s.Archive, 2) == 0)
        return fail(QStringLiteral("送信処理に失敗しました。ウイルス対策ソフトを実行中の場合は、終了してから再度送信を"
                                   "行ってください。"));
    return true;
}

bool TfmDataTusin::EncryptSequence(TPackageRoad road) {
    const TPackageStages s = StagesOf(road);
    if (!exists(s.Archive))
        return fail(framed(QStringLiteral("圧縮ファイルが見つかりません。")));
    if (!removeOld(s.Package))
        return fail(QStringLiteral("旧ワークファイルが削除出来ません。"));
    int status = rijnCipherError;
    try {
        status = EncryptFile(s.Archive, s.Package, PackageKeyOf(road));
    } catch (const std::exception&) {
        status = rijnCipherError;
    }
    // A cipher that reports a failure leaves nothing to upload, not even a part of a package.
    if (status != rijnOk) {
        QFile::remove(s.Package);
        return fail(framed(QStringLiteral("暗号失敗")));
    }
    pause();
    if (!exists(s.Package))
        return fail(framed(QStringLiteral("暗号化ファイルが見つかりません。")));
    return true;
}

bool TfmDataTusin::DecryptSequence(TPackageRoad road) {
    const TPackageStages s = StagesOf(road);
    pause();
    if (!exists(s.Package))
        return fail(framed(QStringLiteral("受信ファイルが見つかりません。")));
    if (!removeOld(s.Archive))
        return fail(QStringLiteral("旧圧縮ファイルが削除出来ません。"));
    int status = rijnCipherError;
    try {
        status = DecryptFile(s.Package, s.Archive, PackageKeyOf(road));
    } catch (const std::exception&) {
        status = rijnCipherError;
    }
    if (status != rijnOk)
        return fail(framed(QStringLiteral("暗号解読失敗")));
    return true;
}

bool TfmDataTusin::ExtractSequence(TPackageRoad road) {
    const TPackageStages s = StagesOf(road);
    pause();
    {
        TEscapeKeyHookScope hook;
        if (!exists(s.Archive))
            return fail(framed(QStringLiteral("解読ファイルが見つかりません。")));
        if (!removeOld(s.Backup))
            return fail(QStringLiteral("旧復元ファイルが削除出来ません。"));
        try {
            // Only the backup of this kind is taken out of the archive.
            if (Unlha(this, QStringLiteral("e ") + quoted(s.Archive) + u' ' + quoted(s.Folder + u'/') + u' ' +
                                quoted(QFileInfo(s.Backup).fileName())) != 0)
                return false;
        } catch (const std::exception&) {
            return fail(framed(QStringLiteral("解凍失敗")));
        }
    }
    pause();
    if (!exists(s.Backup))
        return fail(framed(QStringLiteral("解凍ファイルが見つかりません。")));
    return true;
}

void TfmDataTusin::CleanUpStages(TPackageRoad road) {
    const TPackageStages s = StagesOf(road);
    for (const QString& f : {s.Archive, s.Backup, s.Package})
        QFile::remove(f);
}
