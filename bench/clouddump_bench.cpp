// The cloud analysis dump of a dataset holding 1,000,000 journal rows, against the bare floor: the same
// rows fetched through the Firebird layer (every column read in its raw form) plus the same number of
// bytes written to a file.
//
//   clouddump_bench [journal rows]
// Each side runs three times, alternating; the ratio is given as the minimum and median over the rounds,
// with the peak resident memory of the dump's rounds.
#include "BenchMeasure.h"
#include "clouddump/z5WebSolvarnetDataDump.h"
#include "core/DataModule.h"
#include "core/uAccRecord.h"
#include "platform/firebird/FbQuery.h"
#include "platform/firebird/FbTransaction.h"
#include "support/DmFixture.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <cstdio>

namespace {

void fillJournal(const testenv::Dataset& ds, int count) {
    auto db = ds.connect();
    fb::Transaction t(*db);
    fb::Query q(
        t, QStringLiteral(
               "INSERT INTO SIWAKE (REC, SWKREC, SWKNO, TAISHAKU, HIZUKE, MNUM, SCODE, KCODE, HCODE, BCODE,"
               " KNAME, R_KCODE, R_KNAME, NUK, ZEI, KINGAKU, TEKTEXT, CTIME, RTIME, OPCODE)"
               " VALUES (:REC, :SWK, :SWK, :TAI, :HIZUKE, :MNUM, ' ', :KCODE, ' ', ' ', :KNAME, :RKCODE,"
               " :RKNAME, :NUK, :ZEI, :KIN, :TEK, :CTIME, :CTIME, 100000010)"));
    t.start();
    for (int i = 1; i <= count; ++i) {
        const int swk = (i + 1) / 2;
        const TDateTime day = TDateTime::fromDate(QDate(2024, 4, 1).addDays(swk % 365));
        q.setInt("REC", i);
        q.setInt("SWK", swk);
        q.setInt("TAI", 2 - i % 2);
        q.setDayCount("HIZUKE", day.value());
        q.setInt("MNUM", 1 + swk % 12);
        q.setString("KCODE", QString::number(100 + i % 50));
        q.setString("KNAME", QStringLiteral("現金預金"));
        q.setString("RKCODE", QString::number(500 + i % 30));
        q.setString("RKNAME", QStringLiteral("売上高"));
        q.setScaled("NUK", qint64(1000 + i % 99999) * 10000, 4);
        q.setScaled("ZEI", qint64(100 + i % 9999) * 10000, 4);
        q.setScaled("KIN", qint64(1100 + i % 99999) * 10000, 4);
        q.setString("TEK", QStringLiteral("%1月分 取引先'%2'\\備考").arg(1 + swk % 12).arg(i % 1000));
        q.setDayCount("CTIME", day.value() + 0.375);
        q.execute();
        if (i % 100000 == 0) {
            t.commitRetaining();
            std::printf("  %d\n", i);
            std::fflush(stdout);
        }
    }
    t.commit();
}

double floorOnce(fb::Database& db, const QString& out, qint64 bytes, double* fetchMs) {
    QElapsedTimer timer;
    timer.start();
    fb::Transaction t(db);
    t.start();
    TWebDbSqlDump reference;
    fb::Query q(t, reference.selectOf(TWebDbSqlDump::BlockOf("SIWAKE")));
    q.open();
    const auto& columns = TWebDbSqlDump::BlockOf("SIWAKE").columns;
    qint64 sink = 0;
    while (!q.eof()) {
        for (int i = 0; i < int(columns.size()); ++i) {
            const fb::Field f = q.field(i);
            if (f.isNull())
                continue;
            switch (columns[i].kind) {
            case 'S':
                sink += f.asBytes().size();
                break;
            case 'T':
                sink += qint64(f.asDayCount());
                break;
            case 'Q':
                sink += columns[i].name[0] == 'H' ? qint64(f.asDayCount()) : f.asBytes().size();
                break;
            default:
                sink += f.asScaled(4);
            }
        }
        q.next();
    }
    t.commit();
    *fetchMs = timer.nsecsElapsed() / 1e6;
    QFile f(out);
    if (!f.open(QIODevice::WriteOnly))
        std::exit(2);
    const QByteArray chunk(1 << 20, 'x');
    for (qint64 left = bytes; left > 0; left -= chunk.size())
        f.write(chunk.constData(), qMin<qint64>(left, chunk.size()));
    f.close();
    if (sink == 42)
        std::printf(" ");
    return timer.nsecsElapsed() / 1e6;
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int count = argc > 1 ? std::atoi(argv[1]) : 1000000;
    testenv::DmEnvironment dm;
    testenv::CompanySpec company;
    const testenv::Dataset ds = dm.root->addDataset(company);
    std::printf("filling %d journal rows...\n", count);
    std::fflush(stdout);
    fillJournal(ds, count);
    SystemDef.BaseDir = testenv::buildDir();
    AccInf.MAJOR = 13;
    AccInf.DATATYPE = 1;
    if (!dm.dm->fnAccDatConnected(QString(), ds.folder, 0))
        return 2;
    auto db = ds.connect();
    const QString floorFile = dm.env.path() + QStringLiteral("/floor.bin");
    std::vector<double> dumps, floors, ratios;
    qint64 bytes = 0, peak = 0;
    for (int round = 0; round < 3; ++round) {
        TWebDbSqlDump dump;
        dump.DatabaseName = QStringLiteral("bench");
        bench::resetPeakResident();
        const qint64 before = bench::residentBytes("VmRSS");
        QElapsedTimer timer;
        timer.start();
        if (!dump.WriteDump()) {
            std::fprintf(stderr, "dump failed: %s\n", qPrintable(dump.LastError));
            return 2;
        }
        const double d = timer.nsecsElapsed() / 1e6;
        peak = qMax(peak, bench::residentBytes("VmHWM") - before);
        bytes = QFileInfo(dump.DumpPath).size();
        double fetch = 0;
        const double f = floorOnce(*db, floorFile, bytes, &fetch);
        std::printf("run %d: dump %.0f ms, floor %.0f ms (fetch %.0f ms, write %.0f ms)\n", round + 1, d, f,
                    fetch, f - fetch);
        dumps.push_back(d);
        floors.push_back(f);
        ratios.push_back(d / f);
    }
    dm.dm->fnAccDatDisConnected(ds.folder, 0, 0);
    std::printf("journal rows %d, file %lld bytes\n", count, bytes);
    const bench::Stats dumpMs = bench::stats(dumps), floorMs = bench::stats(floors),
                       ratio = bench::stats(ratios);
    std::printf("dump %.0f ms (median %.0f), floor %.0f ms (median %.0f)\n", dumpMs.min, dumpMs.median,
                floorMs.min, floorMs.median);
    std::printf("ratio min %.2f, median %.2f; dump peak memory above its start %.1f MB\n", ratio.min,
                ratio.median, peak / 1e6);
    return 0;
}
