// The company information of an open dataset: the load into AccInf, the names of data and code types,
// total-account names, the era table, the dataset-list lookup from a folder and the data password.
#include "core/DataModule.h"
#include "core/uAccDateCmp.h"
#include "core/uAccFunction2.h"
#include "core/uAccRecord.h"
#include "core/uAccSikinguriCmp.h"
#include "core/uAccTaxCmp.h"
#include "platform/firebird/FbQuery.h"
#include "platform/firebird/FbTransaction.h"
#include "support/DmFixture.h"

#include <gtest/gtest.h>

namespace {

using testenv::AccountSpec;
using testenv::CompanySpec;
using testenv::Dataset;

QString S(const char* utf8) {
    return QString::fromUtf8(utf8);
}

QDate D(TDateTime t) {
    return t.toDate();
}

const QString kKihon = S("基本設定");

// The coded form in which the accounting application keeps a data password from data version 7.
QString codedPassword(const QString& plain) {
    TEasyEncodeInfo info;
    info.Key = QStringLiteral("quelvor");
    EasyEncodeClear(info);
    info.TargetLength = 8;
    info.PlainLength = 8;
    info.PlainText = plain;
    EXPECT_TRUE(EasyEncode(info));
    return info.CodedText;
}

class AccInfoTest : public ::testing::Test {
protected:
    AccInfoTest() { e.connectSystem(); }

    Dataset addDataset(const CompanySpec& company = {}) { return e.root->addDataset(company); }

    // Connects the dataset as the open one and loads its company information.
    bool load(const Dataset& ds) {
        if (!e.dm->fnAccDatConnected(QString(), ds.folder, 0))
            return false;
        return e.dm->fnGetAccInfo();
    }

    void setVersion(const Dataset& ds, int major, int minor1, int minor2) {
        ds.execute(QStringLiteral("UPDATE ACCVERSION SET MAJOR=%1, MINOR1=%2, MINOR2=%3 WHERE REC=1")
                       .arg(major)
                       .arg(minor1)
                       .arg(minor2));
    }

    // The stored type word and text of a typed setting of the open dataset ("<none>" without a row).
    QString accRegRow(const QString& group, const QString& key) {
        fb::Transaction t(e.dm->IBDatabaseDAT);
        fb::Query q(t, QStringLiteral("SELECT ATYPE, ATEXT FROM ACCREG WHERE AGROUP=:G AND ACODE=:K"));
        q.setString("G", group);
        q.setString("K", key);
        q.open();
        return q.eof() ? QStringLiteral("<none>")
                       : q.field("ATYPE").asString() + u'|' + q.field("ATEXT").asString();
    }

    testenv::DmEnvironment e;
};

TEST_F(AccInfoTest, LoadFillsTheCompanyRecordAndCreatesTheTypedSettings) {
    CompanySpec company;
    company.name = S("東西商事株式会社");
    company.kishu = QDate(2023, 4, 1);
    company.extra = {
        {"KAISI", "2023-07-01"}, {"KAISINO", "4"},      {"TAXU_HASUU", "1"},     {"TAXH_HASUU", "2"},
        {"SDAI_HASUU2", "1"},    {"SDAI_HASUU3", "2"},  {"TAXDEFUH", "1"},       {"KURIKOSI1", "0"},
        {"BUMON", "1"},          {"KESSAN_KIKAN", "2"}, {"WEB_HOLDER", "H001"},  {"PASWORD", "PW01"},
        {"FUMEI_KCODE", "9990"}, {"CLOUD_LINE", "3"},   {"NEW_TAX_RATE1", "10"}, {"CHG_DAYS1", "2019-10-01"}};
    const Dataset ds = addDataset(company);
    ds.execute(QStringLiteral("INSERT INTO ACCVERSION (REC, MAJOR, MINOR1, MINOR2) VALUES (2, 13, 1, 0)"));
    ds.execute(QStringLiteral("INSERT INTO BUMONMST (BCODE, BNAME) VALUES ('10', 'A')"));
    ds.execute(QStringLiteral("INSERT INTO BUMONMST (BCODE, BNAME) VALUES ('20', 'B')"));
    ds.execute(QStringLiteral("DELETE FROM ACCTOTALNAME")); // total names of the test's own
    ds.execute(S("INSERT INTO ACCTOTALNAME (REC, KGROUP, PLUSNAME) VALUES (1, '5880', '経常利益')"));
    ds.execute(S("INSERT INTO ACCTOTALNAME (REC, KGROUP, PLUSNAME) VALUES (2, '5688', '売上総利益')"));
    ds.execute(QStringLiteral("UPDATE TUSIN_ID SET HOLDER = 'CB01', PASWORD = 'CBPW' WHERE REC = 1"));
    ds.addSystemAccount(S("現金"), {"1110", "111", S("現金")});
    ds.addSystemAccount(S("仮払消費税"), {"1550", "155", S("仮払消費税")});
    ds.addSystemAccount(S("受取手形"), {"1130", "113", S("受取手形")});
    ds.addSystemAccount(S("事業主貸"), {"1900", "190", S("事業主貸")});
    ds.addAccount({"9990", "999", S("不明")});
    ds.setAccReg(kKihon, S("科目コード桁数"), S("整数"), QStringLiteral("4"));
    ds.setAccReg(kKihon, S("一括税抜処理"), S("整数"), QStringLiteral("1"));
    ds.setAccReg(kKihon, S("使用税率5%"), S("論理"), QStringLiteral("TRUE"));

    ASSERT_TRUE(load(ds));
    EXPECT_TRUE(e.ui->shown().empty());
    EXPECT_FALSE(e.dm->IBTransactionDAT.isActive());

    const TACCINF& a = AccInf;
    EXPECT_EQ(a.SHOUGOU, S("東西商事株式会社"));
    EXPECT_EQ(a.DataTypeName, S("法人"));
    EXPECT_EQ(a.CodeTypeName, QString());
    // Fiscal year and the two before it (no stored starts of the previous years).
    EXPECT_EQ(D(a.KISHU), QDate(2023, 4, 1));
    EXPECT_EQ(D(a.KIMATU), QDate(2024, 3, 31));
    EXPECT_EQ(D(a.ThisKAISI), QDate(2023, 7, 1));
    EXPECT_EQ(D(a.PrevKISHU), QDate(2022, 4, 1));
    EXPECT_EQ(D(a.PrevPrevKISHU), QDate(2021, 4, 1));
    EXPECT_EQ(D(a.PrevKIMATU), QDate(2023, 3, 31));
    EXPECT_EQ(D(a.PrevPrevKIMATU), QDate(2022, 3, 31));
    EXPECT_EQ(D(a.PrevKAISI), QDate(2022, 4, 1));
    // Data months and period slots.
    EXPECT_EQ(a.StartSlot, 4);
    EXPECT_EQ(a.EndSlot, 15);
    EXPECT_EQ(a.KaisiMonths, 3);
    EXPECT_EQ(a.TermMonths, 11);
    // Rounding modes and tax settings.
    EXPECT_EQ(a.TAXU_HASUU, 1);
    EXPECT_EQ(a.TAXH_HASUU, 2);
    EXPECT_EQ(a.SDAI_HASUU2, 1);
    EXPECT_EQ(a.SDAI_HASUU3, 2);
    EXPECT_EQ(a.TAXDEFUH2, 1);
    EXPECT_EQ(a.KURIKOSI1, 0);
    EXPECT_EQ(a.KESSAN_KIKAN, 2);
    EXPECT_EQ(a.NEW_TAX_RATE1, Money(10));
    EXPECT_EQ(D(a.CHG_DAYS1), QDate(2019, 10, 1));
    EXPECT_EQ(a.CLOUD_LINE, 3);
    // The newest version row; the version text reads record 1.
    EXPECT_EQ(a.MAJOR, 13);
    EXPECT_EQ(a.MINOR1, 1);
    EXPECT_EQ(a.MINOR2, 0);
    EXPECT_EQ(e.dm->fnGetDataBaseVer(), QStringLiteral("13.0.0"));
    // Departments with a code, total names, accounts, communication identities.
    EXPECT_EQ(a.BumonCount, 2);
    EXPECT_EQ(a.PlusName1, S("経常利益"));
    EXPECT_EQ(a.PlusName6, S("売上総利益"));
    EXPECT_EQ(a.PlusName2, QString());
    EXPECT_EQ(a.IryoFlag, 0);
    EXPECT_EQ(a.CashKCODE, QStringLiteral("1110"));
    EXPECT_EQ(a.CashUserCode, QStringLiteral("111"));
    EXPECT_EQ(a.KaribaraiTaxUserCode, QStringLiteral("155"));
    EXPECT_EQ(a.KariukeTaxKCODE, QString());
    EXPECT_EQ(a.UketoriTegataUserCode, QStringLiteral("113"));
    EXPECT_EQ(a.JigyonushiKasiKCODE, QString()); // individuals only
    EXPECT_EQ(a.FumeiUserCode, QStringLiteral("999"));
    EXPECT_EQ(a.TusinHolder[0], QStringLiteral("H001"));
    EXPECT_EQ(a.TusinPasword[0], QStringLiteral("PW01"));
    EXPECT_EQ(a.TusinHolder[1], QStringLiteral("CB01"));
    EXPECT_EQ(a.TusinPasword[1], QStringLiteral("CBPW"));
    // Typed settings: stored values and defaults.
    EXPECT_EQ(a.KamokuDigits, 4);
    EXPECT_EQ(a.IkkatuZeinuki, 0);
    EXPECT_EQ(a.KobetuGenkaName, S("個別原価"));
    EXPECT_EQ(a.DataPassword, QString());
    EXPECT_EQ(a.TaxRateUse, (std::array<quint8, 5>{0, 1, 1, 1, 1}));
    EXPECT_EQ(TaxRateList.size(), 5u);

    const struct {
        const char* group;
        const char* key;
        const char* row;
    } created[] = {
        {"基本設定", "過去明細取り込み", "整数|0"},
        {"基本設定", "合算データ区分", "整数|0"},
        {"基本設定", "合算データ数", "整数|0"},
        {"基本設定", "一括税抜処理", "整数|1"},
        {"基本設定", "補助コード桁数", "整数|0"},
        {"基本設定", "部門コード桁数", "整数|0"},
        {"減価償却設定", "250%定率法で償却する経過措置", "整数|0"},
        {"減価償却設定", "200%定率法で償却する経過措置", "整数|0"},
        {"基本設定", "印刷用期間使用区分", "整数|0"},
        {"基本設定", "印刷用期間（期首）", "日付|0"},
        {"基本設定", "印刷用期間（期末）", "日付|0"},
        {"基本設定", "個別原価使用区分", "整数|0"},
        {"基本設定", "個別原価別名", "文字|個別原価"},
        {"基本設定", "個別原価コード桁数", "整数|0"},
        {"基本設定", "＃USE", "整数|0"},
        {"基本設定", "＃KEY", "文字|"},
        {"基本設定", "＃VALUE", "文字|"},
        {"通信設定", "クラウド区分", "整数|0"},
        {"基本設定", "データパスワード", "文字|"},
        {"基本設定", "データパスワードV2", "文字|"},
        {"基本設定", "使用税率3%", "論理|FALSE"},
        {"基本設定", "使用税率5%", "論理|TRUE"},
        {"基本設定", "使用税率8%", "論理|TRUE"},
    };
    for (const auto& c : created)
        EXPECT_EQ(accRegRow(S(c.group), S(c.key)), S(c.row)) << c.group << " " << c.key;
}

TEST_F(AccInfoTest, DataTypeDecidesTheSystemAccountsAndTheTables) {
    struct Case {
        int dataType, codeType;
        const char* typeName;
        const char* kindName;
        quint8 iryo;
        const char* kurikosi; // user code of the carried-forward account
        const char* motoirekin;
        const char* kyuryo;
        const char* uketori;
    };
    const Case cases[] = {
        {1, 1, "法人", "", 0, "301", "", "", "113"},
        {2, 3, "個人", "クリニック", 0, "301", "302", "", ""},
        {3, 1, "医療法人", "", 1, "303", "", "701", ""},
    };
    for (const Case& c : cases) {
        CompanySpec company;
        company.dataType = c.dataType;
        company.codeType = c.codeType;
        company.extra = {{"ZKISHU", "2022-01-01"}};
        const Dataset ds = addDataset(company);
        ds.addSystemAccount(S("繰越利益剰余金"), {"3010", "301", S("繰越利益剰余金")});
        ds.addSystemAccount(S("元入金"), {"3020", "302", S("元入金")});
        ds.addSystemAccount(S("前期繰越利益"), {"3030", "303", S("前期繰越利益")});
        ds.addSystemAccount(S("給料"), {"7010", "701", S("給料")});
        ds.addSystemAccount(S("受取手形"), {"1130", "113", S("受取手形")});
        ASSERT_TRUE(load(ds)) << c.typeName;
        const TACCINF& a = AccInf;
        EXPECT_EQ(a.DataTypeName, S(c.typeName));
        EXPECT_EQ(a.CodeTypeName, S(c.kindName));
        EXPECT_EQ(a.IryoFlag, c.iryo) << c.typeName;
        EXPECT_EQ(CashFlowItems.size(), c.iryo ? 38 : 39) << c.typeName;
        EXPECT_EQ(a.KurikosiUserCode, S(c.kurikosi)) << c.typeName;
        EXPECT_EQ(a.MotoirekinUserCode, S(c.motoirekin)) << c.typeName;
        EXPECT_EQ(a.KyuryoUserCode, S(c.kyuryo)) << c.typeName;
        EXPECT_EQ(a.UketoriTegataUserCode, S(c.uketori)) << c.typeName;
        // A stored start of the previous year wins over twelve months back.
        EXPECT_EQ(D(a.PrevKISHU), QDate(2022, 1, 1));
        EXPECT_EQ(D(a.PrevPrevKISHU), QDate(2021, 1, 1));
        EXPECT_EQ(D(a.PrevKIMATU), QDate(2024, 3, 31));
        EXPECT_EQ(D(a.PrevPrevKIMATU), QDate(2021, 12, 31));
    }
}

TEST_F(AccInfoTest, TypeTheProgramCannotHandleFailsTheLoadWithItsDetail) {
    const struct {
        int dataType, codeType;
        const char* detail;
    } cases[] = {
        {1, 2, "このプログラムでは、該当のコードタイプを処理することが出来ません。(CodeType=2)"},
        {4, 1, "このプログラムでは、該当のデータタイプを処理することが出来ません。(DataType=4)"},
    };
    for (const auto& c : cases) {
        CompanySpec company;
        company.dataType = c.dataType;
        company.codeType = c.codeType;
        const Dataset ds = addDataset(company);
        e.ui->clear();
        EXPECT_FALSE(load(ds));
        EXPECT_EQ(e.ui->messageTexts(),
                  QStringList{S("基本情報の取得に失敗しました。\r\r[詳細情報]\r") + S(c.detail)});
        EXPECT_FALSE(e.dm->IBTransactionDAT.isActive());
        // The fields up to the failing type have been copied.
        EXPECT_EQ(AccInf.DATATYPE, c.dataType);
        EXPECT_EQ(AccInf.SHOUGOU, QString());
    }
}

TEST_F(AccInfoTest, DatasetWithoutCompanyRowFails) {
    const Dataset ds = addDataset();
    ds.execute(QStringLiteral("DELETE FROM ACCDEF1"));
    EXPECT_FALSE(load(ds));
    EXPECT_EQ(e.ui->messageTexts(), QStringList{S("基本情報の取得に失敗しました。\r\r[詳細情報]\r基本設定("
                                                  "ACCDEF1)のレコードが見つかりませんでした。")});
}

TEST(AccInfoNames, DataAndCodeTypeNames) {
    TDM dm;
    const struct {
        int dataType, codeType;
        bool combined;
        const char* name; // nullptr: refused
    } cases[] = {
        {2, 3, true, "個人／クリニック"},
        {1, 1, true, "法人"},
        {3, 1, true, "医療法人"},
        {2, 1, false, "一般"},
        {2, 2, false, "不動産"},
        {2, 4, false, "農業"},
        {1, 1, false, ""},
        {2, 5, true, nullptr},
        {3, 2, false, nullptr},
        {0, 1, true, nullptr},
    };
    for (const auto& c : cases) {
        QString name = QStringLiteral("unchanged");
        if (!c.name) {
            EXPECT_THROW(dm.GetDataKindName(c.dataType, c.codeType, name, c.combined), std::runtime_error)
                << c.dataType << "/" << c.codeType;
            continue;
        }
        dm.GetDataKindName(c.dataType, c.codeType, name, c.combined);
        EXPECT_EQ(name, S(c.name)) << c.dataType << "/" << c.codeType;
    }
}

// A dataset of an older layout lacks the newer ACCDEF1 columns and TUSIN_ID: nothing of the company
// loaded before may stay in their fields.
TEST_F(AccInfoTest, LoadingAnotherDatasetKeepsNothingOfTheFirst) {
    CompanySpec first;
    first.extra = {{"KESSAN_KIKAN", "2"},  {"CASHFLOW_KIKAN1", "5"}, {"CASHFLOW_KIKAN2", "6"},
                   {"GENKA_HWORD6", "X6"}, {"READ_ONLY", "1"},       {"CLOUD_LINE", "4"},
                   {"WEB_HOLDER", "H1"},   {"TAXDEFUH", "0"},        {"KURIKOSI1", "1"}};
    const Dataset a = addDataset(first);
    a.addSystemAccount(S("受取手形"), {"1130", "113", S("受取手形")});
    a.execute(QStringLiteral("UPDATE TUSIN_ID SET HOLDER = 'CB01', PASWORD = 'CBPW' WHERE REC = 1"));
    a.setAccReg(kKihon, S("データパスワードV2"), S("文字"), codedPassword(QStringLiteral("abc")));
    ASSERT_TRUE(load(a));
    ASSERT_EQ(AccInf.UketoriTegataKCODE, QStringLiteral("1130"));
    ASSERT_EQ(AccInf.GENKA_HWORD6, QStringLiteral("X6"));
    ASSERT_EQ(AccInf.TusinHolder[1], QStringLiteral("CB01"));
    ASSERT_EQ(AccInf.DataPassword, QStringLiteral("abc"));

    CompanySpec second;
    second.name = S("個人事業");
    second.dataType = 2;
    second.extra = {{"TAXDEFUH", "1"}};
    const Dataset b = addDataset(second);
    b.execute(
        QStringLiteral("ALTER TABLE ACCDEF1 DROP KESSAN_KIKAN, DROP CASHFLOW_KIKAN1, DROP CASHFLOW_KIKAN2,"
                       " DROP GENKA_HWORD6, DROP READ_ONLY, DROP CLOUD_LINE, DROP CLOUD_TIME,"
                       " DROP WEB_HOLDER, DROP KURIKOSI1, DROP KURIKOSI2, DROP SDAI_HASUU3"));
    b.execute(QStringLiteral("DROP TABLE TUSIN_ID"));
    ASSERT_TRUE(load(b));
    const TACCINF& x = AccInf;
    EXPECT_EQ(x.SHOUGOU, S("個人事業"));
    EXPECT_EQ(x.KESSAN_KIKAN, 0);
    EXPECT_EQ(x.CASHFLOW_KIKAN1, 0);
    EXPECT_EQ(x.CASHFLOW_KIKAN2, 0);
    EXPECT_EQ(x.GENKA_HWORD6, QString());
    EXPECT_EQ(x.READ_ONLY, 0);
    EXPECT_EQ(x.CLOUD_LINE, 0);
    EXPECT_EQ(x.TusinHolder[0], QString());
    EXPECT_EQ(x.TusinHolder[1], QString());
    EXPECT_EQ(x.KURIKOSI1, 1); // TAXDEFUH stands in for the missing column
    EXPECT_EQ(x.UketoriTegataKCODE, QString());
    EXPECT_EQ(x.UketoriTegataUserCode, QString());
    EXPECT_EQ(x.DataPassword, QString());
}

TEST_F(AccInfoTest, LoadLeavesTheCallersTransactionRunning) {
    const Dataset ds = addDataset();
    ASSERT_TRUE(e.dm->fnAccDatConnected(QString(), ds.folder, 0));
    e.dm->IBTransactionDAT.start();
    e.dm->IBQACC2.setSql(S("UPDATE ACCDEF1 SET SHOUGOU='未確定商事' WHERE REC=1"));
    e.dm->IBQACC2.execute();

    ASSERT_TRUE(e.dm->fnGetAccInfo());
    EXPECT_EQ(AccInf.SHOUGOU, S("未確定商事"));
    ASSERT_TRUE(e.dm->IBTransactionDAT.isActive());
    e.dm->IBTransactionDAT.rollback();
    EXPECT_EQ(accRegRow(kKihon, S("過去明細取り込み")), QStringLiteral("<none>"));

    // The change the caller dropped never became data, and neither did the rows the load created in the
    // caller's transaction.
    ASSERT_TRUE(e.dm->fnGetAccInfo());
    EXPECT_EQ(AccInf.SHOUGOU, S("株式会社テスト"));
    EXPECT_FALSE(e.dm->IBTransactionDAT.isActive());
}

TEST_F(AccInfoTest, TotalNameColumnMustBeOneOfTheTable) {
    const Dataset ds = addDataset();
    ds.execute(QStringLiteral("DELETE FROM ACCTOTALNAME")); // total names of the test's own
    ds.execute(S("INSERT INTO ACCTOTALNAME (REC, KGROUP, PLUSNAME, MINUSNAME) VALUES (1, '5880', '経常利益', "
                 "'経常損失')"));
    ASSERT_TRUE(e.dm->fnAccDatConnected(QString(), ds.folder, 0));
    QString text;
    e.dm->fnGetAccTotalName(QStringLiteral("5880"), QStringLiteral("PLUSNAME"), text);
    EXPECT_EQ(text, S("経常利益"));
    e.dm->fnGetAccTotalName(QStringLiteral("5880"), QStringLiteral("minusname"), text);
    EXPECT_EQ(text, S("経常損失"));
    e.dm->fnGetAccTotalName(QStringLiteral("9999"), QStringLiteral("PLUSNAME"), text);
    EXPECT_EQ(text, QString());
    EXPECT_TRUE(e.ui->shown().empty());

    // Text that would read another table if it became part of the statement.
    const QString foreign = QStringLiteral("(SELECT FIRST 1 SHOUGOU FROM ACCDEF1)");
    e.dm->fnGetAccTotalName(QStringLiteral("5880"), foreign, text);
    EXPECT_EQ(text, QString());
    ASSERT_EQ(e.ui->messageTexts().size(), 1);
    EXPECT_TRUE(e.ui->messageTexts()[0].startsWith(S("集計名称の取得に失敗しました。")));
    EXPECT_FALSE(e.dm->IBTransactionDAT.isActive());
}

TEST_F(AccInfoTest, EraTableFromGengoOrBuiltIn) {
    e.dm->LoadGengoTable();
    ASSERT_EQ(GengoTable.size(), 5);
    EXPECT_EQ(GengoTable[0].Name, S("令和"));
    EXPECT_EQ(GengoTable[4].Letter, QStringLiteral("M"));

    e.executeSystem(S(
        "INSERT INTO GENGO (GNAME, GSIGN, STARTDATE, YEAROFFSET) VALUES ('新元', 'N', '2100-01-01', 2100)"));
    e.dm->LoadGengoTable();
    ASSERT_EQ(GengoTable.size(), 6);
    EXPECT_EQ(GengoTable[0].Name, S("新元"));
    EXPECT_EQ(D(GengoTable[0].StartDate), QDate(2100, 1, 1));
    EXPECT_EQ(GengoTable[0].StartYear, 2100);
    EXPECT_EQ(GengoTable[1].Name, S("令和"));

    e.executeSystem(QStringLiteral("DELETE FROM GENGO"));
    e.dm->LoadGengoTable();
    ASSERT_EQ(GengoTable.size(), 5);
    EXPECT_EQ(GengoTable[0].Name, S("令和"));
    EXPECT_EQ(D(GengoTable[1].StartDate), QDate(1989, 1, 8));

    // Without the system database the read fails quietly.
    e.executeSystem(S(
        "INSERT INTO GENGO (GNAME, GSIGN, STARTDATE, YEAROFFSET) VALUES ('新元', 'N', '2100-01-01', 2100)"));
    e.dm->IBDatabaseDEF.detach();
    e.dm->LoadGengoTable();
    EXPECT_EQ(GengoTable.size(), 5);
    EXPECT_TRUE(e.ui->shown().empty());
}

TEST(AccInfoPaths, SplitDataPathTakesTheFoldersAfterTheDatasetsDataFolder) {
    TDM dm;
    const struct {
        const char* path;
        const char* first;
        const char* second;
    } cases[] = {
        {"/x/DATA/0012/03", "0012", "03"},
        {"/x/data/0012", "0012", ""},
        {"/x/cb_data/0007/", "0007", ""},
        {"/x/y/0012", "", ""},
        {"/x/ data /0012/　03", "0012", "03"},
        // The data root itself lies below a folder named "data".
        {"/home/data/quarno/pellanzaimu/data/0012/03", "0012", "03"},
        {"/srv/DATA/root/data/0005", "0005", ""},
        {"", "", ""},
    };
    for (const auto& c : cases) {
        QString first = QStringLiteral("?"), second = QStringLiteral("?");
        dm.SplitDataPath(S(c.path), first, second);
        EXPECT_EQ(first, S(c.first)) << c.path;
        EXPECT_EQ(second, S(c.second)) << c.path;
    }
}

TEST_F(AccInfoTest, DataListRecordOfAFolder) {
    const Dataset ds = addDataset({}); // the fixture lists it in slot ds.rec
    qint32 rec = -1, rowNo = -1;

    ConnectMode = 0;
    e.dm->GetDataListRec(QStringLiteral("/home/data/quarno/pellanzaimu/data/0012/03"), rec, rowNo);
    EXPECT_EQ(rec, 12);
    EXPECT_EQ(rowNo, 3);
    e.dm->GetDataListRec(QStringLiteral("/x/data/abc"), rec, rowNo);
    EXPECT_EQ(rec, 0);
    EXPECT_EQ(rowNo, 0);
    e.dm->GetDataListRec(ds.folder, rec, rowNo);
    EXPECT_EQ(rec, ds.rec);

    // Client/server: the list row of the stored path, in any letter case.
    ConnectMode = 1;
    e.dm->GetDataListRec(ds.folder.toLower(), rec, rowNo);
    EXPECT_EQ(rec, ds.rec);
    EXPECT_EQ(rowNo, 0);
    e.dm->GetDataListRec(ds.folder + QStringLiteral("/other"), rec, rowNo);
    EXPECT_EQ(rec, 0);
    e.dm->GetDataListRec(QStringLiteral("  "), rec, rowNo);
    EXPECT_EQ(rec, 0);
    ConnectMode = 0;
}

// ---- data password ----------------------------------------------------------------------------------

class DataPasswordTest : public AccInfoTest {
protected:
    // A dataset of the data version with the stored password texts (empty: no row).
    void open(int major, const QString& plain, const QString& coded) {
        const Dataset ds = addDataset();
        setVersion(ds, major, 0, 0);
        if (!plain.isEmpty())
            ds.setAccReg(kKihon, S("データパスワード"), S("文字"), plain);
        if (!coded.isEmpty())
            ds.setAccReg(kKihon, S("データパスワードV2"), S("文字"), coded);
        ASSERT_TRUE(load(ds));
    }
    std::vector<ui::InputRequest> prompts() {
        std::vector<ui::InputRequest> result;
        for (const auto& s : e.ui->shown())
            if (s.what == ui::ScriptedUserInteraction::Shown::Input)
                result.push_back(s.input);
        return result;
    }
};

TEST_F(DataPasswordTest, StoredFormDependsOnTheDataVersion) {
    open(6, S("　pass6 "), codedPassword(QStringLiteral("Other7")));
    EXPECT_EQ(AccInf.DataPassword, QStringLiteral("pass6"));
    EXPECT_EQ(TaxRateList.size(), 3u); // a dataset before 11.1.0

    open(7, QStringLiteral("pass6"), QStringLiteral(" ") + codedPassword(QStringLiteral("Secret7")));
    EXPECT_EQ(AccInf.DataPassword, QStringLiteral("Secret7"));

    open(12, QStringLiteral("pass6"), QString());
    EXPECT_EQ(AccInf.DataPassword, QString());
    EXPECT_TRUE(e.dm->CheckDataPassword());
    EXPECT_TRUE(prompts().empty());
}

TEST_F(DataPasswordTest, CorrectEntryWithSurroundingBlanks) {
    open(13, QString(), codedPassword(QStringLiteral("Ab12")));
    e.ui->queueInput(S("　Ab12 "));
    EXPECT_TRUE(e.dm->CheckDataPassword());
    const auto shown = prompts();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].caption, S("パスワードの確認"));
    EXPECT_EQ(shown[0].prompt, S("パスワードを入力して下さい。"));
    EXPECT_TRUE(shown[0].password);
    EXPECT_EQ(shown[0].maxLength, 8);
    EXPECT_TRUE(shown[0].lettersAndDigitsOnly);
    EXPECT_EQ(shown[0].initial, QString());
    EXPECT_EQ(shown[0].hint, S("パスワード(英数字8文字以内)を入力し、[OK]ボタンを押して下さい。"
                               "3回続けて失敗すると「データ選択」画面に戻ります。"));
    EXPECT_FALSE(shown[0].promptAlert);
}

TEST_F(DataPasswordTest, ThreeWrongEntriesRefuse) {
    open(13, QString(), codedPassword(QStringLiteral("Ab12")));
    for (const char* entry : {"ab12", "AB12", "Ab123"})
        e.ui->queueInput(S(entry));
    e.ui->queueInput(QStringLiteral("Ab12")); // never asked for
    EXPECT_FALSE(e.dm->CheckDataPassword());
    const auto shown = prompts();
    ASSERT_EQ(shown.size(), 3u);
    EXPECT_EQ(shown[0].prompt, S("パスワードを入力して下さい。"));
    EXPECT_EQ(shown[1].prompt, S("正しいパスワードを入力して下さい。"));
    EXPECT_EQ(shown[2].prompt, S("正しいパスワードを入力して下さい。"));
    // The first request in the usual colour, the repeated ones in red.
    EXPECT_FALSE(shown[0].promptAlert);
    EXPECT_TRUE(shown[1].promptAlert);
    EXPECT_TRUE(shown[2].promptAlert);
}

TEST_F(DataPasswordTest, CancelRefusesAtOnce) {
    open(13, QString(), codedPassword(QStringLiteral("Ab12")));
    e.ui->queueInput(QStringLiteral("wrong"));
    e.ui->queueInput(std::nullopt);
    e.ui->queueInput(QStringLiteral("Ab12"));
    EXPECT_FALSE(e.dm->CheckDataPassword());
    EXPECT_EQ(prompts().size(), 2u);
}

// A stored password that cannot be decoded (cut short by a foreign character) still protects the
// dataset: the prompt comes and no entry passes it.
TEST_F(DataPasswordTest, UnreadableStoredPasswordAdmitsNoEntry) {
    const QString good = codedPassword(QStringLiteral("Ab12"));
    for (const QString& stored : {good.left(2) + u'-' + good.mid(2), S("ｱｲｳｴ"), S("Ab1ｱ")}) {
        open(13, QString(), stored);
        EXPECT_EQ(AccInf.DataPassword, QString());
        EXPECT_EQ(AccInf.DataPasswordUnreadable, 1);
        e.ui->clear();
        e.ui->queueInput(QString());
        e.ui->queueInput(stored);
        e.ui->queueInput(QStringLiteral("Ab12"));
        EXPECT_FALSE(e.dm->CheckDataPassword()) << stored.toStdString();
        EXPECT_EQ(prompts().size(), 3u);
    }
}

// A password has eight characters: what is stored after them is not part of it, whatever it holds.
TEST_F(DataPasswordTest, StoredPasswordLongerThanEightReadsAsItsFirstEight) {
    for (const QString& tail : {QStringLiteral("xyz"), S("-ｱ")}) {
        open(13, QString(), codedPassword(QStringLiteral("Secret78")) + tail);
        EXPECT_EQ(AccInf.DataPassword, QStringLiteral("Secret78"));
        EXPECT_EQ(AccInf.DataPasswordUnreadable, 0);
        e.ui->clear();
        e.ui->queueInput(QStringLiteral("Secret78"));
        EXPECT_TRUE(e.dm->CheckDataPassword());
    }
}

} // namespace
