// Sends a dataset of about 300 MB through the loopback relay servers and receives it back over itself,
// with no pauses between the steps, and compares each stage with its own floor:
//   backup              a backup through the services API of the same database
//   pack, encrypt,      a plain copy of the stage's input file, synced as the stage's output is
//   decrypt, extract
//   upload, download    a bare libcurl transfer of the same package file
//   restore             a plain copy of the received backup (the road copies it into its work area) and
//                       a restore of it through the services API; the comparison with the dataset has no
//                       floor of its own and counts against the restore
// then the send and receive roads of the communication dialog end to end against the sum of the floors.
// Every round runs all of it; the minimum and the median of each line are printed with their ratios.
//
//   QV_RELAY_SERVERS=$(scripts/relayservers.sh start) RelayRoundTripBench [megabytes (default 300)]
//                                                                        [rounds (default 3)]
#include "BenchMeasure.h"
#include "clouddump/FtpSession.h"
#include "controls/PerfectGrid.h"
#include "core/DataModule.h"
#include "core/uAccRecord.h"
#include "support/DmFixture.h"
#include "tusin/RelayServers.h"
#include "tusin/z5DataTusin.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cstdio>
#include <curl/curl.h>
#include <functional>

namespace {

double timed(const char* what, const std::function<bool()>& run) {
    QElapsedTimer t;
    t.start();
    if (!run()) {
        std::fprintf(stderr, "%s failed\n", what);
        std::exit(2);
    }
    return double(t.nsecsElapsed()) / 1e9;
}

// One line of the result: a stage's times and its floor's, one of each a round.
struct Line {
    explicit Line(const char* lineName) : name(lineName) {}
    const char* name;
    std::vector<double> times, floors;
};

// One bare transfer of a whole file, nothing else on the connection.
bool bareTransfer(const QString& url, const QString& user, const QString& password, const QString& local,
                  bool upload) {
    CURL* c = curl_easy_init();
    if (!c)
        return false;
    // libcurl's own stdio reads and writes.
    std::FILE* file = std::fopen(QFile::encodeName(local).constData(), upload ? "rb" : "wb");
    if (!file) {
        curl_easy_cleanup(c);
        return false;
    }
    const QByteArray u = url.toUtf8(), name = user.toUtf8(), pass = password.toUtf8();
    curl_easy_setopt(c, CURLOPT_URL, u.constData());
    curl_easy_setopt(c, CURLOPT_USERNAME, name.constData());
    curl_easy_setopt(c, CURLOPT_PASSWORD, pass.constData());
    if (upload) {
        curl_easy_setopt(c, CURLOPT_UPLOAD, 1L);
        curl_easy_setopt(c, CURLOPT_READDATA, file);
        curl_easy_setopt(c, CURLOPT_INFILESIZE_LARGE, curl_off_t(QFileInfo(local).size()));
    } else {
        curl_easy_setopt(c, CURLOPT_WRITEDATA, file);
    }
    const bool ok = curl_easy_perform(c) == CURLE_OK;
    curl_easy_cleanup(c);
    std::fclose(file);
    return ok;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int megabytes = argc > 1 ? std::max(1, std::atoi(argv[1])) : 300;
    RelayServers servers;
    if (!servers.available()) {
        std::fprintf(stderr, "QV_RELAY_SERVERS is not set (scripts/relayservers.sh start)\n");
        return 2;
    }
    testenv::DmEnvironment e;
    e.connectSystem();
    testenv::CompanySpec company;
    company.kishu = QDate(2025, 4, 1);
    const testenv::Dataset ds = e.root->addDataset(company, 1);
    ds.addBulkData(megabytes);
    const QString id = servers.addId();
    RelaySettings() = servers.settings;
    ds.execute(QStringLiteral("UPDATE ACCDEF1 SET WEB_HOLDER=:H, PASWORD='gpw123'"),
               [&](fb::Query& q) { q.setString("H", id); });
    const auto open = [&] {
        if (e.dm->IBDatabaseDAT.isConnected())
            e.dm->fnAccDatDisConnected(SystemDef.DataDir, 1, 0);
        SystemDef.DataDir = ds.folder;
        return e.dm->fnAccDatConnected(QString(), ds.folder, 1) && e.dm->fnGetAccInfo();
    };
    if (!open())
        return 2;
    std::printf("dataset: %.1f MB\n", double(QFileInfo(ds.database).size()) / 1048576.0);
    const auto dialog = [&](int kind) {
        auto d = std::make_unique<TfmDataTusin>();
        d->SyoriType = kind;
        d->Relay = servers.settings;
        d->Relay.PauseMs = 0;
        d->StartOperation();
        d->PerfectGrid1()->SetCurrentCell(2, 0);
        return d;
    };

    const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 3;
    const QString work = e.env.temp();
    const QString floorCopy = work + QStringLiteral("/floor.copy");
    const QString remote = QStringLiteral("ftp://127.0.0.1:%1/03/").arg(servers.settings.FtpPort);
    // A file stage's floor: a copy of its input, made while the input is still there.
    const auto copyFloor = [&](const QString& input) {
        const double t = timed("copy", [&] { return bench::copyFile(input, floorCopy); });
        QFile::remove(floorCopy);
        return t;
    };
    Line backupLine{"backup"}, packLine{"pack"}, encryptLine{"encrypt"}, uploadLine{"upload"},
        downloadLine{"download"}, decryptLine{"decrypt"}, extractLine{"extract"}, restoreLine{"restore"},
        roadsLine{"send + receive roads"};
    Line* const stageLines[] = {&backupLine,   &packLine,    &encryptLine, &uploadLine,
                                &downloadLine, &decryptLine, &extractLine, &restoreLine};
    qint64 packageSize = 0;
    for (int round = 1; round <= rounds; ++round) {
        std::printf("round %d\n", round);
        std::fflush(stdout);
        if (!open())
            return 2;
        QString receivedBackup = work + QStringLiteral("/floor.fbk");
        {
            auto d = dialog(tkSend);
            const TPackageStages s = d->SendStages();
            backupLine.times.push_back(timed("backup", [&] {
                return d->PreparePackageFolder(TPackageRoad::Send) && d->SaveSendBackup(true);
            }));
            packLine.times.push_back(timed("pack", [&] { return d->PackSequence(TPackageRoad::Send); }));
            packLine.floors.push_back(copyFloor(s.Backup));
            encryptLine.times.push_back(
                timed("encrypt", [&] { return d->EncryptSequence(TPackageRoad::Send); }));
            encryptLine.floors.push_back(copyFloor(s.Archive));
            packageSize = QFileInfo(s.Package).size();
            uploadLine.times.push_back(timed("upload", [&] {
                TFtpSession ftp(d->ServerInfo.FtpHost, servers.settings.FtpPort, id,
                                d->ServerInfo.FtpPassword);
                return ftp.Connect() && ftp.ChangeDir(QStringLiteral("03")) &&
                       ftp.Put(s.Package, QStringLiteral("placc.wen"));
            }));
        }
        {
            auto d = dialog(tkReceive);
            const TPackageStages s = d->ReceiveStages();
            downloadLine.times.push_back(timed("download", [&] {
                TFtpSession ftp(d->ServerInfo.FtpHost, servers.settings.FtpPort, id,
                                d->ServerInfo.FtpPassword);
                return d->PreparePackageFolder(TPackageRoad::Receive) && ftp.Connect() &&
                       ftp.ChangeDir(QStringLiteral("03")) && ftp.Get(QStringLiteral("placc.wen"), s.Package);
            }));
            decryptLine.times.push_back(
                timed("decrypt", [&] { return d->DecryptSequence(TPackageRoad::Receive); }));
            decryptLine.floors.push_back(copyFloor(s.Package));
            extractLine.times.push_back(
                timed("extract", [&] { return d->ExtractSequence(TPackageRoad::Receive); }));
            extractLine.floors.push_back(copyFloor(s.Archive));
            // The restore's floor restores this backup, kept as it was received.
            QFile::remove(receivedBackup);
            if (!QFile::copy(s.Backup, receivedBackup))
                return 2;
            restoreLine.times.push_back(timed("restore", [&] { return d->RestoreReceivedData(true); }));
            d->CleanUpStages(TPackageRoad::Receive);
        }

        if (!open())
            return 2;
        double roads = timed("send", [&] {
            auto d = dialog(tkSend);
            e.ui->queueAnswer(ui::mrYes);
            return d->SendData() == 0;
        });
        if (!open())
            return 2;
        roads += timed("receive", [&] {
            auto d = dialog(tkReceive);
            e.ui->queueAnswer(ui::mrYes);
            return d->ReceiveData() == 0;
        });
        roadsLine.times.push_back(roads);

        // The floors that need the database closed or the package on the server (the end-to-end send left
        // it there).
        if (e.dm->IBDatabaseDAT.isConnected())
            e.dm->fnAccDatDisConnected(SystemDef.DataDir, 1, 0);
        const QString backup = work + QStringLiteral("/floor-backup.fbk"),
                      restored = work + QStringLiteral("/floor.fdb"),
                      fetched = work + QStringLiteral("/floor.wen");
        QFile::remove(backup);
        QFile::remove(restored);
        QFile::remove(fetched);
        backupLine.floors.push_back(timed("services backup", [&] {
            return e.dm->BackupFDB(TDM::ProtocolLocal, QString(), ds.database, backup, true);
        }));
        restoreLine.floors.push_back(timed("copy and services restore", [&] {
            return bench::copyFile(receivedBackup, floorCopy) &&
                   e.dm->RestoreFDB(TDM::ProtocolLocal, QString(), restored, floorCopy, true);
        }));
        QFile::remove(floorCopy);
        TRelayServerInfo info;
        RequestServerInfo(info, tkSend, TRelayContext::current(), servers.settings);
        downloadLine.floors.push_back(timed("curl download", [&] {
            return bareTransfer(remote + QStringLiteral("placc.wen"), id, info.FtpPassword, fetched, false);
        }));
        uploadLine.floors.push_back(timed("curl upload", [&] {
            return bareTransfer(remote + QStringLiteral("floor.wen"), id, info.FtpPassword, fetched, true);
        }));
        double floorSum = 0;
        for (const Line* line : stageLines)
            floorSum += line->floors.back();
        roadsLine.floors.push_back(floorSum);
    }

    std::printf("dataset %.1f MB, package %.1f MB, %d rounds\n",
                double(QFileInfo(ds.database).size()) / 1048576.0, double(packageSize) / 1048576.0, rounds);
    std::printf("%-22s %19s %19s %15s\n", "", "time min / median", "floor min / median",
                "ratio min / median");
    for (const Line* line : stageLines) {
        const bench::Stats t = bench::stats(line->times), f = bench::stats(line->floors);
        std::printf("%-22s %8.2f %8.2f s %8.2f %8.2f s %7.2f %7.2f\n", line->name, t.min, t.median, f.min,
                    f.median, t.min / f.min, t.median / f.median);
    }
    const bench::Stats t = bench::stats(roadsLine.times), f = bench::stats(roadsLine.floors);
    std::printf("%-22s %8.2f %8.2f s %8.2f %8.2f s %7.2f %7.2f\n", roadsLine.name, t.min, t.median, f.min,
                f.median, t.min / f.min, t.median / f.median);
    return 0;
}
