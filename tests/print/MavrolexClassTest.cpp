// The report component: the spool file it writes, its property rules and what it hands to the engine.
#include "PrintTestSupport.h"

#include "platform/Cp932.h"
#include "print/Mavrolex_Class.h"
#include "print/Mavrolex_EngineState.h"
#include "print/Mavrolex_Function.h"

#include <QDir>
#include <QFileInfo>

namespace {

struct ListRow {
    int rec;
    QString code, name, entText;
    int nendo;
    QString kikan, folder;
};

// The calls the dataset-list printer makes for a landscape list (font "ＭＳ 明朝", title size 14,
// heading size 10, rows at size 9; rules width 4 pen 0, separators width 0 pen 2, colour "0").
void printDatasetList(TMavrolex& r, const QString& sysDir, const QString& dataRoot,
                      const QList<ListRow>& rows) {
    const QString font = QStringLiteral("ＭＳ 明朝");
    const int right = 2820, bottom = 1945, perPage = 35;
    const int cNo = 170, cCode = 250, cName = 450, cTerm = 1250, cPeriod = 1550, cFolder = 1800;
    const auto text = [&](int x, int y, const QString& t, int size, const char* align) {
        r.PutText(x, y, t, font, size, QString(), QStringLiteral("黒"), QStringLiteral("OFF"),
                  QLatin1String(align), 0);
    };
    r.setTitle(QStringLiteral("印刷プレビュー"));
    r.setDataFile(sysDir + QStringLiteral("/データリスト.TMP"));
    r.setFormFile(QString());
    r.setPaperSize(9);
    r.setOrientation(1);
    r.setTopMargin(0);
    r.setLeftMargin(0);
    r.setZoom(10);
    r.setUserColor1(0);
    r.setUserColor2(0);
    r.setNetColor1(0xC0C0C0);
    r.setNetColor2(0x808080);
    r.setPrintFom(false);
    r.setModeSw(false);
    r.setPermit(true);
    r.BeginData(true);
    try {
        r.PutHeader();
        int onPage = 0, page = 1;
        for (const ListRow& row : rows) {
            if (onPage > 0 && onPage < perPage) {
                ++onPage;
            } else {
                if (onPage >= perPage)
                    r.NewPage();
                text(right / 2, 150, QStringLiteral("データリスト"), 14, "center");
                text(right, 250, QStringLiteral("PAGE %1").arg(page, 4), 10, "RIGHT");
                r.PutLine(150, 300, right, 300, 4, 0, QStringLiteral("0"), false);
                text(180, 325, QStringLiteral("No"), 10, "LEFT");
                text(cCode, 325, QStringLiteral("コード"), 10, "LEFT");
                text(cName, 325, QStringLiteral("データリスト名"), 10, "LEFT");
                text(cTerm, 325, QStringLiteral("会計年度"), 10, "CENTER");
                text(cPeriod, 325, QStringLiteral("会計期間"), 10, "CENTER");
                text(cFolder, 325, QStringLiteral("データフォルダ"), 10, "LEFT");
                r.PutLine(150, 390, right, 390, 4, 0, QStringLiteral("0"), false);
                r.PutLine(150, bottom, right, bottom, 4, 0, QStringLiteral("0"), false);
                onPage = 1;
                ++page;
            }
            const int y = 361 + 44 * onPage;
            text(cNo, y, QStringLiteral("%1").arg(row.rec, 3), 9, "LEFT");
            text(cCode, y, row.code, 9, "LEFT");
            text(cName, y, row.name, 9, "LEFT");
            if (!row.entText.isEmpty() && row.nendo >= 1) {
                text(cTerm, y, QStringLiteral("%1 期").arg(row.nendo), 9, "CENTER");
                text(cPeriod, y, row.kikan, 9, "CENTER");
            } else {
                const char* align = row.entText.isEmpty() ? "LEFT" : "CENTER";
                text(cTerm, y, QString(), 9, align);
                text(cPeriod, y, QString(), 9, align);
            }
            QString folder = row.folder;
            folder.replace(dataRoot, QStringLiteral("~"), Qt::CaseInsensitive);
            text(cFolder, y, folder, 9, "LEFT");
            if (onPage < perPage)
                r.PutLine(150, y + 34, right, y + 34, 0, 2, QStringLiteral("0"), false);
        }
    } catch (...) {
        r.EndData();
        throw;
    }
    r.EndData();
}

QList<ListRow> sampleRows() {
    QList<ListRow> rows;
    for (int i = 1; i <= 36; ++i) {
        ListRow row{i,
                    QStringLiteral("%1").arg(i, 4, 10, QLatin1Char('0')),
                    QStringLiteral("株式会社サンプル%1").arg(i),
                    QStringLiteral("x"),
                    10 + i % 5,
                    QStringLiteral("令和7年4月1日～令和8年3月31日"),
                    QStringLiteral("/data/root/data/%1").arg(i, 4, 10, QLatin1Char('0'))};
        if (i == 3)
            row.name = QStringLiteral("A;B商事");
        if (i == 5)
            row.entText.clear();
        if (i == 7)
            row.nendo = 0;
        if (i == 9)
            row.folder = QStringLiteral("/DATA/ROOT/data/0009");
        if (i == 11)
            row.folder = QStringLiteral("/elsewhere/0011");
        rows.append(row);
    }
    return rows;
}

QByteArray spoolBytes(const QString& path) {
    return testenv::readFile(path);
}

} // namespace

class MavrolexClassTest : public PrintEngineTest {
protected:
    QString folder() {
        const QString f = env->path() + QStringLiteral("/sys");
        QDir().mkpath(f);
        return f;
    }
};

TEST_F(MavrolexClassTest, DatasetListOfTwoPagesMatchesTheGoldenSpoolFile) {
    TMavrolex report;
    report.setDelFile(false);
    QString written;
    MavrolexPreviewProc = [&](TPmvxDEF& rec) {
        written = rec.DataFile;
        return 1;
    };
    printDatasetList(report, folder(), QStringLiteral("/data/root"), sampleRows());
    const QString spool = report.DataFile();
    EXPECT_TRUE(QFileInfo(spool).fileName().startsWith(QLatin1Char('~')));
    EXPECT_EQ(QFileInfo(spool).absolutePath(), QFileInfo(folder()).absoluteFilePath());

    QByteArray golden = testenv::readFile(testenv::sourceDir() +
                                          QStringLiteral("/tests/print/data/datalist_landscape.spool"));
    golden.replace("@FOLDER@", cp932::encode(folder()));
    const QByteArray actual = spoolBytes(spool);
    const QList<QByteArray> a = actual.split('\n'), g = golden.split('\n');
    for (qsizetype i = 0; i < qMin(a.size(), g.size()); ++i)
        ASSERT_EQ(cp932::decode(a[i]), cp932::decode(g[i])) << "line " << i + 1;
    EXPECT_EQ(actual, golden);

    EXPECT_TRUE(report.Preview());
    EXPECT_EQ(written, spool);
    EXPECT_EQ(EngineSettings.DocTitle.text(), QStringLiteral("データリスト"));
    EXPECT_EQ(CountSpoolPages(spool, false), 2);
}

TEST_F(MavrolexClassTest, PutTextFitsEscapesAndNormalisesItsFields) {
    struct Case {
        const char* name;
        QString text, background, alignment;
        int width;
        QString expected; // text, background, alignment fields
    };
    const Case cases[] = {
        {"semicolonBecomesColon", QStringLiteral("a;b"), QStringLiteral("OFF"), QStringLiteral("LEFT"), 0,
         QStringLiteral("a:b;…;1;LEFT")},
        {"rightPadsInFront", QStringLiteral("ab"), QStringLiteral("1"), QStringLiteral("RIGHT"), 5,
         QStringLiteral("   ab;…;1;RIGHT")},
        {"rightKeepsTheLastBytes", QStringLiteral("abcdefg"), QStringLiteral("1"), QStringLiteral("right"), 5,
         QStringLiteral("cdefg;…;1;RIGHT")},
        {"rightNeverHalvesACharacter", QStringLiteral("あいう"), QStringLiteral("1"), QStringLiteral("RIGHT"),
         5, QStringLiteral(" いう;…;1;RIGHT")},
        {"leftKeepsTheFirstBytes", QStringLiteral("abcdefg"), QStringLiteral("1"), QStringLiteral("LEFT"), 5,
         QStringLiteral("abcde;…;1;LEFT")},
        {"leftDropsAHalvedCharacter", QStringLiteral("abcdあ"), QStringLiteral("1"), QStringLiteral("LEFT"),
         5, QStringLiteral("abcd;…;1;LEFT")},
        // The second byte of "ぁ" (82 9F) has the value of a lead byte: the cut walks from the start.
        {"leftWalksFromTheStart", QStringLiteral("ぁぁ"), QStringLiteral("1"), QStringLiteral("LEFT"), 2,
         QStringLiteral("ぁ;…;1;LEFT")},
        {"leftPadsAfter", QStringLiteral("ab"), QStringLiteral("1"), QStringLiteral(""), 4,
         QStringLiteral("ab  ;…;1;")},
        {"centerIsNeverFitted", QStringLiteral("abcdefg"), QStringLiteral("1"), QStringLiteral("center"), 3,
         QStringLiteral("abcdefg;…;1;CENTER")},
        {"atMost126BlanksAreAdded", QStringLiteral("ab"), QStringLiteral("1"), QStringLiteral("LEFT"), 127,
         QStringLiteral("ab;…;1;LEFT")},
        {"onStaysOn", QStringLiteral("x"), QStringLiteral("ON"), QStringLiteral("LEFT"), 0,
         QStringLiteral("x;…;ON;LEFT")},
        {"lineBreaksBecomeBlanks", QStringLiteral("a\r\nb"), QStringLiteral("1"), QStringLiteral("LEFT"), 0,
         QStringLiteral("a  b;…;1;LEFT")},
    };
    for (const Case& c : cases) {
        const QString rec = TMavrolex::TextRecord(10, 20, c.text, QStringLiteral("F"), 9, QStringLiteral("B"),
                                                  QStringLiteral("赤"), c.background, c.alignment, c.width);
        const QStringList f = rec.split(QLatin1Char(';'));
        ASSERT_EQ(f.size(), 13) << c.name;
        EXPECT_EQ(f[0] + f[1] + f[2], QStringLiteral("TEXT1020")) << c.name;
        EXPECT_EQ(QStringList({f[3], QStringLiteral("…"), f[8], f[9]}).join(QLatin1Char(';')), c.expected)
            << c.name;
        EXPECT_EQ(f[4] + f[5] + f[6] + f[7], QStringLiteral("F9B赤")) << c.name;
        EXPECT_EQ(f[10] + f[11] + f[12], QStringLiteral("00")) << c.name;
    }
    const QString wide =
        TMavrolex::TextRecord(0, 0, QStringLiteral("ab"), {}, 9, {}, {}, {}, QStringLiteral("LEFT"), 126);
    EXPECT_EQ(cp932::byteLength(wide.split(QLatin1Char(';'))[3]), 126);
}

TEST_F(MavrolexClassTest, PropertiesKeepTheirRules) {
    TMavrolex r;
    r.setCopie(3);
    r.setCopie(0);
    r.setCopie(100);
    EXPECT_EQ(r.Copie(), 3);
    r.setZoom(4);
    r.setZoom(21);
    EXPECT_EQ(r.Zoom(), 10);
    r.setScale(49);
    EXPECT_EQ(r.Scale(), 100);
    r.setPrintQuality(-5);
    r.setPrintQuality(0);
    EXPECT_EQ(r.PrintQuality(), 0);
    r.setPrintQuality(-2);
    EXPECT_EQ(r.PrintQuality(), -2);
    r.setColorMode(2);
    r.setColorMode(3);
    EXPECT_EQ(r.ColorMode(), 0);
    r.setColorMode(-1);
    EXPECT_EQ(r.ColorMode(), 0);
    r.setDuplex(4);
    EXPECT_EQ(r.Duplex(), 0);
    r.setCollate(2);
    EXPECT_EQ(r.Collate(), 0);
    const std::pair<int, int> ratios[] = {{30, 1030}, {-50, 950},   {60, 1000},
                                          {980, 980}, {1051, 1000}, {50, 1050}};
    for (const auto& [in, out] : ratios) {
        r.setVRATIO(in);
        r.setHRATIO(in);
        EXPECT_EQ(r.VRATIO(), out) << in;
        EXPECT_EQ(r.HRATIO(), out) << in;
    }
    EXPECT_EQ(r.PageBangoAlignment(), TMavrolex::TAlignment::Right);
    r.setPageBangoAlignment(TMavrolex::TAlignment::Center);
    EXPECT_EQ(r.PageBangoAlignment(), TMavrolex::TAlignment::Center);
    EXPECT_EQ(r.PrinterNum(), 0); // the recording device's current printer
    EXPECT_EQ(r.OcrFontName(), QStringLiteral("ＭＳ ゴシック"));
    r.setOcrFontName(QStringLiteral("no such face"));
    EXPECT_EQ(r.OcrFontName(), QStringLiteral("ＭＳ ゴシック"));
    r.setOcrFontName(QStringLiteral("ipagothic"));
    EXPECT_EQ(r.OcrFontName(), QStringLiteral("ipagothic"));

    useDevice(std::make_unique<RecordingPrinterDevice>(QStringList()));
    EXPECT_EQ(TMavrolex().PrinterNum(), -1) << "no printer keeps -1";
}

TEST_F(MavrolexClassTest, PageNumberFormatIsTriedOut) {
    struct Case {
        QString format;
        bool keeps;
        int count;
    };
    const Case cases[] = {{QStringLiteral("(%d/%d)"), true, 2},  {QStringLiteral("- %d -"), true, 1},
                          {QStringLiteral("%D of %D"), true, 2}, {QStringLiteral("page"), false, 0},
                          {QStringLiteral("%d %s"), false, 1},   {QStringLiteral("%d/%d/%d"), false, 3},
                          {QStringLiteral("%3d/%d"), false, 1}};
    for (const Case& c : cases) {
        TMavrolex r;
        r.setPageBango(true);
        r.setPageBangoFormat(c.format);
        EXPECT_EQ(r.PageBangoFormat(), c.keeps ? c.format : QStringLiteral("(%d/%d)"))
            << qPrintable(c.format);
        EXPECT_EQ(r.PageBango(), c.keeps) << qPrintable(c.format);
        EXPECT_EQ(r.PageBangoFormatArgCount(), c.count) << qPrintable(c.format);
    }
}

TEST_F(MavrolexClassTest, HeaderIsWrittenOnceAndBlankPagesGetTheirBox) {
    TMavrolex r;
    r.setDataFile(folder() + QStringLiteral("/report.txt"));
    r.setBlankPage(1);
    r.BeginData(false);
    const QByteArray afterBegin = spoolBytes(r.DataFile());
    r.PutHeader();
    EXPECT_EQ(spoolBytes(r.DataFile()), afterBegin);
    // A character CP932 cannot hold prints as "?".
    r.PutText(1, 2, QStringLiteral("x😀"), {}, 10, {}, QStringLiteral("黒"), QStringLiteral("OFF"),
              QStringLiteral("LEFT"), 0);
    r.NewPage();
    r.PutBox(1, 2, 3, 4, 5, 6, QStringLiteral("赤"), QStringLiteral("青"), 7);
    r.PutLine(1, 2, 3, 4, 5, 1, QStringLiteral("255"), true);
    EXPECT_TRUE(r.EndData());
    EXPECT_EQ(r.PageNo(), 2);
    const QStringList lines = cp932::decode(spoolBytes(r.DataFile())).split(QStringLiteral("\r\n"));
    EXPECT_EQ(lines.mid(26), QStringList({QStringLiteral("TEXT;1;2;x?;;10;;黒;1;LEFT;0;0;"),
                                          QStringLiteral("BOX;100;100;101;101;0;0;黒;白;1;"),
                                          QStringLiteral("E;"), QStringLiteral("BOX;1;2;3;4;5;6;赤;青;7;"),
                                          QStringLiteral("ELINE;1;2;3;4;5;1;255;"), QString()}));
    EXPECT_EQ(lines[2], QStringLiteral("*PATH=") + folder());
    EXPECT_EQ(lines[4], QStringLiteral("*DATE=2026/12/08"));
    // A second report with the same component writes a complete new file.
    r.BeginData(false);
    r.EndData();
    EXPECT_EQ(cp932::decode(spoolBytes(r.DataFile())).count(QStringLiteral("\r\n")), 26);
}

TEST_F(MavrolexClassTest, PreviewAndPrintHandOverEveryPropertyAndCleanUp) {
    TPmvxDEF previewed, printed;
    MavrolexPreviewProc = [&](TPmvxDEF& rec) {
        previewed = rec;
        EXPECT_EQ(&rec, &EngineSettings);
        return 2;
    };
    MavrolexPrintRunProc = [&](TPmvxDEF& rec) {
        printed = rec;
        return -1;
    };
    TMavrolex r;
    r.setDataFile(folder() + QStringLiteral("/x.tmp"));
    r.setLeftMargin(100);
    r.setEvenLeftMargin(150);
    r.setPageBango(true);
    r.setPageBangoFormat(QStringLiteral("%d"));
    r.setCopie(3);
    r.setZoom(15);
    r.setGrayScale(true);
    r.setPermit(false);
    r.setPrevPaperButton(true);
    r.BeginData(true);
    const QString spool = r.DataFile();
    const QString chart = folder() + QStringLiteral("/CHART.WMF");
    testenv::writeFile(chart, "wmf");
    r.EndData();
    EXPECT_TRUE(r.Preview());
    EXPECT_EQ(r.PreviewCloseNum(), 2);
    EXPECT_EQ(previewed.DocTitle.text(), QStringLiteral("x"));
    EXPECT_EQ(previewed.DataFile.text(), spool);
    EXPECT_EQ(previewed.EvenLeftOffset, 50);
    EXPECT_EQ(previewed.Copies, 3);
    EXPECT_EQ(previewed.Zoom, 15);
    EXPECT_TRUE(previewed.GrayScale);
    EXPECT_FALSE(previewed.Permit);
    EXPECT_TRUE(previewed.PrevPaperButton);
    EXPECT_TRUE(previewed.PageBango.Switch);
    EXPECT_EQ(previewed.PageBango.Format, QStringLiteral("%d"));
    EXPECT_EQ(previewed.PageBango.FormatArgCount, 1);
    EXPECT_EQ(previewed.PageBango.FontName, QStringLiteral("ＭＳ 明朝"));
    EXPECT_EQ(previewed.BinNum, 7) << "EngineSettings keeps the fields the component does not fill";
    EXPECT_FALSE(QFileInfo::exists(spool));
    EXPECT_FALSE(QFileInfo::exists(chart));
    EXPECT_FALSE(r.PageBango());

    // The next report: no job name of its own, no title.
    r.setDataFile(folder() + QStringLiteral("/"));
    r.setEvenLeftMargin(0);
    r.BeginData(true);
    r.EndData();
    EXPECT_TRUE(r.Print());
    EXPECT_EQ(r.PreviewCloseNum(), 1);
    EXPECT_EQ(printed.DocTitle.text(), QStringLiteral("MAVROLEX-VCL.2.5"));
    EXPECT_EQ(printed.EvenLeftOffset, 0);
    EXPECT_FALSE(printed.PageBango.Switch);
    EXPECT_EQ(printed.BinNum, 0) << "the print record starts empty";
    EXPECT_TRUE(printed.DeviceName.isEmpty());
    EXPECT_EQ(printed.PrinterNum, 0);

    MavrolexPrintRunProc = [](TPmvxDEF&) { return 0; };
    r.BeginData(true);
    r.EndData();
    EXPECT_FALSE(r.Print());
    EXPECT_EQ(r.PreviewCloseNum(), 0);
}

TEST_F(MavrolexClassTest, WriteFailuresRaiseAndAreNeverHandedOver) {
    bool handedOver = false;
    MavrolexPreviewProc = [&](TPmvxDEF&) {
        handedOver = true;
        return 1;
    };
    TMavrolex r;
    EXPECT_THROW(r.PutText(0, 0, QStringLiteral("x"), {}, 9, {}, {}, {}, {}, 0), EMavrolexIOError);

    r.setDataFile(folder() + QStringLiteral("/missing/x.tmp"));
    EXPECT_THROW(r.BeginData(true), EMavrolexIOError);
    r.setDataFile(folder()); // a folder is never replaced
    EXPECT_THROW(r.BeginData(false), EMavrolexIOError);
    EXPECT_TRUE(QFileInfo(folder()).isDir());
    EXPECT_FALSE(r.EndData());
    EXPECT_FALSE(r.Preview());
    EXPECT_FALSE(handedOver);
    EXPECT_TRUE(QFileInfo(folder()).isDir());
    ASSERT_FALSE(errorLogLines().isEmpty());
    EXPECT_TRUE(errorLogLines().last().contains(QStringLiteral("Mavrolex.Preview:")));
}
