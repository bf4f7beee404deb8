#include "core/uAccRecord.h"

#include <gtest/gtest.h>

TEST(AccRecord, ReserveBitsUnpackFromTheLeastSignificantBit) {
    struct Case {
        qint32 reserve4;
        int wareki;
        int flag5;
    };
    const Case cases[] = {{512, 1, 0}, {1024, 0, 0}, {16 | 32, 0, 1}, {32, 0, 2}, {0, 0, 0}};
    for (const Case& c : cases) {
        TSystemDef d;
        d.Reserve4 = c.reserve4;
        d.UnpackReserveFlags();
        EXPECT_EQ(d.WarekiDisp, c.wareki) << c.reserve4;
        EXPECT_EQ(d.Reserve4Flag5, c.flag5) << c.reserve4;
    }
}

TEST(AccRecord, ProcessNamesAndFormatsStartAtTheirDefaults) {
    ResetProcessState();
    EXPECT_EQ(DataFileName, QStringLiteral("placc.fdb"));
    EXPECT_EQ(HomeDirName, QStringLiteral("quarno/pellanzaimu"));
    EXPECT_EQ(FormatSettings.ShortDateFormat, QStringLiteral("yyyy/MM/dd"));
    EXPECT_EQ(FormatSettings.LongDateFormat, QStringLiteral("yyyy年MM月dd日"));
    EXPECT_EQ(SystemDef.OPCODE, 0);
}
