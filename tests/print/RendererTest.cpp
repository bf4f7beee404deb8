#include "PrintTestSupport.h"

#include "print/Mavrolex_EngineState.h"
#include "print/Mavrolex_Function.h"
#include "print/Mavrolex_ImageOut.h"
#include "print/Mavrolex_SpoolFormat.h"

#include <QFile>
#include <QImage>
#include <QPainter>
#include <functional>

namespace {

// One logical unit per 0.1 mm: positions of the file are pixels of the image.
constexpr double kScale = 1.0;
constexpr int kFontRes = 254;

QRect inkBox(const QImage& img, const std::function<bool(QRgb)>& match) {
    QRect box;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (match(img.pixel(x, y)))
                box |= QRect(x, y, 1, 1);
    return box;
}

bool notWhite(QRgb c) {
    return (c & 0xFFFFFF) != 0xFFFFFF;
}

} // namespace

class RendererTest : public PrintEngineTest {
protected:
    void SetUp() override {
        PrintEngineTest::SetUp();
        Engine().LeftMargin = Engine().TopMargin = Engine().EvenShift = 0;
        Engine().HRatio = Engine().VRatio = 0;
    }

    // Renders the file's pages one after the other onto one image; results collected.
    QImage render(const QStringList& lines, const QString& kind = kKindData, int pages = 1,
                  QList<bool>* results = nullptr, QSize size = QSize(800, 600)) {
        const QString path = writeSpool(QStringLiteral("page%1.txt").arg(++m_files), lines);
        QImage img(size, QImage::Format_RGB32);
        img.fill(Qt::white);
        QPainter p(&img);
        SpoolTextFile f;
        f.assign(path);
        EXPECT_TRUE(f.open());
        for (int i = 0; i < pages; ++i) {
            const bool r = RenderSpoolPage(kind, f, p, 0, 0, 0, false, 10, kScale, kScale, kFontRes);
            if (results)
                results->append(r);
        }
        return img;
    }

    int m_files = 0;
};

TEST_F(RendererTest, PageEndAndFileEndGiveTheResult) {
    QList<bool> results;
    const QImage img = render({QStringLiteral("E;")}, kKindData, 2, &results);
    EXPECT_EQ(results, (QList<bool>{false, true}));
    EXPECT_TRUE(inkBox(img, notWhite).isNull());
}

TEST_F(RendererTest, BackgroundFillsLieUnderEverythingAndInOrderFillsCover) {
    // A mode-1 fill listed after the line lies under it; a mode-0 fill covers the line drawn before it.
    const QImage img = render(
        {QStringLiteral("LINE;100;100;300;100;10;0;黒;"), QStringLiteral("FRECT;50;50;350;150;赤;1;"),
         QStringLiteral("LINE;100;300;300;300;10;0;黒;"), QStringLiteral("FRECT;50;250;350;350;青;0;")});
    EXPECT_EQ(img.pixelColor(200, 100), QColor(Qt::black));
    EXPECT_EQ(img.pixelColor(200, 130), QColor(Qt::red));
    EXPECT_EQ(img.pixelColor(200, 300), QColor(Qt::blue));
}

TEST_F(RendererTest, UnprintedFormShowsPaleExceptWhite) {
    EngineSettings.PrintFom = false;
    const QImage img =
        render({QStringLiteral("FRECT;0;0;400;400;黒;0;"), QStringLiteral("FRECT;100;100;200;200;白;0;")},
               kKindForm);
    EXPECT_EQ(img.pixelColor(50, 50), QColor(0xE6, 0xE6, 0xE6));
    EXPECT_EQ(img.pixelColor(150, 150), QColor(Qt::white));
    EngineSettings.PrintFom = true;
    EXPECT_EQ(render({QStringLiteral("FRECT;0;0;400;400;黒;0;")}, kKindForm).pixelColor(50, 50),
              QColor(Qt::black));
}

TEST_F(RendererTest, GreyScaleTurnsColoursGreyButKeepsBlackAndWhite) {
    EngineSettings.GrayScale = true;
    EXPECT_EQ(ColourByName(QStringLiteral("赤")), QColor(76, 76, 76));
    EXPECT_EQ(ColourByName(QStringLiteral("黒")), QColor(Qt::black));
    EXPECT_EQ(ColourByName(QStringLiteral("白")), QColor(Qt::white));
    const QImage img = render({QStringLiteral("TEXT;100;100;■■■■;;20;;赤;;;")});
    EXPECT_FALSE(inkBox(img, [](QRgb c) { return c == qRgb(76, 76, 76); }).isNull());
    EXPECT_TRUE(inkBox(img, [](QRgb c) { return qRed(c) != qGreen(c); }).isNull());
}

TEST_F(RendererTest, LeftMarginShiftsTheRestOfThePageOnly) {
    const auto left = [](const QImage& img) { return inkBox(img, notWhite).left(); };
    const QStringList page{QStringLiteral("LEFTMARGIN;0;"), QStringLiteral("LINE;100;100;100;300;10;0;黒;"),
                           QStringLiteral("E;")};
    EXPECT_NEAR(left(render(page)), 95, 1);
    QStringList shifted = page;
    shifted[0] = QStringLiteral("LEFTMARGIN;50;");
    EXPECT_NEAR(left(render(shifted)), 145, 1);
    EXPECT_EQ(Engine().LeftMargin, 0);
}

TEST_F(RendererTest, VariablesStepDownByTheLinePitchAndShowOnceWhenFirstOnly) {
    const QString form =
        writeSpool(QStringLiteral("vars.mvf"), {QStringLiteral("&;0;0;行間;;0;;;;;50;0;0;"),
                                                QStringLiteral("&;100;100;NAME;;12;;黒;OFF;LEFT;0;0;0;"),
                                                QStringLiteral("&;400;100;ONCE;;12;;黒;OFF;LEFT;0;1;0;")});
    LoadFormVariables(form, 0, 0);
    QStringList lines;
    for (int i = 0; i < 5; ++i)
        lines << QStringLiteral("@;name;■;0;;0;") << QStringLiteral("@;once;■;0;;0;");
    const QImage img = render(lines);
    const QRect names = inkBox(img.copy(0, 0, 300, 600), notWhite);
    EXPECT_NEAR(names.top(), 100, 6);
    EXPECT_NEAR(inkBox(img.copy(0, 290, 300, 310), notWhite).top() + 290, 300, 6); // the fifth, 20 mm below
    const QRect once = inkBox(img.copy(300, 0, 500, 600), notWhite);
    EXPECT_LT(once.height(), 60);
    EXPECT_EQ(Engine().Slots[0].Fields[2].UseCount, 5);
}

TEST_F(RendererTest, SpreadTextEndsAtTheWidth) {
    const QImage img = render({QStringLiteral("UTEXT;100;100;ABC;;20;;黒;;;300;")});
    const QRect box = inkBox(img, notWhite);
    EXPECT_NEAR(box.left(), 100, 6);
    EXPECT_NEAR(box.right(), 400, 8);
}

TEST_F(RendererTest, VerticalLongVowelMarksDrawVerticalBars) {
    const QImage img = render({QStringLiteral("VTEXT;100;100;ーー;;20;;黒;;;400;")});
    const QRect box = inkBox(img, notWhite);
    ASSERT_FALSE(box.isNull());
    EXPECT_GT(box.height(), 3 * box.width());
    EXPECT_GT(box.height(), 300);
}

TEST_F(RendererTest, DoubleUnderlineAddsASecondLineUnderTheFirst) {
    const auto lowest = [](const QImage& img) {
        return inkBox(img.copy(100, 0, 40, 600), notWhite).bottom();
    };
    const int single = lowest(render({QStringLiteral("TEXT;100;100;abc;;20;U;黒;;;")}));
    const int twice = lowest(render({QStringLiteral("TEXT;100;100;abc;;20;DU;黒;;;")}));
    EXPECT_NEAR(twice - single, 4, 1); // 0.4 mm
}

TEST_F(RendererTest, TextOfSizeZeroKeepsThePreviousHeight) {
    const QImage big =
        render({QStringLiteral("TEXT;100;100;■;;30;;黒;;;"), QStringLiteral("TEXT;400;100;■;;0;;黒;;;")});
    const QRect first = inkBox(big.copy(0, 0, 300, 600), notWhite);
    const QRect second = inkBox(big.copy(300, 0, 500, 600), notWhite);
    EXPECT_NEAR(first.height(), second.height(), 1);
    EXPECT_GT(first.height(), 60);
}

TEST_F(RendererTest, ContinuedTextFollowsThePreviousOne) {
    const QImage img =
        render({QStringLiteral("TEXT;100;100;■■;;20;;黒;;;"), QStringLiteral("TEXT;0;0;■■;;20;;赤;;;")});
    const QRect black = inkBox(img, [](QRgb c) { return qRed(c) < 80 && qBlue(c) < 80; });
    const QRect red = inkBox(img, [](QRgb c) { return qRed(c) > 200 && qGreen(c) < 80; });
    EXPECT_GT(red.left(), black.right());
    EXPECT_LT(red.left(), black.right() + 25); // the two glyphs' side bearings
    EXPECT_NEAR(red.top(), black.top(), 2);
}

TEST_F(RendererTest, PageNumberIsAddedAndLeftOffPagesOfOneLine) {
    EngineSettings.PageBango = TPAGEBANGO{true, 100, 50, 0, QString(), 20, QStringLiteral("P%d"), 1};
    Engine().PageNumbers = {QStringLiteral("7"), QStringLiteral("8")};
    Engine().PageIndex = 1;
    // A page whose only record is a line carries no number; a TEXT holding "LINE" is content.
    const QImage lineOnly = render({QStringLiteral("LINE;400;400;500;400;5;0;黒;")});
    EXPECT_TRUE(inkBox(lineOnly.copy(0, 0, 800, 200), notWhite).isNull());
    const QImage text = render({QStringLiteral("TEXT;400;400;LINE;;10;;黒;;;")});
    EXPECT_FALSE(inkBox(text.copy(0, 0, 800, 200), notWhite).isNull());
    Engine().PageNumbers = {QStringLiteral("0")};
    EXPECT_TRUE(inkBox(render({QStringLiteral("TEXT;400;400;abc;;10;;黒;;;")}).copy(0, 0, 800, 200), notWhite)
                    .isNull());
}

TEST_F(RendererTest, MessageIsTakenOnThePrinterOnly) {
    render({QStringLiteral("MESSAGE;用紙を替えてください;")});
    EXPECT_TRUE(Engine().MessageText.isEmpty());
    device->beginDoc(QStringLiteral("t"));
    const QString path =
        writeSpool(QStringLiteral("msg.txt"), {QStringLiteral("MESSAGE;用紙を替えてください;")});
    SpoolTextFile f;
    f.assign(path);
    ASSERT_TRUE(f.open());
    RenderSpoolPage(kKindData, f, *device->canvas(), 0, 0, 0, false, 10, 0.2, 0.2, 60);
    EXPECT_EQ(Engine().MessageText, QStringLiteral("用紙を替えてください"));
    device->endDoc();
}

TEST_F(RendererTest, SelfReferringFormStopsAtTheDepthLimit) {
    const QString a = env->path() + QStringLiteral("/spool/a.mvf");
    const QString b = env->path() + QStringLiteral("/spool/b.mvf");
    writeSpool(QStringLiteral("a.mvf"),
               {QStringLiteral("LINE;10;10;20;10;1;0;黒;"), QStringLiteral("FORM;%1;FALSE;10;10;").arg(b)});
    writeSpool(QStringLiteral("b.mvf"), {QStringLiteral("FORM;%1;FALSE;10;10;").arg(a)});
    const QImage img = render({QStringLiteral("FORM;%1;FALSE;0;0;").arg(a)});
    EXPECT_FALSE(inkBox(img, notWhite).isNull());
    const QStringList log = errorLogLines();
    ASSERT_EQ(log.size(), 1);
    EXPECT_TRUE(log.first().contains(QStringLiteral("ImageOut.FORM:")));
}

TEST_F(RendererTest, SubFormIsLeftOutOnThePrinterWhenTheFormIsNotPrinted) {
    const QString sub = writeSpool(QStringLiteral("sub.mvf"), {QStringLiteral("FRECT;0;0;2000;2000;黒;0;")});
    EngineSettings.PrintFom = false;
    device->beginDoc(QStringLiteral("t"));
    const QString path =
        writeSpool(QStringLiteral("form.txt"), {QStringLiteral("FORM;%1;FALSE;0;0;").arg(sub)});
    SpoolTextFile f;
    f.assign(path);
    ASSERT_TRUE(f.open());
    RenderSpoolPage(kKindData, f, *device->canvas(), 0, 0, 0, false, 10, 0.2, 0.2, 60);
    device->endDoc();
    EXPECT_TRUE(inkBox(device->documents().back().pages.front(), notWhite).isNull());
    // In the preview the sub-form shows, pale.
    const QImage preview = render({QStringLiteral("FORM;%1;FALSE;0;0;").arg(sub)});
    EXPECT_EQ(preview.pixelColor(50, 50), QColor(0xE6, 0xE6, 0xE6));
}

TEST_F(RendererTest, UnreadablePictureIsLoggedAndSkipped) {
    const QString bmp = writeSpool(QStringLiteral("broken.bmp"), {QStringLiteral("not a bitmap")});
    const QImage img = render(
        {QStringLiteral("IMAGE;0;0;100;100;%1;1;").arg(bmp), QStringLiteral("LINE;0;300;100;300;5;0;黒;")});
    EXPECT_FALSE(inkBox(img, notWhite).isNull());
    const QStringList log = errorLogLines();
    ASSERT_EQ(log.size(), 1);
    EXPECT_TRUE(
        log.first().endsWith(QStringLiteral("broken.bmp ビットマップイメージの取得ができない　GETDIB()")));
}

TEST_F(RendererTest, AndTransferDarkensButWhiteLeavesThePage) {
    const QImage img = render(
        {QStringLiteral("FRECT;0;0;400;400;赤;0;"), QStringLiteral("FRECT;100;100;300;300;白;2;"),
         QStringLiteral("FRECT;500;100;700;300;青;2;"), QStringLiteral("FRECT;200;100;300;300;青;2;")});
    EXPECT_EQ(img.pixelColor(150, 150), QColor(Qt::red));   // red AND white
    EXPECT_EQ(img.pixelColor(250, 150), QColor(Qt::black)); // red AND blue
    EXPECT_EQ(img.pixelColor(600, 150), QColor(Qt::blue));  // white paper AND blue
}

TEST(RendererRounding, HalvesGoToEvenAndMulDivRoundsAwayFromZero) {
    EXPECT_EQ(RoundEven(2.5), 2);
    EXPECT_EQ(RoundEven(3.5), 4);
    EXPECT_EQ(RoundEven(-2.5), -2);
    EXPECT_EQ(MulDiv(10, 600, 72), 83);
    EXPECT_EQ(MulDiv(1, 3, 2), 2);
    EXPECT_EQ(MulDiv(-1, 3, 2), -2);
    EXPECT_EQ(MulDiv(1, 1, 0), -1);
}
TEST_F(RendererTest, TextAfterABoxKeepsItsOwnBackground) {
    // A box leaves the canvas with an opaque background; the text drawn after it shows its own background
    // (none, or its colour) and never the canvas's white, also inside a sub-form.
    EngineSettings.PrintFom = true;
    const QStringList page{QStringLiteral("BOX;0;0;700;400;4;0;黒;赤;0;"),
                           QStringLiteral("TEXT;100;100;■■■■;;20;;青;OFF;LEFT;0;0;"),
                           QStringLiteral("TEXT;100;250;■■■■;;20;;青;黄;LEFT;0;0;")};
    const QString sub = writeSpool(QStringLiteral("sub.mvf"), page);
    for (const QImage& img : {render(page), render({QStringLiteral("FORM;%1;FALSE;0;0;").arg(sub)})}) {
        const QRect text = inkBox(img.copy(0, 0, 700, 200), [](QRgb c) { return qBlue(c) > 200; });
        ASSERT_FALSE(text.isNull());
        const QRect yellow = inkBox(img, [](QRgb c) { return c == qRgb(255, 255, 0); });
        EXPECT_FALSE(yellow.isNull());
        EXPECT_TRUE(
            inkBox(img.copy(20, 20, 660, 360), [](QRgb c) { return c == qRgb(255, 255, 255); }).isNull());
    }
}

// Separator lines run left from x, one "000" width apart. A forged count of two thousand million draws
// what can fall on the page, at once, and no line outside it.
TEST_F(RendererTest, SeparatorLinesStopAtTheEdgeOfThePageWhateverTheCount) {
    const auto inkColumns = [](const QImage& img, int y) {
        QList<int> xs;
        for (int x = 0; x < img.width(); ++x)
            if (notWhite(img.pixel(x, y)))
                xs << x;
        return xs;
    };
    const QList<int> three = inkColumns(render({QStringLiteral("SLINE;700;100;300;3;1;0;黒;;0;")}), 200);
    ASSERT_EQ(three.size(), 3) << three.size();
    const int unit = three[2] - three[1];
    ASSERT_GT(unit, 0);
    EXPECT_EQ(three[1] - three[0], unit);
    EXPECT_EQ(three[2], 700 - unit - 1);

    const struct {
        const char* line;
        int first, last; // the ink expected between these columns, -1: none
    } cases[] = {
        {"SLINE;700;100;300;2000000000;1;0;黒;;0;", (700 - 1) % unit, 700 - unit - 1},
        {"SLINE;100000;100;300;2000000000;1;0;黒;;0;", 0, 799},
        {"SLINE;-5;100;300;2000000000;1;0;黒;;0;", -1, -1},
        {"SLINE;700;100;300;-2000000000;1;0;黒;;0;", -1, -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        const QList<int> xs = inkColumns(render({QString::fromUtf8(c.line)}), 200);
        if (c.first < 0) {
            EXPECT_TRUE(xs.isEmpty());
            continue;
        }
        ASSERT_FALSE(xs.isEmpty());
        EXPECT_LT(xs.first(), c.first + unit);
        EXPECT_GE(xs.first(), 0);
        EXPECT_LE(xs.last(), c.last);
        EXPECT_GT(xs.last(), c.last - unit);
        for (int i = 1; i < xs.size(); ++i)
            EXPECT_EQ(xs[i] - xs[i - 1], unit) << i;
    }
}
