// The cash journal merge of the cash-book import at growing sizes: N received cash entries, each a newer
// correction of one of N linked local entries, merged in one run. Prints the time per 1,000 entries
// for N = 5,000, 10,000 and 20,000 (or the sizes given); the per-1,000 time should stay about flat.
//
//   CashBookMergeBench [N ...]
#include "core/DataModule.h"
#include "core/FbValues.h"
#include "core/uAccRecord.h"
#include "platform/firebird/FbQuery.h"
#include "platform/firebird/FbTransaction.h"
#include "support/DmFixture.h"
#include "tusin/z5CashBookLoader.h"

#include <QApplication>
#include <QElapsedTimer>
#include <cstdio>

namespace {

void addChart(const testenv::Dataset& ds) {
    ds.addSystemAccount(QStringLiteral("現金"), {QStringLiteral("1110"), QStringLiteral("111"), QStringLiteral("現金")});
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
    fb::Query q(t, QStringLiteral(
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
            const int rec = 2 * w - 2 + side;
            q.setInt("REC", rec);
            q.setInt("SWKREC", w);
            q.setInt("TAISHAKU", side);
            fb::setDateTime(q, "HIZUKE", TDateTime::fromDate(date));
            q.setInt("MNUM", slot);
            q.setString("KCODE", side == 1 ? QStringLiteral("1110") : QStringLiteral("4110"));
            q.setString("R_KCODE", side == 1 ? QStringLiteral("4110") : QStringLiteral("1110"));
            q.setString("KNAME", side == 1 ? QStringLiteral("現金") : QStringLiteral("売上高"));
            q.setString("R_KNAME", side == 1 ? QStringLiteral("売上高") : QStringLiteral("現金"));
            fb::setMoney(q, "KINGAKU", Money(1000 + w));
            q.setString("TEKTEXT", received ? QStringLiteral("訂正 %1").arg(w) : QStringLiteral("売上 %1").arg(w));
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

double run(int count) {
    testenv::DmEnvironment e;
    e.connectSystem();
    SystemDef.GROUPID = 1;
    SystemDef.OPCODE = 10001;
    SystemDef.JOBLEVEL = 1;
    const testenv::Dataset open = e.root->addDataset({});
    const testenv::Dataset received = e.root->addDataset({});
    addChart(open);
    addChart(received);
    addEntries(open, count, false);
    addEntries(received, count, true);
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
    const double ms = double(timer.elapsed());
    if (box.GetResult() != 1) {
        for (const TTesuvioSyoriInfo& entry : box.ProcessLog)
            std::fprintf(stderr, "%d %s\n", entry.Code, entry.Message.toUtf8().constData());
        std::exit(2);
    }
    return ms;
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
    std::printf("%10s %12s %16s\n", "entries", "total ms", "ms per 1,000");
    for (const int n : sizes) {
        const double ms = run(n);
        std::printf("%10d %12.0f %16.1f\n", n, ms, ms * 1000.0 / n);
        std::fflush(stdout);
    }
    return 0;
}
