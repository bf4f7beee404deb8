// The Firebird layer against real databases: embedded files in a temporary folder, and the test server
// of test.sh (QV_FB_SERVER="host/port") for the client/server case.
#include "support/TestEnv.h"

#include "core/FbValues.h"
#include "platform/firebird/FbDatabase.h"
#include "platform/firebird/FbQuery.h"
#include "platform/firebird/FbServices.h"
#include "platform/firebird/FbTransaction.h"

#include <QFile>
#include <functional>
#include <gtest/gtest.h>

namespace {

const fb::ConnectOptions kUser{QStringLiteral("PELLAN"), QStringLiteral("vintor")};

// The error a call throws; a test failure when it throws none.
fb::Error errorOf(const std::function<void()>& call) {
    try {
        call();
    } catch (const fb::Error& e) {
        return e;
    }
    ADD_FAILURE() << "no fb::Error thrown";
    return fb::Error(QString());
}

// Every field of the current row appends its text as UTF-8, NULL nothing.
void expectUtf8AsText(const fb::Query& q) {
    for (int i = 0; i < q.fieldCount(); ++i) {
        const fb::Field f = q.field(i);
        QByteArray out("x");
        EXPECT_EQ(f.appendUtf8(out), !f.isNull()) << f.name().toStdString();
        EXPECT_EQ(out, "x" + f.asString().toUtf8()) << f.name().toStdString();
    }
}

class FirebirdLayer : public ::testing::Test {
protected:
    QString dbPath(const QString& name = QStringLiteral("t.fdb")) const { return env.path() + u'/' + name; }

    // A fresh database with one table holding a column of every type the system uses.
    void createTypesDb(fb::Database& db) {
        db.create();
        fb::Transaction t(db);
        fb::Query q(
            t, QStringLiteral("CREATE TABLE T (ID INTEGER NOT NULL PRIMARY KEY, V VARCHAR(60), C CHAR(10),"
                              " S SMALLINT, I INTEGER, B BIGINT, M NUMERIC(18,4), N NUMERIC(15,2),"
                              " D DOUBLE PRECISION, DT DATE, TS TIMESTAMP, TM TIME, BT BLOB SUB_TYPE 1,"
                              " BB BLOB SUB_TYPE 0, BO BOOLEAN)"));
        q.execute();
        t.commit();
    }

    // A types database at path holding rows with ID 1..count and the text V.
    void createWithRows(const QString& path, int count, const QString& text) {
        fb::Database db(path, kUser);
        createTypesDb(db);
        fb::Transaction t(db);
        fb::Query q(t, QStringLiteral("INSERT INTO T (ID, V) VALUES (:ID, :V)"));
        for (int id = 1; id <= count; ++id) {
            q.setInt("ID", id);
            q.setString("V", text);
            q.execute();
        }
        t.commit();
    }

    testenv::TempEnvironment env;
};

TEST_F(FirebirdLayer, PathDecidesEmbeddedOrServer) {
    EXPECT_FALSE(fb::Database::isRemotePath(QStringLiteral("/data/0001/placc.fdb")));
    EXPECT_FALSE(fb::Database::isRemotePath(QStringLiteral("placc.fdb")));
    EXPECT_TRUE(fb::Database::isRemotePath(QStringLiteral("server:/data/0001/placc.fdb")));
    EXPECT_TRUE(fb::Database::isRemotePath(QStringLiteral("127.0.0.1/30550:/data/placc.fdb")));

    const QStringList lines{"user_name=PELLAN", "password=vintor", "lc_ctype=SJIS_0208"};
    const fb::ConnectOptions o = fb::ConnectOptions::fromParams(lines);
    EXPECT_EQ(o.user, "PELLAN");
    EXPECT_EQ(o.password, "vintor");
    EXPECT_EQ(o.charset, "SJIS_0208");
    EXPECT_EQ(o.toParams(), lines);
}

TEST_F(FirebirdLayer, ScaledNumbersReadAsExactDecimalText) {
    fb::Database db(dbPath(), kUser);
    db.create();
    fb::Transaction t(db);
    const struct {
        const char* literal;
        const char* text;
    } cases[] = {
        {"0", "0"},
        {"-0.0000", "0"},
        {"1.5000", "1.5"},
        {"-0.0005", "-0.0005"},
        {"-12.3400", "-12.34"},
        {"100.0000", "100"},
        {"0.0100", "0.01"},
        {"-922337203685477.5807", "-922337203685477.5807"},
    };
    for (const auto& c : cases) {
        fb::Query q(t, QStringLiteral("SELECT CAST(%1 AS NUMERIC(18,4)) AS M FROM RDB$DATABASE")
                           .arg(QLatin1String(c.literal)));
        q.open();
        EXPECT_EQ(q.field("M").asString(), QLatin1String(c.text)) << c.literal;
        expectUtf8AsText(q);
        q.close();
    }
    t.commit();
}
TEST_F(FirebirdLayer, EveryTypeRoundTrips) {
    fb::Database db(dbPath(), kUser);
    createTypesDb(db);
    ASSERT_TRUE(db.isConnected());

    const QString text = QStringLiteral("株式会社～テスト－漢字ｶﾅ");
    const QByteArray binary("\x00\x01\xff\x80 bytes", 10);
    const QString memo = QStringLiteral("メモ１行目\r\n二行目～\r\n");
    fb::Transaction t(db);
    fb::Query ins(
        t, QStringLiteral("INSERT INTO T (ID, V, C, S, I, B, M, N, D, DT, TS, TM, BT, BB, BO)"
                          " VALUES (:ID, :V, :C, :S, :I, :B, :M, :N, :D, :DT, :TS, :TM, :BT, :BB, :BO)"));
    ins.setInt("ID", 1);
    ins.setString("V", text);
    ins.setString("C", QStringLiteral("ab"));
    ins.setInt("S", -32768);
    ins.setInt("I", 2147483647);
    ins.setInt64("B", Q_INT64_C(-9007199254740993));
    ins.setScaled("M", Q_INT64_C(-12345678901234567), 4); // -1234567890123.4567
    ins.setScaled("N", 1234567, 4);                       // 123.4567 rounds to 123.46 in NUMERIC(15,2)
    ins.setDouble("D", 0.1);
    ins.setDayCount("DT", 45383.75); // 2024-04-01 18:00, the column keeps the date
    ins.setDayCount("TS", 45383.5);  // 2024-04-01 12:00
    ins.setDayCount("TM", 0.25);
    ins.setString("BT", memo);
    ins.setBytes("BB", binary);
    ins.setBool("BO", true);
    ins.execute();
    EXPECT_EQ(ins.rowsAffected(), 1);
    ins.clearParams();
    ins.setInt("ID", 2);
    ins.execute(); // every other column NULL
    t.commit();

    fb::Query q(t, QStringLiteral("SELECT * FROM T ORDER BY ID"));
    q.open();
    ASSERT_FALSE(q.eof());
    EXPECT_EQ(q.field("v").asString(), text);
    EXPECT_EQ(q.field("C").asString(), "ab");
    EXPECT_EQ(q.field("C").asBytes().size(), 20); // CHAR(10) of a two-byte character set
    EXPECT_EQ(q.field("S").asInt(), -32768);
    EXPECT_EQ(q.field("I").asInt(), 2147483647);
    EXPECT_EQ(q.field("B").asInt64(), Q_INT64_C(-9007199254740993));
    EXPECT_EQ(q.field("M").asScaled(4), Q_INT64_C(-12345678901234567));
    EXPECT_EQ(q.field("M").asString(), "-1234567890123.4567");
    EXPECT_EQ(fb::asMoney(q.field("M")), Money::fromString("-1234567890123.4567"));
    EXPECT_EQ(fb::asMoney(q.field("N")), Money::fromString("123.46"));
    EXPECT_EQ(q.field("N").asScaled(4), 1234600);
    EXPECT_EQ(q.field("N").asScaled(1), 1235); // 123.46 kept to one decimal, half away from zero
    EXPECT_EQ(q.field("N").asString(), "123.46");
    EXPECT_DOUBLE_EQ(q.field("D").asDouble(), 0.1);
    EXPECT_EQ(q.field("DT").asDayCount(), 45383.0);
    EXPECT_EQ(q.field("DT").asString(), "2024/04/01");
    EXPECT_EQ(q.field("TS").asDayCount(), 45383.5);
    EXPECT_EQ(q.field("TS").asString(), "2024/04/01 12:00:00");
    EXPECT_EQ(fb::asDateTime(q.field("TS")).toDateTime(), QDateTime(QDate(2024, 4, 1), QTime(12, 0)));
    EXPECT_EQ(q.field("TM").asDayCount(), 0.25);
    EXPECT_EQ(q.field("BT").asString(), memo);
    EXPECT_EQ(q.field("BB").asBytes(), binary);
    EXPECT_TRUE(q.field("BO").asBool());
    for (int i = 0; i < q.fieldCount(); ++i)
        EXPECT_FALSE(q.field(i).isNull()) << q.field(i).name().toStdString();
    expectUtf8AsText(q);

    ASSERT_TRUE(q.next());
    for (int i = 1; i < q.fieldCount(); ++i)
        EXPECT_TRUE(q.field(i).isNull()) << q.field(i).name().toStdString();
    EXPECT_EQ(q.field("V").asString(), "");
    EXPECT_EQ(q.field("M").asScaled(4), 0);
    EXPECT_EQ(q.field("TS").asDayCount(), 0.0);
    EXPECT_EQ(q.field("BB").asBytes(), QByteArray());
    expectUtf8AsText(q);
    EXPECT_FALSE(q.next());
    EXPECT_TRUE(q.eof());
    t.commit();
}

TEST_F(FirebirdLayer, DatesBeforeTheEpochKeepTheirTime) {
    fb::Database db(dbPath(), kUser);
    createTypesDb(db);
    fb::Transaction t(db);
    fb::Query q(t, QStringLiteral("INSERT INTO T (ID, TS) VALUES (1, :TS) RETURNING TS"));
    for (double v : {-1.25, 0.0, 1.999999, 2.5}) {
        q.setDayCount("TS", v);
        fb::Query del(t, QStringLiteral("DELETE FROM T"));
        del.execute();
        q.execute();
        EXPECT_NEAR(q.field("TS").asDayCount(), v, 1e-9) << v;
    }
    fb::Query s(t, QStringLiteral("SELECT CAST('1899-12-29 06:00:00' AS TIMESTAMP) A FROM RDB$DATABASE"));
    s.open();
    EXPECT_EQ(s.field("A").asDayCount(), -1.25);
    s.close();
    // Dates and times of every width as text: years below 1000, midnight, a time with a fraction.
    s.setSql(QStringLiteral("SELECT CAST('0099-03-04' AS DATE) A, CAST('1899-12-30' AS DATE) B,"
                            " CAST('9999-12-31' AS DATE) C, CAST('2024-04-01 00:00:00' AS TIMESTAMP) D,"
                            " CAST('0001-01-01 23:59:59.9' AS TIMESTAMP) E, CAST('07:08:09' AS TIME) F"
                            " FROM RDB$DATABASE"));
    s.open();
    EXPECT_EQ(s.field("A").asString(), "0099/03/04");
    expectUtf8AsText(s);
}

TEST_F(FirebirdLayer, NamedParametersRepeatAndIgnoreLiterals) {
    fb::Database db(dbPath(), kUser);
    createTypesDb(db);
    fb::Transaction t(db);
    fb::Query ins(t, QStringLiteral("INSERT INTO T (ID, V, I) VALUES (:ID, :V, :ID * 10)"));
    for (int id = 1; id <= 3; ++id) {
        ins.setInt("id", id);
        ins.setString("V", QStringLiteral("行%1").arg(id));
        ins.execute();
    }
    EXPECT_EQ(ins.paramNames(), QStringList({"ID", "V"}));

    fb::Query q(t);
    q.setSql(QStringList{"SELECT ID, V, ':NOPARAM' AS LIT /* :NOR_THIS */ FROM T",
                         "WHERE (ID = :X OR I = :X * 10) -- :NOR_THAT", "AND V <> :V"});
    EXPECT_EQ(q.paramNames(), QStringList({"X", "V"}));
    q.setInt("X", 2);
    q.setString("v", QStringLiteral("何か"));
    q.open();
    ASSERT_FALSE(q.eof());
    EXPECT_EQ(q.field("ID").asInt(), 2);
    EXPECT_EQ(q.field("lit").asString(), ":NOPARAM");
    EXPECT_FALSE(q.next());

    EXPECT_THROW(q.setInt("UNKNOWN", 1), fb::Error);
    EXPECT_TRUE(q.hasColumn("id"));
    EXPECT_TRUE(q.hasColumn(QStringLiteral("Lit")));
    EXPECT_FALSE(q.hasColumn("I"));
    EXPECT_THROW(q.field("I"), fb::Error);
}

TEST_F(FirebirdLayer, TextOutsideTheCharacterSetIsAnError) {
    fb::Database db(dbPath(), kUser);
    createTypesDb(db);
    fb::Transaction t(db);
    fb::Query q(t, QStringLiteral("INSERT INTO T (ID, V) VALUES (1, :V)"));
    // Not in CP932: refused before it reaches the database, never stored as "?".
    EXPECT_THROW(q.setString("V", QStringLiteral("café")), fb::Error);
    EXPECT_THROW(fb::Query(t, QStringLiteral("SELECT 'é' FROM RDB$DATABASE")).prepare(), fb::Error);
}

TEST_F(FirebirdLayer, ErrorsCarryStatusCodeAndSqlCode) {
    fb::Database db(dbPath(), kUser);
    createTypesDb(db);
    fb::Transaction t(db);
    fb::Query q(t, QStringLiteral("INSERT INTO T (ID) VALUES (1)"));
    q.execute();
    fb::Error e = errorOf([&] { q.execute(); });
    EXPECT_EQ(e.statusCode(), 335544665); // unique key violation
    EXPECT_EQ(e.sqlCode(), -803);
    EXPECT_TRUE(e.message().contains("INTEG_") || e.message().contains("PRIMARY")) << e.what();

    e = errorOf([&] { fb::Query(t, QStringLiteral("SELECT * FROM NO_SUCH_TABLE")).open(); });
    EXPECT_EQ(e.statusCode(), 335544569); // dynamic SQL error
    EXPECT_EQ(e.sqlCode(), -204);
    EXPECT_TRUE(e.message().contains("NO_SUCH_TABLE"));

    e = errorOf([&] { fb::Database(dbPath("missing.fdb"), kUser).attach(); });
    EXPECT_EQ(e.statusCode(), 335544344); // I/O error
}

TEST_F(FirebirdLayer, LockConflictBetweenTwoTransactions) {
    fb::Database db(dbPath(), kUser);
    createTypesDb(db);
    {
        fb::Transaction t(db);
        fb::Query q(t, QStringLiteral("INSERT INTO T (ID, I) VALUES (1, 0)"));
        q.execute();
        t.commit();
    }
    fb::Transaction first(db);
    fb::Transaction second(db);
    fb::Query a(first, QStringLiteral("UPDATE T SET I = I + 1 WHERE ID = 1"));
    fb::Query b(second, QStringLiteral("UPDATE T SET I = I + 10 WHERE ID = 1"));
    a.execute();
    const fb::Error e = errorOf([&] { b.execute(); });
    EXPECT_EQ(e.statusCode(), 335544336) << e.what(); // deadlock: update conflict
    EXPECT_EQ(e.sqlCode(), -913);
    EXPECT_TRUE(e.message().contains("update conflicts")) << e.what();
    first.commit();
    second.rollback();
    fb::Transaction t(db);
    fb::Query q(t, QStringLiteral("SELECT I FROM T"));
    q.open();
    EXPECT_EQ(q.field("I").asInt(), 1);
}

TEST_F(FirebirdLayer, TransactionLifecycle) {
    fb::Database db(dbPath(), kUser);
    createTypesDb(db);
    auto count = [&] {
        fb::Transaction t(db, {"read_committed", "rec_version", "nowait", "read"});
        fb::Query q(t, QStringLiteral("SELECT COUNT(*) AS RECCNT FROM T"));
        q.open();
        return q.field("RECCNT").asInt();
    };
    {
        fb::Transaction t(db);
        fb::Query q(t, QStringLiteral("INSERT INTO T (ID) VALUES (1)"));
        q.execute(); // starts the transaction as the classic components do
        EXPECT_TRUE(t.isActive());
    } // rolled back
    EXPECT_EQ(count(), 0);

    fb::Transaction t(db, {"concurrency", "wait"});
    t.start();
    EXPECT_THROW(t.start(), fb::Error);
    fb::Query q(t, QStringLiteral("INSERT INTO T (ID) VALUES (:ID)"));
    q.setInt("ID", 1);
    q.execute();
    t.commitRetaining();
    EXPECT_TRUE(t.isActive());
    EXPECT_EQ(count(), 1);
    q.setInt("ID", 2);
    q.execute();
    t.rollback();
    EXPECT_FALSE(t.isActive());
    EXPECT_EQ(count(), 1);
    EXPECT_THROW(t.commit(), fb::Error);

    fb::Transaction bad(db, {"read_committed", "no_such_word"});
    EXPECT_THROW(bad.start(), fb::Error);

    // Detaching rolls back what is still running and leaves the objects usable afterwards.
    fb::Transaction open(db);
    fb::Query ins(open, QStringLiteral("INSERT INTO T (ID) VALUES (5)"));
    ins.execute();
    db.detach();
    EXPECT_FALSE(open.isActive());
    db.attach();
    EXPECT_EQ(count(), 1);
    ins.execute();
    open.commit();
    EXPECT_EQ(count(), 2);
}

TEST_F(FirebirdLayer, StoredProcedures) {
    fb::Database db(dbPath(), kUser);
    db.create();
    fb::Transaction t(db);
    fb::Query ddl(t);
    ddl.setParamCheck(false);
    ddl.setSql(QStringLiteral(
        "CREATE PROCEDURE ADDUP (A INTEGER, B NUMERIC(15,4)) RETURNS (SUMME NUMERIC(15,4), TXT VARCHAR(20))"
        " AS BEGIN SUMME = :A + :B; TXT = '合計'; END"));
    ddl.execute();
    ddl.setSql(QStringLiteral("CREATE PROCEDURE UPTO (N INTEGER) RETURNS (K INTEGER) AS BEGIN K = 1;"
                              " WHILE (K <= :N) DO BEGIN SUSPEND; K = K + 1; END END"));
    ddl.execute();
    t.commit();

    fb::Query p(t, QStringLiteral("EXECUTE PROCEDURE ADDUP(:A, :B)"));
    p.setInt("A", 2);
    p.setScaled("B", 15, 4);
    p.execute();
    EXPECT_EQ(p.field("SUMME").asScaled(4), 20015);
    EXPECT_EQ(p.field("TXT").asString(), "合計");

    fb::Query s(t, QStringLiteral("SELECT K FROM UPTO(:N)"));
    s.setInt("N", 3);
    QList<int> got;
    for (s.open(); !s.eof(); s.next())
        got << s.field("K").asInt();
    EXPECT_EQ(got, QList<int>({1, 2, 3}));

    // The same query in a snapshot transaction of its own.
    fb::Transaction snapshot(db, {"concurrency", "nowait"});
    s.setTransaction(snapshot);
    s.setInt("N", 2);
    s.open();
    EXPECT_TRUE(snapshot.isActive());
    EXPECT_EQ(s.field("K").asInt(), 1);
}

TEST_F(FirebirdLayer, BackupRestoreValidateThroughServices) {
    const QString path = dbPath();
    createWithRows(path, 7, QStringLiteral("保存～"));
    {
        fb::Database db(path, kUser);
        db.attach();
        fb::Services services({QString(), kUser.user, kUser.password});
        EXPECT_TRUE(services.attachedDatabases().contains(path));

        QStringList seen;
        const QString backupFile = dbPath("t.fbk");
        services.backup(path, backupFile, {true, true, true, true}, [&](const QString& l) { seen << l; });
        EXPECT_FALSE(seen.isEmpty());
        EXPECT_TRUE(QFile::exists(backupFile));
    }
    fb::Services services({QString(), kUser.user, kUser.password});
    EXPECT_TRUE(services.validate(path).isEmpty());

    const QString copy = dbPath("copy.fdb");
    fb::RestoreOptions create;
    create.pageSize = 16384;
    create.pageBuffers = 4096;
    services.restore(dbPath("t.fbk"), copy, create);
    // Restoring over an existing file needs the replace option.
    EXPECT_THROW(services.restore(dbPath("t.fbk"), copy, create), fb::Error);
    fb::RestoreOptions replace;
    replace.replace = true;
    replace.verbose = true;
    EXPECT_FALSE(services.restore(dbPath("t.fbk"), copy, replace).isEmpty());

    fb::Database restored(copy, kUser);
    restored.attach();
    fb::Transaction t(restored);
    fb::Query q(t, QStringLiteral("SELECT V FROM T WHERE ID = 7"));
    q.open();
    EXPECT_EQ(q.field("V").asString(), QStringLiteral("保存～"));

    EXPECT_THROW(services.restore(dbPath("none.fbk"), dbPath("x.fdb")), fb::Error);
}

TEST_F(FirebirdLayer, ValidationReportsDamage) {
    const QString path = dbPath();
    createWithRows(path, 2000, QStringLiteral("x"));
    // Overwrite a stretch of pages in the middle of the file.
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    const qint64 size = f.size();
    f.seek(size / 2);
    f.write(QByteArray(3 * 8192, '\x5a'));
    f.close();
    fb::Services services({QString(), kUser.user, kUser.password});
    QStringList problems;
    try {
        problems = services.validate(path);
    } catch (const fb::Error&) {
        problems << QStringLiteral("error");
    }
    EXPECT_FALSE(problems.isEmpty());
}

TEST_F(FirebirdLayer, DropDeletesTheFile) {
    fb::Database db(dbPath(), kUser);
    db.create();
    ASSERT_TRUE(QFile::exists(dbPath()));
    db.drop();
    EXPECT_FALSE(db.isConnected());
    EXPECT_FALSE(QFile::exists(dbPath()));
}

// The same connection work against the server that test.sh starts.
TEST(FirebirdServer, ConnectionWorksAgainstTheServer) {
    const QString server = qEnvironmentVariable("QV_FB_SERVER");
    if (server.isEmpty())
        GTEST_SKIP() << "QV_FB_SERVER not set (test.sh starts the server)";
    testenv::TempEnvironment env;
    const QString file = env.path() + QStringLiteral("/remote.fdb");
    fb::Database db(server + u':' + file, kUser);
    ASSERT_TRUE(db.isRemote());
    db.create();
    fb::Transaction t(db);
    fb::Query ddl(t, QStringLiteral("CREATE TABLE T (ID INTEGER, V VARCHAR(20), M NUMERIC(18,4))"));
    ddl.execute();
    t.commit();
    fb::Query ins(t, QStringLiteral("INSERT INTO T VALUES (:ID, :V, :M)"));
    ins.setInt("ID", 1);
    ins.setString("V", QStringLiteral("～－漢字"));
    ins.setScaled("M", 12345, 4);
    ins.execute();
    t.commit();
    fb::Query q(t, QStringLiteral("SELECT * FROM T WHERE ID = :ID"));
    q.setInt("ID", 1);
    q.open();
    EXPECT_EQ(q.field("v").asString(), QStringLiteral("～－漢字"));
    EXPECT_EQ(q.field("M").asScaled(4), 12345);
    fb::Query conn(t, QStringLiteral("SELECT MON$REMOTE_PROTOCOL P FROM MON$ATTACHMENTS WHERE "
                                     "MON$ATTACHMENT_ID = CURRENT_CONNECTION"));
    conn.open();
    EXPECT_EQ(conn.field("P").asString(), "TCPv4");
    t.commit();

    fb::Services services({server.section(u':', 0, 0), kUser.user, kUser.password});
    EXPECT_TRUE(services.attachedDatabases().contains(file));
    services.backup(file, env.path() + QStringLiteral("/remote.fbk"));
    EXPECT_TRUE(QFile::exists(env.path() + QStringLiteral("/remote.fbk")));

    // A wrong password is refused by the server.
    fb::Database wrong(server + u':' + file, {kUser.user, QStringLiteral("nope")});
    EXPECT_THROW(wrong.attach(), fb::Error);
    db.drop();
    EXPECT_FALSE(QFile::exists(file));
}

} // namespace

namespace {

// Two attachments in one two-phase transaction: both writes go together, either way.
TEST_F(FirebirdLayer, DistributedTransactionCommitsAndRollsBackBothAttachments) {
    fb::Database a(dbPath(QStringLiteral("a.fdb")), kUser), b(dbPath(QStringLiteral("b.fdb")), kUser);
    createTypesDb(a);
    createTypesDb(b);
    fb::Transaction ta(a), tb(b);
    ta.joinDistributed(tb);
    const auto count = [](fb::Database& db) {
        fb::Transaction t(db);
        fb::Query q(t, QStringLiteral("SELECT COUNT(*) FROM T"));
        q.open();
        return q.field(0).asInt();
    };
    const auto writeBoth = [&](int id) {
        fb::Query qa(ta, QStringLiteral("INSERT INTO T (ID) VALUES (:ID)"));
        fb::Query qb(tb, QStringLiteral("INSERT INTO T (ID) VALUES (:ID)"));
        ta.start();
        EXPECT_TRUE(tb.isActive());
        qa.setInt("ID", id);
        qa.execute();
        qb.setInt("ID", id);
        qb.execute();
    };

    writeBoth(1);
    tb.rollback(); // through either member
    EXPECT_FALSE(ta.isActive());
    EXPECT_EQ(count(a), 0);
    EXPECT_EQ(count(b), 0);

    writeBoth(2);
    ta.commit();
    EXPECT_FALSE(tb.isActive());
    EXPECT_EQ(count(a), 1);
    EXPECT_EQ(count(b), 1);

    // Detaching one attachment ends the whole transaction.
    writeBoth(3);
    b.detach();
    EXPECT_FALSE(ta.isActive());
    EXPECT_EQ(count(a), 1);

    EXPECT_THROW(ta.joinDistributed(ta), fb::Error);
}

} // namespace
