#include "dbupdate/DbBackupWorker.h"

#include "core/uAccRecord.h"
#include "platform/firebird/FbServices.h"

#include <QEventLoop>
#include <QTimer>
#include <atomic>
#include <thread>

TBackupWorkerProc DbUpdateBackupWorker = RunBackupJobOnThread;

bool RunBackupJobOnThread(const TBackupJob& job, TErrInfomation& result) {
    const bool backup = job.mode == TBackupJob::Backup;
    result = {};
    result.Name = backup ? QStringLiteral("バックアップ") : QStringLiteral("復元");
    fb::ServiceOptions options;
    options.host = job.serverMode ? job.host : QString();
    options.user = SystemDef.USER;
    options.password = SystemDef.PASSWORD;

    std::atomic<bool> done{false};
    QString error;
    // Looks every 300 ms, and wakes at once when the work has ended.
    QEventLoop loop;
    QTimer poll;
    poll.setInterval(300);
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done)
            loop.quit();
    });
    std::thread worker([&] {
        try {
            fb::Services services(options);
            if (backup) {
                services.backup(job.database, job.backupFile);
            } else {
                fb::RestoreOptions restore;
                restore.replace = true;
                services.restore(job.backupFile, job.database, restore);
            }
        } catch (const std::exception& e) {
            error = QString::fromUtf8(e.what());
        }
        done = true;
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    poll.start();
    if (!done)
        loop.exec();
    worker.join();
    if (error.isEmpty()) {
        result.Code = backup ? QStringLiteral("100") : QStringLiteral("200");
        return true;
    }
    result.Error = true;
    result.Code = backup ? QStringLiteral("101") : QStringLiteral("201");
    result.Message = backup ? QStringLiteral("データベースのバックアップに失敗しました。")
                            : QStringLiteral("データベースの復元に失敗しました。");
    result.Detail = error;
    return false;
}
