#include "dbupdate/DbBackupWorker.h"

#include "core/TBackupRestoreThread.h"

TBackupWorkerProc DbUpdateBackupWorker = RunBackupJobOnThread;

bool RunBackupJobOnThread(const TBackupJob& job, TErrInfomation& result) {
    TBackupRestoreThread worker(true);
    worker.Mode = job.mode == TBackupJob::Backup ? TBackupRestoreThread::ModeBackup
                                                 : TBackupRestoreThread::ModeRestore;
    worker.TransferKind = job.serverMode ? 1 : 0;
    worker.Host = job.host.isEmpty() ? QStringLiteral("127.0.0.1") : job.host;
    worker.DatabaseFile = job.database;
    worker.BackupFile = job.backupFile;
    worker.KeepIndexes = 1;
    worker.AskMyNumber = 0;
    // The backup keeps the individual numbers (nothing is asked); the restore puts back the upgrade's
    // own backup of the same data, which needs no check.
    worker.MyNumberCheck = job.mode == TBackupJob::Backup && job.myNumberCheck ? 1 : 0;
    worker.RunAndWait(300);
    result = worker.ErrInfo;
    return worker.Success == 1;
}
