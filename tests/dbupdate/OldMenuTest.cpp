// The menu positions of the old permission table and the programs behind them.

#include "core/uAccRecord.h"
#include "dbupdate/z5MenuListOldHistory.h"

#include <gtest/gtest.h>

namespace {

struct Lookup {
    qint32 level, page, item;
    const char* program;
    const char* option;
};

QString programOf(qint32 level, qint32 page, qint32 item, QString* option = nullptr) {
    QString program, opt, again;
    OldMenuToProgram(level, page, item, program, opt, again);
    EXPECT_EQ(program, again);
    if (option)
        *option = opt;
    return program;
}

TEST(OldMenuTest, PositionsGiveTheirProgramsAndOptions) {
    const quint8 saved = TavrinoEdition;
    TavrinoEdition = 0;
    const Lookup cases[] = {
        {9, 1, 0, "QzSiwake", "SyoriType=1"},
        {9, 1, 1, "QzSiwake", "SyoriType=0"},
        {1009, 2, 0, "QzMBKessansyo", ""},
        {9, 2, 0, "QzHojinKessansyo", ""},
        {1009, 10, 0, "", ""},
        {9, 10, 0, "QzSolvarne1", ""},
        {9, 1, 15, "", ""},
        {9, 0, 0, "", ""},
        {9, 13, 0, "", ""},
        {1009, 13, 0, "", ""},
        {1000, 4, 4, "QzKeieiBunseki", ""},
        {1001, 4, 4, "QzKeieiBunseki2", ""},
        {1001, 4, 18, "QzYosan2", ""},
        {1001, 5, 2, "QzMBKamoku2", ""},
        {9, 7, 16, "QzUtiwake17", ""},
        {1001, 7, 19, "QzUtiwakeAll", ""},
        {9, 8, 13, "QzDataTusin", "SyoriType=8"},
        {1001, 11, 14, "QzFuzokuR05", ""},
        {1001, 12, 11, "QzGenkaKeisan11", ""},
        {1001, 12, 12, "", ""},
        {9, 6, 12, "QzSiwakeJisyoEx", "SyoriType=1"},
        {1001, 2, 9, "QzTouzaChoseihyo", "SyoriType=0"},
    };
    for (const Lookup& c : cases) {
        QString option;
        EXPECT_EQ(programOf(c.level, c.page, c.item, &option), QString::fromLatin1(c.program))
            << c.level << " " << c.page << " " << c.item;
        EXPECT_EQ(option, QString::fromLatin1(c.option)) << c.level << " " << c.page << " " << c.item;
    }

    // The editions have their own journal and ledgers on page 1, for the general levels only.
    TavrinoEdition = 2;
    QString option;
    EXPECT_EQ(programOf(9, 1, 15, &option), QStringLiteral("QzTavrinoSiwake"));
    EXPECT_EQ(option, QStringLiteral("SyoriType=1"));
    EXPECT_EQ(programOf(9, 1, 19, &option), QStringLiteral("QzKobetuMotocho"));
    EXPECT_TRUE(option.isEmpty());
    EXPECT_EQ(programOf(9, 1, 0, &option), QStringLiteral("QzSiwake"));
    EXPECT_TRUE(programOf(1009, 1, 15).isEmpty());
    TavrinoEdition = saved;
}

// A second reading of the tables: the filled slots per page and each slot at its own position.
TEST(OldMenuTest, TablesHoldTheirSlotsInPlace) {
    const auto filled = [](const auto& table) {
        std::vector<int> perPage(table.size() / 20, 0);
        for (size_t i = 0; i < table.size(); ++i) {
            EXPECT_EQ(table[i].PAGENO, int(i / 20 + 1));
            EXPECT_EQ(table[i].MENUNO, int(i % 20));
            if (!table[i].ProcId.isEmpty())
                ++perPage[i / 20];
        }
        return perPage;
    };
    EXPECT_EQ(filled(GeneralOldMenu()), (std::vector<int>{7, 11, 6, 16, 7, 11, 18, 8, 5, 3}));
    EXPECT_EQ(filled(MedicalOldMenu()), (std::vector<int>{7, 14, 6, 16, 7, 11, 18, 8, 5, 1, 16, 12}));
}

} // namespace
