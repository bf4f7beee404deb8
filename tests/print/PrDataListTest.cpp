#include "PrintTestSupport.h"

#include "core/uAccRecord.h"
#include "datalist/uPrDataList.h"
#include "platform/Cp932.h"
#include "print/Mavrolex_Class.h"
#include "print/Mavrolex_EngineState.h"
#include "print/Mavrolex_PrintIng.h"
#include "print/QtPrinterDevice.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>

namespace {

QString run(const QString& tool, const QStringList& args) {
    QProcess p;
    p.start(tool, args);
    p.waitForFinished(20000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

TDataListRec dataRow(int rec, const QString& code, const QString& name, int nendo, const QString& folder) {
    TDataListRec r;
    r.REC = rec;
    r.DATACODE = code;
    r.DISPNAME = name;
    r.ENTTEXT = name;
    r.NENDO = nendo;
    r.KIKAN = QStringLiteral("R08/04/01～R09/03/31");
    r.PASNAME = folder;
    return r;
}

} // namespace

class PrDataListTest : public PrintEngineTest {
protected:
    void SetUp() override {
        PrintEngineTest::SetUp();
        saved = SystemDef;
        SystemDef.SystemFolder = env->path() + QStringLiteral("/system");
        SystemDef.DataRoot = QStringLiteral("/srv/Pellan/Data");
        QDir().mkpath(SystemDef.SystemFolder);
        MavrolexPrintRunProc = [this](TPmvxDEF& rec) {
            QFile f(QString(rec.DataFile));
            if (!f.open(QIODevice::ReadOnly))
                return 0;
            spool = cp932::decode(f.readAll()).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
            spoolName = QFileInfo(f).fileName();
            ++runs;
            return 1;
        };
    }
    void TearDown() override {
        SystemDef = saved;
        PrintEngineTest::TearDown();
    }

    // The list: a parent with two children, a free slot, a parent whose term is not set and a folder
    // outside the data root.
    void fillList(TPrDataList& p) {
        TDataSentakuRec a;
        static_cast<TDataListRec&>(a) = dataRow(3, QStringLiteral("C003"), QStringLiteral("クアルノ商事"), 12,
                                                QStringLiteral("/SRV/pellan/DATA/d003"));
        a.CHILDREN = {dataRow(0, QStringLiteral("C031"), QStringLiteral("支店Ａ"), 12,
                              QStringLiteral("/srv/Pellan/Data/d003/c1")),
                      dataRow(0, QStringLiteral("C032"), QStringLiteral("支店Ｂ"), 12,
                              QStringLiteral("/srv/Pellan/Data/d003/c2"))};
        TDataSentakuRec freeSlot;
        freeSlot.REC = 7;
        freeSlot.DISPNAME = QStringLiteral("未使用");
        freeSlot.PASNAME = QStringLiteral("/srv/Pellan/Data/d007");
        TDataSentakuRec noTerm;
        static_cast<TDataListRec&>(noTerm) =
            dataRow(9, QStringLiteral("C009"), QStringLiteral("期未設定"), 0, QStringLiteral("/other/d009"));
        p.List = {freeSlot, a, noTerm};
        p.Disp = {1, 0, 2};
    }

    QString text(int x, int y, const QString& t, int size, const QString& align) const {
        return TMavrolex::TextRecord(x, y, t, QStringLiteral("ＭＳ ゴシック"), size, QString(),
                                     QStringLiteral("黒"), QStringLiteral("OFF"), align, 0);
    }
    int count(const QString& prefix) const {
        int n = 0;
        for (const QString& l : spool)
            n += l.startsWith(prefix) ? 1 : 0;
        return n;
    }

    TSystemDef saved;
    QStringList spool;
    QString spoolName;
    int runs = 0;
};

TEST_F(PrDataListTest, LandscapeRowsChildrenFreeSlotAndFolders) {
    TPrDataList p;
    InitPrintRec(p.PrintRec);
    p.PrintRec.FontNo = 1;
    p.PrintRec.BodySize = 14;
    p.Orientation = 1;
    fillList(p);
    ASSERT_TRUE(p.PrintList(1));
    ASSERT_EQ(runs, 1);
    EXPECT_TRUE(spoolName.startsWith(QLatin1Char('~'))) << spoolName.toStdString();
    EXPECT_EQ(p.PrintRec.BodySize, 9);
    const QStringList expected = {
        text(1410, 150, QStringLiteral("データリスト"), 16, QStringLiteral("CENTER")),
        text(2820, 250, QStringLiteral("PAGE    1"), 9, QStringLiteral("RIGHT")),
        text(250, 325, QStringLiteral("コード"), 9, QStringLiteral("LEFT")),
        // the parent row, then its children without a number
        text(170, 405, QStringLiteral("  3"), 9, QStringLiteral("LEFT")),
        text(250, 405, QStringLiteral("C003"), 9, QStringLiteral("LEFT")),
        text(1250, 405, QStringLiteral("12 期"), 9, QStringLiteral("CENTER")),
        text(1550, 405, QStringLiteral("R08/04/01～R09/03/31"), 9, QStringLiteral("CENTER")),
        text(1800, 405, QStringLiteral("~/d003"), 9, QStringLiteral("LEFT")),
        text(250, 449, QStringLiteral("C031"), 9, QStringLiteral("LEFT")),
        text(1800, 449, QStringLiteral("~/d003/c1"), 9, QStringLiteral("LEFT")),
        text(1800, 493, QStringLiteral("~/d003/c2"), 9, QStringLiteral("LEFT")),
        // the free slot: number, name, empty left-aligned term and period, folder
        text(170, 537, QStringLiteral("  7"), 9, QStringLiteral("LEFT")),
        text(450, 537, QStringLiteral("未使用"), 9, QStringLiteral("LEFT")),
        text(1250, 537, QString(), 9, QStringLiteral("LEFT")),
        text(1550, 537, QString(), 9, QStringLiteral("LEFT")),
        // no term: empty centred texts; a folder outside the root stays
        text(1250, 581, QString(), 9, QStringLiteral("CENTER")),
        text(1800, 581, QStringLiteral("/other/d009"), 9, QStringLiteral("LEFT")),
    };
    for (const QString& line : expected)
        EXPECT_TRUE(spool.contains(line)) << line.toStdString();
    EXPECT_EQ(count(QStringLiteral("TEXT;170;449;")), 0); // children carry no number
    EXPECT_EQ(count(QStringLiteral("LINE;150;300;2820;300;4;0;0;")), 1);
    EXPECT_EQ(count(QStringLiteral("LINE;150;1945;2820;1945;4;0;0;")), 1);
    EXPECT_EQ(count(QStringLiteral("LINE;150;439;2820;439;0;2;0;")), 1);
    EXPECT_FALSE(spool.last().startsWith(QStringLiteral("E;")));
}

TEST_F(PrDataListTest, PagesBreakAfterRowsPerPage) {
    struct Case {
        int orientation, rows, perPage, bottom, right;
    };
    for (const Case c : {Case{0, 56, 55, 2820, 2000}, Case{1, 36, 35, 1945, 2820}}) {
        SCOPED_TRACE(c.orientation);
        TPrDataList p;
        InitPrintRec(p.PrintRec);
        p.PrintRec.FontNo = 1;
        p.Orientation = c.orientation;
        // the last parent's children run over the page
        for (int i = 0; i < c.rows - 2; ++i) {
            TDataSentakuRec r;
            static_cast<TDataListRec&>(r) =
                dataRow(i + 1, QString(), QStringLiteral("データ%1").arg(i + 1), 1, QStringLiteral("/d"));
            p.List.append(r);
            p.Disp.append(i);
        }
        p.List.last().CHILDREN = {dataRow(0, {}, QStringLiteral("子1"), 1, {}),
                                  dataRow(0, {}, QStringLiteral("子2"), 1, {})};
        spool.clear();
        ASSERT_TRUE(p.PrintList(1));
        const int lastY = 405 + 44 * (c.perPage - 1);
        EXPECT_EQ(count(QStringLiteral("E;")), 1);
        const int pageEnd = static_cast<int>(spool.indexOf(QStringLiteral("E;")));
        ASSERT_GT(pageEnd, 0);
        EXPECT_TRUE(spool.at(pageEnd + 2).contains(QStringLiteral("PAGE    2")))
            << spool.at(pageEnd + 2).toStdString();
        EXPECT_EQ(count(QStringLiteral("LINE;150;%1;").arg(lastY + 34)), 0); // none under a page's last row
        EXPECT_EQ(count(QStringLiteral("LINE;150;%1;").arg(lastY - 44 + 34)), 1);
        EXPECT_TRUE(spool.contains(
            text(c.right / 2, 150, QStringLiteral("データリスト"), 16, QStringLiteral("CENTER"))));
        // the second child opens page 2 at the first row's place
        EXPECT_TRUE(spool.mid(pageEnd).contains(
            text(c.orientation ? 450 : 250, 405, QStringLiteral("子2"), 9, QStringLiteral("LEFT"))));
        EXPECT_EQ(count(QStringLiteral("LINE;150;%1;").arg(c.bottom)), 2);
    }
}

TEST_F(PrDataListTest, SharedListNumbersInDisplayOrderAndPortraitHasNoCode) {
    TPrDataList p;
    InitPrintRec(p.PrintRec);
    p.PrintRec.FontNo = 1;
    p.ListKind = 1;
    fillList(p);
    ASSERT_TRUE(p.PrintList(1));
    EXPECT_TRUE(
        spool.contains(text(1000, 150, QStringLiteral("共有データリスト"), 16, QStringLiteral("CENTER"))));
    for (const auto& [y, n] : {std::pair{405, "  1"}, std::pair{537, "  2"}, std::pair{581, "  3"}})
        EXPECT_TRUE(spool.contains(text(170, y, QString::fromLatin1(n), 9, QStringLiteral("LEFT")))) << y;
    EXPECT_EQ(count(QStringLiteral("TEXT;250;405;C003")), 0);
    EXPECT_TRUE(spool.contains(text(250, 405, QStringLiteral("クアルノ商事"), 9, QStringLiteral("LEFT"))));
}

TEST_F(PrDataListTest, EmptyListWritesHeaderOnlyAndPreviewGoesToThePreview) {
    int previews = 0;
    QStringList previewed;
    MavrolexPreviewProc = [&](TPmvxDEF& rec) {
        QFile f(QString(rec.DataFile));
        if (f.open(QIODevice::ReadOnly))
            previewed = cp932::decode(f.readAll()).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
        ++previews;
        return 1;
    };
    TPrDataList p;
    InitPrintRec(p.PrintRec);
    EXPECT_TRUE(p.PrintList(0));
    EXPECT_EQ(previews, 1);
    EXPECT_EQ(runs, 0);
    ASSERT_FALSE(previewed.isEmpty());
    for (const QString& l : previewed)
        EXPECT_FALSE(l.startsWith(QStringLiteral("TEXT")) || l.startsWith(QStringLiteral("LINE")))
            << l.toStdString();
}

TEST_F(PrDataListTest, MonochromeTurnsNetColoursGrey) {
    SystemDef.NetColor1 = 0x0000FF;
    SystemDef.NetColor2 = 0xFFFFFF;
    TPrDataList p;
    InitPrintRec(p.PrintRec);
    p.Report().setOcrGreen(0x00FF00);
    p.PrintRec.ColorMode = 0;
    fillList(p);
    qint32 net1 = -1, net2 = -1, ocr = -1;
    MavrolexPrintRunProc = [&](TPmvxDEF&) {
        net1 = p.Report().NetColor1();
        net2 = p.Report().NetColor2();
        ocr = p.Report().OcrGreen();
        return 1;
    };
    ASSERT_TRUE(p.PrintList(1));
    EXPECT_EQ(net1, 0x555555);
    EXPECT_EQ(net2, 0xFFFFFF);
    EXPECT_EQ(ocr, 0);
}

TEST_F(PrDataListTest, LandscapeListPrintsToPdf) {
    if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
        GTEST_SKIP() << "poppler-utils not installed";
    ShutdownMavrolexEngine();
    QtPrinterDevice::Options options;
    options.systemPrinters = false;
    options.pdfFolder = env->path() + QStringLiteral("/pdf");
    options.pdfDpi = 150;
    auto d = std::make_unique<QtPrinterDevice>(options);
    QtPrinterDevice* pdf = d.get();
    InstallPrinterDevice(std::move(d));
    Engine();
    MavrolexPrintRunProc = [](TPmvxDEF& rec) { return StartPrintRun(rec); };

    for (int orientation : {1, 0}) {
        TPrDataList p;
        InitPrintRec(p.PrintRec);
        p.PrintRec.FontNo = 1;
        p.Report().setPrnDlg(false);
        p.Orientation = orientation;
        fillList(p);
        // one row more than a landscape page
        for (int i = 0; i < 31; ++i) {
            TDataSentakuRec r;
            static_cast<TDataListRec&>(r) =
                dataRow(20 + i, QStringLiteral("X%1").arg(20 + i), QStringLiteral("追加%1").arg(20 + i), 2,
                        QStringLiteral("/x"));
            p.List.append(r);
            p.Disp.append(static_cast<int>(p.List.size()) - 1);
        }
        ASSERT_TRUE(p.PrintList(1));
    }
    ASSERT_EQ(pdf->pdfFiles().size(), 2);
    const QString landscape = pdf->pdfFiles().at(0);
    EXPECT_TRUE(run(QStringLiteral("pdfinfo"), {landscape})
                    .contains(QRegularExpression(QStringLiteral("Pages:\\s+2\\n"))));
    EXPECT_TRUE(run(QStringLiteral("pdfinfo"), {pdf->pdfFiles().at(1)})
                    .contains(QRegularExpression(QStringLiteral("Pages:\\s+1\\n"))));
    const QString page1 =
        run(QStringLiteral("pdftotext"),
            {QStringLiteral("-f"), QStringLiteral("1"), QStringLiteral("-l"), QStringLiteral("1"),
             QStringLiteral("-layout"), landscape, QStringLiteral("-")});
    for (const char* s : {"コード", "C003", "クアルノ商事", "12 期", "R08/04/01", "R09/03/31", "~/d003",
                          "支店Ａ", "~/d003/c1", "未使用", "~/d007", "/other/d009"})
        EXPECT_TRUE(page1.contains(QString::fromUtf8(s))) << s << "\n" << page1.toStdString();
    EXPECT_TRUE(page1.contains(QRegularExpression(QStringLiteral("PAGE\\s+1\\n"))));
    const QString page2 =
        run(QStringLiteral("pdftotext"),
            {QStringLiteral("-f"), QStringLiteral("2"), QStringLiteral("-l"), QStringLiteral("2"),
             QStringLiteral("-layout"), landscape, QStringLiteral("-")});
    EXPECT_TRUE(page2.contains(QRegularExpression(QStringLiteral("PAGE\\s+2\\n")))) << page2.toStdString();
    EXPECT_TRUE(page2.contains(QStringLiteral("追加50"))) << page2.toStdString();
    const QString portrait = run(QStringLiteral("pdftotext"),
                                 {QStringLiteral("-layout"), pdf->pdfFiles().at(1), QStringLiteral("-")});
    EXPECT_TRUE(portrait.contains(QStringLiteral("クアルノ商事")));
    EXPECT_FALSE(portrait.contains(QStringLiteral("コード")));
    EXPECT_FALSE(portrait.contains(QStringLiteral("C003")));
}

// Every field is cut to its column in bytes, never halving a double-byte character, and control
// characters print as blanks, so that a long name or folder cannot run over the next column.
TEST_F(PrDataListTest, FieldsAreCutToTheirColumnsAndControlCharactersPrintAsBlanks) {
    const QString longName = u'a' + QString(30, QChar(0x4E00)); // 61 bytes; byte 44 halves a kanji
    const QString folder = QStringLiteral("/other/") + QString(70, u'f');
    struct Case {
        int orientation;
        int name, folder, code, period; // columns
        int folderBytes;
    };
    for (const Case c : {Case{0, 250, 1600, -1, 1350, 25}, Case{1, 450, 1800, 250, 1550, 63}}) {
        SCOPED_TRACE(c.orientation);
        TPrDataList p;
        InitPrintRec(p.PrintRec);
        p.PrintRec.FontNo = 1;
        p.Orientation = c.orientation;
        TDataSentakuRec a;
        static_cast<TDataListRec&>(a) = dataRow(1, QStringLiteral("C01234567890"), longName, 1, folder);
        a.KIKAN = QStringLiteral("2024/04/01 ～ 2025/03/31\t(延長)");
        TDataSentakuRec b;
        static_cast<TDataListRec&>(b) = dataRow(2, QStringLiteral("C\t2"), QStringLiteral("甲商事\t本店\r\n"),
                                                1, QStringLiteral("/d\t2"));
        p.List = {a, b};
        p.Disp = {0, 1};
        spool.clear();
        ASSERT_TRUE(p.PrintList(1));
        const QStringList expected = {
            text(c.name, 405, u'a' + QString(21, QChar(0x4E00)), 9, QStringLiteral("LEFT")),
            text(c.folder, 405, folder.left(c.folderBytes), 9, QStringLiteral("LEFT")),
            text(c.period, 405, QStringLiteral("2024/04/01 ～ 2025/03/31 ("), 9, QStringLiteral("CENTER")),
            text(c.name, 449, QStringLiteral("甲商事 本店  "), 9, QStringLiteral("LEFT")),
            text(c.folder, 449, QStringLiteral("/d 2"), 9, QStringLiteral("LEFT")),
        };
        for (const QString& line : expected)
            EXPECT_TRUE(spool.contains(line)) << line.toStdString();
        if (c.code > 0) {
            EXPECT_TRUE(
                spool.contains(text(c.code, 405, QStringLiteral("C0123456789"), 9, QStringLiteral("LEFT"))));
            EXPECT_TRUE(spool.contains(text(c.code, 449, QStringLiteral("C 2"), 9, QStringLiteral("LEFT"))));
        }
    }
}
