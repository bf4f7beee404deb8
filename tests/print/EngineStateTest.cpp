// Engine start-up, the field reader, page positioning and numbering, form variables and paper tables.
#include "PrintTestSupport.h"

#include "print/Mavrolex_EngineState.h"
#include "print/Mavrolex_SpoolFormat.h"
#include "print/Mavrolex_Vdb.h"

class EngineStateTest : public PrintEngineTest {};

TEST_F(EngineStateTest, StartsOnThePrinterAndWithoutOne) {
    MavrolexEngineState& e = Engine();
    EXPECT_TRUE(e.Ready);
    ASSERT_TRUE(e.Vdb);
    EXPECT_FALSE(e.Vdb->NoPrinter);
    EXPECT_EQ(device->devMode().ttOption, 2);
    EXPECT_EQ(e.TotalPages, 1);
    EXPECT_EQ(e.CurrentPage, 1);
    EXPECT_TRUE(e.PageNumbers.isEmpty());
    EXPECT_EQ(CharsetOfFont(e.Fonts, QStringLiteral("ＭＳ 明朝")), 128);
    EXPECT_EQ(CharsetOfFont(e.Fonts, QStringLiteral("no such face")), 0);

    useDevice(std::make_unique<RecordingPrinterDevice>(QStringList()));
    EXPECT_TRUE(Engine().Ready);
    EXPECT_TRUE(Engine().Vdb->NoPrinter);
    ASSERT_FALSE(errorLogLines().isEmpty());
    EXPECT_EQ(errorLogLines().last(),
              QStringLiteral("26/12/08 09:05:03  Vdb.Create:デフォルト プリンタが存在しません"));
}

TEST_F(EngineStateTest, FieldReaderWalksTheLine) {
    const QString line = QStringLiteral("text;10;;abc;");
    EXPECT_EQ(SpoolRecordKind(line), QStringLiteral("TEXT"));
    EXPECT_EQ(SpoolFieldReader(line), QStringLiteral("10"));
    EXPECT_EQ(SpoolFieldReader(line), QString());
    EXPECT_EQ(SpoolFieldReader(line), QStringLiteral("abc"));
    EXPECT_EQ(SpoolFieldReader(line), QString());
    EXPECT_EQ(SpoolFieldReader(line), QString());
    EXPECT_TRUE(scripted().messageTexts().isEmpty());
    // The cursor of a longer line does not fit a shorter one.
    EXPECT_EQ(SpoolFieldReader(QStringLiteral("E;")), QString());
    EXPECT_EQ(scripted().messageTexts(), QStringList({QStringLiteral("パラメータエラー")}));
}

TEST_F(EngineStateTest, PagesAreSoughtCountedAndNumbered) {
    const QString data = writeSpool(
        QStringLiteral("data.spool"),
        {QStringLiteral("*MAVROLEX*"), QStringLiteral("TEXT;1;1;p1;"), QStringLiteral("E;"),
         QStringLiteral("ORIENTATION;1;"), QStringLiteral("E;"), QStringLiteral("LINE;1;1;2;2;"),
         QStringLiteral("e;"), QStringLiteral("TEXT;1;1;LINE and ORIENTATION;"), QStringLiteral("E;"),
         QStringLiteral("E;"), QStringLiteral("* note"), QStringLiteral("BOX;1;1;2;2;")});
    EngineSettings.PageBango.Switch = true;
    EXPECT_EQ(CountSpoolPages(data, true), 6);
    // A text mentioning LINE keeps its number; an orientation or a lone line does not.
    EXPECT_EQ(Engine().PageNumbers, QStringList({"1", "0", "0", "2", "0", "3"}));
    EXPECT_EQ(Engine().NumberedPages, 3);
    EngineSettings.PageBango.Switch = false;
    Engine().PageNumbers.clear();
    EXPECT_EQ(CountSpoolPages(data, true), 6);
    EXPECT_TRUE(Engine().PageNumbers.isEmpty());

    SpoolTextFile file;
    file.assign(data);
    ASSERT_TRUE(file.open());
    EXPECT_TRUE(SeekSpoolPage(file, 4, false));
    QString line;
    ASSERT_TRUE(file.readLine(line));
    EXPECT_EQ(line, QStringLiteral("TEXT;1;1;LINE and ORIENTATION;"));
    EXPECT_FALSE(SeekSpoolPage(file, 5, false));
    file.rewind();
    EXPECT_TRUE(SeekSpoolPage(file, 1, false));

    const QString form =
        writeSpool(QStringLiteral("form.mvf"),
                   {QStringLiteral("TEXT;1;1;f1;"), QStringLiteral("E;"), QStringLiteral("TEXT;1;1;f2;")});
    SpoolTextFile f;
    f.assign(form);
    ASSERT_TRUE(f.open());
    EXPECT_TRUE(SeekSpoolPage(f, 4, true)); // f1, f2, f1, f2: page 4 is form page 2
    ASSERT_TRUE(f.readLine(line));
    EXPECT_EQ(line, QStringLiteral("TEXT;1;1;f2;"));
    SpoolTextFile empty;
    empty.assign(writeSpool(QStringLiteral("empty.mvf"), {}));
    ASSERT_TRUE(empty.open());
    EXPECT_FALSE(SeekSpoolPage(empty, 3, true)) << "an empty form never wraps for ever";
}

TEST_F(EngineStateTest, PreviewPagesFollowTheFormPages) {
    const auto pages = [this](const QString& name, int n) {
        QStringList lines;
        for (int i = 1; i <= n; ++i) {
            if (i > 1)
                lines << QStringLiteral("E;");
            lines << QStringLiteral("TEXT;1;1;%1;").arg(i);
        }
        return writeSpool(name, lines);
    };
    const struct { int data, form, total; } cases[] = {{5, 2, 6}, {5, 7, 7}, {7, 3, 9}, {4, 1, 4}, {1, 3, 3}};
    for (const auto& c : cases) {
        Engine().DataFileName = pages(QStringLiteral("d%1").arg(c.data), c.data);
        Engine().FormFileName = pages(QStringLiteral("f%1").arg(c.form), c.form);
        Engine().CurrentPage = 4;
        CountPreviewPages();
        EXPECT_EQ(Engine().TotalPages, c.total) << c.data << " over " << c.form;
        EXPECT_EQ(Engine().CurrentPage, 1);
    }
    Engine().FormFileName.clear();
    CountPreviewPages();
    EXPECT_EQ(Engine().TotalPages, 1);
}

TEST_F(EngineStateTest, FormVariablesFillFiveSlots) {
    QStringList lines{QStringLiteral("&;100;200;kingaku;ＭＳ ゴシック;0;bu;赤;OFF;RIGHT;300;1;1;"),
                      QStringLiteral("&;0;0;行間;;10;;;;;45;0;0;"), QStringLiteral("&;5;6;\"Short\""),
                      QStringLiteral("$;7;8;gokei;"),
                      QStringLiteral("$;9;10;GOKEI;ＭＳ 明朝;11;b;青;ON;CENTER;12;13;")};
    for (int i = 1; i <= 120; ++i)
        lines << QStringLiteral("&;%1;0;V%1;;9;;;;;;;;").arg(i);
    for (int page = 2; page <= 7; ++page)
        lines << QStringLiteral("E;") << QStringLiteral("&;%1;%1;P%1;;;;;;;;;;").arg(page);
    LoadFormVariables(writeSpool(QStringLiteral("vars.mvf"), lines), 10, 20);

    MavrolexEngineState& e = Engine();
    EXPECT_EQ(e.FormSeparators, 5);
    const int k = FindFormVariable(0, QStringLiteral("Kingaku"));
    ASSERT_EQ(k, 1);
    const TDataField& f = e.Slots[0].Fields[1];
    EXPECT_EQ(f.X, 110);
    EXPECT_EQ(f.Y, 220);
    EXPECT_EQ(f.Font, QStringLiteral("ＭＳ ゴシック"));
    EXPECT_EQ(f.Size, 12) << "size 0 means 12";
    EXPECT_EQ(f.Style, QStringLiteral("BU"));
    EXPECT_EQ(f.Color, 0x0000FF);
    EXPECT_EQ(f.Background, kNoBackground);
    EXPECT_EQ(f.Alignment, AlignRight);
    EXPECT_EQ(f.Width, 300);
    EXPECT_EQ(f.FirstOnly, 1);
    EXPECT_EQ(f.Center, 1);
    EXPECT_EQ(e.Slots[0].Fields[0].Name, QStringLiteral("行間"));
    EXPECT_EQ(e.Slots[0].Fields[0].Width, 45);
    EXPECT_EQ(FindFormVariable(0, QStringLiteral("short")), 2)
        << "a line without its final \";\" is still read";
    EXPECT_EQ(e.Slots[0].Fields[2].Font, QStringLiteral("0")) << "\";0;\" completes it";
    EXPECT_EQ(FindFormVariable(0, QStringLiteral("V98")), 100);
    EXPECT_EQ(FindFormVariable(0, QStringLiteral("V99")), 0) << "lookups stop at entry 100";
    EXPECT_EQ(e.Slots[0].FieldCount, 122);
    EXPECT_EQ(e.Slots[0].Totals[0].Name, QStringLiteral("GOKEI"));
    EXPECT_EQ(e.Slots[0].Totals[0].Mark, 1);
    EXPECT_EQ(e.Slots[0].Displays[0].Name, QStringLiteral("GOKEI"));
    EXPECT_EQ(e.Slots[0].Displays[0].Alignment, AlignCenter);
    EXPECT_EQ(e.Slots[0].Displays[0].Width, 12);
    EXPECT_EQ(MarkTotalField(0, QStringLiteral("none")), -1);
    for (int slot = 1; slot < kFormSlots; ++slot)
        EXPECT_EQ(FindFormVariable(slot, QStringLiteral("P%1").arg(slot + 1)), 1) << slot;
    EXPECT_EQ(FindFormVariable(4, QStringLiteral("P6")), 0) << "the sixth form page is not read";
    const int slotsOfPages[] = {0, 1, 2, 3, 4, 0, 1};
    for (int p = 1; p <= 7; ++p)
        EXPECT_EQ(FormSlotOfPage(p), slotsOfPages[p - 1]) << p;

    // A later load starts from empty tables.
    LoadFormVariables(writeSpool(QStringLiteral("one.mvf"), {QStringLiteral("&;1;1;ONLY;")}), 0, 0);
    EXPECT_EQ(FindFormVariable(0, QStringLiteral("KINGAKU")), 0);
    EXPECT_EQ(e.FormSeparators, 0);
    EXPECT_EQ(FormSlotOfPage(3), 0);
    LoadFormVariables(env->path() + QStringLiteral("/missing.mvf"), 0, 0);
    EXPECT_EQ(FindFormVariable(0, QStringLiteral("ONLY")), 0);
}

TEST_F(EngineStateTest, PaperSizesAndRatios) {
    EXPECT_EQ(PaperSizeMm(12), QSize(250, 354));
    EXPECT_FALSE(Engine().PaperNotListed);
    device->setUnprintableMm(5);
    EXPECT_EQ(PaperSizeMm(256), QSize(220, 307)); // printable 200 x 287 on A4, plus 20
    EXPECT_TRUE(Engine().PaperNotListed);
    EXPECT_EQ(PaperSizeMm(9), QSize(210, 297));
    EXPECT_FALSE(Engine().PaperNotListed);

    EngineSettings.VRATIO = 1010;
    EngineSettings.HRATIO = 990;
    const struct {
        int report, printer, v, h;
    } cases[] = {
        {9, 9, 1010, 990}, {8, 9, 707, 707}, {9, 12, 1192, 1190}, {13, 9, 1156, 1154}, {12, 8, 1186, 1188}};
    for (const auto& c : cases) {
        EngineSettings.PaperSize = c.report;
        Engine().Vdb->SetPaper(c.printer);
        Engine().VRatio = Engine().HRatio = 0;
        ApplyPaperRatio();
        EXPECT_EQ(Engine().VRatio, c.v) << c.report << " on " << c.printer;
        EXPECT_EQ(Engine().HRatio, c.h) << c.report << " on " << c.printer;
    }
    EngineSettings.PaperSize = 11;
    Engine().Vdb->SetPaper(9);
    Engine().VRatio = Engine().HRatio = 0;
    ApplyPaperRatio();
    EXPECT_EQ(Engine().VRatio, 0) << "A5 on A4 is not in the table";
}
