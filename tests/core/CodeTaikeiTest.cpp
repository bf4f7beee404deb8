// Code schemes: a small scheme file imported into its USERCODE row with the line kinds sorted into
// their sections, the product-category check, a record number without a row, and the repair of rows
// stored as general corporate data.

#include "DataModuleFixture.h"

#include "core/TCodeTaikeiIO.h"
#include "core/z5AppInfo.h"
#include "platform/Cp932.h"

namespace {

class CodeTaikeiTest : public DataModuleTest {
protected:
    void SetUp() override {
        DataModuleTest::SetUp();
        AppInfo.Application.OEM = QStringLiteral("PL");
        AppInfo.Application.VerTest = QStringLiteral("T1");
        AppInfo.Zaimu.AppTitle = QStringLiteral("ペラン財務");
        TavrinoEdition = 0;
    }
    QString scheme(const QString& name, const QStringList& lines) {
        const QString path = e.env.temp() + u'/' + name;
        EXPECT_TRUE(testenv::writeFile(path, cp932::encode(lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n"))));
        return path;
    }
    QString column(int recno, const QString& name) {
        return textDef(QStringLiteral("SELECT %1 FROM USERCODE WHERE RECNO=%2").arg(name).arg(recno));
    }
};

TEST_F(CodeTaikeiTest, ImportSortsTheLinesIntoTheirSections) {
    const QString path = scheme(QStringLiteral("houjin.txt"),
                                {QStringLiteral("1,法人標準,1,2,x,PLT1"), QStringLiteral("2,現金,111"),
                                 QStringLiteral("9,dropped"), QStringLiteral("21,\"預金,普通\",112"),
                                 QStringLiteral("3,売上"), QStringLiteral("22,補助"), QStringLiteral("31,部門"),
                                 QStringLiteral("71,科目群"), QStringLiteral("10,dropped"), QStringLiteral("8,終")});
    TCodeTaikeiIO io;
    ASSERT_TRUE(io.ImportFile(path, 1)) << shown->messageTexts().join(u'\n').toStdString();
    EXPECT_EQ(column(1, QStringLiteral("NAME")), QStringLiteral("法人標準"));
    EXPECT_EQ(column(1, QStringLiteral("DATATYPE")), QStringLiteral("1"));
    EXPECT_EQ(column(1, QStringLiteral("CODETYPE")), QStringLiteral("2"));
    EXPECT_EQ(column(1, QStringLiteral("INIDAT1")), QStringLiteral("1,法人標準,1,2,x,PLT1\r\n"));
    EXPECT_EQ(column(1, QStringLiteral("INIDAT2")), QStringLiteral("2,現金,111\r\n21,\"預金,普通\",112\r\n22,補助\r\n"));
    EXPECT_EQ(column(1, QStringLiteral("INIDAT3")), QStringLiteral("3,売上\r\n31,部門\r\n"));
    EXPECT_EQ(column(1, QStringLiteral("INIDAT7")), QStringLiteral("71,科目群\r\n"));
    EXPECT_EQ(column(1, QStringLiteral("INIDAT8")), QStringLiteral("8,終\r\n"));
    EXPECT_EQ(column(1, QStringLiteral("INIDAT4")), QString());

    // A record number without a row: the row is made, not reported written while missing.
    ASSERT_TRUE(io.ImportFile(path, 50));
    EXPECT_EQ(column(50, QStringLiteral("NAME")), QStringLiteral("法人標準"));
    EXPECT_TRUE(shown->shown().empty());

    // No header: nothing written, no box.
    EXPECT_FALSE(io.ImportFile(scheme(QStringLiteral("nohead.txt"), {QStringLiteral("2,現金")}), 2));
    EXPECT_EQ(column(2, QStringLiteral("NAME")), QString());
    EXPECT_TRUE(shown->shown().empty());
    EXPECT_THROW(io.ImportFile(e.env.temp() + QStringLiteral("/none.txt"), 2), std::runtime_error);
}

TEST_F(CodeTaikeiTest, ProductCategoryCheck) {
    const QString fiveFields = scheme(QStringLiteral("five.txt"), {QStringLiteral("1,五項目,1,1,x")});
    const QString emptySixth = scheme(QStringLiteral("empty.txt"), {QStringLiteral("1,空欄,2,1,x,")});
    TCodeTaikeiIO io;
    const QString refused = QStringLiteral("このプログラムでは、該当のデータ（製品区分）を処理することが出来ません。"
                                           "ペラン財務以外で作成されたデータの可能性があります。");
    EXPECT_FALSE(io.ImportFile(fiveFields, 1)); // keeps "-", which is neither empty nor "PLT1"
    EXPECT_EQ(shown->messageTexts(), QStringList{refused});
    EXPECT_TRUE(io.ImportFile(emptySixth, 1));
    TavrinoEdition = 1;
    shown->clear();
    EXPECT_FALSE(io.ImportFile(emptySixth, 2));
    EXPECT_EQ(shown->messageTexts(), QStringList{refused});
    QString message;
    TavrinoEdition = 5;
    EXPECT_FALSE(io.CheckSeihinKubun(QStringLiteral("PLT1"), message));
    EXPECT_TRUE(message.isEmpty());
    TavrinoEdition = 0;
}

TEST_F(CodeTaikeiTest, RepairOfRowsStoredAsGeneralCorporateData) {
    execDef(QStringLiteral("UPDATE USERCODE SET NAME='個人', DATATYPE=1, CODETYPE=1, INIDAT1='1,個人,2,3' || "
                           "ASCII_CHAR(13) || ASCII_CHAR(10) WHERE RECNO=1"));
    execDef(QStringLiteral("UPDATE USERCODE SET NAME='法人', DATATYPE=1, CODETYPE=1, INIDAT1='1,法人,1,4' "
                           "WHERE RECNO=2"));
    TCodeTaikeiIO io; // repairs on creation
    EXPECT_EQ(column(1, QStringLiteral("DATATYPE")), QStringLiteral("2"));
    EXPECT_EQ(column(1, QStringLiteral("CODETYPE")), QStringLiteral("3"));
    EXPECT_EQ(column(2, QStringLiteral("CODETYPE")), QStringLiteral("1")); // header type 1: untouched
    EXPECT_FALSE(dm->IBTransactionDEF.isActive());
}

} // namespace
