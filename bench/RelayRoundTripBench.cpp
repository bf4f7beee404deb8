// Sends a dataset of about 300 MB through the loopback relay servers and receives it back over itself,
// with no pauses between the steps. Three parts, in this order:
//   - the stages one by one (backup, pack, encrypt, upload; download, decrypt, extract, restore), each
//     timed on its own;
//   - the send and receive roads of the communication dialog end to end;
//   - the floor: a backup and a restore through the services API, and a bare libcurl upload and download
//     of the same package file.
// The ratio is the roads' time over the floor's.
//
//   QV_RELAY_SERVERS=$(scripts/relayservers.sh start) RelayRoundTripBench [megabytes (default 300)]
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
    const double s = double(t.nsecsElapsed()) / 1e9;
    std::printf("  %-34s %8.2f s\n", what, s);
    std::fflush(stdout);
    return s;
}

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

    std::printf("stages one by one:\n");
    double stages = 0;
    qint64 packageSize = 0;
    {
        auto d = dialog(tkSend);
        const TPackageStages s = d->SendStages();
        stages += timed(
            "backup", [&] { return d->PreparePackageFolder(TPackageRoad::Send) && d->SaveSendBackup(true); });
        stages += timed("pack", [&] { return d->PackSequence(TPackageRoad::Send); });
        stages += timed("encrypt", [&] { return d->EncryptSequence(TPackageRoad::Send); });
        packageSize = QFileInfo(s.Package).size();
        stages += timed("upload", [&] {
            TFtpSession ftp(d->ServerInfo.FtpHost, servers.settings.FtpPort, id, d->ServerInfo.FtpPassword);
            return ftp.Connect() && ftp.ChangeDir(QStringLiteral("03")) &&
                   ftp.Put(s.Package, QStringLiteral("placc.wen"));
        });
    }
    {
        auto d = dialog(tkReceive);
        const TPackageStages s = d->ReceiveStages();
        stages += timed("download", [&] {
            TFtpSession ftp(d->ServerInfo.FtpHost, servers.settings.FtpPort, id, d->ServerInfo.FtpPassword);
            return d->PreparePackageFolder(TPackageRoad::Receive) && ftp.Connect() &&
                   ftp.ChangeDir(QStringLiteral("03")) && ftp.Get(QStringLiteral("placc.wen"), s.Package);
        });
        stages += timed("decrypt", [&] { return d->DecryptSequence(TPackageRoad::Receive); });
        stages += timed("extract", [&] { return d->ExtractSequence(TPackageRoad::Receive); });
        // Not a stage of its own: what the restore's copy into the work area costs by itself.
        timed("  of which: a copy of the backup", [&] {
            const QString probe = e.env.temp() + QStringLiteral("/probe.fbk");
            QFile::remove(probe);
            const bool ok = QFile::copy(s.Backup, probe);
            QFile::remove(probe);
            return ok;
        });
        stages += timed("restore (with comparison)", [&] { return d->RestoreReceivedData(true); });
        d->CleanUpStages(TPackageRoad::Receive);
    }
    std::printf("  %-34s %8.2f s\n", "sum of the stages", stages);
    std::printf("package: %.1f MB\n", double(packageSize) / 1048576.0);

    std::printf("the roads end to end:\n");
    if (!open())
        return 2;
    const double send = timed("send (kind 1)", [&] {
        auto d = dialog(tkSend);
        e.ui->queueAnswer(ui::mrYes);
        return d->SendData() == 0;
    });
    if (!open())
        return 2;
    const double receive = timed("receive (kind 2)", [&] {
        auto d = dialog(tkReceive);
        e.ui->queueAnswer(ui::mrYes);
        return d->ReceiveData() == 0;
    });
    const double roads = send + receive;

    std::printf("floor:\n");
    if (e.dm->IBDatabaseDAT.isConnected())
        e.dm->fnAccDatDisConnected(SystemDef.DataDir, 1, 0);
    const QString work = e.env.temp();
    const QString backup = work + QStringLiteral("/floor.fbk"),
                  restored = work + QStringLiteral("/floor.fdb");
    const QString fetched = work + QStringLiteral("/floor.wen");
    double floor = 0;
    floor += timed("services backup",
                   [&] { return e.dm->BackupFDB(TDM::ProtocolLocal, QString(), ds.database, backup, true); });
    floor += timed("services restore",
                   [&] { return e.dm->RestoreFDB(TDM::ProtocolLocal, QString(), restored, backup, true); });
    // The package the end-to-end send left on the server stands in for the local one.
    const QString remote = QStringLiteral("ftp://127.0.0.1:%1/03/").arg(servers.settings.FtpPort);
    {
        TRelayServerInfo info;
        RequestServerInfo(info, tkSend, TRelayContext::current(), servers.settings);
        floor += timed("curl download", [&] {
            return bareTransfer(remote + QStringLiteral("placc.wen"), id, info.FtpPassword, fetched, false);
        });
        floor += timed("curl upload", [&] {
            return bareTransfer(remote + QStringLiteral("floor.wen"), id, info.FtpPassword, fetched, true);
        });
    }
    std::printf("beside the floor:\n");
    {
        TRelayServerInfo info;
        RequestServerInfo(info, tkSend, TRelayContext::current(), servers.settings);
        timed("the same upload through TFtpSession", [&] {
            TFtpSession ftp(info.FtpHost, servers.settings.FtpPort, id, info.FtpPassword);
            return ftp.Connect() && ftp.ChangeDir(QStringLiteral("03")) &&
                   ftp.Put(fetched, QStringLiteral("floor2.wen"));
        });
    }
    std::printf("roads %.2f s, floor %.2f s, ratio %.3f\n", roads, floor, roads / floor);
    return 0;
}
