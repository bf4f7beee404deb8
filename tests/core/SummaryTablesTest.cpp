#include "core/uAccKamokuTotal.h"
#include "core/uAccSikinguriCmp.h"

#include <gtest/gtest.h>

TEST(TotalAccountTables, VariantsSwitchBackAndForth) {
    FillTotalAccountTables(false);
    const auto general = KamokuTotalCodes;
    EXPECT_EQ(general[0], QStringLiteral("1100"));
    EXPECT_EQ(general[87], QStringLiteral("5688"));
    EXPECT_EQ(general[88], QStringLiteral("****"));
    EXPECT_EQ(general[141], QStringLiteral("****"));
    EXPECT_EQ(general[142], QStringLiteral("1900"));
    EXPECT_EQ(general[149], QStringLiteral("5820"));

    FillTotalAccountTables(true);
    const auto medical = KamokuTotalCodes;
    struct Case {
        int position;
        const char* code;
    };
    const Case medicalRows[] = {{72, "6180"},  {73, "6950"},  {74, "7110"},  {76, "7210"},  {79, "8110"},
                                {81, "8210"},  {83, "8300"},  {85, "9280"},  {89, "3450"},  {100, "6110"},
                                {142, "9600"}, {147, "9600"}, {148, "7300"}, {149, "****"}, {150, "****"}};
    for (const Case& c : medicalRows)
        EXPECT_EQ(medical[c.position - 1], QString::fromLatin1(c.code)) << "position " << c.position;

    // The group codes the company information reads stand at the same positions in both variants.
    for (int position : {61, 63, 65, 66, 69, 88})
        EXPECT_EQ(medical[position - 1], general[position - 1]) << "position " << position;
    EXPECT_EQ(general[60], QStringLiteral("5580"));
    EXPECT_EQ(general[65], QStringLiteral("5790"));

    FillTotalAccountTables(false);
    EXPECT_EQ(KamokuTotalCodes, general);
    for (const QString& code : KamokuTotalCodes)
        EXPECT_EQ(code.size(), 4);
}

TEST(CashFlowItems, VariantsReplaceTheList) {
    SelectCashFlowItems(false);
    ASSERT_EQ(CashFlowItems.size(), 39);
    EXPECT_EQ(CashFlowItems.first().Code, QStringLiteral("0"));
    EXPECT_EQ(CashFlowItems.first().Name, QStringLiteral("－"));
    EXPECT_EQ(CashFlowItems[8].Code, QStringLiteral("18"));
    EXPECT_EQ(CashFlowItems[8].Name, QStringLiteral("その他の収入"));
    EXPECT_EQ(CashFlowItems[8].Qualifier, QStringLiteral("（経常収支）"));
    EXPECT_EQ(CashFlowItems.last().Code, QStringLiteral("99"));

    SelectCashFlowItems(true);
    ASSERT_EQ(CashFlowItems.size(), 38);
    EXPECT_EQ(CashFlowItems[1].Name, QStringLiteral("窓口収入"));
    EXPECT_EQ(CashFlowItems[35].Code, QStringLiteral("45"));
    EXPECT_EQ(CashFlowItems[35].Name, QStringLiteral("法人税等"));
    EXPECT_EQ(CashFlowItems[36].Qualifier, QStringLiteral("（財務収支）"));

    SelectCashFlowItems(false);
    ASSERT_EQ(CashFlowItems.size(), 39);
    EXPECT_EQ(CashFlowItems[1].Name, QStringLiteral("現金売上"));
}
