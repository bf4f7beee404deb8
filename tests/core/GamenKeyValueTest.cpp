// Saved screen values per operator in STYLECOLOR rows "020-...".
#include "DataModuleFixture.h"

#include "core/TGamenKeyValue.h"

namespace {

class GamenKeyValueTest : public DataModuleTest {
protected:
    int rows(const QString& styleName) {
        return intDef(QStringLiteral("SELECT COUNT(*) FROM STYLECOLOR WHERE STYLENAME='%1'").arg(styleName));
    }
};

TEST_F(GamenKeyValueTest, SavedValuesComeBackForTheSameOperatorOnly) {
    TGamenKeyValue store;
    store.HozonValue(QStringLiteral("PrintDlg"), QStringLiteral(" \u3000 1,0, A4 横 \u3000 "));
    EXPECT_EQ(store.styleName(), QStringLiteral("020-PRINTDLG"));
    EXPECT_EQ(textDef(QStringLiteral(
                  "SELECT SSTR FROM STYLECOLOR WHERE OPCODE=10001 AND STYLENAME='020-PRINTDLG'")),
              QStringLiteral("1,0, A4 横"));
    EXPECT_EQ(intDef(QStringLiteral("SELECT LINECOLOR1+LINECOLOR5+NETCOLOR1+NETCOLOR2 FROM STYLECOLOR "
                                    "WHERE STYLENAME='020-PRINTDLG'")),
              -4);

    // A second save updates the one row.
    store.HozonValue(QStringLiteral("printdlg"), QStringLiteral("2"));
    EXPECT_EQ(rows(QStringLiteral("020-PRINTDLG")), 1);

    QString value = QStringLiteral("unchanged");
    TGamenKeyValue().FukugenValue(QStringLiteral("PrintDlg"), value);
    EXPECT_EQ(value, QStringLiteral("2"));

    // Another operator finds nothing, and a key never saved leaves the caller's text.
    SystemDef.OPCODE = 10002;
    value = QStringLiteral("unchanged");
    TGamenKeyValue().FukugenValue(QStringLiteral("PrintDlg"), value);
    EXPECT_EQ(value, QStringLiteral("unchanged"));
    TGamenKeyValue().FukugenValue(QStringLiteral("Other"), value);
    EXPECT_EQ(value, QStringLiteral("unchanged"));
    EXPECT_TRUE(shown->shown().empty());
}

TEST_F(GamenKeyValueTest, NothingIsReadOrWrittenForOperatorKeyZero) {
    SystemDef.OPCODE = 0;
    TGamenKeyValue store;
    store.HozonValue(QStringLiteral("PrintDlg"), QStringLiteral("1"));
    EXPECT_EQ(intDef(QStringLiteral("SELECT COUNT(*) FROM STYLECOLOR WHERE STYLENAME STARTING WITH '020-'")),
              0);
    execDef(QStringLiteral("INSERT INTO STYLECOLOR(OPCODE,STYLENAME,SSTR) VALUES(0,'020-PRINTDLG','x')"));
    QString value = QStringLiteral("kept");
    store.FukugenValue(QStringLiteral("PrintDlg"), value);
    EXPECT_EQ(value, QStringLiteral("kept"));
    // An empty key is the same.
    SystemDef.OPCODE = 10001;
    TGamenKeyValue().HozonValue(QString(), QStringLiteral("1"));
    EXPECT_EQ(intDef(QStringLiteral("SELECT COUNT(*) FROM STYLECOLOR WHERE OPCODE=10001")), 0);
}

TEST_F(GamenKeyValueTest, LongKeysAndValuesAreCutByBytes) {
    TGamenKeyValue store;
    // "020-" and 17 kanji are 38 bytes; the 18th kanji would end at byte 40, the 19th beyond it.
    const QString stem = QString(17, QChar(0x753B)); // 画
    store.HozonValue(stem + QStringLiteral("面Ａ"), QStringLiteral("first"));
    EXPECT_EQ(store.styleName(), QStringLiteral("020-") + stem + QStringLiteral("面"));
    QString value;
    TGamenKeyValue().FukugenValue(stem + QStringLiteral("面Ｂ"), value);
    EXPECT_EQ(value, QStringLiteral("first")); // both keys share the cut name

    // 1,023 bytes of "a" and a kanji: the kanji does not fit and goes whole.
    const QString longValue = QString(1023, u'a') + QStringLiteral("漢");
    store.HozonValue(QStringLiteral("Long"), longValue);
    TGamenKeyValue().FukugenValue(QStringLiteral("Long"), value);
    EXPECT_EQ(value, QString(1023, u'a'));
}

TEST_F(GamenKeyValueTest, AFailureIsReportedOnlyWhenTheOperationOwnsTheTransaction) {
    // A character the database cannot hold makes the write fail.
    TGamenKeyValue store;
    store.HozonValue(QStringLiteral("Bad"), QStringLiteral("😀"));
    ASSERT_EQ(shown->shown().size(), 1u);
    EXPECT_TRUE(shown->messageTexts().first().contains(QStringLiteral("画面値の保存に失敗しました。")));
    EXPECT_EQ(rows(QStringLiteral("020-BAD")), 0);

    shown->clear();
    dm->IBTransactionDEF.start();
    store.HozonValue(QStringLiteral("Bad"), QStringLiteral("😀"));
    EXPECT_TRUE(shown->shown().empty());
    EXPECT_TRUE(dm->IBTransactionDEF.isActive());
    dm->IBTransactionDEF.rollback();
}

} // namespace
