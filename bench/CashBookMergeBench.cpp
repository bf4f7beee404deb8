// The cash journal merge of the cash-book import at growing sizes against its floor: N received cash
// entries, each a newer correction of one of N linked local entries, merged in one run. The floor does
// the writes such a merge cannot do without, the plainest way, in a copy of the open dataset through the
// data layer, in one transaction with prepared statements: it reads the received entries, marks the two
// rows of each linked local entry corrected (found by its link key, as the merge finds it) and writes
// the entry's new pair with the received values and the link columns filled. Each size runs three rounds
// on fresh datasets; min and median of both sides are printed with their ratio, and the merge time per
// 1,000 entries, which should stay about flat.
//
//   CashBookMergeBench [N ...]   (default 5000 10000 20000)
#include "BenchMeasure.h"
#include "core/DataModule.h"
#include "core/FbValues.h"
#include "core/uAccRecord.h"
#include "platform/firebird/FbQuery.h"
#include "platform/firebird/FbTransaction.h"
#include "support/DmFixture.h"
#include "tusin/z5CashBookLoader.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QStringList>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

void addChart(const testenv::Dataset& ds) {
    ds.addSystemAccount(QStringLiteral("現金"),
                        {QStringLiteral("1110"), QStringLiteral("111"), QStringLiteral("現金")});
    ds.addAccount({QStringLiteral("4110"), QStringLiteral("411"), QStringLiteral("売上高"), 4110});
    ds.execute(QStringLiteral("UPDATE KAMOKUMST SET DAC=1 WHERE KCODE='1110'"));
    for (const char* kcode : {"'1110'", "'4110'"})
        ds.execute(QStringLiteral("INSERT INTO KAMOKU_SZ (SCODE, KCODE, HCODE, BCODE) VALUES (' ',") +
                   QString::fromLatin1(kcode) + QStringLiteral(",' ',' ')"));
}

// count entries as the journal procedures store them (debit row 2W - 1, credit row 2W); local ones
// linked to themselves, received ones pointing at the local entry of the same number with a change.
void addEntries(const testenv::Dataset& ds, int count, bool received) {
    auto db = ds.connect();
    fb::Transaction t(*db);
    t.start();
    fb::Query q(
        t,
        QStringLiteral(
            "INSERT INTO SIWAKE (REC, SWKREC, SWKNO, SITREC, DELFLG, TAISHAKU, HIZUKE, MNUM, SDAYNUM, SCODE,"
            " KCODE, R_KCODE, KNAME, R_KNAME, TAXCODE, R_TAXCODE, TAXCALCU, NUK, R_NUK, KINGAKU, TEKTEXT,"
            " LINKKEY, LINKKUB, RESERVE1, RESERVE2, LINKREC) VALUES (:REC, :SWKREC, :SWKREC, :SWKREC, 0,"
            " :TAISHAKU, :HIZUKE, :MNUM, 1, ' ', :KCODE, :R_KCODE, :KNAME, :R_KNAME, 910, 910, 2, :KINGAKU,"
            " :KINGAKU, :KINGAKU, :TEKTEXT, :LINKKEY, :LINKKUB, :RESERVE1, 0, :LINKREC)"));
    for (int w = 1; w <= count; ++w) {
        const QDate date = QDate(2024, 4, 1).addDays(w % 365);
        const int mnum = (date.month() + 8) % 12 + 1;
        const int slot = mnum + (mnum - 1) / 3; // periods 1-3, 5-7, 9-11, 13-15
        for (int side = 1; side <= 2; ++side) {
            q.setInt("REC", 2 * w - 2 + side);
            q.setInt("SWKREC", w);
            q.setInt("TAISHAKU", side);
            fb::setDateTime(q, "HIZUKE", TDateTime::fromDate(date));
            q.setInt("MNUM", slot);
            q.setString("KCODE", side == 1 ? QStringLiteral("1110") : QStringLiteral("4110"));
            q.setString("R_KCODE", side == 1 ? QStringLiteral("4110") : QStringLiteral("1110"));
            q.setString("KNAME", side == 1 ? QStringLiteral("現金") : QStringLiteral("売上高"));
            q.setString("R_KNAME", side == 1 ? QStringLiteral("売上高") : QStringLiteral("現金"));
            fb::setMoney(q, "KINGAKU", Money(1000 + w));
            q.setString("TEKTEXT",
                        received ? QStringLiteral("訂正 %1").arg(w) : QStringLiteral("売上 %1").arg(w));
            const int local = 2 * w - 1;
            q.setString("LINKKEY", received ? QString() : QString::number(local));
            q.setInt("LINKKUB", received ? 0 : 10);
            q.setInt("RESERVE1", local);
            q.setInt("LINKREC", received ? 1 : 0);
            q.execute();
        }
    }
    fb::Query g(t, QStringLiteral("SET GENERATOR SIWAKE_REC_GEN TO ") + QString::number(count));
    g.setParamCheck(false);
    g.execute();
    t.commit();
}

// The floor: every received live entry linked to a local one replaces it. The local entry's rows are
// marked corrected through the link index, and the new pair (numbers after the local entries, the
// local entry's facility row and journal number) carries every received value and the link columns.
double writeFloor(const testenv::Dataset& received, const testenv::Dataset& copy, int count) {
    static const char* const common[] = {"MNUM",      "KESSAN",   "SDAYNUM",  "MDAYNUM", "DNUM",    "SNUM",
                                         "ZEIRITUNO", "AUTCALCU", "TAXCALCU", "OLDRATE", "TEKCODE", "TORCODE",
                                         "FUSEN1",    "FUSEN2",   "FUSEN3",   "FUSEN4",  "FUSEN5"};
    static const char* const texts[] = {"SCODE", "TEKTEXT", "TORTEXT", "COMMENT", "AO_COMMENT"};
    static const char* const sideTexts[] = {"KGROUP", "KCODE", "HCODE", "BCODE", "KNAME", "HNAME", "BNAME"};
    static const char* const sideInts[] = {"TAXCODE", "TAXUH", "TAXDC", "SIKIN"};
    static const char* const sideMoney[] = {"NUK", "ZEI", "RIT"};
    QStringList columns{QStringLiteral("REC"),      QStringLiteral("SITREC"),   QStringLiteral("SWKREC"),
                        QStringLiteral("SWKNO"),    QStringLiteral("DELFLG"),   QStringLiteral("TAISHAKU"),
                        QStringLiteral("HIZUKE"),   QStringLiteral("KINGAKU"),  QStringLiteral("ZEIGAKU"),
                        QStringLiteral("CTIME"),    QStringLiteral("LINKKEY"),  QStringLiteral("LINKKUB"),
                        QStringLiteral("LINKREC"),  QStringLiteral("LOCALFLG"), QStringLiteral("RESERVE1"),
                        QStringLiteral("RESERVE2"), QStringLiteral("OPCODE")};
    // parameter and received column of each copied value, per side (the credit row exchanges them)
    struct Copies {
        std::vector<std::pair<QString, QString>> ints, texts, money;
    } copies[2];
    for (int side = 0; side < 2; ++side) {
        Copies& c = copies[side];
        const QString own = side == 0 ? QString() : QStringLiteral("R_");
        const QString other = side == 0 ? QStringLiteral("R_") : QString();
        for (const char* name : common)
            c.ints.emplace_back(QString::fromLatin1(name), QString::fromLatin1(name));
        for (const char* name : texts)
            c.texts.emplace_back(QString::fromLatin1(name), QString::fromLatin1(name));
        const auto addSide = [&](auto& list, const auto& names) {
            for (const char* name : names) {
                list.emplace_back(QString::fromLatin1(name), own + QString::fromLatin1(name));
                list.emplace_back(QStringLiteral("R_") + QString::fromLatin1(name),
                                  other + QString::fromLatin1(name));
            }
        };
        addSide(c.texts, sideTexts);
        addSide(c.ints, sideInts);
        addSide(c.money, sideMoney);
    }
    for (const auto* list : {&copies[0].ints, &copies[0].texts, &copies[0].money})
        for (const auto& copied : *list)
            columns << copied.first;
    const QString insert = QStringLiteral("INSERT INTO SIWAKE (") + columns.join(u',') +
                           QStringLiteral(",RTIME) VALUES (:") + columns.join(QStringLiteral(",:")) +
                           QStringLiteral(",CURRENT_TIMESTAMP)");

    QElapsedTimer timer;
    timer.start();
    auto from = received.connect();
    fb::Transaction rt(*from);
    rt.start();
    fb::Query r(rt, QStringLiteral("SELECT * FROM SIWAKE WHERE (DELFLG IN (0,1)) AND (TAISHAKU=1)"
                                   " ORDER BY HIZUKE,KESSAN,SWKNO"));
    auto db = copy.connect();
    fb::Transaction t(*db);
    t.start();
    fb::Query mark(t, QStringLiteral("UPDATE SIWAKE SET DELFLG=2,LINKKEY=NULL,LINKKUB=0,LINKREC=0"
                                     " WHERE (LINKKEY=:LINKKEY AND LINKKUB=10)"));
    fb::Query q(t, insert);
    int w = count;
    for (r.open(); !r.eof(); r.next()) {
        const int local = r.field("RESERVE1").asInt();
        mark.setString("LINKKEY", QString::number(local));
        mark.execute();
        ++w;
        for (int side = 1; side <= 2; ++side) {
            q.setInt("REC", 2 * w - 2 + side);
            q.setInt("SITREC", (local + 1) / 2);
            q.setInt("SWKREC", w);
            q.setInt("SWKNO", (local + 1) / 2);
            q.setInt("DELFLG", 0);
            q.setInt("TAISHAKU", side);
            fb::setDateTime(q, "HIZUKE", fb::asDateTime(r.field("HIZUKE")));
            fb::setMoney(q, "KINGAKU", fb::asMoney(r.field("KINGAKU")));
            fb::setMoney(q, "ZEIGAKU", fb::asMoney(r.field("ZEIGAKU")));
            q.setNull("CTIME");
            q.setNull("LINKKEY");
            q.setInt("LINKKUB", 0);
            q.setInt("LINKREC", local);
            q.setInt("LOCALFLG", 10);
            q.setInt("RESERVE1", local);
            q.setInt("RESERVE2", r.field("LINKREC").asInt());
            q.setInt("OPCODE", SystemDef.OPCODE);
            const Copies& c = copies[side - 1];
            for (const auto& [param, field] : c.ints)
                q.setInt(param, r.field(field).asInt());
            for (const auto& [param, field] : c.texts)
                q.setString(param, r.field(field).asString());
            for (const auto& [param, field] : c.money)
                fb::setMoney(q, param, fb::asMoney(r.field(field)));
            q.execute();
        }
    }
    r.close();
    fb::Query g(t, QStringLiteral("SET GENERATOR SIWAKE_REC_GEN TO ") + QString::number(w));
    g.setParamCheck(false);
    g.execute();
    t.commit();
    rt.commit();
    return timer.nsecsElapsed() / 1e6;
}

// One round: the merge's time and the floor's, each on fresh datasets.
std::pair<double, double> run(int count) {
    testenv::DmEnvironment e;
    e.connectSystem();
    SystemDef.GROUPID = 1;
    SystemDef.OPCODE = 10001;
    SystemDef.JOBLEVEL = 1;
    const testenv::Dataset open = e.root->addDataset({});
    const testenv::Dataset received = e.root->addDataset({});
    const testenv::Dataset copy = e.root->addDataset({});
    for (const testenv::Dataset* ds : {&open, &received, &copy})
        addChart(*ds);
    addEntries(open, count, false);
    addEntries(received, count, true);
    addEntries(copy, count, false);

    const double floorMs = writeFloor(received, copy, count);

    SystemDef.DataDir = open.folder;
    if (!e.dm->fnAccDatConnected(QString(), open.folder, 0) || !e.dm->fnGetAccInfo()) {
        std::fprintf(stderr, "cannot open the dataset\n");
        std::exit(2);
    }
    TCashBookLoaderBox box;
    box.Origin = 1;
    box.SetReceivedDatabase(received.database);
    QElapsedTimer timer;
    timer.start();
    box.AutoRun();
    const double ms = timer.nsecsElapsed() / 1e6;
    if (box.GetResult() != 1) {
        for (const TTesuvioSyoriInfo& entry : box.ProcessLog)
            std::fprintf(stderr, "%d %s\n", entry.Code, entry.Message.toUtf8().constData());
        std::exit(2);
    }
    return {ms, floorMs};
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    std::vector<int> sizes;
    for (int i = 1; i < argc; ++i)
        sizes.push_back(std::atoi(argv[i]));
    if (sizes.empty())
        sizes = {5000, 10000, 20000};
    std::printf("%8s %22s %22s %16s %14s\n", "entries", "merge ms min/median", "floor ms min/median",
                "ratio min/median", "ms per 1,000");
    for (const int n : sizes) {
        std::vector<double> mergeMs, floorMs;
        for (int round = 0; round < 3; ++round) {
            const auto [m, f] = run(n);
            mergeMs.push_back(m);
            floorMs.push_back(f);
        }
        const bench::Stats merge = bench::stats(mergeMs), floor = bench::stats(floorMs);
        std::printf("%8d %10.0f / %9.0f %10.0f / %9.0f %7.2f / %6.2f %14.1f\n", n, merge.min,
                    merge.median, floor.min, floor.median, merge.min / floor.min,
                    merge.median / floor.median, merge.min * 1000.0 / n);
        std::fflush(stdout);
    }
    return 0;
}
