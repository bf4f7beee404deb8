#include "core/DataModule.h"
#include "core/TSitenList.h"
#include "core/uAccRecord.h"
#include "support/DmFixture.h"

#include <gtest/gtest.h>

namespace {

constexpr qint32 kOperator = 10000 * 10000 + 20;

class SitenListTest : public ::testing::Test {
protected:
    void SetUp() override {
        testenv::CompanySpec company;
        company.name = QStringLiteral("医療法人テスト");
        ds = e.root->addDataset(company);
        // A limited operator: not level 9, no facility switch.
        SystemDef.JOBLEVEL = 3;
        AccInf.SHOUGOU = company.name;
        AccInf.DATATYPE = 1;
        AccInf.SITEN = 1;
        ASSERT_TRUE(e.dm->fnAccDatConnected(QString(), ds.folder, 0));
    }
    void TearDown() override { e.dm->fnAccDatDisConnected(ds.folder, 0, 0); }

    void addSite(const QString& code, const QString& name, int jigyou = 0, int bumex = 0,
                 const QString& xstr = {}) {
        ds.execute(QStringLiteral("INSERT INTO SISETUMST (SCODE,SNAME,MB_JIGYOU,BUMEX,XSTR) VALUES "
                                  "(:SCODE,:SNAME,:MB,:BUMEX,:XSTR)"),
                   [&](fb::Query& q) {
                       q.setString("SCODE", code);
                       q.setString("SNAME", name);
                       q.setInt("MB", jigyou);
                       q.setInt("BUMEX", bumex);
                       q.setString("XSTR", xstr);
                   });
    }
    void permit(const QString& code, qint32 key = kOperator) {
        ds.execute(QStringLiteral("INSERT INTO OPLICENSE (OPCODE,SCODE) VALUES (:OPCODE,:SCODE)"),
                   [&](fb::Query& q) {
                       q.setInt("OPCODE", key);
                       q.setString("SCODE", code);
                   });
    }

    testenv::DmEnvironment e;
    testenv::Dataset ds;
};

TEST_F(SitenListTest, SitesAreLimitedToThePermittedOnes) {
    for (int i = 1; i <= 5; ++i)
        addSite(QStringLiteral("%1").arg(i, 2, 10, QLatin1Char('0')), QStringLiteral("支店%1").arg(i), 0,
                i == 2, i == 1 ? QStringLiteral("COLOR=255") : QString());
    permit(QStringLiteral("02"));
    permit(QStringLiteral("04"));

    TSitenList list;
    list.Kinds = TSitenList::KindSites;
    list.Load(kOperator);
    EXPECT_EQ(list.Count, 2);
    EXPECT_EQ(list.Lines, (QStringList{"02:支店2", "04:支店4"}));
    EXPECT_EQ(list.Items[0].BumonFlag, 1);
    EXPECT_EQ(list.Items[0].Kind, 2);
    EXPECT_EQ(list.GetCode(1), QStringLiteral("04"));
    EXPECT_TRUE(list.GetCode(2).isEmpty());
    EXPECT_TRUE(list.GetCode(-1).isEmpty());

    list.Load(-1);
    EXPECT_EQ(list.Count, 5);
    EXPECT_EQ(list.OperatorKey, -1);
    EXPECT_EQ(list.Items[0].Color, 255);
    EXPECT_EQ(list.Items[1].Color, 0xFFAF80);

    // An unrestricted operator always loads every facility.
    SystemDef.JOBLEVEL = 9;
    list.Load(kOperator);
    EXPECT_EQ(list.Count, 5);
    EXPECT_FALSE(e.dm->IBTransactionDAT.isActive());
}

TEST_F(SitenListTest, WholeEntryOnlyWhenEveryCodedSiteIsPermitted) {
    TSitenList list;
    list.Kinds = TSitenList::KindWhole;
    list.Load(kOperator);
    EXPECT_EQ(list.Count, 0) << "no coded facility gives no whole entry";

    addSite(QStringLiteral("01"), QStringLiteral("本店"));
    addSite(QStringLiteral("02"), QStringLiteral("支店"));
    permit(QStringLiteral("01"));
    list.Load(kOperator);
    EXPECT_EQ(list.Count, 0);
    permit(QStringLiteral("02"));
    list.Load(kOperator);
    EXPECT_EQ(list.Lines, QStringList{"法人全体"});
    AccInf.DATATYPE = 2;
    list.Load(kOperator);
    EXPECT_EQ(list.Lines, QStringList{"総体"});
}

TEST_F(SitenListTest, DataWithoutSitesListsTheCompanyOnce) {
    AccInf.SITEN = 0;
    AccInf.BUMON = 2;
    TSitenList list;
    list.Kinds = TSitenList::KindSites | TSitenList::KindBumonSites;
    list.Load(kOperator);
    ASSERT_EQ(list.Count, 1);
    EXPECT_EQ(list.Lines[0], QStringLiteral("医療法人テスト"));
    EXPECT_EQ(list.Items[0].BumonFlag, 2);
    EXPECT_EQ(list.Items[0].Code, QStringLiteral(" "));
}

TEST_F(SitenListTest, GroupsAndTabLines) {
    addSite(QStringLiteral("01"), QStringLiteral("東\"京\""));
    addSite(QStringLiteral("02"), QStringLiteral("大阪"));
    ds.execute(QStringLiteral("INSERT INTO SISETUGROUP (GCODE,GNAME) VALUES ('G1','関東')"));
    ds.execute(QStringLiteral("INSERT INTO SISETUGROUPLIST (GCODE,SCODE) VALUES ('G1','01')"));
    ds.execute(QStringLiteral("INSERT INTO SISETUGROUP (GCODE,GNAME) VALUES ('G2','全国')"));
    ds.execute(QStringLiteral("INSERT INTO SISETUGROUPLIST (GCODE,SCODE) VALUES ('G2','01')"));
    ds.execute(QStringLiteral("INSERT INTO SISETUGROUPLIST (GCODE,SCODE) VALUES ('G2','02')"));
    permit(QStringLiteral("01"));

    TSitenList list;
    list.Kinds = TSitenList::KindGroups | TSitenList::KindSites;
    list.Load(kOperator);
    EXPECT_EQ(list.Lines, (QStringList{"(G1):関東", "01:東\"京\""}));
    list.TabLines = true;
    list.Load(-1);
    EXPECT_EQ(list.Lines, (QStringList{"\"(G1)\"\t\"G1\"\t\"関東\"", "\"(G2)\"\t\"G2\"\t\"全国\"",
                                       "\"01\"\t\"\"\t\"東'京'\"", "\"02\"\t\"\"\t\"大阪\""}));
}

TEST_F(SitenListTest, MedicalBusinessKindsNeedEveryFacilityOfTheKind) {
    AccInf.IryoFlag = 1;
    AccInf.DATATYPE = 3;
    addSite(QStringLiteral("00"), QStringLiteral("本部"), 8);
    addSite(QStringLiteral("01"), QStringLiteral("病院"), 8);
    addSite(QStringLiteral("02"), QStringLiteral("診療所"), 8);
    addSite(QStringLiteral("03"), QStringLiteral("分院"), 8);
    addSite(QStringLiteral("04"), QStringLiteral("老健"), 4);
    permit(QStringLiteral("01"));
    permit(QStringLiteral("02"));
    permit(QStringLiteral("04"));

    TSitenList list;
    list.Kinds = TSitenList::KindGroups;
    list.Load(kOperator);
    EXPECT_EQ(list.Lines, QStringList{"老人保健施設"});
    EXPECT_EQ(list.Items[0].JigyouKbn, 4);
    permit(QStringLiteral("03"));
    list.Load(kOperator);
    EXPECT_EQ(list.Lines, (QStringList{"病院・診療所", "老人保健施設"}));

    list.Kinds = TSitenList::KindSites;
    list.Load(-1);
    EXPECT_EQ(list.Count, 5);
    EXPECT_EQ(list.Items[0].JigyouKbn, 8);
    list.Include00 = false;
    list.JigyouFilter = 8;
    list.Load(-1);
    EXPECT_EQ(list.Lines, (QStringList{"01:病院", "02:診療所", "03:分院"}));
}

} // namespace
