// The record syntax: fields, defaults, value words, the header block and page ends.
#include "PrintTestSupport.h"

#include "print/Mavrolex_EngineState.h"
#include "print/Mavrolex_SpoolFormat.h"

namespace {

// A spool file holding every record kind, over four pages.
QStringList everyKind() {
    SpoolHeader h;
    h.path = QStringLiteral("/tmp/spool");
    h.date = QStringLiteral("2026/12/08");
    h.title = QStringLiteral("全種類");
    h.orientation = 0;
    h.pageNoSwitch = true;
    h.pageNoFormat = QStringLiteral("(%d/%d)");
    QStringList lines = SpoolHeaderLines(h);
    lines << QStringLiteral("* a comment")
          << QStringLiteral("TEXT;100;200;\"見出し\";ＭＳ ゴシック;abc;bu;赤;OFF;right;0;1;")
          << QStringLiteral("ntext;10;20;a\tb;;12;B;$FF0000;ON;CENTER;0;0;")
          << QStringLiteral("UTEXT;10;20;均等;;10;;UCOLOR1;白;2;500;0;")
          << QStringLiteral("VTEXT;10;20;縦;;10;;ocrgreen;黒;BOTTOM;800")
          << QStringLiteral("@;KINGAKU;1,234;0;;-25;") << QStringLiteral("MEMO;0;0;100;100;memo;-1;;0;I;14;")
          << QStringLiteral("E;") << QStringLiteral("LINE;1;2;3;4;;1;灰;")
          << QStringLiteral("ELINE;1;2;3;4;5;2;薄網掛;")
          << QStringLiteral("BOX;1;2;3;4;1;6;濃網掛;UCOLOR2;7;")
          << QStringLiteral("RRECT;1;2;3;4;5;6;1;0;40;41;0;") << QStringLiteral("CIRCLE;1;2;3;4;1;5;42;43;2;")
          << QStringLiteral("FRECT;1;2;3;4;銀;2;") << QStringLiteral("SLINE;1;2;3;4;1;0;黒;;0;")
          << QStringLiteral("MARUMOJI;50;50;80;済;;10;B;赤;") << QStringLiteral("BP;10;10;1;0;黒;")
          << QStringLiteral("LINEB;20;20;") << QStringLiteral("e;")
          << QStringLiteral("IMAGE;1;2;3;4;/tmp/pic.jpg;1;") << QStringLiteral("CHART;chart.wmf;1;2;3;4;0;")
          << QStringLiteral("FORM;/tmp/sub.mvf;TRUE;100;200;")
          << QStringLiteral("MESSAGE;用紙を替えてください") << QStringLiteral("LEFTMARGIN;50;")
          << QStringLiteral("TOPMARGIN;-30;") << QStringLiteral("ORIENTATION;1;")
          << QStringLiteral("&;1;2;NAME;;0;;黒;OFF;LEFT;0;0;0;") << QStringLiteral("$;1;2;TOTAL;")
          << QStringLiteral("UNKNOWN;1;2;") << QStringLiteral("E;") << QStringLiteral("ORIENTATION;0;");
    return lines;
}

} // namespace

class SpoolFormatTest : public PrintEngineTest {};

TEST_F(SpoolFormatTest, EveryKindReadsBackFieldByField) {
    const QString path = writeSpool(QStringLiteral("all.spool"), everyKind());
    SpoolTextFile file;
    file.assign(path);
    ASSERT_TRUE(file.open());
    QList<SpoolRecord> records;
    QString line;
    while (file.readLine(line))
        if (!line.startsWith(QLatin1Char('*')))
            records.append(SpoolRecord(line));
    ASSERT_EQ(records.size(), 30);

    const SpoolRecord& text = records[0];
    EXPECT_EQ(text.kind(), QStringLiteral("TEXT"));
    EXPECT_EQ(text.intField(1), 100);
    EXPECT_EQ(text.field(3), QStringLiteral("見出し")) << "double quotes are dropped";
    EXPECT_EQ(text.field(4), QStringLiteral("ＭＳ ゴシック"));
    EXPECT_EQ(text.intField(5, 10), 10) << "an unreadable size takes its default";
    EXPECT_EQ(FontStyleByWord(text.field(6).toUpper()), (SpoolFontStyle{true, false, true, false, false}));
    EXPECT_EQ(ColourByWord(text.field(7), EngineSettings), 0x0000FF);
    EXPECT_EQ(BackgroundByWord(text.field(8), EngineSettings), kNoBackground);
    EXPECT_EQ(AlignmentByWord(text.field(9)), AlignLeft) << "only upper case counts";
    EXPECT_EQ(text.intField(11), 1);
    EXPECT_EQ(text.field(12), QString());

    EXPECT_EQ(records[1].kind(), QStringLiteral("NTEXT")) << "kinds are upper-cased";
    EXPECT_EQ(records[1].field(3), QStringLiteral("a\tb"));
    EXPECT_EQ(ColourByWord(records[1].field(7), EngineSettings), 0xFF0000);
    EXPECT_EQ(BackgroundByWord(records[1].field(8), EngineSettings), 0xFFFFFF);
    EXPECT_EQ(AlignmentByWord(records[1].field(9)), AlignCenter);
    EXPECT_EQ(BackgroundByWord(records[2].field(8), EngineSettings), 0xFFFFFF);
    EXPECT_EQ(AlignmentByWord(records[2].field(9)), AlignRight);
    EXPECT_EQ(records[2].intField(10), 500);
    EXPECT_EQ(ColourByWord(records[3].field(7), EngineSettings), kOcrGreen);
    EXPECT_EQ(AlignmentByWord(records[3].field(9)), AlignRight);
    EXPECT_EQ(records[3].intField(11), 0) << "a missing centre flag reads as 0";
    EXPECT_EQ(records[4].kind(), QStringLiteral("@"));
    EXPECT_EQ(records[4].field(1), QStringLiteral("KINGAKU"));
    EXPECT_EQ(records[4].intField(5), -25);
    EXPECT_EQ(records[5].intField(6), -1);
    EXPECT_EQ(FontStyleByWord(records[5].field(9)), (SpoolFontStyle{false, true, false, false, false}));
    EXPECT_TRUE(IsPageEndLine(QStringLiteral("E;")));
    EXPECT_EQ(records[6].kind(), QStringLiteral("E"));

    const SpoolRecord& lineRec = records[7];
    EXPECT_EQ(lineRec.intField(5, 1), 1) << "an empty width takes its default";
    EXPECT_EQ(PenStyleOf(lineRec.intField(6)), Qt::DashLine);
    EXPECT_EQ(ColourByWord(lineRec.field(7), EngineSettings), 0x808080);
    EXPECT_EQ(ColourByWord(records[8].field(7), EngineSettings), kDefaultNetColor);
    EXPECT_TRUE(PenIsInsideFrame(records[9].intField(6)));
    EXPECT_EQ(BrushStyleOf(records[9].intField(9)), Qt::DiagCrossPattern);
    EXPECT_EQ(ColourByWord(records[10].field(9), EngineSettings), kDefaultNetColor) << "40 is NETC1";
    EXPECT_EQ(ColourByWord(records[11].field(7), EngineSettings), 0) << "42 is UCOLOR1";
    EXPECT_EQ(PenStyleOf(records[11].intField(6)), Qt::NoPen);
    EXPECT_EQ(BrushStyleOf(records[11].intField(9)), Qt::HorPattern);
    EXPECT_EQ(records[12].intField(6), 2);
    EXPECT_EQ(records[14].field(4), QStringLiteral("済"));
    EXPECT_EQ(records[16].kind(), QStringLiteral("LINEB"));
    EXPECT_EQ(records[17].kind(), QStringLiteral("E")) << "\"e;\" ends a page";
    EXPECT_EQ(records[18].field(5), QStringLiteral("/tmp/pic.jpg"));
    EXPECT_EQ(records[19].field(1), QStringLiteral("chart.wmf"));
    EXPECT_EQ(records[20].field(2), QStringLiteral("TRUE"));
    EXPECT_EQ(records[21].field(1), QStringLiteral("用紙を替えてください"))
        << "a missing final \";\" is added";
    EXPECT_EQ(records[23].intField(1), -30);
    EXPECT_EQ(records[24].intField(1), 1);
    EXPECT_EQ(records[25].kind(), QStringLiteral("&"));
    EXPECT_EQ(records[26].kind(), QStringLiteral("$"));
    EXPECT_EQ(records[27].kind(), QStringLiteral("UNKNOWN"));

    // Pages, their numbers and orientations.
    EngineSettings.PageBango.Switch = true;
    EXPECT_EQ(CountSpoolPages(path, true), 4);
    EXPECT_EQ(Engine().PageNumbers, QStringList({"1", "2", "3", "0"}));
    EXPECT_EQ(Engine().NumberedPages, 3);
    EXPECT_EQ(ReadPageOrientations(path, 0), QList<int>({0, 0, 1, 0}));
    EXPECT_EQ(ReadPageOrientations(path, 1), QList<int>({1, 1, 1, 0}));

    // The header reads back from the same file.
    file.rewind();
    QStringList all;
    while (file.readLine(line))
        all.append(line);
    const SpoolHeader h = ReadSpoolHeader(all);
    EXPECT_EQ(h.title, QStringLiteral("全種類"));
    EXPECT_EQ(h.version, QStringLiteral("VCL.2.5"));
    EXPECT_EQ(h.paperSize, 9);
    EXPECT_EQ(h.outputPaper, 0);
    EXPECT_TRUE(h.pageNoSwitch);
    EXPECT_EQ(h.pageNoFormat, QStringLiteral("(%d/%d)"));
    EXPECT_TRUE(IsMavrolexFirstLine(all.first()));
    EXPECT_EQ(all.first().size(), 70);
    EXPECT_EQ(all[25], kSpoolMagicClose);
    EXPECT_EQ(all[25].size(), 70);
}

TEST_F(SpoolFormatTest, ColourWordsAndNumbers) {
    TPmvxDEF s = DefaultEngineSettings();
    s.NetColor2 = 0x123456;
    s.UserColor1 = 0x010203;
    s.UserColor2 = 0x040506;
    const std::pair<QString, qint32> cases[] = {
        {QStringLiteral("黒"), 0x000000},
        {QStringLiteral("栗"), 0x000080},
        {QStringLiteral("緑"), 0x008000},
        {QStringLiteral("黄緑"), 0x008080},
        {QStringLiteral("濃紺"), 0x800000},
        {QStringLiteral("紫"), 0x800080},
        {QStringLiteral("暗青緑"), 0x808000},
        {QStringLiteral("灰"), 0x808080},
        {QStringLiteral("銀"), 0xC0C0C0},
        {QStringLiteral("赤"), 0x0000FF},
        {QStringLiteral("濃緑"), 0x00FF00},
        {QStringLiteral("青"), 0xFF0000},
        {QStringLiteral("赤紫"), 0xFF00FF},
        {QStringLiteral("空"), 0xFFFF00},
        {QStringLiteral("白"), 0xFFFFFF},
        {QStringLiteral("黄"), 0x00FFFF},
        {QStringLiteral("薄網掛"), 0xC0C0C0},
        {QStringLiteral("濃網掛"), 0x123456},
        {QStringLiteral("ucolor1"), 0x010203},
        {QStringLiteral("UCOLOR2"), 0x040506},
        {QStringLiteral("OCRBLUE"), kOcrBlue},
        {QStringLiteral("ocrbrown"), kOcrBrown},
        {QStringLiteral("OCRPINK"), kOcrPink},
        {QStringLiteral("OCRORANGE"), kOcrOrange},
        {QStringLiteral("OCRVIOLET"), kOcrViolet},
        {QStringLiteral("OCRPURPLE"), kOcrPurple},
        {QStringLiteral("14"), 0xFFFFFF},
        {QStringLiteral("255"), 0x0000FF},
        {QStringLiteral("16"), 0x808000},
        {QStringLiteral("35"), 0xFFFFFF},
        {QStringLiteral("36"), 36},
        {QStringLiteral("41"), 0x123456},
        {QStringLiteral("43"), 0x040506},
        {QStringLiteral("$00ff00"), 0x00FF00},
        {QStringLiteral("purple"), 0},
        {QStringLiteral(""), 0},
        {QStringLiteral("Ｒ"), 0},
    };
    for (const auto& [word, rgb] : cases)
        EXPECT_EQ(ColourByWord(word, s), rgb) << qPrintable(word);
    EXPECT_TRUE(LookupColourWord(QStringLiteral("20"), s).system);

    const std::pair<QString, qint32> backgrounds[] = {
        {QStringLiteral("OFF"), kNoBackground}, {QStringLiteral("1"), kNoBackground},
        {QStringLiteral("黒"), kNoBackground},  {QStringLiteral("0"), kNoBackground},
        {QStringLiteral("20"), kNoBackground},  {QStringLiteral("ON"), 0xFFFFFF},
        {QStringLiteral("白"), 0xFFFFFF},       {QStringLiteral("赤"), 0x0000FF},
        {QStringLiteral("off"), kNoBackground},
    };
    for (const auto& [word, bg] : backgrounds)
        EXPECT_EQ(BackgroundByWord(word, s), bg) << qPrintable(word);

    const std::pair<QString, qint32> alignments[] = {
        {QStringLiteral("CENTER"), AlignCenter}, {QStringLiteral("1"), AlignCenter},
        {QStringLiteral("RIGHT"), AlignRight},   {QStringLiteral("2"), AlignRight},
        {QStringLiteral("BOTTOM"), AlignRight},  {QStringLiteral("center"), AlignLeft},
        {QStringLiteral("Right"), AlignLeft},    {QStringLiteral("LEFT"), AlignLeft},
    };
    for (const auto& [word, a] : alignments)
        EXPECT_EQ(AlignmentByWord(word), a) << qPrintable(word);

    EXPECT_EQ(FontStyleByWord(QStringLiteral("BIS")), (SpoolFontStyle{true, true, false, true, false}));
    EXPECT_EQ(FontStyleByWord(QStringLiteral("DU")), (SpoolFontStyle{false, false, true, false, true}));
    EXPECT_EQ(FontStyleByWord(QStringLiteral("SB")), SpoolFontStyle{});
    EXPECT_EQ(FontStyleByWord(QStringLiteral("b")), SpoolFontStyle{}) << "readers upper-case first";
}

TEST_F(SpoolFormatTest, NumbersLinesAndPageEnds) {
    const std::pair<QString, qint32> numbers[] = {
        {QStringLiteral("12"), 12},         {QStringLiteral("-7"), -7},         {QStringLiteral("  3"), 3},
        {QStringLiteral("$ff"), 255},       {QStringLiteral("$FFFFFFFF"), -1},  {QStringLiteral("$"), 99},
        {QStringLiteral("3 "), 99},         {QStringLiteral("abc"), 99},        {QStringLiteral(""), 99},
        {QStringLiteral("2147483648"), 99}, {QStringLiteral("$100000000"), 99}, {QStringLiteral("１２"), 99},
        {QStringLiteral("1.5"), 99},
    };
    for (const auto& [text, value] : numbers)
        EXPECT_EQ(ParseSpoolInt(text, 99), value) << qPrintable(text);

    EXPECT_EQ(NormalizeSpoolLine(QStringLiteral("TEXT;1;\"a\";")), QStringLiteral("TEXT;1;a;"));
    EXPECT_EQ(NormalizeSpoolLine(QStringLiteral("TEXT;1")), QStringLiteral("TEXT;1;"));
    for (const char* end : {"E;", "e;", "E", "E;junk"})
        EXPECT_TRUE(IsPageEndLine(QLatin1String(end))) << end;
    for (const char* other : {"EX;", " E;", "ELINE;1;", ""})
        EXPECT_FALSE(IsPageEndLine(QLatin1String(other))) << other;

    EXPECT_EQ(CountSpoolPages(writeSpool(QStringLiteral("one"), {QStringLiteral("TEXT;1;1;a;")}), false), 1);
    EXPECT_EQ(
        CountSpoolPages(
            writeSpool(QStringLiteral("two"), {QStringLiteral("TEXT;1;1;a;"), QStringLiteral("E;")}), false),
        2);
    EXPECT_EQ(CountSpoolPages(QString(), false), 1);
    EXPECT_TRUE(scripted().messageTexts().isEmpty());
    EXPECT_EQ(CountSpoolPages(env->path() + QStringLiteral("/none.spool"), false), 1);
    EXPECT_EQ(scripted().messageTexts(), QStringList({QLatin1Char('<') + env->path() +
                                                      QStringLiteral("/none.spool> が見つかりません。")}));

    SpoolHeader h;
    h.netColor1 = 0xC0C0C0;
    h.userColor2 = -1;
    const QStringList lines = SpoolHeaderLines(h);
    EXPECT_TRUE(lines.contains(QStringLiteral("*NETC1=$C0C0C0")));
    EXPECT_TRUE(lines.contains(QStringLiteral("*USERC1=$000000")));
    EXPECT_TRUE(lines.contains(QStringLiteral("*USERC2=$FFFFFFFF")));
    const SpoolHeader lower =
        ReadSpoolHeader({QStringLiteral("*NETC1= $c0c0c0 "), QStringLiteral("*FORMPRINT=true"),
                         QStringLiteral("*TOPMARGIN=12"), QStringLiteral("*TOPMARGIN=99")});
    EXPECT_EQ(lower.netColor1, 0xC0C0C0);
    EXPECT_FALSE(lower.formPrint) << "only TRUE turns the form on";
    EXPECT_EQ(lower.topMargin, 12) << "the first line of a key counts";
    EXPECT_EQ(lower.paperSize, 9);
    EXPECT_EQ(lower.outputPaper, 9);
}

TEST_F(SpoolFormatTest, PageNumberFormats) {
    const struct {
        const char* format;
        QList<qint32> args;
        std::optional<QString> out;
    } cases[] = {
        {"(%d/%d)", {3, 12}, QStringLiteral("(3/12)")},
        {"- %d -", {7}, QStringLiteral("- 7 -")},
        {"%D of %D", {1, 2}, QStringLiteral("1 of 2")},
        {"%3d|%-3d|%.3d", {1, 2, 3}, QStringLiteral("  1|2  |003")},
        {"%1:d %0:d", {5, 6}, QStringLiteral("6 5")},
        {"%*d", {4, 9}, QStringLiteral("   9")},
        {"%x %u", {255, -1}, QStringLiteral("FF 4294967295")},
        {"100%% %d", {1}, QStringLiteral("100% 1")},
        {"%d", {1, 1}, QStringLiteral("1")},
        {"%d %s", {1, 1}, std::nullopt},
        {"%d/%d/%d", {1, 1}, std::nullopt},
        {"%f", {1}, std::nullopt},
        {"%", {1}, std::nullopt},
        {"%99999999d", {1}, std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FormatIntegers(QLatin1String(c.format), c.args), c.out) << c.format;
    EXPECT_EQ(CountFormatPlaceholders(QStringLiteral("%d/%D/%s")), 2);
}
