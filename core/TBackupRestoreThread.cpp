#include "core/TBackupRestoreThread.h"

#include "core/DataModule.h"
#include "core/TBufFileStream.h"
#include "core/uAccFunction2.h"
#include "core/uAccFunction2_System.h"
#include "core/uAccFunction_ErrLog.h"
#include "core/z5AppInfo.h"
#include "core/z5ComMyNumber.h"
#include "platform/SafeSaveFile.h"
#include "platform/UserInteraction.h"
#include "platform/firebird/FbError.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryFile>

const QByteArray TBackupRestoreThread::ZoneMarker = QByteArrayLiteral("## TesuvioZone");

namespace {

const QString kBackup = QStringLiteral("BackupDatabase");
const QString kRestore = QStringLiteral("RestoreDatabase");
const QString kBackupStopped = QStringLiteral("データベースの保存処理を中止しました。");
const QString kRestoreStopped = QStringLiteral("データベースの復元処理を中止しました。");
const QString kNotOurs = QStringLiteral("指定されたファイルはペラン財務用のデータではありません。");
const QString kTransferFailed =
    QStringLiteral("バックアップファイルの転送処理（plfileman.fdb）に失敗しました。");
constexpr int kZoneBytes = 512;

enum class FileKind { Other, System, Dataset };

FileKind kindOf(const QString& path) {
    if (path.contains(SysDbFileName, Qt::CaseInsensitive))
        return FileKind::System;
    if (path.contains(DataFileName, Qt::CaseInsensitive))
        return FileKind::Dataset;
    return FileKind::Other;
}

QString fileNameOf(const QString& databaseName) {
    // "host:/folder/file" or "/folder/file"
    return QFileInfo(databaseName.mid(databaseName.indexOf(u':', 1) + 1)).absoluteFilePath();
}

QString localTempFolder() {
    const QString dir = ExcludePathDelim(SystemDef.TempDir);
    if (!dir.isEmpty() && ForceFolder(dir))
        return dir;
    return QDir::tempPath();
}

} // namespace

TBackupRestoreThread::TBackupRestoreThread(bool) {
    ProcName = AppInfo.Zaimu.AppTitle;
    ClearZoneInfo();
}

TBackupRestoreThread::~TBackupRestoreThread() {
    wait();
}

void TBackupRestoreThread::Resume() {
    m_terminated = false;
    start();
}

bool TBackupRestoreThread::RunAndWait(int pollMs) {
    Resume();
    while (!IsTerminated())
        WaitMSec(pollMs);
    wait();
    return Success == 1;
}

void TBackupRestoreThread::run() {
    Success = 0;
    ErrInfo = {};
    bool stopped = false;
    switch (Mode) {
    case ModeBackup:
        if (MyNumberCheck == 1) {
            if (ZoneUseMyNumber == 0) {
                MyNumberLog = 0;
            } else {
                synchronize(&TBackupRestoreThread::CheckMyNumber);
                stopped = Success == 0;
            }
        }
        if (!stopped) {
            Success = 0;
            synchronize(&TBackupRestoreThread::BackupDatabase);
        }
        break;
    case ModeRestore:
        if (MyNumberCheck == 1) {
            synchronize(&TBackupRestoreThread::CheckMyNumber);
            stopped = Success == 0;
        }
        if (!stopped) {
            Success = 0;
            synchronize(&TBackupRestoreThread::RestoreDatabase);
        }
        break;
    case ModeCopy:
        synchronize(&TBackupRestoreThread::CopyDatabase);
        break;
    case ModeRebuild:
        synchronize(&TBackupRestoreThread::RebuildDatabase);
        break;
    default:
        break;
    }
    if (!stopped)
        ErrInfo.Error = Success == 0;
    m_terminated = true;
}

void TBackupRestoreThread::synchronize(void (TBackupRestoreThread::*step)()) {
    const auto guarded = [this, step] {
        try {
            (this->*step)();
        } catch (const fb::Error& e) {
            Success = 0;
            ErrFbAccess(e, QStringLiteral("TBackupRestoreThread.Execute"),
                        QStringLiteral("データベースの処理に失敗しました。"));
        } catch (const std::exception& e) {
            Success = 0;
            ShowErrDetail(QStringLiteral("データベースの処理に失敗しました。"), QString::fromUtf8(e.what()),
                          ui::MsgKind::Error);
        } catch (...) {
            Success = 0;
        }
    };
    QCoreApplication* app = QCoreApplication::instance();
    if (!app || QThread::currentThread() == app->thread())
        guarded();
    else
        QMetaObject::invokeMethod(app, guarded, Qt::BlockingQueuedConnection);
}

void TBackupRestoreThread::fail(const QString& operation, const QString& code, const QString& message,
                                const QString& detail) {
    Success = 0;
    ErrInfo.Error = true;
    ErrInfo.Operation = operation;
    ErrInfo.Code = code;
    ErrInfo.Message = message;
    ErrInfo.Detail = detail;
}

bool TBackupRestoreThread::localHost() const {
    return Host.isEmpty() || Host == QLatin1String("127.0.0.1");
}

// ---- trailer -------------------------------------------------------------------------------------

void TBackupRestoreThread::ClearZoneInfo() {
    ZoneShougou.clear();
    ZoneKishu.clear();
    ZoneKimatu.clear();
    ZoneSiwake = 0;
    ZoneTotalSiwake = 0;
    ZoneDataVersion.clear();
    ZoneGassan = 0;
    ZoneUseMyNumber = 0;
}

void TBackupRestoreThread::WriteZoneInfo(const QString& backupFile) {
    if (ZoneShougou.isEmpty())
        return;
    const QStringList lines{
        QString::fromLatin1(ZoneMarker),
        QStringLiteral("SHOUGOU=") + ZoneShougou,
        QStringLiteral("KISHU=") + ZoneKishu,
        QStringLiteral("KIMATU=") + ZoneKimatu,
        QStringLiteral("SIWAKE=%1").arg(ZoneSiwake),
        QStringLiteral("TOTALSIWAKE=%1").arg(ZoneTotalSiwake),
        QStringLiteral("DATAVARSION=") + ZoneDataVersion,
        QStringLiteral("GASSAN=%1").arg(ZoneGassan),
        QStringLiteral("USEMYNUMBER=%1").arg(ZoneUseMyNumber),
    };
    AppendTextToFile(backupFile, lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n"));
}

bool TBackupRestoreThread::ReadZoneInfo(const QString& backupFile) {
    ClearZoneInfo();
    QString tail;
    try {
        if (FindTextInFile(backupFile, ZoneMarker, tail) <= 0)
            return false;
    } catch (const std::exception&) {
        return false;
    }
    const QString text = HeadStrB(tail, kZoneBytes);
    for (const QString& line : text.split(QRegularExpression(QStringLiteral("\r\n|\r|\n")))) {
        const qsizetype eq = line.indexOf(u'=');
        if (eq <= 0)
            continue;
        const QString name = line.left(eq).trimmed().toUpper();
        const QString value = line.mid(eq + 1);
        if (name == QLatin1String("SHOUGOU"))
            ZoneShougou = value;
        else if (name == QLatin1String("KISHU"))
            ZoneKishu = value;
        else if (name == QLatin1String("KIMATU"))
            ZoneKimatu = value;
        else if (name == QLatin1String("SIWAKE"))
            ZoneSiwake = value.trimmed().toInt();
        else if (name == QLatin1String("TOTALSIWAKE"))
            ZoneTotalSiwake = value.trimmed().toInt();
        else if (name == QLatin1String("DATAVARSION"))
            ZoneDataVersion = value;
        else if (name == QLatin1String("GASSAN"))
            ZoneGassan = value.trimmed().toInt();
        else if (name == QLatin1String("USEMYNUMBER"))
            ZoneUseMyNumber = value.trimmed().toInt();
    }
    return !ZoneShougou.isEmpty();
}

bool TBackupRestoreThread::CopyWithoutZone(const QString& backupFile, const QString& copyFile) {
    QString tail;
    const qint64 marker = FindTextInFile(backupFile, ZoneMarker, tail);
    if (marker <= 0)
        return false;
    QFile in(backupFile);
    if (!in.open(QIODevice::ReadOnly))
        throw std::runtime_error(in.errorString().toStdString());
    SafeSaveFile out(copyFile);
    if (!out.open())
        throw std::runtime_error(out.errorString().toStdString());
    QByteArray buffer;
    for (qint64 left = marker; left > 0;) {
        buffer = in.read(qMin<qint64>(left, 1 << 20));
        if (buffer.isEmpty())
            throw std::runtime_error("バックアップファイルを読めませんでした。");
        if (!out.write(buffer))
            break;
        left -= buffer.size();
    }
    if (!out.commit())
        throw std::runtime_error(out.errorString().toStdString());
    return true;
}

// ---- synchronised steps ----------------------------------------------------------------------------

void TBackupRestoreThread::CheckMyNumber() {
    MyNumberAnswer = 0;
    Success = 1;
    if (Mode == ModeBackup) {
        if (AskMyNumber != 1) {
            MyNumberAnswer = 6;
            return;
        }
        if (SystemDef.MYNUMBER_ADM != 1) {
            ui::showInformation(QStringLiteral("保存データにマイナンバー情報は含まれません。"));
            ExcludeMyNumber = 1;
            return;
        }
        if (ui::askConfirmation(QStringLiteral("保存データにマイナンバー情報を含めますか？")) != ui::mrYes) {
            ExcludeMyNumber = 1;
            return;
        }
        MyNumberAnswer = 6;
        TMyNumberIO io;
        io.GetMyNumberSetting(Host, DatabaseFile, QString(), ProcName);
        if (!AskMyNumberAdminPassword(io.AdminPassword))
            fail(kBackup, QStringLiteral("100"), kBackupStopped, QString());
        return;
    }
    TMyNumberIO io;
    io.GetMyNumberSetting(Host, DatabaseFile, QString(), ProcName);
    if (io.UseFlag == 1 && ZoneUseMyNumber == 0) {
        fail(kRestore, QStringLiteral("200"),
             QStringLiteral("マイナンバー情報を管理しているデータへの復元はおこなえません。"),
             kRestoreStopped);
        return;
    }
    if (ZoneUseMyNumber == 1)
        MyNumberAnswer = 7;
}

void TBackupRestoreThread::BackupDatabase() {
    const FileKind kind = kindOf(DatabaseFile);
    if (kind == FileKind::Other) {
        fail(kBackup, QStringLiteral("101"), kNotOurs, kBackupStopped);
        return;
    }
    KeepAccountingConnection keep;
    const bool dataset = kind == FileKind::Dataset;
    if (dataset && MyNumberLog == 1 && MyNumberAnswer == 6) {
        TMyNumberIO io;
        TMyNumberLogRec row;
        io.MakeLogRec(row, 6, ProcName);
        io.AddLogToData(Host, DatabaseFile, row);
    }
    const qint32 useMyNumber = ZoneUseMyNumber;
    const bool exclude = dataset && ExcludeMyNumber == 1;
    if (exclude)
        ZoneUseMyNumber = 0;
    // A backup with a trailer is made whole in a work file beside the backup file, trailer included, and
    // only then replaces the old backup.
    const bool zone = WriteZone == 1 && !ZoneShougou.isEmpty();
    const QString target = zone ? BackupFile + QStringLiteral(".zn_") : BackupFile;
    if (zone)
        QFile::remove(target);
    Success = (exclude ? backupWithoutMyNumber(target) : backupByRoute(DatabaseFile, target)) ? 1 : 0;
    if (Success == 1 && zone) {
        try {
            WriteZoneInfo(target);
            if (!ReplaceFileBySynced(target, BackupFile))
                throw std::runtime_error(
                    QStringLiteral("バックアップファイルを置き換えられませんでした。(%1)")
                        .arg(BackupFile)
                        .toStdString());
        } catch (const std::exception& e) {
            fail(kBackup, QStringLiteral("100"), QStringLiteral("データベースの保存に失敗しました。"),
                 QString::fromUtf8(e.what()));
        }
    }
    if (zone)
        QFile::remove(target);
    if (Success == 0 && !ErrInfo.Error)
        fail(kBackup, QStringLiteral("100"), QStringLiteral("データベースの保存に失敗しました。"),
             kBackupStopped);
    if (exclude)
        ZoneUseMyNumber = useMyNumber;
}

// The backup without individual numbers is made from a copy: the dataset is backed up to a work file,
// restored into a copy database beside it, the copy's settings are cleared (with its log row of the
// clearing), and the copy is backed up into the backup file. The dataset's own settings stay as they
// are throughout.
bool TBackupRestoreThread::backupWithoutMyNumber(const QString& backupFile) {
    const QFileInfo backupInfo(backupFile);
    const QString work =
        ExcludePathDelim(backupInfo.path()) + u'/' + backupInfo.completeBaseName() + QStringLiteral(".mn_");
    const QString copyFolder = ExcludePathDelim(QFileInfo(DatabaseFile).path()) +
                               QStringLiteral("/mynumber_%1").arg(SystemDef.OPCODE);
    const QString copy = copyFolder + u'/' + DataFileName;
    bool ok = false;
    if (DM->ServerDExist(copyFolder, ConnectMode) || DM->ServerMkDir(copyFolder, ConnectMode)) {
        ok = backupByRoute(DatabaseFile, work) && restoreByRoute(copy, work);
        if (ok) {
            TMyNumberIO clear;
            clear.GetMyNumberSetting(Host, copy, QStringLiteral("MyNumber_Clear"),
                                     ProcName + QStringLiteral("＞データ保存"));
            // Read back: a backup that would still hold the numbers is not written.
            TMyNumberIO check;
            check.GetMyNumberSetting(Host, copy, QString(), QString());
            ok = check.UseFlag == 0 && check.AdminPassword.trimmed().isEmpty() &&
                 check.ValueText.trimmed().isEmpty() && backupByRoute(copy, backupFile);
        }
        if (DM->ServerFExist(copy, ConnectMode))
            DM->AccDatDropDatabase(Host, copyFolder);
        DM->ServerRmDir(copyFolder, ConnectMode, false);
    }
    if (QFileInfo::exists(work))
        QFile::remove(work);
    return ok;
}

void TBackupRestoreThread::RestoreDatabase() {
    const FileKind kind = kindOf(DatabaseFile);
    if (kind == FileKind::Other) {
        fail(kRestore, QStringLiteral("201"), kNotOurs, kRestoreStopped);
        return;
    }
    const bool dataset = kind == FileKind::Dataset;
    const QString folder = QFileInfo(DatabaseFile).path();
    if (DM->AccDatInConnection(dataset ? 1 : 0, Host, false, folder)) {
        fail(kRestore, QStringLiteral("202"),
             QStringLiteral("このデータは、他のオペレータが使用中のため復元処理を行うことが出来ません。"),
             kRestoreStopped);
        return;
    }
    // The module's own idle connection to the target would keep the restore from replacing it.
    const QString target = QFileInfo(DatabaseFile).absoluteFilePath();
    bool systemWasOpen = false;
    if (dataset && DM->IBDatabaseDAT.isConnected() && fileNameOf(DM->IBDatabaseDAT.path()) == target)
        DM->fnAccDatDisConnected(folder, 0, 0);
    if (!dataset && DM->IBDatabaseDEF.isConnected() && fileNameOf(DM->IBDatabaseDEF.path()) == target) {
        systemWasOpen = true;
        try {
            if (DM->IBTransactionDEF.isActive())
                DM->IBTransactionDEF.commit();
            DM->IBDatabaseDEF.detach();
        } catch (const fb::Error&) {
        }
    }

    TMyNumberIO logs;
    if (dataset && MyNumberAnswer == 7)
        logs.GetLogListOfData(Host, DatabaseFile);

    // A backup with a trailer is restored from a copy without it; the operator's file stays as it is.
    QString source = BackupFile;
    QTemporaryFile cut(localTempFolder() + QStringLiteral("/restore_XXXXXX.fbk"));
    if (QFileInfo(BackupFile).isFile() && cut.open()) {
        cut.close();
        try {
            if (CopyWithoutZone(BackupFile, cut.fileName()))
                source = cut.fileName();
        } catch (const std::exception& e) {
            fail(kRestore, QStringLiteral("200"), QStringLiteral("データベースの復元に失敗しました。"),
                 QString::fromUtf8(e.what()));
            return;
        }
    }
    Success = restoreByRoute(DatabaseFile, source) ? 1 : 0;
    if (Success == 0 && !ErrInfo.Error)
        fail(kRestore, QStringLiteral("200"), QStringLiteral("データベースの復元に失敗しました。"),
             kRestoreStopped);

    if (dataset && Success == 1 && MyNumberAnswer == 7) {
        if (ProcName.isEmpty())
            ProcName = AppInfo.Zaimu.AppTitle;
        if (MyNumberLog == 1) {
            TMyNumberLogRec row;
            logs.MakeLogRec(row, 7, ProcName);
            logs.AddLogToData(Host, DatabaseFile, row);
        }
        logs.MergeLogList(Host, DatabaseFile);
    }
    if (systemWasOpen && !DM->IBDatabaseDEF.isConnected())
        DM->fnAccDefConnected(SystemDef.HOSTNAME, 1);
}

void TBackupRestoreThread::CopyDatabase() {
    bool ok = false;
    if (TransferKind == 0) {
        const int protocol = localHost() ? TDM::ProtocolLocal : TDM::ProtocolTcp;
        const QString host = localHost() ? QString() : Host;
        ok = DM->BackupFDB(protocol, host, DatabaseFile, BackupFile, !localHost()) &&
             DM->RestoreFDB(protocol, host, TargetFile, BackupFile, KeepIndexes == 1);
    } else {
        ok = DM->BackupFDBByGbak(Host, DatabaseFile, BackupFile, true) &&
             DM->RestoreFDBByGbak(Host, TargetFile, BackupFile, KeepIndexes == 1);
    }
    Success = ok ? 1 : 0;
}

void TBackupRestoreThread::RebuildDatabase() {
    TargetFile = DatabaseFile;
    CopyDatabase();
}

// ---- routes ----------------------------------------------------------------------------------------

bool TBackupRestoreThread::backupByRoute(const QString& database, const QString& backupFile) {
    if (TransferKind == 0) {
        if (localHost())
            return DM->BackupFDB(TDM::ProtocolLocal, QString(), database, backupFile, false);
        return DM->BackupFDB(TDM::ProtocolTcp, Host, database, backupFile, true);
    }
    bool ok = false;
    if (DM->fnFileManConnected(SystemDef.HOSTNAME)) {
        ok = ensureServerWorkFolder() &&
             DM->BackupFDB(TDM::ProtocolTcp, Host, database, serverWorkFile(), true) &&
             transferFromServer(serverWorkFile(), backupFile);
    } else {
        ok = DM->BackupFDBByGbak(Host, database, backupFile, true);
    }
    if (DM->IBFileMan.isConnected()) {
        try {
            DM->IBFileMan.detach();
        } catch (const fb::Error&) {
        }
    }
    return ok;
}

bool TBackupRestoreThread::restoreByRoute(const QString& database, const QString& backupFile) {
    if (TransferKind == 0) {
        if (localHost())
            return DM->RestoreFDB(TDM::ProtocolLocal, QString(), database, backupFile, KeepIndexes == 1);
        return DM->RestoreFDB(TDM::ProtocolTcp, Host, database, backupFile, KeepIndexes == 1);
    }
    bool ok = false;
    if (DM->fnFileManConnected(SystemDef.HOSTNAME)) {
        ok = ensureServerWorkFolder() && transferToServer(backupFile, serverWorkFile()) &&
             DM->RestoreFDB(TDM::ProtocolTcp, Host, database, serverWorkFile(), KeepIndexes == 1);
    } else {
        ok = DM->RestoreFDBByGbak(Host, database, backupFile, KeepIndexes == 1);
    }
    if (DM->IBFileMan.isConnected()) {
        try {
            DM->IBFileMan.detach();
        } catch (const fb::Error&) {
        }
    }
    return ok;
}

bool TBackupRestoreThread::ensureServerWorkFolder() {
    if (QFileInfo(SystemDef.ServerDriveDir).isDir())
        return true;
    return DM->ServerMkDir(SystemDef.ServerDriveDir, ConnectMode);
}

QString TBackupRestoreThread::serverWorkFile() const {
    return ExcludePathDelim(SystemDef.ServerDriveDir) + u'/' + QFileInfo(BackupFileName).completeBaseName() +
           u'.' + QString::number(SystemDef.OPCODE);
}

QString TBackupRestoreThread::transferKey() const {
    return QStringLiteral("PLZ_%1").arg(SystemDef.OPCODE);
}

bool TBackupRestoreThread::transferFromServer(const QString& serverFile, const QString& localFile) {
    const QString key = transferKey();
    try {
        OwnTransaction own(DM->IBTransFileMan);
        fb::Query q(DM->IBTransFileMan);
        q.setSql(QStringLiteral("DELETE FROM FILETRANS\nWHERE CONTENT_ID=:CONTENT_ID"));
        q.setString("CONTENT_ID", key);
        q.execute();
        q.setSql(QStringLiteral("INSERT INTO FILETRANS(CONTENT_ID,CONTENT)\n"
                                "VALUES(:CONTENT_ID,SP_FILETOBLOB(:FILEPATH))"));
        q.setString("CONTENT_ID", key);
        q.setString("FILEPATH", serverFile);
        q.execute();
        DM->IBTransFileMan.commitRetaining();
        bool ok = false;
        q.setSql(QStringLiteral("SELECT CONTENT_ID,CONTENT FROM FILETRANS\nWHERE CONTENT_ID=:CONTENT_ID"));
        q.setString("CONTENT_ID", key);
        for (q.open(); !q.eof(); q.next()) {
            const QByteArray content = q.field("CONTENT").asBytes();
            ok = !content.isEmpty();
            QString error;
            if (ok && !SafeSaveFile::writeWhole(localFile, content, &error))
                throw std::runtime_error(error.toStdString());
        }
        q.close();
        q.setSql(QStringLiteral("DELETE FROM FILETRANS\nWHERE CONTENT_ID=:CONTENT_ID"));
        q.setString("CONTENT_ID", key);
        q.execute();
        own.commit();
        return ok;
    } catch (const fb::Error& e) {
        fail(kBackup, QStringLiteral("102"), kTransferFailed,
             QStringLiteral("[詳細]\rIBエラー: %1\r").arg(e.statusCode()) + e.message());
    } catch (const std::exception& e) {
        fail(kBackup, QStringLiteral("102"), kTransferFailed,
             QStringLiteral("[詳細]\r") + QString::fromUtf8(e.what()));
    }
    return false;
}

bool TBackupRestoreThread::transferToServer(const QString& localFile, const QString& serverFile) {
    const QString key = transferKey();
    try {
        QFile in(localFile);
        if (!in.open(QIODevice::ReadOnly))
            throw std::runtime_error(in.errorString().toStdString());
        const QByteArray content = in.readAll();
        if (in.error() != QFileDevice::NoError)
            throw std::runtime_error(in.errorString().toStdString());
        OwnTransaction own(DM->IBTransFileMan);
        fb::Query q(DM->IBTransFileMan);
        q.setSql(QStringLiteral("DELETE FROM FILETRANS\nWHERE CONTENT_ID=:CONTENT_ID"));
        q.setString("CONTENT_ID", key);
        q.execute();
        q.setSql(QStringLiteral("INSERT INTO FILETRANS(CONTENT_ID,CONTENT)\nVALUES(:CONTENT_ID,:CONTENT)"));
        q.setString("CONTENT_ID", key);
        q.setBytes("CONTENT", content);
        q.execute();
        DM->IBTransFileMan.commitRetaining();
        q.setSql(
            QStringLiteral("SELECT CONTENT_ID,SP_BLOBTOFILE(:FILEPATH, CONTENT) AS CONTENT FROM FILETRANS\n"
                           "WHERE CONTENT_ID=:CONTENT_ID"));
        q.setString("FILEPATH", serverFile);
        q.setString("CONTENT_ID", key);
        for (q.open(); !q.eof(); q.next()) {
        }
        q.close();
        q.setSql(QStringLiteral("DELETE FROM FILETRANS\nWHERE CONTENT_ID=:CONTENT_ID"));
        q.setString("CONTENT_ID", key);
        q.execute();
        own.commit();
        return true;
    } catch (const std::exception&) {
        fail(kRestore, QStringLiteral("203"), kTransferFailed, kRestoreStopped);
    }
    return false;
}
