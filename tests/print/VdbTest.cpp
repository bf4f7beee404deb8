// The printer device settings object against a fake paper list and against the PDF printer.
#include "PrintTestSupport.h"

#include "print/Mavrolex_Vdb.h"
#include "print/QtPrinterDevice.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

QList<PaperInfo> fakePapers() {
    return {{9, QStringLiteral("A4"), 2100, 2970},
            {70, QStringLiteral("a4"), 1050, 1480},
            {300, QStringLiteral("Near A4"), 2105, 2961},
            {301, QStringLiteral("Off A4"), 2110, 2970},
            {13, QStringLiteral("B5 (JIS)"), 1820, 2570}};
}

} // namespace

class VdbTest : public PrintEngineTest {};

TEST_F(VdbTest, PaperNumbersByNameThenSizeThenDefault) {
    RecordingPrinterDevice fake({QStringLiteral("P")}, fakePapers());
    TVDBPrint vdb(fake);
    const struct {
        const char* name;
        int length, width, result;
    } cases[] = {
        {"A4", 0, 0, 9}, // the name wins whatever the size
        {"A4", 2570, 1820, 9},
        {"a4", 0, 0, 70},           // case counts
        {"Letter", 2570, 1820, 13}, // no name matches: the size decides
        {"", 2970, 2100, 9},
        {"", 2961, 2105, 9}, // the first paper within 1 mm
        {"", 2970, 2110, 300},
        {"", 2975, 2118, 301},
        {"", 2980, 2100, -5}, // 1 mm off is no match
        {"", 0, 2100, -5},    // no length: sizes are not looked at
        {"", 2970, 0, -5},
    };
    for (const auto& c : cases)
        EXPECT_EQ(vdb.GetPaperNumber(QLatin1String(c.name), c.length, c.width, -5), c.result)
            << c.name << " " << c.length << "x" << c.width;
    // Near A4 is only found when A4 itself is not listed first.
    RecordingPrinterDevice near({QStringLiteral("P")}, fakePapers().mid(2));
    TVDBPrint nearVdb(near);
    EXPECT_EQ(nearVdb.GetPaperNumber(QString(), 2970, 2100, -5), 300);
}

TEST_F(VdbTest, DeviceSettingsRoundTrip) {
    RecordingPrinterDevice fake(
        {QStringLiteral("One"), QStringLiteral("Printer with a long name of forty chars")});
    TVDBPrint vdb(fake);
    EXPECT_EQ(fake.devMode().ttOption, 1);
    fake.setPrinterIndex(1);
    fake.setOrientation(2);
    TPmvxDEF rec{};
    vdb.SetUserPaperSize(2970, 2100);
    vdb.GetDevMode(rec);
    EXPECT_EQ(rec.Orientation, 1);
    EXPECT_EQ(rec.PrinterNum, 1);
    EXPECT_EQ(rec.DeviceName.text(), QStringLiteral("Printer with a long name of fort"));
    EXPECT_EQ(rec.PaperLength, 2970);
    EXPECT_EQ(rec.PaperWidth, 2100);
    EXPECT_EQ(rec.BinNum, 7);
    EXPECT_TRUE(rec.DevFields & DM_PAPERLENGTH);
    vdb.ResetUserPaperSize();
    EXPECT_EQ(fake.devMode().fields & (DM_PAPERLENGTH | DM_PAPERWIDTH), 0u);
    EXPECT_TRUE(fake.devMode().fields & DM_PAPERSIZE);
    EXPECT_EQ(fake.devMode().paperLength, 0);

    DevMode before = fake.devMode();
    before.duplex = 3;
    before.collate = 1;
    before.color = 2;
    fake.setDevMode(before);
    rec.Scale = 90;
    rec.Copies = 4;
    rec.Duplex = 0;
    rec.Collate = 0;
    rec.ColorMode = 1;
    rec.PrintQuality = 0;
    vdb.SetDevMode(rec);
    const DevMode after = fake.devMode();
    EXPECT_EQ(after.scale, 90);
    EXPECT_EQ(after.copies, 4);
    EXPECT_EQ(after.duplex, 3) << "0 leaves the driver's duplex";
    EXPECT_EQ(after.collate, 0) << "0 switches collation off";
    EXPECT_EQ(after.color, 1);
    EXPECT_EQ(after.printQuality, before.printQuality);
    EXPECT_TRUE(after.fields & DM_COLLATE);
}

TEST_F(VdbTest, FailuresAreLoggedAndSwallowed) {
    RecordingPrinterDevice none(QStringList{});
    TVDBPrint noPrinter(none);
    EXPECT_TRUE(noPrinter.NoPrinter);
    EXPECT_EQ(noPrinter.GetPaper(), 9);
    EXPECT_EQ(noPrinter.GetPaperNumber(QStringLiteral("A4"), 0, 0, 42), 42);
    TPmvxDEF rec{};
    noPrinter.GetDevMode(rec);
    EXPECT_EQ(rec, TPmvxDEF{});
    noPrinter.SetPaper(8);

    RecordingPrinterDevice broken;
    TVDBPrint vdb(broken);
    broken.failWith(QStringLiteral("ドライバが応答しません"));
    EXPECT_EQ(vdb.GetPaper(), 9);
    EXPECT_EQ(vdb.GetPaperNumber(QStringLiteral("A4"), 0, 0, 42), 42);
    vdb.SetDevMode(rec);
    EXPECT_FALSE(vdb.NoPrinter);
    const QStringList log = errorLogLines();
    EXPECT_EQ(log.value(log.size() - 3),
              QStringLiteral("26/12/08 09:05:03  Vdb.GetPaper:ドライバが応答しません"));
    EXPECT_EQ(log.value(log.size() - 2),
              QStringLiteral("26/12/08 09:05:03  Vdb.GetPaperNumber:ドライバが応答しません"));
    EXPECT_EQ(log.value(log.size() - 1),
              QStringLiteral("26/12/08 09:05:03  Vdb.SetDevMode:ドライバが応答しません"));
    EXPECT_TRUE(scripted().messageTexts().isEmpty());
}

TEST_F(VdbTest, PdfPrinterWorksWithoutAPrinter) {
    const QString out = env->path() + QStringLiteral("/pdf");
    QtPrinterDevice pdf({false, true, out, 300});
    ASSERT_EQ(pdf.printers(), QStringList({QStringLiteral("PDF")}));
    TVDBPrint vdb(pdf);
    EXPECT_FALSE(vdb.NoPrinter);
    EXPECT_EQ(vdb.GetPaperNumber(QStringLiteral("A4"), 0, 0, -1), 9);
    EXPECT_EQ(vdb.GetPaperNumber(QString(), 2970, 2100, -1), 9);
    EXPECT_EQ(vdb.GetPaperNumber(QString(), 2570, 1820, -1), 13) << "B5 is the JIS size";
    EXPECT_EQ(vdb.GetPaperNumber(QString(), 3640, 2570, -1), 12);
    EXPECT_EQ(vdb.GetPaperNumber(QStringLiteral("No such paper"), 1, 1, -1), -1);

    vdb.SetPaper(13);
    pdf.setOrientation(2);
    TPmvxDEF rec{};
    rec.Scale = 100;
    rec.Copies = 2;
    rec.Collate = 1;
    rec.Duplex = 2;
    rec.ColorMode = 1;
    vdb.SetDevMode(rec);
    TPmvxDEF back{};
    vdb.GetDevMode(back);
    EXPECT_EQ(back.Orientation, 1);
    EXPECT_EQ(back.Copies, 2);
    EXPECT_EQ(back.Collate, 1);
    EXPECT_EQ(back.Duplex, 2);
    EXPECT_EQ(back.YResolution, 300);
    EXPECT_EQ(back.DeviceName.text(), QStringLiteral("PDF"));
    EXPECT_EQ(back.FormName.text(), QPageSize::name(QPageSize::JisB5));
    EXPECT_EQ(vdb.GetPaper(), 13);
    EXPECT_NEAR(pdf.paperSizeMm().width(), 257, 0.5) << "landscape B5";
    EXPECT_EQ(pdf.dpiX(), 300);

    // One PDF file per document; an aborted document leaves nothing.
    pdf.beginDoc(QStringLiteral("データリスト"));
    ASSERT_NE(pdf.canvas(), nullptr);
    pdf.canvas()->drawText(100, 100, QStringLiteral("一頁"));
    pdf.newPage();
    EXPECT_EQ(pdf.pageNumber(), 2);
    pdf.endDoc();
    pdf.beginDoc(QStringLiteral("データリスト"));
    pdf.endDoc();
    pdf.beginDoc(QStringLiteral("aborted"));
    pdf.abortDoc();
    EXPECT_FALSE(pdf.printing());
    ASSERT_EQ(pdf.pdfFiles().size(), 2);
    EXPECT_EQ(QFileInfo(pdf.pdfFiles()[0]).fileName(), QStringLiteral("データリスト.pdf"));
    EXPECT_EQ(QFileInfo(pdf.pdfFiles()[1]).fileName(), QStringLiteral("データリスト (2).pdf"));
    QFile first(pdf.pdfFiles()[0]);
    ASSERT_TRUE(first.open(QIODevice::ReadOnly));
    EXPECT_TRUE(first.read(5) == "%PDF-");
    EXPECT_EQ(QDir(out).entryList(QDir::Files).size(), 2);

    // The process's own device always offers the PDF printer, writing to the documents folder.
    QtPrinterDevice standard;
    EXPECT_TRUE(standard.printers().contains(QStringLiteral("PDF")));
    EXPECT_GE(standard.printerIndex(), 0);

    QtPrinterDevice nothing({false, false, out, 300});
    EXPECT_TRUE(nothing.printers().isEmpty());
    EXPECT_THROW(nothing.setPrinterIndex(-1), EPrinterError);
    EXPECT_TRUE(TVDBPrint(nothing).NoPrinter);
}

TEST_F(VdbTest, PaperNumbersMapToPageSizes) {
    EXPECT_EQ(PageSizeOfPaper(9), QPageSize::A4);
    EXPECT_EQ(PageSizeOfPaper(12), QPageSize::JisB4);
    EXPECT_EQ(PageSizeOfPaper(13), QPageSize::JisB5);
    EXPECT_EQ(PageSizeOfPaper(256), std::nullopt);
    for (int n : KnownPaperNumbers()) {
        ASSERT_TRUE(PageSizeOfPaper(n).has_value()) << n;
        EXPECT_EQ(PaperOfPageSize(*PageSizeOfPaper(n)), n) << n;
    }
    EXPECT_EQ(PaperInfoOf(8).length, 4200);
    EXPECT_EQ(PaperInfoOf(8).width, 2970);
}
