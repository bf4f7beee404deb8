// Export of 100,000 depreciable assets spread over the six methods, run as the export driver runs it
// (start-up environment, database module, company information, exporter, data maker, Finish), against the
// bare floor: the same rows fetched through the Firebird layer plus the same number of bytes written to a
// file with the same durability (the export's save syncs the file before it renames it into place).
//
//   export_bench [asset count (default 100000)] [rounds (default 3)] [copy of the exported file]
// The two sides run in turns; the minimum and the median of each are compared. The peak resident memory
// of the process during each export and its resident memory before it are printed beside the times.
#include "BenchMeasure.h"
#include "app/hj19.h"
#include "core/FbValues.h"
#include "platform/UserInteraction.h"
#include "platform/firebird/FbDatabase.h"
#include "platform/firebird/FbQuery.h"
#include "platform/firebird/FbTransaction.h"
#include "support/DataRootFixture.h"
#include "support/HeadlessExport.h"
#include "support/TestEnv.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <cstdio>
#include <unistd.h>

namespace {

void fillDataset(const testenv::Dataset& ds, int count) {
    const QString accounts[] = {"1401", "1404", "1405", "1410", "1701"};
    const QString names[] = {QStringLiteral("建物"), QStringLiteral("車両運搬具"),
                             QStringLiteral("工具器具備品"), QStringLiteral("リース資産"),
                             QStringLiteral("創立費")};
    for (int i = 0; i < 5; ++i)
        ds.addAccount({accounts[i], accounts[i].left(3), names[i]});

    auto db = ds.connect();
    fb::Transaction t(*db);
    fb::Query q(t, QStringLiteral(
                       "INSERT INTO KS_SISAN (REC, SCODE, KANRI, KCODE, HCODE, MEISYOU, GSHOUHOU,"
                       " SYUTODATE, TAIYOUYY, SYUTOKIN, KISOKIN, SYOURITU, SYOUKIKANSTR, SYOUKIKANEND,"
                       " FUTUSYOUKIN, WARISYOUKIN, SYOUKINKEI, MATUMISYOUKIN, KAITEISYUTOKUKAGAKU,"
                       " ZANKAHOSYOUGAKU, TEIRITU250, TEIRITU200, SYUTOKUKAGAKUCHOSEI, SIHAKCODE, SIHAHCODE,"
                       " SYUNYUKCODE, SYUNYUHCODE)"
                       " VALUES (:REC, ' ', :KANRI, :KCODE, ' ', :MEISYOU, :GSHOUHOU, :SYUTODATE,"
                       " :TAIYOUYY, :SYUTOKIN, :KISOKIN, :SYOURITU, 1, 12, :FUTU, 0, :FUTU, :MATUMI,"
                       " :KAITEI, :ZANKA, :T250, :T200, :CHOSEI, NULL, NULL, NULL, NULL)"));
    t.start();
    for (int i = 1; i <= count; ++i) {
        const int method = 1 + i % 6;
        // Small-amount assets lie within the fiscal year; the others spread over three decades.
        const QDate acquired =
            method == 5 ? QDate(2024, 4, 1).addDays(i % 365) : QDate(1995 + i % 30, 1 + i % 12, 1 + i % 28);
        const Money cost = Money(qint64(100000 + (i % 1000) * 1000));
        q.setInt("REC", i);
        q.setString("KANRI", QStringLiteral("K%1").arg(i, 7, 10, QLatin1Char('0')));
        q.setString("KCODE", accounts[i % 5]);
        q.setString("MEISYOU", QStringLiteral("資産番号%1の備品").arg(i));
        q.setInt("GSHOUHOU", method);
        fb::setDateTime(q, "SYUTODATE", TDateTime::fromDate(acquired));
        q.setInt("TAIYOUYY", 2 + i % 49);
        fb::setMoney(q, "SYUTOKIN", cost);
        fb::setMoney(q, "KISOKIN", cost.mulRate(0.6));
        fb::setMoney(q, "SYOURITU", Money::fromString(QStringLiteral("0.167")));
        fb::setMoney(q, "FUTU", cost.mulRate(0.1));
        fb::setMoney(q, "MATUMI", cost.mulRate(0.5));
        fb::setMoney(q, "KAITEI", cost.mulRate(0.4));
        fb::setMoney(q, "ZANKA", method == 6 ? cost.mulRate(0.1) : Money());
        q.setInt("T250", i % 7 == 0 ? 1 : 0);
        q.setInt("T200", i % 11 == 0 ? 1 : 0);
        fb::setMoney(q, "CHOSEI", cost.mulRate(0.9));
        q.execute();
    }
    t.commit();
}

// The wizard's Finish: the dataset is connected and the exporter holds its values already.
double exportOnce(testenv::HeadlessExport& run, qint64* bytes, qint64* before, qint64* peak) {
    *before = bench::residentBytes("VmRSS");
    bench::resetPeakResident();
    QElapsedTimer timer;
    timer.start();
    if (run.Finish() != 0) {
        std::fprintf(stderr, "export failed\n");
        std::exit(2);
    }
    const double ms = timer.nsecsElapsed() / 1e6;
    *peak = bench::residentBytes("VmHWM");
    *bytes = QFileInfo(run.exporter().OutputFile).size();
    return ms;
}

// The same six selects as the maker, every row fetched and the columns the export reads taken in their raw
// form, then the same number of bytes written to a file and synced.
double floorOnce(fb::Database& db, const QString& out, qint64 bytes, qint64* rows, double* fetchMs) {
    QElapsedTimer timer;
    timer.start();
    fb::Transaction t(db);
    t.start();
    *rows = 0;
    qint64 sink = 0;
    const THj19Dataset dataset = THj19Dataset::FromAccInf();
    const QStringList columns = hj19::AssetColumns(t);
    for (int group :
         {hj19::Teigaku, hj19::Teiritu, hj19::Kintou, hj19::Shougaku, hj19::Ikkatu, hj19::Lease}) {
        fb::Query q(t);
        hj19::PrepareAssetQuery(q, group, dataset, columns);
        q.open();
        const int texts[] = {q.fieldIndex("KNAME"), q.fieldIndex("MEISYOU")};
        const int ints[] = {q.fieldIndex("TAIYOUYY"),     q.fieldIndex("SYOUKIKANSTR"),
                            q.fieldIndex("SYOUKIKANEND"), q.fieldIndex("ISINPKAITEISYUTOKUKAGAKU"),
                            q.fieldIndex("TEIRITU250"),   q.fieldIndex("TEIRITU200")};
        const int money[] = {q.fieldIndex("SYUTOKIN"),
                             q.fieldIndex("KISOKIN"),
                             q.fieldIndex("SYOURITU"),
                             q.fieldIndex("FUTUSYOUKIN"),
                             q.fieldIndex("WARISYOUKIN"),
                             q.fieldIndex("SYOUKINKEI"),
                             q.fieldIndex("MATUMISYOUKIN"),
                             q.fieldIndex("KAITEISYUTOKUKAGAKU"),
                             q.fieldIndex("KAITEISYUTOKUKAGAKU_INPUT"),
                             q.fieldIndex("ZANKAHOSYOUGAKU"),
                             q.fieldIndex("SYUTOKUKAGAKUCHOSEI")};
        const int day = q.fieldIndex("SYUTODATE");
        while (!q.eof()) {
            for (int c : texts)
                sink += q.field(c).asBytes().size();
            for (int c : ints)
                sink += q.field(c).asInt();
            for (int c : money)
                sink += q.field(c).asScaled(4);
            sink += qint64(q.field(day).asDayCount());
            ++*rows;
            q.next();
        }
    }
    t.commit();
    *fetchMs = timer.nsecsElapsed() / 1e6;

    QFile f(out);
    if (!f.open(QIODevice::WriteOnly))
        std::exit(2);
    const QByteArray chunk(1 << 20, 'x');
    for (qint64 left = bytes; left > 0; left -= chunk.size())
        f.write(chunk.constData(), qMin<qint64>(left, chunk.size()));
    f.flush();
    ::fdatasync(f.handle());
    f.close();
    const double ms = timer.nsecsElapsed() / 1e6;
    if (sink == 42)
        std::printf(" ");
    return ms;
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int count = argc > 1 ? std::atoi(argv[1]) : 100000;
    const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 3;
    testenv::TempEnvironment env;
    // The program's AppInfo.ini lies in bin/ of the build.
    testenv::ScopedEnv programDir("QV_PROGRAM_DIR", testenv::buildDir() + QStringLiteral("/bin"));
    ui::ScopedScriptedUi ui;
    testenv::DataRoot root;
    testenv::CompanySpec company;
    company.kishu = QDate(2024, 4, 1);
    const testenv::Dataset ds = root.addDataset(company);
    std::printf("filling %d assets...\n", count);
    std::fflush(stdout);
    fillDataset(ds, count);

    const QString exportFile = env.path() + QStringLiteral("/export.xml");
    const QString floorFile = env.path() + QStringLiteral("/floor.bin");
    testenv::HeadlessExport run;
    if (!run.Prepare(root.root(), ds.folder, exportFile, 1)) {
        for (const QString& text : ui->messageTexts())
            std::fprintf(stderr, "%s\n", qPrintable(text));
        return 2;
    }
    std::vector<double> exports, floors;
    qint64 bytes = 0, rows = 0;
    auto db = ds.connect();
    qint64 worstPeak = 0, before = 0;
    constexpr double MB = 1024.0 * 1024.0;
    for (int round = 0; round < rounds; ++round) {
        qint64 peak = 0;
        const double e = exportOnce(run, &bytes, &before, &peak);
        double fetch = 0;
        // The floor's own peak shows what the database engine's page cache adds to any reader.
        const qint64 floorBefore = bench::residentBytes("VmRSS");
        bench::resetPeakResident();
        const double f = floorOnce(*db, floorFile, bytes, &rows, &fetch);
        const qint64 floorPeak = bench::residentBytes("VmHWM");
        std::printf(
            "run %d: export %.0f ms, floor %.0f ms (fetch %.0f ms, write %.0f ms), peak resident %.0f MB"
            " (%.0f MB before the export), floor's peak %.0f MB (%.0f MB before it)\n",
            round + 1, e, f, fetch, f - fetch, peak / MB, before / MB, floorPeak / MB, floorBefore / MB);
        std::fflush(stdout);
        exports.push_back(e);
        floors.push_back(f);
        worstPeak = qMax(worstPeak, peak);
    }
    // A copy of the file to compare the output of two builds with.
    if (argc > 3) {
        QFile::remove(QString::fromLocal8Bit(argv[3]));
        if (!QFile::copy(exportFile, QString::fromLocal8Bit(argv[3])))
            std::fprintf(stderr, "cannot copy the file to %s\n", argv[3]);
    }
    const bench::Stats e = bench::stats(exports), f = bench::stats(floors);
    std::printf("assets %d, rows fetched %lld, file %lld bytes (%.0f MB)\n", count, rows, bytes, bytes / MB);
    std::printf(
        "export min %.0f / median %.0f ms, floor min %.0f / median %.0f ms, ratio min %.2f / median %.2f\n",
        e.min, e.median, f.min, f.median, e.min / f.min, e.median / f.median);
    std::printf("peak resident memory during an export %.0f MB, %.2f x the file\n", worstPeak / MB,
                double(worstPeak) / double(bytes));
    return 0;
}
