// Backup then restore of a dataset of about 100 MB through the database module (gbak as a child
// process, and the services API of the engine in this process) next to bare gbak runs on the same file
// with the same switches, in the same run.
//
//   BackupRestoreBench [megabytes]
// Each side runs three times, alternating; the best of each is compared.
#include "core/DataModule.h"
#include "core/uAccRecord.h"
#include "platform/firebird/FbQuery.h"
#include "platform/firebird/FbTransaction.h"
#include "support/DmFixture.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <algorithm>
#include <cstdio>

namespace {

void bareGbak(const QStringList& arguments) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("ISC_USER"), SystemDef.USER);
    env.insert(QStringLiteral("ISC_PASSWORD"), SystemDef.PASSWORD);
    p.setProcessEnvironment(env);
    p.start(QStandardPaths::findExecutable(QStringLiteral("gbak")), arguments);
    if (!p.waitForFinished(-1) || p.exitCode() != 0) {
        std::fprintf(stderr, "bare gbak failed: %s\n", p.readAll().constData());
        std::exit(2);
    }
}

double seconds(const QElapsedTimer& t) {
    return double(t.nsecsElapsed()) / 1e9;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int megabytes = argc > 1 ? std::max(1, std::atoi(argv[1])) : 100;
    testenv::DmEnvironment e;
    const testenv::Dataset ds = e.root->addDataset({});
    ds.addBulkData(megabytes);
    std::printf("dataset: %.1f MB\n", double(QFileInfo(ds.database).size()) / 1048576.0);

    const QString work = e.env.temp();
    const QString backup = work + QStringLiteral("/ours.fbk");
    const QString bareBackup = work + QStringLiteral("/bare.fbk");
    const QString restored = work + QStringLiteral("/restored.fdb");
    const QString bareRestored = work + QStringLiteral("/bare.fdb");
    const QString log = work + QStringLiteral("/bare.log");
    double ours = 1e9, services = 1e9, bare = 1e9;
    for (int round = 0; round < 3; ++round) {
        QElapsedTimer t;
        t.start();
        if (!e.dm->BackupFDBByGbak(QString(), ds.database, backup, false) ||
            !e.dm->RestoreFDBByGbak(QString(), restored, backup, true)) {
            std::fprintf(stderr, "backup or restore through the module failed\n");
            return 2;
        }
        ours = std::min(ours, seconds(t));

        t.start();
        QFile::remove(bareBackup);
        QFile::remove(log);
        bareGbak(
            {QStringLiteral("-y"), log, QStringLiteral("-b"), QStringLiteral("-g"), ds.database, bareBackup});
        QFile::remove(log);
        bareGbak({QStringLiteral("-y"), log, QStringLiteral("-rep"), QStringLiteral("-bu"),
                  QStringLiteral("4096"), QStringLiteral("-p"), QStringLiteral("16384"), bareBackup,
                  bareRestored});
        bare = std::min(bare, seconds(t));

        t.start();
        if (!e.dm->BackupFDB(TDM::ProtocolLocal, QString(), ds.database, backup, true) ||
            !e.dm->RestoreFDB(TDM::ProtocolLocal, QString(), restored, backup, true)) {
            std::fprintf(stderr, "backup or restore through the services failed\n");
            return 2;
        }
        services = std::min(services, seconds(t));
    }
    std::printf("backup + restore through the module (gbak):  %.2f s\n", ours);
    std::printf("backup + restore, bare gbak:                 %.2f s\n", bare);
    std::printf("ratio module / bare gbak:                    %.3f\n", ours / bare);
    std::printf("backup + restore through the services API:   %.2f s (%.3f of bare gbak)\n", services,
                services / bare);
    return 0;
}
