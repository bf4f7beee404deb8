// The cash journal merge of the cash-book import at growing sizes against its floor: N received cash
// entries, each a newer correction of one of N linked local entries, merged in one run; the floor writes
// the same number of entries (two rows each, the received values) into a copy of the open dataset
// through the data layer, in one transaction with one prepared statement. Each size runs three rounds
// on fresh datasets; min and median of both sides are printed with their ratio, and the merge time per
// 1,000 entries, which should stay about flat.
//
//   CashBookMergeBench [N ...]   (default 5000 10000 20000)
#include "core/DataModule.h"
#include "core/FbValues.h"
#include "core/uAccRecord.h"
#include "platform/firebird/FbQuery.h"
#include "platform/firebird/FbTransaction.h"
#include "support/DmFixture.h"
#include "tusin/z5CashBookLoader.h"

#include <QApplication>
#include <QElapsedTimer>
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
// With an offset the entries take the numbers after that many entries (the floor's new rows).
void addEntries(const testenv::Dataset& ds, int count, bool received, int offset = 0) {
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
            const int rec = 2 * (w + offset) - 2 + side;
            q.setInt("REC", rec);
            q.setInt("SWKREC", w + offset);
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
    fb::Query g(t, QStringLiteral("SET GENERATOR SIWAKE_REC_GEN TO ") + QString::number(count + offset));
    g.setParamCheck(false);
    g.execute();
    t.commit();
}

struct Times {
    std::vector<double> ms;
    double min() const { return *std::min_element(ms.begin(), ms.end()); }
    double median() const {
        std::vector<double> s = ms;
        std::sort(s.begin(), s.end());
        return s[s.size() / 2];
    }
};

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

    QElapsedTimer timer;
    timer.start();
    addEntries(copy, count, true, count);
    const double floorMs = timer.nsecsElapsed() / 1e6;

    SystemDef.DataDir = open.folder;
    if (!e.dm->fnAccDatConnected(QString(), open.folder, 0) || !e.dm->fnGetAccInfo()) {
        std::fprintf(stderr, "cannot open the dataset\n");
        std::exit(2);
    }
    TCashBookLoaderBox box;
    box.Origin = 1;
    box.SetReceivedDatabase(received.database);
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
        Times merge, floor;
        for (int round = 0; round < 3; ++round) {
            const auto [m, f] = run(n);
            merge.ms.push_back(m);
            floor.ms.push_back(f);
        }
        std::printf("%8d %10.0f / %9.0f %10.0f / %9.0f %7.2f / %6.2f %14.1f\n", n, merge.min(),
                    merge.median(), floor.min(), floor.median(), merge.min() / floor.min(),
                    merge.median() / floor.median(), merge.min() * 1000.0 / n);
        std::fflush(stdout);
    }
    return 0;
}
