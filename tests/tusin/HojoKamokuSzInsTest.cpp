// The opening-balance rows a new sub-account gets, as the cash-book import adds sub-accounts: by the
// insertion mode, the department setting and the account's group.

#include "CashBookSupport.h"

#include <set>

namespace {

using Pairs = std::set<std::pair<QString, QString>>; // (facility, department)

class HojoKamokuSzInsTest : public CashBookTest {
protected:
    void SetUp() override {
        CashBookTest::SetUp();
        for (const char* sql : {"INSERT INTO SISETUMST (SCODE, SNAME) VALUES ('01', '一号店')",
                                "INSERT INTO SISETUMST (SCODE, SNAME) VALUES ('02', '二号店')",
                                "INSERT INTO BUMONMST (BCODE, BNAME) VALUES ('00', '共通')",
                                "INSERT INTO BUMONMST (BCODE, BNAME) VALUES ('10', '営業部')",
                                "INSERT INTO KAMOKUMST (KCODE, USERCODE, KNAME, GROUPM1) VALUES ('6000', '600', '給料', 6000)",
                                "INSERT INTO KAMOKUMST (KCODE, USERCODE, KNAME, GROUPM1) VALUES ('1200', '120', '預金', 1200)",
                                "INSERT INTO HOJOMST (KCODE, HCODE, HNAME) VALUES ('6000', '01', '本社')"})
            execOpen(QString::fromUtf8(sql));
        // Facility 02 already keeps a sub-account of 6000; facility 01 only the account row.
        for (const char* row : {"' ','6000',' ',' '", "' ','6000',' ','00'", "' ','6000',' ','10'", "'01','6000',' ',' '",
                                "'02','6000',' ',' '", "'02','6000','01',' '", "' ','1200',' ',' '", "' ','1200',' ','10'"})
            execOpen(QStringLiteral("INSERT INTO KAMOKU_SZ (SCODE, KCODE, HCODE, BCODE) VALUES (") + QString::fromLatin1(row) + u')');
    }

    Pairs rowsOf(const QString& kcode, const QString& hcode) {
        fb::Transaction t(dm->IBDatabaseDAT);
        fb::Query q(t, QStringLiteral("SELECT SCODE, BCODE FROM KAMOKU_SZ WHERE KCODE=:K AND HCODE=:H"));
        q.setString("K", kcode);
        q.setString("H", hcode);
        q.open();
        Pairs pairs;
        for (; !q.eof(); q.next())
            pairs.emplace(q.field("SCODE").asString(), q.field("BCODE").asString());
        return pairs;
    }
};

TEST_F(HojoKamokuSzInsTest, RowsByModeDepartmentsAndGroup) {
    struct Case {
        const char* name;
        int mode, bumon;
        QString kcode;
        Pairs expected;
    };
    const std::vector<Case> cases{
        {"mode 1: this facility, and others that keep sub-accounts", 1, 1, QStringLiteral("6000"),
         {{" ", " "}, {" ", "00"}, {" ", "10"}, {"02", " "}}},
        {"other mode: every facility", 0, 1, QStringLiteral("6000"), {{" ", " "}, {" ", "00"}, {" ", "10"}, {"01", " "}, {"02", " "}}},
        {"no departments kept", 0, 0, QStringLiteral("6000"), {{" ", " "}, {"01", " "}, {"02", " "}}},
        {"profit-and-loss departments: balance-sheet account", 1, 1, QStringLiteral("1200"), {{" ", " "}}},
        {"departments on every account", 1, 2, QStringLiteral("1200"), {{" ", " "}, {" ", "10"}}},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString hcode = QStringLiteral("9%1").arg(++n);
        execOpen(QStringLiteral("UPDATE ACCDEF1 SET HOJO_INS_MODE=%1, BUMON=%2 WHERE REC=1").arg(c.mode).arg(c.bumon));
        fb::Transaction t(dm->IBDatabaseDAT);
        fb::Query q(t, QStringLiteral("SELECT OUT_SCODE, OUT_KCODE, OUT_HCODE FROM SP_HOJO_KAMOKUSZ_INS(:S, :K, :H)"));
        q.setString("S", QStringLiteral(" "));
        q.setString("K", c.kcode);
        q.setString("H", hcode);
        q.open();
        ASSERT_FALSE(q.eof());
        EXPECT_EQ(q.field("OUT_KCODE").asString(), c.kcode);
        EXPECT_EQ(q.field("OUT_HCODE").asString(), hcode);
        q.close();
        t.commit();
        EXPECT_EQ(rowsOf(c.kcode, hcode), c.expected);
    }
    // The common department starts with the whole allocation in every period.
    fb::Transaction t(dm->IBDatabaseDAT);
    fb::Query q(t, QStringLiteral("SELECT * FROM KAMOKU_SZ WHERE KCODE='6000' AND HCODE='91' AND BCODE='00'"));
    q.open();
    ASSERT_FALSE(q.eof());
    EXPECT_EQ(fb::asMoney(q.field("KAISIZAN")), Money());
    for (int i = 1; i <= 16; ++i)
        EXPECT_EQ(fb::asMoney(q.field(QStringLiteral("HAIBUN%1").arg(i, 2, 10, QLatin1Char('0')))), Money(100)) << i;
}

} // namespace
