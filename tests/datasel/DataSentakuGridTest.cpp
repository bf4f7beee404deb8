// The data-selection grid shown in the program's font: the period column holds a whole period.

#include "controls/PerfectGrid.h"
#include "core/uAccRecord.h"
#include "datasel/z5DataSentaku.h"
#include "support/DmFixture.h"

#include <QFontMetrics>
#include <QHeaderView>
#include <gtest/gtest.h>

TEST(DataSentakuGridTest, ThePeriodColumnShowsTheWholePeriodInTheProgramsFont) {
    testenv::DmEnvironment e;
    e.connectSystem();
    testenv::CompanySpec c;
    c.kishu = QDate(2024, 4, 1);
    e.root->addDataset(c, 1);
    // The program's font as designed and larger than the form's own.
    for (const int points : {9, 11, 14}) {
        QFont font(QStringLiteral("ＭＳ Ｐゴシック"), points);
        SystemDef.BaseFont = &font;
        SystemDef.DisplayFont = &font;
        {
            TDataSentakuBox box;
            box.KeepOnClose = true;
            box.SetParams({QStringLiteral("SyoriType=0")});
            box.Prepare(true);
            box.show();
            TPerfectGrid* g = box.Grid();
            const QString period = g->CellText(0, TDataSentakuBox::colKikan);
            ASSERT_TRUE(period.contains(QStringLiteral("2024/04/01"))) << period.toStdString();
            EXPECT_GE(g->columnWidth(TDataSentakuBox::colKikan),
                      QFontMetrics(g->font()).horizontalAdvance(period) + 8)
                << points << " pt";
            box.close();
        }
        SystemDef.BaseFont = nullptr;
        SystemDef.DisplayFont = nullptr;
    }
}
