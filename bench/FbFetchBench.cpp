// Fetches 200,000 rows of KS_SISAN through the Firebird layer (columns by name, as the exporter reads
// them) and through a bare loop over the Firebird API (columns by precomputed offsets), in the same
// run on the same embedded database, and prints both times and their ratio.
//
//   build/bench/FbFetchBench [rows] [rounds]
#include "support/DataRootFixture.h"
#include "support/TestEnv.h"

#include "core/FbValues.h"
#include "platform/Cp932.h"
#include "platform/firebird/FbQuery.h"
#include "platform/firebird/FbTransaction.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <cstdio>
#include <cstring>
#include <firebird/Interface.h>
#include <vector>

namespace {

const char* const kSql = "SELECT * FROM KS_SISAN";

// The columns the depreciation data maker reads of every asset.
const char* const kTextColumns[] = {"KANRI", "KCODE", "MEISYOU"};
const char* const kIntColumns[] = {"REC",          "GSHOUHOU",     "TAIYOUYY",
                                   "SYOUKIKANSTR", "SYOUKIKANEND", "ISINPKAITEISYUTOKUKAGAKU",
                                   "TEIRITU250",   "TEIRITU200"};
const char* const kMoneyColumns[] = {"SYUTOKIN",
                                     "KISOKIN",
                                     "SYOURITU",
                                     "FUTUSYOUKIN",
                                     "WARISYOUKIN",
                                     "SYOUKINKEI",
                                     "MATUMISYOUKIN",
                                     "KAITEISYUTOKUKAGAKU",
                                     "KAITEISYUTOKUKAGAKU_INPUT",
                                     "ZANKAHOSYOUGAKU",
                                     "SYUTOKUKAGAKUCHOSEI"};
const char* const kDateColumns[] = {"SYUTODATE"};

struct Sink {
    qint64 sum = 0;
    qsizetype chars = 0;
};

void fill(const testenv::Dataset& ds, int rows) {
    ds.addAccount({"1401", "140", QStringLiteral("建物")});
    auto db = ds.connect();
    fb::Transaction t(*db);
    fb::Query q(t);
    q.setParamCheck(false); // PSQL variables, not parameters
    q.setSql(
        QStringLiteral(
            "EXECUTE BLOCK AS DECLARE I INTEGER = 0; BEGIN"
            " WHILE (I < %1) DO BEGIN"
            "  INSERT INTO KS_SISAN (REC, SCODE, KANRI, KCODE, HCODE, MEISYOU, GSHOUHOU, SYUTODATE, TAIYOUYY,"
            "   SYUTOKIN, KISOKIN, SYOURITU, SYOUKIKANSTR, SYOUKIKANEND, FUTUSYOUKIN, WARISYOUKIN, "
            "SYOUKINKEI,"
            "   MATUMISYOUKIN, SIHAKCODE, SIHAHCODE, SYUNYUKCODE, SYUNYUHCODE)"
            "  VALUES (:I + 1, ' ', LPAD(:I, 8, '0'), '1401', ' ', '事務所建物' || MOD(:I, 1000), MOD(:I, 6) "
            "+ 1,"
            "   DATEADD(MOD(:I, 3650) DAY TO DATE '2010-01-01'), 22, 12345678.9 + :I, 12345678.9 + :I, 0.046,"
            "   1, 12, 567890.1234, 0, 567890.1234, 11777788.7766, NULL, NULL, NULL, NULL);"
            "  I = I + 1;"
            " END END")
            .arg(rows));
    q.execute();
    t.commit();
}

// The layer: one query, columns by name as application code reads them.
Sink viaLayer(const QString& path) {
    Sink sink;
    fb::Database db(path, testenv::databaseUser());
    db.attach();
    fb::Transaction t(db);
    fb::Query q(t, QString::fromLatin1(kSql));
    for (q.open(); !q.eof(); q.next()) {
        for (const char* c : kTextColumns)
            sink.chars += q.field(c).asString().size();
        for (const char* c : kIntColumns)
            sink.sum += q.field(c).asInt();
        for (const char* c : kMoneyColumns)
            sink.sum += fb::asMoney(q.field(c)).raw();
        for (const char* c : kDateColumns)
            sink.sum += fb::asDateTime(q.field(c)).dayNumber();
    }
    t.commit();
    return sink;
}

// The bare Firebird API: the same statement, the same conversions (text to QString through CP932,
// scaled integers, day counts), offsets looked up once before the loop.
Sink viaBareApi(const QString& path) {
    using namespace Firebird;
    Sink sink;
    IMaster* master = fb_get_master_interface();
    IUtil* util = master->getUtilInterface();
    IProvider* prov = master->getDispatcher();
    ThrowStatusWrapper st(master->getStatus());
    IXpbBuilder* dpb = util->getXpbBuilder(&st, IXpbBuilder::DPB, nullptr, 0);
    dpb->insertString(&st, isc_dpb_user_name, "PELLAN");
    dpb->insertString(&st, isc_dpb_password, "vintor");
    dpb->insertString(&st, isc_dpb_lc_ctype, "SJIS_0208");
    dpb->insertString(&st, isc_dpb_config, "Providers=Engine12");
    const QByteArray name = path.toUtf8();
    IAttachment* att =
        prov->attachDatabase(&st, name.constData(), dpb->getBufferLength(&st), dpb->getBuffer(&st));
    dpb->dispose();
    const unsigned char tpb[] = {isc_tpb_version3, isc_tpb_read_committed, isc_tpb_rec_version,
                                 isc_tpb_nowait};
    ITransaction* tra = att->startTransaction(&st, sizeof tpb, tpb);
    IStatement* stmt = att->prepare(&st, tra, 0, kSql, 3, IStatement::PREPARE_PREFETCH_METADATA);
    IMessageMetadata* meta = stmt->getOutputMetadata(&st);
    struct Col {
        unsigned offset, nullOffset, type;
        int scale;
    };
    auto column = [&](const char* wanted) {
        for (unsigned i = 0; i < meta->getCount(&st); ++i)
            if (std::strcmp(meta->getAlias(&st, i), wanted) == 0)
                return Col{meta->getOffset(&st, i), meta->getNullOffset(&st, i), meta->getType(&st, i) & ~1u,
                           meta->getScale(&st, i)};
        std::fprintf(stderr, "no column %s\n", wanted);
        std::exit(1);
    };
    std::vector<Col> texts, ints, money, dates;
    for (const char* c : kTextColumns)
        texts.push_back(column(c));
    for (const char* c : kIntColumns)
        ints.push_back(column(c));
    for (const char* c : kMoneyColumns)
        money.push_back(column(c));
    for (const char* c : kDateColumns)
        dates.push_back(column(c));
    std::vector<unsigned char> buffer(meta->getMessageLength(&st));
    IResultSet* rs = stmt->openCursor(&st, tra, nullptr, nullptr, meta, 0);
    auto isNull = [&](const Col& c) { return *reinterpret_cast<const short*>(&buffer[c.nullOffset]) != 0; };
    while (rs->fetchNext(&st, buffer.data()) == IStatus::RESULT_OK) {
        for (const Col& c : texts) {
            if (isNull(c))
                continue;
            quint16 len;
            std::memcpy(&len, &buffer[c.offset], 2);
            const char* s = reinterpret_cast<const char*>(&buffer[c.offset + 2]);
            bool ascii = true;
            for (quint16 i = 0; i < len && ascii; ++i)
                ascii = static_cast<unsigned char>(s[i]) < 0x80;
            sink.chars += (ascii ? QString::fromLatin1(s, len) : cp932::decode(s, len)).size();
        }
        for (const Col& c : ints) {
            if (isNull(c))
                continue;
            qint32 v;
            std::memcpy(&v, &buffer[c.offset], 4);
            sink.sum += v;
        }
        for (const Col& c : money) {
            if (isNull(c))
                continue;
            qint64 v;
            std::memcpy(&v, &buffer[c.offset], 8);
            for (int s = c.scale; s < -4; ++s) // columns of this table have at most four decimals
                v /= 10;
            sink.sum += v;
        }
        for (const Col& c : dates) {
            if (isNull(c))
                continue;
            ISC_DATE d;
            std::memcpy(&d, &buffer[c.offset], 4);
            sink.sum += qint64(d) - 15018;
        }
    }
    rs->close(&st);
    stmt->free(&st);
    meta->release();
    tra->commit(&st);
    att->detach(&st);
    st.dispose();
    return sink;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int rows = argc > 1 ? std::atoi(argv[1]) : 200000;
    const int rounds = argc > 2 ? std::atoi(argv[2]) : 3;
    try {
        testenv::TempEnvironment env;
        testenv::DataRoot root;
        const testenv::Dataset ds = root.addDataset(testenv::CompanySpec());
        fill(ds, rows);

        qint64 bestLayer = -1, bestBare = -1;
        Sink a, b;
        viaBareApi(ds.database); // warm the page cache of the file
        for (int r = 0; r < rounds; ++r) {
            QElapsedTimer timer;
            timer.start();
            b = viaBareApi(ds.database);
            const qint64 bare = timer.nsecsElapsed();
            timer.restart();
            a = viaLayer(ds.database);
            const qint64 layer = timer.nsecsElapsed();
            bestBare = bestBare < 0 ? bare : std::min(bestBare, bare);
            bestLayer = bestLayer < 0 ? layer : std::min(bestLayer, layer);
        }
        if (a.sum != b.sum || a.chars != b.chars) {
            std::fprintf(stderr, "the two loops read different values (%lld/%lld, %lld/%lld)\n",
                         (long long)a.sum, (long long)b.sum, (long long)a.chars, (long long)b.chars);
            return 1;
        }
        std::printf("rows:        %d (best of %d rounds)\n", rows, rounds);
        std::printf("bare API:    %.1f ms\n", bestBare / 1e6);
        std::printf("layer:       %.1f ms\n", bestLayer / 1e6);
        std::printf("layer/bare:  %.2f\n", double(bestLayer) / double(bestBare));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
