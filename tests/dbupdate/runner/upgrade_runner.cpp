// Runs the upgrade dialog's OK on one dataset of a fixture data root, as an operator's run does, with the
// accounting step 8.0.2 (its work in code, without its script files) as the only registered step.
//
//   upgrade_runner <data root> <dataset folder> [halt]
//
// halt "backup": once the backup worker has written the backup, and before the run goes on, the runner
// prints "HALT backup" and waits to be killed; "migration": the same between the step's script and its
// migration in code. At the end it prints "RESULT <modal result>" and the messages shown.

#include "core/DataModule.h"
#include "core/uAccRecord.h"
#include "dbupdate/z5DbUpdate.h"
#include "dbupdate/z5DbUpdateSteps.h"
#include "platform/UserInteraction.h"
#include "support/DataRootFixture.h"
#include "ui_z5DbUpdate.h"

#include <QApplication>
#include <cstdio>
#include <unistd.h>

namespace {

[[noreturn]] void halt(const char* point) {
    std::printf("HALT %s\n", point);
    std::fflush(stdout);
    for (;;)
        pause();
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: upgrade_runner <data root> <dataset folder> [backup|migration]\n");
        return 2;
    }
    const QString root = QString::fromLocal8Bit(argv[1]);
    const QByteArray haltAt = argc > 3 ? QByteArray(argv[3]) : QByteArray();

    // The process records as after a stand-alone logon to the data root.
    ResetProcessState();
    const fb::ConnectOptions user = testenv::databaseUser();
    SystemDef.DataRoot = root;
    SystemDef.LogDir = root + QStringLiteral("/log");
    SystemDef.TempDir = root + QStringLiteral("/temp");
    SystemDef.IniDir = root + QStringLiteral("/ini");
    SystemDef.SYSDIR = root + QStringLiteral("/data");
    SystemDef.USER = user.user;
    SystemDef.PASSWORD = user.password;
    SystemDef.GROUPID = 10000;
    SystemDef.LoginCode = 10;
    SystemDef.OPCODE = 10000 * 10000 + 10;
    SystemDef.OperatorName = QStringLiteral("管理者");
    SystemDef.PCName = QStringLiteral("TESTPC");
    SystemDef.DataDir = QString::fromLocal8Bit(argv[2]);
    ui::ScopedScriptedUi scripted;
    TDM dm;
    // The dataset is open, as when it was chosen in the data selection.
    if (!dm.fnAccDatConnected(QString(), SystemDef.DataDir, 0))
        return 3;
    dm.fnGetAccInfo();
    dm.fnAccDatDisConnected(SystemDef.DataDir, 0, 0);

    if (haltAt == "backup")
        DbUpdateBackupWorker = [](const TBackupJob& job, TErrInfomation& result) {
            const bool ok = RunBackupJobOnThread(job, result);
            if (job.mode == TBackupJob::Backup)
                halt("backup");
            return ok;
        };

    const TStepSpec& spec = *FindStep(TDbKind::Accounting, {8, 0, 2});
    TDbUpdateListRec entry;
    RegisterStep(spec, entry);
    const bool haltInStep = haltAt == "migration";
    entry.StepProc = [&spec, haltInStep] {
        TStepContent content = z5UserDbUpdate802::Content();
        content.Files = nullptr;
        if (haltInStep)
            content.PostMigration = [](TStepDb&) { halt("migration"); };
        return RunStep(spec, content);
    };

    TDbUpdateBox box;
    box.Updater.UserSteps = {entry};
    box.SetupPendingList(1, QString());
    box.form().cboxAgree->setChecked(true);
    box.cboxAgreeClick();
    box.btnOkClick();
    std::printf("RESULT %d\n", box.result());
    for (const QString& text : scripted->messageTexts())
        std::printf("%s\n", text.toUtf8().constData());
    return 0;
}
