// The update script: common lines, the three layouts, the version stamps with their memo forms, the
// external files of a step's version folder and the connect line of each connection kind.

#include "core/uAccRecord.h"
#include "dbupdate/z5DbUpdateScript.h"
#include "platform/Cp932.h"
#include "support/TestEnv.h"

#include <QDir>
#include <gtest/gtest.h>

namespace {

struct UpdateScriptTest : ::testing::Test {
    testenv::TempEnvironment env;
    TSystemDef savedDef = SystemDef;
    quint8 savedMode = ConnectMode;
    std::function<QDateTime()> savedClock = DbUpdateClock;

    UpdateScriptTest() {
        SystemDef.PCName = QStringLiteral("TESTPC");
        SystemDef.OPCODE = 10000 * 10000 + 10;
        SystemDef.LoginCode = 10;
        SystemDef.OperatorName = QStringLiteral("管理者");
        SystemDef.SYSDIR = QStringLiteral("/srv/quarno/data");
        SystemDef.DataDir = QStringLiteral("/srv/quarno/data/0001");
        SystemDef.HOSTNAME.clear();
        SystemDef.GOGLOBAL = 0;
        SystemDef.SqlDir = env.path() + QStringLiteral("/sql");
        ConnectMode = 0;
        DbUpdateClock = [] { return QDateTime(QDate(2026, 4, 5), QTime(9, 8, 7)); };
    }
    ~UpdateScriptTest() override {
        SystemDef = savedDef;
        ConnectMode = savedMode;
        DbUpdateClock = savedClock;
    }
    void writeStepFile(const TDbVersion& v, const QString& name, const QString& text) {
        ASSERT_TRUE(testenv::writeFile(StepFileFolder(v) + u'/' + name, cp932::encode(text)));
    }
    static QString compose(const TStepSpec& spec, const TStepContent& content) {
        QStringList lines;
        EXPECT_TRUE(ComposeStepScript(spec, content, lines));
        return lines.join(u'\n') + u'\n';
    }
    static const TStepSpec& step(TDbKind db, TDbVersion v) {
        const TStepSpec* s = FindStep(db, v);
        if (!s)
            throw std::runtime_error("no such step");
        return *s;
    }
};

TEST_F(UpdateScriptTest, LayoutAWithTheSystemStampSavedAsCp932) {
    TStepContent content;
    content.Statements = [](QStringList& lines) {
        lines << QStringLiteral("UPDATE OPERATOR SET OPNAME=%1 WHERE OPCODE=1;")
                     .arg(SqlQuote(QStringLiteral("ｼｽﾃﾑ'利用者")))
              << QStringLiteral("COMMIT;");
    };
    const QString expected =
        QStringLiteral("/* 2026/04/05 09:08:07,TESTPC,100000010 */\n"
                       "\n"
                       "CONNECT '/srv/quarno/data/placcdef.fdb';\n"
                       "UPDATE OPERATOR SET OPNAME='ｼｽﾃﾑ''利用者' WHERE OPCODE=1;\n"
                       "COMMIT;\n"
                       "INSERT INTO VERSION(MAJOR,MINOR1,MINOR2,MEMO) VALUES(0,3,2,'2026/04/05 09:08:07');\n"
                       "COMMIT;\n"
                       "EXIT;\n");
    QStringList lines;
    ASSERT_TRUE(ComposeStepScript(step(TDbKind::System, {0, 3, 2}), content, lines));
    const QString path = env.temp() + QStringLiteral("/script.sql");
    SaveScript(lines, path);
    EXPECT_EQ(testenv::readFile(path), cp932::encode(expected));
}

TEST_F(UpdateScriptTest, LayoutBReadsItsFilesBetweenCharsetLineAndStamp) {
    writeStepFile({3, 0, 6}, QStringLiteral("plzup01.sql"),
                  QStringLiteral("ALTER TABLE KAMOKUMST ADD X INTEGER;\r\n\r\n   \r\nCOMMIT;\r\n"));
    writeStepFile({3, 0, 6}, QStringLiteral("plzup02.sql"), QStringLiteral("SET TERM ^ ;\n\nSET TERM ; ^\n"));
    TStepContent content;
    content.Files = [] { return QStringList{QStringLiteral("plzup01.sql"), QStringLiteral("plzup02.sql")}; };
    EXPECT_EQ(compose(step(TDbKind::Accounting, {3, 0, 6}), content),
              QStringLiteral("/* 2026/04/05 09:08:07,TESTPC,100000010 */\n"
                             "\n"
                             "CONNECT '/srv/quarno/data/0001/placc.fdb';\n"
                             "SET NAMES SJIS_0208;\n"
                             "ALTER TABLE KAMOKUMST ADD X INTEGER;\n"
                             "   \n"
                             "COMMIT;\n"
                             "SET TERM ^ ;\n"
                             "SET TERM ; ^\n"
                             "UPDATE ACCVERSION SET MAJOR=3,MINOR1=0,MINOR2=6,MEMO='2026/04/05 09:08:07'\n"
                             "WHERE REC=1;\n"
                             "COMMIT;\n"
                             "EXIT;\n"));
}

TEST_F(UpdateScriptTest, LayoutCStampsFirstWithEachOperatorMemo) {
    // Long enough for the 127-byte forms to cut it, with a double-byte character across byte 127:
    // 44 bytes up to "PC1", then 41 wide letters (82 bytes) and half of the next one.
    SystemDef.OperatorName = QStringLiteral("O'Brien経理担当者");
    SystemDef.PCName = QStringLiteral("PC1") + QString(60, u'Ｘ');
    const QString full = QStringLiteral("2026/04/05 09:08:07,10,O'Brien経理担当者,") + SystemDef.PCName;
    const QString cut =
        QStringLiteral("2026/04/05 09:08:07,10,O'Brien経理担当者,PC1") + QString(41, u'Ｘ') + u' ';
    ASSERT_EQ(cp932::byteLength(cut), 127);
    const QString quoted = [](QString s) { return s.replace(u'\'', QStringLiteral("''")); }(cut);
    struct Case {
        TDbKind db;
        TDbVersion v;
        QString stamp;
    } cases[] = {
        {TDbKind::Accounting,
         {10, 0, 1},
         QStringLiteral("UPDATE ACCVERSION SET MAJOR=10,MINOR1=0,MINOR2=1,MEMO='%1'\nWHERE REC=1;\n")
             .arg(QString(full).replace(u'\'', QStringLiteral("''")))},
        {TDbKind::Accounting,
         {10, 0, 5},
         QStringLiteral("UPDATE ACCVERSION SET MAJOR=10,MINOR1=0,MINOR2=5,MEMO='%1'\nWHERE REC=1;\n")
             .arg(quoted)},
        {TDbKind::Accounting,
         {11, 0, 0},
         QStringLiteral("UPDATE ACCVERSION SET MAJOR=11,MINOR1=0,MINOR2=0,MEMO='%1'\nWHERE REC=1;\n")
             .arg(quoted.trimmed())},
        {TDbKind::System,
         {11, 0, 1},
         QStringLiteral("INSERT INTO VERSION(MAJOR,MINOR1,MINOR2,MEMO)\nVALUES(11,0,1,'%1');\n")
             .arg(quoted.trimmed())},
    };
    for (const Case& c : cases) {
        writeStepFile(c.v, QStringLiteral("plzup01.sql"), QStringLiteral("SELECT 1 FROM RDB$DATABASE;\n"));
        TStepContent content;
        content.Files = [] { return QStringList{QStringLiteral("plzup01.sql")}; };
        const QString db = c.db == TDbKind::System ? QStringLiteral("/srv/quarno/data/placcdef.fdb")
                                                   : QStringLiteral("/srv/quarno/data/0001/placc.fdb");
        EXPECT_EQ(
            compose(step(c.db, c.v), content),
            QStringLiteral("/* 2026/04/05 09:08:07,%1,100000010 */\n\nCONNECT '%2';\nSET NAMES SJIS_0208;\n")
                    .arg(SystemDef.PCName, db) +
                c.stamp + QStringLiteral("COMMIT;\nSELECT 1 FROM RDB$DATABASE;\nEXIT;\n"))
            << c.v.text().toStdString();
    }
    EXPECT_EQ(cp932::byteLength(StampMemoText(TStampMemo::Operator127)), 127);
    SystemDef.OperatorName = QStringLiteral("短い");
    SystemDef.PCName = QStringLiteral("PC1");
    EXPECT_EQ(cp932::byteLength(StampMemoText(TStampMemo::Operator127)), 127); // padded with blanks
    EXPECT_EQ(StampMemoText(TStampMemo::Operator127Trim), QStringLiteral("2026/04/05 09:08:07,10,短い,PC1"));
}

TEST_F(UpdateScriptTest, MissingFilesAreSkippedOrStopTheStep) {
    TStepContent content;
    content.Files = [] { return QStringList{QStringLiteral("plzup01.sql"), QStringLiteral("plzup02.sql")}; };
    // Skip: a step whose files are all missing still records its version.
    EXPECT_EQ(compose(step(TDbKind::Accounting, {3, 0, 0}), content),
              QStringLiteral(
                  "/* 2026/04/05 09:08:07,TESTPC,100000010 */\n\nCONNECT '/srv/quarno/data/0001/placc.fdb';\n"
                  "UPDATE ACCVERSION SET MAJOR=3,MINOR1=0,MINOR2=0,MEMO='2026/04/05 09:08:07'\n"
                  "WHERE REC=1;\nCOMMIT;\nEXIT;\n"));
    // Stop: the first file is read, the second is missing: 18, nothing saved, no tool started.
    writeStepFile({7, 0, 3}, QStringLiteral("plzup01.sql"), QStringLiteral("SELECT 1 FROM RDB$DATABASE;\n"));
    QStringList lines;
    EXPECT_FALSE(ComposeStepScript(step(TDbKind::Accounting, {7, 0, 3}), content, lines));
    EXPECT_TRUE(lines.contains(QStringLiteral("SELECT 1 FROM RDB$DATABASE;")));
    EXPECT_FALSE(lines.contains(QStringLiteral("EXIT;")));
    SetIsqlToolPath(env.path() + QStringLiteral("/no-such-isql"));
    EXPECT_EQ(RunStep(step(TDbKind::Accounting, {7, 0, 3}), content), StepFileMissing);
    SetIsqlToolPath({});
    EXPECT_TRUE(QDir(env.temp()).entryList(QDir::Dirs | QDir::NoDotAndDotDot).isEmpty());
}

TEST_F(UpdateScriptTest, VersionFoldersAndConnectLines) {
    EXPECT_EQ(StepFileFolder({11, 1, 0}), SystemDef.SqlDir + QStringLiteral("/1110"));
    EXPECT_EQ(StepFileFolder({9, 0, 4}), SystemDef.SqlDir + QStringLiteral("/904"));
    EXPECT_EQ(StepFileFolder({10, 0, 1}), SystemDef.SqlDir + QStringLiteral("/1001"));

    EXPECT_EQ(ScriptDatabaseName(TDbKind::Accounting), QStringLiteral("/srv/quarno/data/0001/placc.fdb"));
    SystemDef.GOGLOBAL = 1;
    EXPECT_EQ(ScriptDatabaseName(TDbKind::System), QStringLiteral("localhost:/srv/quarno/data/placcdef.fdb"));
    SystemDef.GOGLOBAL = 0;
    ConnectMode = 1;
    SystemDef.HOSTNAME = QStringLiteral("dbhost/3051");
    EXPECT_EQ(ScriptDatabaseName(TDbKind::Accounting),
              QStringLiteral("dbhost/3051:/srv/quarno/data/0001/placc.fdb"));
    SystemDef.DataDir = QStringLiteral("/srv/o'hara/0001");
    EXPECT_EQ(ScriptOpening(TDbKind::Accounting, false).at(2),
              QStringLiteral("CONNECT 'dbhost/3051:/srv/o''hara/0001/placc.fdb';"));
    // The password never reaches the script.
    SystemDef.PASSWORD = QStringLiteral("sekret-pw");
    EXPECT_FALSE(ScriptOpening(TDbKind::Accounting, true).join(u'\n').contains(QStringLiteral("sekret-pw")));
}

TEST_F(UpdateScriptTest, StepStatementsComeFromTheResource) {
    EXPECT_EQ(
        StepSqlLines(QStringLiteral("empty.sql")),
        QStringList{QStringLiteral("-- Kept so that the resource of the step statements is never empty.")});
    EXPECT_THROW(StepSqlLines(QStringLiteral("no-such.sql")), std::runtime_error);
}

} // namespace
