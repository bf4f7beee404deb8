#include "CloudDumpFixture.h"

#include "clouddump/z5WebSolvarnetDataDump.h"
#include "core/DataModule.h"
#include "core/uAccRecord.h"
#include "platform/firebird/FbQuery.h"
#include "platform/firebird/FbTransaction.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

namespace {

using clouddumptest::CloudDumpTest;

class Dump : public CloudDumpTest {
protected:
    // The lines of the block of a table: from its DELETE line up to the next DELETE line of another table.
    QString block(const QString& text, const QString& table) {
        const QString start = QStringLiteral("DELETE FROM %1;\r\n").arg(table);
        const qsizetype from = text.indexOf(start);
        if (from < 0)
            return {};
        QRegularExpression re(QStringLiteral("\r\n(DELETE FROM (?!%1[; ])|-- )").arg(table));
        const auto m = re.match(text, from + start.size() - 2);
        return text.mid(from, m.hasMatch() ? m.capturedStart() + 2 - from : -1);
    }

    void addJournal(int from, int to) {
        auto db = ds.connect();
        fb::Transaction t(*db);
        t.start();
        fb::Query q(t, QStringLiteral("INSERT INTO SIWAKE2 (REC, SWKREC, LINKKEY) VALUES (:R, :R, 'k')"));
        for (int r = from; r <= to; ++r) {
            q.setInt("R", r);
            q.execute();
        }
        t.commit();
    }

    int messages() { return int(dm.ui->messageTexts().size()); }
};

TEST_F(Dump, EmptyDatabaseNameWritesNothing) {
    QString text;
    EXPECT_FALSE(writeDump(&text, QString()));
    EXPECT_FALSE(QFile::exists(dumpPath()));
    EXPECT_EQ(messages(), 0);
}

TEST_F(Dump, FailuresAreReportedAndLeaveNoFile) {
    // A missing table-definition file: the box with the file error, no half file.
    {
        TWebDbSqlDump dump;
        dump.DatabaseName = QStringLiteral("x");
        dump.DataDdlPath = dm.env.path() + QStringLiteral("/none.sql");
        EXPECT_FALSE(dump.WriteDump());
        EXPECT_FALSE(QFile::exists(dump.DumpPath));
        ASSERT_EQ(messages(), 1);
        EXPECT_TRUE(
            dm.ui->messageTexts()[0].startsWith(QStringLiteral("SQLDumpファイルの作成に失敗しました。")));
        EXPECT_TRUE(dm.ui->messageTexts()[0].contains(QStringLiteral("none.sql")));
        EXPECT_FALSE(dm.dm->IBTransactionDAT.isActive());
    }
    // A file that cannot be created: a reported failure, not an exception.
    {
        ASSERT_TRUE(testenv::writeFile(dm.env.path() + QStringLiteral("/plain"), "x"));
        TWebDbSqlDump dump;
        dump.DatabaseName = QStringLiteral("x");
        dump.DumpPath = dm.env.path() + QStringLiteral("/plain/placc.sql");
        EXPECT_FALSE(dump.WriteDump());
        ASSERT_EQ(messages(), 2);
        EXPECT_TRUE(dm.ui->messageTexts()[1].contains(QStringLiteral("が使用中です。")));
    }
    // A folder where the file should be is refused, never removed.
    {
        QDir().mkpath(dumpPath());
        TWebDbSqlDump dump;
        dump.DatabaseName = QStringLiteral("x");
        EXPECT_FALSE(dump.WriteDump());
        EXPECT_TRUE(QFileInfo(dumpPath()).isDir());
        ASSERT_EQ(messages(), 3);
        QDir().rmdir(dumpPath());
    }
    // A query that fails (a source table is gone) ends the dump the same way.
    ds.execute(QStringLiteral("DROP TABLE TAXMST"));
    TWebDbSqlDump dump;
    dump.DatabaseName = QStringLiteral("x");
    EXPECT_FALSE(dump.WriteDump());
    EXPECT_FALSE(QFile::exists(dump.DumpPath));
    EXPECT_EQ(messages(), 4);
    EXPECT_FALSE(dm.dm->IBTransactionDAT.isActive());
}

TEST_F(Dump, FileLayout) {
    // The operator's titles reach the settings statements escaped like every other text.
    const QString savedTitle = SystemDef.TrialTitle;
    SystemDef.TrialTitle = QStringLiteral("O'Neil\\試算表");
    QString text;
    const bool written = writeDump(&text);
    SystemDef.TrialTitle = savedTitle;
    ASSERT_TRUE(written);
    EXPECT_TRUE(text.contains(QStringLiteral(
        "INSERT INTO ACCREG VALUES('環境設定','試算表タイトル','文字','O\\'Neil\\\\試算表','');")));
    // It holds the dataset's passwords.
    const QFileDevice::Permissions others =
        QFileDevice::ReadGroup | QFileDevice::WriteGroup | QFileDevice::ReadOther | QFileDevice::WriteOther;
    EXPECT_FALSE(QFile::permissions(dumpPath()) & others);
    const QStringList lines = text.split(QStringLiteral("\r\n"));
    ASSERT_GT(lines.size(), 20);
    EXPECT_EQ(lines[0], QStringLiteral("-- "));
    EXPECT_EQ(lines[1], QStringLiteral("-- Web Solvarn DataBase Dump"));
    EXPECT_EQ(lines[2], QStringLiteral("--   Application     : Corvane連動コンポーネント ()"));
    EXPECT_EQ(lines[3], QStringLiteral("--   DataBase Version: 13.0.0"));
    EXPECT_EQ(lines[4], QStringLiteral("--   Creation File   : ") + dumpPath());
    EXPECT_TRUE(QRegularExpression(
                    QStringLiteral("^--   Creation Date   : \\d{4}/\\d\\d/\\d\\d \\d\\d:\\d\\d:\\d\\d$"))
                    .match(lines[5])
                    .hasMatch());
    EXPECT_EQ(lines[6], QStringLiteral("--   mysql importline: mysql.exe -u root < \"%1\"").arg(dumpPath()));
    EXPECT_EQ(lines[9], QStringLiteral("DROP DATABASE /*!32312 IF EXISTS*/ `solvar_d_test_1`;"));
    EXPECT_EQ(lines[11], QStringLiteral("USE `solvar_d_test_1`;"));
    EXPECT_EQ(lines[14], QStringLiteral("--  Table Create"));
    // Empty tables: their DELETE line and an empty line; the built-in chart line.
    EXPECT_TRUE(
        text.contains(QStringLiteral("\r\nDELETE FROM GROUPMST;\r\n\r\nDELETE FROM HIKAKU_BUMON;\r\n")));
    EXPECT_TRUE(text.contains(QStringLiteral("DELETE FROM CHARTINF;\r\nINSERT INTO CHARTINF "
                                             "VALUES(100009999,0,0,0,0,16777215,0,3,2,255,16776960,16711680,"
                                             "65535,20,0,0,0,0,0,0);\r\n")));
    // 25 settings statements after ACCREG, the 21st with an empty text.
    EXPECT_EQ(text.count(QStringLiteral("INSERT INTO ACCREG VALUES('")), 25);
    EXPECT_TRUE(text.contains(
        QStringLiteral("INSERT INTO ACCREG VALUES('環境設定','試算表販売費・一般管理費','文字','','');")));
    EXPECT_TRUE(
        QRegularExpression(QStringLiteral("INSERT INTO ACCVERSION\\(MAJOR,MINOR,REV,MEMO\\) VALUES\r\n"
                                          "\\(0,0,0,'\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d'\\);\r\n"))
            .match(text)
            .hasMatch());
    EXPECT_TRUE(QRegularExpression(QStringLiteral("\r\n\r\n--   Created Time: \\d\\d:\\d\\d:\\d\\d\r\n$"))
                    .match(text)
                    .hasMatch());
    // Every table's DELETE line, once.
    for (const TWebDbSqlDump::Block& b : TWebDbSqlDump::Blocks())
        EXPECT_EQ(text.count(QStringLiteral("\nDELETE FROM %1;").arg(QLatin1String(b.table))), 1) << b.table;
}

TEST_F(Dump, SplitTablesCutEvery100Rows) {
    struct Case {
        int rows, statements;
    } cases[] = {{100, 1}, {101, 2}, {200, 2}};
    int done = 0;
    for (const Case& c : cases) {
        addJournal(done + 1, c.rows);
        done = c.rows;
        QString text;
        ASSERT_TRUE(writeDump(&text));
        const QString b = block(text, QStringLiteral("SIWAKE2"));
        EXPECT_EQ(b.count(QStringLiteral("INSERT INTO SIWAKE2 VALUES\r\n")), c.statements) << c.rows;
        EXPECT_EQ(b.count(u'('), c.rows);
        // Each statement is one line ending with ";", and the block ends with one line end.
        const QStringList lines = b.split(QStringLiteral("\r\n"));
        EXPECT_EQ(lines.size(), 1 + 2 * c.statements + 1) << c.rows;
        EXPECT_TRUE(b.endsWith(QStringLiteral(");\r\n")));
        if (c.rows == 101) {
            EXPECT_EQ(lines[4], QStringLiteral("(101,101,'k',0,0);"));
        }
    }
}

TEST_F(Dump, ValueKinds) {
    ds.execute(QStringLiteral("INSERT INTO SIWAKE (REC, SWKREC, HIZUKE, KGROUP, KNAME, HNAME, TEKTEXT, NUK, "
                              "CTIME, RTIME, COMMENT) "
                              "VALUES (7, NULL, '2015-04-01', NULL, 'O''Neil\\x', NULL, 'ソフト表示', NULL, "
                              "'2015-04-01 00:00:00', "
                              "'1960-05-01 10:00:00', :C)"),
               [](fb::Query& q) { q.setString("C", QStringLiteral("一行目\r\n二行目")); });
    QString text;
    ASSERT_TRUE(writeDump(&text));
    const QString b = block(text, QStringLiteral("SIWAKE"));
    // REC N, SWKREC N null, SWKNO N default, DELFLG, TAISHAKU, HIZUKE Q ... KGROUP Q null '', KNAME S
    // escaped.
    EXPECT_TRUE(b.contains(QStringLiteral("(7,null,0,0,0,'2015/04/01',0,")));
    EXPECT_TRUE(b.contains(QStringLiteral(",'',0,'','',' ',' ','O\\'Neil\\\\x',null,'',")));
    EXPECT_TRUE(b.contains(QStringLiteral(",0,0,0,null,0,0,0,")));
    // Midnight as a date only; before 1970 clamped; a line break escaped; kanji in UTF-8.
    EXPECT_TRUE(b.contains(QStringLiteral("'2015/04/01','一行目\\r\\n二行目',")));
    EXPECT_TRUE(b.contains(QStringLiteral(",'1970-01-02 00:00:00',")));
    EXPECT_TRUE(b.contains(QStringLiteral("'ソフト表示'")));
    QFile f(dumpPath());
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_TRUE(f.readAll().contains("\xe3\x82\xbd\xe3\x83\x95\xe3\x83\x88")); // ソフト in UTF-8
}

TEST_F(Dump, TextOfEveryWidthArrivesInUtf8Escaped) {
    // One, two and three bytes in UTF-8, with the characters that are escaped between them.
    const QString text = QStringLiteral("a'±\\α\r表\x1A");
    ds.execute(QStringLiteral("INSERT INTO SIWAKE (REC, TEKTEXT) VALUES (8, :T)"),
               [&](fb::Query& q) { q.setString("T", text); });
    ASSERT_TRUE(writeDump());
    QFile f(dumpPath());
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_TRUE(f.readAll().contains("'a\\'\xc2\xb1\\\\\xce\xb1\\r\xe8\xa1\xa8\\Z'"));
}

TEST_F(Dump, GeneratedValues) {
    ds.execute(QStringLiteral("UPDATE ACCDEF1 SET ZKISHU = NULL, ZZKISHU = NULL, KISHU = '2015-04-01'"));
    ds.execute(QStringLiteral(
        "INSERT INTO CHARTINF (OPCODE, CTYPE1, BAKCOL, FORCOL) VALUES (100009999, 5, 255, 0)"));
    ds.execute(QStringLiteral("INSERT INTO CHARTINF (OPCODE, CTYPE1) VALUES (100000010, 4)"));
    for (const char* row : {"(7, 'B')", "(3, 'C')", "(9, 'A')"})
        ds.execute(QStringLiteral("INSERT INTO BUNSEKI_SYUKEIHYO (RECKEY, TITLE) VALUES ") +
                   QLatin1String(row));
    for (const char* row : {"(1200, 'P2')", "(1200, 'P1')", "(200, 'P0')"})
        ds.execute(QStringLiteral("INSERT INTO JOBCONTROL2 (LEVELNO, PROC_ID) VALUES ") + QLatin1String(row));
    ds.execute(QStringLiteral("INSERT INTO SISETUMST (SCODE, XSTR7, XSTR8) VALUES ('S1', 'seven', 'eight')"));
    ds.execute(
        QStringLiteral("INSERT INTO KAMOKUMST (KCODE, SIKINGURIKUBUN, GROUPM3) VALUES ('K1', 'x', 'g')"));
    AccInf.DATATYPE = 3;
    QString text;
    ASSERT_TRUE(writeDump(&text));
    EXPECT_TRUE(
        block(text, QStringLiteral("ACCDEF1")).contains(QStringLiteral(",'2013/04/01','2014/04/01',")));
    EXPECT_TRUE(
        block(text, QStringLiteral("CHARTINF"))
            .contains(QStringLiteral("INSERT INTO CHARTINF VALUES\r\n(100009999,2,0,0,0,16711680,0,")));
    EXPECT_TRUE(block(text, QStringLiteral("BUNSEKI_SYUKEIHYO"))
                    .contains(QStringLiteral(
                        "(1,'','A',0,0,0,0,0,0),(2,'','B',0,0,0,0,0,0),(3,'','C',0,0,0,0,0,0);")));
    // Medical data: level 1200, numbered in PROC_ID order, always 200 in the second place.
    EXPECT_TRUE(block(text, QStringLiteral("JOBCONTROL"))
                    .contains(QStringLiteral(
                        "INSERT INTO JOBCONTROL VALUES\r\n(1,200,0,0,'','P1'),(2,200,0,0,'','P2');")));
    EXPECT_TRUE(block(text, QStringLiteral("SISETUMST")).contains(QStringLiteral("'','',0,'',")));
    // Medical data reads its own columns; non-medical data would write null for GROUPM3.
    const QString kamoku = block(text, QStringLiteral("KAMOKUMST"));
    EXPECT_TRUE(kamoku.contains(QStringLiteral(",0,'','',0,'0000-00-00 00:00:00','g','',")));
    AccInf.DATATYPE = 1;
    ASSERT_TRUE(writeDump(&text));
    EXPECT_TRUE(block(text, QStringLiteral("KAMOKUMST"))
                    .contains(QStringLiteral("'0000-00-00 00:00:00',null,null,")));
    EXPECT_EQ(block(text, QStringLiteral("MSD_HOUKOKU")), QStringLiteral("DELETE FROM MSD_HOUKOKU;\r\n\r\n"));
    EXPECT_TRUE(block(text, QStringLiteral("JOBCONTROL")).contains(QStringLiteral("(1,200,0,0,'','P0');")));
}

TEST_F(Dump, OlderDataLeavesOutTheNewTables) {
    ds.execute(QStringLiteral("INSERT INTO JOBCONTROL2 (LEVELNO, PROC_ID) VALUES (200, 'P')"));
    ds.execute(QStringLiteral("INSERT INTO KAMOKU_MS (SCODE, KCODE, HCODE, BCODE, MNUM, BYOSAN2) VALUES "
                              "(' ', 'K', ' ', ' ', 1, 5)"));
    ds.execute(QStringLiteral("DELETE FROM KAMOKU_KOSEI_GROUP")); // one group of the dataset's own
    ds.execute(QStringLiteral("INSERT INTO KAMOKU_KOSEI_GROUP (FGNAME, FKCODE) VALUES ('G', 'K')"));
    setVersion(8, 0, 1);
    QString text;
    ASSERT_TRUE(writeDump(&text));
    EXPECT_TRUE(text.contains(QStringLiteral("DELETE FROM JOBCONTROL;\r\nDELETE FROM KAKOSIWAKE1;")));
    for (const char* t : {"AOPRO_YOSAN_KANRI", "AOPRO_KAMOKU_YOSAN", "SOLVARNE_YOJITU_HYOKARULE"})
        EXPECT_EQ(block(text, QLatin1String(t)),
                  QStringLiteral("DELETE FROM %1;\r\n\r\n").arg(QLatin1String(t)));
    EXPECT_TRUE(text.contains(
        QStringLiteral("DELETE FROM AOPRO_YOSAN_KIHONRULE;\r\n\r\nDELETE FROM KAMOKU_KOSEI_GROUP;")));
    EXPECT_TRUE(
        text.contains(QStringLiteral("DELETE FROM KAMOKU_KOSEI_GROUP;\r\n\r\nDELETE FROM KAMOKU_KOSEI_GROUP "
                                     "WHERE (FGNAME='未払金／未払費用');\r\n")));
    EXPECT_TRUE(block(text, QStringLiteral("KAMOKU_MS")).contains(QStringLiteral(",0,0);")));
    // No default rules went into older data.
    auto db = ds.connect();
    fb::Transaction t(*db);
    fb::Query q(t, QStringLiteral("SELECT COUNT(*) AS N FROM AOPRO_YOSAN_KIHONRULE"));
    EXPECT_EQ(q.openInt("N"), 0);
    q.close();

    setVersion(8, 1, 0);
    ASSERT_TRUE(writeDump(&text));
    EXPECT_TRUE(block(text, QStringLiteral("JOBCONTROL")).contains(QStringLiteral("(1,200,0,0,'','P');")));
    EXPECT_TRUE(block(text, QStringLiteral("KAMOKU_MS")).contains(QStringLiteral(",5,0);")));
    EXPECT_TRUE(text.contains(
        QStringLiteral("INSERT INTO KAMOKU_KOSEI_GROUP(FGNAME,FKCODE,FHCODE) VALUES\r\n('G','K','');"
                       "DELETE FROM KAMOKU_KOSEI_GROUP WHERE")));
}

TEST_F(Dump, DefaultRulesAreCommittedApartFromTheCallersWork) {
    // The caller has uncommitted work in the shared transaction.
    dm.dm->IBTransactionDAT.start();
    fb::Query pending(dm.dm->IBTransactionDAT,
                      QStringLiteral("INSERT INTO GROUPMST (GCODE, GNAME) VALUES ('G1', 'x')"));
    pending.execute();
    for (int n = 1; n <= 12; ++n)
        ds.execute(QStringLiteral(
                       "INSERT INTO AOPRO_YOSAN_KIHONRULE (FKOMOKU, FROW, FHIZUKE) VALUES ('納税', :N, :D)"),
                   [&](fb::Query& q) {
                       q.setInt("N", n);
                       q.setDayCount("D", TDateTime::fromDate(2015, 6, 13 - n).value());
                   });
    ds.execute(QStringLiteral("INSERT INTO AOPRO_YOSAN_KIHONRULE (FKOMOKU, FROW) VALUES ('その他', 1)"));
    ds.execute(
        QStringLiteral("DELETE FROM AOPRO_YOSAN_KIHONRULE WHERE FKOMOKU <> '納税' AND FKOMOKU <> 'その他'"));
    // Only the local table being empty brings the defaults: with rows present none are added.
    QString text;
    ASSERT_TRUE(writeDump(&text));
    EXPECT_TRUE(dm.dm->IBTransactionDAT.isActive());
    const QString rules = block(text, QStringLiteral("AOPRO_YOSAN_KIHONRULE"));
    EXPECT_FALSE(rules.contains(QStringLiteral(",'売上債権',")));
    // Twelve tax rules give ten, ordered by date; FID runs on into the third group.
    EXPECT_TRUE(rules.contains(QStringLiteral("(1,'納税',12,")));
    EXPECT_TRUE(rules.contains(QStringLiteral("(10,'納税',3,")));
    EXPECT_FALSE(rules.contains(QStringLiteral("'納税',2,")));
    EXPECT_TRUE(rules.contains(QStringLiteral("(11,'その他',1,")));
    // The caller's row is in the dump (same transaction) but still uncommitted.
    EXPECT_TRUE(block(text, QStringLiteral("GROUPMST")).contains(QStringLiteral("('G1','x');")));

    ds.execute(QStringLiteral("DELETE FROM AOPRO_YOSAN_KIHONRULE"));
    ASSERT_TRUE(writeDump(&text));
    const QString defaults = block(text, QStringLiteral("AOPRO_YOSAN_KIHONRULE"));
    EXPECT_TRUE(defaults.contains(QStringLiteral("(1,'仕入債務',1,'現金',")));
    EXPECT_TRUE(defaults.contains(QStringLiteral("(6,'売上債権',3,'手形',0,2,'','1970-01-02 00:00:00',0);")));
    EXPECT_TRUE(dm.dm->IBTransactionDAT.isActive());
    {
        auto db = ds.connect();
        fb::Transaction t(*db);
        fb::Query q(t, QStringLiteral("SELECT COUNT(*) AS N FROM AOPRO_YOSAN_KIHONRULE"));
        EXPECT_EQ(q.openInt("N"), 6); // committed
        q.setSql(QStringLiteral("SELECT COUNT(*) AS N FROM GROUPMST"));
        EXPECT_EQ(q.openInt("N"), 0); // the caller's row is not
        t.commit();
    }
    dm.dm->IBTransactionDAT.rollback();
    auto db = ds.connect();
    fb::Transaction t(*db);
    fb::Query q(t, QStringLiteral("SELECT COUNT(*) AS N FROM GROUPMST"));
    EXPECT_EQ(q.openInt("N"), 0);
}

TEST_F(Dump, KanaNulAndMoneyAsTheirLiterals) {
    const struct {
        QString text;
        qint64 money; // × 10^4
        QString literal;
    } cases[] = {
        {QStringLiteral("ｶﾀｶﾅﾃﾞｽ"), 1, QStringLiteral("'ｶﾀｶﾅﾃﾞｽ','','',0,0,0,0.0001,")},
        {QStringLiteral("半角ｶﾅと全角カナ\\'"), -12346,
         QStringLiteral("'半角ｶﾅと全角カナ\\\\\\'','','',0,0,0,-1.2346,")},
        {QString(QChar(0)) + QStringLiteral("a\r\n"), 24691,
         QStringLiteral("'\\0a\\r\\n','','',0,0,0,2.4691,")},
        {QStringLiteral("～－"), -1000000, QStringLiteral("'～－','','',0,0,0,-100,")},
    };
    int rec = 9000;
    for (const auto& c : cases)
        ds.execute(QStringLiteral("INSERT INTO SIWAKE (REC, KNAME, TEKTEXT, NUK) VALUES (:R, :T, :T, :N)"),
                   [&](fb::Query& q) {
                       q.setInt("R", rec++);
                       q.setString("T", c.text);
                       q.setScaled("N", c.money, 4);
                   });
    QString text;
    ASSERT_TRUE(writeDump(&text));
    const QString b = block(text, QStringLiteral("SIWAKE"));
    for (const auto& c : cases)
        EXPECT_TRUE(b.contains(c.literal)) << c.literal.toStdString();
    // The text column further on in the row, the same literal.
    EXPECT_TRUE(b.contains(QStringLiteral(",0,0,0,0,0,0,'ｶﾀｶﾅﾃﾞｽ',0,'',")));
}

} // namespace
