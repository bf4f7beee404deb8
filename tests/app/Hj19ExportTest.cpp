// The depreciation export on fixture datasets: assets in KS_SISAN, the file written through the exporter
// and read back with an XML parser.

#include "XmlReadBack.h"

#include "app/hj19.h"
#include "core/uAccDateCmp.h"
#include "core/uAccRecord.h"
#include "platform/UserInteraction.h"
#include "platform/firebird/FbQuery.h"
#include "platform/firebird/FbTransaction.h"
#include "support/DmFixture.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

namespace {

Money yen(qint64 units) {
    return Money(units);
}

TDateTime date(int y, int m, int d) {
    return TDateTime::fromDate(y, m, d);
}

testenv::AssetSpec asset(const QString& kanri, const QString& name, int method, TDateTime acquired) {
    testenv::AssetSpec a;
    a.kanri = kanri;
    a.kcode = QStringLiteral("1405");
    a.name = name;
    a.method = method;
    a.acquired = acquired;
    a.lifeYears = 10;
    a.cost = yen(1000000);
    a.base = yen(1000000);
    a.rate = Money::fromString(QStringLiteral("0.2"));
    a.ordinary = yen(200000);
    a.total = yen(200000);
    a.bookValueEnd = yen(800000);
    return a;
}

class Hj19Export : public ::testing::Test {
protected:
    void SetUp() override {
        testenv::CompanySpec company;
        company.kishu = QDate(2024, 4, 1);
        ds = dm.root->addDataset(company);
        ds.addAccount({QStringLiteral("1405"), QStringLiteral("144"), QStringLiteral("工具器具備品")});
        // The company values the data page leaves in AccInf.
        AccInf.SHOUGOU = company.name;
        AccInf.KISHU = date(2024, 4, 1);
        AccInf.KIMATU = date(2025, 3, 31);
        AccInf.KaisiMonths = 1;
        AccInf.TermMonths = 12;
        BuildEraTable();
        SystemDef.DataDir = ds.folder;
        out = dm.env.path() + QStringLiteral("/export.xml");
    }

    // Runs the export as the wizard's Finish does, on the dataset the database module has connected:
    // 1 created, 3 nothing to export, 4 failed.
    int run() {
        EXPECT_TRUE(dm.dm->fnAccDatConnected(QString(), ds.folder, 0));
        THojinZeiGenkaDataExport exporter(1, out);
        exporter.TakeDataset();
        const int result = CreateLinkFile(exporter);
        EXPECT_FALSE(dm.dm->IBTransactionDAT.isActive()); // the maker ends the transaction it started
        dm.dm->fnAccDatDisConnected(ds.folder, 0, 0);
        return result;
    }

    const XmlElement* group(const XmlFile& f, const char* name) {
        const XmlElement* data = f.root ? f.root->child("DATA") : nullptr;
        return data ? data->child(name) : nullptr;
    }

    testenv::DmEnvironment dm;
    ui::ScriptedUserInteraction& boxes = *dm.ui;
    testenv::Dataset ds;
    QString out;
};

// The text of a column of a row element, by suffix.
QString col(const XmlElement* row, const char* suffix) {
    const QString name = row->name + u'_' + QLatin1String(suffix);
    return row->childText(name);
}

} // namespace

TEST_F(Hj19Export, EveryGroupInOrderWithAllColumnsRowNumbersAndTrailingElements) {
    // Inserted out of order: rows follow KANRI, then REC.
    for (int method : {4, 6, 5, 3, 2, 1}) {
        ds.addAsset(asset(QStringLiteral("B"), QStringLiteral("後%1").arg(method), method, date(2024, 6, 1)));
        ds.addAsset(asset(QStringLiteral("A"), QStringLiteral("先%1").arg(method), method, date(2024, 5, 1)));
    }
    testenv::AssetSpec lump = asset(QStringLiteral("C"), QStringLiteral("一括"), 4, TDateTime());
    lump.base = yen(100000); // the lump-sum group needs no acquisition date
    ds.addAsset(lump);

    ASSERT_EQ(run(), 1);
    EXPECT_TRUE(boxes.shown().empty());
    const XmlFile f = readXmlFile(out);
    ASSERT_TRUE(f.root);
    EXPECT_EQ(f.encoding, "Shift_JIS");
    EXPECT_EQ(f.root->childNames(), (QStringList{"SYSTEM", "BASIC", "DATA"}));
    EXPECT_EQ(f.root->child("DATA")->childNames(),
              (QStringList{"HJK160119", "HJK160219", "HJK160419", "HJK160619", "HJK160719", "HJK160819"}));

    const struct {
        const char* group;
        int index;
        int rows;
        const char* after;
    } groups[] = {
        {"HJK160119", hj19::Teigaku, 2, nullptr},     {"HJK160219", hj19::Teiritu, 2, nullptr},
        {"HJK160419", hj19::Lease, 2, "LEASE_OTHER"}, {"HJK160619", hj19::Kintou, 2, nullptr},
        {"HJK160719", hj19::Shougaku, 2, nullptr},    {"HJK160819", hj19::Ikkatu, 3, "IKKATU_TOUKI"}};
    for (const auto& g : groups) {
        const XmlElement* ge = group(f, g.group);
        ASSERT_TRUE(ge) << g.group;
        ASSERT_EQ(int(ge->children.size()), g.rows + (g.after ? 1 : 0)) << g.group;
        for (int i = 0; i < g.rows; ++i) {
            const XmlElement* row = ge->children[i].get();
            EXPECT_EQ(row->attribute("line"), QString::number(i + 1));
            EXPECT_EQ(row->childNames(), hj19::ColumnNames(g.index)) << g.group;
        }
        if (g.after) {
            const XmlElement* after = ge->children.back().get();
            EXPECT_EQ(after->name, g.after);
            EXPECT_TRUE(after->attributes.empty());
        }
    }
    const XmlElement* first = group(f, "HJK160119")->children[0].get();
    EXPECT_EQ(col(first, "0300"), QStringLiteral("先1") + QString(13, u' '));
    EXPECT_EQ(col(first, "0100"), QStringLiteral("工具器具備品    "));
    EXPECT_EQ(col(first, "0410"), QStringLiteral("令和"));
    EXPECT_EQ(col(first, "0420"), "6");

    const XmlElement* lease = group(f, "HJK160419");
    EXPECT_EQ(lease->child("LEASE_OTHER")->childNames(), (QStringList{"LEASE_BIKOU_UP", "LEASE_BIKOU_DW"}));
    const XmlElement* lumps = group(f, "HJK160819");
    const XmlElement* touki = lumps->child("IKKATU_TOUKI");
    EXPECT_EQ(touki->childNames(), hj19::IkkatuToukiNames());
    EXPECT_EQ(touki->childText("IKKATU_TOUKI_0200"), "2100000");
    EXPECT_EQ(touki->childText("IKKATU_TOUKI_0300"), "12");
    EXPECT_EQ(touki->childText("IKKATU_TOUKI_0400"), "700000");
    EXPECT_EQ(touki->childText("IKKATU_TOUKI_0500"), "700000");
}

TEST_F(Hj19Export, RowsFollowKanriThenRecWhateverOrderTheyWereStoredIn) {
    // Stored as B, then four of A out of REC order: the file has the four of A by REC, then B, in every
    // group.
    for (int method = 1; method <= 6; ++method) {
        const int rec = 100 * method;
        const struct {
            const char* kanri;
            int rec;
            QString name;
            int base; // the lump-sum rows show their base, not their name
        } stored[] = {{"B", rec + 1, QStringLiteral("乙%1").arg(method), 190000},
                      {"A", rec + 9, QStringLiteral("甲丁%1").arg(method), 140000},
                      {"A", rec + 3, QStringLiteral("甲甲%1").arg(method), 110000},
                      {"A", rec + 7, QStringLiteral("甲丙%1").arg(method), 130000},
                      {"A", rec + 5, QStringLiteral("甲乙%1").arg(method), 120000}};
        for (const auto& s : stored) {
            testenv::AssetSpec a = asset(QLatin1String(s.kanri), s.name, method, date(2024, 5, 1));
            a.rec = s.rec;
            a.base = yen(s.base);
            ds.addAsset(a);
        }
    }
    ASSERT_EQ(run(), 1);
    const XmlFile f = readXmlFile(out);
    ASSERT_TRUE(f.root);
    const struct {
        const char* group;
        int method;
    } groups[] = {{"HJK160119", 1}, {"HJK160219", 2}, {"HJK160419", 6},
                  {"HJK160619", 3}, {"HJK160719", 5}, {"HJK160819", 4}};
    for (const auto& g : groups) {
        const XmlElement* ge = group(f, g.group);
        ASSERT_TRUE(ge) << g.group;
        QStringList names;
        for (const auto& row : ge->children)
            if (g.method == 4 && row->name != QLatin1String("IKKATU_TOUKI"))
                names << col(row.get(), "0200");
        for (const auto& row : ge->children)
            for (const auto& cell : row->children)
                if (cell->text.contains(QString::number(g.method)) &&
                    (cell->text.startsWith(u'甲') || cell->text.startsWith(u'乙')))
                    names << cell->text.trimmed();
        const QString m = QString::number(g.method);
        if (g.method == 4)
            EXPECT_EQ(names, (QStringList{"110000", "120000", "130000", "140000", "190000"})) << g.group;
        else
            EXPECT_EQ(names, (QStringList{QStringLiteral("甲甲") + m, QStringLiteral("甲乙") + m,
                                          QStringLiteral("甲丙") + m, QStringLiteral("甲丁") + m,
                                          QStringLiteral("乙") + m}))
                << g.group;
    }
}

TEST_F(Hj19Export, OneMethodGivesOneGroupAndLumpSumThirds) {
    testenv::AssetSpec a = asset("1", QStringLiteral("什器"), 4, date(2024, 4, 1));
    a.base = yen(100000);
    ds.addAsset(a);
    a.kanri = "2";
    a.base = yen(200000);
    ds.addAsset(a);
    ASSERT_EQ(run(), 1);
    const XmlFile f = readXmlFile(out);
    EXPECT_EQ(f.root->child("DATA")->childNames(), QStringList{"HJK160819"});
    const XmlElement* touki = group(f, "HJK160819")->child("IKKATU_TOUKI");
    EXPECT_EQ(touki->childText("IKKATU_TOUKI_0200"), "300000");
    EXPECT_EQ(touki->childText("IKKATU_TOUKI_0400"), "100000");
    EXPECT_EQ(group(f, "HJK160819")->childrenNamed("IKKATU_MEISAI")[1]->attribute("line"), "2");
}

TEST_F(Hj19Export, RuleBoundariesGuaranteeAndTablesInTheFile) {
    testenv::AssetSpec oldRule = asset("01", QStringLiteral("旧定額"), 1, date(2007, 3, 31));
    testenv::AssetSpec newRule = asset("02", QStringLiteral("新定額"), 1, date(2007, 4, 1));
    // Cost 1,000,000, book value 30,000, depreciation 10,000: within 5 % of the cost.
    testenv::AssetSpec phase = asset("03", QStringLiteral("五年均等"), 1, date(1998, 4, 1));
    phase.bookValueEnd = yen(30000);
    phase.total = yen(10000);
    phase.ordinary = yen(10000);
    testenv::AssetSpec t200 = asset("04", QStringLiteral("定率200"), 2, date(2012, 4, 1));
    testenv::AssetSpec t250 = asset("05", QStringLiteral("定率250"), 2, date(2012, 4, 1));
    t250.teiritu250 = 1;
    // 0.2 x 300,000 = 60,000 is below the guarantee 1,000,000 x 0.06552 = 65,520.
    testenv::AssetSpec guarantee = asset("06", QStringLiteral("保証率"), 2, date(2013, 4, 1));
    guarantee.base = yen(300000);
    guarantee.revisedCost = yen(327680);
    for (const auto& a : {oldRule, newRule, phase, t200, t250, guarantee})
        ds.addAsset(a);

    ASSERT_EQ(run(), 1);
    const XmlFile f = readXmlFile(out);
    const auto straight = group(f, "HJK160119")->childrenNamed("TEIGAKU_MEISAI_19");
    const auto declining = group(f, "HJK160219")->childrenNamed("TEIRITU_MEISAI_19");
    ASSERT_EQ(straight.size(), 3u);
    ASSERT_EQ(declining.size(), 3u);
    const struct {
        const XmlElement* row;
        const char* suffix;
        const char* text;
    } expected[] = {
        {straight[0], "2320", "200000"}, {straight[0], "2900", ""},         // old rules
        {straight[1], "2320", ""},       {straight[1], "2900", "200000"},   // new rules
        {straight[2], "1900", ""},       {straight[2], "2400", "10000"},    // five-year phase
        {straight[2], "3500", "10000"},  {declining[0], "2700", "0.06552"}, // 200 %
        {declining[0], "3000", ""},      {declining[1], "2700", "0.04448"}, // 250 %
        {declining[1], "0450", "1"},     {declining[2], "2600", "60000"},   // guarantee switch
        {declining[2], "2800", "65520"}, {declining[2], "2900", "327680"},  {declining[2], "3000", "0.250"},
    };
    for (const auto& e : expected)
        EXPECT_EQ(col(e.row, e.suffix), e.text) << e.row->name.toStdString() << " " << e.suffix;
}

TEST_F(Hj19Export, NamesCutToSixteenBytesWithTheirBlanks) {
    ds.addAccount(
        {QStringLiteral("1406"), QStringLiteral("145"), QStringLiteral("一二三四五六七八九十一二三四")});
    testenv::AssetSpec a = asset("1", QStringLiteral("工具器具備"), 3, date(2024, 4, 1));
    a.kcode = QStringLiteral("1406");
    ds.addAsset(a);
    testenv::AssetSpec small = asset("2", QStringLiteral("甲乙丙丁戊己庚辛壬癸"), 5, date(2024, 4, 1));
    small.kcode = QStringLiteral("1406");
    ds.addAsset(small);

    ASSERT_EQ(run(), 1);
    const XmlFile f = readXmlFile(out);
    const XmlElement* equal = group(f, "HJK160619")->child("KINTOUSHOUKYAKU_MEISAI");
    EXPECT_EQ(col(equal, "0110"), QStringLiteral("一二三四五六七八"));
    EXPECT_EQ(col(equal, "0130"), QStringLiteral("工具器具備      "));
    const XmlElement* s = group(f, "HJK160719")->child("SHOUGAKU_MEISAI");
    EXPECT_EQ(col(s, "0110"), QStringLiteral("一二三四五六七八"));
    EXPECT_EQ(col(s, "0120"), QStringLiteral("九十一二三四"));
    EXPECT_EQ(col(s, "0310"), QStringLiteral("甲乙丙丁戊己庚辛"));
    EXPECT_EQ(col(s, "0320"), QStringLiteral("壬癸"));
}

TEST_F(Hj19Export, SmallAmountAssetsOnlyWithinTheFiscalYear) {
    ds.addAsset(asset("1", QStringLiteral("前日"), 5, date(2024, 3, 31)));
    ds.addAsset(asset("2", QStringLiteral("期首"), 5, date(2024, 4, 1)));
    ds.addAsset(asset("3", QStringLiteral("期末"), 5, date(2025, 3, 31)));
    ds.addAsset(asset("4", QStringLiteral("翌日"), 5, date(2025, 4, 1)));
    ASSERT_EQ(run(), 1);
    const XmlFile f = readXmlFile(out);
    const auto rows = group(f, "HJK160719")->childrenNamed("SHOUGAKU_MEISAI");
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(col(rows[0], "0310"), QStringLiteral("期首"));
    EXPECT_EQ(col(rows[1], "0310"), QStringLiteral("期末"));
}

TEST_F(Hj19Export, NothingToExportKeepsTheWizardOpenWithoutAFile) {
    // A small-amount asset of another year is no asset to export.
    ds.addAsset(asset("1", QStringLiteral("翌日"), 5, date(2025, 4, 1)));
    EXPECT_EQ(run(), 3);
    EXPECT_EQ(boxes.messageTexts(),
              QStringList{QStringLiteral("対象の減価償却資産が登録されていません。\r\r")});
    EXPECT_EQ(boxes.shown()[0].message.kind, ui::MsgKind::Information);
    EXPECT_FALSE(QFile::exists(out));
}

TEST_F(Hj19Export, AssetThatCannotBeWrittenStopsTheExportNamingIt) {
    {
        QFile f(out);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("previous export");
    }
    struct Case {
        testenv::AssetSpec asset;
        QString box;
    } cases[] = {
        {asset("2", QStringLiteral("日付なし"), 1, TDateTime()),
         QStringLiteral("例外エラー\r取得年月が設定されていません。\r資産名:日付なし\r")},
        {[] {
             testenv::AssetSpec a = asset("2", QStringLiteral("長寿命"), 2, date(2015, 4, 1));
             a.lifeYears = 101;
             return a;
         }(),
         QStringLiteral("例外エラー\r耐用年数が償却率表の範囲(0～100年)にありません。\r資産名:長寿命\r")},
    };
    ds.addAsset(asset("1", QStringLiteral("正常"), 1, date(2020, 4, 1)));
    for (const Case& c : cases) {
        const int rec = ds.addAsset(c.asset);
        boxes.clear();
        EXPECT_EQ(run(), 4);
        EXPECT_EQ(boxes.messageTexts(),
                  (QStringList{c.box, QStringLiteral("減価償却資産の取得に失敗しました。\r\r")}));
        EXPECT_EQ(boxes.shown()[0].message.kind, ui::MsgKind::Error);
        ds.execute(QStringLiteral("DELETE FROM KS_SISAN WHERE REC=:REC"),
                   [&](fb::Query& q) { q.setInt("REC", rec); });
    }
    QFile f(out);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), "previous export");
}

// The groups load straight-line, declining-balance, equal amortisation, small-amount, lump-sum, lease (the
// lease rows come third in the file): the first failure in that order, and within a group in the order of
// the rows, is the one shown, and a failure after rows were written leaves the previous file whole and
// nothing beside it.
TEST_F(Hj19Export, TheFirstFailureInLoadingOrderIsShown) {
    ASSERT_TRUE(testenv::writeFile(out, "previous export"));
    // Rows enough for several megabytes of the file before the failing ones.
    std::vector<testenv::AssetSpec> sound;
    for (int i = 1; i <= 3000; ++i)
        sound.push_back(asset(QStringLiteral("A%1").arg(i, 5, 10, QLatin1Char('0')), QStringLiteral("定額"),
                              1, date(2020, 4, 1)));
    ds.addAssets(sound);
    const auto undated = [](const char* kanri, const QString& name, int method) {
        return asset(QString::fromLatin1(kanri), name, method, TDateTime());
    };
    struct Case {
        std::vector<testenv::AssetSpec> bad;
        QString named;
    };
    const Case cases[] = {
        {{undated("L", QStringLiteral("リース"), 6)}, QStringLiteral("リース")},
        {{undated("L", QStringLiteral("リース"), 6), undated("K", QStringLiteral("均等"), 3)},
         QStringLiteral("均等")},
        {{undated("T", QStringLiteral("定率"), 2), undated("L", QStringLiteral("リース"), 6)},
         QStringLiteral("定率")},
        // Within a group: the first of two bad rows hundreds of rows apart.
        {{undated("A02500Z", QStringLiteral("後"), 1), undated("A00700Z", QStringLiteral("前"), 1)},
         QStringLiteral("前")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.named.toStdString());
        std::vector<int> recs;
        for (const testenv::AssetSpec& a : c.bad)
            recs.push_back(ds.addAsset(a));
        boxes.clear();
        EXPECT_EQ(run(), 4);
        EXPECT_EQ(boxes.messageTexts().value(0),
                  QStringLiteral("例外エラー\r取得年月が設定されていません。\r資産名:%1\r").arg(c.named));
        EXPECT_EQ(testenv::readFile(out), QByteArray("previous export"));
        EXPECT_EQ(QDir(dm.env.path()).entryList({QStringLiteral("export.xml*")}, QDir::Files | QDir::Hidden),
                  QStringList{QStringLiteral("export.xml")});
        for (const int rec : recs)
            ds.execute(QStringLiteral("DELETE FROM KS_SISAN WHERE REC=:REC"),
                       [&](fb::Query& q) { q.setInt("REC", rec); });
    }
}

// A text that cannot be written is found when the row is written, a missing date when it is made: the
// earlier row's failure is the one shown, whichever kind it is.
TEST_F(Hj19Export, AnUnwritableRowBeforeAnUnmadeOneIsShownFirst) {
    std::vector<testenv::AssetSpec> list;
    for (int i = 1; i <= 40; ++i)
        list.push_back(asset(QStringLiteral("A%1").arg(i, 3, 10, QLatin1Char('0')), QStringLiteral("定額"), 1,
                             date(2020, 4, 1)));
    list.push_back(asset(QStringLiteral("A010Z"), QStringLiteral("機械\x01装置"), 1, date(2020, 4, 1)));
    list.push_back(asset(QStringLiteral("A020Z"), QStringLiteral("日付なし"), 1, TDateTime()));
    ds.addAssets(list);
    EXPECT_EQ(run(), 4);
    EXPECT_TRUE(boxes.messageTexts().value(0).startsWith(
        QStringLiteral("例外エラー\rXMLに書けない制御文字が含まれています: 機械\x01装置")))
        << boxes.messageTexts().value(0).toStdString();
}

TEST_F(Hj19Export, OlderTablesWithoutTheRateFlagsCountThemAsZero) {
    testenv::AssetSpec a = asset("1", QStringLiteral("定率"), 2, date(2012, 4, 1));
    a.teiritu250 = 1;
    ds.addAsset(a);
    ds.execute(
        QStringLiteral("ALTER TABLE KS_SISAN DROP TEIRITU250, DROP TEIRITU200, DROP SYUTOKUKAGAKUCHOSEI"));
    ASSERT_EQ(run(), 1);
    const XmlFile f = readXmlFile(out);
    const XmlElement* row = group(f, "HJK160219")->child("TEIRITU_MEISAI_19");
    EXPECT_EQ(col(row, "0450"), "0");
    EXPECT_EQ(col(row, "0910"), "");
    EXPECT_EQ(col(row, "2700"), "0.06552");
}

TEST_F(Hj19Export, DatabaseErrorIsReportedAsSuch) {
    ds.addAsset(asset("1", QStringLiteral("定額"), 1, date(2020, 4, 1)));
    // No dataset connected: the accounting database's transaction cannot start.
    THojinZeiGenka19DataMake maker;
    TXmlSaveDoc writer("1.0", "Shift_JIS", "");
    writer.CreateRootNode("REPORT");
    EXPECT_EQ(maker.MakeData(writer), 16);
    ASSERT_EQ(boxes.messageTexts().size(), 1);
    EXPECT_TRUE(boxes.messageTexts()[0].startsWith(QStringLiteral("ﾃﾞｰﾀﾍﾞｰｽ ｴﾗｰ\r")));
    EXPECT_TRUE(boxes.messageTexts()[0].endsWith(QStringLiteral("\r\r")));
    // Nothing was written, not even DATA.
    EXPECT_EQ(parseXml(writer.toBytes()).root->children.size(), 0u);
}

TEST_F(Hj19Export, ATransactionTheCallerRunsStaysOpenAndUncommitted) {
    ds.addAsset(asset("1", QStringLiteral("定額"), 1, date(2020, 4, 1)));
    ASSERT_TRUE(dm.dm->fnAccDatConnected(QString(), ds.folder, 0));
    fb::Transaction& dat = dm.dm->IBTransactionDAT;
    dat.start();
    fb::Query insert(dat, QStringLiteral("UPDATE KS_SISAN SET MEISYOU='未確定' WHERE KANRI='1'"));
    insert.execute();
    TXmlSaveDoc writer("1.0", "Shift_JIS", "");
    writer.CreateRootNode("REPORT");
    THojinZeiGenka19DataMake maker;
    EXPECT_EQ(maker.MakeData(writer), 1);
    ASSERT_TRUE(dat.isActive());
    // The maker read the caller's uncommitted change and left it for the caller to end.
    const XmlFile f = parseXml(writer.toBytes());
    EXPECT_EQ(col(f.root->child("DATA")->child("HJK160119")->child("TEIGAKU_MEISAI_19"), "0300").trimmed(),
              QStringLiteral("未確定"));
    dat.rollback();
    dm.dm->fnAccDatDisConnected(ds.folder, 0, 0);
    auto db = ds.connect();
    fb::Transaction t(*db);
    fb::Query q(t, QStringLiteral("SELECT MEISYOU FROM KS_SISAN"));
    q.open();
    EXPECT_EQ(q.field("MEISYOU").asString(), QStringLiteral("定額"));
}
