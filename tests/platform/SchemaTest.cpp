// The schema scripts of sql/ loaded with isql-fb into fresh databases, and the behaviour of the
// procedures and keys they define.
#include "support/DataRootFixture.h"
#include "support/TestEnv.h"

#include "core/FbValues.h"
#include "platform/IniFile.h"
#include "platform/firebird/FbQuery.h"
#include "platform/firebird/FbTransaction.h"

#include <QFileInfo>
#include <gtest/gtest.h>

namespace {

using testenv::databaseUser;

// Loads a script into a new empty database with isql-fb (not from the cached template).
std::unique_ptr<fb::Database> freshlyLoaded(const testenv::TempEnvironment& env, const QString& script) {
    const QString path = env.path() + QStringLiteral("/fresh.fdb");
    {
        fb::Database db(path, databaseUser());
        db.create();
    }
    testenv::loadSchemaScript(script, path);
    auto db = std::make_unique<fb::Database>(path, databaseUser());
    db->attach();
    return db;
}

int count(fb::Transaction& t, const QString& sql) {
    fb::Query q(t, sql);
    q.open();
    return q.field(0).asInt();
}

TEST(Schema, SystemScriptLoadsAtVersion12) {
    testenv::TempEnvironment env;
    auto db = freshlyLoaded(env, testenv::systemSchemaScript());
    fb::Transaction t(*db);
    fb::Query v(
        t, QStringLiteral(
               "SELECT MAJOR, MINOR1, MINOR2 FROM VERSION ORDER BY MAJOR DESC, MINOR1 DESC, MINOR2 DESC"));
    v.open();
    EXPECT_EQ(v.field("MAJOR").asInt(), 12);
    EXPECT_EQ(v.field("MINOR1").asInt(), 0);
    EXPECT_EQ(v.field("MINOR2").asInt(), 0);

    fb::Query g(
        t, QStringLiteral("SELECT GNAME, GSIGN, STARTDATE, YEAROFFSET FROM GENGO ORDER BY YEAROFFSET DESC"));
    g.open();
    EXPECT_EQ(g.field("GNAME").asString(), QStringLiteral("令和"));
    EXPECT_EQ(g.field("GSIGN").asString(), "R");
    EXPECT_EQ(fb::asDateTime(g.field("STARTDATE")).toDate(), QDate(2019, 5, 1));
    EXPECT_EQ(count(t, QStringLiteral("SELECT COUNT(*) FROM GENGO")), 5);
    EXPECT_EQ(count(t, QStringLiteral("SELECT COUNT(*) FROM USERCODE")), 20);

    // The new VERSION row is numbered by its trigger, whatever REC the insert gives.
    fb::Query ins(t, QStringLiteral("INSERT INTO VERSION (REC, MAJOR) VALUES (77, 13) RETURNING REC"));
    ins.execute();
    EXPECT_EQ(ins.field("REC").asInt(), 2);
}

TEST(Schema, AccountingScriptLoadsAtVersion13) {
    testenv::TempEnvironment env;
    auto db = freshlyLoaded(env, testenv::accountingSchemaScript());
    fb::Transaction t(*db);
    fb::Query v(t, QStringLiteral("SELECT MAJOR, MINOR1, MINOR2 FROM ACCVERSION WHERE REC = 1"));
    v.open();
    EXPECT_EQ(
        QStringLiteral("%1.%2.%3").arg(v.field(0).asInt()).arg(v.field(1).asInt()).arg(v.field(2).asInt()),
        "13.0.0");
    EXPECT_EQ(count(t, QStringLiteral("SELECT COUNT(*) FROM ACCDEF1 WHERE REC = 1")), 1);

    // KS_SISAN: every column of the fixed-asset table in order, then the three later ones.
    fb::Query cols(t, QStringLiteral("SELECT TRIM(RDB$FIELD_NAME) FROM RDB$RELATION_FIELDS"
                                     " WHERE RDB$RELATION_NAME = 'KS_SISAN' ORDER BY RDB$FIELD_POSITION"));
    QStringList names;
    for (cols.open(); !cols.eof(); cols.next())
        names << cols.field(0).asString();
    const QStringList expected =
        QStringLiteral(
            "REC SCODE KANRI KCODE HCODE BCODE MEISYOU SURYO JYOKYO GSKAHI GSHOUHOU GSSISANZEI SYUTODATE "
            "SYUTOSWK "
            "SIHAKCODE SIHAHCODE KOUNYUTAXCODE KOUNYUKIN KOUNYUTAX KOUNYUTAXCALCU ISINPKOUNYUTAX SYUTOKIN "
            "ISINPSYUTOKIN KISYUMISYOUKIN KISOKIN ISINPKISOKIN TAIYOUYY SYOURITU ISINPSYOURITU JYOBAI "
            "GENSYODATE "
            "GENSYOSWK SYUNYUKCODE SYUNYUHCODE BAIKYAKUTAXCODE BAIKYAKUKIN BAIKYAKUTAX BAIKYAKUTAXCALCU "
            "ISINPBAIKYAKUTAX SYOUKIKANSTR SYOUKIKANEND ISINPSYOUKIKAN FUTUSYOUKIN ISINPFUTUSYOUKIN "
            "WARISYOUKIN "
            "SYOUKINKEI MATUMISYOUKIN TEKIYO TRANSKBN KAITEISYUTOKUKAGAKU KAITEISYUTOKUKAGAKU_INPUT "
            "ISINPKAITEISYUTOKUKAGAKU HANBAIHIWARIAI JIGYOUWARIAI ZANKAHOSYOUGAKU DUMMY TEIRITU250 "
            "TEIRITU200 "
            "SYUTOKUKAGAKUCHOSEI")
            .split(u' ');
    EXPECT_EQ(names, expected);
}

class SchemaBehaviour : public ::testing::Test {
protected:
    void SetUp() override {
        root = std::make_unique<testenv::DataRoot>();
        ds = root->addDataset(testenv::CompanySpec());
        ds.addAccount({"1401", "140", QStringLiteral("建物")});
        ds.addAccount({"1010", "100", QStringLiteral("現金")});
        ds.addAccount({"8100", "810", QStringLiteral("売上高")});
    }
    testenv::TempEnvironment env;
    std::unique_ptr<testenv::DataRoot> root;
    testenv::Dataset ds;
};

TEST_F(SchemaBehaviour, FixedAssetDefaultsAndCascades) {
    auto db = ds.connect();
    fb::Transaction t(*db);
    fb::Query ins(
        t, QStringLiteral("INSERT INTO KS_SISAN (REC, KCODE, SIHAKCODE, SIHAHCODE, SYUNYUKCODE, SYUNYUHCODE)"
                          " VALUES (1, '1401', NULL, NULL, NULL, NULL)"));
    ins.execute();
    fb::Query row(t, QStringLiteral("SELECT * FROM KS_SISAN WHERE REC = 1"));
    row.open();
    EXPECT_EQ(row.field("HCODE").asBytes(), QByteArray(" "));
    EXPECT_EQ(row.field("JYOKYO").asInt(), 1);
    EXPECT_EQ(row.field("GSHOUHOU").asInt(), 1);
    EXPECT_EQ(row.field("HANBAIHIWARIAI").asInt(), 100);
    EXPECT_EQ(row.field("JIGYOUWARIAI").asInt(), 100);
    EXPECT_TRUE(row.field("TRANSKBN").isNull());
    EXPECT_EQ(row.field("TEIRITU250").asInt(), 0);
    row.close();

    fb::Query daicho(
        t, QStringLiteral("INSERT INTO KS_DAICHO (REC, HIZUKE, DTYPE) VALUES (1, '2024-04-01', 1)"));
    daicho.execute();
    // The asset's account row cannot go while the asset names it.
    fb::Query delHojo(t, QStringLiteral("DELETE FROM HOJOMST WHERE KCODE = '1401'"));
    EXPECT_THROW(delHojo.execute(), fb::Error);
    fb::Query del(t, QStringLiteral("DELETE FROM KS_SISAN WHERE REC = 1"));
    del.execute();
    EXPECT_EQ(count(t, QStringLiteral("SELECT COUNT(*) FROM KS_DAICHO")), 0);

    // The settings tables number their rows themselves.
    fb::Query s(t,
                QStringLiteral(
                    "INSERT INTO KS_SETSWK_INIT (REC, KCODE, RUIKEIKCODE, SYOKYAKU1_KCODE, SYOKYAKU2_KCODE,"
                    " JIGYOUNUSI_KCODE, BAISONKCODE, JYOSONKCODE, BAIEKIKCODE)"
                    " VALUES (0, '1401', NULL, NULL, NULL, NULL, NULL, NULL, NULL) RETURNING REC"));
    s.execute();
    EXPECT_EQ(s.field("REC").asInt(), 1);
    t.rollback();
}

TEST_F(SchemaBehaviour, JournalProceduresWriteDebitAndCreditRows) {
    auto db = ds.connect();
    fb::Transaction t(*db);
    // The parameter list of the journal-entry writer, with both sides and the entry's fields.
    const QString params = QStringLiteral(
        ":HIZUKE,:MNUM,:KESSAN,:SDAYNUM,:MDAYNUM,:DNUM,:SNUM,:SCODE,:L_KGROUP,:L_KCODE,:L_HCODE,:L_BCODE,:L_"
        "KNAME,"
        ":L_HNAME,:L_BNAME,:L_TAXCODE,:L_TAXUH,:L_TAXDC,:L_NUK,:L_ZEI,:L_RIT,:L_SIKIN,:R_KGROUP,:R_KCODE,:R_"
        "HCODE,"
        ":R_BCODE,:R_KNAME,:R_HNAME,:R_BNAME,:R_TAXCODE,:R_TAXUH,:R_TAXDC,:R_NUK,:R_ZEI,:R_RIT,:R_SIKIN,:"
        "KINGAKU,"
        ":ZEIGAKU,:ZEIRITUNO,:AUTCALCU,:TAXCALCU,:OLDRATE,:TEKCODE,:TEKTEXT,:TORCODE,:TORTEXT, "
        ":FUSEN1,:FUSEN2,"
        ":FUSEN3,:FUSEN4,:FUSEN5,:CTIME,:COMMENT,:AO_COMMENT,:LINKKEY,:LINKKUB,:LINKREC,:LOCALFLG,:Reserve1,"
        ":Reserve2,:OPNCODE ");
    auto bind = [](fb::Query& q, Money amount, const QString& comment) {
        for (const QString& name : q.paramNames())
            q.setInt(name, 0);
        fb::setDateTime(q, "HIZUKE", TDateTime::fromDate(2024, 5, 10));
        for (const char* name : {"SCODE", "L_HCODE", "L_BCODE", "R_HCODE", "R_BCODE"})
            q.setString(name, QStringLiteral(" "));
        q.setString("L_KCODE", "100");
        q.setString("R_KCODE", "810");
        q.setString("L_KNAME", QStringLiteral("現金"));
        q.setString("R_KNAME", QStringLiteral("売上高"));
        for (const char* name : {"L_KGROUP", "R_KGROUP", "L_HNAME", "L_BNAME", "R_HNAME", "R_BNAME",
                                 "TEKTEXT", "TORTEXT", "AO_COMMENT", "LINKKEY"})
            q.setString(name, QString());
        q.setString("COMMENT", comment);
        for (const char* name : {"L_NUK", "R_NUK", "KINGAKU"})
            fb::setMoney(q, name, amount);
        q.setNull("CTIME");
        q.setInt("OPNCODE", 100010);
    };

    fb::Query ins(t, QStringLiteral("SELECT NEWREC,NEWSWKREC,NEWSDAYNUM,NEWSITREC FROM SP_SIWAKE_INS(") +
                         params + u')');
    bind(ins, Money(1000), QString());
    ins.open();
    const int w = ins.field("NEWSWKREC").asInt();
    EXPECT_EQ(ins.field("NEWREC").asInt(), 2 * w - 1);
    EXPECT_EQ(ins.field("NEWSDAYNUM").asInt(), 1);
    ins.close();
    fb::Query rows(
        t, QStringLiteral(
               "SELECT REC, TAISHAKU, KCODE, R_KCODE, DELFLG FROM SIWAKE WHERE SWKREC = :W ORDER BY REC"));
    rows.setInt("W", w);
    rows.open();
    EXPECT_EQ(rows.field("TAISHAKU").asInt(), 1);
    EXPECT_EQ(rows.field("KCODE").asString(), "1010"); // user code 100 stored as the account's code
    EXPECT_EQ(rows.field("R_KCODE").asString(), "8100");
    ASSERT_TRUE(rows.next());
    EXPECT_EQ(rows.field("TAISHAKU").asInt(), 2);
    EXPECT_EQ(rows.field("KCODE").asString(), "8100");
    rows.close();
    EXPECT_EQ(count(t, QStringLiteral("SELECT SIWAKECOUNT FROM SISETUMST WHERE SCODE = ' '")), 1);

    const QString updHead = QStringLiteral(
        "SELECT NEWREC,NEWSWKREC,NEWSWKNO,UPREC,NEWSDAYNUM FROM SP_SIWAKE_UPD(:REC,:SWKREC,:SWKNO,:DELFLG,");
    fb::Query upd(t, updHead + params + u')');
    // Corrects the entry w with the amount and comment given and opens the result row.
    auto correct = [&](Money amount, const QString& comment) {
        upd.close();
        bind(upd, amount, comment);
        upd.setInt("REC", 2 * w - 1);
        upd.setInt("SWKREC", w);
        upd.setInt("SWKNO", w);
        upd.setInt("SDAYNUM", 1);
        upd.open();
    };
    // Only the comment changes: the entry is updated in place.
    correct(Money(1000), QStringLiteral("メモ"));
    EXPECT_EQ(upd.field("UPREC").asInt(), 0);
    EXPECT_EQ(upd.field("NEWSWKREC").asInt(), w);
    // The amount changes: the old rows are marked corrected and a new pair is written.
    correct(Money(2000), QStringLiteral("メモ"));
    EXPECT_EQ(upd.field("UPREC").asInt(), 0);
    const int w2 = upd.field("NEWSWKREC").asInt();
    EXPECT_EQ(upd.field("NEWREC").asInt(), 2 * w2 - 1);
    EXPECT_EQ(upd.field("NEWSWKNO").asInt(), w); // same date: the journal number stays
    upd.close();
    EXPECT_EQ(count(t, QStringLiteral("SELECT COUNT(*) FROM SIWAKE WHERE DELFLG = 2")), 2);
    // Correcting the superseded entry again is refused with the live row's key.
    upd.open();
    EXPECT_EQ(upd.field("UPREC").asInt(), -2);
    EXPECT_EQ(upd.field("NEWREC").asInt(), 2 * w2 - 1);
    upd.close();

    fb::Query del(t, QStringLiteral("SELECT RESULT+1 AS RES FROM SP_SIWAKE_DEL(:SWKREC,:OPCODE)"));
    del.setInt("SWKREC", w2);
    del.setInt("OPCODE", 100010);
    del.open();
    EXPECT_EQ(del.field("RES").asInt(), 1);
    del.close();
    EXPECT_EQ(count(t, QStringLiteral("SELECT SIWAKECOUNT FROM SISETUMST WHERE SCODE = ' '")), 0);
    EXPECT_EQ(count(t, QStringLiteral("SELECT COUNT(*) FROM SIWAKE WHERE DELFLG IN (1,2) AND TAISHAKU = 1")),
              2);
    t.rollback();
}

TEST_F(SchemaBehaviour, EndedJobsLeaveTheirState) {
    auto db = ds.connect();
    fb::Transaction t(*db);
    fb::Query open(
        t,
        QStringLiteral(
            "INSERT INTO OPINF(OPCODE,JOBNAME,PCNAME,OPENTIME) VALUES(:OPCODE,:JOBNAME,:PCNAME,:OPENTIME)"));
    open.setInt("OPCODE", 100000010);
    open.setString("JOBNAME", QStringLiteral("翌年度更新"));
    open.setString("PCNAME", QStringLiteral("PC1"));
    fb::setDateTime(open, "OPENTIME", TDateTime::now());
    open.execute();
    fb::Query end(t, QStringLiteral("EXECUTE PROCEDURE OPINF_DELETE(:OPCODE,:JOBNAME,:STATE)"));
    end.setInt("OPCODE", 100000010);
    end.setString("JOBNAME", QStringLiteral("翌年度更新"));
    end.setString("STATE", QStringLiteral("正常終了"));
    end.execute();
    EXPECT_EQ(count(t, QStringLiteral("SELECT COUNT(*) FROM OPINF")), 0);
    fb::Query log(t, QStringLiteral("SELECT STATE, PCNAME FROM OPINF_LOG"));
    log.open();
    EXPECT_EQ(log.field("STATE").asString(), QStringLiteral("正常終了"));
    EXPECT_EQ(log.field("PCNAME").asString(), "PC1");
}

TEST_F(SchemaBehaviour, LogonProcedureRecordsTheLogon) {
    auto db = root->connectSystem();
    fb::Transaction t(*db);
    fb::Query logon(t, QStringLiteral("SELECT NUM,LOGINCODE,JOBLEVEL FROM "
                                      "LOGONUSERTEST(:PCNAME,:GROUPID,:OPCODE,:APPVERSION,:PASWORD)"));
    fb::Query op(t, QStringLiteral("INSERT INTO OPERATOR (GROUPID, OPCODE, OPNAME, JOBLEVEL, PASWORD) VALUES "
                                   "(10000, 12, :N, 3, 'ab ')"));
    op.setString("N", QStringLiteral("経理担当"));
    op.execute();
    struct Case {
        const char* pc;
        int code;
        const char* password;
        int num;
        int level;
    };
    const Case cases[] = {
        {"PC1", 12, "ab", -1, 0},  // the trailing blank of the password counts
        {"PC1", 13, "", -1, 0},    // no such operator
        {"PC1", 12, "ab ", 0, 3},  // logged on
        {"PC2", 12, "ab ", -3, 0}, // already logged on elsewhere
        {"PC1", 12, "ab ", 1, 3},  // the same computer again (a row left behind)
        {"PC2", 10, "", 0, 9},     // the first operator of a new installation
    };
    for (const Case& c : cases) {
        logon.setString("PCNAME", QLatin1String(c.pc));
        logon.setInt("GROUPID", 10000);
        logon.setInt("OPCODE", c.code);
        logon.setInt("APPVERSION", 2);
        logon.setString("PASWORD", QLatin1String(c.password));
        logon.open();
        EXPECT_EQ(logon.field("NUM").asInt(), c.num) << c.pc << " " << c.code;
        EXPECT_EQ(logon.field("JOBLEVEL").asInt(), c.level) << c.pc << " " << c.code;
        EXPECT_EQ(logon.field("LOGINCODE").asInt(), c.code);
        logon.close();
    }
    EXPECT_EQ(count(t, QStringLiteral("SELECT COUNT(*) FROM LOGONUSERLIST WHERE OPCODE = 100000012")), 1);
    fb::Query bye(t, QStringLiteral("DELETE FROM LOGONUSERLIST WHERE OPCODE=:OPCODE"));
    bye.setInt("OPCODE", 100000012); // group 10000 × 10000 + code 12
    bye.execute();
    logon.setString("PCNAME", QStringLiteral("PC2"));
    logon.setInt("OPCODE", 12);
    logon.setString("PASWORD", QStringLiteral("ab "));
    logon.open();
    EXPECT_EQ(logon.field("NUM").asInt(), 0);
}

TEST_F(SchemaBehaviour, DataRootHoldsListSlotsIniAndDataset) {
    EXPECT_TRUE(root->root().startsWith(env.commonAppData() + QStringLiteral("/quarno/pellanzaimu")));
    for (const QString& dir : {root->iniDir(), root->logDir(), root->tempDir(), root->dataDir()})
        EXPECT_TRUE(QFileInfo(dir).isDir()) << dir.toStdString();
    IniFile ini(root->appIni());
    EXPECT_EQ(ini.readString("LOCAL", "SYSDIR"), root->dataDir());
    EXPECT_EQ(ini.readString("SERVER", "USER"), "PELLAN");
    EXPECT_EQ(ini.readString("APPLICATION", "CONNECT"), "0");

    auto sys = root->connectSystem();
    fb::Transaction t(*sys);
    EXPECT_EQ(count(t, QStringLiteral("SELECT COUNT(*) FROM DATALIST")), testenv::DataRoot::ListSlots);
    fb::Query row(t, QStringLiteral("SELECT * FROM DATALIST WHERE REC = :REC"));
    row.setInt("REC", ds.rec);
    row.open();
    EXPECT_EQ(row.field("PASNAME").asString(), root->dataDir() + QStringLiteral("/0001"));
    EXPECT_EQ(row.field("SHOUGOU").asString(), QStringLiteral("株式会社テスト"));
    EXPECT_EQ(fb::asDateTime(row.field("KIMATU")).toDate(), QDate(2025, 3, 31));
    fb::Query next(t, QStringLiteral("SELECT PASNAME FROM DATALIST WHERE REC = 120"));
    next.open();
    EXPECT_EQ(next.field(0).asString(), root->dataDir() + QStringLiteral("/0120"));

    IniFile info(ds.folder + QStringLiteral("/placc.ini"));
    EXPECT_EQ(info.readString("DATASTS", "STATUS"), "1");
    EXPECT_EQ(info.readString("DATAINFO", "KISHU"), "2024/04/01");
    EXPECT_EQ(info.readString("DATAINFO", "VERSION1"), "13.0.0");

    testenv::CompanySpec second;
    second.name = QStringLiteral("有限会社～テスト－二");
    second.kishu = QDate(2023, 1, 1);
    const testenv::Dataset ds2 = root->addDataset(second);
    EXPECT_EQ(ds2.rec, 2);
    auto db = ds2.connect();
    fb::Transaction dt(*db);
    fb::Query acc(dt, QStringLiteral("SELECT SHOUGOU, KISHU, KIMATU FROM ACCDEF1 WHERE REC = 1"));
    acc.open();
    EXPECT_EQ(acc.field("SHOUGOU").asString(), second.name);
    EXPECT_EQ(fb::asDateTime(acc.field("KIMATU")).toDate(), QDate(2023, 12, 31));
}

} // namespace
