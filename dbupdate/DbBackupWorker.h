#pragma once
// Backup and restore of the database being upgraded, run off the user-interface thread while the caller
// keeps processing messages. This is the upgrade's view of the framework's backup worker: the worker
// proc can be replaced (tests, the framework's own worker); the default runs the Firebird services API
// on a thread of its own.

#include <QString>
#include <functional>

// Result of the worker: error flag, operation name, code, message, detail.
struct TErrInfomation {
    bool Error = false;
    QString Name;
    QString Code;
    QString Message;
    QString Detail;
};

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
