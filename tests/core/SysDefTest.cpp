// The operator's settings in the system database: the first load, the typed SYSREG values, the bit sets,
// SYSTEMINI records, style texts, and the transaction of a caller.
#include "DataModuleFixture.h"

#include "core/Money.h"
#include "core/TDateTime.h"

#include <QFont>
#include <QFontDatabase>

namespace {

QString S(const char* utf8) {
    return QString::fromUtf8(utf8);
}

QString sysRegText(const QString& name, int key = 10001) {
    return QStringLiteral("SELECT STEXT FROM SYSREG WHERE OPCODE = %1 AND SCODE = '%2'").arg(key).arg(name);
}

TSystemIniRec sysIni(int rec, int reserve1) {
    TSystemIniRec r;
    r.REC = rec;
    r.RESERVE1 = reserve1;
    return r;
}

} // namespace

using SysDefTest = DataModuleTest;

TEST_F(SysDefTest, FirstLoadOfNewOperatorInsertsDefaultsInEachEdition) {
    struct Case {
        const char* edition;
        bool org;
        int clientColor2, totalColor, activeColor;
        int dicSwitch, dicTekAuto, dicTorAuto;
        // the eight dictionary keys as the load reads them back
        std::array<int, 8> dictionary;
        int nextItemMove, dateFocus, bumonDigits, ledgerLastBalance, trialTotalOut, ledgerTitleOut,
            trialBsPage;
    };
    // clang-format off
    const Case cases[] = {
        {"standard",     false, 0xE1F0FF, 0x8EC7FF, 0x246BFF, 0, 1, 1, {1, 0, 1, 0, 1, 0, 1, 0}, 0, 2, 0, 0, 0, 0, 1},
        {"organisation", true,  0xF2FFEE, 0xD6FFC8, 0x008000, 2, 2, 0, {0, 1, 1, 0, 1, 0, 0, 0}, 1, 1, 1, 1, 1, 1, 0},
    };
    // clang-format on
    int opcode = 10001;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.edition);
        TavrinoEdition = c.org ? 1 : 0;
        if (c.org) { // what start-up sets in this edition
            SysDefColorDefaults.ClientColor2 = 0xF2FFEE;
            SysDefColorDefaults.TotalColor = 0xD6FFC8;
            SysDefColorDefaults.ActiveColor = 0x008000;
        }
        SystemDef.OPCODE = ++opcode;
        SystemDef.DicSwitch = 99; // anything left from before is replaced by the row
        ASSERT_TRUE(dm->fnGetSysDef());
        EXPECT_TRUE(shown->shown().empty());

        const QString row = QStringLiteral("SELECT %2 FROM SYSDEF WHERE OPCODE = %1").arg(opcode);
        EXPECT_EQ(intDef(row.arg("SANKAKUPLUS")), 1);
        EXPECT_EQ(intDef(row.arg("COLHEADERCOLOR")), 0xDBDBDB);
        EXPECT_EQ(intDef(row.arg("COLHEADERGRADCOLOR1")), 0xFFFFFF);
        EXPECT_EQ(intDef(row.arg("COLHEADERGRADCOLOR2")), 0xDBDBDB);
        EXPECT_EQ(intDef(row.arg("CLIENTCOLOR")), 0xFFFFFF);
        EXPECT_EQ(intDef(row.arg("CLIENTCOLOR1")), 0xFFFFFF);
        EXPECT_EQ(intDef(row.arg("CLIENTCOLOR2")), c.clientColor2);
        EXPECT_EQ(intDef(row.arg("TOTALCOLOR")), c.totalColor);
        EXPECT_EQ(intDef(row.arg("ACTIVECOLOR")), c.activeColor);
        EXPECT_EQ(intDef(row.arg("NETCOLOR1")), 0xD7FFD7);
        EXPECT_EQ(intDef(row.arg("NETCOLOR2")), 0xD7FFD7);
        EXPECT_EQ(intDef(row.arg("PLINECOLOR1")), 0x007900);
        EXPECT_EQ(intDef(row.arg("PLINECOLOR2")), 0x007900);
        EXPECT_EQ(intDef(row.arg("DICSWITCH")), c.dicSwitch);
        EXPECT_EQ(intDef(row.arg("DICTEKAUTO")), c.dicTekAuto);
        EXPECT_EQ(intDef(row.arg("DICTORAUTO")), c.dicTorAuto);

        EXPECT_EQ(SystemDef.ClientColor2, c.clientColor2);
        EXPECT_EQ(SystemDef.DicSwitch, c.dicSwitch);
        EXPECT_EQ(SystemDef.SankakuPlus, 1);

        const std::array<int, 8> dictionary{
            SystemDef.TekDicOpen, SystemDef.TekAssocOpen, SystemDef.TekAutoOpen, SystemDef.TekNoInput,
            SystemDef.TorDicOpen, SystemDef.TorAssocOpen, SystemDef.TorAutoOpen, SystemDef.TorNoInput};
        EXPECT_EQ(dictionary, c.dictionary);
        EXPECT_EQ(textDef(sysRegText(S("摘要＿自動開く区分"), opcode)), "1"); // its read default is "0"

        EXPECT_EQ(SystemDef.NextItemMove, c.nextItemMove);
        EXPECT_EQ(SystemDef.DateFocus, c.dateFocus);
        EXPECT_EQ(SystemDef.BumonDigits, c.bumonDigits);
        EXPECT_EQ(SystemDef.LedgerLastBalance, c.ledgerLastBalance);
        EXPECT_EQ(SystemDef.TrialTotalOut, c.trialTotalOut);
        EXPECT_EQ(SystemDef.LedgerTitleOut, c.ledgerTitleOut);
        EXPECT_EQ(SystemDef.TrialBsPage, c.trialBsPage);
        // The standard edition never reads the organisation's keys, so it does not create them.
        EXPECT_EQ(textDef(sysRegText(S("次項目移動区分"), opcode)), c.org ? "1" : "<none>");

        EXPECT_EQ(SystemDef.TaxCodePrint, 1);
        EXPECT_EQ(SystemDef.DataCheck, 1);
        EXPECT_EQ(textDef(sysRegText(S("データ破損チェック区"), 19999)), "1"); // the group's key
        EXPECT_EQ(SystemDef.TrialTitle, S("試　算　表"));
        EXPECT_EQ(SystemDef.TrialTitle2, S("２期比較試算表"));
        EXPECT_EQ(SystemDef.BsTitles[1], S("資産・負債・純資産"));
        EXPECT_EQ(SystemDef.SgaTitles[2], S("販売費・一般管理費"));
        EXPECT_EQ(SystemDef.SgaTitles[1], QString());
        EXPECT_EQ(SystemDef.BsTitles[2], QString());

        // No SYSTEMINI record 10: the site reads as empty.
        EXPECT_EQ(SystemDef.SysIniName, QString());
        EXPECT_EQ(SystemDef.SysIniAddress, QString());
        EXPECT_EQ(SystemDef.SysIniTel, QString());
        EXPECT_EQ(SystemDef.SysIni10Reserve1, 0);
        EXPECT_EQ(SystemDef.AllSisetuSwitch, 0);
        EXPECT_EQ(SystemDef.SysDbMAJOR, 12);
        EXPECT_FALSE(dm->IBTransactionDEF.isActive());
    }
}

TEST_F(SysDefTest, LoadTakesTheRowTheSiteAndTheFacilitySwitch) {
    execDef(
        QStringLiteral("INSERT INTO SYSDEF (OPCODE, DATADIR, MFWIDTH, FONTNAME, COLHEADERGRADCOLOR1,"
                       " COLHEADERGRADCOLOR2, RESERVE2, RESERVE4, SSTR)"
                       " VALUES (10001, '/data/0001', 900, 'ＭＳ 明朝', 0, 0, 2, 1024 + 64 + 16 + 4, 'x')"));
    TSystemIniRec site{10, 7, 8, 9, 0, 0, S("NAME=本店\rJYUSHO=東京都\rTEL=03-1234\r")};
    ASSERT_TRUE(dm->SetSysIni(site));
    ASSERT_TRUE(dm->SetSysIni(sysIni(20, 1)));

    ASSERT_TRUE(dm->fnGetSysDef());
    EXPECT_EQ(SystemDef.DataDir, QStringLiteral("/data/0001"));
    EXPECT_EQ(SystemDef.MFWidth, 900);
    EXPECT_EQ(SystemDef.FontName, S("ＭＳ 明朝"));
    EXPECT_EQ(SystemDef.SSTR, QStringLiteral("x"));
    EXPECT_EQ(SystemDef.ColHeaderGradColor1, 0xFFFFFF);
    EXPECT_EQ(SystemDef.ColHeaderGradColor2, 0xBBBBBB);
    EXPECT_EQ(SystemDef.Reserve2Flag1, 0);
    EXPECT_EQ(SystemDef.Reserve2Flag2, 1);
    EXPECT_EQ(SystemDef.Reserve4Flag3, 1);
    EXPECT_EQ(SystemDef.Reserve4Flag5, 1);
    EXPECT_EQ(SystemDef.LedgerLastBalance, 1);
    EXPECT_EQ(SystemDef.WarekiDisp, 0);
    EXPECT_EQ(SystemDef.Reserve4Flag11, 1);
    EXPECT_EQ(SystemDef.SysIniName, S("本店"));
    EXPECT_EQ(SystemDef.SysIniAddress, S("東京都"));
    EXPECT_EQ(SystemDef.SysIniTel, QStringLiteral("03-1234"));
    EXPECT_EQ(SystemDef.SysIni10Reserve1, 7);
    EXPECT_EQ(SystemDef.SysIni10Reserve3, 9);
    EXPECT_EQ(SystemDef.AllSisetuSwitch, 1);
    // The row existed: no dictionary keys were written, so they read with their defaults.
    EXPECT_EQ(SystemDef.TekAutoOpen, 0);
    EXPECT_EQ(SystemDef.TekDicOpen, 1);
}

TEST_F(SysDefTest, WritingKeepsTheBitsThisProgramDoesNotKnow) {
    ASSERT_TRUE(dm->fnGetSysDef());
    // Bit 12 of Reserve4 and bit 3 of Reserve2 belong to other programs; one of them sets bit 13 too
    // while this program has the settings loaded.
    execDef(
        QStringLiteral("UPDATE SYSDEF SET RESERVE4 = 2048 + 1024, RESERVE2 = 4 + 1 WHERE OPCODE = 10001"));
    ASSERT_TRUE(dm->fnGetSysDef());
    EXPECT_EQ(SystemDef.Reserve4Flag11, 1);
    EXPECT_EQ(SystemDef.WarekiDisp, 0);
    EXPECT_EQ(SystemDef.Reserve2Flag1, 1);
    execDef(QStringLiteral("UPDATE SYSDEF SET RESERVE4 = RESERVE4 + 4096 WHERE OPCODE = 10001"));

    SystemDef.WarekiDisp = 1;
    SystemDef.Reserve2Flag1 = 0;
    SystemDef.Reserve4Flag5 = 2;
    ASSERT_TRUE(dm->fnPutSysDef());
    EXPECT_EQ(intDef(QStringLiteral("SELECT RESERVE4 FROM SYSDEF WHERE OPCODE = 10001")),
              4096 + 2048 + 1024 + 512 + 32);
    EXPECT_EQ(intDef(QStringLiteral("SELECT RESERVE2 FROM SYSDEF WHERE OPCODE = 10001")), 4);

    // Unchanged flags write the value back unchanged.
    ASSERT_TRUE(dm->fnGetSysDef());
    ASSERT_TRUE(dm->fnPutSysDef());
    EXPECT_EQ(intDef(QStringLiteral("SELECT RESERVE4 FROM SYSDEF WHERE OPCODE = 10001")),
              4096 + 2048 + 1024 + 512 + 32);
}

TEST_F(SysDefTest, WritingStoresTheColumnsAndTheWrittenBackKeys) {
    ASSERT_TRUE(dm->fnGetSysDef());
    SystemDef.MFTop = 40;
    SystemDef.PrinterName = S("プリンタ１");
    SystemDef.PLineColor2 = 0x123456;
    SystemDef.SSTR = QStringLiteral("memo");
    SystemDef.TrialTitle = S("残高試算表");
    SystemDef.ServerDataPlace = 3;
    SystemDef.DataCheck = 0;      // not written back
    SystemDef.TrialRowAdjust = 5; // not written back
    SystemDef.NextItemMove = 1;   // written back only by the organisation edition
    ASSERT_TRUE(dm->fnPutSysDef());
    EXPECT_TRUE(shown->shown().empty());
    const QString row = QStringLiteral("SELECT %1 FROM SYSDEF WHERE OPCODE = 10001");
    EXPECT_EQ(intDef(row.arg("MFTOP")), 40);
    EXPECT_EQ(textDef(row.arg("PRINTERNAME")), S("プリンタ１"));
    EXPECT_EQ(intDef(row.arg("PLINECOLOR2")), 0x123456);
    EXPECT_EQ(textDef(row.arg("SSTR")), QStringLiteral("memo"));
    EXPECT_EQ(textDef(sysRegText(S("試算表タイトル"))), S("残高試算表"));
    EXPECT_EQ(textDef(sysRegText(S("サーバのデータの場所"))), "3");
    EXPECT_EQ(textDef(sysRegText(S("データ破損チェック区"), 19999)), "1");
    EXPECT_EQ(textDef(sysRegText(S("試算表行数調整区分"))), "0");
    EXPECT_EQ(textDef(sysRegText(S("次項目移動区分"))), "<none>");

    TavrinoEdition = 1;
    ASSERT_TRUE(dm->fnPutSysDef());
    EXPECT_EQ(textDef(sysRegText(S("次項目移動区分"))), "1");
}

TEST_F(SysDefTest, SysRegValuesByTypeWord) {
    struct Case {
        const char* word;
        QVariant value;   // written
        const char* text; // stored
        QVariant read;    // read back
    };
    const Case cases[] = {
        {"文字", S("試算表"), "試算表", S("試算表")},
        {"文字", QString(), "", QStringLiteral(" ")},
        {"整数", -42, "-42", -42},
        {"論理", true, "TRUE", true},
        {"論理", false, "FALSE", false},
        {"日付", QVariant::fromValue(TDateTime::fromDate(2024, 3, 31)), "2024/03/31",
         QVariant::fromValue(TDateTime::fromDate(2024, 3, 31))},
        {"日付", QVariant::fromValue(TDateTime()), "", QVariant::fromValue(TDateTime())},
        {"金額", QVariant::fromValue(Money::fromString("1234.5")), "1234.5",
         QVariant::fromValue(Money::fromString("1234.5"))},
    };
    int n = 0;
    for (const Case& c : cases) {
        const QString name = QStringLiteral("KEY%1").arg(++n);
        SCOPED_TRACE(c.word);
        ASSERT_TRUE(dm->PutSysReg(name, S(c.word), c.value));
        EXPECT_EQ(textDef(sysRegText(name)), S(c.text));
        QVariant read;
        ASSERT_TRUE(dm->GetSysReg(name, S(c.word), read, QStringLiteral("unused")));
        EXPECT_EQ(read, c.read);
    }

    // Read forms of stored texts.
    struct ReadCase {
        const char* stored;
        const char* word;
        QVariant read;
    };
    const ReadCase reads[] = {
        {"", "整数", 0},
        {"12x", "整数", 0},
        {"true", "論理", false},
        {"TRUE", "論理", true},
        {"1", "論理", false},
        {"abc", "日付", QVariant::fromValue(TDateTime())},
        {"x", "金額", QVariant::fromValue(Money())},
        {"7", "実数", S("Data Type Error")},
    };
    for (const ReadCase& r : reads) {
        SCOPED_TRACE(r.stored);
        const QString name = QStringLiteral("KEY%1").arg(++n);
        execDef(
            QStringLiteral("INSERT INTO SYSREG (OPCODE, SCODE, STYPE, STEXT) VALUES (10001, '%1', '', '%2')")
                .arg(name, S(r.stored)));
        QVariant read;
        ASSERT_TRUE(dm->GetSysReg(name, S(r.word), read, QString()));
        EXPECT_EQ(read, r.read);
    }

    // A missing key is created with the caller's type word and default; other keys do not see it.
    QVariant read;
    ASSERT_TRUE(dm->funcGetSysReg(QStringLiteral("NEWKEY"), S("整数"), read, 777, QStringLiteral("5")));
    EXPECT_EQ(read, 5);
    EXPECT_EQ(textDef(QStringLiteral("SELECT STYPE FROM SYSREG WHERE OPCODE = 777 AND SCODE = 'NEWKEY'")),
              S("整数"));
    ASSERT_TRUE(dm->funcPutSysReg(QStringLiteral("NEWKEY"), S("文字"), 777, QStringLiteral("9")));
    EXPECT_EQ(
        textDef(QStringLiteral("SELECT STYPE || STEXT FROM SYSREG WHERE OPCODE = 777 AND SCODE = 'NEWKEY'")),
        S("整数9"));
    EXPECT_TRUE(shown->shown().empty());
}

TEST_F(SysDefTest, SystemIniRecords) {
    TSystemIniRec rec;
    rec.REC = 10;
    rec.RESERVE1 = 5;
    rec.SSTR = QStringLiteral("left over");
    ASSERT_TRUE(dm->GetSysIni(rec)); // missing: zeros and empty text
    EXPECT_EQ(rec.RESERVE1, 0);
    EXPECT_EQ(rec.SSTR, QString());

    ASSERT_TRUE(dm->SetSysIni(TSystemIniRec{10, 1, 2, 3, 4, 5, S("NAME=支店")}));
    ASSERT_TRUE(dm->SetSysIni(TSystemIniRec{10, 6, 2, 3, 4, 5, S("NAME=本店")}));
    EXPECT_EQ(intDef(QStringLiteral("SELECT COUNT(*) FROM SYSTEMINI")), 1);
    ASSERT_TRUE(dm->GetSysIni(rec));
    EXPECT_EQ(rec.RESERVE1, 6);
    EXPECT_EQ(rec.RESERVE5, 5);
    EXPECT_EQ(rec.SSTR, S("NAME=本店"));
}

TEST_F(SysDefTest, StyleColorTexts) {
    QString text = QStringLiteral("left over");
    dm->GetStyleColorText(10001, QStringLiteral("Pallet_CustomColor"), text);
    EXPECT_EQ(text, QString());
    dm->PutStyleColorText(10001, QStringLiteral("Pallet_CustomColor"), QStringLiteral("ColorA=FFFFFF"));
    dm->PutStyleColorText(10001, QStringLiteral("Pallet_CustomColor"), QStringLiteral("ColorA=000000"));
    dm->GetStyleColorText(10001, QStringLiteral("Pallet_CustomColor"), text);
    EXPECT_EQ(text, QStringLiteral("ColorA=000000"));
    EXPECT_EQ(
        intDef(QStringLiteral("SELECT COUNT(*) FROM STYLECOLOR WHERE LINECOLOR1 = -1 AND NETCOLOR2 = -1")),
        1);
    dm->GetStyleColorText(10002, QStringLiteral("Pallet_CustomColor"), text);
    EXPECT_EQ(text, QString());
}

TEST_F(SysDefTest, CallerTransactionIsNeitherCommittedNorRolledBack) {
    dm->IBTransactionDEF.start();
    ASSERT_TRUE(dm->fnGetSysDef());
    ASSERT_TRUE(dm->IBTransactionDEF.isActive());
    EXPECT_EQ(intDef(QStringLiteral("SELECT COUNT(*) FROM SYSDEF")), 0); // not committed
    dm->IBTransactionDEF.rollback();
    EXPECT_EQ(intDef(QStringLiteral("SELECT COUNT(*) FROM SYSDEF")), 0);

    ASSERT_TRUE(dm->fnGetSysDef());
    EXPECT_EQ(intDef(QStringLiteral("SELECT COUNT(*) FROM SYSDEF")), 1);

    // The caller's work survives a failed write of the settings.
    dm->IBTransactionDEF.start();
    ASSERT_TRUE(dm->SetSysIni(sysIni(30, 1)));
    SystemDef.FontName = QString(200, u'x'); // longer than the column holds
    EXPECT_FALSE(dm->fnPutSysDef());
    ASSERT_EQ(shown->messageTexts().size(), 1);
    EXPECT_TRUE(shown->messageTexts()[0].startsWith(S("システム情報の書き込みに失敗しました。")));
    ASSERT_TRUE(dm->IBTransactionDEF.isActive());
    dm->IBTransactionDEF.commit();
    EXPECT_EQ(intDef(QStringLiteral("SELECT RESERVE1 FROM SYSTEMINI WHERE REC = 30")), 1);
}

TEST_F(SysDefTest, DisplayFontTakesAListedName) {
    const QStringList families = QFontDatabase::families();
    if (families.isEmpty())
        GTEST_SKIP() << "no fonts";
    QFont font(QStringLiteral("unchanged"));
    SystemDef.DisplayFont = &font;
    execDef(QStringLiteral(
                "INSERT INTO SYSDEF (OPCODE, FONTNAME, FONTSIZE, FONTSTYLE) VALUES (10001, '%1', 13, 3)")
                .arg(families.last()));
    ASSERT_TRUE(dm->fnGetSysDef());
    EXPECT_EQ(font.family(), families.last());
    EXPECT_EQ(font.pointSize(), 13);
    EXPECT_TRUE(font.bold());
    EXPECT_TRUE(font.italic());

    execDef(QStringLiteral("UPDATE SYSDEF SET FONTNAME = 'No Such Font Family', FONTSIZE = 20"));
    ASSERT_TRUE(dm->fnGetSysDef());
    EXPECT_EQ(font.family(), families.last());
    EXPECT_EQ(font.pointSize(), 13);
    SystemDef.DisplayFont = nullptr;
}
