#include "CloudDumpFixture.h"

#include "clouddump/z5FtpWebDbSqlDump.h"
#include "core/DataModule.h"
#include "core/uAccRecord.h"
#include "core/z5AppInfo.h"
#include "platform/firebird/FbQuery.h"
#include "platform/firebird/FbTransaction.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <map>

namespace {

using clouddumptest::CloudDumpTest;

// The stand-in analysis service (tests/clouddump/analysis_service.py) with a CA made for it.
class Service {
public:
    Service(const QString& folder, const QString& fault,
            const QString& ids = QStringLiteral("abcdefghijkl")) {
        dir = folder;
        QDir().mkpath(dir);
        const auto [cert, key] = certificate();
        caFile = cert;
        const QString mariadb = clouddumptest::mariaDbServer();
        process.start(QStringLiteral("/usr/bin/python3"),
                      {testenv::sourceDir() + QStringLiteral("/tests/clouddump/analysis_service.py"),
                       QStringLiteral("--dir"), dir, QStringLiteral("--cert"), cert, QStringLiteral("--key"),
                       key, QStringLiteral("--ids"), ids, QStringLiteral("--fault"), fault,
                       QStringLiteral("--mariadb"), mariadb});
        QByteArray out;
        while (process.waitForReadyRead(-1)) {
            out += process.readAllStandardOutput();
            const auto m =
                QRegularExpression(QStringLiteral("READY (\\d+) (\\d+)")).match(QString::fromLatin1(out));
            if (m.hasMatch()) {
                httpsPort = m.captured(1).toInt();
                ftpPort = m.captured(2).toInt();
                break;
            }
        }
    }
    ~Service() {
        process.closeWriteChannel();
        if (!process.waitForFinished(5000)) {
            process.kill();
            process.waitForFinished(5000);
        }
    }
    QString log() const {
        return QString::fromUtf8(testenv::readFile(dir + QStringLiteral("/requests.log")));
    }
    // A new misbehaviour from the next request on, with a clean log and FTP area.
    void setFault(const QString& fault) {
        QFile::remove(dir + QStringLiteral("/requests.log"));
        QDir(dir + QStringLiteral("/ftp")).removeRecursively();
        testenv::writeFile(dir + QStringLiteral("/fault"), fault.toUtf8());
    }

    // A self-signed certificate for 127.0.0.1, made once per test process; it is also the CA file.
    static std::pair<QString, QString> certificate() {
        static QTemporaryDir folder;
        static const std::pair<QString, QString> files = [] {
            const QString cert = folder.path() + QStringLiteral("/cert.pem");
            const QString key = folder.path() + QStringLiteral("/key.pem");
            QProcess ssl;
            ssl.start(QStringLiteral("openssl"),
                      {QStringLiteral("req"), QStringLiteral("-x509"), QStringLiteral("-newkey"),
                       QStringLiteral("rsa:2048"), QStringLiteral("-nodes"), QStringLiteral("-keyout"), key,
                       QStringLiteral("-out"), cert, QStringLiteral("-days"), QStringLiteral("1"),
                       QStringLiteral("-subj"), QStringLiteral("/CN=127.0.0.1"), QStringLiteral("-addext"),
                       QStringLiteral("subjectAltName=IP:127.0.0.1")});
            ssl.waitForFinished(60000);
            return std::pair{cert, key};
        }();
        return files;
    }

    QString dir, caFile;
    int httpsPort = 0, ftpPort = 0;
    QProcess process;
};

class Send : public CloudDumpTest {
protected:
    std::unique_ptr<Service> start(const QString& fault) {
        auto s = std::make_unique<Service>(dm.env.path() + QStringLiteral("/service"), fault);
        EXPECT_GT(s->httpsPort, 0) << s->process.readAllStandardError().toStdString();
        AppInfo.Application.WebSolvarnetServer = QStringLiteral("127.0.0.1:%1").arg(s->httpsPort);
        AppInfo.Application.WebSolvarnetFtpPort = s->ftpPort;
        AppInfo.Application.WebSolvarnetCaFile = s->caFile;
        return s;
    }
    QString send(const QString& id = QStringLiteral("abcd-efgh-ijkl"), int number = 3, int stallSeconds = 0) {
        TFtpWebDbSqlDump sender;
        if (stallSeconds > 0)
            sender.StallSeconds = stallSeconds;
        return sender.Send(id, number);
    }
    void TearDown() override {
        SetAppInfoDefaults(AppInfo);
        CloudDumpTest::TearDown();
    }
    void checkSentDataset(const Service& service, const QString& id, int number, bool medical);
};

TEST_F(Send, RefusedBeforeAnythingIsWritten) {
    struct Case {
        const char* id;
        int number;
        const char* code;
    } cases[] = {{"", 3, "801"},
                 {"---", 3, "801"},
                 {"ab'; DROP", 3, "801"},
                 {"abcd-1", 0, "802"},
                 {"abcd-1", 11, "802"}};
    for (const Case& c : cases) {
        EXPECT_EQ(send(QString::fromLatin1(c.id), c.number), QLatin1String(c.code)) << c.id << c.number;
        EXPECT_FALSE(QFile::exists(dumpPath()));
    }
}

TEST_F(Send, FailedDumpIs811AndLeavesNothing) {
    ASSERT_TRUE(testenv::writeFile(dm.root->tempDir() + QStringLiteral("/PellanSolvarnet_Sql"),
                                   "a file, not a folder"));
    EXPECT_EQ(send(), QStringLiteral("811"));
    EXPECT_EQ(TFtpWebDbSqlDump::ResultText(QStringLiteral("811")), QStringLiteral("SQLDumpファイル作成失敗"));
}

TEST_F(Send, EachFaultHasItsCode) {
    struct Case {
        const char* fault;
        const char* code;
        bool ftp; // the archive reached the service
    } cases[] = {
        {"http500", "831", false},   {"status=902", "902", false}, {"nostatus", "", false},
        {"badpass", "821", false},   {"noslot", "823", false},     {"readonly", "824", false},
        {"import=922", "922", true},
    };
    auto service = start(QString());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fault);
        service->setFault(QString::fromLatin1(c.fault));
        EXPECT_EQ(send(), QLatin1String(c.code));
        EXPECT_FALSE(QFile::exists(dumpPath()));
        EXPECT_TRUE(QFile::exists(zipPath()));
        EXPECT_EQ(QFile::exists(service->dir + QStringLiteral("/ftp/abcdefghijkl/03/placc.zip")), c.ftp);
        const QString log = service->log();
        EXPECT_TRUE(log.contains(QStringLiteral("GET /request.php?pmd=1000&fnm=abcdefghijkl UA=Tesuvio")));
        EXPECT_EQ(log.contains(QStringLiteral("pmd=1100")), c.ftp);
    }
    EXPECT_EQ(TFtpWebDbSqlDump::ResultText(QString()), QStringLiteral("原因不明のエラー発生"));
}

TEST_F(Send, NoServiceOrUntrustedCertificateIs831) {
    auto service = start(QString());
    const QString host = AppInfo.Application.WebSolvarnetServer;
    // A certificate that the configured CA did not sign.
    AppInfo.Application.WebSolvarnetCaFile =
        testenv::sourceDir() + QStringLiteral("/tests/clouddump/none.pem");
    EXPECT_EQ(send(), QStringLiteral("831"));
    AppInfo.Application.WebSolvarnetCaFile = service->caFile;
    AppInfo.Application.WebSolvarnetServer = QStringLiteral("127.0.0.1:1");
    EXPECT_EQ(send(), QStringLiteral("831"));
    EXPECT_FALSE(QFile::exists(dumpPath()));
    EXPECT_TRUE(QFile::exists(zipPath()));
}

// A service that takes the request over TLS and never answers is given up after the stall limit; the
// limit is short here, and the test waits for the failure, not for a time.
TEST_F(Send, AServiceThatNeverAnswersIs831) {
    const struct {
        const char* fault;
        bool ftp; // the archive reached the service
    } cases[] = {{"stall=1000", false}, {"stall=1100", true}};
    auto service = start(QString());
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fault);
        service->setFault(QString::fromLatin1(c.fault));
        EXPECT_EQ(send(QStringLiteral("abcd-efgh-ijkl"), 3, 5), QStringLiteral("831"));
        EXPECT_EQ(QFile::exists(service->dir + QStringLiteral("/ftp/abcdefghijkl/03/placc.zip")), c.ftp);
        EXPECT_FALSE(QFile::exists(dumpPath()));
    }
}

TEST_F(Send, DataVersionSentToTheService) {
    auto service = start(QStringLiteral("import=000"));
    struct Case {
        int major, minor, rev;
        const char* dvr;
    } cases[] = {{7, 5, 0, "8.0.0"}, {8, 0, 1, "8.0.0"}, {9, 0, 4, "9.0.0"}, {10, 1, 3, "10.1.0"}};
    for (const Case& c : cases) {
        setVersion(c.major, c.minor, c.rev);
        TFtpWebDbSqlDump sender;
        EXPECT_EQ(sender.Send(QStringLiteral("abcd-efgh-ijkl"), 3), QStringLiteral("000"));
        // Only the first ":" splits a header.
        EXPECT_TRUE(sender.ResponseHeaders.contains(QStringLiteral("X-Note=a:b")));
        EXPECT_TRUE(
            service->log().contains(QStringLiteral("pmd=1100&fnm=abcdefghijkl&dno=3&dvr=%1&fpa=Kvwnte5172 ")
                                        .arg(QLatin1String(c.dvr))))
            << c.dvr;
    }
}

// Every value of a MariaDB row as text (numbers in a fixed form), "\N" for NULL.
QString normal(const QString& value, char kind) {
    if (value == QLatin1String("\\N"))
        return value;
    switch (kind) {
    case 'Q':
    case 'S':
    case 'E':
        return value;
    case 'T':
    case 'Y':
    case 'Z':
        return value;
    default: {
        bool ok = false;
        const double d = value.toDouble(&ok);
        return ok ? QString::number(d, 'f', 4) : value;
    }
    }
}

// The value the copy must hold for a Firebird value under its kind.
QString expected(const fb::Field& f, char kind, bool dateColumn) {
    const auto dateText = [](const fb::Field& f, bool withTime) {
        const double days = f.asDayCount();
        if (days <= 25569.0)
            return QStringLiteral("1970-01-02 00:00:00");
        if (days >= 50406.0)
            return QStringLiteral("2038-01-01 00:00:00");
        return TDateTime(days).toDateTime().toString(withTime ? QStringLiteral("yyyy-MM-dd hh:mm:ss")
                                                              : QStringLiteral("yyyy-MM-dd"));
    };
    switch (kind) {
    case 'Q':
        if (dateColumn)
            return f.isNull() ? QStringLiteral("0000-00-00")
                              : TDateTime(f.asDayCount()).toDate().toString(QStringLiteral("yyyy-MM-dd"));
        return f.isNull() ? QString() : f.asString();
    case 'S':
        return f.isNull() ? QStringLiteral("\\N") : f.asString();
    case 'T':
        return f.isNull() ? QStringLiteral("0000-00-00 00:00:00") : dateText(f, true);
    case 'R': {
        if (f.isNull())
            return normal(QStringLiteral("0"), 'N');
        return normal(ColorToRgbInt(f.asInt()), 'N');
    }
    case 'M': {
        const int v = f.isNull() ? 0 : f.asInt();
        return normal(QString::number(v == 2 || v == 5 ? 2 : v == 3 || v == 4 ? 3 : 0), 'N');
    }
    case 'K': {
        bool ok = false;
        const int v = f.asString().trimmed().toInt(&ok);
        return normal(QString::number(ok ? v : 0), 'N');
    }
    default:
        return f.isNull() ? QStringLiteral("\\N") : normal(f.asString(), 'N');
    }
}

// One send of the fixture's dataset, and in MariaDB every table against its source.
void Send::checkSentDataset(const Service& service, const QString& id, int number, bool medical) {
    // A caller's pending change stays pending through the send.
    dm.dm->IBTransactionDAT.start();
    fb::Query pending(dm.dm->IBTransactionDAT,
                      QStringLiteral("UPDATE ACCDEF1 SET MAIL = 'pending' WHERE REC = 1"));
    pending.execute();
    ASSERT_EQ(send(id, number), QStringLiteral("000"))
        << testenv::readFile(service.dir + QStringLiteral("/import.log")).toStdString();
    EXPECT_FALSE(QFile::exists(dumpPath()));
    EXPECT_TRUE(QFile::exists(zipPath()));
    ASSERT_TRUE(dm.dm->IBTransactionDAT.isActive());
    const auto mail = [this] {
        auto db = ds.connect();
        fb::Transaction t(*db);
        fb::Query q(t, QStringLiteral("SELECT MAIL FROM ACCDEF1 WHERE REC = 1"));
        q.open();
        return q.field("MAIL").asString();
    };
    EXPECT_NE(mail(), QStringLiteral("pending"));
    dm.dm->IBTransactionDAT.rollback();
    EXPECT_NE(mail(), QStringLiteral("pending"));

    const QString database = QStringLiteral("solvar_d_%1_%2").arg(id).arg(number);
    TWebDbSqlDump reference; // the dataset's kind and version decide the selects
    auto db = ds.connect();
    fb::Transaction t(*db);
    t.start();
    for (const TWebDbSqlDump::Block& b : TWebDbSqlDump::Blocks()) {
        SCOPED_TRACE(b.table);
        if (qstrcmp(b.table, "AOPRO_YOSAN_KIHONRULE") == 0)
            continue; // rules by their own procedure below
        if (qstrcmp(b.table, "MSD_HOUKOKU") == 0 && !medical) {
            // Only medical data sends its reports.
            EXPECT_EQ(clouddumptest::mariaDb(QStringLiteral("SELECT COUNT(*) FROM MSD_HOUKOKU;"), database)
                          .trimmed(),
                      "0");
            continue;
        }
        QStringList columns;
        for (const auto& c : b.columns)
            columns << QStringLiteral("IF(`%1` IS NULL,'\\\\N',HEX(CAST(`%1` AS CHAR)))")
                           .arg(QLatin1String(c.name));
        // The settings rows the dump adds to ACCREG are checked below.
        const bool accReg = qstrcmp(b.table, "ACCREG") == 0;
        const QString settings = QStringLiteral("AGROUP NOT IN ('環境設定','決算書')");
        const QString where = accReg ? QStringLiteral(" WHERE ") + settings : QString();
        const QByteArray out =
            clouddumptest::mariaDb(QStringLiteral("SELECT CONCAT_WS('|',%1) FROM `%2`%3;")
                                       .arg(columns.join(u','), QLatin1String(b.table), where),
                                   database);
        QStringList copy;
        for (const QByteArray& l : out.split('\n')) {
            if (l.isEmpty())
                continue;
            QStringList values;
            int i = 0;
            for (const QByteArray& v : l.split('|'))
                values << normal(v == "\\N" ? QStringLiteral("\\N")
                                            : QString::fromUtf8(QByteArray::fromHex(v)),
                                 b.columns[i++].kind);
            copy << values.join(u'|');
        }
        fb::Query q(t, reference.selectOf(b, accReg ? QStringLiteral("AGROUP <> :AGROUP AND ") + settings
                                                    : QString()));
        if (q.hasParam("AGROUP"))
            q.setString("AGROUP", QStringLiteral("経営Solvarnet"));
        QStringList source;
        qint64 position = 0;
        for (q.open(); !q.eof(); q.next()) {
            ++position;
            QStringList values;
            int index = 0;
            for (const auto& c : b.columns) {
                switch (c.kind) {
                case 'P':
                    values << normal(QString::number(position), 'N');
                    break;
                case 'E':
                    values << QString();
                    break;
                case 'Y':
                case 'Z': {
                    if (q.field("KISHU").isNull() || q.field("KISHU").asDayCount() == 0) {
                        values << QStringLiteral("\\N");
                        break;
                    }
                    const QDate kishu = TDateTime(q.field("KISHU").asDayCount()).toDate();
                    const fb::Field z = q.field("ZKISHU"), zz = q.field("ZZKISHU");
                    const QDate prev = !z.isNull() && z.asDayCount() != 0 ? TDateTime(z.asDayCount()).toDate()
                                                                          : kishu.addMonths(-12);
                    const QDate date = c.kind == 'Z' ? prev
                                       : !zz.isNull() && zz.asDayCount() != 0
                                           ? TDateTime(zz.asDayCount()).toDate()
                                           : prev.addMonths(-12);
                    values << date.toString(QStringLiteral("yyyy-MM-dd"));
                    break;
                }
                default: {
                    const fb::Field f = q.field(index++);
                    static const QStringList dates = {"HIZUKE", "KISHU", "KIMATU", "KAISI"};
                    values << expected(f, c.kind, c.kind == 'Q' && dates.contains(QLatin1String(c.name)));
                }
                }
            }
            source << values.join(u'|');
        }
        q.close();
        copy.sort();
        source.sort();
        EXPECT_GT(source.size(), 0);
        EXPECT_EQ(copy.size(), source.size());
        for (qsizetype i = 0; i < qMin(copy.size(), source.size()); ++i) {
            if (copy[i] != source[i]) {
                ADD_FAILURE() << "copy   " << copy[i].toStdString() << "\nsource " << source[i].toStdString();
                break;
            }
        }
    }
    t.commit();
    // The rules: the tax rules cut at ten, the rest complete.
    EXPECT_EQ(clouddumptest::mariaDb(
                  QStringLiteral("SELECT COUNT(*), MIN(FID), MAX(FID) FROM AOPRO_YOSAN_KIHONRULE "
                                 "WHERE FKOMOKU='納税';"),
                  database)
                  .trimmed()
                  .split('\t')
                  .first(),
              "10");
    // The 25 settings rows and no row of the group kept out.
    EXPECT_EQ(
        clouddumptest::mariaDb(
            QStringLiteral("SELECT COUNT(*) FROM ACCREG WHERE AGROUP IN ('環境設定','決算書');"), database)
            .trimmed(),
        "25");
    EXPECT_EQ(clouddumptest::mariaDb(
                  QStringLiteral("SELECT COUNT(*) FROM ACCREG WHERE AGROUP = '経営Solvarnet';"), database)
                  .trimmed(),
              "0");
    // The archive the service received opened to the very dump that was written.
    EXPECT_TRUE(
        testenv::readFile(service.dir + QStringLiteral("/received.sql")).startsWith("-- \r\n-- Web Solvarn"));
    clouddumptest::mariaDb(QStringLiteral("DROP DATABASE `%1`;").arg(database));
}

TEST_F(Send, EndToEndEveryTableArrivesAsItsSource) {
    if (clouddumptest::mariaDbServer().isEmpty())
        GTEST_SKIP() << "QV_MARIADB is not set (./test.sh starts MariaDB)";
    clouddumptest::fillAllTables(ds);
    const QString id = QStringLiteral("e2e%1").arg(QCoreApplication::applicationPid());
    auto service = std::make_unique<Service>(dm.env.path() + QStringLiteral("/service"), QString(), id);
    ASSERT_GT(service->httpsPort, 0);
    AppInfo.Application.WebSolvarnetServer = QStringLiteral("127.0.0.1:%1").arg(service->httpsPort);
    AppInfo.Application.WebSolvarnetFtpPort = service->ftpPort;
    AppInfo.Application.WebSolvarnetCaFile = service->caFile;
    // General data, then the same dataset as medical data (its reports and its own account columns).
    for (const int kind : {1, 3}) {
        SCOPED_TRACE(kind);
        AccInf.DATATYPE = kind;
        checkSentDataset(*service, id, kind == 3 ? 9 : 10, kind == 3);
    }
}
} // namespace
