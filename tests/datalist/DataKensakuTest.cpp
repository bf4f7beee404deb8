// The stored search conditions of the dataset lists and how a list applies one.

#include "support/SystemDbProbe.h"

#include "core/DataModule.h"
#include "core/uAccRecord.h"
#include "datalist/DataKensaku.h"
#include "datalist/z5ComDataSentaku.h"
#include "support/DmFixture.h"

#include <gtest/gtest.h>

namespace {

TEST(DataKensakuTables, SortColumnsAndDataKindsTranslateBothWays) {
    const int storedToGrid[][2] = {{0, 0}, {1, 3}, {2, 4}, {3, 5}, {4, 6}, {5, 7}, {6, 1}, {9, 0}, {-1, 0}};
    for (const auto& c : storedToGrid)
        EXPECT_EQ(SortColToGridCol(c[0]), c[1]) << c[0];
    const int gridToStored[][2] = {{0, 0}, {1, 6}, {2, 0}, {3, 1}, {7, 5}, {8, 0}};
    for (const auto& c : gridToStored)
        EXPECT_EQ(GridColToSortCol(c[0]), c[1]) << c[0];

    const struct {
        int dataType, codeType, index;
    } kinds[] = {{1, 4, 1}, {3, 2, 4}, {2, 1, 2}, {2, 2, 3}, {2, 3, 5},
                 {2, 4, 6}, {2, 9, 0}, {0, 0, 0}, {7, 1, 0}};
    for (const auto& k : kinds)
        EXPECT_EQ(DataKindIndex(k.dataType, k.codeType), k.index) << k.dataType << "/" << k.codeType;
    ASSERT_EQ(DataKindEntries().size(), 7);
    EXPECT_EQ(DataKindEntries()[4].text, QStringLiteral("医療法人"));
    EXPECT_EQ(DataKindEntries()[5].codeType, 3);
}

TEST(DataKensakuMatch, EverySetPartOfTheConditionMustHold) {
    TDataListRec row;
    row.DATATYPE = 2;
    row.CODETYPE = 3;
    row.ENTTEXT = QStringLiteral("ｶﾌﾞｼｷ abc 商事");
    row.TANTOU = 12;
    row.VER_MAJOR = 13;
    row.VER_MINOR1 = 2;
    row.DATACODE = QStringLiteral("ab12");
    const auto with = [](auto change) {
        TDataKensakuRec rec;
        change(rec);
        return rec;
    };
    const struct {
        const char* what;
        TDataKensakuRec rec;
        bool matches;
    } cases[] = {
        {"empty", {}, true},
        {"kind", with([](auto& r) { r.DATATYPE = 2, r.CODETYPE = 3; }), true},
        {"other code type", with([](auto& r) { r.DATATYPE = 2, r.CODETYPE = 1; }), false},
        {"type only", with([](auto& r) { r.DATATYPE = 2; }), true},
        {"types 1 and 3", with([](auto& r) { r.DATATYPE = -13; }), false},
        // Half-width and lower case meet their full-width, upper-case forms.
        {"name", with([](auto& r) { r.DATANAME = QStringLiteral("カブシキ ＡＢＣ"); }), true},
        {"name elsewhere", with([](auto& r) { r.DATANAME = QStringLiteral("物産"); }), false},
        {"name with quote and percent", with([](auto& r) { r.DATANAME = QStringLiteral("'%_"); }), false},
        {"person", with([](auto& r) { r.TANTO = 12; }), true},
        {"other person", with([](auto& r) { r.TANTO = 11; }), false},
        {"version", with([](auto& r) { r.DATAVER = QStringLiteral("13.2"); }), true},
        {"other version", with([](auto& r) { r.DATAVER = QStringLiteral("13.1"); }), false},
        {"major only", with([](auto& r) { r.DATAVER = QStringLiteral("13.9"), r.VERCMP = 1; }), true},
        {"at least", with([](auto& r) { r.DATAVER = QStringLiteral("13.3"), r.VERCMP = 2; }), false},
        {"at least lower", with([](auto& r) { r.DATAVER = QStringLiteral("12"), r.VERCMP = 2; }), true},
        {"code prefix", with([](auto& r) { r.DATACODE = QStringLiteral(" AB1 "); }), true},
        {"code longer", with([](auto& r) { r.DATACODE = QStringLiteral("ab123"); }), false},
        {"code other", with([](auto& r) { r.DATACODE = QStringLiteral("b"); }), false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(KensakuMatches(c.rec, row), c.matches) << c.what;
}

class DataKensakuStoreTest : public ::testing::Test {
protected:
    void SetUp() override { e.connectSystem(); }
    testenv::DmEnvironment e;
};

TEST_F(DataKensakuStoreTest, FirstUseStoresAnEmptyConditionThatRoundTrips) {
    TDataKensakuIO io;
    io.ListType = 1;
    TDataKensakuRec rec;
    ASSERT_TRUE(io.SelectRecord(rec));
    EXPECT_EQ(rec.OPCODE, SystemDef.OPCODE);
    EXPECT_EQ(rec.LISTTYPE, 1);
    EXPECT_EQ(rec.JYOKENUSE, 0);
    EXPECT_EQ(rec.SORTCOL, 0);
    EXPECT_EQ(
        testenv::systemValue(*e.root, QStringLiteral("SELECT COUNT(*) FROM KENSAKUJYOKEN WHERE LISTTYPE=1")),
        "1");

    rec.JYOKENUSE = 1;
    rec.DATATYPE = 3;
    rec.CODETYPE = 1;
    rec.DATACODE = QStringLiteral("A'%_");
    rec.DATANAME = QStringLiteral("山田's 100%");
    rec.TANTO = 11;
    rec.DATAVER = QStringLiteral("13.0");
    rec.SEIHINNAME = QStringLiteral("製品13");
    rec.SORTCOL = 1; // the code column
    rec.SORTTYPE = 1;
    ASSERT_EQ(io.UpdateRecord(rec), 1);
    EXPECT_EQ(
        testenv::systemValue(*e.root, QStringLiteral("SELECT SORTCOL FROM KENSAKUJYOKEN WHERE LISTTYPE=1")),
        "6");
    TDataKensakuRec back;
    ASSERT_TRUE(io.SelectRecord(back));
    EXPECT_EQ(back, rec);

    // The sort order is written alone.
    back.SORTCOL = 4;
    back.SORTTYPE = 0;
    back.DATANAME = QStringLiteral("書かれない");
    ASSERT_EQ(io.UpdateRecordSortField(back), 1);
    TDataKensakuRec sorted;
    ASSERT_TRUE(io.SelectRecord(sorted));
    EXPECT_EQ(sorted.SORTCOL, 4);
    EXPECT_EQ(sorted.SORTTYPE, 0);
    EXPECT_EQ(sorted.DATANAME, rec.DATANAME);

    // The other list type and another operator have conditions of their own.
    io.ListType = 0;
    TDataKensakuRec other;
    ASSERT_TRUE(io.SelectRecord(other));
    EXPECT_TRUE(other.DATANAME.isEmpty());
    e.executeSystem(QStringLiteral("UPDATE KENSAKUJYOKEN SET SORTCOL=9 WHERE LISTTYPE=0"));
    ASSERT_TRUE(io.SelectRecord(other));
    EXPECT_EQ(other.SORTCOL, 0);
    EXPECT_FALSE(io.Transaction.isActive());
    EXPECT_TRUE(e.ui->shown().empty());

    // A name the database cannot hold is refused as a whole, with its message.
    TDataKensakuRec odd = sorted;
    odd.DATANAME = QStringLiteral("絵文字😀");
    odd.TANTO = 99;
    EXPECT_EQ(io.UpdateRecord(odd), 0);
    EXPECT_TRUE(
        e.ui->messageTexts().join(u'\n').contains(QStringLiteral("検索条件レコードの更新に失敗しました。")));
    io.ListType = 1;
    TDataKensakuRec kept;
    ASSERT_TRUE(io.SelectRecord(kept));
    EXPECT_EQ(kept, sorted);
    EXPECT_FALSE(io.Transaction.isActive());
}

TEST_F(DataKensakuStoreTest, ASavedConditionNarrowsTheLoadedList) {
    e.executeSystem(QStringLiteral("DELETE FROM DATALIST WHERE REC>4"));
    e.executeSystem(
        QStringLiteral("UPDATE DATALIST SET ENTTEXT='山田商店', DATATYPE=1, CODETYPE=1, DATACODE='Y01', "
                       "TANTOU=11 WHERE REC=1"));
    e.executeSystem(
        QStringLiteral("UPDATE DATALIST SET ENTTEXT='山田医院', DATATYPE=3, CODETYPE=1, DATACODE='Y02', "
                       "TANTOU=12 WHERE REC=2"));
    e.executeSystem(
        QStringLiteral("UPDATE DATALIST SET ENTTEXT='川口農園', DATATYPE=2, CODETYPE=4, DATACODE='K01', "
                       "TANTOU=11 WHERE REC=3"));
    TDataKensakuIO io;
    TDataKensakuRec rec;
    ASSERT_TRUE(io.SelectRecord(rec));
    rec.JYOKENUSE = 1;
    rec.DATACODE = QStringLiteral("y");
    ASSERT_EQ(io.UpdateRecord(rec), 1);

    TDataSentakuListCtl list;
    list.Execute(0, 1, {}, false);
    TDataKensakuRec saved;
    ASSERT_TRUE(io.SelectRecord(saved));
    EXPECT_EQ(ApplyKensaku(saved, list.Rows), (TDataSentakuRecDispArray{0, 1}));
    saved.TANTO = 11;
    EXPECT_EQ(ApplyKensaku(saved, list.Rows), (TDataSentakuRecDispArray{0}));
    ClearKensakuFilters(saved);
    EXPECT_EQ(saved.JYOKENUSE, 1);
    EXPECT_EQ(ApplyKensaku(saved, list.Rows).size(), 4);
    saved.DATATYPE = -13;
    EXPECT_EQ(ApplyKensaku(saved, list.Rows), (TDataSentakuRecDispArray{0, 1}));
}

} // namespace
