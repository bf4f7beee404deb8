#pragma once
// The schema upgrade of one database: the registries of the system and accounting steps, the
// pending-version check and the run of the pending steps with backup before and restore after a
// failure. TDbUpdater holds the logic and runs without a window; TDbUpdateBox ("データベースの更新")
// shows it, and a hidden TDbUpdateBox answers the data selection's pending check.

#include "dbupdate/DbBackupWorker.h"
#include "dbupdate/z5DbUpdateStep.h"

#include <QDialog>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class TxAnimeProgressDialog;

// Run results of RunUpdates.
enum : qint32 { UpdatesDone = 1, UpdatesFailed = 0, UpdatesNotRun = -1 };

class TDbUpdater {
public:
    TDbUpdater();

    TArrayDbUpdateListRec SystemSteps; // 18 steps
    TArrayDbUpdateListRec UserSteps;   // 59 steps

    quint8 DbKind = 0; // 0 system database, 1 accounting database
    TDbVersion DbVersion;
    TDbVersion NewestVersion;
    bool IsPending = false;
    bool IsUpdated = false;
    int FirstPending = -1;
    int LastPending = -1;
    int BackupCount = 0;
    QString BackupPath;
    TErrInfomation WorkerResult;

    const TArrayDbUpdateListRec& CurrentSteps() const { return DbKind == 0 ? SystemSteps : UserSteps; }
    TArrayDbUpdateListRec& CurrentSteps() { return DbKind == 0 ? SystemSteps : UserSteps; }

    // The check: the version from the text when it is not empty, else from the database. A version that
    // cannot be read (the error is shown) leaves nothing pending.
    void SetupPending(quint8 kind, const QString& versionText);
    // DbVersion from the database of DbKind; false after the error has been shown (DbVersion 0.0.0).
    bool SetDbVersion();
    void SetDbVersionFromText(const QString& text);

    // The target database file of DbKind (system database or the selected dataset's accounting one).
    QString TargetDatabase() const;

    // What the run reports to its window; every callback is optional.
    struct Observer {
        std::function<void(const QString& caption, const QString& info)> workerStarted;
        std::function<void()> workerFinished;
        std::function<void(int count)> stepsStarted;
        // row: position among the pending steps.
        std::function<void(int row, qint32 result)> stepFinished;
        std::function<void()> stepsFinished;
    };
    // Runs the pending steps: 1 all done, 0 a step failed (restored when a backup was made), -1 nothing
    // ran (nothing pending, or the backup or the restore failed). The backup file is deleted only after
    // a successful run.
    qint32 RunUpdates(const Observer& observer = {});

    // The record of a run that took a backup, kept in the temporary folder beside its backup until the
    // run's end makes it useless; the same file name also marks a run cut short (kill, power loss).
    struct RunRecord {
        QString path;
        QString database;
        QString backup;
        TDbVersion version; // of the database before the run
        // "backup": the backup is being made and the database is untouched; "steps": the database may hold
        // part of the run and is brought back from the backup before anything else; "kept": the run failed,
        // the database was restored and the backup is kept for the operator.
        QString state;
    };
    // The records of runs on that database file.
    static std::vector<RunRecord> RunRecords(const QString& database);

private:
    bool runWorker(TBackupJob::Mode mode, const Observer& observer);
    bool saveRecord(RunRecord& record, const QString& state);

    // A run on the target database that was cut short after its backup: the next run restores from it.
    std::optional<RunRecord> m_interrupted;
};

namespace Ui {
class TDbUpdateBox;
}

class TDbUpdateBox : public QDialog {
    Q_OBJECT
public:
    explicit TDbUpdateBox(QWidget* owner = nullptr);
    ~TDbUpdateBox() override;

    TDbUpdater Updater;

    // Prepares the dialog for the kind (0 system, 1 accounting) and the version (empty: read from the
    // database); callers read IsPending().
    void SetupPendingList(quint8 kind, const QString& versionText);
    bool IsPending() const { return Updater.IsPending; }
    // "[ %.4d ]:  %s" and "\r" per operator logged on in the group, for the system kind.
    void LoggedInOperatorLines(QString& text);

    // The handlers of the dialog.
    void cboxAgreeClick();
    void btnOkClick();
    void btnCancelClick();
    void ListView1SelectItem();
    bool running() const;

    Ui::TDbUpdateBox& form() { return *ui; }

protected:
    void keyReleaseEvent(QKeyEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void showEvent(QShowEvent* e) override;
    void reject() override;

private:
    int scaled(int value) const;
    void reconnect();
    bool targetInUse();
    void setRowStatus(int row, qint32 result);

    std::unique_ptr<Ui::TDbUpdateBox> ui;
    std::unique_ptr<TxAnimeProgressDialog> m_progress;
    bool m_running = false;
};

// Who is logged on in the group besides this logon (operator code and name); the framework's list of
// logged-on operators can replace it.
struct TLoggedOnOperator {
    qint32 code = 0;
    QString name;
};
extern std::function<std::vector<TLoggedOnOperator>()> LoggedOnOperatorsProc;
