#pragma once
// Backup and restore of the database being upgraded through the framework's backup worker
// (TBackupRestoreThread), polled every 300 ms while messages are processed. The worker proc can be
// replaced (tests).

#include "core/uAccRecord.h"

#include <QString>
#include <functional>

struct TBackupJob {
    enum Mode { Backup = 0, Restore = 1 };
    Mode mode = Backup;
    bool serverMode = false;    // connection kinds 1 and 2
    bool myNumberCheck = false; // accounting databases
    QString host;               // empty: this computer
    QString database;           // path as the engine sees it
    QString backupFile;
};

// Runs the job to its end, polling every 300 ms while messages are processed; true on success, the
// result record filled either way.
using TBackupWorkerProc = std::function<bool(const TBackupJob& job, TErrInfomation& result)>;
extern TBackupWorkerProc DbUpdateBackupWorker;

bool RunBackupJobOnThread(const TBackupJob& job, TErrInfomation& result);
