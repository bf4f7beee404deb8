#pragma once
// The one worker thread: backs up, restores, copies or rebuilds a Firebird database with a uniform
// result (Success and the error record ErrInfo). The thread only sequences the work: every step runs
// on the user-interface thread through a blocking queued call, because the database module and its
// connections belong to that thread. The caller therefore keeps the event loop turning until the thread
// has finished:
//
//     TBackupRestoreThread t(true);
//     t.Mode = 0; ...                   // settings
//     t.Resume();
//     while (!t.IsTerminated())
//         WaitMSec(300);
//     if (!t.Success) ...               // t.ErrInfo
//
// A dataset backup may carry a text trailer (company, fiscal year, entry counts, data version, combined
// kind, whether individual numbers are inside). A restore reads from a copy cut at the trailer's marker,
// so the operator's backup file is never changed. A backup without individual numbers is made from a
// copy of the dataset whose settings were cleared; the dataset itself is never touched.

#include "core/uAccRecord.h"

#include <QString>
#include <QThread>
#include <atomic>

class TBackupRestoreThread : public QThread {
public:
    // The thread is always created suspended: Resume starts it.
    explicit TBackupRestoreThread(bool createSuspended = true);
    // Waits for a started run to end.
    ~TBackupRestoreThread() override;

    enum : qint32 { ModeBackup = 0, ModeRestore = 1, ModeCopy = 2, ModeRebuild = 3 };

    qint32 Mode = ModeBackup;
    // 0: the services API addresses the server directly; 1: the backup file travels between the server
    // and this computer (file-manager database, else gbak).
    quint8 TransferKind = 0;
    quint8 MyNumberCheck = 1;
    QString Host; // empty or the loopback address: the local engine
    QString DatabaseFile;
    QString TargetFile;
    QString BackupFile;
    quint8 KeepIndexes = 0;
    quint8 Success = 0;
    TErrInfomation ErrInfo;
    quint8 WriteZone = 0;
    quint8 AskMyNumber = 0;
    quint8 MyNumberLog = 0;
    quint8 ExcludeMyNumber = 0;
    qint32 MyNumberAnswer = 0;
    QString ProcName;

    QString ZoneShougou, ZoneKishu, ZoneKimatu;
    qint32 ZoneSiwake = 0, ZoneTotalSiwake = 0;
    QString ZoneDataVersion;
    qint32 ZoneGassan = 0;
    qint32 ZoneUseMyNumber = 0;

    static const QByteArray ZoneMarker; // "## TesuvioZone"

    void Resume();
    bool IsTerminated() const { return m_terminated; }
    // Resume, then wait with the event loop turning every pollMs until the run has ended; Success.
    bool RunAndWait(int pollMs = 300);

    void ClearZoneInfo();
    // Appends the trailer when ZoneShougou is not empty. Throws when the file cannot be written.
    void WriteZoneInfo(const QString& backupFile);
    // Reads the trailer values of the file (cleared first; missing values empty or 0); true when a
    // company name was read. The file is not changed.
    bool ReadZoneInfo(const QString& backupFile);
    // The bytes of the backup before its trailer's marker, copied into copyFile; false (copyFile not
    // written) when the file has no trailer. Throws when the copy cannot be written.
    static bool CopyWithoutZone(const QString& backupFile, const QString& copyFile);

protected:
    void run() override;

private:
    // Runs the step on the user-interface thread and waits for it.
    void synchronize(void (TBackupRestoreThread::*step)());
    void CheckMyNumber();
    void BackupDatabase();
    void RestoreDatabase();
    void CopyDatabase();
    void RebuildDatabase();

    void fail(const QString& operation, const QString& code, const QString& message, const QString& detail);
    bool localHost() const;
    // Backup and restore by the route the settings choose (TransferKind, Host).
    bool backupByRoute(const QString& database, const QString& backupFile);
    bool restoreByRoute(const QString& database, const QString& backupFile);
    bool backupWithoutMyNumber(const QString& backupFile);
    bool ensureServerWorkFolder();
    QString serverWorkFile() const;
    QString transferKey() const;
    bool transferFromServer(const QString& serverFile, const QString& localFile);
    bool transferToServer(const QString& localFile, const QString& serverFile);

    std::atomic<bool> m_terminated{false};
};
