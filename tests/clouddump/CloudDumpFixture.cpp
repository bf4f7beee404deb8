#include "CloudDumpFixture.h"

#include "clouddump/z5WebSolvarnetDataDump.h"
#include "core/uAccRecord.h"
#include "platform/firebird/FbQuery.h"
#include "platform/firebird/FbTransaction.h"
#include "support/TestEnv.h"

#include <QDate>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <stdexcept>

namespace clouddumptest {

void CloudDumpTest::SetUp() {
    testenv::CompanySpec company;
    company.kishu = QDate(2015, 4, 1);
    ds = dm.root->addDataset(company);
    SystemDef.BaseDir = testenv::buildDir();
    SystemDef.AppName = QStringLiteral("Corvane連動コンポーネント");
    SystemDef.DataDir = ds.folder;
    setVersion(13, 0, 0);
    AccInf.DATATYPE = 1;
    ASSERT_TRUE(dm.dm->fnAccDatConnected(QString(), ds.folder, 0));
}

void CloudDumpTest::TearDown() {
    if (dm.dm->IBTransactionDAT.isActive())
        dm.dm->IBTransactionDAT.rollback();
    dm.dm->fnAccDatDisConnected(ds.folder, 0, 0);
}

void CloudDumpTest::setVersion(int major, int minor, int revision) {
    AccInf.MAJOR = major;
    AccInf.MINOR1 = minor;
    AccInf.MINOR2 = revision;
}

QString CloudDumpTest::dumpFolder() const {
    return dm.root->tempDir() + QStringLiteral("/PellanSolvarnet_Sql");
}

bool CloudDumpTest::writeDump(QString* text, const QString& database) {
    TWebDbSqlDump dump;
    dump.DatabaseName = database;
    const bool ok = dump.WriteDump();
    if (text) {
        QFile f(dump.DumpPath);
        *text = f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
    }
    return ok;
}

namespace {

struct FbColumn {
    QString name;
    int type = 0;    // RDB$FIELD_TYPE
    int length = 0;  // characters for text
    int charset = 0; // 2 ASCII
    int scale = 0;
    bool nullable = true;
    bool key = false;
};

QList<FbColumn> columnsOf(fb::Database& db, const QString& table) {
    fb::Transaction t(db);
    t.start();
    fb::Query q(
        t, QStringLiteral(
               "SELECT TRIM(RF.RDB$FIELD_NAME) AS NAME, F.RDB$FIELD_TYPE AS FTYPE, "
               "COALESCE(F.RDB$CHARACTER_LENGTH, F.RDB$FIELD_LENGTH) AS LEN, "
               "COALESCE(F.RDB$CHARACTER_SET_ID, 0) AS CS, COALESCE(F.RDB$FIELD_SCALE, 0) AS SC, "
               "COALESCE(RF.RDB$NULL_FLAG, 0) AS NN, "
               "(SELECT COUNT(*) FROM RDB$RELATION_CONSTRAINTS RC JOIN RDB$INDEX_SEGMENTS S "
               "ON S.RDB$INDEX_NAME = RC.RDB$INDEX_NAME WHERE RC.RDB$RELATION_NAME = RF.RDB$RELATION_NAME "
               "AND RC.RDB$CONSTRAINT_TYPE = 'PRIMARY KEY' AND S.RDB$FIELD_NAME = RF.RDB$FIELD_NAME) AS PK "
               "FROM RDB$RELATION_FIELDS RF JOIN RDB$FIELDS F ON F.RDB$FIELD_NAME = RF.RDB$FIELD_SOURCE "
               "WHERE RF.RDB$RELATION_NAME = :T ORDER BY RF.RDB$FIELD_POSITION"));
    q.setString("T", table);
    QList<FbColumn> out;
    for (q.open(); !q.eof(); q.next()) {
        FbColumn c;
        c.name = q.field("NAME").asString();
        c.type = q.field("FTYPE").asInt();
        c.length = q.field("LEN").asInt();
        c.charset = q.field("CS").asInt();
        c.scale = q.field("SC").asInt();
        c.nullable = q.field("NN").asInt() == 0;
        c.key = q.field("PK").asInt() > 0;
        out << c;
    }
    q.close();
    t.commit();
    return out;
}

// Texts with every awkward character; the row number comes first so that cut keys stay distinct.
QString textValue(const FbColumn& c, int row) {
    static const QStringList wide = {QStringLiteral("O'Neil\\x"), QStringLiteral("ソフト表示"),
                                     QStringLiteral("改行\r\nあり"), QStringLiteral("\"引用\"；\\'"),
                                     QStringLiteral("  空白  ")};
    // A backslash cannot reach an ASCII column through the SJIS_0208 connection (it reads as a yen sign).
    static const QStringList narrow = {QStringLiteral("O'N x"), QStringLiteral("a\"b;"),
                                       QStringLiteral("x\r\ny"), QStringLiteral("'';'")};
    const QStringList& pool = c.charset == 2 ? narrow : wide;
    QString t = QString::number(row) + pool[row % pool.size()];
    return t.left(qMax(1, c.length));
}

const QDate kDates[] = {QDate(1960, 5, 1), QDate(1970, 1, 1), QDate(2015, 4, 1), QDate(2040, 1, 1),
                        QDate(2016, 2, 29)};

} // namespace

void fillAllTables(const testenv::Dataset& ds) {
    // Parents before children (the foreign keys of facilities, groups and accounts).
    static const char* const tables[] = {"SISETUMST",
                                         "SISETUGROUP",
                                         "KAMOKUMST",
                                         "ACCDEF1",
                                         "ACCDEF2",
                                         "ACCDEF5",
                                         "ACCREG",
                                         "ACCTOTALNAME",
                                         "BUMONMST",
                                         "BUNSEKI_SYUKEIHYO",
                                         "CHARTINF",
                                         "EXTERKS",
                                         "FINMST",
                                         "GROUPLIST",
                                         "GROUPMST",
                                         "HIKAKU_BUMON",
                                         "HIKAKU_GROUP",
                                         "HIKAKU_PATTERN",
                                         "HIKAKU_SISETU",
                                         "HIKAKU_SISETU_GROUP",
                                         "HIKAKU_SISETU_PATTERN",
                                         "HOJOMST",
                                         "JOBCONTROL2",
                                         "KAKOSIWAKE1",
                                         "KAKOSIWAKE2",
                                         "KAKOZAN",
                                         "KAMOKU_MS",
                                         "KAMOKU_SZ",
                                         "KAMOKU_TAX",
                                         "MB_KMKGROUP",
                                         "SOLVARNE_HIKAKU",
                                         "SOLVARNE_HIKAKU_COL",
                                         "SOLVARNE_YOJITUHENDOU",
                                         "SISETUBUM",
                                         "SISETUGROUPLIST",
                                         "SIWAKE",
                                         "SIWAKE2",
                                         "SWK_SEARCH",
                                         "TAXMST",
                                         "MSD_HOUKOKU",
                                         "AOPRO_YOSAN_KANRI",
                                         "AOPRO_KAMOKU_YOSAN",
                                         "AOPRO_YOSAN_KIHONRULE",
                                         "KAMOKU_KOSEI_GROUP",
                                         "SOLVARNE_YOJITU_HYOKARULE"};
    static const QStringList split = {"KAKOSIWAKE1", "KAKOSIWAKE2", "KAMOKU_MS",
                                      "KAMOKU_SZ",   "SIWAKE",      "SIWAKE2"};
    auto db = ds.connect();
    for (const char* table : tables) {
        const QList<FbColumn> columns = columnsOf(*db, QString::fromLatin1(table));
        QStringList names, params;
        for (const FbColumn& c : columns) {
            names << c.name;
            params << u':' + c.name;
        }
        fb::Transaction t(*db);
        t.start();
        fb::Query q(t, QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                           .arg(QLatin1String(table), names.join(u','), params.join(u',')));
        const int rows = split.contains(QLatin1String(table)) ? 205 : 4;
        for (int row = 1; row <= rows; ++row) {
            for (const FbColumn& c : columns) {
                const int n = 1000 + row; // clear of the rows a new dataset holds
                if (c.nullable && !c.key && row % 4 == 3) {
                    q.setNull(c.name);
                    continue;
                }
                switch (c.type) {
                case 7:
                case 8:
                case 16:
                    if (c.scale < 0)
                        q.setScaled(c.name, qint64(row) * 123456789 % 100000000 - 5000000 + row, 4);
                    else
                        q.setInt64(c.name, n);
                    break;
                case 27:
                    q.setDouble(c.name, row * 1.25);
                    break;
                case 12:
                    q.setDayCount(c.name, TDateTime::fromDate(kDates[row % 5]).value());
                    break;
                case 35:
                    q.setDayCount(c.name,
                                  TDateTime::fromDate(kDates[row % 5]).value() + (row % 2 ? 0.5 : 0.0));
                    break;
                case 14:
                case 37:
                    q.setString(c.name, textValue(c, n));
                    break;
                default:
                    q.setNull(c.name);
                    break; // blobs
                }
            }
            try {
                q.execute();
            } catch (const std::exception& e) {
                QString cols;
                for (const FbColumn& c : columns)
                    cols += QStringLiteral(" %1/%2/%3=%4")
                                .arg(c.name)
                                .arg(c.charset)
                                .arg(c.length)
                                .arg(textValue(c, 1000 + row));
                throw std::runtime_error(std::string(table) + ": " + e.what() + cols.toStdString());
            }
        }
        t.commit();
    }
    // Rows the dump chooses by value.
    ds.execute(QStringLiteral("INSERT INTO CHARTINF (OPCODE, CTYPE1, BAKCOL) VALUES (100009999, 5, 255)"));
    ds.execute(QStringLiteral(
        "INSERT INTO ACCREG (AGROUP, ACODE, ATYPE, ATEXT) VALUES ('経営Solvarnet', 'x', '文字', 'y')"));
    for (const char* id : {"QV_B'x", "QV_A", "QV_C"})
        ds.execute(QStringLiteral("INSERT INTO JOBCONTROL2 (LEVELNO, PROC_ID) VALUES (200, :P)"),
                   [&](fb::Query& q) { q.setString("P", QString::fromLatin1(id)); });
    for (int n = 1; n <= 12; ++n)
        ds.execute(QStringLiteral("INSERT INTO AOPRO_YOSAN_KIHONRULE (FKOMOKU, FROW, FKBN, FHIZUKE) "
                                  "VALUES ('納税', :N, 'k', :D)"),
                   [&](fb::Query& q) {
                       q.setInt("N", n);
                       q.setDayCount("D", TDateTime::fromDate(2015, 5, n).value());
                   });
}

QString mariaDbServer() {
    return qEnvironmentVariable("QV_MARIADB");
}

QByteArray mariaDb(const QString& sql, const QString& database) {
    const QStringList server = mariaDbServer().split(u':');
    if (server.size() < 2)
        throw std::runtime_error("no MariaDB server");
    QStringList args{QStringLiteral("--no-defaults"),
                     QStringLiteral("-uroot"),
                     QStringLiteral("-h"),
                     server[0],
                     QStringLiteral("-P"),
                     server[1],
                     QStringLiteral("--default-character-set=utf8mb4"),
                     QStringLiteral("-B"),
                     QStringLiteral("-N"),
                     QStringLiteral("--raw")};
    if (!database.isEmpty())
        args << database;
    QProcess p;
    p.start(QStringLiteral("mariadb"), args);
    p.write(sql.toUtf8());
    p.closeWriteChannel();
    p.waitForFinished(-1);
    if (p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        throw std::runtime_error(("mariadb: " + p.readAllStandardError()).toStdString());
    return p.readAllStandardOutput();
}

} // namespace clouddumptest
