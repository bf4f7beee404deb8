// One stamp-only accounting upgrade step with its backup, against a bare "gbak -b" of the same dataset,
// on an embedded database holding a given number of journal lines (default 500,000). Prints both times
// and their ratio (the step run includes the backup, isql-fb and the reconnect-free driver work).
//
//   build/bench/DbUpdateBench [journal lines] [rounds]
#include "support/DmFixture.h"

#include "core/uAccRecord.h"
#include "dbupdate/z5DbUpdate.h"
#include "platform/firebird/FbQuery.h"
#include "platform/firebird/FbTransaction.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <cstdio>

namespace {

void fill(const testenv::Dataset& ds, int lines) {
    auto db = ds.connect();
    fb::Transaction t(*db);
    fb::Query q(t);
    // The block's own variables carry colons: the statement has no parameters of ours.
    q.setParamCheck(false);
    q.setSql(
        QStringLiteral(
            "EXECUTE BLOCK AS DECLARE I INTEGER = 0; DECLARE N INTEGER = %1; BEGIN"
            " WHILE (I < N) DO BEGIN"
            "  INSERT INTO SIWAKE (REC, SWKREC, SWKNO, DELFLG, TAISHAKU, HIZUKE, MNUM, SCODE, KCODE,"
            "   HCODE, BCODE, KNAME, NUK, ZEI, R_KCODE, R_NUK)"
            "  VALUES (:I + 1, :I / 2 + 1, :I / 2 + 1, 0, MOD(:I, 2) + 1, DATE '2024-04-01' + MOD(:I, 365),"
            "   1, ' ', '1110', ' ', ' ', '現金', MOD(:I, 100000) * 10, 0, '4110', MOD(:I, 1000));"
            "  I = I + 1;"
            " END END")
            .arg(lines));
    q.execute();
    t.commit();
}

double runGbak(const testenv::Dataset& ds, const QString& target) {
    QFile::remove(target);
    const fb::ConnectOptions user = testenv::databaseUser();
    QElapsedTimer clock;
    clock.start();
    QProcess gbak;
    gbak.start(QStandardPaths::findExecutable(QStringLiteral("gbak")),
               {QStringLiteral("-b"), QStringLiteral("-user"), user.user, QStringLiteral("-password"),
                user.password, ds.database, target});
    gbak.waitForFinished(-1);
    const double ms = clock.nsecsElapsed() / 1e6;
    if (gbak.exitCode() != 0)
        std::fprintf(stderr, "gbak failed: %s\n", gbak.readAllStandardError().constData());
    return ms;
}

double runStep(const testenv::Dataset& ds, int round) {
    static const TStepSpec spec{TDbKind::Accounting,
                                {20, 0, 0},
                                1,
                                TScriptLayout::C,
                                true,
                                0,
                                TMissingFileRule::Skip,
                                TStampMemo::Time,
                                TStepMigration::None,
                                false,
                                u"bench",
                                u"bench"};
    TDbUpdater updater;
    TDbUpdateListRec entry;
    entry.MAJOR = 20;
    entry.MINOR2 = round + 1;
    entry.NeedBackup = 1;
    entry.StepProc = [] { return RunStep(spec, {}); };
    updater.UserSteps = {entry};
    SystemDef.DataDir = ds.folder;
    updater.SetupPending(1, QStringLiteral("%1.0.%2").arg(20).arg(round));
    QElapsedTimer clock;
    clock.start();
    const qint32 result = updater.RunUpdates();
    const double ms = clock.nsecsElapsed() / 1e6;
    if (result != UpdatesDone)
        std::fprintf(stderr, "the step run failed (%d)\n", result);
    return ms;
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int lines = argc > 1 ? std::atoi(argv[1]) : 500000;
    const int rounds = argc > 2 ? std::atoi(argv[2]) : 3;
    testenv::DmEnvironment e;
    const testenv::Dataset ds = e.root->addDataset({});
    QElapsedTimer clock;
    clock.start();
    fill(ds, lines);
    std::printf("filled %d journal lines in %.0f ms\n", lines, clock.nsecsElapsed() / 1e6);
    const QString fbk = e.env.temp() + QStringLiteral("/bare.fbk");
    double bestGbak = 1e300, bestStep = 1e300;
    for (int r = 0; r < rounds; ++r) {
        bestGbak = std::min(bestGbak, runGbak(ds, fbk));
        bestStep = std::min(bestStep, runStep(ds, r));
    }
    std::printf("gbak -b:              %8.0f ms\n", bestGbak);
    std::printf("step with backup:     %8.0f ms\n", bestStep);
    std::printf("ratio:                %8.2f\n", bestStep / bestGbak);
    return 0;
}
