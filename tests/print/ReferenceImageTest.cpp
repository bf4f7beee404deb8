// A spool with every record kind over a two-page form, rendered page by page at 100 dpi and compared with
// reference images kept in tests/print/data. Run with QV_UPDATE_REFERENCE_IMAGES=1 to write the references
// again (and look at them before committing them).

#include "PrintTestSupport.h"

#include "print/Mavrolex_EngineState.h"
#include "print/Mavrolex_ImageOut.h"
#include "print/Mavrolex_SpoolFormat.h"

#include <QDir>
#include <QImage>
#include <QPainter>

namespace {

constexpr int kDpi = 100;
const QSize kA4(827, 1169); // 210 x 297 mm at 100 dpi

QString referencePath(int page) {
    return testenv::sourceDir() + QStringLiteral("/tests/print/data/allkinds_page%1.png").arg(page);
}

// Pixels whose channels differ by more than a grey step of anti-aliasing.
struct Difference {
    qint64 pixels = 0;
    QImage map;
};

Difference compare(const QImage& a, const QImage& b) {
    Difference d;
    d.map = QImage(a.size(), QImage::Format_RGB32);
    d.map.fill(Qt::white);
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            const int diff = std::max({std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)),
                                       std::abs(qBlue(p) - qBlue(q))});
            if (diff > 48) {
                ++d.pixels;
                d.map.setPixel(x, y, qRgb(255, 0, 0));
            }
        }
    return d;
}

} // namespace

class ReferenceImageTest : public PrintEngineTest {
protected:
    void SetUp() override {
        PrintEngineTest::SetUp();
        EngineSettings.PrintFom = true;
        EngineSettings.NetColor1 = 0xC0E0FF; // BBGGRR
        EngineSettings.NetColor2 = 0x808080;
        EngineSettings.UserColor1 = 0x008000;
        EngineSettings.UserColor2 = 0x800080;
        EngineSettings.PageBango = TPAGEBANGO{
            true, 1900, 2780, 2, QStringLiteral("ＭＳ ゴシック"), 9, QStringLiteral("- %d / %d -"), 2};
        writePictures();
    }

    void writePictures() {
        QImage picture(120, 80, QImage::Format_RGB32);
        picture.fill(Qt::white);
        QPainter p(&picture);
        p.fillRect(0, 0, 60, 40, QColor(0, 160, 0));
        p.fillRect(60, 40, 60, 40, QColor(0, 0, 200));
        p.setPen(QPen(Qt::black, 4));
        p.drawLine(0, 79, 119, 0);
        p.end();
        bmp = env->path() + QStringLiteral("/spool/picture.bmp");
        jpg = env->path() + QStringLiteral("/spool/picture.jpg");
        QDir().mkpath(env->path() + QStringLiteral("/spool"));
        ASSERT_TRUE(picture.save(bmp, "BMP"));
        ASSERT_TRUE(picture.save(jpg, "JPG", 100));
    }

    // Form page 1: frame, captions and variables with a line pitch; page 2: another frame and variables.
    QString writeForm() {
        return writeSpool(
            QStringLiteral("allkinds.mvf"),
            {QStringLiteral("* form of the reference spool"),
             QStringLiteral("BOX;50;50;2050;2900;6;0;黒;白;1;"),
             QStringLiteral("TEXT;1050;80;参照帳票　一枚目;ＭＳ ゴシック;16;B;濃紺;OFF;CENTER;0;0;"),
             QStringLiteral("LINE;50;200;2050;200;3;0;濃紺;"),
             QStringLiteral("BOX;1390;2220;2000;2560;2;0;灰;薄網掛;0;"),
             QStringLiteral("TEXT;1400;2230;明細;;10;;灰;OFF;LEFT;0;0;"),
             QStringLiteral("&;0;0;行間;;0;;;;;60;0;0;"),
             QStringLiteral("&;1420;2290;DETAIL;ＭＳ ゴシック;10;;黒;OFF;LEFT;0;0;0;"),
             QStringLiteral("&;1980;2290;AMOUNT;ＭＳ 明朝;10;;赤;OFF;RIGHT;0;0;0;"),
             QStringLiteral("&;1420;2600;ONCE;ＭＳ 明朝;12;B;緑;OFF;LEFT;0;1;0;"),
             QStringLiteral("&;1420;2700;SPREAD;ＭＳ 明朝;12;;黒;OFF;LEFT;500;0;0;"),
             QStringLiteral("$;1980;2500;TOTAL;;10;;黒;OFF;RIGHT;0;0;0;"), QStringLiteral("E;"),
             QStringLiteral("BOX;50;50;2050;2900;6;1;栗;白;1;"),
             QStringLiteral("TEXT;1050;80;参照帳票　二枚目;ＭＳ ゴシック;16;B;栗;OFF;CENTER;0;0;"),
             QStringLiteral("RRECT;100;2300;2000;2850;80;80;3;0;栗;空;4;"),
             QStringLiteral("&;1;0;0;;0;;;;;0;0;0;"),
             QStringLiteral("&;150;2350;NOTE;ＭＳ ゴシック;11;I;栗;OFF;LEFT;0;0;1;")});
    }

    QString writeSubForm() {
        return writeSpool(QStringLiteral("sub.mvf"),
                          {QStringLiteral("BOX;0;0;600;300;4;0;紫;UCOLOR2;7;"),
                           QStringLiteral("TEXT;300;110;副帳票;ＭＳ 明朝;12;B;白;紫;CENTER;0;0;")});
    }

    QString writeData(const QString& sub) {
        QStringList lines = SpoolHeaderLines(SpoolHeader());
        lines << QStringLiteral("* page 1: texts");
        lines << QStringLiteral("TEXT;100;260;左寄せの文字 Left;ＭＳ 明朝;12;;黒;OFF;LEFT;0;0;")
              << QStringLiteral("TEXT;1050;260;中央;ＭＳ ゴシック;12;B;青;OFF;CENTER;0;0;")
              << QStringLiteral("TEXT;2000;260;右寄せ;ＭＳ 明朝;12;I;赤;OFF;RIGHT;0;0;")
              << QStringLiteral("TEXT;100;340;背景 ON;;11;;黒;ON;LEFT;0;0;")
              << QStringLiteral("TEXT;0;0;続き;;11;U;緑;黄;LEFT;0;0;")
              << QStringLiteral("TEXT;700;340;二重下線;;11;DU;濃紺;OFF;LEFT;0;0;")
              << QStringLiteral("text;1100;340;取消線;;11;S;紫;;;0;0")
              << QStringLiteral("NTEXT;1500;340;\"引用符\"なし;;11;BI;暗青緑;OFF;LEFT;0;0;")
              << QStringLiteral("TEXT;100;440;中心;;14;;黒;OFF;LEFT;0;1;")
              << QStringLiteral("LINE;80;440;120;440;1;0;赤;")
              << QStringLiteral("TEXT;400;420;一行目\t二行目\t三行目;;10;;UCOLOR1;OFF;LEFT;0;0;")
              << QStringLiteral("UTEXT;800;420;ABCDE;;12;;黒;OFF;LEFT;500;0;")
              << QStringLiteral("UTEXT;800;500;均等割付;;12;;12;OFF;LEFT;500;0;")
              << QStringLiteral("VTEXT;1450;420;タテー書き;;12;;灰;OFF;LEFT;400;0;")
              << QStringLiteral("TEXT;1600;420;255番;;12;;255;OFF;LEFT;0;0;")
              << QStringLiteral("TEXT;1600;500;OCR;OCR-B;12;;OCRBLUE;OFF;LEFT;0;0;")
              << QStringLiteral("TEXT;1600;580;大きさ不明;;abc;;黒;OFF;LEFT;0;0;");
        lines << QStringLiteral("* lines, boxes and fills");
        lines << QStringLiteral("LINE;100;900;600;900;1;0;黒;")
              << QStringLiteral("LINE;100;940;600;940;6;1;赤;")
              << QStringLiteral("LINE;100;980;600;980;6;2;青;")
              << QStringLiteral("LINE;100;1020;600;1020;3;3;緑;")
              << QStringLiteral("LINE;100;1060;600;1060;3;4;紫;")
              << QStringLiteral("ELINE;100;1100;600;1150;50;0;栗;")
              << QStringLiteral("BOX;700;900;1000;1150;4;0;黒;銀;0;")
              << QStringLiteral("BOX;1050;900;1350;1150;2;1;青;青;2;")
              << QStringLiteral("BOX;1400;900;1700;1150;2;0;赤;赤;6;")
              << QStringLiteral("RRECT;1750;900;2000;1150;60;60;3;0;緑;黄緑;5;")
              << QStringLiteral("CIRCLE;100;1200;400;1450;3;0;赤紫;黄;0;")
              << QStringLiteral("CIRCLE;450;1200;700;1450;2;2;青;空;3;")
              << QStringLiteral("FRECT;750;1200;1050;1450;濃網掛;0;")
              << QStringLiteral("FRECT;1100;1200;1400;1450;空;0;")
              << QStringLiteral("FRECT;1250;1250;1550;1400;黄;2;")
              << QStringLiteral("SLINE;1950;1200;1450;3;2;0;灰;ＭＳ 明朝;12;")
              << QStringLiteral("TEXT;1950;1260;1234567;ＭＳ 明朝;12;;黒;OFF;RIGHT;0;0;")
              << QStringLiteral("MARUMOJI;150;1600;100;済;;12;B;赤;")
              << QStringLiteral("MARUMOJI;300;1600;100;A;;12;;青;")
              << QStringLiteral("MEMO;450;1520;1000;1700;文章を枠の幅で折り返して、枠に入る行だけを書きます。"
                                "入らない行は書きません。;2;;10;;濃紺;")
              << QStringLiteral("MEMO;1100;1520;1500;1700;枠なし\r\n改行;-1;ＭＳ ゴシック;10;;黒;");
        lines << QStringLiteral("* pictures, sub-form and what draws nothing in a preview");
        lines << QStringLiteral("IMAGE;100;1800;400;2000;%1;0;").arg(bmp)
              << QStringLiteral("FRECT;450;1800;750;2000;赤;0;")
              << QStringLiteral("IMAGE;450;1800;750;2000;%1;1;").arg(jpg)
              << QStringLiteral("IMAGE;800;1800;900;2000;%1/missing.bmp;0;").arg(env->path())
              << QStringLiteral("CHART;chart.wmf;800;1800;1000;2000;0;")
              << QStringLiteral("FORM;%1;FALSE;1100;1800;").arg(sub)
              << QStringLiteral("MESSAGE;用紙を替えてください;") << QStringLiteral("ZZZ;知らない種類;")
              << QStringLiteral("FRECT;1800;1800;2000;2000;薄網掛;1;")
              << QStringLiteral("TEXT;1810;1880;下地;;10;;黒;OFF;LEFT;0;0;");
        lines << QStringLiteral("* variables of form page 1, a moved origin and a relative line");
        for (int i = 1; i <= 4; ++i)
            lines << QStringLiteral("@;DETAIL;明細行%1;0;;0;").arg(i)
                  << QStringLiteral("@;amount;%1,000;0;;0;").arg(i * 125)
                  << QStringLiteral("@;ONCE;一回だけ;0;;0;");
        lines << QStringLiteral("@;SPREAD;ABCD;14;B;0;") << QStringLiteral("@;UNKNOWN;出ない;0;;0;")
              << QStringLiteral("LEFTMARGIN;100;") << QStringLiteral("TOPMARGIN;0;")
              << QStringLiteral("TEXT;500;2650;左余白10mm;;10;;黒;OFF;LEFT;0;0;")
              << QStringLiteral("BP;100;2250;4;0;赤;") << QStringLiteral("LINEB;300;0;")
              << QStringLiteral("LINEB;300;200;")
              << QStringLiteral("TEXT;20;20;原点移動;;10;;赤;OFF;LEFT;0;0;");
        lines << QStringLiteral("E;");
        lines << QStringLiteral("ORIENTATION;0;") << QStringLiteral("* page 2 over form page 2")
              << QStringLiteral("TOPMARGIN;100;")
              << QStringLiteral("TEXT;1050;300;二頁目は上余白10mm;ＭＳ ゴシック;14;BU;黒;ON;CENTER;0;0;")
              << QStringLiteral("@;NOTE;備考\t二行目;0;;-50;")
              // A background fill is drawn before the margin record of its page takes effect.
              << QStringLiteral("FRECT;200;600;1900;1800;$E0FFFF;1;")
              << QStringLiteral("BOX;200;600;1900;1800;10;1;濃緑;白;1;")
              << QStringLiteral("TEXT;1050;1100;ＵＣＯＬＯＲ２;;24;B;ucolor2;OFF;CENTER;0;0;");
        return writeSpool(QStringLiteral("allkinds.spool"), lines);
    }

    QImage renderPage(SpoolTextFile& form, SpoolTextFile& data, int page) {
        QImage img(kA4, QImage::Format_RGB32);
        img.fill(Qt::white);
        QPainter p(&img);
        p.setRenderHint(QPainter::Antialiasing, false);
        const double s = kDpi / 254.0;
        Engine().LeftMargin = 0;
        Engine().TopMargin = 0;
        Engine().EvenShift = 0;
        Engine().PageIndex = page;
        RenderSpoolPage(kKindForm, form, p, 0, 0, 0, page % 2 == 0, 10, s, s, kDpi);
        RenderSpoolPage(kKindData, data, p, 0, 0, FormSlotOfPage(page), page % 2 == 0, 10, s, s, kDpi);
        return img;
    }

    QString bmp, jpg;
};

TEST_F(ReferenceImageTest, EveryRecordKindOverATwoPageFormMatchesTheReferenceImages) {
    const QString formPath = writeForm();
    const QString dataPath = writeData(writeSubForm());
    Engine().HRatio = Engine().VRatio = 0;
    LoadFormVariables(formPath, 0, 0);
    ASSERT_EQ(CountSpoolPages(dataPath, true), 2);
    SpoolTextFile form, data;
    form.assign(formPath);
    data.assign(dataPath);
    ASSERT_TRUE(form.open());
    ASSERT_TRUE(data.open());

    const bool update = qEnvironmentVariableIntValue("QV_UPDATE_REFERENCE_IMAGES") == 1;
    const QString out = QStringLiteral(QV_BUILD_DIR "/test-output/print");
    QDir().mkpath(out);
    for (int page = 1; page <= 2; ++page) {
        SCOPED_TRACE(page);
        const QImage actual = renderPage(form, data, page);
        if (update) {
            ASSERT_TRUE(actual.save(referencePath(page)));
            continue;
        }
        const QImage reference = QImage(referencePath(page)).convertToFormat(QImage::Format_RGB32);
        ASSERT_EQ(reference.size(), actual.size()) << referencePath(page).toStdString();
        const Difference d = compare(actual, reference);
        // Another font rasteriser may move a few edge pixels; a record drawn elsewhere, in another colour or
        // not at all changes more than that (the smallest text here, "OCR", has about 150 pixels of ink).
        const qint64 allowed = 120;
        if (d.pixels > allowed) {
            actual.save(out + QStringLiteral("/allkinds_page%1.png").arg(page));
            d.map.save(out + QStringLiteral("/allkinds_page%1_diff.png").arg(page));
        }
        EXPECT_LE(d.pixels, allowed) << "see " << out.toStdString();
    }
    // The missing picture draws nothing and logs nothing; a chart draws nothing.
    EXPECT_TRUE(errorLogLines().isEmpty()) << errorLogLines().join(QLatin1Char('\n')).toStdString();
}
