// The system database's upgrade steps through real isql-fb, on a database built from the base before
// the first step: schema, migrated rows and the numbering of the version table.

#include "UpgradeTestSupport.h"
#include "core/uAccDateCmp.h"
#include "core/uAccRecord.h"
#include "dbupdate/z5DbUpdateScript.h"
#include "dbupdate/z5DbUpdateStep.h"
#include "dbupdate/z5DbUpdateSteps.h"
#include "platform/firebird/FbDatabase.h"
#include "platform/firebird/FbQuery.h"
#include "platform/firebird/FbTransaction.h"
#include "support/DbCompare.h"
#include "support/DmFixture.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

namespace {

struct SystemStepsTest : ::testing::Test {
    testenv::DmEnvironment e;
    TArrayDbUpdateListRec steps = BuildSteps(TDbKind::System);
    size_t next = 0;

    const quint8 savedMode = ConnectMode;
    const quint8 savedEdition = TavrinoEdition;
    const QString savedServerDir = ServerDirName;

    ~SystemStepsTest() override {
        ConnectMode = savedMode;
        TavrinoEdition = savedEdition;
        ServerDirName = savedServerDir;
        CodeSchemeImportProc = nullptr;
        SystemDef.SqlDir = savedSqlDir;
    }
    SystemStepsTest() {
        e.dm->IBDatabaseDEF.detach();
        testenv::createDatabaseFromScript(
            testenv::sourceDir() + QStringLiteral("/sql/base/placcdef_base.sql"), e.root->systemDatabase());
    }

    // Runs the pending steps up to and including the version; each must succeed.
    void runTo(const TDbVersion& last) {
        for (; next < steps.size() && !(last < steps[next].version()); ++next)
            ASSERT_EQ(steps[next].StepProc(), StepDone) << steps[next].version().text().toStdString() << "\n"
                                                        << e.ui->messageTexts().join(u'\n').toStdString();
    }
    // The version folders of the steps' files: ours, or a copy a test changes.
    void useSqlFolder(const QString& folder) { SystemDef.SqlDir = folder; }
    QString savedSqlDir = SystemDef.SqlDir;
    void exec(const QString& sql) const { e.executeSystem(sql); }
    // Every row as its fields joined by "|", in the statement's order.
    QStringList rows(const QString& sql) const { return rowsIn(e.root->systemDatabase(), sql); }
    static QStringList rowsIn(const QString& database, const QString& sql) {
        fb::Database db(database, testenv::databaseUser());
        db.attach();
        const QStringList out = queryRows(db, sql);
        db.detach();
        return out;
    }
    QStringList columns(const QString& table) const {
        return rows(QStringLiteral("SELECT TRIM(RDB$FIELD_NAME) FROM RDB$RELATION_FIELDS WHERE "
                                   "RDB$RELATION_NAME = '%1' ORDER BY RDB$FIELD_POSITION")
                        .arg(table));
    }
    // The text of the composed script of a step, between the opening and the stamp.
    static QStringList body(const TDbVersion& v) {
        const TStepSpec* spec = FindStep(TDbKind::System, v);
        QStringList lines;
        EXPECT_TRUE(spec && ComposeStepScript(*spec, spec->Content(), lines));
        return lines;
    }
};

TEST_F(SystemStepsTest, FirstStepsNumberVersionsAndReplaceTheSharedServerList) {
    exec(QStringLiteral("INSERT INTO SERVERDATALIST (GROUPID, ENTTEXT) VALUES (10000, 'old')"));
    runTo({0, 3, 1});
    // The stamp of 0.3.1 was numbered by the new trigger; later rows follow whatever REC they bring.
    EXPECT_EQ(rows(QStringLiteral("SELECT REC, MAJOR, MINOR1, MINOR2 FROM VERSION")), QStringList{"1|0|3|1"});
    exec(QStringLiteral("INSERT INTO VERSION (REC, MAJOR) VALUES (77, 9)"));
    EXPECT_EQ(rows(QStringLiteral("SELECT MAX(REC) FROM VERSION")), QStringList{"2"});
    exec(QStringLiteral("DELETE FROM VERSION WHERE REC = 2"));

    // The old list's rows went with it; the new one is keyed by group, drive letter and number.
    EXPECT_TRUE(rows(QStringLiteral("SELECT * FROM SERVERDATALIST")).isEmpty());
    EXPECT_EQ(columns(QStringLiteral("SERVERDATALIST")).mid(0, 4),
              (QStringList{"GROUPID", "DRIVELETTER", "REC", "ENTTEXT"}));
    EXPECT_TRUE(columns(QStringLiteral("DATALIST")).contains(QStringLiteral("KYOYULOCK")));
    EXPECT_EQ(columns(QStringLiteral("KENSAKUJYOKEN")).size(), 12);
    exec(QStringLiteral("INSERT INTO SERVERDATALIST (GROUPID, DRIVELETTER, REC) VALUES (10000, 'S', 1)"));
    EXPECT_THROW(
        exec(QStringLiteral("INSERT INTO SERVERDATALIST (GROUPID, DRIVELETTER, REC) VALUES (10000, 'S', 1)")),
        std::exception);

    // The system user of the electronic ledger arrives with a password, which 0.3.3 clears.
    runTo({0, 3, 2});
    const QStringList op =
        rows(QStringLiteral("SELECT OPNAME, JOBLEVEL, CHAR_LENGTH(PASWORD) FROM OPERATOR WHERE "
                            "GROUPID = 10000 AND OPCODE = 1"));
    EXPECT_EQ(op, QStringList{"システムユーザー|9|1"});
    runTo({0, 3, 3});
    EXPECT_EQ(rows(QStringLiteral("SELECT PASWORD FROM OPERATOR WHERE GROUPID = 10000 AND OPCODE = 1")),
              QStringList{""});
    EXPECT_EQ(rows(QStringLiteral("SELECT REC, MINOR2 FROM VERSION ORDER BY REC")),
              (QStringList{"1|1", "2|2", "3|3"}));
}

TEST_F(SystemStepsTest, FolderCaseStepCallsTheProcedureOnlyOnTheSharedServer) {
    ConnectMode = 0;
    EXPECT_FALSE(body({1, 0, 1}).join(u'\n').contains(QStringLiteral("SP_DATALIST_UPDATE")));
    ConnectMode = 1;
    ServerDirName = QStringLiteral("/srv/Data's");
    // The folder keeps its case and its quote is doubled.
    EXPECT_TRUE(
        body({1, 0, 1}).contains(QStringLiteral("SELECT * FROM SP_DATALIST_UPDATE('/srv/Data''s');")));
    ConnectMode = 0; // the fixture's database is reached embedded
    runTo({1, 0, 1});
    EXPECT_EQ(rows(QStringLiteral("SELECT MAX(REC) FROM VERSION")), QStringList{"4"});
}

TEST_F(SystemStepsTest, LockAndMergeColumnsChildListsAndPageRotation) {
    runTo({1, 0, 1});
    exec(QStringLiteral("INSERT INTO DATALIST (REC, PASNAME) VALUES (1, '/d/0001')"));
    runTo({3, 0, 0});
    EXPECT_EQ(rows(QStringLiteral("SELECT UPDATE_LOCK, GASSAN FROM DATALIST")), QStringList{"0|0"});
    EXPECT_TRUE(columns(QStringLiteral("SERVERDATALIST")).contains(QStringLiteral("GASSAN")));

    runTo({3, 0, 5});
    EXPECT_EQ(columns(QStringLiteral("CHILD_DATALIST")).size(), 21);
    EXPECT_EQ(columns(QStringLiteral("CHILD_SERVERDATALIST")).size(), 20);
    exec(QStringLiteral("INSERT INTO CHILD_DATALIST (REC, ROWNO) VALUES (1, 1)"));
    exec(QStringLiteral("DELETE FROM DATALIST WHERE REC = 1")); // the children go with their list row
    EXPECT_TRUE(rows(QStringLiteral("SELECT * FROM CHILD_DATALIST")).isEmpty());

    // Pages 10, 11, 12 rotate above level 1000 only; pages 100, 110 and 120 that were there stay.
    for (const int level : {1000, 1001})
        for (const int page : {10, 11, 12, 100, 110, 120})
            exec(QStringLiteral("INSERT INTO JOBCONTROL (LEVELNO, PAGENO, MENUNO) VALUES (%1, %2, %3)")
                     .arg(level)
                     .arg(page)
                     .arg(page + 1));
    runTo({3, 0, 7});
    EXPECT_EQ(rows(QStringLiteral("SELECT LEVELNO, PAGENO, MENUNO FROM JOBCONTROL ORDER BY LEVELNO, PAGENO")),
              (QStringList{"1000|10|11", "1000|11|12", "1000|12|13", "1000|100|101", "1000|110|111",
                           "1000|120|121", "1001|10|13", "1001|11|11", "1001|12|12", "1001|100|101",
                           "1001|110|111", "1001|120|121"}));
    EXPECT_EQ(rows(QStringLiteral("SELECT COUNT(*), MAX(REC) FROM VERSION")), QStringList{"7|7"});
}

TEST_F(SystemStepsTest, EraTableCompanyCodeFirstInsertProcedureAndTwentyCodeSchemes) {
    runTo({3, 0, 7});
    exec(QStringLiteral("INSERT INTO SYSTEMINI (REC, RESERVE1, RESERVE2) VALUES (10, 1, 5)"));
    exec(QStringLiteral("INSERT INTO SYSTEMINI (REC, RESERVE1, RESERVE2) VALUES (20, 1, 5)"));
    runTo({4, 0, 0});
    EXPECT_EQ(rows(QStringLiteral("SELECT REC, RESERVE2 FROM SYSTEMINI ORDER BY REC")),
              (QStringList{"10|63", "20|5"}));
    EXPECT_EQ(rows(QStringLiteral("SELECT GSIGN, YEAROFFSET FROM GENGO ORDER BY YEAROFFSET")),
              (QStringList{"M|1868", "T|1912", "S|1926", "H|1989"}));
    EXPECT_EQ(rows(QStringLiteral("SELECT COUNT(*), MIN(RECNO), MAX(RECNO) FROM USERCODE")),
              QStringList{"20|1|20"});
    for (const char* t : {"DATALIST", "SERVERDATALIST", "CHILD_DATALIST", "CHILD_SERVERDATALIST"})
        EXPECT_TRUE(columns(QString::fromLatin1(t)).contains(QStringLiteral("DATACODE"))) << t;

    // The first form fills the standard list from its highest number up to the count.
    exec(QStringLiteral("INSERT INTO DATALIST (REC, PASNAME) VALUES (1, '/d/0001')"));
    EXPECT_EQ(rows(QStringLiteral("SELECT REC, PASNAME FROM SP_DATALIST_INSERT(3, '/data')")),
              (QStringList{"2|/data/0002", "3|/data/0003"}));
    EXPECT_TRUE(rows(QStringLiteral("SELECT REC FROM SP_DATALIST_INSERT(1, '/data')")).isEmpty());
}

TEST_F(SystemStepsTest, DataStatusColumnsOnlyForTheGeneralEdition) {
    TavrinoEdition = 1;
    EXPECT_FALSE(body({4, 0, 2}).join(u'\n').contains(QStringLiteral("ALTER")));
    TavrinoEdition = 0;
    // On the shared server the folder goes to the procedure with its case kept and its quote doubled.
    ConnectMode = 1;
    ServerDirName = QStringLiteral("/srv/Data's");
    EXPECT_TRUE(
        body({4, 0, 2}).contains(QStringLiteral("SELECT * FROM SP_DATALIST_UPDATE('/srv/Data''s');")));
    ConnectMode = 0;
    const QString general = body({4, 0, 2}).join(u'\n');
    EXPECT_TRUE(general.contains(QStringLiteral("ALTER TABLE CHILD_SERVERDATALIST ADD YOBI3")));
    EXPECT_FALSE(general.contains(QStringLiteral("SP_DATALIST_UPDATE")));
    runTo({4, 0, 2});
    exec(QStringLiteral("INSERT INTO DATALIST (REC) VALUES (1)"));
    EXPECT_EQ(rows(QStringLiteral("SELECT DATA_STATUS, YOBI1 FROM DATALIST")), QStringList{"0|"});
}

TEST_F(SystemStepsTest, DataPlacesAndTheSecondInsertProcedure) {
    // The standard place is named after the folder up to 40 bytes.
    ServerDirName = QStringLiteral("/") + QString(39, u'a');
    EXPECT_TRUE(body({5, 0, 0}).contains(
        QStringLiteral("INSERT INTO DATAPLACEMAN(REC,ORDERKBN,NAME,PATH) VALUES(0,1,'%1','%1');")
            .arg(ServerDirName)));
    ServerDirName = QStringLiteral("/") + QString(19, u'あ') + QStringLiteral("ab"); // 41 bytes
    EXPECT_TRUE(body({5, 0, 0}).contains(
        QStringLiteral("INSERT INTO DATAPLACEMAN(REC,ORDERKBN,NAME,PATH) VALUES(0,1,'標準の場所','%1');")
            .arg(ServerDirName)));
    EXPECT_FALSE(body({5, 0, 0}).join(u'\n').contains(QStringLiteral("SYSREG")));

    // A quote in the folder reaches the rows as it is.
    ServerDirName = QStringLiteral("/srv/o'data");
    runTo({5, 0, 0});
    EXPECT_EQ(
        rows(QStringLiteral("SELECT REC, ORDERKBN, NAME, PATH FROM DATAPLACEMAN WHERE REC IN (0, 1, 99) "
                            "ORDER BY REC")),
        (QStringList{"0|1|/srv/o'data|/srv/o'data", "1|2||/srv/o'data01", "99|100||/srv/o'data99"}));
    EXPECT_EQ(rows(QStringLiteral("SELECT COUNT(*) FROM DATAPLACEMAN")), QStringList{"100"});

    // Place 0 fills the standard list, another place its own list in DATALIST_EX.
    EXPECT_EQ(rows(QStringLiteral("SELECT REC, PATHNAME FROM SP_DATALIST_INSERT(0, '/d', 2)")),
              (QStringList{"1|/d/0001", "2|/d/0002"}));
    EXPECT_EQ(rows(QStringLiteral("SELECT REC, PATHNAME FROM SP_DATALIST_INSERT(5, '/e', 2)")),
              (QStringList{"1|/e/0001", "2|/e/0002"}));
    EXPECT_EQ(rows(QStringLiteral("SELECT DATAPLACEREC, REC, PASNAME FROM DATALIST_EX ORDER BY REC")),
              (QStringList{"5|1|/e/0001", "5|2|/e/0002"}));
    EXPECT_EQ(rows(QStringLiteral("SELECT COUNT(*), MAX(REC) FROM VERSION")), QStringList{"10|10"});
}

// The editions import their code schemes into the slots that have a file; a failed slot keeps the
// others and is named.
TEST_F(SystemStepsTest, EditionStepImportsEveryCodeSchemeAndWritesTheTrialBalanceSetting) {
    TavrinoEdition = 2;
    const QString sqlDir = e.env.path() + QStringLiteral("/sqlfiles");
    ASSERT_TRUE(QDir().mkpath(sqlDir + QStringLiteral("/500")));
    for (const QString& name :
         {QStringLiteral("販売業.txt"), QStringLiteral("製造業.txt"), QStringLiteral("個人　医業.txt")}) {
        QFile f(sqlDir + QStringLiteral("/500/") + name);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("[CODE]\r\n");
    }
    useSqlFolder(sqlDir);
    QList<int> tried;
    CodeSchemeImportProc = [&](const QString& path, int slot) {
        tried << slot;
        EXPECT_TRUE(QFile::exists(path));
        return slot != 2;
    };
    exec(QStringLiteral(
        "INSERT INTO SYSREG (OPCODE, SCODE, STEXT) VALUES (100010, '試算表集計出力区分', '0')"));
    runTo({5, 0, 0});
    EXPECT_EQ(tried, (QList<int>{1, 2, 10}));
    const QString shown = e.ui->messageTexts().join(u'\n');
    EXPECT_TRUE(shown.contains(QStringLiteral("2 (製造業.txt)"))) << shown.toStdString();
    EXPECT_FALSE(shown.contains(QStringLiteral("1 (販売業.txt)")));
    EXPECT_EQ(rows(QStringLiteral("SELECT STEXT FROM SYSREG")), QStringList{"1"});
    // The edition wrote no data-status columns at 4.0.2.
    EXPECT_FALSE(columns(QStringLiteral("DATALIST")).contains(QStringLiteral("DATA_STATUS")));
}

// The menu positions of a general and a medical level become programs; JOBCONTROL keeps its rows.
TEST_F(SystemStepsTest, JobControlBecomesProgramsPerLevel) {
    useSqlFolder(testenv::sourceDir() + QStringLiteral("/sql"));
    runTo({7, 0, 4}); // after the page rotation of 3.0.7
    for (const char* row :
         {"9, 1, 0", "9, 1, 1", "9, 2, 0", "9, 10, 0", "9, 1, 15", "1009, 2, 0", "1009, 10, 0"})
        exec(QStringLiteral("INSERT INTO JOBCONTROL (LEVELNO, PAGENO, MENUNO) VALUES (%1)")
                 .arg(QLatin1String(row)));
    runTo({8, 0, 2});
    EXPECT_EQ(rows(QStringLiteral(
                  "SELECT LEVELNO, PROC_ID, PROC_OPTION FROM JOBCONTROL2 ORDER BY LEVELNO, PROC_ID, "
                  "PROC_OPTION")),
              (QStringList{"9|QzHojinKessansyo|", "9|QzSiwake|SyoriType=0", "9|QzSiwake|SyoriType=1",
                           "9|QzSolvarne1|", "1009|QzMBKessansyo|"}));
    EXPECT_EQ(rows(QStringLiteral("SELECT COUNT(*) FROM JOBCONTROL")), QStringList{"7"});
}

TEST_F(SystemStepsTest, SettingsRecordTenGainsItsThirdFlagOnlyWhenTheFirstIsSet) {
    useSqlFolder(testenv::sourceDir() + QStringLiteral("/sql"));
    runTo({5, 0, 0});
    exec(
        QStringLiteral("INSERT INTO SYSTEMINI (REC, RESERVE1, RESERVE2, RESERVE4, SSTR) VALUES (10, 1, 7, 9, "
                       "'NAME=本社' || ASCII_CHAR(13) || 'JYUSHO=東京' || ASCII_CHAR(13) || 'TEL=03')"));
    runTo({7, 0, 0});
    EXPECT_EQ(rows(QStringLiteral(
                  "SELECT RESERVE1, RESERVE2, RESERVE3, RESERVE4, REPLACE(SSTR, ASCII_CHAR(13), '/') "
                  "FROM SYSTEMINI WHERE REC = 10")),
              QStringList{"1|7|1|0|NAME=本社/JYUSHO=東京/TEL=03/"});
    EXPECT_EQ(SystemDef.SysIniName, QStringLiteral("本社"));
    EXPECT_EQ(SystemDef.SysIni10Reserve3, 1);
}

TEST_F(SystemStepsTest, SettingsRecordTenStaysWhenTheFirstFlagIsClear) {
    useSqlFolder(testenv::sourceDir() + QStringLiteral("/sql"));
    runTo({5, 0, 0});
    exec(QStringLiteral("INSERT INTO SYSTEMINI (REC, RESERVE1, RESERVE4, SSTR) VALUES (10, 0, 9, 'NAME=x')"));
    runTo({7, 0, 0});
    EXPECT_EQ(rows(QStringLiteral("SELECT RESERVE3, RESERVE4, SSTR FROM SYSTEMINI")),
              QStringList{"0|9|NAME=x"});
}

// The journal-input settings of every operator become eight typed settings.
TEST_F(SystemStepsTest, JournalInputSettingsBecomeTypedSettingsPerOperator) {
    useSqlFolder(testenv::sourceDir() + QStringLiteral("/sql"));
    runTo({8, 0, 2});
    exec(QStringLiteral("INSERT INTO SYSDEF (OPCODE, DICTEKAUTO, DICTORAUTO) VALUES (100010, 0, 2)"));
    exec(QStringLiteral("INSERT INTO SYSDEF (OPCODE, DICTEKAUTO, DICTORAUTO) VALUES (100020, 1, 0)"));
    exec(QStringLiteral(
        "INSERT INTO SYSREG (OPCODE, SCODE, STYPE, STEXT) VALUES (100010, '取引先項目の入力区分', "
        "'整数', '3')"));
    runTo({9, 0, 4});
    QStringList settings = rows(QStringLiteral("SELECT SCODE, STEXT FROM SYSREG WHERE OPCODE = 100010"));
    settings.sort();
    QStringList expected{"取引先＿入力なし区分|1", "取引先＿自動開く区分|1", "取引先＿辞書開く区分|0",
                         "取引先＿連想開く区分|1", "取引先項目の入力区分|3", "摘要＿入力なし区分|0",
                         "摘要＿自動開く区分|0",   "摘要＿辞書開く区分|1",   "摘要＿連想開く区分|0",
                         "摘要項目の入力区分|0"};
    expected.sort();
    EXPECT_EQ(settings, expected);
    // Each operator from its own settings.
    settings = rows(QStringLiteral("SELECT SCODE, STEXT FROM SYSREG WHERE OPCODE = 100020"));
    settings.sort();
    expected = QStringList{"取引先＿入力なし区分|0", "取引先＿自動開く区分|0", "取引先＿辞書開く区分|1",
                           "取引先＿連想開く区分|0", "取引先項目の入力区分|0", "摘要＿入力なし区分|0",
                           "摘要＿自動開く区分|1",   "摘要＿辞書開く区分|1",   "摘要＿連想開く区分|0",
                           "摘要項目の入力区分|0"};
    expected.sort();
    EXPECT_EQ(settings, expected);
}

// A script that fails after adding an era still leaves the era table reloaded.
TEST_F(SystemStepsTest, EraTableIsReloadedAfterAFailedEraScript) {
    const QString sqlDir = e.env.path() + QStringLiteral("/sqlfiles");
    for (const char* v : {"800", "802", "1004", "1101"})
        ASSERT_TRUE(QDir().mkpath(sqlDir + u'/' + QLatin1String(v)));
    for (const char* f : {"800/sysup01.sql", "802/sysup01.sql", "1004/sysup01.sql", "1101/sysup02.sql"})
        ASSERT_TRUE(QFile::copy(testenv::sourceDir() + QStringLiteral("/sql/") + QLatin1String(f),
                                sqlDir + u'/' + QLatin1String(f)));
    QFile era(sqlDir + QStringLiteral("/1101/sysup01.sql"));
    ASSERT_TRUE(era.open(QIODevice::WriteOnly));
    era.write("INSERT INTO GENGO (GNAME, GSIGN, STARTDATE, YEAROFFSET) VALUES ('NEWERA', 'N', '2040-01-01', "
              "2040);\n"
              "COMMIT;\nINSERT INTO NO_SUCH_TABLE VALUES (1);\n");
    era.close();
    useSqlFolder(sqlDir);
    runTo({10, 0, 4});
    GengoTable.clear();
    EXPECT_NE(steps[next].StepProc(), StepDone);
    ASSERT_FALSE(GengoTable.isEmpty());
    EXPECT_EQ(GengoTable.front().Letter, QStringLiteral("N"));
    EXPECT_EQ(GengoTable.front().StartYear, 2040);
}

// Every step from the base on: one version row each, ending at 12.0.0.
TEST_F(SystemStepsTest, TheBaseReachesTheNewestVersion) {
    useSqlFolder(testenv::sourceDir() + QStringLiteral("/sql"));
    runTo({12, 0, 0});
    EXPECT_EQ(next, steps.size());
    EXPECT_EQ(
        rows(QStringLiteral("SELECT COUNT(*), MAX(REC), MAX(MAJOR * 10000 + MINOR1 * 100 + MINOR2) FROM "
                            "VERSION")),
        QStringList{"18|18|120000"});
    EXPECT_EQ(rows(QStringLiteral("SELECT GSIGN FROM GENGO ORDER BY YEAROFFSET")),
              (QStringList{"M", "T", "S", "H", "R"}));
    EXPECT_EQ(rows(QStringLiteral("SELECT COUNT(*) FROM USERCODE")), QStringList{"20"});
    for (const char* t :
         {"DATALIST", "DATALIST_EX", "CHILD_DATALIST", "SERVERDATALIST", "CHILD_SERVERDATALIST"})
        EXPECT_TRUE(columns(QString::fromLatin1(t)).contains(QStringLiteral("READ_ONLY"))) << t;

    // The upgraded database holds the objects of a new one, and the same eras and user codes.
    const QString fresh = e.env.path() + QStringLiteral("/fresh.fdb");
    testenv::createDatabaseFromScript(testenv::systemSchemaScript(), fresh);
    const QStringList diff = testenv::compareSchemas(e.root->systemDatabase(), fresh);
    EXPECT_TRUE(diff.isEmpty()) << diff.join(u'\n').toStdString();
    for (const char* sql : {"SELECT * FROM GENGO ORDER BY YEAROFFSET", "SELECT * FROM USERCODE ORDER BY RECNO"})
        EXPECT_EQ(rows(QLatin1String(sql)).join(u'\n').toStdString(),
                  rowsIn(fresh, QLatin1String(sql)).join(u'\n').toStdString());
}

} // namespace
