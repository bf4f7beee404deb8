// The journal-entry writer on a fixture dataset: its validation codes and messages as one table of
// cases, and an entry inserted, corrected, deleted and restored through the journal procedures.

#include "DataModuleFixture.h"

#include "core/FbValues.h"
#include "core/z5SiwakeIO.h"

namespace {

class SiwakeWriteTest : public DataModuleTest {
protected:
    void SetUp() override {
        DataModuleTest::SetUp();
        ds = root->addDataset({});
        ds.addSystemAccount(QStringLiteral("現金"), {QStringLiteral("1110"), QStringLiteral("111"), QStringLiteral("現金")});
        ds.addSystemAccount(QStringLiteral("仮払消費税"),
                            {QStringLiteral("1550"), QStringLiteral("155"), QStringLiteral("仮払消費税")});
        ds.addAccount({QStringLiteral("4110"), QStringLiteral("411"), QStringLiteral("売上高")});
        ds.addAccount({QStringLiteral("5000"), QStringLiteral("500"), QStringLiteral("仕入高")});
        ds.addAccount({QStringLiteral("6000"), QStringLiteral("600"), QStringLiteral("給料")});
        ds.execute(QStringLiteral("INSERT INTO HOJOMST (KCODE, HCODE, HNAME) VALUES ('5000', '01', 'Ａ社')"));
        ds.execute(QStringLiteral("INSERT INTO BUMONMST (BCODE, BNAME) VALUES ('10', '営業部')"));
        for (const char* row : {"'1110',' ',' '", "'1550',' ',' '", "'4110',' ',' '", "'5000',' ',' '",
                                "'5000','01',' '", "'6000',' ',' '", "'6000',' ','10'"})
            ds.execute(QStringLiteral("INSERT INTO KAMOKU_SZ (SCODE, KCODE, HCODE, BCODE) VALUES (' ',") +
                       QString::fromLatin1(row) + u')');
        ASSERT_TRUE(dm->fnAccDatConnected(QString(), ds.folder, 0));
        ASSERT_TRUE(dm->fnGetAccInfo());
        w.SetTransaction(dm->IBTransactionDAT);
        SystemDef.JOBLEVEL = 1;
    }

    TSWKREC entry(TDateTime date = TDateTime::fromDate(2024, 5, 10)) {
        TSWKREC e;
        w.InitSiwakeRec(e, 0, date);
        e.SCODE = QStringLiteral(" ");
        e.L.KCODE = QStringLiteral("111");
        e.R.KCODE = QStringLiteral("411");
        e.KINGAKU = Money(10000);
        e.L.NUK = e.R.NUK = Money(10000);
        e.TEKTEXT = QStringLiteral("売上\t代金\r\n");
        return e;
    }
    int rows(const QString& where) {
        return firstInt(dm->IBDatabaseDAT, QStringLiteral("SELECT COUNT(*) FROM SIWAKE WHERE ") + where);
    }

    testenv::Dataset ds;
    TSiwakeWrite w;
};

TEST_F(SiwakeWriteTest, ValidationCodes) {
    struct Case {
        const char* name;
        std::function<void(TSWKREC&)> change;
        int code;
        QString message; // imported data unless the case sets MessageMode 0
        quint8 mode = 1;
    };
    const std::vector<Case> cases{
        {"valid entry", [](TSWKREC&) {}, 0, QString()},
        {"day after the fiscal year", [](TSWKREC& e) { e.HIZUKE = TDateTime::fromDate(2025, 4, 1); }, 1,
         QStringLiteral("日付が会計期間外または、決算区分の設定が不正です。")},
        {"audited entry under audit lock",
         [](TSWKREC& e) {
             AccInf.KANSA_LOCK = 1;
             e.CTIME = TDateTime::fromDate(2024, 6, 1);
         },
         2, QStringLiteral("監査済みの仕訳が設定されました。")},
        {"approved entry", [](TSWKREC& e) { e.SHONIN_HIZUKE = TDateTime::fromDate(2024, 6, 1); }, 40,
         QStringLiteral("承認済みの仕訳が設定されました。")},
        {"cost unit not listed",
         [](TSWKREC& e) {
             AccInf.KobetuGenkaUse = 1;
             AccInf.KobetuGenkaName = QStringLiteral("工事");
             e.SNUM = 7;
         },
         4, QStringLiteral("工事コードの設定が不正です。")},
        {"facility missing for medical data",
         [](TSWKREC& e) {
             AccInf.SITEN = 1;
             AccInf.DATATYPE = 3;
             e.SCODE.clear();
         },
         5, QStringLiteral("施設コードが不正です。")},
        {"unknown debit account", [](TSWKREC& e) { e.L.KCODE = QStringLiteral("999"); }, 11,
         QStringLiteral("借方の科目コードの設定が不正です。")},
        {"debit department missing", [](TSWKREC& e) { e.L.KCODE = QStringLiteral("600"); }, 11,
         QStringLiteral("借方の部門コードの設定が不正です。")},
        {"invalid debit tax code", [](TSWKREC& e) { e.L.TAXCODE = 999; }, 12,
         QStringLiteral("借方の消費税コードの設定が不正です。")},
        {"tax account with a taxed partner",
         [](TSWKREC& e) {
             e.L.KCODE = QStringLiteral("155");
             e.L.TAXCODE = 711;
             e.R.TAXCODE = 110;
         },
         14, QStringLiteral("仮受消費税、仮払消費税の相手税コードは[810,910]を使用してください。")},
        {"credit sub-account missing", [](TSWKREC& e) { e.R.KCODE = QStringLiteral("500"); }, 21,
         QStringLiteral("貸方の補助コードの設定が不正です。")},
        {"rates differ",
         [](TSWKREC& e) {
             e.L.RIT = Money(10);
             e.R.RIT = Money(8);
             e.L.RateKind = 0;
             e.R.RateKind = 4;
         },
         41, QStringLiteral("借方と貸方の消費税率が違います。")},
        {"zero amount", [](TSWKREC& e) { e.KINGAKU = Money(); }, 31,
         QStringLiteral("金額の設定が不正です。（０円 または null）")},
        {"zero amount, interactive", [](TSWKREC& e) { e.KINGAKU = Money(); }, 31,
         QStringLiteral("金額を入力してください。"), 0},
        {"negative amount", [](TSWKREC& e) { e.KINGAKU = Money(-5); }, 31,
         QStringLiteral("金額にマイナス値が設定されました。")},
        {"largest amount", [](TSWKREC& e) { e.KINGAKU = Money::fromRaw(Q_INT64_C(9999999999) * Money::Scale); },
         0, QString()},
        {"one yen more",
         [](TSWKREC& e) { e.KINGAKU = Money::fromRaw(Q_INT64_C(10000000000) * Money::Scale); }, 31,
         QStringLiteral("金額の設定が不正です。（桁数オーバー）")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(dm->fnGetAccInfo());
        TSWKREC e = entry();
        c.change(e);
        w.MessageMode = c.mode;
        int code = -1;
        QString message;
        EXPECT_EQ(w.TestSiwake(e, code, message), c.code == 0);
        EXPECT_EQ(code, c.code);
        EXPECT_EQ(message, c.message);
        if (c.code == 14) {
            EXPECT_EQ(e.R.TAXCODE, 810);
        }
        if (c.code == 0) {
            EXPECT_EQ(e.MNUM, 2);
            EXPECT_EQ(e.TEKTEXT, QStringLiteral("売上代金"));
            EXPECT_EQ(e.L.KNAME, QStringLiteral("現金"));
            EXPECT_EQ(e.R.HCODE, QStringLiteral(" "));
        }
    }
    EXPECT_TRUE(shown->shown().empty());

    // A settlement entry on the last day of the year lands in slot 16.
    ASSERT_TRUE(dm->fnGetAccInfo());
    TSWKREC closing = entry(AccInf.KIMATU);
    closing.KESSAN = 1;
    int code = 0;
    QString message;
    EXPECT_TRUE(w.TestSiwake(closing, code, message)) << message.toStdString();
    EXPECT_EQ(closing.MNUM, 16);
}

// The account row holds the sub-account switch and the statement flag as the characters they are.
TEST_F(SiwakeWriteTest, AccountRowReadsTheSubAccountSwitchAsText) {
    ds.execute(QStringLiteral("UPDATE KAMOKUMST SET HOJOSW = '○', BPFLG = 'P' WHERE KCODE = '5000'"));
    ASSERT_TRUE(w.GetKamoku(QStringLiteral(" "), QString(), QStringLiteral("01"), QStringLiteral("500")));
    EXPECT_EQ(w.Kamoku.KCODE, QStringLiteral("5000"));
    EXPECT_EQ(w.Kamoku.HOJOSW, QStringLiteral("○"));
    EXPECT_EQ(w.Kamoku.BPFLG, QStringLiteral("P"));
}

// The account checks answer from what they learnt since the facility's account table was loaded;
// loading it again brings in masters changed meanwhile.
TEST_F(SiwakeWriteTest, AccountChecksFollowTheMastersWhenTheAccountTableIsLoaded) {
    w.SetKamokuArray(QStringLiteral(" "));
    int code = 0;
    QString message;
    TSWKREC e = entry();
    ASSERT_TRUE(w.TestSiwake(e, code, message)) << message.toStdString();
    if (dm->IBTransactionDAT.isActive())
        dm->IBTransactionDAT.commit();
    ds.execute(QStringLiteral("INSERT INTO HOJOMST (KCODE, HCODE, HNAME) VALUES ('4110', '01', 'Ｂ店')"));
    ds.execute(
        QStringLiteral("INSERT INTO KAMOKU_SZ (SCODE, KCODE, HCODE, BCODE) VALUES (' ', '4110', '01', ' ')"));
    w.SetKamokuArray(QStringLiteral(" "));
    e = entry();
    EXPECT_FALSE(w.TestSiwake(e, code, message));
    EXPECT_EQ(code, 21);
    EXPECT_EQ(message, QStringLiteral("貸方の補助コードを入力してください。"));
    e = entry();
    e.R.HCODE = QStringLiteral("01");
    EXPECT_TRUE(w.TestSiwake(e, code, message)) << message.toStdString();
    EXPECT_EQ(e.R.HNAME, QStringLiteral("Ｂ店"));
}

TEST_F(SiwakeWriteTest, InsertUpdateDeleteRestore) {
    TSWKREC e = entry();
    int code = 0;
    QString message;
    ASSERT_TRUE(w.TestSiwake(e, code, message)) << message.toStdString();
    w.OwnTransaction = 1;
    const int rec = w.PutSiwake(e);
    EXPECT_FALSE(dm->IBTransactionDAT.isActive());
    EXPECT_EQ(w.OwnTransaction, 0);
    ASSERT_GT(rec, 0);
    EXPECT_EQ(rec, 2 * e.SWKREC - 1);
    EXPECT_EQ(e.SWKNO, e.SWKREC);
    EXPECT_EQ(e.SDAYNUM, 1);

    TSWKREC read;
    w.GetSiwake(read, rec, false);
    EXPECT_EQ(read.REC, rec);
    EXPECT_EQ(read.L.KCODE, QStringLiteral("111")); // user codes, not the stored account codes
    EXPECT_EQ(read.R.KCODE, QStringLiteral("411"));
    EXPECT_EQ(read.L.KNAME, QStringLiteral("現金"));
    EXPECT_EQ(read.KINGAKU, Money(10000));
    EXPECT_EQ(read.TEKTEXT, QStringLiteral("売上代金"));
    EXPECT_EQ(read.HIZUKE, TDateTime::fromDate(2024, 5, 10));
    EXPECT_TRUE(read.CTIME.isNull());
    TSWKREC viewed;
    w.GetSiwake(viewed, rec, true);
    EXPECT_EQ(viewed.R.KCODE, QStringLiteral("411"));

    // Only the comment: corrected in place.
    read.COMMENT = QStringLiteral("確認済");
    w.OwnTransaction = 1;
    EXPECT_EQ(w.PutSiwake(read), 0);
    EXPECT_EQ(read.REC, rec);
    EXPECT_EQ(rows(QStringLiteral("DELFLG=2")), 0);

    // The amount: the old rows are marked corrected and a new pair written.
    const TSWKREC stale = read;
    read.KINGAKU = Money(12000);
    w.OwnTransaction = 1;
    EXPECT_EQ(w.PutSiwake(read), 0);
    EXPECT_NE(read.REC, rec);
    EXPECT_EQ(read.SWKNO, stale.SWKNO); // same date: same journal number
    EXPECT_EQ(rows(QStringLiteral("DELFLG=2")), 2);
    EXPECT_EQ(rows(QStringLiteral("DELFLG=0")), 2);

    // A writer still holding the old entry learns of the correction.
    TSWKREC old = stale;
    old.KINGAKU = Money(9000);
    w.OwnTransaction = 1;
    EXPECT_EQ(w.PutSiwake(old), -2);
    EXPECT_EQ(old.REC, read.REC);

    // Deleted: a later correction changes nothing.
    w.OwnTransaction = 1;
    EXPECT_EQ(w.DeleteSiwake(read.SWKREC), 1);
    EXPECT_EQ(rows(QStringLiteral("DELFLG=1")), 2);
    TSWKREC deleted = read;
    deleted.KINGAKU = Money(1);
    w.OwnTransaction = 1;
    EXPECT_EQ(w.PutSiwake(deleted), -1);
    EXPECT_EQ(deleted.REC, read.REC);
    EXPECT_EQ(deleted.KINGAKU, Money(1));

    // Restored on a date without live entries: day number 0.
    w.OwnTransaction = 1;
    EXPECT_EQ(w.RestoreSiwake(read.SWKREC), 1);
    EXPECT_EQ(rows(QStringLiteral("DELFLG=0 AND SDAYNUM=0")), 2);
    EXPECT_TRUE(shown->shown().empty()) << shown->messageTexts().join(u'\n').toStdString();
}

// A correction that meets rows locked by another writer is tried a bounded number of times, then
// reported and passed on.
TEST_F(SiwakeWriteTest, LockConflictIsRetriedThenReported) {
    TSWKREC e = entry();
    int code = 0;
    QString message;
    ASSERT_TRUE(w.TestSiwake(e, code, message));
    w.OwnTransaction = 1;
    ASSERT_GT(w.PutSiwake(e), 0);

    auto other = ds.connect();
    fb::Transaction holder(*other);
    fb::Query lock(holder, QStringLiteral("UPDATE SIWAKE SET COMMENT='lock' WHERE SWKREC=:S"));
    lock.setInt("S", e.SWKREC);
    lock.execute();

    TSiwakeWrite::LockRetries = 2;
    e.KINGAKU = Money(500);
    w.OwnTransaction = 1;
    try {
        w.PutSiwake(e);
        ADD_FAILURE() << "no error";
    } catch (const fb::Error& error) {
        EXPECT_TRUE(error.statusCode() == 335544345 || error.statusCode() == 335544336) << error.statusCode();
    }
    TSiwakeWrite::LockRetries = 3;
    EXPECT_FALSE(dm->IBTransactionDAT.isActive());
    ASSERT_EQ(shown->messageTexts().size(), 1);
    EXPECT_TRUE(shown->messageTexts()[0].contains(QStringLiteral("仕訳の書込みに失敗しました。")));
    EXPECT_EQ(rows(QStringLiteral("DELFLG=2")), 0);

    // Once the other writer is gone the correction goes through.
    holder.rollback();
    shown->clear();
    w.OwnTransaction = 1;
    EXPECT_EQ(w.PutSiwake(e), 0);
    EXPECT_EQ(rows(QStringLiteral("DELFLG=2")), 2);
    EXPECT_TRUE(shown->shown().empty());
}

} // namespace
